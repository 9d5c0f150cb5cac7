#include "lib/shape/source_lod_tags.h"

#include <cstdio>
#include <cstring>

#include "el/appframe/app_frame.h"
#include "lib/shape/source_lod_record.h"
#include "lib/shape/source_stream.h"
#include "platform/ascii.h"

namespace {

constexpr size_t kShortTagNameSize = 64;
constexpr size_t kPropertyTextSize = 64;

struct TagHeader {
  RString name;
  uint32_t size = 0;
};

bool ReadTagHeader(SourceStream& in, TagHeader& tag) {
  int first = in.Stream().get();
  if (first < 0) return false;
  if (first == 1) {
    if (!in.ReadString(tag.name)) return false;
    if (tag.name.size() > kMaxTagNameLength) {
      tag.name.resize(kMaxTagNameLength);
      WarningMessage("Too long tag (selection) name %s", tag.name.c_str());
    }
  } else {
    char name[kShortTagNameSize];
    name[0] = static_cast<char>(first);
    if (!in.Read(name + 1, kShortTagNameSize - 1)) return false;
    tag.name.assign(name, strnlen(name, kShortTagNameSize));
  }
  return in.ReadU32(tag.size) && tag.size <= in.Rest();
}

// A tag whose data does not have the size its content needs is passed over.
void ReportBadTagSize(const TagHeader& tag, LodReadContext& context) {
  WarningMessage("Warning: %s: tag %s has an invalid size %u", context.modelName.c_str(), tag.name.c_str(), tag.size);
  context.MarkWarnings();
}

bool ReadFloats(SourceStream& in, AutoArray<float>& values, size_t count) {
  values.resize(count);
  return in.Read(values.data(), count * sizeof(float));
}

bool ReadSelection(SourceStream& in, const TagHeader& tag, const SourceLodRecord& record, SourceLodTags& tags,
                   LodReadContext& context) {
  size_t nPoints = record.points.size();
  size_t nFaces = record.faces.size();
  if (tag.size != nPoints + nFaces) {
    WarningMessage("Invalid named selection %s", tag.name.c_str());
    context.MarkWarnings();
    return in.Skip(tag.size);
  }
  AutoArray<uint8_t> bytes(tag.size);
  if (!in.Read(bytes.data(), bytes.size())) return false;
  NamedSelection selection(AsciiLowerCopy(tag.name));
  for (size_t i = 0; i < nPoints; ++i) {
    if (bytes[i] == 0) continue;
    selection.Points().push_back(static_cast<int>(i));
    // Stored as 256 - weight: 1 is full weight.
    selection.PointWeights().push_back(static_cast<uint8_t>(256 - bytes[i]));
  }
  for (size_t i = 0; i < nFaces; ++i)
    if (bytes[nPoints + i] != 0) selection.Faces().push_back(static_cast<int>(i));
  // A second selection of the same name replaces the first.
  auto [it, added] = tags.selectionIndex.try_emplace(selection.Name(), tags.selections.size());
  if (added) tags.selections.push_back(std::move(selection));
  else tags.selections[it->second] = std::move(selection);
  return true;
}

bool ReadUVSet(SourceStream& in, const TagHeader& tag, const SourceLodRecord& record, SourceLodTags& tags,
               LodReadContext& context) {
  uint32_t index = 0;
  if (tag.size < sizeof index) {
    ReportBadTagSize(tag, context);
    return in.Skip(tag.size);
  }
  if (!in.ReadU32(index)) return false;
  QFileSize rest = tag.size - sizeof index;
  if (index > 1) {
    WarningMessage("Warning: Unsupported UVSet %d", static_cast<int>(index));
    context.MarkWarnings();
    return in.Skip(rest);
  }
  if (static_cast<size_t>(rest) != record.cornerCount * 2 * sizeof(float)) {
    ReportBadTagSize(tag, context);
    return in.Skip(rest);
  }
  tags.hasUV[index] = true;
  return ReadFloats(in, tags.uv[index], record.cornerCount * 2);
}

bool ReadKeyFrame(SourceStream& in, const TagHeader& tag, const SourceLodRecord& record, SourceLodTags& tags,
                  LodReadContext& context) {
  size_t nPoints = record.points.size();
  if (tag.size != sizeof(float) + nPoints * sizeof(Vector3)) {
    ReportBadTagSize(tag, context);
    return in.Skip(tag.size);
  }
  ShapeKeyFrame frame;
  frame.points.resize(nPoints);
  if (!in.ReadFloat(frame.time) || !in.Read(frame.points.data(), nPoints * sizeof(Vector3))) return false;
  tags.keyFrames.push_back(std::move(frame));
  return true;
}

bool ReadMasses(SourceStream& in, const TagHeader& tag, const SourceLodRecord& record, SourceLodTags& tags,
                LodReadContext& context) {
  // Masses of files of container version 0 are not trusted.
  if (context.containerVersion == 0) return in.Skip(tag.size);
  size_t nPoints = record.points.size();
  if (tag.size != nPoints * sizeof(float)) {
    ReportBadTagSize(tag, context);
    return in.Skip(tag.size);
  }
  tags.hasMasses = true;
  return ReadFloats(in, tags.masses, nPoints);
}

bool ReadProperty(SourceStream& in, const TagHeader& tag, SourceLodTags& tags, LodReadContext& context) {
  if (tag.size != 2 * kPropertyTextSize) {
    ReportBadTagSize(tag, context);
    return in.Skip(tag.size);
  }
  RString name, value;
  if (!in.ReadFixedString(name, kPropertyTextSize) || !in.ReadFixedString(value, kPropertyTextSize)) return false;
  tags.properties.Set(std::move(name), std::move(value));
  return true;
}

bool ReadMaterialIndex(SourceStream& in, const TagHeader& tag, SourceLodTags& tags, LodReadContext& context) {
  uint32_t colors[4];
  if (tag.size != sizeof colors) {
    ReportBadTagSize(tag, context);
    return in.Skip(tag.size);
  }
  if (!in.Read(colors, sizeof colors)) return false;
  static constexpr const char* kNames[4] = {"__ambient", "__diffuse", "__specular", "__emissive"};
  for (int i = 0; i < 4; ++i) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", colors[i]);
    tags.properties.Set(kNames[i], text);
  }
  return true;
}

