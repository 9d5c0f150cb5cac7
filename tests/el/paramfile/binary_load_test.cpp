// Loading binary configurations: every accepted version built by hand, every failure,
// classes read on demand, and truncated or damaged input.
#include "tests/el/paramfile/param_test_support.h"

namespace {

// The tree all the hand-made files below describe:
//   class Base { n = 1; };  class Cfg: Base { s = "t"; list[] = {2, "t"}; class Inner { f = 0.5; }; };
void ExpectSampleTree(const ParamFile& file) {
  EXPECT_EQ((file >> "Base" >> "n").GetInt(), 1);
  const ParamClass* cfg = file.GetClass("Cfg");
  ASSERT_NE(cfg, nullptr);
  EXPECT_EQ(cfg->GetBase(), file.GetClass("Base"));
  EXPECT_EQ((*cfg >> "n").GetInt(), 1);
  EXPECT_EQ((*cfg >> "s").GetValue(), "t");
  EXPECT_EQ((*cfg >> "list").GetInt(0), 2);
  EXPECT_EQ((*cfg >> "list").GetValue(1), "t");
  EXPECT_FLOAT_EQ((*cfg >> "Inner" >> "f").GetFloat(), 0.5f);
}

// Versions 2 to 4: names through a table built while reading (int32 indexes in version 2,
// cint later), counts int32 before version 4, bodies in place beginning with their name.
std::string MakeOldVersion(int version) {
  Bytes b;
  auto index = [&](uint32_t i) -> Bytes& { return version == 2 ? b.I32(static_cast<int32_t>(i)) : b.Cint(i); };
  auto count = [&](uint32_t n) -> Bytes& { return version >= 4 ? b.Cint(n) : b.I32(static_cast<int32_t>(n)); };
  b.Magic().I32(version);
  index(0).Str("");                                // root name (string 0)
  b.Str("");                                       // root base
  count(2);
  b.U8(0);                                         // class Base, in place
  index(1).Str("Base");                            //   name (string 1)
  b.Str("");                                       //   base
  count(1);
  b.U8(1).U8(2);                                   //   n = 1
  index(2).Str("n");
  b.I32(1);
  b.U8(0);                                         // class Cfg: Base
  index(3).Str("Cfg");
  b.Str("Base");
  count(3);
  b.U8(1).U8(0);                                   //   s = "t"
  index(4).Str("s");
  index(5).Str("t");
  b.U8(2);                                         //   list[] = {2, "t"}
  index(6).Str("list");
  count(2);
  b.U8(2).I32(2);
  b.U8(0);
  index(5);                                        //   "t" again, by index
  b.U8(0);                                         //   class Inner
  index(7).Str("Inner");
  b.Str("");
  count(1);
  b.U8(1).U8(1);
  index(8).Str("f");
  b.F32(0.5f);
  return b.Data();
}

// Version 7: a string table at its own offset, offsets as in version 8.
std::string MakeVersion7(bool longHeader) {
  // strings: 0 "" 1 "Base" 2 "n" 3 "Cfg" 4 "s" 5 "t" 6 "list" 7 "Inner" 8 "f"
  size_t strings, enums, base, cfg, rootEnd, baseEnd, inner, cfgEnd, innerEnd;
  Bytes b;
  b.Magic();
  if (longHeader) b.I32(0);
  b.I32(7).Slot(strings).Slot(enums);
  b.Cint(0).Cint(2).U8(0).Cint(1).Slot(base).U8(0).Cint(3).Slot(cfg).Slot(rootEnd);  // root: Base, Cfg
  b.Here(base).Cint(0).Cint(1).U8(1).U8(2).Cint(2).I32(1).Slot(baseEnd);              // Base: n = 1
  b.Here(cfg, baseEnd).Cint(1).Cint(3);                                               // Cfg: Base, 3 entries
  b.U8(1).U8(0).Cint(4).Cint(5);                                                      //   s = "t"
  b.U8(2).Cint(6).Cint(2).U8(2).I32(2).U8(0).Cint(5);                                 //   list[] = {2, "t"}
  b.U8(0).Cint(7).Slot(inner).Slot(cfgEnd);                                           //   class Inner
  b.Here(inner).Cint(0).Cint(1).U8(1).U8(1).Cint(8).F32(0.5f).Slot(innerEnd);         // Inner: f = 0.5
  b.Here(strings, rootEnd, cfgEnd, innerEnd).I32(9);
  for (const char* s : {"", "Base", "n", "Cfg", "s", "t", "list", "Inner", "f"}) b.Str(s);
  b.Here(enums).I32(1).Str("Seven").I32(7);
  return b.Data();
}

std::string SampleVersion8() {
  ParamFile file;
  EXPECT_EQ(ParseString(file, "class Base { n = 1; }; class Cfg: Base { s = \"t\"; list[] = {2, \"t\"}; "
                              "class Inner { f = 0.5; }; }; enum { Seven = 7 };"),
            0);
  return SaveBinString(file);
}

TEST(ParamBinaryLoad, OlderVersionsBuiltByHand) {
  for (int version : {2, 3, 4}) {
    SCOPED_TRACE(version);
    CapturedMessages messages;
    ParamFile file("old.bin");
    ASSERT_EQ(LoadBinString(file, MakeOldVersion(version)), 0) << messages.All();
    ExpectSampleTree(file);
    EXPECT_TRUE(messages.Logged("Config old.bin uses old binary format " + std::to_string(version) + " - rekilnify"));
    EXPECT_TRUE(messages.errorLines.empty()) << messages.All();
  }
  for (bool longHeader : {false, true}) {
    CapturedMessages messages;
    ParamFile file("seven.bin");
    ASSERT_EQ(LoadBinString(file, MakeVersion7(longHeader)), 0) << messages.All();
    ExpectSampleTree(file);
    float seven = 0;
    ASSERT_TRUE(file.GetEvaluator() && file.GetEvaluator()->GetConstant("Seven", seven));
    EXPECT_EQ(seven, 7.0f);
    EXPECT_TRUE(messages.Logged("Config seven.bin uses old binary format 7 - rekilnify"));
    // Saving writes version 8, which loads to the same tree.
    EXPECT_EQ(SaveBinString(file), SampleVersion8());
  }
  ParamFile current;
  ASSERT_EQ(LoadBinString(current, SampleVersion8()), 0);
  ExpectSampleTree(current);
}

TEST(ParamBinaryLoad, HeaderFailures) {
  CapturedMessages messages;
  ParamFile file("bad.bin");
  EXPECT_EQ(LoadBinString(file, Bytes().U8('r').U8('a').U8('P').U8(0).I32(0).I32(8).Data()), 1);
  // A file cut inside its tag reads 0xFF bytes there: a wrong tag. Cut after it, the
  // data is corrupt.
  EXPECT_EQ(LoadBinString(file, ""), 1);
  EXPECT_EQ(LoadBinString(file, std::string("\0r", 2)), 1);
  EXPECT_EQ(LoadBinString(file, Bytes().Magic().U8(0).Data()), 4);
  for (int version : {6, 5, 1, 9, -1}) {
    messages.Clear();
    EXPECT_EQ(LoadBinString(file, Bytes().Magic().I32(0).I32(version).Data()), 3);
    EXPECT_TRUE(messages.Errored("Bad version " + std::to_string(version) + " in ParamFile bad.bin"));
  }
  ParamFile unnamed;
  EXPECT_EQ(LoadBinString(unnamed, Bytes().Magic().I32(6).Data()), 3);
  EXPECT_TRUE(messages.Errored("Bad version 6 in ParamFile No source"));
}

TEST(ParamBinaryLoad, StructureFailures) {
  CapturedMessages messages;
  // A string-table index that is not the next one.
  ParamFile file;
  EXPECT_EQ(LoadBinString(file, Bytes().Magic().I32(3).Cint(1).Data()), 4);
  EXPECT_TRUE(messages.Errored("FileStructure error"));
  // Version 7: an index beyond the table.
  std::string seven = MakeVersion7(false);
  seven[16] = 9;  // root base name: string 9 of 9
  ParamFile bad7;
  EXPECT_EQ(LoadBinString(bad7, seven), 4);
  // A string running past the end.
  messages.Clear();
  ParamFile open;
  EXPECT_EQ(LoadBinString(open, Bytes().Magic().I32(0).I32(8).I32(0).Str("").Cint(1).U8(1).U8(0).U8('x').Data()), 4);
  EXPECT_TRUE(messages.Errored("EOF in string"));
  // A compressed integer of six bytes, a count larger than the file.
  ParamFile cint;
  EXPECT_EQ(LoadBinString(cint, Bytes().Magic().I32(0).I32(8).I32(0).U8(0).U8(0x80).U8(0x80).U8(0x80).U8(0x80).U8(0x80).U8(0).Data()), 4);
  ParamFile huge;
  EXPECT_EQ(LoadBinString(huge, Bytes().Magic().I32(0).I32(8).I32(0).U8(0).Cint(0x7FFFFFFF).Data()), 4);
}

TEST(ParamBinaryLoad, UnknownTypesAreReported) {
  CapturedMessages messages;
  size_t enums, end;
  Bytes b;
  b.Magic().I32(0).I32(8).Slot(enums);
  b.U8(0).Cint(3);
  b.U8(1).U8(9).Str("odd").Str("text");      // value subtype 9: read as a string
  b.U8(2).Str("list").Cint(1).U8(7).Str("e");  // element subtype 7: read as a string
  b.U8(0x2A);                                // entry type 0x2A: skipped
  b.Slot(end).Here(enums, end).I32(0);
  ParamFile file("u.bin");
  EXPECT_EQ(LoadBinString(file, b.Data()), 0) << messages.All();
  EXPECT_TRUE(messages.Errored("Unknown value type 9"));
  EXPECT_TRUE(messages.Errored("Unknown array value type 7"));
  EXPECT_TRUE(messages.Errored("Unknown entry type 2a in u.bin"));
  EXPECT_EQ((file >> "odd").GetValue(), "text");
  EXPECT_EQ((file >> "list").GetValue(0), "e");
}

TEST(ParamBinaryLoad, OffsetsMustStayInsideTheirParent) {
  std::string good = SampleVersion8();
  ParamFile check;
  ASSERT_EQ(LoadBinString(check, good), 0);
  // Root: 00 02 | 00 "Base" off | 00 "Cfg" off | end. Point the offsets elsewhere.
  const size_t baseSlot = 16 + 2 + 1 + 5, cfgSlot = baseSlot + 4 + 1 + 4, rootEnd = cfgSlot + 4;
  for (auto [slot, value] : std::vector<std::pair<size_t, int>>{{baseSlot, 16},           // back into the root
                                                                {baseSlot, 1 << 30},      // past the end
                                                                {cfgSlot, int(baseSlot)},  // before its sibling
                                                                {rootEnd, 20},             // end before the bodies
                                                                {rootEnd, 1 << 30},
                                                                {12, 1 << 30}}) {          // enum table
    SCOPED_TRACE(slot);
    CapturedMessages messages;
    ParamFile file;
    EXPECT_EQ(LoadBinString(file, Bytes(good).PatchI32(slot, value).Data()), 4);
  }
}

TEST(ParamBinaryLoad, DuplicateNamesAndLoopingBasesInAFile) {
  CapturedMessages messages;
  // Two classes deriving from each other, and a second entry of the same name.
  size_t enums, a, b, rootEnd, aEnd, bEnd;
  Bytes bytes;
  bytes.Magic().I32(0).I32(8).Slot(enums);
  bytes.U8(0).Cint(4).U8(0).Str("A").Slot(a).U8(0).Str("B").Slot(b);
  bytes.U8(1).U8(2).Str("a").I32(1).U8(1).U8(2).Str("A").I32(2).Slot(rootEnd);
  bytes.Here(a).Str("B").Cint(0).Slot(aEnd);
  bytes.Here(b, aEnd).Str("A").Cint(0).Slot(bEnd);
  bytes.Here(enums, rootEnd, bEnd).I32(0);
  ParamFile file("loop.bin");
  EXPECT_EQ(LoadBinString(file, bytes.Data()), 0);
  EXPECT_TRUE(messages.Errored("loop.bin.A: Member already defined.")) << messages.All();
  EXPECT_TRUE(messages.Errored("loop.bin/B: Base class 'A' would derive from itself")) << messages.All();
  EXPECT_EQ(file.GetClass("A")->GetBase(), file.GetClass("B"));
  EXPECT_EQ(file.GetClass("B")->GetBase(), nullptr);
}

TEST(ParamBinaryLoad, AppendAndRemoveAppliedToTheInheritedArray) {
  ParamFile source;
  ParamClass* base = source.AddClass("Base");
  ParamArray* list = base->AddArray("list");
  list->AddValue(IParamArrayValue::Int(1));
  list->AddValue(IParamArrayValue::Int(2));
  ParamClass* add = source.AddClass("Add");
  add->SetBase(base);
  add->AddArray("list", kParamArrayAppend)->AddValue(IParamArrayValue::Int(3));
  ParamClass* remove = source.AddClass("Remove");
  remove->SetBase(base);
  remove->AddArray("list", kParamArrayRemove)->AddValue(IParamArrayValue::Int(1));
  ParamClass* alone = source.AddClass("Alone");
  alone->AddArray("list", kParamArrayAppend)->AddValue(IParamArrayValue::Int(4));

  ParamFile loaded;
  ASSERT_EQ(LoadBinString(loaded, SaveBinString(source)), 0);
  const ParamArray* added = (loaded >> "Add" >> "list").GetEntry()->GetArrayInterface();
  EXPECT_EQ(added->GetFlags(), 0);
  ASSERT_EQ(added->GetSize(), 3);
  EXPECT_EQ((*added)[2].GetInt(), 3);
  const ParamArray* removed = (loaded >> "Remove" >> "list").GetEntry()->GetArrayInterface();
  EXPECT_EQ(removed->GetFlags(), 0);
  ASSERT_EQ(removed->GetSize(), 1);
  EXPECT_EQ((*removed)[0].GetInt(), 2);
  // Without an inherited array the operation is kept for the merge.
  EXPECT_EQ((loaded >> "Alone" >> "list").GetEntry()->GetArrayInterface()->GetFlags(), kParamArrayAppend);
}

class OnDemand : public ParamOwner {
 public:
  bool CanLoadOnDemand() const override { return true; }
};

TEST(ParamBinaryLoad, ClassesReadOnDemand) {
  TempFolder folder;
  ParamFile source;
  ASSERT_EQ(ParseString(source, "class Base { n = 1; class Deep { d = 4; }; }; class Cfg: Base { x = 2; };"), 0);
  std::string path = folder.File("config.bin");
  ASSERT_TRUE(source.SaveBin(path));

  OnDemand owner;
  ParamFile file;
  ASSERT_EQ(file.LoadBin(path, &owner), 0);
  const ParamClass* cfg = static_cast<const ParamClass*>(file.FindOwn("Cfg"));
  const ParamClass* base = static_cast<const ParamClass*>(file.FindOwn("Base"));
  EXPECT_FALSE(cfg->IsBodyLoaded());
  EXPECT_FALSE(base->IsBodyLoaded());
  // Reading Cfg reads its body, and its base's body to resolve lookups through it.
  EXPECT_EQ((file >> "Cfg" >> "n").GetInt(), 1);
  EXPECT_TRUE(cfg->IsBodyLoaded());
  EXPECT_TRUE(base->IsBodyLoaded());
  const ParamClass* deep = static_cast<const ParamClass*>(base->FindOwn("Deep"));
  EXPECT_FALSE(deep->IsBodyLoaded());
  EXPECT_EQ((file >> "Base" >> "Deep" >> "d").GetInt(), 4);
  EXPECT_EQ(SaveBinString(file), SaveBinString(source));

  // Old versions are read at once.
  CapturedMessages messages;
  std::string oldPath = folder.Write("old.bin", MakeOldVersion(4));
  ParamFile old;
  ASSERT_EQ(old.LoadBin(oldPath, &owner), 0);
  EXPECT_TRUE(messages.Logged("Config " + oldPath + " may not be streamed, old version 4"));
  ExpectSampleTree(old);
}

TEST(ParamBinaryLoad, FilesThatAreMissingOrNotFiles) {
  TempFolder folder;
  ParamFile file;
  EXPECT_EQ(file.LoadBin(folder.File("none.bin")), 5);
  EXPECT_EQ(file.LoadBin(folder.Path().string()), 6);
}

TEST(ParamBinaryLoad, TruncatedFilesFailWithoutHarm) {
  std::string good = SampleVersion8();
  std::string seven = MakeVersion7(true);
  std::string four = MakeOldVersion(4);
  CapturedMessages messages;
  for (const std::string* bytes : {&good, &seven, &four}) {
    for (size_t size = 0; size < bytes->size(); ++size) {
      ParamFile file;
      EXPECT_NE(LoadBinString(file, bytes->substr(0, size)), 0) << size;
    }
  }
}

TEST(ParamBinaryLoad, GarbageNeverCrashes) {
  CapturedMessages messages;
  std::string good = SampleVersion8();
  uint32_t state = 12345;
  for (int round = 0; round < 3000; ++round) {
    std::string bytes = good;
    int flips = 1 + round % 4;
    for (int i = 0; i < flips; ++i) {
      state = state * 1103515245 + 12345;
      size_t at = 4 + (state >> 8) % (bytes.size() - 4);
      bytes[at] = static_cast<char>(state >> 24);
    }
    OnDemand owner;
    ParamFile file;
    auto in = std::make_shared<QIStrStream>(bytes.data(), static_cast<QFileSize>(bytes.size()));
    file.LoadBin(in, round % 2 ? &owner : nullptr);
    // Everything that loaded can be walked and saved.
    SaveBinString(file);
    SaveTextString(file);
  }
}

}  // namespace
