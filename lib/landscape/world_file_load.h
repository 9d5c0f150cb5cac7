#pragma once
// Loading a world file of either form: a runtime world ("OPRW") through the runtime
// loader, anything else through the source world reader.
#include "el/qstream/basic_types.h"
#include "lib/landscape/source_world_reader.h"

class Landscape;

// The world's name: the file name of `path` (after its last '\') cut at its first '.'
// ("island.old.wrp" gives "island").
RString WorldNameOf(const RString& path);

// Loads the world file `path` (an engine path) into `land`. The file is offered to the
// runtime loader first; when that finds no "OPRW" magic the stream is rewound and read
// as a source world with `settings`. True when loaded; false after "Cannot load world
// '%s'" (path) on the error channel.
bool LoadWorldFile(Landscape& land, const RString& path, const SourceWorldSettings& settings);
