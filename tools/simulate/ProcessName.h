#pragma once

#include <string>

namespace quorvel::simulate::ProcessName {

// Makes this process known under name: the program name whose first 15 bytes Linux keeps as the
// command name that lsof -c and the running-process list report, which is how Quorvel recognises
// a DAW. invokedAs, when not empty, becomes argv[0], as a Windows program's path does under Wine.
// Returns an empty string on success, else a sentence for the user. Where the name cannot be set
// in place, this starts the program again under it and does not return on success; argv must
// then be main's argv.
// REQUIRES: no other thread has been started (a thread keeps the name it was created with).
std::string adopt(const std::string& name, const std::string& invokedAs, char** argv);

} // namespace quorvel::simulate::ProcessName
