#include "lib/shape/source_lod_record.h"

#include <cstring>
#include <string_view>
#include <unordered_map>

#include "el/appframe/app_frame.h"
#include "lib/shape/point_flags.h"
#include "lib/shape/shape.h"
#include "lib/shape/source_stream.h"

namespace {

constexpr uint32_t kP3dmVersion = 0x100;
constexpr QFileSize kLongHeaderSize = 28;
constexpr size_t kFixedNameSize = 32;

bool MagicIs(const char (&magic)[4], const char* tag) { return std::memcmp(magic, tag, 4) == 0; }

// Gives every distinct name one index; the face before usually has the same name.
class NameTable {
 public:
  explicit NameTable(AutoArray<RString>& names) : names_(names) {}
  int Index(const RString& name) {
    if (name.empty()) return 0;
    if (name == names_[static_cast<size_t>(last_)]) return last_;
    auto [it, added] = index_.try_emplace(name, static_cast<int>(names_.size()));
    if (added) names_.push_back(name);
    last_ = it->second;
    return last_;
  }

 private:
  AutoArray<RString>& names_;
  std::unordered_map<RString, int> index_;
  int last_ = 0;
};

bool ReadHeader(SourceStream& in, SourceLodRecord& record, uint32_t counts[3], LodReadContext& context) {
  QFileSize start = in.Tell();
  char magic[4] = {};
  in.Read(magic, 4);
  if (MagicIs(magic, "P3DM") || MagicIs(magic, "SP3X")) {
    record.form = MagicIs(magic, "P3DM") ? SourceLodForm::P3DM : SourceLodForm::SP3X;
    uint32_t fields[6];  // header size, version, points, normals, faces, flags
    if (!in.Read(fields, sizeof fields)) {
      ErrorMessage("Bad object.");
      return false;
    }
    record.version = fields[1];
    counts[0] = fields[2];
    counts[1] = fields[3];
    counts[2] = fields[4];
    record.flags = fields[5];
    if (record.form == SourceLodForm::P3DM && record.version != kP3dmVersion) {
      WarningMessage("Unsupported version %x", record.version);
      context.MarkWarnings();
    }
    QFileSize extra = static_cast<QFileSize>(fields[0]) - kLongHeaderSize;
    if (extra > 0 && !in.Skip(extra)) {
      ErrorMessage("Bad object.");
      return false;
    }
    return true;
  }
  in.Seek(start);
  in.Read(magic, 4);
  if (!MagicIs(magic, "SP3D")) {
    ErrorMessage("Bad file format (%s).", std::string(magic, strnlen(magic, 4)).c_str());
    return false;
  }
  record.form = SourceLodForm::SP3D;
  if (!in.Read(counts, 3 * sizeof(uint32_t))) {
    ErrorMessage("Bad object.");
    return false;
  }
  return true;
}

bool ReadPoints(SourceStream& in, SourceLodRecord& record, uint32_t count, LodReadContext& context) {
  size_t recordSize = record.form == SourceLodForm::SP3D ? 12 : 16;
  if (static_cast<QFileSize>(count) * static_cast<QFileSize>(recordSize) > in.Rest()) return false;
  AutoArray<char> bytes(count * recordSize);
  if (!in.Read(bytes.data(), bytes.size())) return false;
  record.points.resize(count);
  record.clipFlags.resize(count);
  record.hidden.resize(count);
  for (uint32_t i = 0; i < count; ++i) {
    const char* p = bytes.data() + i * recordSize;
    std::memcpy(&record.points[i], p, sizeof(Vector3));
    uint32_t flags = 0;
    if (recordSize == 16) std::memcpy(&flags, p + 12, sizeof flags);
    if (ArePointFlagsInvalid(flags)) {
      if (context.TakeReport()) {
        WarningMessage("Point %d: Invalid point flags %x.", static_cast<int>(i), flags);
        context.MarkWarnings();
      }
      flags = 0;
    }
    record.clipFlags[i] = ClipFlagsFromPointFlags(flags);
    record.hidden[i] = (flags & point_flags::kHidden) ? 1 : 0;
  }
  return true;
}

bool ReadNormals(SourceStream& in, SourceLodRecord& record, uint32_t count) {
  if (static_cast<QFileSize>(count) * 12 > in.Rest()) return false;
  record.normals.resize(count);
  return in.Read(record.normals.data(), count * sizeof(Vector3));
}

bool ReadFaces(SourceStream& in, SourceLodRecord& record, uint32_t count) {
  // Smallest stored face of each form (P3DM: two empty strings).
  QFileSize minimum = record.form == SourceLodForm::P3DM ? 74 : record.form == SourceLodForm::SP3X ? 104 : 100;
  if (static_cast<QFileSize>(count) * minimum > in.Rest()) return false;
  record.faces.resize(count);
  NameTable textures(record.textureNames);
  NameTable materials(record.materialNames);
  RString name;
  for (SourceFace& face : record.faces) {
    if (record.form == SourceLodForm::P3DM) {
      if (!in.ReadU32(face.n) || !in.Read(face.corners, sizeof face.corners) || !in.ReadU32(face.flags)) return false;
      // A name cut by the end of the file ends there; the next read then fails.
      in.ReadString(name);
      face.texture = textures.Index(name);
      in.ReadString(name);
      face.material = materials.Index(name);
    } else {
      if (!in.ReadFixedString(name, kFixedNameSize)) return false;
      face.texture = textures.Index(name);
      if (!in.ReadU32(face.n) || !in.Read(face.corners, sizeof face.corners)) return false;
      if (record.form == SourceLodForm::SP3X && !in.ReadU32(face.flags)) return false;
    }
    if (face.n > SourceFace::kMaxCorners) return false;
    record.cornerCount += face.n;
  }
  return true;
}

}  // namespace

void LodReadContext::MarkWarnings() {
  if (shape) shape->MarkWarnings();
}

bool ReadSourceLodRecord(SourceStream& in, SourceLodRecord& record, LodReadContext& context) {
  uint32_t counts[3] = {};
  if (!ReadHeader(in, record, counts, context)) return false;
  if (!ReadPoints(in, record, counts[0], context) || !ReadNormals(in, record, counts[1]) ||
      !ReadFaces(in, record, counts[2])) {
    ErrorMessage("Bad object.");
    return false;
  }
  return true;
}
