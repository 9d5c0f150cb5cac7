#include "engine/progress.h"

#include <cstdio>
#include <vector>

namespace {
std::string gLabel;
}

ProgressScope::ProgressScope(const char* format, const std::string& argument) : previous_(gLabel) {
  int size = std::snprintf(nullptr, 0, format, argument.c_str());
  std::vector<char> text(static_cast<size_t>(size > 0 ? size : 0) + 1);
  std::snprintf(text.data(), text.size(), format, argument.c_str());
  gLabel = text.data();
}

ProgressScope::~ProgressScope() { gLabel = std::move(previous_); }

const std::string& ProgressLabel() { return gLabel; }
