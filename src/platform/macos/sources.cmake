# The macOS implementations behind the platform headers and SystemProbe.
if(APPLE)
  enable_language(OBJCXX)
  target_sources(quorvel_core PRIVATE
    platform/macos/NetworkHostName.cpp
    platform/macos/ReaperProviderMac.cpp
    platform/macos/RunningApplicationsMac.mm
    platform/macos/SystemProbeMac.cpp
  )
  target_link_libraries(quorvel_core PRIVATE
    "-framework AppKit" "-framework CoreFoundation" "-framework SystemConfiguration")
endif()
