// The object lists of source worlds: record forms, ids, the end of the list, truncation,
// and what the reader asks of the object placement.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "el/qstream/qi_stream.h"
#include "engine/progress.h"
#include "lib/landscape/landscape.h"
#include "lib/landscape/source_world_reader.h"
#include "lib/landscape/testing/source_world_writer.h"
#include "tests/support/captured_messages.h"
#include "tests/support/temp_tree.h"

namespace {

// Places every object except those of the models in `missing`, and remembers each call
// with the progress label at that moment.
class RecordingPlacer : public ObjectPlacer {
 public:
  bool PlaceObject(Landscape& land, int32_t id, const RString& modelName, const Matrix4& transform,
                   const RString& modelFile) override {
    calls.push_back(modelFile + " | " + ProgressLabel());
    if (missing.count(modelFile)) return false;
    LandscapeObject object;
    object.id = id;
    object.modelName = modelName;
    object.transform = transform;
    land.objects.push_back(object);
    return true;
  }
  std::set<std::string> missing;
  std::vector<std::string> calls;
};

int Load(Landscape& land, const std::string& bytes, ObjectPlacer* placer = nullptr, const RString& prefix = "") {
  QIStrStream in(bytes.data(), static_cast<QFileSize>(bytes.size()));
  SourceWorldSettings settings;
  settings.placer = placer;
  settings.texturesPrefix = prefix;
  return LoadSourceWorld(land, in, "w.wrp", settings);
}

wrp::World WorldWithObjects(int version) {
  wrp::World world = wrp::MakeFlatWorld(version, 4, 4, 10.0f, 2.0f);
  world.objects.push_back({5, "data\\tree.p3d", wrp::PlacedAt(5, 2, 7), 0.5f, 0.75f, 1.0f, 0.0f});
  world.objects.push_back({7, "data\\house.p3d", wrp::PlacedAt(15, 3, 25, 1.0f), 1.5f, 2.5f, 0.0f, 0.0f});
  return world;
}

TEST(SourceWorldObjects, Version8ListEndsWithAnEmptyHead) {
  CapturedMessages messages;
  const wrp::World world = WorldWithObjects(8);
  const std::string bytes = wrp::WriteWorld(world);
  // The list ends with a full 56-byte head whose name length is 0.
  ASSERT_GE(bytes.size(), 56u);
  int32_t length = -1;
  std::memcpy(&length, bytes.data() + bytes.size() - 4, 4);
  EXPECT_EQ(length, 0);
  Landscape land;
  ASSERT_EQ(Load(land, bytes), 0);
  ASSERT_EQ(land.objects.size(), 2u);
  EXPECT_EQ(land.objects[0].id, 5);
  EXPECT_EQ(land.objects[0].modelName, "data\\tree.p3d");
  EXPECT_EQ(land.objects[1].transform, wrp::PlacedAt(15, 3, 25, 1.0f));
  EXPECT_EQ(land.nextIdBase, 7);
  EXPECT_TRUE(messages.Logged("Total 2 objects, max. id 7"));
}

TEST(SourceWorldObjects, EveryRecordFormKeepsModelAndPlacement) {
  for (int version = 3; version <= 8; ++version) {
    Landscape land;
    ASSERT_EQ(Load(land, wrp::WriteWorld(WorldWithObjects(version))), 0) << version;
    ASSERT_EQ(land.objects.size(), 2u) << version;
    EXPECT_EQ(land.objects[1].modelName, "data\\house.p3d") << version;
    EXPECT_EQ(land.objects[1].transform, wrp::PlacedAt(15, 3, 25, 1.0f)) << version;
    // Version 3 stores no ids: they count up from 1.
    EXPECT_EQ(land.objects[0].id, version == 3 ? 1 : 5) << version;
    EXPECT_EQ(land.objects[1].id, version == 3 ? 2 : 7) << version;
  }
}

TEST(SourceWorldObjects, Version2PlacesInCellUnitsOnTheSurface) {
  wrp::World world = WorldWithObjects(2);
  world.rawHeights.assign(16, 40);  // 1.8 m everywhere
  world.rawHeights[5] = 80;         // 3.6 m at sample (1,1)
  Landscape land;
  // Before version 5 the cell size is LandGrid of the world's class, here missing: 50 m.
  ASSERT_EQ(Load(land, wrp::WriteWorld(world)), 0);
  ASSERT_EQ(land.objects.size(), 2u);
  // x and z in cells; the first object 1 m above the surface, halfway between samples
  // (0,0), (1,0), (0,1) and (1,1) in x and three quarters in z.
  EXPECT_FLOAT_EQ(land.objects[0].transform.position.x, 25.0f);
  EXPECT_FLOAT_EQ(land.objects[0].transform.position.z, 37.5f);
  EXPECT_NEAR(land.objects[0].transform.position.y, 1.8f + 0.5f * 0.75f * 1.8f + 1.0f, 1e-4f);
  EXPECT_FLOAT_EQ(land.objects[1].transform.position.x, 75.0f);
  EXPECT_FLOAT_EQ(land.objects[1].transform.position.z, 125.0f);
  EXPECT_NEAR(land.objects[1].transform.position.y, 1.8f, 1e-4f);
  EXPECT_EQ(land.objects[0].id, 1);
  EXPECT_EQ(land.objects[1].id, 2);
}

TEST(SourceWorldObjects, DuplicateIdsAreReportedAndKept) {
  for (int version : {4, 5, 6, 8}) {
    CapturedMessages messages;
    wrp::World world = WorldWithObjects(version);
    world.objects.push_back({5, "data\\rock.p3d", wrp::PlacedAt(1, 1, 1)});
    world.objects.push_back({70000, "data\\rock.p3d", wrp::PlacedAt(1, 1, 1)});
    world.objects.push_back({70000, "data\\rock.p3d", wrp::PlacedAt(1, 1, 1)});
    Landscape land;
    ASSERT_EQ(Load(land, wrp::WriteWorld(world)), 0);
    EXPECT_EQ(land.objects.size(), 5u) << version;
    // Only ids below 65536 are tracked.
    EXPECT_EQ(messages.errorLines, std::vector<std::string>{"Conflict id 5"}) << version;
    EXPECT_EQ(land.nextIdBase, 70000) << version;
  }
}

TEST(SourceWorldObjects, TruncatedListEndsTheLoadNormally) {
  for (int version = 2; version <= 8; ++version) {
    wrp::World world = WorldWithObjects(version);
    world.terminated = false;
    std::string bytes = wrp::WriteWorld(world);
    bytes.resize(bytes.size() - 3);  // the second record is cut short
    Landscape land;
    ASSERT_EQ(Load(land, bytes), 0) << version;
    EXPECT_EQ(land.objects.size(), 1u) << version;
  }
}

TEST(SourceWorldObjects, NameLengthBeyondTheDataEndsTheList) {
  wrp::World world = WorldWithObjects(8);
  std::string bytes = wrp::WriteWorld(world);
  // The second object's name length sits 4 bytes before its name.
  const size_t second = bytes.find("data\\house.p3d");
  ASSERT_NE(second, std::string::npos);
  for (int32_t length : {int32_t{1} << 30, -5}) {
    std::memcpy(bytes.data() + second - 4, &length, 4);
    Landscape land;
    ASSERT_EQ(Load(land, bytes), 0);
    EXPECT_EQ(land.objects.size(), 1u);
  }
}

TEST(SourceWorldObjects, EveryTruncationFailsCleanlyOrLoadsAPart) {
  CapturedMessages messages;
  for (int version = 2; version <= 8; ++version) {
    const std::string bytes = wrp::WriteWorld(WorldWithObjects(version));
    const size_t objectsStart = bytes.size() - (version == 2 ? 3 * 64 : version <= 5 ? 3 * 128 : 0);
    for (size_t size = 0; size < bytes.size(); ++size) {
      Landscape land;
      const int result = Load(land, bytes.substr(0, size));
      if (version <= 5 && size < objectsStart) {
        EXPECT_EQ(result, kSourceWorldFailed) << version << " " << size;
      }
      if (result == 0) {
        EXPECT_LE(land.objects.size(), 2u);
      } else {
        EXPECT_EQ(result, kSourceWorldFailed);
      }
    }
  }
}

TEST(SourceWorldObjects, ModelsThatCannotBeUsedAreSkipped) {
  CapturedMessages messages;
  RecordingPlacer placer;
  placer.missing.insert("data\\tree.p3d");
  Landscape land;
  ASSERT_EQ(Load(land, wrp::WriteWorld(WorldWithObjects(8)), &placer), 0);
  ASSERT_EQ(land.objects.size(), 1u);
  EXPECT_EQ(land.objects[0].modelName, "data\\house.p3d");
  EXPECT_TRUE(messages.Logged("Unable to process object \"data\\tree.p3d\". id: 5"));
  // Without a textures folder every object is made from its source model.
  EXPECT_EQ(placer.calls[0], "data\\tree.p3d | id: 5, processing object \"data\\tree.p3d\", (non-kilnified object)");
  EXPECT_EQ(placer.calls.size(), 2u);
  EXPECT_TRUE(messages.Logged("Total 2 objects, max. id 7"));
}

// Runs in `folder` for its lifetime (model names are relative to the working folder).
class InFolder {
 public:
  explicit InFolder(const std::filesystem::path& folder) : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~InFolder() { std::filesystem::current_path(previous_); }

