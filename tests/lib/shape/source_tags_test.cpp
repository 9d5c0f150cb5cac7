// The tag block of a LOD: named selections with weights, properties, masses, key frames,
// material colours, skipped tags, and the failures of the block.
#include <gtest/gtest.h>

#include "tests/lib/shape/shape_test_support.h"

namespace {

using namespace shape_test;

class SourceTags : public ShapeTest {};

mlod::Lod FourPointLod() {
  mlod::Lod lod = mlod::MakeGridLod(1, 1, 1.0f);  // 4 points, 2 faces
  return lod;
}

TEST_F(SourceTags, SelectionWeights) {
  mlod::Lod lod = FourPointLod();
  // Stored bytes: 1 (full weight), 255 (weight 1), 0 (not selected), 128.
  lod.AddTag("Door", std::string("\x01\xFF\x00\x80\x00\x01", 6));
  LODShape model;
  ASSERT_TRUE(ReadModel(ModelOf({lod}), model)) << messages.Text();
  const Shape& shape = *model.Lod(0);
  ASSERT_EQ(shape.Selections().size(), 1u);
  const NamedSelection& door = shape.Selections()[0];
  EXPECT_EQ(door.Name(), "door");
  EXPECT_EQ(door.Points(), (AutoArray<int>{0, 1, 3}));
  EXPECT_EQ(door.PointWeights(), (AutoArray<uint8_t>{255, 1, 128}));
  EXPECT_EQ(door.Faces(), (AutoArray<int>{1}));
  EXPECT_EQ(door.PointWeight(2), 0);
  EXPECT_TRUE(door.HasWeights());
  // Vertices in the order corners first use them: point 0 -> 0, point 3 -> 2, point 1 -> 3.
  EXPECT_EQ(door.Vertices(), (AutoArray<uint16_t>{0, 2, 3}));
  EXPECT_EQ(door.VertexWeights(), (AutoArray<uint8_t>{255, 128, 1}));
  EXPECT_EQ(shape.FindSelection("DOOR"), 0);
}

TEST_F(SourceTags, SelectionWriterWeightsRoundTrip) {
  mlod::Lod lod = FourPointLod();
  lod.AddSelection("weights", {255, 1, 0, 200}, {0, 0});
  LODShape model;
  ASSERT_TRUE(ReadModel(ModelOf({lod}), model));
  const NamedSelection& sel = model.Lod(0)->Selections()[0];
  EXPECT_EQ(sel.PointWeights(), (AutoArray<uint8_t>{255, 1, 200}));
  EXPECT_TRUE(sel.Faces().empty());
}

TEST_F(SourceTags, SelectionVerticesFollowSplitPoints) {
  mlod::Lod lod = FourPointLod();
  lod.faces[1].corners[0].u = 0.5f;  // point 0 gets a second vertex
  lod.AddSelectionOf("corner", {0}, {});
  LODShape model;
  ASSERT_TRUE(ReadModel(ModelOf({lod}), model));
  const Shape& shape = *model.Lod(0);
  ASSERT_EQ(shape.NVertices(), 5);
  const NamedSelection& sel = shape.Selections()[0];
  EXPECT_EQ(sel.Vertices(), (AutoArray<uint16_t>{0, 3}));
  EXPECT_FALSE(sel.HasWeights());
}

TEST_F(SourceTags, RepeatedSelectionNameKeepsTheLast) {
  mlod::Lod lod = FourPointLod();
  lod.AddSelectionOf("wheel", {0}, {});
  lod.AddSelectionOf("other", {2}, {});
  lod.AddSelectionOf("Wheel", {1}, {1});
  LODShape model;
  ASSERT_TRUE(ReadModel(ModelOf({lod}), model));
  const AutoArray<NamedSelection>& selections = model.Lod(0)->Selections();
  ASSERT_EQ(selections.size(), 2u);
  EXPECT_EQ(selections[0].Name(), "wheel");
  EXPECT_EQ(selections[0].Points(), (AutoArray<int>{1}));
  EXPECT_EQ(selections[0].Faces(), (AutoArray<int>{1}));
}

TEST_F(SourceTags, BadSelectionSizeIsSkipped) {
  mlod::Lod lod = FourPointLod();
  lod.AddTag("short", std::string(5, '\x01'));  // 4 points + 2 faces - 1
  lod.AddSelectionOf("good", {1}, {0});
  LODShape model;
  ASSERT_TRUE(ReadModel(ModelOf({lod}), model));
  EXPECT_TRUE(HasLine(messages, "Invalid named selection short"));
  ASSERT_EQ(model.Lod(0)->Selections().size(), 1u);
  EXPECT_EQ(model.Lod(0)->Selections()[0].Name(), "good");
  EXPECT_TRUE(model.Lod(0)->HadWarnings());
}

TEST_F(SourceTags, LongTagNames) {
  mlod::Lod lod = FourPointLod();
  std::string selection(6, '\0');
  selection[0] = 1;
  std::string longName(100, 'x');
  lod.AddTag(longName, selection, true);
  lod.AddTag(std::string(1030, 'y'), selection, true);
  LODShape model;
  ASSERT_TRUE(ReadModel(ModelOf({lod}), model)) << messages.Text();
  const AutoArray<NamedSelection>& selections = model.Lod(0)->Selections();
  ASSERT_EQ(selections.size(), 2u);
  EXPECT_EQ(selections[0].Name(), longName);
  EXPECT_EQ(selections[1].Name(), std::string(1024, 'y'));
  EXPECT_TRUE(HasLine(messages, "Too long tag (selection) name yyyy"));
}

TEST_F(SourceTags, ShortNamesMayFillAllSixtyFourBytes) {
  mlod::Lod lod = FourPointLod();
  std::string bytes = mlod::WriteModel(ModelOf({lod}));
  // Replace "#EndOfFile#" by a 64-character selection name, then end the list.
  size_t end = bytes.find("#EndOfFile#");
  ASSERT_NE(end, std::string::npos);
  std::string tag = std::string(64, 'n') + std::string("\x06\0\0\0", 4) + std::string("\x01\0\0\0\0\0", 6);
  std::string eof = "#EndOfFile#" + std::string(53, '\0') + std::string(4, '\0');
  bytes = bytes.substr(0, end) + tag + eof + bytes.substr(end + 68);
  LODShape model;
  ASSERT_TRUE(ReadBytes(bytes, model)) << messages.Text();
  EXPECT_EQ(model.Lod(0)->Selections()[0].Name(), std::string(64, 'n'));
}

TEST_F(SourceTags, SkippedTags) {
  mlod::Lod lod = FourPointLod();
  lod.AddTag("#Unknown#", "data of any size");
  lod.AddTag("-hidden", "x");
  lod.AddTag(".hidden", "");
  lod.AddTag("#Selected#", std::string(6, '\x01'));
  lod.AddProperty("after", "1");
  LODShape model;
  ASSERT_TRUE(ReadModel(ModelOf({lod}), model)) << messages.Text();
  EXPECT_TRUE(model.Lod(0)->Selections().empty());
  EXPECT_EQ(model.Lod(0)->PropertyValue("after"), "1");
  EXPECT_FALSE(model.Lod(0)->HadWarnings());
}

TEST_F(SourceTags, PropertiesAndMaterialColours) {
  mlod::Lod lod = FourPointLod();
  lod.AddProperty("Map", "building");
  lod.AddProperty("autocenter", "0");
  lod.AddProperty("map", "house");  // the same name again: the value changes
  lod.AddProperty(std::string(64, 'k'), std::string(64, 'v'));
  lod.AddMaterialIndex(0x11223344, 0xFFFFFFFF, 0x0000000A, 0x80000000);
  LODShape model;
  ASSERT_TRUE(ReadModel(ModelOf({lod}), model));
  const NamedProperties& props = model.Lod(0)->Properties();
  EXPECT_EQ(props.Value("MAP"), "house");
  EXPECT_EQ(props.Value("autocenter"), "0");
  EXPECT_EQ(props.Value(std::string(63, 'k')), std::string(63, 'v'));  // the writer keeps 63 + 0
  EXPECT_EQ(props.Value("__ambient"), "11223344");
  EXPECT_EQ(props.Value("__diffuse"), "ffffffff");
  EXPECT_EQ(props.Value("__specular"), "0000000a");
  EXPECT_EQ(props.Value("__emissive"), "80000000");
  EXPECT_EQ(props.Find("missing"), nullptr);
  EXPECT_EQ(props.Size(), 7);
}

TEST_F(SourceTags, MassesKeptFromVersionOne) {
  mlod::Lod lod = FourPointLod();
  lod.resolution = 1e13f;
  lod.AddMasses({1, 2, 3, 4});
  LODShape model;
  ASSERT_TRUE(ReadModel(ModelOf({TriangleLod(), lod}), model));
  EXPECT_EQ(model.Masses(), (AutoArray<float>{1, 2, 3, 4}));

  mlod::Model nlod = ModelOf({lod});
  nlod.container = mlod::Container::NLOD;
  ASSERT_TRUE(ReadModel(nlod, model));
  EXPECT_TRUE(model.Masses().empty());

  mlod::Model version0 = ModelOf({lod});
  version0.version = 0;
  ASSERT_TRUE(ReadModel(version0, model));
  EXPECT_TRUE(model.Masses().empty());

  lod.tags.clear();
  lod.AddMasses({1, 2, 3});  // one short
  lod.AddProperty("after", "1");
  ASSERT_TRUE(ReadModel(ModelOf({lod}), model));
  EXPECT_TRUE(model.Masses().empty());
  EXPECT_TRUE(model.Lod(0)->HadWarnings());
  EXPECT_EQ(model.Lod(0)->PropertyValue("after"), "1");
}

TEST_F(SourceTags, KeyFramesNeedTheKeyframeProperty) {
  mlod::Lod lod = FourPointLod();
  std::vector<Vector3> moved(4, Vector3{1, 2, 3});
  lod.AddKeyFrame(0.0f, moved).AddKeyFrame(0.5f, moved);
  LODShape model;
  ASSERT_TRUE(ReadModel(ModelOf({lod}), model));
  const Shape& shape = *model.Lod(0);
  ASSERT_EQ(shape.KeyFrames().size(), 2u);
  EXPECT_FLOAT_EQ(shape.KeyFrames()[1].time, 0.5f);
  EXPECT_FLOAT_EQ(shape.KeyFrames()[1].points[3].z, 3.0f);
  EXPECT_EQ(CountLines(messages, "Key frame animation, no 'keyframe' property"), 1);
  EXPECT_TRUE(shape.HadWarnings());

  mlod::Lod zero = lod;
  zero.AddProperty("keyframe", "0");
  ASSERT_TRUE(ReadModel(ModelOf({zero}), model));
  EXPECT_EQ(CountLines(messages, "Key frame animation, no 'keyframe' property"), 2);

  lod.AddProperty("KeyFrame", "1");
  ASSERT_TRUE(ReadModel(ModelOf({lod}), model));
  EXPECT_EQ(CountLines(messages, "Key frame animation, no 'keyframe' property"), 2);
  EXPECT_FALSE(model.Lod(0)->HadWarnings());
}

TEST_F(SourceTags, BrokenTagBlocks) {
  LODShape model;
  mlod::Lod lod = FourPointLod();
  lod.tagMagic = "TAGX";
  EXPECT_FALSE(ReadModel(ModelOf({lod}), model));
  EXPECT_TRUE(HasLine(messages, "Bad format"));

  // The file ends before the tag block.
  std::string bytes = mlod::WriteModel(ModelOf({FourPointLod()}));
  std::string cut = bytes.substr(0, bytes.find("TAGG"));
  EXPECT_FALSE(ReadBytes(cut, model));
  EXPECT_EQ(CountLines(messages, "Error loading tag"), 1);

  // A tag list without its end.
  lod = FourPointLod();
  lod.endOfFile = false;
  lod.writeResolution = false;
  EXPECT_FALSE(ReadModel(ModelOf({lod}), model));
  EXPECT_EQ(CountLines(messages, "Error loading tag"), 2);

  // A tag whose size runs past the end.
  bytes = mlod::WriteModel(ModelOf({FourPointLod()}));
  size_t end = bytes.find("#EndOfFile#");
  bytes[end + 64] = 100;
  EXPECT_FALSE(ReadBytes(bytes, model));
  EXPECT_EQ(CountLines(messages, "Error loading tag"), 3);

  // No resolution after the list.
  lod = FourPointLod();
  lod.writeResolution = false;
  EXPECT_FALSE(ReadModel(ModelOf({lod}), model));
  EXPECT_TRUE(HasLine(messages, "Error loading test.p3d (resolution)"));
}

}  // namespace
