#include "tool/conversion_run.h"

#include <optional>
#include <string>
#include <vector>

#include "el/appframe/app_frame.h"
#include "tool/child_process_list.h"
#include "tool/folder_walk.h"
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
  WalkFolder(settings, source, destination);
  journal.SetProgress(nullptr);
}

// Configurations, walk and texture copy; 0, or 1 when a configuration does not parse.
int ConvertTree(RunSettings& settings, const RString& source, const RString& destination, RunJournal& journal) {
  if (!LoadFolderConfigs(settings, settings.addonFolder) || !LoadFolderConfigs(settings, source)) {
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
  StartMemoryAndFiles();
  LogMessage("Kilnify started");

  const RString source = argv[1];
  const RString destination = argv[2];
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
