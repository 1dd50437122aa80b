// The two summaries of a comparison written from the report's model: Markdown
// for a pull request comment or a CI job summary, and one JSON document for
// scripts.
#pragma once

#include <cstddef>

#include "output/output_stream.h"
#include "report/report_model.h"

namespace korvcmp {

// GitHub takes at most 1 MiB of job summary a step: by default the Markdown
// stays below (a pull request comment takes 65,536 characters).
inline constexpr std::size_t kMarkdownLimit = std::size_t{1} << 20;
// The least limit, which the headings and totals fit in.
inline constexpr std::size_t kSmallestMarkdownLimit = 4096;

// The Markdown summary: totals, the files with lost coverage (most lost
// first), the removed files listing 1 covered, the first lost items; cut with
// an "… and N more" line, never inside a row, to stay at most `limit` bytes
// (kSmallestMarkdownLimit when less).
void writeMarkdownSummary(OutputStream& out, const ReportModel& model,
                          std::size_t limit = kMarkdownLimit);

// The JSON document: listing1, listing2, totals, files (with functions).
void writeJsonReport(OutputStream& out, const ReportModel& model);

}  // namespace korvcmp
