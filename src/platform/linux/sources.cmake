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
endif()
