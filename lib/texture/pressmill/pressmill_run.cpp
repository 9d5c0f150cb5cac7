#include "lib/texture/pressmill/pressmill_run.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "lib/texture/output_path.h"
#include "lib/texture/pressmill/file_copy.h"
#include "lib/texture/pressmill/paa_writer.h"
#include "lib/texture/pressmill/source_image.h"
#include "lib/texture/texture_name.h"
#include "platform/host_file.h"

bool PressTexture(const std::string& source, const std::string& target, std::string& error) {
  const std::string sourceHost = HostPathOf(source);
  const std::string targetHost = HostPathForWriting(target);
  std::error_code ignored;
  std::filesystem::path targetFolder = std::filesystem::path(targetHost).parent_path();
  if (!targetFolder.empty()) std::filesystem::create_directories(targetFolder, ignored);

  if (!IsSourceImagePath(source) || !IsPacTexturePath(target)) return CopyFileAtomic(sourceHost, targetHost, error);

  RgbaImage image;
  if (!LoadSourceImage(sourceHost, image, error)) return false;
  std::string bytes;
  if (!EncodePaa(image, bytes, error)) return false;
  return WriteFileAtomic(targetHost, bytes, error);
}

int RunPressmill(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr,
                 "usage: pressmill SOURCE TARGET\n"
                 "  converts a .tga or .png SOURCE into a .paa/.pac TARGET, copies any other file\n");
    return kPressmillUsage;
  }
  std::string error;
  if (!PressTexture(argv[1], argv[2], error)) {
    std::fprintf(stderr, "pressmill: %s -> %s: %s\n", argv[1], argv[2], error.c_str());
    return kPressmillFailed;
  }
  return kPressmillOk;
}
