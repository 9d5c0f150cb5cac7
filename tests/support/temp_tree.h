#pragma once
// A temporary folder for a test, removed when the test ends.
#include <cstdint>
#include <filesystem>
#include <string>

class TempTree {
 public:
  TempTree();
  ~TempTree();
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  const std::filesystem::path& Root() const { return root_; }
  std::filesystem::path operator/(const std::string& relative) const { return root_ / relative; }

  // Writes `content` to the file at `relative` ('/' separators), creating its folders.
  std::filesystem::path Write(const std::string& relative, const std::string& content = "");
  std::filesystem::path MakeFolder(const std::string& relative);
  // Sets the file's last-write time to `secondsSinceEpoch`.
  void SetWriteTime(const std::string& relative, int64_t secondsSinceEpoch);
  std::string Read(const std::string& relative) const;
  bool Exists(const std::string& relative) const;

 private:
  std::filesystem::path root_;
};
