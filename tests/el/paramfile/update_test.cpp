// Merging configurations (Update) and the pass after it (Refresh).
#include "tests/el/paramfile/param_test_support.h"

namespace {

class ParamUpdate : public ::testing::Test {
 protected:
  // Parses `text` as a file named `name` and merges it into `global` (protected, as the
  // tool does).
  void Merge(const std::string& text, const std::string& name = "addon.cpp") {
    ParamFile source;
    ASSERT_EQ(ParseString(source, text, name), 0) << text;
    global.Update(source);
    global.Refresh();
  }

  CapturedMessages messages;
  ParamFile global{"global"};
};

std::vector<int> Ints(const ParamEntryVal& array) {
  std::vector<int> values;
  for (int i = 0; i < array.GetSize(); ++i) values.push_back(array.GetInt(i));
  return values;
}

TEST_F(ParamUpdate, ValuesReplaceAndClassesMergeRecursively) {
  Merge("class Cfg { a = 1; b = 2; class Inner { x = 1; }; };");
  Merge("class Cfg { b = \"two\"; c = 3; class Inner { y = 2; }; class New { z = 3; }; };");
  EXPECT_EQ((global >> "Cfg" >> "a").GetInt(), 1);
  EXPECT_EQ((global >> "Cfg" >> "b").GetValue(), "two");
  EXPECT_EQ((global >> "Cfg" >> "c").GetInt(), 3);
  EXPECT_EQ((global >> "Cfg" >> "Inner" >> "x").GetInt(), 1);
  EXPECT_EQ((global >> "Cfg" >> "Inner" >> "y").GetInt(), 2);
  EXPECT_EQ((global >> "Cfg" >> "New" >> "z").GetInt(), 3);
  // A replaced value goes to the end.
  const ParamClass* cfg = global.GetClass("Cfg");
  EXPECT_EQ(cfg->GetEntry(cfg->GetEntryCount() - 1).GetName().View(), "New");
  EXPECT_EQ(cfg->GetEntry(1).GetName().View(), "Inner");
  EXPECT_TRUE(messages.errorLines.empty()) << messages.All();
}

TEST_F(ParamUpdate, ArraysAssignAppendAndRemove) {
  Merge("class C { list[] = {1}; other[] = {1, 2, 3}; };");
  Merge("class C { list[] += {2}; };");
  EXPECT_EQ(Ints(global >> "C" >> "list"), (std::vector<int>{1, 2}));
  Merge("class C { list[] -= {1}; };");
  EXPECT_EQ(Ints(global >> "C" >> "list"), (std::vector<int>{2}));
  Merge("class C { list[] -= {2}; };");
  EXPECT_EQ((global >> "C" >> "list").GetSize(), 0);
  Merge("class C { other[] = {9}; fresh[] += {4}; };");
  EXPECT_EQ(Ints(global >> "C" >> "other"), (std::vector<int>{9}));
  EXPECT_EQ(Ints(global >> "C" >> "fresh"), (std::vector<int>{4}));
  EXPECT_EQ((global >> "C" >> "fresh").GetEntry()->GetArrayInterface()->GetFlags(), 0);
  EXPECT_TRUE(messages.errorLines.empty()) << messages.All();

  Merge("class C { other[] -= {5}; };");
  EXPECT_TRUE(messages.Errored("Failed to remove array entry '5' from 'other'"));
  Merge("class C { value = 1; }; class C2 { value[] = {1}; };");
  Merge("class C { value[] = {1}; };");
  EXPECT_TRUE(messages.Errored("global/C.value: Cannot update non array from array"));
  EXPECT_EQ((global >> "C" >> "value").GetInt(), 1);
  Merge("class C { other[] += {{1}, \"s\", 2.5}; };");
  EXPECT_TRUE(messages.Errored("Attempted to add unsupported type 3 with value '' to array 'other'"));
  EXPECT_EQ((global >> "C" >> "other").GetSize(), 3);
}

TEST_F(ParamUpdate, BaseChanges) {
  Merge("class A {}; class B {}; class X: A { x = 1; };");
  EXPECT_EQ(global.GetClass("X")->GetBase(), global.GetClass("A"));
  Merge("class B {}; class X: B {};", "second.cpp");
  EXPECT_EQ(global.GetClass("X")->GetBase(), global.GetClass("B"));
  EXPECT_TRUE(messages.Logged("Updating base class A->B, by second.cpp"));
  Merge("class X {};", "third.cpp");
  EXPECT_EQ(global.GetClass("X")->GetBase(), nullptr);
  EXPECT_TRUE(messages.Logged("Updating base class B->, by third.cpp"));

  // Quiet merges change bases without the log line.
  messages.Clear();
  ParamFile quiet;
  ASSERT_EQ(ParseString(quiet, "class A {}; class X: A {};"), 0);
  global.Update(quiet, true, true);
  EXPECT_EQ(global.GetClass("X")->GetBase(), global.GetClass("A"));
  EXPECT_TRUE(messages.logLines.empty()) << messages.All();
}

TEST_F(ParamUpdate, BaseFoundNowhereLeavesTheClassUnchanged) {
  Merge("class X { x = 1; };");
  // X's base is a class nested elsewhere in the source; from X's place in the global
  // file no class of that name can be found.
  ParamFile source("addon.cpp");
  ParamClass* hidden = source.AddClass("Holder")->AddClass("Missing");
  ParamClass* x = source.AddClass("X");
  ASSERT_TRUE(x->SetBase(hidden));
  x->AddValue("x", 2);
  x->AddValue("y", 3);
  global.Update(source);
  EXPECT_TRUE(messages.Errored("Error updating 'global/X' by 'addon.cpp/X', base 'Missing'")) << messages.All();
  EXPECT_TRUE(messages.Errored("global/X: Cannot find base class 'Missing'")) << messages.All();
  EXPECT_EQ((global >> "X" >> "x").GetInt(), 1);
  EXPECT_FALSE(global.GetClass("X")->FindOwn("y"));
}

TEST_F(ParamUpdate, BaseLookupPassesOverTheClassItself) {
  Merge("class Item { a = 1; }; class Cfg { class Item: Item { b = 2; }; };");
  const ParamClass* inner = global.GetClass("Cfg")->GetClass("Item");
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(inner->GetBase(), global.GetClass("Item"));
  EXPECT_EQ((*inner >> "a").GetInt(), 1);
}

TEST_F(ParamUpdate, MergingCannotMakeBasesLoop) {
  Merge("class A {}; class B: A {};");
  // B loses its base before A takes B as its base: no loop.
  Merge("class B {}; class A: B {};");
  const ParamClass* a = global.GetClass("A");
  const ParamClass* b = global.GetClass("B");
  EXPECT_EQ(b->GetBase(), nullptr);
  EXPECT_EQ(a->GetBase(), b);
  // B: A while A still derives from B would close a loop: refused, the rest merges.
  Merge("class A; class B: A { x = 1; };");
  EXPECT_TRUE(messages.Errored("global/B: Base class 'A' would derive from itself")) << messages.All();
  EXPECT_EQ(b->GetBase(), nullptr);
  EXPECT_EQ((global >> "B" >> "x").GetInt(), 1);
  EXPECT_FALSE(global.Find("nothing", false, true));
}

TEST_F(ParamUpdate, DeletionsAndReferencedClasses) {
  Merge("class Used {}; class User: Used {}; class Unused {};");
  Merge("delete Used; delete Unused; delete NotThere;");
  EXPECT_TRUE(global.GetClass("Used"));
  EXPECT_FALSE(global.FindOwn("Unused"));
  EXPECT_FALSE(global.FindOwn("NotThere"));
  EXPECT_TRUE(messages.Errored(
      "Cannot delete class global/Used, it is referenced somewhere (used as a base class probably)."));
  // Once nothing derives from it, the class can go.
  Merge("class User {}; delete Used;");
  EXPECT_FALSE(global.FindOwn("Used"));
}

TEST_F(ParamUpdate, DeclarationsMakeSureAClassExists) {
  Merge("class Base { class Inherited {}; }; class Cfg: Base { class Existing { x = 1; }; };");
  Merge("class Base; class Cfg: Base { class Existing; class Inherited; class Nowhere; };", "decl.cpp");
  const ParamClass* cfg = global.GetClass("Cfg");
  EXPECT_EQ((*cfg >> "Existing" >> "x").GetInt(), 1);
  EXPECT_FALSE(cfg->FindOwn("Inherited"));
  const ParamClass* created = cfg->GetClass("Nowhere");
  ASSERT_NE(created, nullptr);
  EXPECT_TRUE(created->IsDefined());
  EXPECT_EQ(created->GetEntryCount(), 0);
  EXPECT_TRUE(messages.Logged(
      "Note: 'Nowhere' is declared, but definition was not found. Creating empty class (source: decl.cpp)"));
  EXPECT_FALSE(messages.Logged(
      "Note: 'Base' is declared, but definition was not found. Creating empty class (source: decl.cpp)"));
}

TEST_F(ParamUpdate, AccessLevels) {
  Merge("class Locked { access = 2; x = 1; }; class AddOnly { access = 1; x = 1; list[] = {1}; };");
  Merge("class Locked { x = 2; y = 3; };", "mod.cpp");
  EXPECT_EQ((global >> "Locked" >> "x").GetInt(), 1);
  EXPECT_FALSE(global.GetClass("Locked")->FindOwn("y"));
  EXPECT_TRUE(messages.Errored("Trying to modify read-only entry global/Locked.** Update **, by mod.cpp"))
      << messages.All();

  Merge("class Base {}; class AddOnly: Base { x = 2; y = 3; list[] += {2}; class Sub { z = 1; }; };", "mod.cpp");
  const ParamClass* addOnly = global.GetClass("AddOnly");
  EXPECT_EQ((*addOnly >> "x").GetInt(), 1);
  EXPECT_EQ((*addOnly >> "y").GetInt(), 3);
  EXPECT_EQ(Ints(*addOnly >> "list"), (std::vector<int>{1}));
  EXPECT_EQ((*addOnly >> "Sub" >> "z").GetInt(), 1);
  EXPECT_EQ(addOnly->GetBase(), nullptr);
  EXPECT_TRUE(messages.Errored("Trying to modify add-only entry global/AddOnly.** Update base ->Base **, by mod.cpp"));
  EXPECT_TRUE(messages.Errored("Trying to modify add-only entry global/AddOnly.**Update** entry: x"));
  EXPECT_TRUE(messages.Errored("Trying to modify add-only entry global/AddOnly.**Update** entry: list"));

  // Without protection the levels do not apply.
  ParamFile source;
  ASSERT_EQ(ParseString(source, "class Locked { x = 5; };"), 0);
  global.Update(source, false);
  EXPECT_EQ((global >> "Locked" >> "x").GetInt(), 5);
}

TEST_F(ParamUpdate, NonClassTargetAndConstants) {
  Merge("Thing = 1;");
  Merge("enum { Seven = 7 }; class Thing { x = 1; };");
  EXPECT_TRUE(messages.Errored("Cannot update non class from class addon.cpp/Thing")) << messages.All();
  EXPECT_EQ((global >> "Thing").GetInt(), 1);
  // Named constants come along, so that merged expressions still evaluate.
  Merge("value = @\"Seven * 2\";");
  EXPECT_EQ((global >> "value").GetInt(), 14);
}

}  // namespace
