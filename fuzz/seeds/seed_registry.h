#pragma once
// Seed generators register themselves here; kln_fuzz_seeds runs them all.
#include <filesystem>
#include <string>
#include <vector>

struct SeedGenerator {
  std::string target;                                // fuzz target name = seed folder name
  int (*write)(const std::filesystem::path& folder);  // returns the number of files written
};

inline std::vector<SeedGenerator>& SeedGenerators() {
  static std::vector<SeedGenerator> generators;
  return generators;
}

struct SeedRegistration {
  SeedRegistration(std::string target, int (*write)(const std::filesystem::path&)) {
    SeedGenerators().push_back({std::move(target), write});
  }
};

// Writes `bytes` to folder/name; returns 1.
int WriteSeed(const std::filesystem::path& folder, const std::string& name, const std::string& bytes);
