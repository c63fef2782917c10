# The Linux implementations behind the platform headers and SystemProbe.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  target_sources(quorvel_core PRIVATE
    platform/linux/FolderChangesLinux.cpp
    platform/linux/HostSystem.cpp
    platform/linux/LoginItem.cpp
    platform/linux/NetworkHostName.cpp
    platform/linux/ProcFs.cpp platform/linux/ProcFs.h
    platform/linux/ReaperProviderLinux.cpp
    platform/linux/RunningApplicationsLinux.cpp
    platform/linux/SystemProbeLinux.cpp
  )
  # The DNS-SD API behind platform/posix/ServiceAnnouncement.cpp: Avahi's compatibility library
  # (Debian: libavahi-compat-libdnssd-dev). macOS has the same API in libSystem.
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(DNS_SD REQUIRED IMPORTED_TARGET avahi-compat-libdns_sd)
  target_link_libraries(quorvel_core PRIVATE PkgConfig::DNS_SD)
endif()
