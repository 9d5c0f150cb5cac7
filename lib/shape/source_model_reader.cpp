#include "lib/shape/source_model_reader.h"

#include <cstring>

#include "el/appframe/app_frame.h"
#include "lib/shape/lod_kind.h"
#include "lib/shape/lod_shape.h"
#include "lib/shape/shape_reports.h"
#include "lib/shape/source_lod_record.h"
#include "lib/shape/source_lod_tags.h"
#include "lib/shape/source_shape_builder.h"
#include "lib/shape/source_stream.h"

namespace {

// Container versions from this major number on are not understood.
constexpr uint32_t kUnsupportedMajorVersion = 2;

struct FileHeader {
  RString container;
  uint32_t version = 0;
  int32_t lodCount = 0;
};

bool ReadFileHeader(SourceStream& in, const RString& name, FileHeader& header) {
  char magic[4];
  if (!in.Read(magic, sizeof magic)) {
    ErrorMessage("Error loading %s (Magic)", name.c_str());
    return false;
  }
  if (std::memcmp(magic, "MLOD", 4) == 0) {
    header.container = "MLOD";
    if (!in.ReadU32(header.version) || !in.ReadI32(header.lodCount)) {
      ErrorMessage("Error loading %s (nLods)", name.c_str());
      return false;
    }
    uint32_t major = header.version >> 8;
    if (major >= kUnsupportedMajorVersion) {
      ErrorMessage("%s: Unsupported version %d.%02d", name.c_str(), static_cast<int>(major),
                   static_cast<int>(header.version & 0xFF));
      return false;
    }
  } else if (std::memcmp(magic, "NLOD", 4) == 0) {
    header.container = "NLOD";
    if (!in.ReadI32(header.lodCount)) {
      ErrorMessage("Error loading %s (nLods)", name.c_str());
      return false;
    }
  } else {
    // A bare LOD of the oldest kind: the four bytes were its magic.
    in.Seek(0);
    header.lodCount = 1;
    WarningMessage("Warning: preNLOD format in object %s", name.c_str());
    ReportVeryOldObject();
  }
  if (header.lodCount < 0) {
    ErrorMessage("Error loading %s (nLods)", name.c_str());
    return false;
  }
  if (header.lodCount > LODShape::kMaxLods) {
    ErrorMessage("%s: Too many LODs (%d), a model holds at most %d", name.c_str(), header.lodCount,
                 LODShape::kMaxLods);
    return false;
  }
  return true;
}

}  // namespace

bool SourceModelIntake::AddLod(LODShape& model, ShapeRef lod, float resolution) {
  return model.AddLod(std::move(lod), resolution);
}

float ReadSourceLod(QIStream& stream, Shape& shape, int kind, const RString& modelName, uint32_t containerVersion,
                    AutoArray<float>* masses) {
  SourceStream in(stream);
  LodReadContext context;
  context.modelName = modelName;
  context.containerVersion = containerVersion;
  context.shape = &shape;
  SourceLodRecord record;
  if (!ReadSourceLodRecord(in, record, context)) return -1.0f;
  SourceLodTags tags;
  if (!ReadSourceLodTags(in, record, tags, context)) return -1.0f;
  float resolution = 0.0f;
  if (!in.ReadFloat(resolution)) {
    ErrorMessage("Error loading %s (resolution)", modelName.c_str());
    return -1.0f;
  }
  if (!(resolution >= 0.0f)) {
    ErrorMessage("Error: %s: bad LOD resolution %g", modelName.c_str(), static_cast<double>(resolution));
    return -1.0f;
  }
  if (!BuildSourceShape(record, tags, resolution, kind, shape, context)) return -1.0f;
  if (masses && tags.hasMasses) *masses = std::move(tags.masses);
  return resolution;
}

bool ReadSourceModel(QIStream& stream, const RString& name, LODShape& model, SourceModelIntake& intake) {
  model.Reset();
  model.SetName(name);
  SourceStream in(stream);
  FileHeader header;
  if (!ReadFileHeader(in, name, header)) return false;
  SourceModelInfo& info = model.SourceInfo();
  info.container = header.container;
  info.version = header.version;
  info.declaredLods = header.lodCount;

  intake.BeginModel(model);
  for (int i = 0; i < header.lodCount; ++i) {
    QFileSize start = in.Tell();
    auto lod = std::make_shared<Shape>();
    float resolution = ReadSourceLod(stream, *lod, kLodVisual, name, header.version, &model.Masses());
    if (resolution < 0.0f) return false;
    int kind = SpecialLodKind(resolution);
    if (kind != kLodVisual && lod->NFaces() > 0) {
      // Special LODs are read again with the processing of their kind.
      in.Seek(start);
      lod = std::make_shared<Shape>();
      resolution = ReadSourceLod(stream, *lod, kind, name, header.version, &model.Masses());
      if (resolution < 0.0f) return false;
    }
    if (!intake.AddLod(model, std::move(lod), resolution)) return false;
  }
  intake.EndModel(model);
  return true;
}
