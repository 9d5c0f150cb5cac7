// Seeds of the configuration fuzz targets: generated text configurations (as the
// preprocessor's input and as its output) and their binary forms, plus older binary
// versions written byte by byte.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "el/appframe/app_frame.h"
#include "el/paramfile/param_file.h"
#include "el/qstream/qi_preprocessed_stream.h"
#include "fuzz/seeds/seed_registry.h"

namespace {

void RequireValid(bool valid, const std::string& what) {
  if (valid) return;
  std::fprintf(stderr, "seed does not load back: %s\n", what.c_str());
  std::abort();
}

// Text configurations that use every statement form; the first ones use preprocessor
// directives, the rest are plain.
std::vector<std::string> SampleTexts() {
  std::vector<std::string> texts;
  texts.push_back(
      "#define SPEED(x) maxSpeed = x;\n"
      "#define NAME(n) displayName = #n;\n"
      "// vehicles\n"
      "class CfgVehicles\n{\n"
      "  class Base { scope = 0; SPEED(10) NAME(base) };\n"
      "  class Car: Base { scope = 2; SPEED(120) wheels[] = {1, 2, 3, 4}; };\n"
      "  /* block\n comment */\n"
      "#ifdef NOT_DEFINED\n  hidden = 1;\n#else\n  shown = 1;\n#endif\n"
      "};\n");
  texts.push_back(
      "enum { Zero, Ten = 10, Eleven };\n"
      "__EXEC(half = Ten / 2);\n"
      "value = __EVAL(half * 3);\n"
      "expression = @\"Eleven + 1\";\n"
      "big = 5000000000;\n"
      "hex = 0xFF;\n"
      "level = db-6;\n"
      "text = \"a \"\"quoted\"\" word\" \\n \"next line\";\n"
      "plain = some words here;\n"
      "list[] = {1, 2.5, \"s\", {3, {4}}, @\"Ten\", __EVAL(Zero + 1)};\n"
      "class Base { arr[] = {1, 2}; access = 1; };\n"
      "class Derived: Base { arr[] += {3}; other[] -= {4}; class Inner {}; };\n"
      "class Declared;\n"
      "delete Removed;\n");
  std::string wide = "class Wide\n{\n";
  for (int i = 0; i < 200; ++i) wide += "  entry" + std::to_string(i) + " = " + std::to_string(i * 7) + ";\n";
  wide += "  class Nested { class Deeper { class Deepest { x = 1; }; }; };\n};\n";
  texts.push_back(wide);
  texts.push_back("#line 1 \"folder\\inc.hpp\"\nclass A { b = 1; };\n#line 5 \"config.cpp\"\nc[] = {\n#line 9 \"x.hpp\"\n1};\n");
  texts.push_back("a = 1\nb = \"x\" c = 2;\nlist[] = {1; 2\n, 3};\nclass M { x = 1 };\n");
  return texts;
}

// The sample tree of the binary tests in version 4 (names through a table built while
// reading) and version 7 (a string table at an offset).
std::string OldVersion4() {
  std::string b;
  auto u8 = [&](int v) { b.push_back(static_cast<char>(v)); };
  auto i32 = [&](int v) {
    for (int i = 0; i < 4; ++i) u8((static_cast<unsigned>(v) >> (8 * i)) & 0xFF);
  };
  auto str = [&](const char* s) {
    b += s;
    u8(0);
  };
  u8(0), u8('r'), u8('a'), u8('P'), i32(4);
  u8(0), str(""), str(""), u8(2);                    // root: name, base, 2 entries
  u8(0), u8(1), str("Base"), str(""), u8(1);         // class Base
  u8(1), u8(2), u8(2), str("n"), i32(1);             //   n = 1
  u8(0), u8(3), str("Cfg"), str("Base"), u8(2);      // class Cfg: Base
  u8(1), u8(0), u8(4), str("s"), u8(5), str("t");    //   s = "t"
  u8(2), u8(6), str("list"), u8(2), u8(2), i32(2), u8(0), u8(5);  // list[] = {2, "t"}
  return b;
}

std::string OldVersion7() {
  std::string b;
  auto u8 = [&](int v) { b.push_back(static_cast<char>(v)); };
  auto i32 = [&](int v) {
    for (int i = 0; i < 4; ++i) u8((static_cast<unsigned>(v) >> (8 * i)) & 0xFF);
  };
  auto patch = [&](size_t at, int v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((static_cast<unsigned>(v) >> (8 * i)) & 0xFF);
  };
  u8(0), u8('r'), u8('a'), u8('P'), i32(7), i32(0), i32(0);
  u8(0), u8(1), u8(0), u8(1);  // root: base "", 1 entry: class "A"
  size_t slot = b.size();
  i32(0);
  size_t rootEnd = b.size();
  i32(0);
  size_t body = b.size();
  u8(0), u8(1), u8(1), u8(2), u8(2), i32(5);  // A: x = 5
  size_t bodyEnd = b.size();
  i32(0);
  size_t strings = b.size();
  i32(3);
  for (const char* s : {"", "A", "x"}) b += s, u8(0);
  size_t enums = b.size();
  i32(1), b += "K", u8(0), i32(3);
  patch(8, static_cast<int>(strings)), patch(12, static_cast<int>(enums)), patch(slot, static_cast<int>(body));
  patch(rootEnd, static_cast<int>(strings)), patch(bodyEnd, static_cast<int>(strings));
  return b;
}

struct Silence : AppFrameFunctions {
  Silence() { SetAppFrameFunctions(this); }
  ~Silence() override { SetAppFrameFunctions(nullptr); }
  void LogLine(const char*, va_list) override {}
  void ErrorLine(const char*, va_list) override {}
};

int WriteTextSeeds(const std::filesystem::path& folder) {
  Silence quiet;
  int written = 0;
  int index = 0;
  for (const std::string& text : SampleTexts()) {
    bool usesDirectives = text.find("#define") != std::string::npos || text.find("//") != std::string::npos;
    if (!usesDirectives) {
      ParamFile file("config.cpp");
      QIPreprocessedStream in(text.data(), static_cast<QFileSize>(text.size()), "config.cpp");
      RequireValid(file.Parse(in) == 0, "text " + std::to_string(index));
      written += WriteSeed(folder, "plain_" + std::to_string(index), std::string(1, '\0') + text);
    }
    written += WriteSeed(folder, "preprocessed_" + std::to_string(index), std::string(1, '\1') + text);
    ++index;
  }
  return written;
}

int WriteBinarySeeds(const std::filesystem::path& folder) {
  Silence quiet;
  int written = 0;
  int index = 0;
  for (const std::string& text : SampleTexts()) {
    if (text.find("#define") != std::string::npos) continue;
    ParamFile file("config.cpp");
    QIPreprocessedStream in(text.data(), static_cast<QFileSize>(text.size()), "config.cpp");
    RequireValid(file.Parse(in) == 0, "text " + std::to_string(index));
    QOStrStream out;
    RequireValid(file.SaveBin(out), "save " + std::to_string(index));
    for (char mode : {'\0', '\1'})
      written += WriteSeed(folder, "v8_" + std::to_string(index) + "_" + std::to_string(mode), mode + out.Str());
    ++index;
  }
  for (const auto& [name, bytes] : {std::pair<std::string, std::string>{"v4", OldVersion4()}, {"v7", OldVersion7()}}) {
    ParamFile file;
    QIStrStream in(bytes.data(), static_cast<QFileSize>(bytes.size()));
    RequireValid(file.LoadBin(in) == 0, name);
    for (char mode : {'\0', '\1'}) written += WriteSeed(folder, name + "_" + std::to_string(mode), mode + bytes);
  }
  return written;
}

SeedRegistration textSeeds("paramfile_text", WriteTextSeeds);
SeedRegistration binarySeeds("paramfile_binary", WriteBinarySeeds);

}  // namespace
