#pragma once
// A generated addon repository: three addons in addons/<name>/, each with a prefix file
// (kSamplePrefixFile) naming the work path it stands for, that include each other's
// headers and use each other's models, materials and textures by rooted names written in
// mixed letter case.
#include <filesystem>

inline constexpr char kSamplePrefixFile[] = "addon.prefix";

// Writes the repository below `root`. With `laidOut`, the same files are written where a
// work drive at `root` holds them (root/x/kilnsample/addons/<name>/) instead.
bool WriteSampleRepository(const std::filesystem::path& root, bool laidOut);
