#include "tests/support/temp_tree.h"

#include <sys/stat.h>
#include <utime.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

TempTree::TempTree() {
  std::string pattern = (std::filesystem::temp_directory_path() / "kilnify-test-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  root_ = pattern;
}

TempTree::~TempTree() {
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

std::filesystem::path TempTree::Write(const std::string& relative, const std::string& content) {
  std::filesystem::path path = root_ / relative;
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
  return path;
}

std::filesystem::path TempTree::MakeFolder(const std::string& relative) {
  std::filesystem::path path = root_ / relative;
  std::filesystem::create_directories(path);
  return path;
}

void TempTree::SetWriteTime(const std::string& relative, int64_t secondsSinceEpoch) {
  struct utimbuf times;
  times.actime = static_cast<time_t>(secondsSinceEpoch);
  times.modtime = static_cast<time_t>(secondsSinceEpoch);
  if (::utime((root_ / relative).c_str(), &times) != 0) throw std::runtime_error("utime failed");
}

std::string TempTree::Read(const std::string& relative) const {
  std::ifstream in(root_ / relative, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool TempTree::Exists(const std::string& relative) const { return std::filesystem::exists(root_ / relative); }
