#pragma once
// Shared set-up of the model fuzz targets: no messages, and a work drive that holds no
// files, so that absolute names in the input (materials) reach nothing on disk. (The
// working folder stays: libFuzzer reads its corpus by relative paths.)
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "el/appframe/app_frame.h"
#include "engine/material_cache.h"
#include "engine/texture_bank.h"
#include "engine/texture_registry.h"

inline void PrepareShapeFuzzing() {
  static bool prepared = [] {
    SetNoLogs(true);
    std::string pattern = (std::filesystem::temp_directory_path() / "kilnify-shape-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data())) setenv("KILNIFY_WORK_DRIVE", pattern.c_str(), 1);
    return true;
  }();
  (void)prepared;
}

// Each input is read against empty caches; names from earlier inputs are not kept.
inline void FinishShapeInput() {
  Materials().DeleteAll();
  Textures().Clear();
  TextureNames().Clear();
}
