#pragma once
// A temporary folder with string-returning helpers, for tests that pass paths around as
// text. Removed with its contents when the test ends.
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/temp_tree.h"

class TempFolder : public TempTree {
 public:
  const std::filesystem::path& Path() const { return Root(); }
  std::string File(const std::string& name) const { return (Root() / name).string(); }
  // Writes `text` to the file at the '/'-separated path `name`, making its folders;
  // returns its path.
  std::string Write(const std::string& name, const std::string& text) const {
    std::filesystem::path file = Root() / name;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
    return file.string();
  }
};
