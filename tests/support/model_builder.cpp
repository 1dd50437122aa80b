// Listings built record by record.
#include "support/model_builder.h"

#include "base/arena.h"
#include "driver/process_state.h"
#include "listing/profile_line_classifier.h"

namespace korvcmp::testing {
namespace {

FunctionBlock* buildFunction(const FunctionModel& model) {
    auto* function = newRecord<FunctionBlock>();
    if (model.lineDirective) {
        function->lineDirective = process.lineStore.single(*model.lineDirective);
    }
    for (const std::string& text : model.lines) {
        classifyProfileLine(
            *process.lineStore.append(function->firstLine, function->lastLine, text));
    }
    function->terLine = copyText(model.terLine);
    function->terLine2 = copyText(model.terLine2);
    return function;
}

MonitoredFile* buildFile(const FileModel& model) {
    auto* file = newRecord<MonitoredFile>();
    file->monitoredLine = copyText(model.monitoredLine);
    file->modeLine = copyText(model.modeLine);
    for (const std::string& text : model.includes) {
        process.lineStore.append(file->firstInclude, file->lastInclude, text);
    }
    for (const FunctionModel& function : model.functions) {
        appendToList(file->firstFunction, file->lastFunction, buildFunction(function));
    }
    file->terLine = copyText(model.terLine);
    file->terLine2 = copyText(model.terLine2);
    return file;
}

void buildFiles(ProfileListing& listing, const ListingModel& model) {
    for (const FileModel& file : model.files) {
        appendToList(listing.firstFile, listing.lastFile, buildFile(file));
    }
}

ProfileListing* newListing(const ListingModel& model) {
    auto* listing = newRecord<ProfileListing>();
    listing->producedAt = copyText(model.producedAt);
    listing->coverageView = copyText(model.coverageView);
    return listing;
}

}  // namespace

void buildListings(const ListingModel& listing1, const ListingModel& listing2) {
    process.reset();
    // Listing 2 first: the classifier reads its coverage view for both.
    ProfileListing* second = newListing(listing2);
    process.listing2 = second;
    buildFiles(*second, listing2);
    for (MonitoredFile* file = second->firstFile; file != nullptr; file = file->next) {
        process.listing2FilesByMonitoredLine[file->monitoredLine].push_back(file);
    }
    second->sourceFilesLine = copyText("Source files       :     2");
    second->headersExtractedLine = copyText("Headers extracted  :     0");
    second->functionsLine = copyText("Functions          :     3");
    second->sourceLinesLine = copyText("Source lines       :   120");
    second->terLine = copyText("TER                :  75% (   3/   4)  Decisions+Conditions");
    second->terLine2 = copyText("TER                :  80% (   4/   5)  Statement blocks");

    process.listing1 = newListing(listing1);
    buildFiles(*process.listing1, listing1);
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
