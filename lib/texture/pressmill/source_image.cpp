#include "lib/texture/pressmill/source_image.h"

#include <stb_image.h>

#include <bit>
#include <fstream>
#include <iterator>
#include <memory>

#include "lib/texture/texture_name.h"
#include "platform/ascii.h"

namespace {

bool IsTextureSide(int side) {
  return side >= kMinImageSide && side <= kMaxImageSide && std::has_single_bit(static_cast<unsigned>(side));
}

}  // namespace

bool IsSourceImagePath(const std::string& path) {
  std::string_view extension = TextureFileExtension(path);
  return AsciiEqualIgnoreCase(extension, ".tga") || AsciiEqualIgnoreCase(extension, ".png");
}

bool LoadSourceImage(const std::string& hostPath, RgbaImage& image, std::string& error) {
  std::ifstream in(hostPath, std::ios::binary);
  if (!in) {
    error = "cannot open the image";
    return false;
  }
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    error = "cannot read the image";
    return false;
  }
  if (bytes.empty() || bytes.size() > static_cast<size_t>(INT32_MAX)) {
    error = bytes.empty() ? "the image file is empty" : "the image file is too large";
    return false;
  }
  const auto* data = reinterpret_cast<const stbi_uc*>(bytes.data());
  const int size = static_cast<int>(bytes.size());
  // The size first, so that no absurd image is ever allocated.
  int width = 0, height = 0, channels = 0;
  if (!stbi_info_from_memory(data, size, &width, &height, &channels)) {
    const char* reason = stbi_failure_reason();
    error = std::string("cannot decode the image: ") + (reason ? reason : "unknown format");
    return false;
  }
  if (!IsTextureSide(width) || !IsTextureSide(height)) {
    error = "the image is " + std::to_string(width) + "x" + std::to_string(height) +
            ", a texture side must be a power of two from " + std::to_string(kMinImageSide) + " to " +
            std::to_string(kMaxImageSide);
    return false;
  }
  std::unique_ptr<stbi_uc, void (*)(void*)> pixels(stbi_load_from_memory(data, size, &width, &height, &channels, 4),
                                                   stbi_image_free);
  if (!pixels) {
    const char* reason = stbi_failure_reason();
    error = std::string("cannot decode the image: ") + (reason ? reason : "unknown format");
    return false;
  }
  image.width = width;
  image.height = height;
  image.pixels.assign(pixels.get(), pixels.get() + static_cast<size_t>(width) * height * 4);
  return true;
}
