// Where korvcmp-report's outputs may go. An output never takes the place of a
// listing it reads, never lies inside the report directory (which is
// replaced as a whole), and no two outputs name the same file or directory:
// such a run is refused before anything is written. "The same" is the same
// file on disk, whatever its names (links, other spellings).
#pragma once

#include <string>

#include "report/report_command_line.h"

namespace korvcmp {

// Why the outputs `options` asks for cannot be written where they are to go;
// empty when they can.
std::string misplacedOutput(const ReportOptions& options);

// True when the file or directory `path` names would be inside the directory
// `directory` names: found by its identity among the folders above `path`,
// or, while `directory` does not exist, by the text of the two paths.
bool isInsideDirectory(const std::string& path, const std::string& directory);

}  // namespace korvcmp
