target_sources(quorvel_core PRIVATE
  providers/AbletonProvider.cpp providers/AbletonProvider.h
  providers/CommandFilter.cpp providers/CommandFilter.h
  providers/FileTime.h
  providers/PathText.cpp providers/PathText.h
  providers/PerTrackProvider.cpp providers/PerTrackProvider.h
  providers/ReaperProvider.cpp providers/ReaperProvider.h
  providers/SystemProbe.cpp providers/SystemProbe.h
)
