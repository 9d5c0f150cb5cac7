#pragma once
// Reading source worlds (".wrp" files beginning "2WVR" to "8WVR", the digit being the
// format version) into a Landscape.
//
// Safe on untrusted input: grid sizes are checked against what the stream holds before
// anything is allocated; every count and name length read from the file is checked
// against the bytes left; a truncated object list ends the load where it breaks.
#include <cstdint>

#include "el/qstream/basic_types.h"
#include "lib/shape/matrix4.h"

class Landscape;
class ParamClass;
class QIStream;

// The result of a load that failed: unknown magic, or the stream broke before the objects.
constexpr int kSourceWorldFailed = 12;

// Creates the world's objects from their models; the reader hands it every object of the
// list.
class ObjectPlacer {
 public:
  virtual ~ObjectPlacer() = default;
  // Adds the object `id` of the model `modelName`, standing at `transform`, to `land`;
  // the model is read from `modelFile` (the name itself, or a converted copy of it). False
  // (nothing added) when the model cannot be used.
  virtual bool PlaceObject(Landscape& land, int32_t id, const RString& modelName, const Matrix4& transform,
                           const RString& modelFile) = 0;
};

struct SourceWorldSettings {
  // The world's CfgWorlds class: "LandGrid" gives the cell size of versions 2 to 4
  // (50 metres when the class or the key is missing).
  const ParamClass* worldClass = nullptr;
  // The textures folder of the run (ends in '\'), or empty. From version 6 on an object
  // whose model was already converted below it (and is not older than the source model)
  // is made from the converted model.
  RString texturesPrefix;
  // Null: every object is added as read, without a model (for describing a file).
  ObjectPlacer* placer = nullptr;
  // Run the load-time derivations (cell objects, cell flags, sound map) at the end.
  bool derive = true;
};

// The version a file's first four bytes name ("8WVR" gives 8), or 0 when they are not a
// source world's magic.
int SourceWorldVersion(const char magic[4]);

// Loads the source world in `in` (its start at position 0) into `land`. Returns 0, or
// kSourceWorldFailed after "Cannot load world '%s'" (`fileName`) on the error channel.
// Bad texture indices, bad grid sizes and duplicate ids are reported and repaired or kept
// as described at each step; a failed load leaves `land` as far as it was read.
int LoadSourceWorld(Landscape& land, QIStream& in, const RString& fileName, const SourceWorldSettings& settings);
