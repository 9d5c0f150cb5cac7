#pragma once
// Copying a file byte for byte, all or nothing.
#include <string>

// Copies the file at the host path `source` to the host path `target` through a temporary
// file renamed into place. False with `error` set when the source cannot be read or the
// target cannot be written; the target is then untouched.
bool CopyFileAtomic(const std::string& source, const std::string& target, std::string& error);

// Writes `bytes` to the host path `target` in the same all-or-nothing way.
bool WriteFileAtomic(const std::string& target, const std::string& bytes, std::string& error);
