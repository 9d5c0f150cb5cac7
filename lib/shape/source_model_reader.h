#pragma once
// The source model reader: "MLOD", "NLOD" and bare single-LOD files of "P3DM", "SP3X"
// and "SP3D" records, each LOD followed by its tagged sections and its resolution.
#include "el/qstream/basic_types.h"
#include "lib/shape/shape.h"

class QIStream;
class LODShape;

// Receives what the reader reads, in file order. The plain intake appends every LOD to
// the model; the model preparation filters and prepares each LOD as it arrives.
class SourceModelIntake {
 public:
  virtual ~SourceModelIntake() = default;
  // After the file header, before the first LOD.
  virtual void BeginModel(LODShape& model) {}
  // One LOD as read (after the second read of a special LOD). False stops the load.
  virtual bool AddLod(LODShape& model, ShapeRef lod, float resolution);
  // After the last LOD.
  virtual void EndModel(LODShape& model) {}
};

// Reads the source model in `in` into `model` (which is reset first and named `name`),
// handing each LOD to `intake`. False after reporting when the file cannot be used.
bool ReadSourceModel(QIStream& in, const RString& name, LODShape& model, SourceModelIntake& intake);

// Reads the LOD record at the current position of `in` into `shape`, with the processing
// of `kind` (SpecialLodKind of its resolution; 0 on the first read). Returns the LOD's
// resolution, or -1 when the record is bad. `masses` receives the record's "#Mass#".
float ReadSourceLod(QIStream& in, Shape& shape, int kind, const RString& modelName, uint32_t containerVersion,
                    AutoArray<float>* masses = nullptr);
