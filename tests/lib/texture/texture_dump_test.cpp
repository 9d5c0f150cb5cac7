// The explanation of texture files and "texHeaders.bin" for the companion tool, as text
// and as JSON.
#include "lib/texture/texture_dump.h"

#include <gtest/gtest.h>

#include <cctype>

#include "el/qstream/qo_stream.h"
#include "el/qstream/serialize_bin_stream.h"
#include "lib/texture/texture_headers_file.h"
#include "tests/lib/texture/texture_test_support.h"
#include "tests/support/captured_messages.h"
#include "tests/support/temp_tree.h"

namespace {

using namespace textest;

// A strict check of JSON syntax (RFC 8259), enough to know the dump parses.
class JsonChecker {
 public:
  explicit JsonChecker(const std::string& text) : s_(text) {}
  bool Valid() {
    Space();
    if (!Value()) return false;
    Space();
    return i_ == s_.size();
  }

 private:
  void Space() {
    while (i_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[i_]))) ++i_;
  }
  bool Literal(const char* word) {
    size_t n = std::strlen(word);
    if (s_.compare(i_, n, word) != 0) return false;
    i_ += n;
    return true;
  }
  bool String() {
    if (s_[i_] != '"') return false;
    for (++i_; i_ < s_.size(); ++i_) {
      unsigned char c = static_cast<unsigned char>(s_[i_]);
      if (c == '"') {
        ++i_;
        return true;
      }
      if (c < 0x20) return false;
      if (c == '\\') {
        ++i_;
        if (i_ >= s_.size() || !std::strchr("\"\\/bfnrtu", s_[i_])) return false;
      }
    }
    return false;
  }
  bool Number() {
    size_t start = i_;
    if (s_[i_] == '-') ++i_;
    while (i_ < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[i_])) || std::strchr(".eE+-", s_[i_]))) ++i_;
    return i_ > start;
  }
  bool Value() {
    if (i_ >= s_.size()) return false;
    char c = s_[i_];
    if (c == '{') return Container('}', true);
    if (c == '[') return Container(']', false);
    if (c == '"') return String();
    if (c == 't') return Literal("true");
    if (c == 'f') return Literal("false");
    if (c == 'n') return Literal("null");
    return Number();
  }
  bool Container(char close, bool object) {
    ++i_;
    Space();
    if (i_ < s_.size() && s_[i_] == close) {
      ++i_;
      return true;
    }
    for (;;) {
      Space();
      if (object) {
        if (i_ >= s_.size() || !String()) return false;
        Space();
        if (i_ >= s_.size() || s_[i_++] != ':') return false;
        Space();
      }
      if (!Value()) return false;
      Space();
      if (i_ >= s_.size()) return false;
      if (s_[i_] == ',') {
        ++i_;
        continue;
      }
      if (s_[i_] == close) {
        ++i_;
        return true;
      }
      return false;
    }
  }
  const std::string& s_;
  size_t i_ = 0;
};

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(TextureDump, TextureAsTextAndJson) {
  TempTree tree;
  PacFileRecipe recipe = Recipe(PacDXT5, HalvingLevels(64, 32, 8));
  recipe.averageColor = 0x80402010;
  recipe.flags = 1;
  recipe.extraTags = {{.name = "ZZZZ", .payload = "\"quoted\\"}};
  BuiltPacFile file = BuildPacFile(recipe);
  tree.Write("t.paa", file.bytes);
  const std::string path = (tree / "t.paa").string();

  std::string text;
  ASSERT_TRUE(DumpTextureFile(path, false, text));
  EXPECT_TRUE(Contains(text, "format: DXT5\n")) << text;
  EXPECT_TRUE(Contains(text, "mipmapCount: 3\n")) << text;
  EXPECT_TRUE(Contains(text, "averageColor: 0x80402010\n")) << text;
  EXPECT_TRUE(Contains(text, "offset: " + std::to_string(file.levelOffsets[1]) + "\n")) << text;

  std::string json;
  CapturedMessages messages;
  ASSERT_TRUE(DumpTextureFile(path, true, json));
  EXPECT_TRUE(messages.lines.empty());  // nothing printed, even by the reader
  EXPECT_TRUE(JsonChecker(json).Valid()) << json;
  for (const std::string& part : std::vector<std::string>{
           "\"kind\": \"texture\"", "\"format\": \"DXT5\"", "\"formatValue\": 10", "\"formatWord\": \"0xFF05\"",
           "\"width\": 64", "\"height\": 32", "\"hasAlpha\": true", "\"hasDarkAlpha\": false", "\"name\": \"ZZZZ\"",
           "\"name\": \"SFFO\"", "\"dataSize\": 512", "\"endOffset\": " + std::to_string(file.bytes.size() - 4),
           "\"messages\": []"})
    EXPECT_TRUE(Contains(json, part)) << part << "\n" << json;
}

