#include "tool/used_textures.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/texture_bank.h"
#include "engine/texture_registry.h"
#include "platform/engine_path.h"
#include "tests/support/captured_messages.h"
#include "tests/support/environment_variable.h"
#include "tests/support/temp_tree.h"
#include "tool/child_process_list.h"
#include "tool/external_tool.h"
#include "tool/startup.h"

namespace kln {
namespace {

// Runs in a temporary folder with a registry naming a fake external program that logs
// each call, takes its time with images, and copies its source to its target.
class UsedTextures : public ::testing::Test {
 protected:
  UsedTextures() {
    ::getcwd(previousFolder_, sizeof previousFolder_);
    ::chdir(tree.Root().c_str());
    std::string log = (tree / "calls.log").string();
    tree.Write("tools/fakemill", "#!/bin/sh\n"
                                 "echo \"start $(basename \"$1\") $(basename \"$2\")\" >> " + log + "\n"
                                 "case \"$1\" in *.tga) sleep 0.3 ;; esac\n"
                                 "mkdir -p \"$(dirname \"$2\")\"; cp \"$1\" \"$2\"\n"
                                 "echo \"end $(basename \"$2\")\" >> " + log + "\n");
    ::chmod((tree / "tools/fakemill").c_str(), 0755);
    tree.Write("registry.reg", std::string("[HKEY_LOCAL_MACHINE\\") + kPressmillKeys[0] + "]\n\"path\"=\"" +
                                   (tree / "tools").string() + "/\"\n\"exe\"=\"fakemill\"\n");
    PrepareEngineForTool();
    settings.copyTextures = true;
    settings.texturesFolder = "out\\";
  }
  ~UsedTextures() override {
    ChildProcesses().WaitForAll();
    ::signal(SIGINT, SIG_DFL);
    ::chdir(previousFolder_);
  }

  TempTree tree;
  ScopedEnvironment registry{"KILNIFY_REGISTRY", (tree / "registry.reg").string()};
  RunSettings settings;

