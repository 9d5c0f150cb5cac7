#pragma once
// Bringing the engine up for a conversion run, and down again.
//
// Order within a run: PrepareEngineForTool, then (after the argument check)
// StartMemoryAndFiles, LoadFolderConfigs for the addon folder and the source folder,
// LoadMainConfig, StartEngine; ShutdownEngine at the end.
#include "el/qstream/basic_types.h"
#include "tool/run_settings.h"

namespace kln {

// The first step of a run: tool mode, the converter's make functions, no rendering.
void PrepareEngineForTool();

// The memory budget (the machine's memory less 448 MiB, at least 64 MiB) and the file
// server.
void StartMemoryAndFiles();

// Merges every config.cpp (or, where there is none, config.bin) below `folder` into the
// global configuration. False after the first text configuration that fails to parse
// (the error was reported and, unless silent, shown).
bool LoadFolderConfigs(const RunSettings& settings, const RString& folder);

// The configurations loaded before the conversion. With -addon=, those below the addon
// folder. Without it, those below the work drive, then those below each mounted folder in
// the order of the work paths (letter case ignored); a mounted folder that lies below the
// work drive or below a folder loaded already is not loaded again.
bool LoadStartupConfigs(const RunSettings& settings);

// Merges bin\config.cpp below the bin path into the global configuration, once per
// process; its errors do not stop the run.
void LoadMainConfig(const RString& binPath);

// Creates the renderer-less engine and the world.
void StartEngine();

// Releases the engine, the world, the global configuration and the file server.
void ShutdownEngine();

}  // namespace kln
