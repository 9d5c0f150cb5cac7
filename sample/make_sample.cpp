// Writes the bundled sample: a small addon whose models, materials and configurations are
// generated here, below the folder named on the command line.
#include <cstdio>
#include <filesystem>

#include <cstring>

#include "sample/sample_models.h"
#include "sample/sample_repository.h"

int main(int argc, char** argv) {
  // --repository writes three addons in addons/<name>/ with prefix files; --laid-out writes
  // the same files at their work paths below the folder.
  if (argc == 3 && (std::strcmp(argv[1], "--repository") == 0 || std::strcmp(argv[1], "--laid-out") == 0)) {
    const bool laidOut = std::strcmp(argv[1], "--laid-out") == 0;
    if (!WriteSampleRepository(argv[2], laidOut)) {
      std::fprintf(stderr, "kilnify-sample: cannot write below %s\n", argv[2]);
      return 1;
    }
    std::printf("Addon repository written to %s\n", argv[2]);
    return 0;
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: kilnify-sample OUTPUT_FOLDER\n"
                         "       kilnify-sample --repository|--laid-out OUTPUT_FOLDER\n");
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
