#pragma once

namespace quorvel {

struct CommandLine;

// The diagnostics report on standard output, for bug reports from machines without a display.
namespace DiagnosticsMode {

// Watches with the user's settings until the first scan has been applied, prints the report and
// returns 0. REQUIRES: a QCoreApplication.
int run(const CommandLine& commandLine);

} // namespace DiagnosticsMode
} // namespace quorvel
