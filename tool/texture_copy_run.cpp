#include "tool/texture_copy_run.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "el/appframe/app_frame.h"
#include "el/qstream/qo_file_stream.h"
#include "platform/host_file.h"
#include "tool/child_process_list.h"
#include "tool/kilnify_frame_functions.h"
#include "tool/option_parser.h"
#include "tool/startup.h"
#include "tool/used_textures.h"

namespace kln {
namespace {

std::string EngineForm(std::string text) {
  std::replace(text.begin(), text.end(), '/', '\\');
  return text;
}

void ReadUsedList(UsedTextureSet& set, const std::string& path) {
  std::ifstream in(HostPathOf(path));
  if (!in) {
    ErrorMessage("Error: \"%s\" file cannot be opened", path.c_str());
    return;
  }
  std::string line;
  while (std::getline(in, line))
    if (!line.empty()) InsertUsedTexture(set, line);
}

}  // namespace

int RunTextureCopy(const std::vector<std::string>& args) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  std::vector<std::string> options = {"kiln copytextures"};
  std::vector<std::string> lists;
  std::vector<std::string> used;
  std::string stamp;
  for (const std::string& arg : args) {
    if (arg.rfind("-stamp=", 0) == 0) {
      stamp = EngineForm(arg.substr(7));
    } else if (arg.rfind("-usedFrom=", 0) == 0) {
      // A response file: the paths of used-texture lists, one a line.
      std::ifstream in(HostPathOf(EngineForm(arg.substr(10))));
      std::string line;
      while (std::getline(in, line))
        if (!line.empty()) used.push_back(EngineForm(line));
    } else if (arg.rfind("-list=", 0) == 0) {
      lists.push_back(EngineForm(arg.substr(6)));
    } else if (!arg.empty() && arg[0] == '-') {
      options.push_back(EngineForm(arg));
    } else {
      used.push_back(EngineForm(arg));
    }
  }
  if (stamp.empty()) {
    std::fprintf(stderr, "kiln copytextures: expected [options] -stamp=FILE USED...\n");
    return 2;
  }
  static KilnifyFrameFunctions sink;
  SetAppFrameFunctions(&sink);
  std::vector<char*> argv;
  for (std::string& option : options) argv.push_back(option.data());
  argv.push_back(nullptr);
  int argc = static_cast<int>(options.size());
  char** cursor = argv.data();
  RunSettings settings;
  PrepareEngineForTool();
  ParseOptions(settings, argc, cursor);
  StartMemoryAndFiles();
  if (settings.copyTextures) {
    for (const std::string& list : lists) {
      ErrorMessage("Found %s, inserting textures not linked by .p3d-s...", list.c_str());
      ReadTextureList(settings.usedTextures, list, settings.texturesFolder);
      CollectUsedTextures(settings.usedTextures);
    }
    for (const std::string& path : used) ReadUsedList(settings.usedTextures, path);
    CopyTextures(settings);
  }
  ChildProcesses().WaitForAll();
  QOFStream out;
  const bool stamped = out.OpenAtomic(stamp) && out.Close();
  ShutdownEngine();
  SetAppFrameFunctions(nullptr);
  if (!stamped) {
    std::fprintf(stderr, "kiln copytextures: cannot write %s\n", stamp.c_str());
    return 1;
  }
  return 0;
}

}  // namespace kln
