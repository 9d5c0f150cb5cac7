#include "sample/tga_writer.h"

#include <fstream>
#include <string>

bool WriteSampleTga(const std::filesystem::path& path, int width, int height, bool alpha) {
  std::string bytes(18, '\0');
  bytes[2] = 2;  // uncompressed true colour
  bytes[12] = static_cast<char>(width & 0xFF);
  bytes[13] = static_cast<char>(width >> 8);
  bytes[14] = static_cast<char>(height & 0xFF);
  bytes[15] = static_cast<char>(height >> 8);
  bytes[16] = 32;
  bytes[17] = 8 | 0x20;  // 8 alpha bits, top-left origin
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      bool light = ((x / 8) + (y / 8)) % 2 == 0;
      bytes += static_cast<char>(light ? 200 : 60);                // blue
      bytes += static_cast<char>(light ? 180 : 90);                // green
      bytes += static_cast<char>(light ? 150 : 40);                // red
      bytes += static_cast<char>(alpha ? (255 * x) / width : 255);  // alpha
    }
  }
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}
