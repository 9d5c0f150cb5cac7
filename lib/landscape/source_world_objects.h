#pragma once
// The object list of a source world: record forms of every version, duplicate ids, the
// choice between a converted and a source model, and the end of the list.
#include "lib/landscape/source_world_reader.h"

class Landscape;
class QIStream;

// Reads objects from the current position of `in` until the end record or the end of
// the data (a record cut short ends the list without being placed), places each through
// `settings.placer`, logs "Total %d objects, max. id %d" and stores the maximum id as the
// world's next-id base.
void ReadSourceWorldObjects(Landscape& land, QIStream& in, int version, const RString& fileName,
                            const SourceWorldSettings& settings);
