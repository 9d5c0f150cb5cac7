#include "tool/conversion_run.h"

#include <optional>
#include <string>
#include <vector>

#include "el/appframe/app_frame.h"
#include "el/qstream/read_recorder.h"
#include "platform/engine_resolver.h"
#include "platform/host_file.h"
#include "platform/visited_folders.h"
#include "tool/child_process_list.h"
#include "tool/option_parser.h"
#include "tool/progress_line.h"
#include "tool/run_finish.h"
#include "tool/run_journal.h"
#include "tool/run_settings.h"
#include "tool/startup.h"
#include "tool/stop_signals.h"
#include "tool/texture_headers_step.h"
#include "tool/usage.h"
#include "tool/used_textures.h"
#include "tool/walk_runner.h"
#include "tool/walk_runner.h"

namespace kln {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitBadConfig = 1;
constexpr int kExitBadArguments = 2;

void ReportArgumentCount(int argc, char** argv) {
  ErrorMessage("Invalid count of arguments=%d, valid settings is >=3 && <=4", argc);
  ErrorMessage("%s", "");
  for (int i = 0; i < argc; ++i) ErrorMessage("%s", argv[i]);
  ErrorMessage("%s", "");
  PrintUsage();
}

// False (with a message) when the folders of the command line cannot be used: an empty
// destination, which would be the root of the work drive, or a conversion whose
// destination is its source, which would replace every source model by its runtime form.
bool FoldersAreUsable(const RunSettings& settings, const RString& source, const RString& destination) {
  if (destination.empty()) {
    ErrorMessage("The destination folder is empty");
    PrintUsage();
    return false;
  }
  if (settings.textureHeadersOnly) return true;
  const std::optional<FolderIdentity> from = IdentityOfFolder(HostPathOf(source));
  if (from && from == IdentityOfFolder(HostPathForWrite(destination))) {
    ErrorMessage("Source %s and destination %s are the same folder", source.c_str(), destination.c_str());
    return false;
  }
  return true;
}

// The walk, with the progress line in front of the printing sink when standard error is
// a terminal.
void WalkShowingProgress(RunSettings& settings, const RString& source, const RString& destination,
                         RunJournal& journal) {
  std::optional<ProgressLine> progress;
  std::optional<ScopedSink> shown;
  if (WantsProgressLine()) {
    progress.emplace(CurrentAppFrameFunctions(), stderr);
    shown.emplace(*progress);
    journal.SetProgress(&*progress);
  }
  RunWalk(settings, source, destination);
  journal.SetProgress(nullptr);
}

// Configurations, walk and texture copy; 0, or 1 when a configuration does not parse.
int ConvertTree(RunSettings& settings, const RString& source, const RString& destination, RunJournal& journal) {
  if (!LoadStartupConfigs(settings) || !LoadFolderConfigs(settings, source)) {
    ShutdownEngine();
    return kExitBadConfig;
  }
  LoadMainConfig(settings.binPath);
  StartEngine();

  WalkShowingProgress(settings, source, destination, journal);
  // A stopped run copies no textures: it ends as soon as it can.
  if (settings.copyTextures && !StopRequested()) CopyTextures(settings);
  ShutdownEngine();
  return kExitOk;
}

}  // namespace

int RunConversion(int argc, char** argv) {
  // The run's time counts from here; the journal is installed once the run converts.
  RunJournal journal(std::vector<std::string>(argv, argv + argc));
  PrepareEngineForTool();
  RunSettings settings;
  ParseOptions(settings, argc, argv);
  if (argc < 3 || argc > 4) {
    ReportArgumentCount(argc, argv);
    return kExitBadArguments;
  }
  const RString source = argv[1];
  const RString destination = argv[2];
  if (!FoldersAreUsable(settings, source, destination)) return kExitBadArguments;
  if (!SetUpMounts(settings.mountOptions, {source, settings.addonFolder})) return kExitBadArguments;
  ClearSourceRoots();
  AddSourceRoot(HostPathOf(source));
  StartMemoryAndFiles();
  // With -hashCheck every output depends on the configurations read from here on.
  if (settings.hashCheck) StartRecordingReads();
  LogMessage("Kilnify started");

  if (argc == 4) settings.wildcard = argv[3];

  if (settings.textureHeadersOnly) {
    RunTextureHeaders(settings, source, destination);
    ShutdownEngine();
    return kExitOk;
  }

  ScopedJournal current(journal);
  StopSignals signals;
  int result = ConvertTree(settings, source, destination, journal);
  // The report and the summary come after everything the run started has ended.
  ChildProcesses().WaitForAll();
  return FinishRun(journal, settings, result);
}

}  // namespace kln
