target_sources(quorvel_core PRIVATE
  providers/AbletonProvider.cpp providers/AbletonProvider.h
  providers/ArdourProvider.cpp providers/ArdourProvider.h
  providers/CommandFilter.cpp providers/CommandFilter.h
  providers/ExecutableName.cpp providers/ExecutableName.h
  providers/FileTime.h
  providers/FolderListings.cpp providers/FolderListings.h
  providers/PathText.cpp providers/PathText.h
  providers/PerTrackProvider.cpp providers/PerTrackProvider.h
  providers/ReaperProject.cpp providers/ReaperProject.h
  providers/ReaperProvider.cpp providers/ReaperProvider.h
  providers/SystemProbe.cpp providers/SystemProbe.h
  providers/WinePaths.cpp providers/WinePaths.h
)
