// Writes the bundled sample: a small addon whose models, materials and configurations are
// generated here, below the folder named on the command line.
#include <cstdio>
#include <filesystem>

#include "sample/sample_models.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kilnify-sample OUTPUT_FOLDER\n");
    return 2;
  }
  const std::filesystem::path root(argv[1]);
  if (!WriteSampleAddon(root)) {
    std::fprintf(stderr, "kilnify-sample: cannot write below %s\n", root.c_str());
    return 1;
  }
  std::printf("Sample addon written to %s\n", (root / "kilnify_sample").c_str());
  return 0;
}