 private:
  char previousFolder_[4096] = {};
};

TEST_F(UsedTextures, CollectsEachFileTextureOnce) {
  Textures().Load("data\\wood_co.paa");
  Textures().Load("data\\wood_co.paa");
  Textures().Load("#(argb,8,8,3)color(1,1,1,1)");
  TextureNames().Register("data\\metal_co.paa");
  TextureNames().Register("#procedural");
  CollectUsedTextures(settings.usedTextures);
  EXPECT_EQ(settings.usedTextures.count("data\\wood_co.paa"), 1u);
  EXPECT_EQ(settings.usedTextures.count("data\\metal_co.paa"), 1u);
  for (const RString& name : settings.usedTextures) EXPECT_NE(name[0], '#') << name;
  Textures().Clear();
}

TEST_F(UsedTextures, MissingListIsReported) {
  CapturedMessages messages;
  EXPECT_EQ(ReadTextureList(settings.usedTextures, "missing\\textures.lst", "out\\"), 0);
  EXPECT_EQ(messages.lines, (std::vector<std::string>{"error: Error: \"missing\\textures.lst\" file cannot be opened"}));
}

TEST_F(UsedTextures, ListResolvesImagesAndSkipsUpToDateCopies) {
  tree.Write("data/tree.tga", "image");
  tree.Write("data/tree.paa", "old texture");
  tree.SetWriteTime("data/tree.paa", 1000);
  tree.Write("data/rock.paa", "rock");
  tree.Write("out/data/rock.paa", "newer copy");
  tree.SetWriteTime("data/rock.paa", 1000);
  tree.Write("data/GRASS.PAA", "grass");
  tree.Write("textures.lst", "Data\\Tree.tga\n\ndata\\rock.paa\r\ndata\\GRASS.PAA\n");
  ASSERT_EQ(ReadTextureList(settings.usedTextures, "textures.lst", "out\\"), 1);
  EXPECT_EQ(settings.usedTextures, (UsedTextureSet{"data\\grass.paa", "data\\tree.paa"}));
  // The image was newer than its texture: its conversion runs as a child.
  ChildProcesses().WaitForAll();
  EXPECT_EQ(tree.Read("data/tree.paa"), "image");

  UsedTextureSet withoutFolder;
  ASSERT_EQ(ReadTextureList(withoutFolder, "textures.lst", ""), 1);
  EXPECT_TRUE(withoutFolder.empty());
}

TEST_F(UsedTextures, CopyWaitsForTheRunningConversionOfItsSource) {
  tree.Write("data/a.tga", "fresh image");
  tree.Write("data/a.paa", "stale");
  tree.SetWriteTime("data/a.paa", 1000);
  tree.Write("textures.lst", "data\\a.tga\n");
  ChildProcesses().SetMaxProcesses(4);  // the conversion keeps running after the list is read
  ASSERT_EQ(ReadTextureList(settings.usedTextures, "textures.lst", "out\\"), 1);
  CopyTextures(settings);
  ChildProcesses().WaitForAll();
  ChildProcesses().SetMaxProcesses(1);
  EXPECT_EQ(tree.Read("calls.log"), "start a.tga a.paa\nend a.paa\nstart a.paa a.paa\nend a.paa\n");
  EXPECT_EQ(tree.Read("out/data/a.paa"), "fresh image");
}

TEST_F(UsedTextures, CopySkipsUpToDateExcludedAndMissingTextures) {
  tree.Write("data/new.paa", "new");
  tree.Write("data/old.paa", "old");
  tree.SetWriteTime("data/old.paa", 1000);
  tree.Write("out/data/old.paa", "copy");
  tree.Write("data/skip.pac", "excluded");
  settings.usedTextures = {"data\\new.paa", "data\\old.paa", "data\\skip.pac", "data\\missing.paa", "#proc"};
  settings.exclusionList = {"*.pac"};
  settings.always = true;  // does not apply to texture copies
  CopyTextures(settings);
  ChildProcesses().WaitForAll();
  EXPECT_EQ(tree.Read("calls.log"), "start new.paa new.paa\nend new.paa\n");
  EXPECT_EQ(tree.Read("out/data/new.paa"), "new");
  EXPECT_EQ(tree.Read("out/data/old.paa"), "copy");
}

TEST(CopyableTextureName, RelativeNamesHaveNoParentStepAndRootedOnesStayBelowTheRoot) {
  EXPECT_TRUE(IsCopyableTextureName("data\\wood_co.paa"));
  EXPECT_TRUE(IsCopyableTextureName("\\mymod\\data\\..\\wood_co.paa"));
  EXPECT_FALSE(IsCopyableTextureName("data\\..\\wood_co.paa"));
  EXPECT_FALSE(IsCopyableTextureName("..\\..\\esc\\x.paa"));
  EXPECT_FALSE(IsCopyableTextureName("\\..\\tmp\\x.paa"));
  EXPECT_FALSE(IsCopyableTextureName("/mymod/../../x.paa"));
}

TEST_F(UsedTextures, NamesThatLeadOutAreReportedOnceAndNeverCopied) {
  tree.Write("data/x.paa", "inside");
  tree.Write("data/rooted.paa", "rooted");
  Textures().Load("data\\..\\..\\x.paa");
  Textures().Load("data\\x.paa");
  CapturedMessages messages;
  CollectUsedTextures(settings.usedTextures, "src\\m.p3d");
  CollectUsedTextures(settings.usedTextures, "src\\n.p3d");
  Textures().Clear();
  EXPECT_EQ(messages.lines, (std::vector<std::string>{"error: Texture data\\..\\..\\x.paa named by src\\m.p3d leads "
                                                      "out of its folder; it is not copied"}));
  EXPECT_EQ(settings.usedTextures, (UsedTextureSet{"data\\x.paa"}));

  // Names that reach the copy by another way are checked there too; a rooted name below
  // the work drive (here the current folder) goes to the program as the file found there.
  settings.usedTextures = {"\\..\\x.paa", "data\\..\\data\\x.paa", "\\data\\rooted.paa"};
  CopyTextures(settings);
  ChildProcesses().WaitForAll();
  EXPECT_EQ(tree.Read("calls.log"), "start rooted.paa rooted.paa\nend rooted.paa\n");
  EXPECT_EQ(tree.Read("out/data/rooted.paa"), "rooted");
}

}  // namespace
}  // namespace kln
