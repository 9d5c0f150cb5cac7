// build/pressmill end to end: images become ".paa" textures in the format the rule table
// gives their names that decode back to the image, sides of 1 to 8192 are taken, other
// files are copied, bad input fails with a message.
#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <cmath>
#include <cstring>

#include <fstream>

#include "lib/texture/pressmill/pressmill_run.h"
#include "lib/texture/texture_decoder.h"
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

ProgramResult Pressmill(const std::vector<std::string>& args, const std::vector<std::string>& environment = {}) {
  return RunProgram(BuiltProgram("pressmill"), args, {.environment = environment});
}

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

// The texels of level `level` of a texture file, through the decoder behind paa2png.
std::vector<uint8_t> DecodeLevel(const std::string& file, int level, int& width, int& height) {
  DecodedTexture texture;
  std::string error;
  EXPECT_TRUE(DecodeTextureLevel(file, true, level, texture, error)) << error;
  width = texture.image.width;
  height = texture.image.height;
  return texture.image.pixels;
}

uint32_t Pack(const uint8_t rgba[4]) {
  return static_cast<uint32_t>(rgba[3]) << 24 | static_cast<uint32_t>(rgba[0]) << 16 |
         static_cast<uint32_t>(rgba[1]) << 8 | rgba[2];
}

