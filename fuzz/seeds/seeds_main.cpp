// Writes the seed corpus of every fuzz target: valid files made by the project's own
// savers, one folder per target below the folder named on the command line.
#include <cstdio>
#include <filesystem>

#include "fuzz/seeds/seed_registry.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kln_fuzz_seeds OUTPUT_FOLDER\n");
    return 2;
  }
  std::filesystem::path root(argv[1]);
  int written = 0;
  for (const SeedGenerator& generator : SeedGenerators()) {
    std::filesystem::path folder = root / generator.target;
    std::filesystem::create_directories(folder);
    written += generator.write(folder);
  }
  std::printf("wrote %d seeds\n", written);
  return 0;
}

#include <fstream>

int WriteSeed(const std::filesystem::path& folder, const std::string& name, const std::string& bytes) {
  std::ofstream out(folder / name, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return 1;
}
