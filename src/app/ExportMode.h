#pragma once

namespace quorvel {

struct CommandLine;

// quorvel --export-takes FILE [--project NAME]: the take sheet as CSV, then exit.
namespace ExportMode {

// Returns 0 once written, 1 when the sheet cannot be read or FILE not written (said on standard
// error). REQUIRES: a QCoreApplication.
int run(const CommandLine& commandLine);

} // namespace ExportMode
} // namespace quorvel
