#pragma once
// Host paths of files about to be written.
#include <string>
#include <string_view>

// The host path for writing the file `path` (engine or host form): its folder found as
// the engine finds files (letter case, work drive), its file name kept as given.
std::string HostPathForWriting(std::string_view path);
