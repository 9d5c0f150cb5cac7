#include "tool/option_parser.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "el/appframe/app_frame.h"
#include "engine/process_flags.h"
#include "tool/child_process_list.h"
#include "tool/exclusion_file.h"
#include "tool/file_paths.h"

namespace kln {
namespace {

struct Option {
  const char* text;
  void (*apply)(RunSettings& settings, const char* value);
};

// Table order decides which option a prefix selects: the first match wins.
const Option kOptions[] = {
    {"-binpath=", [](RunSettings& s, const char* v) { s.binPath = WithTrailingBackslash(v); }},
    {"-texheader", [](RunSettings& s, const char*) { s.textureHeadersOnly = true; }},
    {"-kilnify", [](RunSettings&, const char*) {}},
    {"-textures=",
     [](RunSettings& s, const char* v) {
       s.texturesFolder = WithTrailingBackslash(v);
       s.copyTextures = true;
     }},
    {"-server", [](RunSettings& s, const char*) { s.silent = true; }},
    {"-silent",
     [](RunSettings& s, const char*) {
       LogMessage("Kilnify run in silent mode!");
       s.silent = true;
     }},
    {"-noLogs", [](RunSettings&, const char*) { SetNoLogs(true); }},
    {"-norecurse", [](RunSettings& s, const char*) { s.noRecursion = true; }},
    {"-addon=", [](RunSettings& s, const char* v) { s.addonFolder = v; }},
    {"-exclude=", [](RunSettings& s, const char* v) { ReadExclusionFile(s.exclusionList, v); }},
    {"-shrinkP3D", [](RunSettings&, const char*) { SetShrinkModels(true); }},
    {"-GX1", [](RunSettings& s, const char*) { s.olderWorldFormat = true; }},
    {"-always", [](RunSettings& s, const char*) { s.always = true; }},
    {"-targetBonesInterval=", [](RunSettings& s, const char* v) { s.bonesInterval = std::atoi(v); }},
    {"-skeleton=", [](RunSettings& s, const char* v) { s.skeleton = v; }},
    {"-animations", [](RunSettings& s, const char*) { s.convertAnimations = true; }},
    {"-mount=", [](RunSettings& s, const char* v) { s.mountOptions.mounts.push_back(v); }},
    {"-prefixFile=", [](RunSettings& s, const char* v) { s.mountOptions.prefixFile = v; }},
    {"-j", [](RunSettings& s, const char* v) { s.jobs = std::max(1, std::atoi(*v == '=' ? v + 1 : v)); }},
    {"-hashCheck", [](RunSettings& s, const char*) { s.hashCheck = true; }},
    {"-ninja=", [](RunSettings& s, const char* v) { s.ninjaFile = v; }},
    {"-maxProcesses=", [](RunSettings&, const char* v) { ChildProcesses().SetMaxProcesses(std::atoi(v)); }},
    {"-report=", [](RunSettings& s, const char* v) { s.reportFile = v; }},
    {"-strict", [](RunSettings& s, const char*) { s.strict = true; }},
};

void ApplyOption(RunSettings& settings, const char* arg) {
  for (const Option& option : kOptions) {
    size_t length = std::strlen(option.text);
    if (::strncasecmp(arg, option.text, length) == 0) {
      option.apply(settings, arg + length);
      return;
    }
  }
  ErrorMessage("Unknown argument %s", arg);
}

}  // namespace

void ParseOptions(RunSettings& settings, int& argc, char**& argv) {
  char* program = argv[0];
  while (argc > 1 && argv[1][0] == '-') {
    // "-j N" takes its count from the next argument.
    if (std::strcmp(argv[1], "-j") == 0 && argc > 2 && std::isdigit(static_cast<unsigned char>(argv[2][0]))) {
      settings.jobs = std::max(1, std::atoi(argv[2]));
      ++argv;
      --argc;
    } else {
      ApplyOption(settings, argv[1]);
    }
    ++argv;
    --argc;
  }
  argv[0] = program;
}

}  // namespace kln