 private:
  std::filesystem::path previous_;
};

TEST(SourceWorldObjects, ConvertedModelFirstFromVersion6) {
  CapturedMessages messages;
  TempTree tree;
  tree.Write("data/tree.p3d", "source");
  tree.Write("data/house.p3d", "source");
  tree.Write("textures/data/tree.p3d", "converted");
  tree.Write("textures/data/house.p3d", "converted, but older");
  tree.SetWriteTime("data/tree.p3d", 1000000000);
  tree.SetWriteTime("textures/data/tree.p3d", 1000000000);  // as new: used
  tree.SetWriteTime("data/house.p3d", 1000000000);
  tree.SetWriteTime("textures/data/house.p3d", 999999999);
  InFolder in(tree.Root());
  RecordingPlacer placer;
  placer.missing.insert("textures\\data\\tree.p3d");  // the converted model fails: retried
  Landscape land;
  ASSERT_EQ(Load(land, wrp::WriteWorld(WorldWithObjects(6)), &placer, "textures\\"), 0);
  const std::string label = " | id: 5, processing object \"data\\tree.p3d\", (kilnified object)";
  EXPECT_EQ(placer.calls,
            (std::vector<std::string>{
                "textures\\data\\tree.p3d" + label, "data\\tree.p3d" + label,
                "data\\house.p3d | id: 7, processing object \"data\\house.p3d\", (non-kilnified object)"}));
  EXPECT_EQ(land.objects.size(), 2u);
  EXPECT_EQ(land.objects[0].modelName, "data\\tree.p3d");

  // Before version 6 the source model is always used.
  placer.calls.clear();
  ASSERT_EQ(Load(land, wrp::WriteWorld(WorldWithObjects(5)), &placer, "textures\\"), 0);
  EXPECT_EQ(placer.calls[0], "data\\tree.p3d | id: 5, processing object \"data\\tree.p3d\", (non-kilnified object)");
}

}  // namespace
