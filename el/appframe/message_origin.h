#pragma once
// The place a message names: configuration messages begin "File %s, line %d: ", engine
// messages that carry a source position "%s(%d) : ".
#include <optional>
#include <string>
#include <string_view>

struct MessageOrigin {
  std::string file;
  int line = 0;
  // The text behind the place ("File a.cpp, line 3: x" gives "x").
  std::string_view rest;
};

// The file and line at the start of `text` in one of the two forms, or nothing when the
// text begins with neither (or names an empty file, or a line that is no decimal number).
// `rest` points into `text`.
std::optional<MessageOrigin> FindMessageOrigin(std::string_view text);
