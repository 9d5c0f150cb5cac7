#include "platform/engine_path.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/visited_folders.h"
#include "tests/support/temp_tree.h"

namespace {

TEST(EnginePathChecks, ParentStepsAreFoundInEitherSeparator) {
  EXPECT_TRUE(HasParentStep("..\\..\\esc\\x.paa"));
  EXPECT_TRUE(HasParentStep("data\\..\\x.paa"));
  EXPECT_TRUE(HasParentStep("data/../x.paa"));
  EXPECT_TRUE(HasParentStep(".."));
  EXPECT_FALSE(HasParentStep("data\\..x\\x..paa"));
  EXPECT_FALSE(HasParentStep("data\\.\\x.paa"));
  EXPECT_FALSE(HasParentStep(""));
}

TEST(EnginePathChecks, ClimbingCountsStepsDownBeforeEachStepUp) {
  EXPECT_TRUE(ClimbsAboveRoot("\\..\\tmp\\x.paa"));
  EXPECT_TRUE(ClimbsAboveRoot("a\\..\\..\\b"));
  EXPECT_TRUE(ClimbsAboveRoot("a\\.\\.\\..\\..\\b"));
  EXPECT_TRUE(ClimbsAboveRoot("a/b\\../../../c"));
  // Once above, coming down again does not make it right.
  EXPECT_TRUE(ClimbsAboveRoot("..\\a\\b\\c"));
  EXPECT_FALSE(ClimbsAboveRoot("\\a\\..\\b"));
  EXPECT_FALSE(ClimbsAboveRoot("a\\\\b\\..\\..\\c"));
  EXPECT_FALSE(ClimbsAboveRoot("\\"));
}

TEST(EnginePathChecks, InsideAFolderMeansBelowItWithoutClimbingOut) {
  EXPECT_TRUE(IsInsideFolder("dst\\a.p3d", "dst"));
  EXPECT_TRUE(IsInsideFolder("dst\\sub\\a.p3d", "dst\\"));
  EXPECT_TRUE(IsInsideFolder("dst\\\\a.p3d", "dst\\"));
  EXPECT_TRUE(IsInsideFolder("\\a.p3d", "\\"));
  EXPECT_FALSE(IsInsideFolder("dst\\..\\victim.p3d", "dst\\"));
  EXPECT_FALSE(IsInsideFolder("dst\\sub\\..\\..\\victim.p3d", "dst"));
  EXPECT_FALSE(IsInsideFolder("dst2\\a.p3d", "dst"));
  EXPECT_FALSE(IsInsideFolder("dst", "dst"));
  EXPECT_FALSE(IsInsideFolder("dst\\.", "dst"));
  EXPECT_FALSE(IsInsideFolder("src\\a.p3d", "dst"));
}

TEST(VisitedFolders, AFolderIsEnteredOnceWhateverLeadsToIt) {
  TempTree tree;
  tree.MakeFolder("a/b");
  std::filesystem::create_directory_symlink("..", tree / "a/b/up");
  VisitedFolders visited;
  EXPECT_TRUE(visited.Enter(IdentityOfFolder((tree / "a").string())));
  EXPECT_TRUE(visited.Enter(IdentityOfFolder((tree / "a/b").string())));
  EXPECT_FALSE(visited.Enter(IdentityOfFolder((tree / "a/b/up").string())));
  EXPECT_FALSE(visited.Enter(IdentityOfFolder((tree / "a/./b").string())));
  // A folder that cannot be asked is not held against the walk.
  EXPECT_FALSE(IdentityOfFolder((tree / "missing").string()));
  EXPECT_TRUE(visited.Enter(IdentityOfFolder((tree / "missing").string())));
}

}  // namespace
