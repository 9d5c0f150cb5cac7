#include "lib/landscape/source_world_objects.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "el/appframe/app_frame.h"
#include "el/qstream/qi_stream.h"
#include "el/preproc/data_name.h"
#include "engine/file_server.h"
#include "engine/progress.h"
#include "lib/landscape/landscape.h"
#include "lib/landscape/landscape_surface.h"
#include "platform/engine_path.h"
#include "platform/engine_resolver.h"

namespace {

constexpr int kTrackedIds = 65536;  // duplicate ids are found below this value
constexpr size_t kTransformBytes = 48;

// One record as read, before it is placed.
struct ObjectRecord {
  int32_t id = 0;
  RString model;
  Matrix4 transform;
};

RString PaddedName(const char* bytes, size_t size) { return RString(bytes, strnlen(bytes, size)); }

Matrix4 TransformOf(const char* bytes) {
  Matrix4 m;
  std::memcpy(&m, bytes, kTransformBytes);
  return m;
}

class ObjectListReader {
 public:
  ObjectListReader(Landscape& land, QIStream& in, int version, const SourceWorldSettings& settings)
      : land_(land), in_(in), version_(version), settings_(settings), seen_(kTrackedIds, false) {}

  void Run() {
    // Room for as many records as the rest of the data can hold, so that a large list is
    // not copied while it grows.
    const QFileSize smallestRecord = version_ == 2 ? 64 : version_ <= 5 ? 128 : 57;
    land_.objects.reserve(land_.objects.size() + static_cast<size_t>(in_.GetRest() / smallestRecord));
    ObjectRecord record;
    while (Next(record)) {
      if (version_ >= 4 && record.id >= 0 && record.id < kTrackedIds) {
        if (seen_[static_cast<size_t>(record.id)]) ErrorMessage("Conflict id %d", record.id);
        seen_[static_cast<size_t>(record.id)] = true;
      }
      if (record.id > maxId_) maxId_ = record.id;
      Place(record);
      ++count_;
    }
    land_.objects.shrink_to_fit();  // (names are longer than one byte: the room was ample)
    LogMessage("Total %d objects, max. id %d", count_, maxId_);
    land_.nextIdBase = maxId_;
  }

 private:
  // The next record; false at the end record, or when the data ends within a record.
  bool Next(ObjectRecord& record) {
    switch (version_) {
      case 2: return NextCellRecord(record);
      case 3: return NextFixedRecord(record, 80, false);
      case 4:
      case 5: return NextFixedRecord(record, 76, true);
      default: return NextCountedRecord(record);
    }
  }

  bool ReadExactly(char* bytes, QFileSize size) { return in_.read(bytes, size) == size && !in_.fail(); }

  // Version 2: x and z in land cells, a height above the surface and a turn.
  bool NextCellRecord(ObjectRecord& record) {
    char bytes[64];
    if (!ReadExactly(bytes, sizeof bytes)) return false;
    float values[4];
    std::memcpy(values, bytes, sizeof values);
    record.model = PaddedName(bytes + 16, 48);
    if (record.model.empty()) return false;
    const float x = values[0] * land_.cellSize, z = values[2] * land_.cellSize;
    // The fourth value turns the object about the vertical axis (radians).
    const float c = std::cos(values[3]), s = std::sin(values[3]);
    record.transform = Matrix4{};
    record.transform.axisX = {c, 0.0f, -s};
    record.transform.axisZ = {s, 0.0f, c};
    record.transform.position = {x, SurfaceHeight(land_, x, z) + values[1], z};
    record.id = ++idCounter_;
    return true;
  }

  // Versions 3 to 5: a transform, (an id,) and a zero-padded name.
  bool NextFixedRecord(ObjectRecord& record, size_t nameBytes, bool hasId) {
    char bytes[128];
    if (!ReadExactly(bytes, sizeof bytes)) return false;
    record.transform = TransformOf(bytes);
    if (hasId) std::memcpy(&record.id, bytes + kTransformBytes, 4);
    else record.id = ++idCounter_;
    record.model = PaddedName(bytes + 128 - nameBytes, nameBytes);
    return !record.model.empty();
  }

  // Versions 6 and up: a 56-byte head (transform, id, name length), then the name.
  bool NextCountedRecord(ObjectRecord& record) {
    char head[56];
    if (!ReadExactly(head, sizeof head)) return false;
    int32_t length;
    record.transform = TransformOf(head);
    std::memcpy(&record.id, head + kTransformBytes, 4);
    std::memcpy(&length, head + kTransformBytes + 4, 4);
    if (length <= 0 || length > in_.GetRest()) return false;
    record.model.assign(static_cast<size_t>(length), '\0');
    return ReadExactly(record.model.data(), length);
  }

  // From version 6 on a model converted below the textures folder, and not older than
  // its source, is used first; the answer is kept per model name.
  bool UsesConvertedModel(const RString& model) {
    if (version_ < 6 || settings_.texturesPrefix.empty()) return false;
    auto found = converted_.find(model);
    if (found != converted_.end()) return found->second;
    const uint32_t convertedStamp = FileTimeStamp(settings_.texturesPrefix + model);
    const std::optional<std::string> source = HostFileOfDataName(EnginePath(model), CurrentDataFile());
    const bool use = convertedStamp != 0 && (!source || convertedStamp >= FileTimeStamp(ToEnginePath(*source)));
    converted_.emplace(model, use);
    return use;
  }

  void Place(const ObjectRecord& record) {
    if (!settings_.placer) {
      LandscapeObject object;
      object.id = record.id;
      object.modelName = record.model;
      object.transform = record.transform;
      land_.objects.push_back(std::move(object));
      return;
    }
    // A name that leads up out of the textures folder is never looked for there.
    const bool converted = !HasParentStep(record.model) && UsesConvertedModel(record.model);
    char label[128];
    std::snprintf(label, sizeof label, "id: %d, processing object \"%%s\", %s", record.id,
                  converted ? "(kilnified object)" : "(non-kilnified object)");
    ProgressScope progress(label, record.model);
    // A converted model that cannot be used is retried from the source model.
    if (converted && settings_.placer->PlaceObject(land_, record.id, record.model, record.transform,
                                                   settings_.texturesPrefix + record.model))
      return;
    if (settings_.placer->PlaceObject(land_, record.id, record.model, record.transform, record.model)) return;
    LogMessage("Unable to process object \"%s\". id: %d", record.model.c_str(), record.id);
  }

  Landscape& land_;
  QIStream& in_;
  const int version_;
  const SourceWorldSettings& settings_;
  std::vector<bool> seen_;
  std::unordered_map<RString, bool> converted_;
  int32_t idCounter_ = 0;
  int32_t maxId_ = 0;
  int count_ = 0;
};

}  // namespace

void ReadSourceWorldObjects(Landscape& land, QIStream& in, int version, const RString& fileName,
                            const SourceWorldSettings& settings) {
  // Reports of the model names name the world that holds them.
  DataFileScope names(fileName);
  ObjectListReader(land, in, version, settings).Run();
}
