#include "tool/conversion_run.h"

#include "el/appframe/app_frame.h"
#include "el/qstream/read_recorder.h"
#include "tool/option_parser.h"
#include "tool/run_settings.h"
#include "tool/startup.h"
#include "tool/texture_headers_step.h"
#include "tool/usage.h"
#include "tool/used_textures.h"
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

}  // namespace

int RunConversion(int argc, char** argv) {
  PrepareEngineForTool();
  RunSettings settings;
  ParseOptions(settings, argc, argv);
  if (argc < 3 || argc > 4) {
    ReportArgumentCount(argc, argv);
    return kExitBadArguments;
  }
  StartMemoryAndFiles();
  // With -hashCheck every output depends on the configurations read from here on.
  if (settings.hashCheck) StartRecordingReads();
  LogMessage("Kilnify started");

  const RString source = argv[1];
  const RString destination = argv[2];
  if (argc == 4) settings.wildcard = argv[3];

  if (settings.textureHeadersOnly) {
    RunTextureHeaders(settings, source, destination);
    ShutdownEngine();
    return kExitOk;
  }

  if (!LoadFolderConfigs(settings, settings.addonFolder) || !LoadFolderConfigs(settings, source)) {
    ShutdownEngine();
    return kExitBadConfig;
  }
  LoadMainConfig(settings.binPath);
  StartEngine();

  RunWalk(settings, source, destination);
  if (settings.copyTextures) CopyTextures(settings);
  ShutdownEngine();
  return kExitOk;
}

}  // namespace kln