// Reads one tag's data; false when the file ends inside it.
bool ReadTagData(SourceStream& in, const TagHeader& tag, const SourceLodRecord& record, SourceLodTags& tags,
                 LodReadContext& context) {
  const RString& name = tag.name;
  if (name == "#Mass#") return ReadMasses(in, tag, record, tags, context);
  if (name == "#Animation#") return ReadKeyFrame(in, tag, record, tags, context);
  if (name == "#UVSet#") return ReadUVSet(in, tag, record, tags, context);
  if (name == "#Property#") return ReadProperty(in, tag, tags, context);
  if (name == "#MaterialIndex#") return ReadMaterialIndex(in, tag, tags, context);
  if (!name.empty() && (name[0] == '#' || name[0] == '-' || name[0] == '.')) return in.Skip(tag.size);
  return ReadSelection(in, tag, record, tags, context);
}

}  // namespace

bool ReadSourceLodTags(SourceStream& in, const SourceLodRecord& record, SourceLodTags& tags, LodReadContext& context) {
  char magic[4];
  if (!in.Read(magic, sizeof magic)) {
    ErrorMessage("Error loading tag");
    return false;
  }
  if (std::memcmp(magic, "TAGG", 4) != 0) {
    ErrorMessage("Bad format");
    return false;
  }
  for (;;) {
    TagHeader tag;
    if (!ReadTagHeader(in, tag)) {
      ErrorMessage("Error loading tag");
      return false;
    }
    if (tag.name == "#EndOfFile#") return in.Skip(tag.size);  // the size was checked with the header
    if (!ReadTagData(in, tag, record, tags, context)) {
      ErrorMessage("Error loading tag");
      return false;
    }
  }
}
