// The edited file section aligned by hand.
#include "support/aligned_sample.h"

#include <optional>

#include "support/listing_builder.h"

namespace korvcmp::testing {

AlignedSample alignedSample() {
    FileModel file1;
    file1.functions = {
        {std::nullopt,
         {profileLine("3", "", ' ', "10", "FUNCTION f()"),
          profileLine("2", "1", ' ', "12", "if (a)"), profileLine("2", "", ' ', "13", "return 1"),
          profileLine("1", "", ' ', "14", "return 0")}},
        {std::nullopt,
         {profileLine("1", "", ' ', "40", "FUNCTION old_name()"),
          profileLine("1", "", ' ', "41", "break")}},
        {std::nullopt, {profileLine("1", "", ' ', "30", "FUNCTION gone()")}},
    };
    FileModel file2;
    file2.functions = {
        {std::nullopt,
         {profileLine("3", "", ' ', "10", "FUNCTION f()"),
          profileLine("2", "0", '-', "15", "if (a)"), profileLine("0", "", '-', "16", "goto <out>"),
          profileLine("1", "", ' ', "17", "return 0")}},
        {lineDirective("#line 40 \"src/b.inc\""),
         {profileLine("1", "", ' ', "40", "FUNCTION new_name()"),
          profileLine("0", "", '-', "41", "break")}},
    };
    ListingModel listing1;
    listing1.files = {file1};
    ListingModel listing2;
    listing2.files = {file2};
    AlignedSample sample;
    sample.listings = buildListings(listing1, listing2);
    const MonitoredFile& one = *fileAt(*sample.listings->listing1, 0);
    const MonitoredFile& two = *fileAt(*sample.listings->listing2, 0);
    sample.file1 = &one;
    sample.file2 = &two;
    const auto line1 = [&](int function, int line) {
        return lineAt(*functionAt(one, function), line);
    };
    const auto line2 = [&](int function, int line) {
        return lineAt(*functionAt(two, function), line);
    };
    using C = ItemChange;
    SectionAlignment& alignment = sample.alignment;
    alignment.functions.push_back({functionAt(one, 0),
                                   functionAt(two, 0),
                                   false,
                                   {{line1(0, 0), line2(0, 0), C::KeptCovered, C::None},
                                    {line1(0, 1), line2(0, 1), C::KeptCovered, C::Lost},
                                    {nullptr, line2(0, 2), C::AddedUncovered, C::None},
                                    {line1(0, 2), nullptr, C::DeletedCovered, C::None},
                                    {line1(0, 3), line2(0, 3), C::KeptCovered, C::None}},
                                   {}});
    alignment.functions.push_back({functionAt(one, 1),
                                   functionAt(two, 1),
                                   true,
                                   {{line1(1, 0), line2(1, 0), C::KeptCovered, C::None},
                                    {line1(1, 1), line2(1, 1), C::Lost, C::None}},
                                   {}});
    alignment.functions.push_back({functionAt(one, 2),
                                   nullptr,
                                   false,
                                   {{line1(2, 0), nullptr, C::DeletedCovered, C::None}},
                                   {}});
    alignment.changes = {4, 0, 0, 2, 0, 1, 2, 0};
    return sample;
}

}  // namespace korvcmp::testing
