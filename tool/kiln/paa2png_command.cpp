// kiln paa2png: one mipmap level of a ".paa"/".pac" texture as a PNG image, to look at
// what the converter's texture program wrote.
#include <stb_image_write.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "el/qstream/qo_file_stream.h"
#include "lib/texture/output_path.h"
#include "lib/texture/texture_decoder.h"
#include "lib/texture/texture_name.h"
#include "platform/engine_path.h"
#include "platform/host_file.h"
#include "tool/kiln/kiln_command.h"

namespace kiln {
namespace {

constexpr char kMipOption[] = "-mip=";

bool ParseLevel(const std::string& text, int& level) {
  if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  level = std::stoi(text);
  return true;
}

void AppendBytes(void* context, void* data, int size) {
  static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<size_t>(size));
}

}  // namespace

int RunPaaToPng(const std::vector<std::string>& args) {
  std::vector<std::string> files;
  int level = 0;
  for (const std::string& arg : args) {
    if (arg.starts_with(kMipOption)) {
      if (!ParseLevel(arg.substr(sizeof kMipOption - 1), level)) {
        std::fprintf(stderr, "kiln paa2png: %s is not a mipmap level number\n", arg.c_str());
        return 2;
      }
    } else {
      files.push_back(arg);
    }
  }
  if (files.size() != 2) {
    std::fprintf(stderr, "kiln paa2png: expected IN OUT [-mip=N]\n");
    return 2;
  }
  const RString input = ToEnginePath(files[0]);
  std::ifstream in(HostPathOf(input), std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "kiln paa2png: cannot open %s\n", files[0].c_str());
    return 1;
  }
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  DecodedTexture texture;
  std::string error;
  if (!DecodeTextureLevel(bytes, IsPaaPath(input), level, texture, error)) {
    std::fprintf(stderr, "kiln paa2png: %s: %s\n", files[0].c_str(), error.c_str());
    return 1;
  }
  std::string png;
  const RgbaImage& image = texture.image;
  if (!stbi_write_png_to_func(AppendBytes, &png, image.width, image.height, 4, image.pixels.data(), image.width * 4)) {
    std::fprintf(stderr, "kiln paa2png: %s: cannot encode the image as PNG\n", files[0].c_str());
    return 1;
  }
  QOFStream out;
  if (!out.OpenAtomic(HostPathForWriting(ToEnginePath(files[1])))) {
    std::fprintf(stderr, "kiln paa2png: cannot create %s\n", files[1].c_str());
    return 1;
  }
  out.write(png.data(), png.size());
  if (!out.Close()) {
    std::fprintf(stderr, "kiln paa2png: cannot write %s\n", files[1].c_str());
    return 1;
  }
  return 0;
}

}  // namespace kiln
