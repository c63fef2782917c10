# One header per service; the implementation is chosen per operating system here, never by #ifdef
# in callers.
target_sources(quorvel_core PRIVATE
  platform/FolderChanges.h
  platform/HostSystem.h
  platform/LoginItem.h
  platform/ServiceAnnouncement.h
  platform/SocketEnds.h
  platform/TerminationSignals.h
  platform/ThreadClock.h
  platform/posix/LsofRunner.cpp
  platform/posix/NetworkInterfacesPosix.cpp
  platform/posix/ServiceAnnouncement.cpp
  platform/posix/SocketEnds.cpp
  platform/posix/SystemProbePosix.cpp
  platform/posix/TerminationSignals.cpp
  platform/posix/ThreadClock.cpp
  platform/posix/WindowSystem.cpp
  platform/WindowSystem.h
)
include(platform/linux/sources.cmake OPTIONAL)
include(platform/macos/sources.cmake OPTIONAL)
target_sources(quorvel_core PRIVATE platform/NetworkInterfaces.h)
target_sources(quorvel_core PRIVATE platform/RunningApplications.h)
