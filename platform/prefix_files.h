#pragma once
// Prefix files: a small file in an addon folder whose first non-blank line is the work path
// that the folder stands for ("\x\mymod\addons\main").
#include <string>
#include <string_view>
#include <vector>

struct PrefixFile {
  std::string file;      // host path of the prefix file
  std::string folder;    // host folder holding it, mounted at workPath
  std::string workPath;  // its first non-blank line, trimmed; empty when it has none
};

// The prefix files named `name` (letter case ignored) below the host folder `root`, in
// the order of a walk sorted by name ignoring case. A folder holding one is not descended
// into; links to folders are not followed, and a prefix file that is a link leading out
// of `root` is left out (and named in `problems`).
std::vector<PrefixFile> FindPrefixFiles(const std::string& root, std::string_view name,
                                        std::vector<std::string>& problems);

// The work path in the text of a prefix file: its first non-blank line without the
// surrounding blanks (a line ends at LF, CRLF or a lone CR); empty when there is none.
std::string WorkPathOfPrefixText(std::string_view text);
