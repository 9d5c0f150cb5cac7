// The tag block of a LOD: named selections with weights, properties, masses, key frames,
// material colours, skipped tags, and the failures of the block.
#include <gtest/gtest.h>

#include "tests/lib/shape/shape_test_support.h"

namespace {

using namespace shape_test;

class SourceTags : public ShapeTest {};

mlod::Lod FourPointLod() { return mlod::MakeGridLod(1, 1, 1.0f); }  // 4 points, 2 faces

TEST_F(SourceTags, SelectionWeights) {
  mlod::Lod lod = FourPointLod();
  // Stored bytes: 1 (full weight), 255 (weight 1), 0 (not selected), 128.
  lod.AddTag("Door", std::string("\x01\xFF\x00\x80\x00\x01", 6));
  lod.AddSelection("weights", {255, 1, 0, 200}, {0, 0});  // weights the writer encodes
  const Shape& shape = Read({lod});
  ASSERT_EQ(shape.Selections().size(), 2u);
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
  EXPECT_EQ(shape.Selections()[1].PointWeights(), (AutoArray<uint8_t>{255, 1, 200}));
  EXPECT_TRUE(shape.Selections()[1].Faces().empty());
}

TEST_F(SourceTags, SelectionVerticesFollowSplitPoints) {
  mlod::Lod lod = FourPointLod();
  lod.faces[1].corners[0].u = 0.5f;  // point 0 gets a second vertex
  lod.AddSelectionOf("corner", {0}, {});
  const Shape& shape = Read({lod});
  ASSERT_EQ(shape.NVertices(), 5);
  EXPECT_EQ(shape.Selections()[0].Vertices(), (AutoArray<uint16_t>{0, 3}));
  EXPECT_FALSE(shape.Selections()[0].HasWeights());
}

TEST_F(SourceTags, RepeatedSelectionNameKeepsTheLast) {
  mlod::Lod lod = FourPointLod();
  lod.AddSelectionOf("wheel", {0}, {});
  lod.AddSelectionOf("other", {2}, {});
  lod.AddSelectionOf("Wheel", {1}, {1});
  const AutoArray<NamedSelection>& selections = Read({lod}).Selections();
  ASSERT_EQ(selections.size(), 2u);
  EXPECT_EQ(selections[0].Name(), "wheel");
  EXPECT_EQ(selections[0].Points(), (AutoArray<int>{1}));
  EXPECT_EQ(selections[0].Faces(), (AutoArray<int>{1}));
}

TEST_F(SourceTags, BadSelectionSizeIsSkipped) {
  mlod::Lod lod = FourPointLod();
  lod.AddTag("short", std::string(5, '\x01'));  // 4 points + 2 faces - 1
  lod.AddSelectionOf("good", {1}, {0});
  const Shape& shape = Read({lod});
  EXPECT_TRUE(HasLine(messages, "Invalid named selection short"));
  ASSERT_EQ(shape.Selections().size(), 1u);
  EXPECT_EQ(shape.Selections()[0].Name(), "good");
  EXPECT_TRUE(shape.HadWarnings());
}

TEST_F(SourceTags, LongTagNames) {
  mlod::Lod lod = FourPointLod();
  std::string selection(6, '\0');
  selection[0] = 1;
  lod.AddTag(std::string(100, 'x'), selection, true);
  lod.AddTag(std::string(1030, 'y'), selection, true);
  const AutoArray<NamedSelection>& selections = Read({lod}).Selections();
  ASSERT_EQ(selections.size(), 2u);
  EXPECT_EQ(selections[0].Name(), std::string(100, 'x'));
  EXPECT_EQ(selections[1].Name(), std::string(1024, 'y'));
  EXPECT_TRUE(HasLine(messages, "Too long tag (selection) name yyyy"));
}

TEST_F(SourceTags, ShortNamesMayFillAllSixtyFourBytes) {
  std::string bytes = mlod::WriteModel(ModelOf({FourPointLod()}));
  // Replace "#EndOfFile#" by a 64-character selection name, then end the list.
  size_t end = bytes.find("#EndOfFile#");
  ASSERT_NE(end, std::string::npos);
  std::string tag = std::string(64, 'n') + std::string("\x06\0\0\0", 4) + std::string("\x01\0\0\0\0\0", 6);
  std::string eof = "#EndOfFile#" + std::string(53, '\0') + std::string(4, '\0');
  bytes = bytes.substr(0, end) + tag + eof + bytes.substr(end + 68);
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
  const Shape& shape = Read({lod});
  EXPECT_TRUE(shape.Selections().empty());
  EXPECT_EQ(shape.PropertyValue("after"), "1");
  EXPECT_FALSE(shape.HadWarnings());
}

TEST_F(SourceTags, PropertiesAndMaterialColours) {
  mlod::Lod lod = FourPointLod();
  lod.AddProperty("Map", "building");
  lod.AddProperty("autocenter", "0");
  lod.AddProperty("map", "house");  // the same name again: the value changes
  lod.AddProperty(std::string(64, 'k'), std::string(64, 'v'));
  lod.AddMaterialIndex(0x11223344, 0xFFFFFFFF, 0x0000000A, 0x80000000);
  const NamedProperties& props = Read({lod}).Properties();
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
  Read({TriangleLod(), lod});
  EXPECT_EQ(model.Masses(), (AutoArray<float>{1, 2, 3, 4}));

  mlod::Model nlod = ModelOf({lod});
  nlod.container = mlod::Container::NLOD;
  mlod::Model version0 = ModelOf({lod});
  version0.version = 0;
  for (const mlod::Model& source : {nlod, version0}) {
    ASSERT_TRUE(ReadModel(source, model));
    EXPECT_TRUE(model.Masses().empty());
  }

  lod.tags.clear();
  lod.AddMasses({1, 2, 3});  // one short
  lod.AddProperty("after", "1");
  const Shape& shape = Read({lod});
  EXPECT_TRUE(model.Masses().empty());
  EXPECT_TRUE(shape.HadWarnings());
  EXPECT_EQ(shape.PropertyValue("after"), "1");
}

TEST_F(SourceTags, KeyFramesNeedTheKeyframeProperty) {
  mlod::Lod lod = FourPointLod();
  std::vector<Vector3> moved(4, Vector3{1, 2, 3});
  lod.AddKeyFrame(0.0f, moved).AddKeyFrame(0.5f, moved);
  const Shape& shape = Read({lod});
  ASSERT_EQ(shape.KeyFrames().size(), 2u);
  EXPECT_FLOAT_EQ(shape.KeyFrames()[1].time, 0.5f);
  EXPECT_FLOAT_EQ(shape.KeyFrames()[1].points[3].z, 3.0f);
  EXPECT_EQ(CountLines(messages, "Key frame animation, no 'keyframe' property"), 1);
  EXPECT_TRUE(shape.HadWarnings());

  mlod::Lod zero = lod;
  zero.AddProperty("keyframe", "0");
  Read({zero});
  EXPECT_EQ(CountLines(messages, "Key frame animation, no 'keyframe' property"), 2);

  lod.AddProperty("KeyFrame", "1");
  EXPECT_FALSE(Read({lod}).HadWarnings());
  EXPECT_EQ(CountLines(messages, "Key frame animation, no 'keyframe' property"), 2);
}

}  // namespace