TEST(TextureDump, TextureWithoutOffsetsAndBrokenTexture) {
  TempTree tree;
  const PacFileRecipe recipe = Recipe(PacARGB8888, {{.width = 8, .height = 8}, {.width = 1, .height = 1}}, false);
  tree.Write("x.pac", BuildPacFile(recipe).bytes);
  std::string json;
  EXPECT_FALSE(DumpTextureFile((tree / "x.pac").string(), true, json));
  EXPECT_TRUE(JsonChecker(json).Valid()) << json;
  EXPECT_TRUE(Contains(json, "\"readable\": false"));
  EXPECT_TRUE(Contains(json, "No offsets for texture")) << json;
  EXPECT_TRUE(Contains(json, "Extreme texture size (1x1)")) << json;
  EXPECT_TRUE(Contains(json, "\"error\": ")) << json;

  tree.Write("cut.paa", BuildPacFile(recipe).bytes.substr(0, 40));
  EXPECT_FALSE(DumpTextureFile((tree / "cut.paa").string(), true, json));
  EXPECT_TRUE(JsonChecker(json).Valid()) << json;
}

TEST(TextureDump, HeadersFile) {
  TempTree tree;
  AutoArray<TextureHeader> headers(2);
  headers[0].name = "data\\a \"quoted\".paa";
  headers[0].format = PacDXT1;
  headers[0].mipmapCount = 1;
  headers[0].mipmaps = {PacMipmapRecord{.width = 16, .height = 8, .format = PacDXT1, .offset = 90}};
  headers[0].fileSize = 300;
  headers[1].name = "data\\b.pac";
  headers[1].palette = {0x123456};
  QOStrStream out;
  SerializeBinStream f(&out);
  ASSERT_TRUE(TransferTextureHeadersFile(f, headers));
  tree.Write("texHeaders.bin", out.Str());

  std::string json;
  ASSERT_TRUE(DumpTextureFile((tree / "texHeaders.bin").string(), true, json));
  EXPECT_TRUE(JsonChecker(json).Valid()) << json;
  for (const std::string& part : std::vector<std::string>{
           "\"kind\": \"texHeaders\"", "\"count\": 2", "\"version\": 1", "\"name\": \"data\\\\a \\\"quoted\\\".paa\"",
           "\"fileSize\": 300", "\"palette\": [\n", "\"0x00123456\"", "\"offset\": 90"})
    EXPECT_TRUE(Contains(json, part)) << part << "\n" << json;

  std::string text;
  ASSERT_TRUE(DumpTextureFile((tree / "texHeaders.bin").string(), false, text));
  EXPECT_TRUE(Contains(text, "name: data\\b.pac\n")) << text;

  // A cut file lists what it could read and fails.
  tree.Write("texHeaders.bin", out.Str().substr(0, out.Str().size() - 3));
  EXPECT_FALSE(DumpTextureFile((tree / "texHeaders.bin").string(), true, json));
  EXPECT_TRUE(JsonChecker(json).Valid()) << json;
  EXPECT_TRUE(Contains(json, "\"error\": \"invalid file structure")) << json;
}

TEST(TextureDump, OtherFiles) {
  TempTree tree;
  tree.Write("notes.txt", "hello");
  std::string out;
  EXPECT_FALSE(DumpTextureFile((tree / "notes.txt").string(), true, out));
  EXPECT_TRUE(JsonChecker(out).Valid()) << out;
  EXPECT_FALSE(DumpTextureFile((tree / "missing.paa").string(), false, out));
  EXPECT_TRUE(Contains(out, "error: cannot open the file")) << out;
}

}  // namespace
