// The style sheet and the script every page of a report links to. They are
// kept as files of their own (report/assets/report.css and report.js) and
// carried in the program as the byte arrays the build makes of them.
#include "report/html_pages.h"
#include "report/report_assets.h"

namespace korvcmp {

const std::string_view kStyleSheet(kStyleSheetBytes, kStyleSheetBytesSize);
const std::string_view kScript(kScriptBytes, kScriptBytesSize);

}  // namespace korvcmp
