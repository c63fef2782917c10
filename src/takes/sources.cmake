target_sources(quorvel_core PRIVATE
  takes/TakeEntry.h
  takes/TakeRecorder.cpp takes/TakeRecorder.h
  takes/TakeSheet.cpp takes/TakeSheet.h
  takes/TakeSheetText.cpp takes/TakeSheetText.h
)
