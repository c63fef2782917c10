# The macOS implementations behind the platform headers and SystemProbe.
if(APPLE)
  enable_language(OBJCXX)
  target_sources(quorvel_core PRIVATE
    platform/macos/FolderChangesMac.cpp
    platform/macos/HostSystem.cpp
    platform/macos/LoginItem.cpp
    platform/macos/NetworkHostName.cpp
    platform/macos/ReaperProviderMac.cpp
    platform/macos/RunningApplicationsMac.mm
    platform/macos/SystemProbeMac.cpp
  )
  # The Objective-C++ relies on ARC for its objects, as the desktop library's does.
  target_compile_options(quorvel_core PRIVATE $<$<COMPILE_LANGUAGE:OBJCXX>:-fobjc-arc>)
  target_link_libraries(quorvel_core PRIVATE
    "-framework AppKit" "-framework CoreFoundation" "-framework SystemConfiguration")
endif()
