// The texture bank and registry, the material cache's listing and the progress label.
#include <gtest/gtest.h>

#include "engine/material_cache.h"
#include "engine/progress.h"
#include "engine/texture_bank.h"
#include "engine/texture_registry.h"

namespace {

TEST(TextureBank, SharesTexturesByNormalisedName) {
  TextureBank bank;
  auto a = bank.Load("Data\\Wall_CO.paa");
  auto b = bank.Load("data\\wall_co.paa");
  EXPECT_EQ(a, b);
  EXPECT_EQ(a->Name(), "data\\wall_co.paa");
  EXPECT_EQ(bank.Load(""), nullptr);
  bank.Load("data\\roof.paa");
  EXPECT_EQ(bank.Names(), (std::vector<std::string>{"data\\wall_co.paa", "data\\roof.paa"}));
  EXPECT_EQ(bank.Find("DATA\\ROOF.PAA")->Name(), "data\\roof.paa");
  EXPECT_EQ(bank.Find("data\\none.paa"), nullptr);
  // Loaded textures are registered by name.
  EXPECT_GT(TextureNames().Find("data\\roof.paa"), 0);
}

TEST(TextureRegistry, EntryZeroIsReserved) {
  TextureRegistry registry;
  EXPECT_EQ(registry.Size(), 1u);
  EXPECT_EQ(registry.Register("a.paa"), 1);
  EXPECT_EQ(registry.Register("b.paa"), 2);
  EXPECT_EQ(registry.Register("a.paa"), 1);
  EXPECT_EQ(registry.Find("c.paa"), 0);
  EXPECT_EQ(registry.Entries(), (std::vector<std::string>{"", "a.paa", "b.paa"}));
  registry.Clear();
  EXPECT_EQ(registry.Entries(), (std::vector<std::string>{""}));
  EXPECT_EQ(registry.Register("b.paa"), 1);
}

TEST(MaterialCacheListing, AllListsEveryMaterial) {
  MaterialCache cache;
  cache.Add("a", nullptr);
  cache.Add("B", nullptr);
  EXPECT_EQ(cache.All().size(), 2u);
  cache.DeleteAll();
  EXPECT_TRUE(cache.All().empty());
}

TEST(Progress, LabelIsScoped) {
  EXPECT_EQ(ProgressLabel(), "");
  {
    ProgressScope outer("Loading LODShape: %s", "a.p3d");
    EXPECT_EQ(ProgressLabel(), "Loading LODShape: a.p3d");
    {
      ProgressScope inner("Loading %s", "b");
      EXPECT_EQ(ProgressLabel(), "Loading b");
    }
    EXPECT_EQ(ProgressLabel(), "Loading LODShape: a.p3d");
  }
  EXPECT_EQ(ProgressLabel(), "");
}

}  // namespace
