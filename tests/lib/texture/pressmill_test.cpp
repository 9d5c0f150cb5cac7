// build/pressmill end to end: images become block-compressed ".paa" textures that decode
// back to the image, other files are copied, bad input fails with a message.
#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <cmath>
#include <cstring>

#include "lib/texture/pressmill/source_image.h"
#include "lib/texture/testing/dxt_decoder.h"
#include "tests/lib/texture/texture_test_support.h"
#include "tests/support/captured_messages.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_tree.h"

namespace {

using namespace textest;

struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;
  const uint8_t* Texel(int x, int y) const { return rgba.data() + (static_cast<size_t>(y) * width + x) * 4; }
};

// Smooth colours; with alpha, a ramp that is fully transparent in the left quarter.
Image Gradient(int width, int height, bool alpha) {
  Image image{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 4)};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* t = image.rgba.data() + (static_cast<size_t>(y) * width + x) * 4;
      t[0] = static_cast<uint8_t>(255 * x / (width - 1));
      t[1] = static_cast<uint8_t>(255 * y / (height - 1));
      t[2] = static_cast<uint8_t>(128 + 100 * std::sin((x + y) * 0.05));
      t[3] = alpha ? static_cast<uint8_t>(x < width / 4 ? 0 : 255 * (x - width / 4) / (width - width / 4)) : 255;
    }
  return image;
}

void WritePng(const std::filesystem::path& path, const Image& image) {
  std::filesystem::create_directories(path.parent_path());
  ASSERT_TRUE(stbi_write_png(path.c_str(), image.width, image.height, 4, image.rgba.data(), image.width * 4));
}

void WriteTga(const std::filesystem::path& path, const Image& image) {
  std::filesystem::create_directories(path.parent_path());
  ASSERT_TRUE(stbi_write_tga(path.c_str(), image.width, image.height, 4, image.rgba.data()));
}

ProgramResult Pressmill(const std::vector<std::string>& args) { return RunProgram(BuiltProgram("pressmill"), args); }

// A 2x2 box filter of `image`.
Image Half(const Image& image) {
  Image half{image.width / 2, image.height / 2, {}};
  half.rgba.resize(static_cast<size_t>(half.width) * half.height * 4);
  for (int y = 0; y < half.height; ++y)
    for (int x = 0; x < half.width; ++x)
      for (int c = 0; c < 4; ++c)
        half.rgba[(static_cast<size_t>(y) * half.width + x) * 4 + c] =
            static_cast<uint8_t>((image.Texel(2 * x, 2 * y)[c] + image.Texel(2 * x + 1, 2 * y)[c] +
                                  image.Texel(2 * x, 2 * y + 1)[c] + image.Texel(2 * x + 1, 2 * y + 1)[c] + 2) /
                                 4);
  return half;
}

struct Difference {
  int max = 0;
  double mean = 0;
};

// `channels` 3 compares red, green and blue; 1 compares alpha.
Difference Compare(const Image& expected, const std::vector<uint8_t>& actual, int channels) {
  Difference d;
  double sum = 0;
  size_t count = 0;
  for (size_t i = 0; i < expected.rgba.size() && i < actual.size(); ++i) {
    const bool isAlpha = i % 4 == 3;
    if (isAlpha != (channels == 1)) continue;
    int diff = std::abs(expected.rgba[i] - actual[i]);
    d.max = std::max(d.max, diff);
    sum += diff;
    ++count;
  }
  d.mean = count ? sum / count : 0;
  return d;
}

// The texels of the level whose mipmap header stands at `offset`.
std::vector<uint8_t> DecodeLevel(const std::string& file, uint32_t offset, bool alpha, int& width, int& height) {
  const auto* p = reinterpret_cast<const uint8_t*>(file.data()) + offset;
  width = p[0] | (p[1] << 8);
  height = p[2] | (p[3] << 8);
  const size_t size = p[4] | (p[5] << 8) | (p[6] << 16);
  EXPECT_LE(offset + 7 + size, file.size());
  return DecodeDxt(p + 7, size, width, height, alpha);
}

