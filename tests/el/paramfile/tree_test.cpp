// The configuration tree: names, lookup, value access and its messages, access levels,
// base links.
#include "tests/el/paramfile/param_test_support.h"

namespace {

TEST(ParamTree, NamesCompareWithoutLetterCase) {
  // A small class is searched in order, a large one through its name index.
  for (int size : {3, 500}) {
    SCOPED_TRACE(size);
    ParamFile file("cfg.cpp");
    ParamClass* cls = file.AddClass("CfgVehicles");
    for (int i = 0; i < size; ++i) cls->AddValue("Value" + std::to_string(i), i);
    EXPECT_EQ(file.GetClass("cfgvehicles"), cls);
    for (int i = 0; i < size; i += 7) EXPECT_EQ((file >> "CFGVEHICLES" >> ("VALUE" + std::to_string(i))).GetInt(), i);
    // The same name in another letter case is not a second entry.
    EXPECT_EQ(cls->AddValue("VALUE1", 5), nullptr);
    EXPECT_EQ(cls->GetEntryCount(), size);
    EXPECT_TRUE(cls->Delete("value" + std::to_string(size / 2)));
    EXPECT_EQ(cls->FindOwn("Value" + std::to_string(size / 2)), nullptr);
    EXPECT_EQ((*cls >> ("Value" + std::to_string(size - 1))).GetInt(), size - 1);
  }
}

TEST(ParamTree, NamesInOtherLetterCasesAreFoundAfterParseLoadAndMerge) {
  const std::string text =
      "class CfgSkeletons { class Body { skeletonBones[] = {\"a\", \"\"}; }; };\n"
      "class CfgModels { class Default { sections[] = {\"x\"}; }; class Box: default { skeletonName = \"body\"; }; };\n";
  ParamFile parsed;
  ASSERT_EQ(ParseString(parsed, text), 0);
  ParamFile loaded;
  ASSERT_EQ(LoadBinString(loaded, SaveBinString(parsed)), 0);
  CapturedMessages messages;
  ParamFile merged("global");
  merged.Update(loaded, true, false);
  ParamFile later;
  ASSERT_EQ(ParseString(later, "class cfgmodels { class DEFAULT {}; class BOX: default { SKELETONNAME = \"other\"; }; };\n"), 0);
  merged.Update(later, true, false);
  for (const ParamFile* file : {&parsed, &loaded, &merged}) {
    EXPECT_EQ((*file >> "cfgskeletons" >> "BODY" >> "SkeletonBones").GetSize(), 2);
    ParamFindResult sections = (*file >> "CFGMODELS" >> "box").GetClass()->Find("SECTIONS", false, true);
    ASSERT_TRUE(sections);  // through the base, named in another case at parse time
    EXPECT_EQ(ParamEntryVal(sections).GetSize(), 1);
  }
  // The merge found the classes it updates whatever their case.
  EXPECT_EQ((merged >> "CfgModels" >> "Box" >> "skeletonName").GetValue(), "other");
  EXPECT_EQ(merged.GetEntryCount(), 2);
}

TEST(ParamTree, NameComparisonFoldsAsciiLettersOnly) {
  // Every length up to a few words (names are compared and hashed eight characters at a
  // time), with the difference in each position, against a character-by-character rule.
  auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
  const std::string alphabet = "aAzZ@[`{_09\x80\xC1\xE1\xFF";
  for (size_t size = 1; size <= 26; ++size) {
    for (size_t at = 0; at < size; ++at) {
      for (char x : alphabet) {
        for (char y : alphabet) {
          std::string a(size, 'k');
          std::string b(size, 'K');
          a[at] = x;
          b[at] = y;
          const bool same = fold(static_cast<unsigned char>(x)) == fold(static_cast<unsigned char>(y));
          ASSERT_EQ(ParamNamesEqual(a, b), same) << size << " " << at << " " << x << y;
          if (same) {
            ASSERT_EQ(ParamNameHash(a), ParamNameHash(b)) << size << " " << at << " " << x << y;
          }
        }
      }
    }
  }
  EXPECT_FALSE(ParamNamesEqual("abc", "abcd"));
  EXPECT_TRUE(ParamNamesEqual("", ""));
}

TEST(ParamTree, AddingRefusesTakenNamesAtEverySize) {
  // Names whose hashes are known already (as names shared by a parse are) and names new
  // to the tree, in classes of every size around the steps of the entry list and the
  // size from which a class has a name index.
  for (int size = 0; size <= 40; ++size) {
    SCOPED_TRACE(size);
    ParamFile file("f");
    ParamClass* cls = file.AddClass("C");
    for (int i = 0; i < size; ++i) {
      ParamString name("n" + std::to_string(i));
      if (i % 2) name.Hash();
      ASSERT_NE(cls->Add(MakeParamValue(name, i)), nullptr);
    }
    for (int i = 0; i < size; ++i) {
      ParamString name("N" + std::to_string(i));
      if (i % 3) name.Hash();
      EXPECT_EQ(cls->Add(MakeParamValue(name, -1)), nullptr);
    }
    ParamString access("ACCESS");
    access.Hash();
    EXPECT_NE(cls->Add(MakeParamValue(access, 1)), nullptr);
    EXPECT_EQ(cls->GetAccess(), 1);
    EXPECT_EQ(cls->Add(MakeParamValue(ParamString("access"), 2)), nullptr);
    EXPECT_EQ(cls->GetAccess(), 1);
    ASSERT_EQ(cls->GetEntryCount(), size + 1);
    for (int i = 0; i < size; ++i) EXPECT_EQ((*cls >> ("n" + std::to_string(i))).GetInt(), i);
  }
}

TEST(ParamTree, FindSearchesOwnEntriesThenBasesThenEnclosingClasses) {
  ParamFile file;
  file.AddValue("outer", 1);
  ParamClass* base = file.AddClass("Base");
  base->AddValue("inherited", 2);
  base->AddValue("shadowed", 3);
  ParamClass* derived = file.AddClass("Derived");
  ASSERT_TRUE(derived->SetBase(base));
  derived->AddValue("shadowed", 4);
  ParamClass* inner = derived->AddClass("Inner");

  ParamFindResult own = derived->Find("shadowed", false, false);
  ASSERT_TRUE(own);
  EXPECT_EQ(own.holder, derived);
  EXPECT_EQ(own.entry->GetInt(own.holder), 4);

  EXPECT_FALSE(derived->Find("inherited", false, false));
  ParamFindResult viaBase = derived->Find("inherited", false, true);
  ASSERT_TRUE(viaBase);
  EXPECT_EQ(viaBase.holder, base);

  EXPECT_FALSE(inner->Find("outer", false, true));
  EXPECT_TRUE(inner->Find("outer", true, false));
  // Enclosing classes are searched with their bases when both switches are set.
  EXPECT_FALSE(inner->Find("inherited", true, false));
  EXPECT_TRUE(inner->Find("inherited", true, true));
  // A skipped entry is passed over and the search goes on outwards.
  ParamFindResult skipped = inner->Find("Derived", true, true, derived);
  EXPECT_FALSE(skipped);
}

TEST(ParamTree, HiddenEntriesAreReportedAndPassedOver) {
  struct HideNamedSecret : ParamVisibility {
    bool IsVisible(const ParamEntry& entry) const override { return !entry.GetName().SameName("secret"); }
  } filter;
  CapturedMessages messages;
  ParamFile file("f");
  ParamClass* base = file.AddClass("Base");
  base->AddValue("secret", 1);
  ParamClass* derived = file.AddClass("Derived");
  derived->SetBase(base);
  derived->AddValue("secret", 2);
  EXPECT_FALSE(derived->Find("secret", false, true, nullptr, &filter));
  EXPECT_TRUE(messages.Logged("Entry secret in f/Derived is not visible"));
  EXPECT_TRUE(messages.Logged("Entry secret in f/Base is not visible"));
}

TEST(ParamTree, FullNamesJoinClassesFromTheRoot) {
  ParamFile file("bin\\config.bin");
  ParamClass* a = file.AddClass("CfgA");
  ParamClass* b = a->AddClass("B");
  EXPECT_EQ(b->GetFullName(), "bin\\config.bin/CfgA/B");
  EXPECT_EQ(b->GetMemberFullName("x"), "bin\\config.bin/CfgA/B.x");
  ParamFile unnamed;
  EXPECT_EQ(unnamed.AddClass("C")->GetFullName(), "C");
  // At most 511 characters.
  ParamClass* deep = &file;
  for (int i = 0; i < 40; ++i) deep = deep->AddClass("LongClassName" + std::to_string(i));
  EXPECT_EQ(deep->GetFullName().size(), ParamClass::kMaxFullName);
}

TEST(ParamTree, ValueConversions) {
  CapturedMessages messages;
  ParamFile file;
  file.MakeEvaluator().SetConstant("ten", 10);
  file.AddValue("i", 7);
  file.AddValue("f", 2.5f);
  file.AddValue("l", int64_t{5000000000});
  file.AddValue("s", std::string_view("12"));
  file.AddValue("hex", std::string_view("0x10"));
  file.AddValue("real", std::string_view("3.5"));
  file.AddValue("expr", std::string_view("ten * 2 + 1"));
  file.AddValue("word", std::string_view("true"));
  file.Add(MakeParamExpression(ParamString("e"), "ten / 4"));

  EXPECT_EQ((file >> "i").GetValue(), "7");
  EXPECT_FLOAT_EQ((file >> "i").GetFloat(), 7.0f);
  EXPECT_EQ((file >> "f").GetInt(), 2);  // to even
  EXPECT_EQ((file >> "f").GetValue(), "2.5");
  EXPECT_EQ((file >> "l").GetInt64(), 5000000000);
  EXPECT_EQ((file >> "l").GetInt(), 2147483647);
  EXPECT_EQ((file >> "s").GetInt(), 12);
  EXPECT_EQ((file >> "hex").GetInt(), 16);
  EXPECT_FLOAT_EQ((file >> "hex").GetFloat(), 16.0f);
  EXPECT_FLOAT_EQ((file >> "real").GetFloat(), 3.5f);
  EXPECT_TRUE(messages.logLines.empty());
  EXPECT_EQ((file >> "real").GetInt(), 4);
  EXPECT_TRUE(messages.Logged("Warning: rounding float value 3.5"));
  EXPECT_EQ((file >> "expr").GetInt(), 21);
  EXPECT_FLOAT_EQ((file >> "expr").GetFloat(), 21.0f);
  EXPECT_TRUE((file >> "word").GetBool());
  EXPECT_FLOAT_EQ((file >> "e").GetFloat(), 2.5f);
  EXPECT_EQ((file >> "e").GetValue(), "2.5");
  EXPECT_TRUE((file >> "e").GetEntry()->IsExpression());

  // A value outside any file cannot be evaluated.
  auto loose = MakeParamValue(ParamString("x"), std::string_view("a + 1"));
  EXPECT_EQ(loose->GetInt(nullptr), 0);
  EXPECT_TRUE(messages.Logged("Cannot evaluate 'a + 1' - no file"));
}

TEST(ParamTree, AccessMessages) {
  CapturedMessages messages;
  ParamFile file("f.cpp");
  ParamClass* cfg = file.AddClass("Cfg");
  cfg->AddValue("value", 1);
  ParamArray* list = cfg->AddArray("list");
  list->AddValue(IParamArrayValue::Int(1));
  list->AddValue(IParamArrayValue::String("two"));
  cfg->AddClass("Declared", ParamClass::Kind::Declared);

  EXPECT_FALSE(file >> "Cfg" >> "missing");
  EXPECT_TRUE(messages.Errored("No entry 'f.cpp/Cfg.missing'."));
  // A missing class reports once; deeper access stays silent.
  messages.Clear();
  EXPECT_FALSE(file >> "Nothing" >> "deeper" >> "still");
  EXPECT_EQ(messages.errorLines.size(), 1u);

  messages.Clear();
  EXPECT_EQ((file >> "Cfg").GetInt(), 0);
  EXPECT_TRUE(messages.Errored("'f.cpp/Cfg' is not a value"));
  EXPECT_EQ((file >> "Cfg" >> "list").GetValue(), "");
  EXPECT_TRUE(messages.Errored("'f.cpp/Cfg.list' is not a value"));
  EXPECT_EQ((file >> "Cfg" >> "value").GetSize(), 0);
  EXPECT_TRUE(messages.Errored("'f.cpp/Cfg.value' is not an array."));
  EXPECT_EQ((file >> "Cfg" >> "list").GetSize(), 2);
  EXPECT_EQ((file >> "Cfg" >> "list").GetValue(1), "two");
  EXPECT_EQ((file >> "Cfg" >> "list").GetItem(2), nullptr);
  EXPECT_TRUE(messages.Errored("Config: 'f.cpp/Cfg.list' array does not have 3 entries."));

  EXPECT_EQ(cfg->GetClass("Declared"), nullptr);
  EXPECT_TRUE(messages.Errored("class 'Declared' is not defined ('f.cpp/Cfg.Declared' accessed)"));
  EXPECT_EQ(cfg->GetClass("value"), nullptr);
  EXPECT_TRUE(messages.Errored("'value' is not a class ('f.cpp/Cfg.value' accessed)"));
  EXPECT_FALSE(file >> "Cfg" >> "value" >> "x");
  EXPECT_TRUE(messages.Errored("'f.cpp/Cfg.value' is not a class ('f.cpp/Cfg.value/x' accessed)"));
}

TEST(ParamTree, AccessLevelsRefuseChanges) {
  CapturedMessages messages;
  ParamFile file("f");
  ParamClass* addOnly = file.AddClass("AddOnly");
  addOnly->AddValue("old", 1);
  addOnly->AddValue("access", 1);
  EXPECT_EQ(addOnly->GetAccess(), 1);
  EXPECT_FALSE(addOnly->SetValue("old", 2));
  EXPECT_TRUE(messages.Errored("Trying to modify add-only entry f/AddOnly.old"));
  EXPECT_TRUE(addOnly->SetValue("fresh", 3));
  EXPECT_EQ((*addOnly >> "old").GetInt(), 1);
  EXPECT_EQ((*addOnly >> "fresh").GetInt(), 3);

  ParamClass* readOnly = file.AddClass("ReadOnly");
  readOnly->AddArray("list")->AddValue(IParamArrayValue::Int(1));
  readOnly->AddValue("access", std::string_view("2"));
  EXPECT_EQ(readOnly->GetAccess(), 2);
  EXPECT_FALSE(readOnly->SetValue("fresh", 1));
  EXPECT_TRUE(messages.Errored("Trying to modify read-only entry f/ReadOnly.fresh"));
  EXPECT_FALSE(readOnly->SetArrayItem("list", 0, IParamArrayValue::Int(5)));
  EXPECT_TRUE(messages.Errored("Attempt to modify read-only item f/ReadOnly.list"));

  ParamClass* open = file.AddClass("Open");
  open->AddArray("list")->AddValue(IParamArrayValue::Int(1));
  EXPECT_TRUE(open->SetArrayItem("list", 0, IParamArrayValue::Float(5)));
  EXPECT_FLOAT_EQ((*open >> "list").GetFloat(0), 5.0f);
  open->SetAccess(1);
  EXPECT_FALSE(open->SetArrayItem("list", 0, IParamArrayValue::Int(6)));
  EXPECT_TRUE(messages.Errored("Attempt to modify add-only item f/Open.list"));
}

TEST(ParamTree, BaseLinksNeverLoopAndKeepReferencedClasses) {
  CapturedMessages messages;
  ParamFile file("f");
  ParamClass* a = file.AddClass("A");
  ParamClass* b = file.AddClass("B");
  ParamClass* c = file.AddClass("C");
  ASSERT_TRUE(b->SetBase(a));
  ASSERT_TRUE(c->SetBase(b));
  EXPECT_FALSE(a->SetBase(c));
  EXPECT_TRUE(messages.Errored("f/A: Base class 'C' would derive from itself"));
  EXPECT_FALSE(a->SetBase(a));
  EXPECT_EQ(a->GetBase(), nullptr);

  // A class from another tree is no base.
  ParamFile other;
  EXPECT_FALSE(other.AddClass("X")->SetBase(a));

  EXPECT_FALSE(file.Delete("A"));
  EXPECT_TRUE(messages.Errored("Cannot delete class f/A, it is referenced somewhere (used as a base class probably)."));
  EXPECT_TRUE(file.Delete("C"));
  EXPECT_TRUE(file.Delete("B"));
  EXPECT_TRUE(file.Delete("A"));
  EXPECT_EQ(file.GetEntryCount(), 0);
}

TEST(ParamTree, NestedClassUsedAsBaseKeepsItsEnclosingClass) {
  CapturedMessages messages;
  ParamFile file("f");
  ParamClass* holder = file.AddClass("Holder");
  ParamClass* inner = holder->AddClass("Inner");
  ParamClass* user = file.AddClass("User");
  ASSERT_TRUE(user->SetBase(inner));
  EXPECT_TRUE(holder->IsReferencedFromOutside());
  EXPECT_FALSE(file.Delete("Holder"));
  // Links inside the removed subtree do not keep it.
  ParamClass* self = file.AddClass("Self");
  ParamClass* selfA = self->AddClass("A");
  self->AddClass("B")->SetBase(selfA);
  EXPECT_FALSE(self->IsReferencedFromOutside());
  EXPECT_TRUE(file.Delete("Self"));
  // Replacing a base class by a value is refused as well.
  EXPECT_FALSE(file.Replace(MakeParamValue(ParamString("Holder"), 1)));
  EXPECT_TRUE(file.GetClass("Holder"));
}

TEST(ParamTree, CloneCopiesEntriesButNoBase) {
  ParamFile file;
  ParamClass* base = file.AddClass("Base");
  ParamClass* cls = file.AddClass("Cls");
  cls->SetBase(base);
  cls->AddValue("x", 1);
  cls->AddArray("list")->AddValue(IParamArrayValue(ParamArrayValueArray({IParamArrayValue::Int(1)})));
  std::unique_ptr<ParamEntry> copy = cls->Clone();
  const ParamClass* copied = copy->GetClassInterface();
  ASSERT_NE(copied, nullptr);
  EXPECT_EQ(copied->GetBase(), nullptr);
  EXPECT_EQ(copied->GetEntryCount(), 2);
  EXPECT_EQ((*copied >> "list").GetItem(0)->GetItems()->size(), 1u);
  // The copy is independent of the original.
  cls->Delete("x");
  EXPECT_EQ((*copied >> "x").GetInt(), 1);
}

TEST(ParamTree, ClassDestroyedWhileLockedIsReported) {
  CapturedMessages messages;
  {
    ParamFile file("f");
    ParamClass* cls = file.AddClass("Busy");
    cls->Lock();
    cls->Lock();
    cls->Unlock();
    EXPECT_EQ(cls->GetLockCount(), 1);
  }
  EXPECT_TRUE(messages.Logged("Class f/Busy destroyed with lock count 1"));
}

TEST(ParamTree, ArrayRemovalComparesStringsByTextAndNumbersByValue) {
  CapturedMessages messages;
  ParamArray array(ParamString("list"));
  array.AddValue(IParamArrayValue::Int(1));
  array.AddValue(IParamArrayValue::Float(2));
  array.AddValue(IParamArrayValue::String("a"));
  array.AddValue(IParamArrayValue::String("1"));
  array.RemoveFrom({IParamArrayValue::Float(1), IParamArrayValue::Int(2), IParamArrayValue::String("1"),
                    IParamArrayValue::String("A")});
  ASSERT_EQ(array.GetSize(), 1);
  EXPECT_EQ(array[0].GetValue(), "a");
  EXPECT_TRUE(messages.Errored("Failed to remove array entry 'A' from 'list'"));

  // One element per removed value, the first that is equal.
  ParamArray repeated(ParamString("repeated"));
  for (int value : {1, 2, 1, 3, 1}) repeated.AddValue(IParamArrayValue::Int(value));
  repeated.RemoveFrom({IParamArrayValue::Int(1), IParamArrayValue::Float(1), IParamArrayValue::Int(3)});
  ASSERT_EQ(repeated.GetSize(), 2);
  EXPECT_EQ(repeated[0].GetInt(), 2);
  EXPECT_EQ(repeated[1].GetInt(), 1);

  array.AppendFrom({IParamArrayValue(ParamArrayValueArray()), IParamArrayValue::Expression("1+1")});
  EXPECT_TRUE(messages.Errored("Attempted to add unsupported type 3 with value '' to array 'list'"));
  EXPECT_TRUE(messages.Errored("Attempted to add unsupported type 4 with value '1+1' to array 'list'"));
  array.RemoveFrom({IParamArrayValue(ParamArrayValueArray())});
  EXPECT_TRUE(messages.Errored("Attempted to remove unsupported type 3 with value '' to array 'list'"));
  EXPECT_EQ(array.GetSize(), 1);
}

}  // namespace
