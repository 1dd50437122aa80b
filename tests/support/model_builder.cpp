// Listings built record by record.
#include "support/model_builder.h"

#include <string_view>

#include "compare/difference_marking.h"
#include "compare/file_pairing.h"
#include "listing/profile_line_classifier.h"
#include "platform/system_memory.h"

namespace korvcmp::testing {
namespace {

// Builds records into `listings`' memory; profile lines are classified by
// listing 2's coverage view.
class Builder {
  public:
    Builder(BuiltListings& listings, const char* listing2CoverageView)
        : listings_(listings), view_(listing2CoverageView) {}

    ProfileListing* buildListing(const ListingModel& model) {
        auto* listing = newRecord<ProfileListing>(listings_.arena);
        listing->producedAt = copy(model.producedAt);
        listing->coverageView = copy(model.coverageView);
        if (view_ == nullptr) {
            view_ = listing->coverageView;
        }
        for (const FileModel& file : model.files) {
            appendToList(listing->firstFile, listing->lastFile, buildFile(file));
        }
        return listing;
    }

    char* copy(const std::string& text) { return copyText(listings_.arena, text); }

  private:
    FunctionBlock* buildFunction(const FunctionModel& model) {
        auto* function = newRecord<FunctionBlock>(listings_.arena);
        LineStore& lines = listings_.lineStore;
        if (model.lineDirective) {
            function->lineDirective = lines.single(*model.lineDirective);
        }
        for (const std::string& text : model.lines) {
            classifyProfileLine(*lines.append(function->firstLine, function->lastLine, text),
                                view_);
        }
        function->terLine = copy(model.terLine);
        function->terLine2 = copy(model.terLine2);
        return function;
    }

    MonitoredFile* buildFile(const FileModel& model) {
        auto* file = newRecord<MonitoredFile>(listings_.arena);
        file->monitoredLine = copy(model.monitoredLine);
        file->modeLine = copy(model.modeLine);
        for (const std::string& text : model.includes) {
            listings_.lineStore.append(file->firstInclude, file->lastInclude, text);
        }
        for (const FunctionModel& function : model.functions) {
            appendToList(file->firstFunction, file->lastFunction, buildFunction(function));
        }
        file->terLine = copy(model.terLine);
        file->terLine2 = copy(model.terLine2);
        return file;
    }

    BuiltListings& listings_;
    const char* view_;
};

// The first file section of listing 1 whose MONITORED line is exactly
// `monitoredLine`, or none.
MonitoredFile* findPairedFile(const ProfileListing& listing1, std::string_view monitoredLine) {
    for (MonitoredFile* file = listing1.firstFile; file != nullptr; file = file->next) {
        if (monitoredLine == file->monitoredLine) {
            return file;
        }
    }
    return nullptr;
}

}  // namespace

BuiltListings::BuiltListings() : arena(systemMemory()), lineStore(systemMemory()) {}

std::unique_ptr<BuiltListings> buildListings(const ListingModel& listing1,
                                             const ListingModel& listing2) {
    auto listings = std::make_unique<BuiltListings>();
    // Listing 2 first: the classifier reads its coverage view for both.
    Builder builder(*listings, nullptr);
    ProfileListing* second = builder.buildListing(listing2);
    listings->listing2 = second;
    for (MonitoredFile* file = second->firstFile; file != nullptr; file = file->next) {
        listings->listing2Files[file->monitoredLine].push_back(file);
    }
    second->sourceFilesLine = builder.copy("Source files       :     2");
    second->headersExtractedLine = builder.copy("Headers extracted  :     0");
    second->functionsLine = builder.copy("Functions          :     3");
    second->sourceLinesLine = builder.copy("Source lines       :   120");
    second->terLine = builder.copy("TER                :  75% (   3/   4)  Decisions+Conditions");
    second->terLine2 = builder.copy("TER                :  80% (   4/   5)  Statement blocks");

    listings->listing1 = builder.buildListing(listing1);
    return listings;
}

void pairFiles(const BuiltListings& listings) {
    for (MonitoredFile* file2 = listings.listing2->firstFile; file2 != nullptr;
         file2 = file2->next) {
        pairFile(findPairedFile(*listings.listing1, file2->monitoredLine), *file2);
    }
}

void markDifferences(const BuiltListings& listings) {
    ProfileListing& listing2 = *listings.listing2;
    listing2.newHits = 0;
    listing2.lostHits = 0;
    listing2.equalHits = 0;
    for (MonitoredFile* file2 = listing2.firstFile; file2 != nullptr; file2 = file2->next) {
        markFile(file2->comparable != 0 ? findPairedFile(*listings.listing1, file2->monitoredLine)
                                        : nullptr,
                 *file2);
        listing2.newHits += file2->newHits;
        listing2.lostHits += file2->lostHits;
        listing2.equalHits += file2->equalHits;
    }
}

MonitoredFile* fileAt(const ProfileListing& listing, int index) {
    MonitoredFile* file = listing.firstFile;
    for (; index > 0; --index) {
        file = file->next;
    }
    return file;
}

FunctionBlock* functionAt(const MonitoredFile& file, int index) {
    FunctionBlock* function = file.firstFunction;
    for (; index > 0; --index) {
        function = function->next;
    }
    return function;
}

ListingLine* lineAt(const FunctionBlock& function, int index) {
    ListingLine* line = function.firstLine;
    for (; index > 0; --index) {
        line = line->next();
    }
    return line;
}

std::vector<std::string> profileTexts(const ProfileListing& listing) {
    std::vector<std::string> texts;
    for (const MonitoredFile* file = listing.firstFile; file != nullptr; file = file->next) {
        for (const FunctionBlock* function = file->firstFunction; function != nullptr;
             function = function->next) {
            for (const ListingLine* line = function->firstLine; line != nullptr;
                 line = line->next()) {
                texts.push_back(line->markedText());
            }
        }
    }
    return texts;
}

}  // namespace korvcmp::testing
