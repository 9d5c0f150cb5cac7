#include "lib/texture/pressmill/pressmill_run.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "lib/texture/output_path.h"
#include "lib/texture/pressmill/file_copy.h"
#include "lib/texture/pressmill/paa_writer.h"
#include "lib/texture/pressmill/source_image.h"
#include "lib/texture/texture_name.h"
#include "platform/host_file.h"

namespace {

constexpr char kRulesOption[] = "-rules=";

void PrintUsage() {
  std::fprintf(stderr,
               "usage: pressmill [-rules=FILE] SOURCE TARGET\n"
               "  converts a .tga or .png SOURCE into a .paa/.pac TARGET, copies any other file.\n"
               "  Image sides must be powers of two from 1 to 8192.\n"
               "  The pixel format comes from the first rule whose pattern matches the file name\n"
               "  without folder and extension. -rules=FILE (or the environment variable %s)\n"
               "  replaces the default rules; one rule a line: PATTERN FORMAT [OPTIONS]\n"
               "    PATTERN  '*' and '?' wildcards, ignoring case\n"
               "    FORMAT   DXT1, DXT5, 8888, 4444, 1555, 88, or auto (DXT1, DXT5 with alpha)\n"
               "    OPTIONS  linear (mipmaps of normal and data maps) or srgb (colour, default);\n"
               "             quality=fast|normal|best (DXT compression; default normal)\n"
               "  The default rules:\n%s",
               kTextureRulesVariable, kDefaultTextureRules);
}

}  // namespace

bool LoadTextureRules(const std::string& path, std::vector<TextureRule>& rules, std::string& error) {
  std::ifstream in(HostPathOf(path), std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.is_open() || in.bad()) {
    error = "cannot read the rules file " + path;
    return false;
  }
  return ParseTextureRules(text, path, rules, error);
}

bool PressTexture(const std::string& source, const std::string& target, const std::vector<TextureRule>& rules,
                  std::string& note, std::string& error) {
  note.clear();
  const std::string sourceHost = HostPathOf(source);
  const std::string targetHost = HostPathForWriting(target);
  std::error_code ignored;
  std::filesystem::path targetFolder = std::filesystem::path(targetHost).parent_path();
  if (!targetFolder.empty()) std::filesystem::create_directories(targetFolder, ignored);

  if (!IsSourceImagePath(source) || !IsPacTexturePath(target)) return CopyFileAtomic(sourceHost, targetHost, error);

  RgbaImage image;
  if (!LoadSourceImage(sourceHost, image, error)) return false;
  std::string bytes;
  if (!EncodePaa(std::move(image), ChooseTextureRule(rules, source), bytes, note, error)) return false;
  return WriteFileAtomic(targetHost, bytes, error);
}

int RunPressmill(int argc, char** argv) {
  std::vector<std::string> paths;
  std::string rulesFile;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.starts_with(kRulesOption))
      rulesFile = arg.substr(sizeof kRulesOption - 1);
    else
      paths.push_back(arg);
  }
  if (paths.size() != 2) {
    PrintUsage();
    return kPressmillUsage;
  }
  if (rulesFile.empty()) {
    const char* variable = std::getenv(kTextureRulesVariable);
    if (variable) rulesFile = variable;
  }
  std::vector<TextureRule> rules = DefaultTextureRules();
  std::string note, error;
  bool ok = rulesFile.empty() || LoadTextureRules(rulesFile, rules, error);
  if (ok) ok = PressTexture(paths[0], paths[1], rules, note, error);
  if (!ok) {
    std::fprintf(stderr, "pressmill: %s -> %s: %s\n", paths[0].c_str(), paths[1].c_str(), error.c_str());
    return kPressmillFailed;
  }
  if (!note.empty()) std::printf("pressmill: %s: %s\n", paths[0].c_str(), note.c_str());
  return kPressmillOk;
}
