// The outputs' places, checked against the inputs and one another.
#include "report/output_placement.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "pipeline/program_frame.h"
#include "platform/directories.h"
#include "platform/input_file.h"

namespace korvcmp {
namespace {

// Folders above a path looked at, at most: deeper than any real tree.
constexpr int kDeepestFolder = 256;

// `path` without the separators it ends in (but a root's).
std::string_view withoutTrailingSeparators(std::string_view path) {
    while (path.size() > 1 && isPathSeparator(path.back())) {
        path.remove_suffix(1);
    }
    return path;
}

// The folder `path` is in, by its text: "." when it names none.
std::string folderOf(std::string_view path) {
    path = withoutTrailingSeparators(path);
    std::size_t end = path.size();
    while (end > 0 && !isPathSeparator(path[end - 1])) {
        --end;
    }
    if (end == 0) {
        return ".";
    }
    return std::string(withoutTrailingSeparators(path.substr(0, end)));
}

// The last component of `path`.
std::string_view nameOf(std::string_view path) {
    path = withoutTrailingSeparators(path);
    std::size_t start = path.size();
    while (start > 0 && !isPathSeparator(path[start - 1])) {
        --start;
    }
    return path.substr(start);
}

// True when `a` and `b` name the same thing: the same file on disk, or, for
// what is not there yet, the same name in the same folder.
bool sameTarget(const std::string& a, const std::string& b) {
    if (namesSameFile(a.c_str(), b.c_str())) {
        return true;
    }
    if (nameOf(a) != nameOf(b)) {
        return false;
    }
    const std::string folderA = folderOf(a);
    const std::string folderB = folderOf(b);
    return folderA == folderB || namesSameFile(folderA.c_str(), folderB.c_str());
}

struct NamedPath {
    const char* option;  // "--json", "-i1", ...
    const char* path;    // none when not given, or standard output
};

std::string describe(const NamedPath& named) {
    return std::string(named.option) + " " + quoted(named.path);
}

}  // namespace

bool isInsideDirectory(const std::string& path, const std::string& directory) {
    if (pathKind(directory) == PathKind::nothing) {
        const std::string_view folder = withoutTrailingSeparators(directory);
        return path.size() > folder.size() && path.starts_with(folder) &&
               isPathSeparator(path[folder.size()]);
    }
    // Up from the folder `path` is in, by ".." as the system resolves it,
    // until the top, where ".." is the folder itself.
    std::string folder = folderOf(path);
    for (int depth = 0; depth < kDeepestFolder; ++depth) {
        if (namesSameFile(folder.c_str(), directory.c_str())) {
            return true;
        }
        std::string above = folder + "/..";
        if (pathKind(above) != PathKind::directory ||
            namesSameFile(above.c_str(), folder.c_str())) {
            return false;
        }
        folder = std::move(above);
    }
    return false;
}

std::string misplacedOutput(const ReportOptions& options) {
    const auto fileOutput = [](const char* path) {
        return path != nullptr && !namesStandardOutput(path) ? path : nullptr;
    };
    const std::array<NamedPath, 5> outputs = {{{"--html", options.htmlDirectory},
                                               {"--json", fileOutput(options.jsonPath)},
                                               {"--markdown", fileOutput(options.markdownPath)},
                                               {"--sarif", options.sarifPath},
                                               {"--codequality", options.codeQualityPath}}};
    const std::array<NamedPath, 2> inputs = {
        {{"-i1", options.listing1Path}, {"-i2", options.listing2Path}}};
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const NamedPath& output = outputs[i];
        if (output.path == nullptr) {
            continue;
        }
        const auto input = std::find_if(inputs.begin(), inputs.end(), [&](const NamedPath& in) {
            return in.path != nullptr && namesSameFile(output.path, in.path);
        });
        if (input != inputs.end()) {
            return describe(output) + " is the listing of " + describe(*input) +
                   ": an output never replaces an input";
        }
        for (std::size_t j = i + 1; j < outputs.size(); ++j) {
            if (outputs[j].path != nullptr && sameTarget(output.path, outputs[j].path)) {
                return std::string(output.option) + " and " + outputs[j].option +
                       " name the same file";
            }
        }
    }
    if (options.htmlDirectory == nullptr) {
        return {};
    }
    // The report directory is replaced as a whole: nothing the run reads or
    // writes elsewhere may be in it.
    const std::array<NamedPath, 6> others = {outputs[1], outputs[2], outputs[3],
                                             outputs[4], inputs[0],  inputs[1]};
    const auto inside = std::find_if(others.begin(), others.end(), [&](const NamedPath& other) {
        return other.path != nullptr && isInsideDirectory(other.path, options.htmlDirectory);
    });
    if (inside == others.end()) {
        return {};
    }
    return describe(*inside) + " is inside the report directory " + quoted(options.htmlDirectory) +
           ", which is replaced as a whole";
}

}  // namespace korvcmp
