// Seeds of the preprocessor fuzz target: configuration texts of the kinds addons hold.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "el/appframe/app_frame.h"
#include "el/preproc/preproc.h"
#include "fuzz/preproc/preproc_fuzz_input.h"
#include "fuzz/seeds/seed_registry.h"

namespace {

// Keeps the expected failure of the self-including seed off the console.
class QuietMessages : public AppFrameFunctions {
 public:
  QuietMessages() { SetAppFrameFunctions(this); }
  ~QuietMessages() override { SetAppFrameFunctions(nullptr); }
  void LogLine(const char*, va_list) override {}
  void ErrorLine(const char*, va_list) override {}
};

std::vector<PreprocFuzzInput> SampleInputs() {
  std::vector<PreprocFuzzInput> inputs;
  inputs.push_back(
      {"class CfgPatches\n{\n\tclass house_addon\n\t{\n\t\tunits[] = {\"House\"};\n"
       "\t\trequiredVersion = 0.1;\n\t};\n};\n",
       "", false});
  inputs.push_back(
      {"#define QUOTE(x) #x\n#define PATH(f) QUOTE(\\data\\f.paa)\n#define CAT(a,b) a##b\n"
       "class CfgVehicles\n{\n  class CAT(car,_base) { texture = PATH(car_co); };\n"
       "  /* several\n     lines */\n  speed = __LINE__; // comment\n};\n",
       "", false});
  inputs.push_back(
      {"#include \"inc.h\"\n#ifdef FUZZ\nclass A { value = SIZE; };\n#else\nclass B {};\n#endif\n"
       "#ifndef SIZE\n#define SIZE 2\n#endif\n#undef SIZE\nend = __FILE__;\n",
       "#define SIZE 10 \\\n  * 2\n  #define F(a, b) {a, b}\narr[] = F(f(1,2), \"x,y\");\r\n", true});
  inputs.push_back(
      {"#define A(x) x x\n#define B(x) A(A(x))\nB(1)\n#include \"inc.h\"\n", "#include \"inc.h\"\n", true});
  // Token pasting beside blanks, as proxy classes are written.
  inputs.push_back(
      {"#define PROXY(weapon) class ##weapon; class my_##weapon: ##weapon { reload = 0.5; }\n"
       "#define PAIR(a, b) PROXY(a) class b ## _x: a##b {};\nPROXY(HMG_Static);\nPAIR(Gun, Cannon);\n",
       "", false});
  // Conditional expressions, defined, __has_include and pragmas.
  inputs.push_back(
      {"#pragma once\n#define VERSION 0x0105\n#define TWICE(x) ((x) * 2)\n"
       "#if VERSION >= 0x0100 && defined(TWICE) && !defined UNKNOWN\nclass A {};\n"
       "#elif (TWICE(3) << 2) % 5 == 4 ? -1 : ~0\nclass B {};\n#else\nclass C {};\n#endif\n"
       "#if __has_include(\"inc.h\") || __has_include(<\\other\\missing.h>)\n#include \"INC.H\"\n#endif\n"
       "#ifdef NO\n#if 1 / 0\n#pragma warning(disable: 1) \\\n  continued\n#endif\n#endif\n",
       "#if 010 != 8 || 1 ? 0 : 1 / 0\nwrong = 1;\n#endif\nvalue = TWICE(VERSION);\n", true});
  return inputs;
}

int WritePreprocSeeds(const std::filesystem::path& folder) {
  QuietMessages quiet;
  int written = 0;
  int index = 0;
  for (const PreprocFuzzInput& input : SampleInputs()) {
    // A seed that does not preprocess is a defect of the seed or of the preprocessor,
    // except for the one that includes itself without end.
    MemoryFileBank bank;
    input.AddTo(bank);
    QOStrStream out;
    bool ok = CPreprocessorFunctions::Preprocess(out, bank, "main.cpp");
    if (!ok && input.includeText != "#include \"inc.h\"\n") {
      std::fprintf(stderr, "seed does not preprocess: %d\n", index);
      std::abort();
    }
    written += WriteSeed(folder, "config_" + std::to_string(index++), input.Write());
  }
  return written;
}

SeedRegistration preprocSeeds("preproc_text", WritePreprocSeeds);

}  // namespace
