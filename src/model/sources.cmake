target_sources(quorvel_core PRIVATE
  model/CompiledPattern.h
  model/DAWId.cpp model/DAWId.h
  model/DAWProvider.h
  model/DAWScanContext.h
  model/DAWSelection.cpp model/DAWSelection.h
  model/DAWSnapshot.h
  model/DecimalText.cpp model/DecimalText.h
  model/DiagnosticsReport.cpp model/DiagnosticsReport.h
  model/FilenamePattern.cpp model/FilenamePattern.h
  model/FolderMode.cpp model/FolderMode.h
  model/FolderWatcher.cpp model/FolderWatcher.h
  model/HandOver.cpp model/HandOver.h
  model/LoginItemFiles.cpp model/LoginItemFiles.h
  model/RecordingPass.h
  model/RegexSearch.cpp model/RegexSearch.h
  model/SerialExecutor.cpp model/SerialExecutor.h
  model/SettingsKey.h
  model/TakeDerivation.cpp model/TakeDerivation.h
  model/UserDefaults.cpp model/UserDefaults.h
)