uint32_t Pack(const uint8_t rgba[4]) {
  return static_cast<uint32_t>(rgba[3]) << 24 | static_cast<uint32_t>(rgba[0]) << 16 |
         static_cast<uint32_t>(rgba[1]) << 8 | rgba[2];
}

TEST(Pressmill, OpaquePngBecomesDxt1WithMipmaps) {
  TempTree tree;
  const Image image = Gradient(64, 48, false);
  WritePng(tree / "src/stone.png", image);
  ProgramResult result = Pressmill({(tree / "src/stone.png").string(), (tree / "out/stone.paa").string()});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out + result.err, "");
  const std::string file = tree.Read("out/stone.paa");

  CapturedMessages messages;
  ReadResult r = ReadHeaderOf(file, "out\\stone.paa");
  ASSERT_TRUE(r.ok);
  EXPECT_TRUE(messages.lines.empty()) << messages.Text();  // offsets present, no small levels
  EXPECT_EQ(r.header.format, PacDXT1);
  EXPECT_EQ(r.header.hasAlpha, 0);
  EXPECT_EQ(r.header.isTransparent, 0);
  EXPECT_EQ(r.header.hasMaxColor, 1);
  ASSERT_EQ(r.header.mipmapCount, 3);  // 64x48, 32x24, 16x12; 8x6 would be below 8
  EXPECT_EQ(r.header.mipmaps[2].width, 16);
  EXPECT_EQ(r.header.mipmaps[2].height, 12);

  // The tags are measured on the image.
  uint64_t sum[4] = {};
  uint8_t max[4] = {};
  for (size_t i = 0; i < image.rgba.size(); ++i) {
    sum[i % 4] += image.rgba[i];
    max[i % 4] = std::max(max[i % 4], image.rgba[i]);
  }
  uint8_t mean[4];
  const size_t texels = image.rgba.size() / 4;
  for (int c = 0; c < 4; ++c) mean[c] = static_cast<uint8_t>((sum[c] + texels / 2) / texels);
  EXPECT_EQ(r.header.averageColorPacked, Pack(mean));
  EXPECT_EQ(r.header.maxColorPacked, Pack(max));

  // Every level decodes to the image within the error of block compression; smaller levels
  // also differ by the resampling filter (sRGB-aware and wider than the box used here).
  Image expected = image;
  for (int level = 0; level < 3; ++level) {
    SCOPED_TRACE(level);
    int width = 0, height = 0;
    std::vector<uint8_t> decoded = DecodeLevel(file, r.header.mipmaps[level].offset, false, width, height);
    ASSERT_EQ(width, expected.width);
    ASSERT_EQ(height, expected.height);
    ASSERT_FALSE(decoded.empty());
    Difference d = Compare(expected, decoded, 3);
    EXPECT_LE(d.max, level == 0 ? 20 : 48);
    EXPECT_LE(d.mean, level == 0 ? 4.0 : 12.0);
    for (size_t i = 3; i < decoded.size(); i += 4) ASSERT_EQ(decoded[i], 255);
    expected = Half(expected);
  }
  // The list ends with the end marker after the last level.
  EXPECT_EQ(file.substr(file.size() - 4), std::string(4, '\0'));
}

TEST(Pressmill, TgaWithAlphaBecomesDxt5) {
  TempTree tree;
  const Image image = Gradient(32, 32, true);
  WriteTga(tree / "src/leaf_ca.tga", image);
  ProgramResult result = Pressmill({(tree / "src/leaf_ca.tga").string(), (tree / "leaf_ca.paa").string()});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const std::string file = tree.Read("leaf_ca.paa");
  ReadResult r = ReadHeaderOf(file);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.header.format, PacDXT5);
  EXPECT_EQ(r.header.hasAlpha, 1);
  EXPECT_EQ(r.header.isTransparent, 1);
  EXPECT_EQ(r.header.mipmapCount, 3);  // 32, 16, 8
  int width = 0, height = 0;
  std::vector<uint8_t> decoded = DecodeLevel(file, r.header.mipmaps[0].offset, true, width, height);
  ASSERT_EQ(decoded.size(), image.rgba.size());
  Difference alpha = Compare(image, decoded, 1);
  EXPECT_LE(alpha.max, 8);
  Difference color = Compare(image, decoded, 3);
  EXPECT_LE(color.mean, 6.0);
  // Fully transparent texels stay fully transparent.
  for (int y = 0; y < 32; ++y) EXPECT_EQ(decoded[(y * 32 + 0) * 4 + 3], 0);
}

