#pragma once

namespace quorvel {

// Which desktop this build runs on, for the few texts and files that differ by name only (the
// Dock or the taskbar, the Finder or the file manager). Decided by which platform folder is
// built, so shared code never needs a preprocessor test. Thread: any.
enum class HostSystem { macOS, linuxDesktop };

HostSystem hostSystem();

} // namespace quorvel
