#pragma once

#include <string>

namespace quorvel::simulate::ProcessName {

// Makes this process known under name: the command name that lsof -c and the running-process
// list report, which is how Quorvel recognises a DAW. Returns an empty string on success, else a
// sentence for the user. Where a process cannot rename itself, this starts the program again
// under the new name and does not return on success; argv must then be main's argv.
// REQUIRES: no other thread has been started (a thread keeps the name it was created with).
std::string adopt(const std::string& name, char** argv);

} // namespace quorvel::simulate::ProcessName
