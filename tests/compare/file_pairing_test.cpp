// Pairing of file sections by their MONITORED line and the structure test
// that decides whether a pair is compared. Every case runs both ways a run
// can take: pairing and marking after both listings are read, and section by
// section while listing 1 is read; both must leave listing 2 alike.
#include "compare/file_pairing.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "compare/difference_marking.h"
#include "compare/listing_comparison.h"
#include "support/listing_builder.h"
#include "support/model_builder.h"

namespace korvcmp::testing {
namespace {

// Profile lines of the first function of baseFile(), by position.
enum : int { kIf = 1, kConditionRow = 2, kMcdc = 4, kCase = 5, kFor = 6, kBrace = 7 };

FileModel baseFile(const std::string& name = "src/a.c") {
    FileModel file;
    file.monitoredLine = "MONITORED SOURCE FILE : " + name;
    file.includes = {"#include \"thermo.h\"", "#include <stdio.h>"};
    FunctionModel& f = file.functions.emplace_back();
    f.lineDirective = lineDirective("#line 1 \"src/a.inc\"");
    f.lines = {
        profileLine("3", "", ' ', "10", "FUNCTION f()"),
        profileLine("2", "1", ' ', "11", "if (a && b)"),
        profileLine("2", "", ' ', "11", "1 a"),
        profileLine("", "1", ' ', "11", "1 a"),
        profileLine("", "1", ' ', "11", "MC/DC 1:+ a"),
        profileLine("1", "", ' ', "12", "case 2:"),
        profileLine("1", "", ' ', "13", "for (;;)"),
        profileLine("3", "", ' ', "14", "}+"),
    };
    file.functions.emplace_back().lines = {profileLine("1", "", '-', "20", "FUNCTION g()")};
    return file;
}

std::string& line(FileModel& file, int index) {
    return file.functions[0].lines[static_cast<std::size_t>(index)];
}

// What pairing and marking left in listing 2: per file section its verdict
// and counts, then every profile line.
std::vector<std::string> listing2State(const ProfileListing& listing2) {
    std::vector<std::string> state;
    for (const MonitoredFile* file = listing2.firstFile; file != nullptr; file = file->next) {
        state.push_back(std::to_string(file->comparable) + " " +
                        (file->reason != nullptr ? file->reason : "-") + " " +
                        std::to_string(file->newHits) + "/" + std::to_string(file->lostHits) + "/" +
                        std::to_string(file->equalHits));
    }
    const std::vector<std::string> texts = profileTexts(listing2);
    state.insert(state.end(), texts.begin(), texts.end());
    return state;
}

std::vector<std::string> verdicts(const ProfileListing& listing2) {
    std::vector<std::string> result;
    for (const MonitoredFile* file = listing2.firstFile; file != nullptr; file = file->next) {
        // A compared section carries no reason.
        result.push_back(file->comparable != 0 ? (file->reason == nullptr ? "compared" : "?")
                                               : file->reason);
    }
    return result;
}

// Pairs and marks both ways; returns the verdicts on listing 2's sections.
// The listings compared section by section go to `compared` when given.
std::vector<std::string> compareBothWays(const ListingModel& listing1, const ListingModel& listing2,
                                         void (*changeRecords)(ProfileListing&) = nullptr,
                                         std::unique_ptr<BuiltListings>* compared = nullptr) {
    const auto afterReading = buildListings(listing1, listing2);
    if (changeRecords != nullptr) {
        changeRecords(*afterReading->listing2);
    }
    pairFiles(*afterReading);
    markDifferences(*afterReading);
    std::vector<std::string> result = verdicts(*afterReading->listing2);

    auto sectionBySection = buildListings(listing1, listing2);
    if (changeRecords != nullptr) {
        changeRecords(*sectionBySection->listing2);
    }
    for (MonitoredFile* file1 = sectionBySection->listing1->firstFile; file1 != nullptr;
         file1 = file1->next) {
        compareListing1Section(*file1, sectionBySection->listing2Files);
    }
    finishComparison(*sectionBySection->listing2);
    EXPECT_EQ(listing2State(*sectionBySection->listing2), listing2State(*afterReading->listing2));
    EXPECT_EQ(verdicts(*sectionBySection->listing2), result);
    if (compared != nullptr) {
        *compared = std::move(sectionBySection);
    }
    return result;
}

ListingModel listingOf(std::vector<FileModel> files) {
    ListingModel listing;
    listing.files = std::move(files);
    return listing;
}

struct StructureCase {
    const char* name;
    void (*change1)(FileModel&);  // applied to listing 1's section
    void (*change2)(FileModel&);  // applied to listing 2's section
    const char* verdict;
    void (*changeRecords)(ProfileListing& listing2) = nullptr;  // applied to the built records
};

void keep(FileModel&) {}

const StructureCase kStructureCases[] = {
    {"identical", keep, keep, "compared"},
    {"columns 0 to 23 differ", keep,
     [](FileModel& f) {
         for (std::string& text : f.functions[0].lines) {
             text[0] = '#';
             text[8] = text[9] == ' ' ? ' ' : '4';
             text[10] = '^';
             text[21] = 'v';
             text[22] = text[22] == ' ' ? '-' : ' ';
             text[23] = 'x';
         }
     },
     "compared"},
    {"includes reordered", keep, [](FileModel& f) { std::swap(f.includes[0], f.includes[1]); },
     "different profile"},
    {"include more in 1", [](FileModel& f) { f.includes.emplace_back("#include <math.h>"); }, keep,
     "different profile"},
    {"include more in 2", keep, [](FileModel& f) { f.includes.emplace_back("#include <math.h>"); },
     "different profile"},
    {"include differs", keep, [](FileModel& f) { f.includes[1] += ' '; }, "different profile"},
    {"function more in 1", [](FileModel& f) { f.functions.push_back(f.functions[1]); }, keep,
     "different profile"},
    {"function more in 2", keep, [](FileModel& f) { f.functions.push_back(f.functions[1]); },
     "different profile"},
    {"#line only in 1", keep, [](FileModel& f) { f.functions[0].lineDirective.reset(); },
     "different profile"},
    {"#line only in 2", [](FileModel& f) { f.functions[0].lineDirective.reset(); }, keep,
     "different profile"},
    {"#line differs in column 5", keep,
     [](FileModel& f) { (*f.functions[0].lineDirective)[5] = '1'; }, "different profile"},
    {"profile line more in 1",
     [](FileModel& f) {
         f.functions[1].lines.push_back(profileLine("1", "", ' ', "21", "return"));
     },
     keep, "different profile"},
    {"profile line more in 2", keep,
     [](FileModel& f) {
         f.functions[1].lines.push_back(profileLine("1", "", ' ', "21", "return"));
     },
     "different profile"},
    {"kind differs", keep,
     [](FileModel& f) { line(f, kFor) = profileLine("1", "1", ' ', "13", "for (;;)"); },
     "different profile"},
    {"line number differs", keep,
     [](FileModel& f) { line(f, kCase) = profileLine("1", "", ' ', "99", "case 2:"); },
     "different profile"},
    {"compare end differs", keep, keep, "different profile",
     [](ProfileListing& listing2) {
         ListingLine* ifLine = lineAt(*functionAt(*listing2.firstFile, 0), kIf);
         ifLine->compareEnd = static_cast<std::int16_t>(ifLine->compareEnd - 1);
     }},
    {"description differs in column 30", keep,
     [](FileModel& f) { line(f, kConditionRow) = profileLine("2", "", ' ', "11", "2 a"); },
     "different profile"},
    {"description differs at the compare end", keep,
     [](FileModel& f) { line(f, kIf).back() = 'c'; }, "different profile"},
    {"'}+' and '}-' differ behind the compare end", keep,
     [](FileModel& f) { line(f, kBrace).back() = '-'; }, "compared"},
    {"'case 2:' and 'case 2:+'", keep, [](FileModel& f) { line(f, kCase) += '+'; }, "compared"},
    // MC/DC rows: listing 2 may show '+' or '-' where listing 1 shows anything.
    {"MC/DC '+' in 1, '-' in 2", keep, [](FileModel& f) { line(f, kMcdc)[38] = '-'; }, "compared"},
    {"MC/DC '-' in 1, '+' in 2", [](FileModel& f) { line(f, kMcdc)[38] = '-'; },
     [](FileModel& f) { line(f, kMcdc)[38] = '+'; }, "compared"},
    {"MC/DC letter in 1, '+' in 2", [](FileModel& f) { line(f, kMcdc)[38] = 'x'; }, keep,
     "compared"},
    {"MC/DC '+' in 1, letter in 2", keep, [](FileModel& f) { line(f, kMcdc)[38] = 'x'; },
     "different profile"},
    {"'+' and '-' on a decision", [](FileModel& f) { line(f, kIf)[36] = '+'; },
     [](FileModel& f) { line(f, kIf)[36] = '-'; }, "different profile"},
    {"'+' and '-' on a condition row", [](FileModel& f) { line(f, kConditionRow) += "+b"; },
     [](FileModel& f) { line(f, kConditionRow) += "-b"; }, "different profile"},
};

TEST(FilePairing, StructureTest) {
    for (const StructureCase& c : kStructureCases) {
        SCOPED_TRACE(c.name);
        FileModel file1 = baseFile();
        FileModel file2 = baseFile();
        c.change1(file1);
        c.change2(file2);
        EXPECT_EQ(compareBothWays(listingOf({file1}), listingOf({file2}), c.changeRecords),
                  std::vector<std::string>{c.verdict});
    }
}

TEST(FilePairing, SectionsArePairedByTheWholeMonitoredLine) {
    FileModel blankAfter = baseFile();
    blankAfter.monitoredLine += ' ';
    EXPECT_EQ(compareBothWays(listingOf({baseFile()}), listingOf({blankAfter, baseFile("b.c")})),
              (std::vector<std::string>{"no file", "no file"}));
    EXPECT_EQ(compareBothWays({}, listingOf({baseFile()})), std::vector<std::string>{"no file"});
}

TEST(FilePairing, OnlyTheFirstSectionOfListing1WithTheLineIsTried) {
    FileModel differing = baseFile();
    differing.includes.clear();
    EXPECT_EQ(compareBothWays(listingOf({differing, baseFile()}), listingOf({baseFile()})),
              std::vector<std::string>{"different profile"});
}

TEST(FilePairing, SectionsOfListing2WithTheSameLineShareTheirPartner) {
    FileModel covered = baseFile();
    FileModel notCovered = baseFile();
    for (std::string& text : notCovered.functions[0].lines) {
        text[22] = '-';
    }
    FileModel extraInclude = baseFile();
    extraInclude.includes.emplace_back("#include <math.h>");
    std::unique_ptr<BuiltListings> compared;
    EXPECT_EQ(
        compareBothWays(listingOf({covered, notCovered}),
                        listingOf({baseFile(), extraInclude, baseFile()}), nullptr, &compared),
        (std::vector<std::string>{"compared", "different profile", "compared"}));
    // Both compared sections were marked against the covered partner.
    const ProfileListing& listing2 = *compared->listing2;
    EXPECT_EQ(listing2.firstFile->equalHits, listing2.lastFile->equalHits);
    EXPECT_GT(listing2.lastFile->equalHits, 0);
}

}  // namespace
}  // namespace korvcmp::testing