TEST(Pressmill, OpaquePngBecomesDxt1WithMipmaps) {
  TempTree tree;
  const Image image = Gradient(64, 32, false);
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
  ASSERT_EQ(r.header.mipmapCount, 3);  // 64x32, 32x16, 16x8; 8x4 would be below 8
  EXPECT_EQ(r.header.mipmaps[2].width, 16);
  EXPECT_EQ(r.header.mipmaps[2].height, 8);

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
    std::vector<uint8_t> decoded = DecodeLevel(file, level, width, height);
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
  std::vector<uint8_t> decoded = DecodeLevel(file, 0, width, height);
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
  WritePng(tree / "Data/Rock.PNG", Gradient(32, 8, false));
  std::string root = tree.Root().string();
  for (char& c : root)
    if (c == '/') c = '\\';
  // '\' separators, another letter case, a target folder that does not exist yet.
  ProgramResult result = Pressmill({root + "\\data\\rock.png", root + "\\Out\\Sub\\rock.paa"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  ReadResult r = ReadHeaderOf(tree.Read("Out/Sub/rock.paa"));
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.header.mipmapCount, 1);  // 16x4 would be below 8
  EXPECT_EQ(r.header.mipmaps[0].width, 32);
  int width = 0, height = 0;
  std::vector<uint8_t> decoded = DecodeLevel(tree.Read("Out/Sub/rock.paa"), 0, width, height);
  EXPECT_LE(Compare(Gradient(32, 8, false), decoded, 3).mean, 6.0);
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
  WritePng(tree / "odd.png", Image{30, 8, std::vector<uint8_t>(30 * 8 * 4, 200)});

  struct Case {
    std::string source;
    std::string message;
  };
  for (const Case& c : {Case{"bad.png", "cannot decode the image"}, Case{"garbage.tga", "cannot decode the image"},
                        Case{"odd.png", "odd.png -> " + (tree / "old.paa").string() +
                                 ": the image is 30x8, a texture side must be a power of two from 1 to 8192"}, Case{"missing.png", "cannot open"},
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
  EXPECT_NE(usage.err.find("usage: pressmill [-rules=FILE] SOURCE TARGET"), std::string::npos);
  EXPECT_NE(usage.err.find("*_nohq     DXT5    linear"), std::string::npos) << usage.err;
}

TEST(Pressmill, ImagesThatAreTooLargeOrOddAreRefusedBeforeDecoding) {
  // Sizes are checked on the image's header alone: no absurd image is ever decoded.
  TempTree tree;
  WritePng(tree / "wide.png", Image{5000, 2, std::vector<uint8_t>(5000 * 2 * 4, 7)});
  WritePng(tree / "huge.png", Image{16384, 1, std::vector<uint8_t>(16384 * 4, 7)});
  for (const char* name : {"wide", "huge"}) {
    ProgramResult result = Pressmill({(tree / (std::string(name) + ".png")).string(), (tree / "x.paa").string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find(std::string(name) == "wide" ? "the image is 5000x2" : "the image is 16384x1"),
              std::string::npos)
        << result.err;
  }
  EXPECT_FALSE(tree.Exists("x.paa"));
}

// Writes `rules` to a file in `tree` and returns the option that names it.
std::string RulesOption(TempTree& tree, const std::string& rules) {
  return "-rules=" + tree.Write("pressmill.rules", rules).string();
}

TEST(Pressmill, EveryFormatRoundTripsThroughARulesFile) {
  struct Case {
    const char* format;
    int value;
    int colorMax, alphaMax;
    double colorMean;
    int levels;  // 64x64 down to 8x8 for DXT, to 1x1 uncompressed
  };
  const Case cases[] = {
      {"DXT1", PacDXT1, 20, 0, 4.0, 4},   {"DXT5", PacDXT5, 20, 8, 4.0, 4},   {"8888", PacARGB8888, 0, 0, 0, 7},
      {"4444", PacARGB4444, 8, 8, 4.5, 7}, {"1555", PacARGB1555, 4, 0, 2.1, 7}, {"88", PacAI88, 0, 0, 0, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    TempTree tree;
    Image image = Gradient(64, 64, c.value != PacDXT1 && c.value != PacARGB1555);
    for (size_t i = 0; c.value == PacAI88 && i < image.rgba.size(); i += 4)
      image.rgba[i + 1] = image.rgba[i + 2] = image.rgba[i];  // one intensity
    for (size_t i = 3; c.value == PacARGB1555 && i < image.rgba.size(); i += 4)
      image.rgba[i] = (i / 4) % 3 ? 255 : 0;  // one bit of alpha
    WritePng(tree / "img.png", image);
    ProgramResult result = Pressmill(
        {RulesOption(tree, std::string("*  ") + c.format + "\n"), (tree / "img.png").string(), (tree / "img.paa").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string file = tree.Read("img.paa");
    ReadResult r = ReadHeaderOf(file);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.header.format, c.value);
    ASSERT_EQ(r.header.mipmapCount, c.levels);
    for (int level = 0; level < c.levels; ++level) {
      EXPECT_EQ(r.header.mipmaps[level].width, 64 >> level);
      EXPECT_EQ(r.header.mipmaps[level].height, 64 >> level);
    }
    int width = 0, height = 0;
    const std::vector<uint8_t> decoded = DecodeLevel(file, 0, width, height);
    ASSERT_EQ(decoded.size(), image.rgba.size());
    const Difference color = Compare(image, decoded, 3);
    EXPECT_LE(color.max, c.colorMax);
    EXPECT_LE(color.mean, c.colorMean);
    EXPECT_LE(Compare(image, decoded, 1).max, c.alphaMax);
    // The last level is there to decode.
    EXPECT_FALSE(DecodeLevel(file, c.levels - 1, width, height).empty());
  }
}

TEST(Pressmill, DefaultRulesAndReplacedOnes) {
  TempTree tree;
  const Image image = Gradient(16, 16, false);
  for (const char* name : {"wall_co", "wall_nohq", "camo_mask", "leaf_ca", "other"}) WritePng(tree / (std::string(name) + ".png"), image);
  auto formatOf = [&](const std::string& name, const std::vector<std::string>& options = {},
                      const std::vector<std::string>& environment = {}) {
    std::vector<std::string> args = options;
    args.push_back((tree / (name + ".png")).string());
    args.push_back((tree / "out" / (name + ".paa")).string());
    ProgramResult result = Pressmill(args, environment);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    ReadResult r = ReadHeaderOf(tree.Read("out/" + name + ".paa"));
    EXPECT_TRUE(r.ok);
    return r.header.format;
  };
  EXPECT_EQ(formatOf("wall_co"), PacDXT1);
  EXPECT_EQ(formatOf("wall_nohq"), PacDXT5);
  EXPECT_EQ(formatOf("camo_mask"), PacARGB8888);
  EXPECT_EQ(formatOf("leaf_ca"), PacDXT5);
  EXPECT_EQ(formatOf("other"), PacDXT1);

  // A rules file replaces the whole table; from the option or the environment variable,
  // the option first.
  const std::string option = RulesOption(tree, "*_co 4444\n*_mask DXT1\n");
  const std::string variable = std::string(kTextureRulesVariable) + "=" + tree.Write("env.rules", "* 1555\n").string();
  EXPECT_EQ(formatOf("wall_co", {option}), PacARGB4444);
  EXPECT_EQ(formatOf("camo_mask", {option}), PacDXT1);
  EXPECT_EQ(formatOf("wall_nohq", {option}), PacDXT1);  // no line matches: by alpha
  EXPECT_EQ(formatOf("wall_nohq", {}, {variable}), PacARGB1555);
  EXPECT_EQ(formatOf("wall_co", {option}, {variable}), PacARGB4444);

  // A bad rules file stops the conversion with its name and line.
  ProgramResult bad = Pressmill({RulesOption(tree, "*_co DXT9\n"), (tree / "wall_co.png").string(),
                                 (tree / "bad.paa").string()});
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_NE(bad.err.find("pressmill.rules line 1: unknown format DXT9"), std::string::npos) << bad.err;
  bad = Pressmill({"-rules=" + (tree / "missing.rules").string(), (tree / "wall_co.png").string(),
                   (tree / "bad.paa").string()});
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_NE(bad.err.find("cannot read the rules file"), std::string::npos) << bad.err;
  EXPECT_FALSE(tree.Exists("bad.paa"));
}

TEST(Pressmill, DataMapsAreFilteredWithoutGamma) {
  // Black and white texels: their plain mean is 128, their mean in linear light is about
  // 188 once stored back in sRGB.
  TempTree tree;
  Image checker{2, 2, {0, 0, 0, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0, 0, 0, 255}};
  WritePng(tree / "a_map.png", checker);
  WritePng(tree / "a_colour.png", checker);
  const std::string rules = RulesOption(tree, "*_map 8888 linear\n* 8888\n");
  for (const char* name : {"a_map", "a_colour"}) {
    ProgramResult result = Pressmill({rules, (tree / (std::string(name) + ".png")).string(), (tree / (std::string(name) + ".paa")).string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
  }
  int width = 0, height = 0;
  const std::vector<uint8_t> map = DecodeLevel(tree.Read("a_map.paa"), 1, width, height);
  ASSERT_EQ(width, 1);
  ASSERT_EQ(map.size(), 4u);
  EXPECT_NEAR(map[0], 128, 2);
  const std::vector<uint8_t> colour = DecodeLevel(tree.Read("a_colour.paa"), 1, width, height);
  ASSERT_EQ(colour.size(), 4u);
  EXPECT_NEAR(colour[0], 188, 3);
}

TEST(Pressmill, SidesOfOneAreStoredAsTwo) {
  // The engine reads no side below 2: a side of 1 is stored twice, which samples the same.
  struct Case {
    int width, height;
    const char* rules;
    int format;
    int levels;
  };
  const Case cases[] = {
      {1, 1, "* auto\n", PacDXT1, 1},      // 2x2 and no smaller DXT level
      {2, 1, "* auto\n", PacDXT1, 1},      //
      {1, 1, "* 8888\n", PacARGB8888, 2},  // 2x2 and 1x1
      {1, 4, "* 4444\n", PacARGB4444, 2},  // 2x4 and 1x2
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " " + c.rules);
    TempTree tree;
    Image image{c.width, c.height, {}};
    for (int i = 0; i < c.width * c.height; ++i)
      image.rgba.insert(image.rgba.end(), {static_cast<uint8_t>(40 + 80 * i), 160, 200, 255});
    WriteTga(tree / "glyph.tga", image);
    ProgramResult result =
        Pressmill({RulesOption(tree, c.rules), (tree / "glyph.tga").string(), (tree / "glyph.paa").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out + result.err, "");
    const std::string file = tree.Read("glyph.paa");
    ReadResult r = ReadHeaderOf(file);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.header.format, c.format);
    EXPECT_EQ(r.header.mipmapCount, c.levels);
    const int width = std::max(c.width, 2), height = std::max(c.height, 2);
    EXPECT_EQ(r.header.mipmaps[0].width, width);
    EXPECT_EQ(r.header.mipmaps[0].height, height);
    int w = 0, h = 0;
    const std::vector<uint8_t> decoded = DecodeLevel(file, 0, w, h);
    ASSERT_EQ(decoded.size(), static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        for (int k = 0; k < 3; ++k)
          EXPECT_NEAR(decoded[(y * width + x) * 4 + k], image.Texel(x % c.width, y % c.height)[k], 8);
  }
}

// A TGA of one colour written with run-length packets, without the image in memory.
void WriteFlatTga(const std::filesystem::path& path, int width, int height, const uint8_t bgra[4]) {
  std::string bytes(18, '\0');
  bytes[2] = 10;  // run-length true colour
  bytes[12] = static_cast<char>(width & 0xFF);
  bytes[13] = static_cast<char>(width >> 8);
  bytes[14] = static_cast<char>(height & 0xFF);
  bytes[15] = static_cast<char>(height >> 8);
  bytes[16] = 32;
  bytes[17] = 8 | 0x20;
  const std::string packet = std::string(1, '\xFF') + std::string(reinterpret_cast<const char*>(bgra), 4);
  const size_t packets = static_cast<size_t>(width) * height / 128;
  bytes.reserve(bytes.size() + packets * packet.size());
  for (size_t i = 0; i < packets; ++i) bytes += packet;
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TEST(Pressmill, ImagesOf8192AreStoredFromTheLargestLevelATextureHolds) {
  // One flat image: what is checked is the chain, not the compressor.
  TempTree tree;
  const uint8_t bgra[4] = {30, 120, 200, 255};
  WriteFlatTga(tree / "big_co.tga", 8192, 8192, bgra);
  ProgramResult result = Pressmill({(tree / "big_co.tga").string(), (tree / "big_co.paa").string()});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "pressmill: " + (tree / "big_co.tga").string() +
                            ": the 8192x8192 image is stored from its 4096x4096 level, the largest DXT1 level a "
                            "texture holds\n");
  const std::string file = tree.Read("big_co.paa");
  ReadResult r = ReadHeaderOf(file);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.header.format, PacDXT1);
  ASSERT_EQ(r.header.mipmapCount, 10);  // 4096 down to 8
  EXPECT_EQ(r.header.mipmaps[0].width, 4096);
  EXPECT_EQ(r.header.mipmaps[9].width, 8);
  EXPECT_EQ(r.header.averageColorPacked, 0xFFC8781Eu);
  int width = 0, height = 0;
  const std::vector<uint8_t> last = DecodeLevel(file, 9, width, height);
  ASSERT_EQ(last.size(), 8u * 8 * 4);
  EXPECT_NEAR(last[0], 200, 4);
  EXPECT_NEAR(last[1], 120, 4);
  EXPECT_NEAR(last[2], 30, 4);

  // A long thin image goes below the DXT chain's smallest side to reach a level that fits.
  WriteFlatTga(tree / "strip_co.tga", 8192, 8, bgra);
  result = Pressmill({(tree / "strip_co.tga").string(), (tree / "strip_co.paa").string()});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.out.find("the 8192x8 image is stored from its 4096x4 level"), std::string::npos) << result.out;
  CapturedMessages messages;  // the reader warns about a DXT level of 4 texels
  r = ReadHeaderOf(tree.Read("strip_co.paa"));
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.header.mipmapCount, 1);
  EXPECT_EQ(r.header.mipmaps[0].width, 4096);
  EXPECT_EQ(r.header.mipmaps[0].height, 4);
}

}  // namespace