TEST(Pressmill, EnginePathsAndOddSizes) {
  TempTree tree;
  WritePng(tree / "Data/Rock.PNG", Gradient(30, 10, false));
  std::string root = tree.Root().string();
  for (char& c : root)
    if (c == '/') c = '\\';
  // '\' separators, another letter case, a target folder that does not exist yet.
  ProgramResult result = Pressmill({root + "\\data\\rock.png", root + "\\Out\\Sub\\rock.paa"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  ReadResult r = ReadHeaderOf(tree.Read("Out/Sub/rock.paa"));
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.header.mipmapCount, 1);  // 15x5 would be below 8
  EXPECT_EQ(r.header.mipmaps[0].width, 30);
  int width = 0, height = 0;
  std::vector<uint8_t> decoded =
      DecodeLevel(tree.Read("Out/Sub/rock.paa"), r.header.mipmaps[0].offset, false, width, height);
  EXPECT_LE(Compare(Gradient(30, 10, false), decoded, 3).mean, 6.0);
}

TEST(Pressmill, OtherFilesAreCopied) {
  TempTree tree;
  std::string bytes;
  for (int i = 0; i < 100000; ++i) bytes += static_cast<char>(i * 31 % 251);
  tree.Write("tex/ready.paa", bytes);
  tree.Write("tex/plain.tga", "not decoded when the target is no texture");
  ProgramResult copy = Pressmill({(tree / "tex/ready.paa").string(), (tree / "copy/ready.paa").string()});
  ASSERT_EQ(copy.exitCode, 0) << copy.err;
  EXPECT_EQ(tree.Read("copy/ready.paa"), bytes);
  copy = Pressmill({(tree / "tex/plain.tga").string(), (tree / "copy/plain.tga").string()});
  ASSERT_EQ(copy.exitCode, 0) << copy.err;
  EXPECT_EQ(tree.Read("copy/plain.tga"), "not decoded when the target is no texture");
  // Nothing but the copies is left in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tree / "copy"), {}), 2);
}

TEST(Pressmill, BadInputFailsWithAMessage) {
  TempTree tree;
  tree.Write("bad.png", "\x89PNG\r\n\x1a\n but nothing after the signature");
  tree.Write("garbage.tga", std::string("\x01\x02\x03", 3));
  tree.Write("old.paa", "previous contents");
  WritePng(tree / "thin.png", Image{1, 2, std::vector<uint8_t>(8, 200)});

  struct Case {
    std::string source;
    std::string message;
  };
  for (const Case& c : {Case{"bad.png", "cannot decode the image"}, Case{"garbage.tga", "cannot decode the image"},
                        Case{"thin.png", "the image is 1x2"}, Case{"missing.png", "cannot open"},
                        Case{"missing.bin", "cannot open the source"}}) {
    SCOPED_TRACE(c.source);
    ProgramResult result = Pressmill({(tree / c.source).string(), (tree / "old.paa").string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("pressmill: "), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    EXPECT_EQ(tree.Read("old.paa"), "previous contents");
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tree.Root()), {}), 4);

  ProgramResult usage = Pressmill({"only-one"});
  EXPECT_EQ(usage.exitCode, 2);
  EXPECT_NE(usage.err.find("usage: pressmill SOURCE TARGET"), std::string::npos);
}

TEST(Pressmill, LargeImagesAreRefusedBeforeDecoding) {
  // A PNG that announces 5000 texels in a row is refused on its size alone.
  TempTree tree;
  WritePng(tree / "wide.png", Image{5000, 2, std::vector<uint8_t>(5000 * 2 * 4, 7)});
  ProgramResult result = Pressmill({(tree / "wide.png").string(), (tree / "wide.paa").string()});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("the image is 5000x2"), std::string::npos) << result.err;
  EXPECT_FALSE(tree.Exists("wide.paa"));
}

}  // namespace
