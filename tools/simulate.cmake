# quorvel-simulate: plays a DAW recording a session, so that Quorvel can be watched and tested
# without any DAW installed. Plain C++: it must not pull Qt threads into a process whose main
# thread name is what the providers look for.
add_executable(quorvel-simulate
  simulate/main.cpp
  simulate/ProcessName.h
  simulate/posix/LinkRestart.h
  simulate/SessionPlayer.cpp simulate/SessionPlayer.h
  simulate/SimulatedDaw.cpp simulate/SimulatedDaw.h
  simulate/SimulateOptions.cpp simulate/SimulateOptions.h
  simulate/WavWriter.cpp simulate/WavWriter.h
)
# Linux names a process by its kernel command name, which a process may set itself; elsewhere the
# name comes from the executable's file name, so the tool starts itself again under a new name.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  target_sources(quorvel-simulate PRIVATE simulate/linux/ProcessName.cpp)
else()
  target_sources(quorvel-simulate PRIVATE simulate/posix/ProcessName.cpp)
endif()
target_include_directories(quorvel-simulate PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
set_target_properties(quorvel-simulate PROPERTIES AUTOMOC OFF)
install(TARGETS quorvel-simulate RUNTIME DESTINATION bin)
