// A listing's text written into an HTML page: the characters that mean
// something to HTML (& < > " ') as character references, valid UTF-8 as it
// is, and every byte that is not valid UTF-8 and every control character but
// the tab as U+FFFD, so that a page is valid UTF-8 whatever the listing holds.
// The same text serves as element content and as a quoted attribute value.
#pragma once

#include <string_view>

#include "output/output_stream.h"

namespace korvcmp {

void writeHtmlText(OutputStream& out, std::string_view text);

}  // namespace korvcmp
