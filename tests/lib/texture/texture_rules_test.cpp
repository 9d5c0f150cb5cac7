// The rule table of the texture program: the default table by file-name suffix, a table
// read from text, and the lines it refuses.
#include "lib/texture/pressmill/texture_rules.h"

#include <gtest/gtest.h>

namespace {

TEST(TextureRules, DefaultTableBySuffix) {
  struct Case {
    const char* path;
    int format;  // with alpha; kAutoTextureFormat for auto
    bool linear;
  };
  const Case cases[] = {
      {"data\\crate_co.tga", kAutoTextureFormat, false}, {"data/leaf_CA.png", PacDXT5, false},
      {"x\\wall_nohq.tga", PacDXT5, true},               {"wall_no.png", PacDXT5, true},
      {"wall_smdi.png", PacDXT5, true},                  {"wall_as.tga", PacDXT1, true},
      {"ground_dt.png", PacDXT5, true},                  {"terrain_mc.png", PacDXT5, false},
      {"camo_mask.tga", PacARGB8888, true},              {"d\\font.glyph.png", kAutoTextureFormat, false},
      {"nosuffix", kAutoTextureFormat, false},           {"wall_nohq_co.png", kAutoTextureFormat, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const TextureRule rule = ChooseTextureRule(DefaultTextureRules(), c.path);
    EXPECT_EQ(rule.format, c.format);
    EXPECT_EQ(rule.linear, c.linear);
    EXPECT_EQ(rule.quality, DxtQuality::Normal);
  }
  // auto: DXT1 when opaque, DXT5 with alpha; the other formats whatever the alpha.
  const TextureRule colour = ChooseTextureRule(DefaultTextureRules(), "crate_co.png");
  EXPECT_EQ(ResolveTextureFormat(colour, false), PacDXT1);
  EXPECT_EQ(ResolveTextureFormat(colour, true), PacDXT5);
  EXPECT_EQ(ResolveTextureFormat(ChooseTextureRule(DefaultTextureRules(), "a_as.png"), true), PacDXT1);
}

TEST(TextureRules, ATableReplacesTheDefault) {
  std::vector<TextureRule> rules;
  std::string error;
  ASSERT_TRUE(ParseTextureRules("; masks first\n"
                                "\n"
                                "*_m?sk  4444\r\n"
                                "ui_*    8888 quality=best   # interface\n"
                                "*_n     88 linear\n"
                                "*_co    dxt1 linear srgb quality=fast\n"
                                "*       1555\n",
                                "my.rules", rules, error))
      << error;
  ASSERT_EQ(rules.size(), 5u);
  EXPECT_EQ(ChooseTextureRule(rules, "Camo_MASK.png").format, PacARGB4444);
  EXPECT_EQ(ChooseTextureRule(rules, "camo_mosk.png").format, PacARGB4444);
  const TextureRule ui = ChooseTextureRule(rules, "ui_button_co.png");
  EXPECT_EQ(ui.format, PacARGB8888);  // the first matching line wins
  EXPECT_EQ(ui.quality, DxtQuality::Best);
  EXPECT_TRUE(ChooseTextureRule(rules, "x_n.tga").linear);
  EXPECT_EQ(ChooseTextureRule(rules, "x_n.tga").format, PacAI88);
  const TextureRule colour = ChooseTextureRule(rules, "crate_co.tga");
  EXPECT_EQ(colour.format, PacDXT1);
  EXPECT_FALSE(colour.linear);  // the last of linear/srgb holds
  EXPECT_EQ(colour.quality, DxtQuality::Fast);
  EXPECT_EQ(ChooseTextureRule(rules, "crate_ca.tga").format, PacARGB1555);

  // A name that no rule matches is converted by alpha.
  ASSERT_TRUE(ParseTextureRules("*_co DXT5\n", "few.rules", rules, error));
  const TextureRule fallback = ChooseTextureRule(rules, "plain.png");
  EXPECT_EQ(fallback.format, kAutoTextureFormat);
  EXPECT_FALSE(fallback.linear);
}

TEST(TextureRules, BadLinesAreNamed) {
  struct Case {
    const char* text;
    const char* error;
  };
  const Case cases[] = {
      {"*_co\n", "r.txt line 1: the pattern *_co has no format"},
      {"\n; fine\n*_co DXT3\n", "r.txt line 3: unknown format DXT3"},
      {"*_co DXT1\n*_no DXT5 lenear\n", "r.txt line 2: unknown option lenear"},
      {"* auto quality=highest\n", "r.txt line 1: unknown option quality=highest"},
  };
  for (const Case& c : cases) {
    std::vector<TextureRule> rules;
    std::string error;
    EXPECT_FALSE(ParseTextureRules(c.text, "r.txt", rules, error)) << c.text;
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
  }
}

}  // namespace
