#pragma once
// The models, materials and configurations of the sample addon.
#include <filesystem>

// Writes the sample addon "kilnify_sample" below `root` (the work drive of the sample
// run). False when a file cannot be written.
bool WriteSampleAddon(const std::filesystem::path& root);
