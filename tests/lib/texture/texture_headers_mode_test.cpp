// The texture-headers mode: the walk with its names, exclusions, hidden folders and no
// recursion, where the file goes, and what is reported.
#include "lib/texture/texture_headers_mode.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "lib/texture/texture_header_manager.h"
#include "lib/texture/texture_headers_file.h"
#include "tool/texture_headers_step.h"
#include "lib/texture/texture_name.h"
#include "platform/ascii.h"
#include "tests/lib/texture/texture_test_support.h"
#include "tests/support/captured_messages.h"
#include "tests/support/temp_tree.h"

namespace {

using namespace textest;

const kln::TextureHeadersSettings kPlain{};

std::string Texture(int format = PacDXT1, int side = 32) {
  return BuildPacFile(Recipe(format, HalvingLevels(side, side, 8))).bytes;
}

// Engine form of a host path.
std::string Engine(const std::filesystem::path& path) {
  std::string text = path.string();
  for (char& c : text)
    if (c == '/') c = '\\';
  return text;
}

std::vector<std::string> SavedNames(const std::filesystem::path& file) {
  AutoArray<TextureHeader> headers;
  EXPECT_EQ(LoadTextureHeadersFile(file.string(), headers), 0);
  std::vector<std::string> names;
  for (const TextureHeader& h : headers) names.push_back(h.name);
  std::sort(names.begin(), names.end());
  return names;
}

TEST(TextureHeadersMode, NamesAreRelativeAndNormalised) {
  TempTree tree;
  tree.Write("src/Data/Tex/A_CO.PAA", Texture());
  tree.Write("src/data/tex/b.pac", Texture(PacDXT5));
  tree.Write("src/data/readme.txt", "not a texture");
  tree.MakeFolder("dst");
  CapturedMessages messages;
  EXPECT_EQ(kln::RunTextureHeaders(kPlain, Engine(tree / "src"), Engine(tree / "dst")), 0);
  const std::string saved = Engine(tree / "dst") + "\\texHeaders.bin";
  EXPECT_EQ(messages.lines, (std::vector<std::string>{"log: Creating texture headers file",
                                                      "log: 2 texture headers saved to file \"" + saved + "\""}));
  EXPECT_EQ(SavedNames(tree / "dst/texHeaders.bin"),
            (std::vector<std::string>{"data\\tex\\a_co.paa", "data\\tex\\b.pac"}));

  // Each record holds the header read from its texture, its table and the file size.
  AutoArray<TextureHeader> headers;
  ASSERT_EQ(LoadTextureHeadersFile((tree / "dst/texHeaders.bin").string(), headers), 0);
  for (const TextureHeader& h : headers) {
    EXPECT_EQ(h.mipmapCount, 3);
    EXPECT_EQ(h.mipmaps.size(), 3u);
    EXPECT_EQ(h.mipmaps[2].width, 8);
    EXPECT_EQ(h.fileSize, h.format == PacDXT1 ? Texture().size() : Texture(PacDXT5).size());
    EXPECT_EQ(h.isPaa, h.name.ends_with(".paa") ? 1 : 0);
  }
}

TEST(TextureHeadersMode, HiddenFoldersNoRecursionAndExclusions) {
  TempTree tree;
  tree.Write("src/top.paa", Texture());
  tree.Write("src/top.pac", Texture());
  tree.Write("src/.git/hidden.paa", Texture());
  tree.Write("src/sub/deep/inner.paa", Texture());
  tree.Write("src/sub/inner.pac", Texture());
  tree.MakeFolder("src/empty");

  CapturedMessages messages;
  kln::TextureHeadersSettings settings;
  kln::RunTextureHeaders(settings, (tree / "src").string(), (tree / "all").string());
  EXPECT_EQ(SavedNames(tree / "all/texHeaders.bin"),
            (std::vector<std::string>{"sub\\deep\\inner.paa", "sub\\inner.pac", "top.paa", "top.pac"}));
  // An empty folder is not a wrong search.
  for (const std::string& line : messages.lines) EXPECT_EQ(line.find("DirIterator"), std::string::npos) << line;

  settings.noRecursion = true;
  kln::RunTextureHeaders(settings, (tree / "src").string(), (tree / "flat").string());
  EXPECT_EQ(SavedNames(tree / "flat/texHeaders.bin"), (std::vector<std::string>{"top.paa", "top.pac"}));

  // The exclusion test sees the lower-case name and the relative path.
  std::vector<std::pair<std::string, std::string>> asked;
  settings.noRecursion = false;
  settings.isExcluded = [&asked](std::string_view name, std::string_view path) {
    asked.push_back({std::string(name), std::string(path)});
    return name.ends_with(".pac") || path == "sub\\deep";
  };
  kln::RunTextureHeaders(settings, (tree / "src").string(), (tree / "some").string());
  EXPECT_EQ(SavedNames(tree / "some/texHeaders.bin"), (std::vector<std::string>{"top.paa"}));
  EXPECT_NE(std::find(asked.begin(), asked.end(), std::pair<std::string, std::string>{"inner.pac", "sub\\inner.pac"}),
            asked.end());
}

TEST(TextureHeadersMode, RunSettingsPatternsAndTexturesFolder) {
  TempTree tree;
  tree.Write("src/a.paa", Texture());
  tree.Write("src/b.pac", Texture());
  kln::RunSettings settings;
  settings.exclusionList = {"*.pac"};
  settings.copyTextures = true;
  settings.texturesFolder = Engine(tree / "textures") + "\\";
  tree.MakeFolder("dst");
  EXPECT_EQ(kln::RunTextureHeaders(settings, (tree / "src").string(), (tree / "dst").string()), 0);
  EXPECT_FALSE(tree.Exists("dst/texHeaders.bin"));
  EXPECT_EQ(SavedNames(tree / "textures/texHeaders.bin"), (std::vector<std::string>{"a.paa"}));
}

TEST(TextureHeadersMode, NoTexturesWritesNothing) {
  TempTree tree;
  tree.Write("src/readme.txt", "text");
  tree.MakeFolder("dst");
  CapturedMessages messages;
  EXPECT_EQ(kln::RunTextureHeaders(kPlain, (tree / "src").string(), (tree / "dst").string()), 0);
  EXPECT_EQ(messages.lines,
            (std::vector<std::string>{"log: Creating texture headers file",
                                      "error: Texture headers file was not created - no textures found."}));
  EXPECT_FALSE(tree.Exists("dst/texHeaders.bin"));

  // A source folder that does not exist says so and writes nothing either.
  messages.lines.clear();
  EXPECT_EQ(kln::RunTextureHeaders(kPlain, Engine(tree / "nothing"), (tree / "dst").string()), 0);
  ASSERT_EQ(messages.lines.size(), 3u) << messages.Text();
  // The folder is searched by its normalised (lower-case) name.
  EXPECT_EQ(messages.lines[1],
            "error: DirIterator: wrong filespec: " + AsciiLowerCopy(Engine(tree / "nothing")) + "\\*");
}

TEST(TextureHeadersMode, BrokenTexturesAreReportedAndLeftOut) {
  TempTree tree;
  tree.Write("src/good.paa", Texture());
  tree.Write("src/Bad.paa", "GGATCG");
  tree.Write("src/huge.pac", BuildPacFile(Recipe(PacDXT1, {{.width = 1, .height = 1}})).bytes);
  CapturedMessages messages;
  EXPECT_EQ(kln::RunTextureHeaders(kPlain, Engine(tree / "src"), Engine(tree / "src")), 0);
  const std::string src = Engine(tree / "src");
  // The walk names files below the normalised (lower-case) source folder.
  const std::string walked = AsciiLowerCopy(src);
  std::vector<std::string> expected = {
      "log: Creating texture headers file",
      "error: Error while inserting texture \"bad.paa\" to TextureHeaderManager - failed to read the texture.",
      "error: Failed adding texture " + walked + "\\bad.paa to texture header manager.",
      "error: Extreme texture size (1x1)",
      "error: Texture init failed.",
      "error: Error while inserting texture \"huge.pac\" to TextureHeaderManager - failed to read the texture.",
      "error: Failed adding texture " + walked + "\\huge.pac to texture header manager.",
      "log: 1 texture headers saved to file \"" + src + "\\texHeaders.bin\""};
  EXPECT_EQ(messages.lines, expected);
  EXPECT_EQ(SavedNames(tree / "src/texHeaders.bin"), (std::vector<std::string>{"good.paa"}));
}

TEST(TextureHeadersMode, BigFoldersGiveTheFileAndMessagesOfAWalkInTurn) {
  // Enough textures per folder to be read on several threads, broken ones and ones
  // without offsets (each reports), and a subfolder listed between them.
  TempTree tree;
  std::vector<std::pair<std::string, std::string>> walkOrder;  // (path below src, text)
  auto add = [&](const std::string& path, int n) {
    PacFileRecipe recipe = Recipe(n % 2 ? PacDXT5 : PacDXT1, HalvingLevels(64, 64, 8), n % 5 != 0);
    recipe.averageColor = 0xFF000000u | static_cast<uint32_t>(n);
    const std::string bytes = n % 7 == 3 ? std::string("GGATCG") : BuildPacFile(recipe).bytes;
    tree.Write("src/" + path, bytes);
    walkOrder.emplace_back(path, bytes);
  };
  for (int i = 0; i < 30; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "t%02d.paa", i);
    add(name, i);
    if (i == 15)
      for (int j = 10; j < 22; ++j) add("t15_sub/s" + std::to_string(j) + ".pac", 100 + j);
  }
  CapturedMessages messages;
  const std::string src = Engine(tree / "src");
  const std::string walked = AsciiLowerCopy(src);
  ASSERT_EQ(kln::RunTextureHeaders(kPlain, src, src), 0);
  const std::vector<std::string> modeLines = messages.lines;

  // The same textures added one by one in the order of the walk.
  messages.Clear();
  TextureHeaderManager inTurn(TextureHeaderManager::kInitialBuckets);
  std::vector<std::string> expected = {"log: Creating texture headers file"};
  for (const auto& [path, bytes] : walkOrder) {
    std::string relative = path;
    std::replace(relative.begin(), relative.end(), '/', '\\');
    const std::string full = walked + "\\" + relative;
    if (!kln::AddTexture(inTurn, full, relative))
      messages.lines.push_back("error: Failed adding texture " + full + " to texture header manager.");
  }
  expected.insert(expected.end(), messages.lines.begin(), messages.lines.end());
  expected.push_back("log: " + std::to_string(inTurn.Count()) + " texture headers saved to file \"" + src +
                     "\\texHeaders.bin\"");
  EXPECT_EQ(modeLines, expected);
  ASSERT_TRUE(inTurn.Save((tree / "inturn.bin").string()));
  EXPECT_EQ(tree.Read("src/texHeaders.bin"), tree.Read("inturn.bin"));
}

TEST(TextureHeadersMode, AddTextureAndSaveFailure) {
  TempTree tree;
  tree.Write("a.jpg", "jpeg");
  tree.Write("t.paa", Texture());
  TextureHeaderManager manager;
  CapturedMessages messages;
  EXPECT_FALSE(kln::AddTexture(manager, (tree / "a.jpg").string(), "Tex/A.JPG"));
  EXPECT_EQ(messages.lines, (std::vector<std::string>{
                                "error: Error while inserting texture \"Tex/A.JPG\" to TextureHeaderManager - invalid "
                                "file type."}));
  EXPECT_TRUE(kln::AddTexture(manager, (tree / "t.paa").string(), "Tex//Sub\\T.PAA\\"));
  ASSERT_NE(manager.Find("tex\\sub\\t.paa"), nullptr);
  // A folder with a texture's name is no texture.
  tree.MakeFolder("folder.paa");
  messages.lines.clear();
  EXPECT_FALSE(kln::AddTexture(manager, (tree / "folder.paa").string(), "folder.paa"));
  EXPECT_EQ(messages.lines, (std::vector<std::string>{"error: Error while inserting texture \"folder.paa\" to "
                                                      "TextureHeaderManager - failed to read the texture."}));
  TextureHeaderManager none(0);
  messages.lines.clear();
  EXPECT_FALSE(kln::AddTexture(none, (tree / "t.paa").string(), "Tex\\T.paa"));
  EXPECT_EQ(messages.lines, (std::vector<std::string>{"error: Error while inserting texture \"tex\\t.paa\" to "
                                                      "TextureHeaderManager - failed to add header to map."}));

  // The destination is a file: the headers cannot be saved there.
  tree.Write("src/t.paa", Texture());
  tree.Write("blocked", "a file, not a folder");
  messages.lines.clear();
  EXPECT_EQ(kln::RunTextureHeaders(kPlain, (tree / "src").string(), (tree / "blocked").string()), -1);
  const std::string path = (tree / "blocked").string() + "\\texHeaders.bin";
  ASSERT_GE(messages.lines.size(), 2u);
  EXPECT_EQ(messages.lines.back(), "error: saving texture headers to file \"" + path + "\" failed.");
}

TEST(TextureName, Normalisation) {
  EXPECT_EQ(NormalizeTextureHeaderName("Data//Tex\\/A_CO.PAA\\"), "data\\tex\\a_co.paa");
  EXPECT_EQ(NormalizeTextureHeaderName("\\\\x"), "\\x");
  EXPECT_EQ(NormalizeTextureHeaderName("/"), "");
  EXPECT_EQ(NormalizeTextureHeaderName(std::string(1030, 'A')), std::string(1024, 'a'));
  EXPECT_EQ(TextureFileExtension("a.b\\c"), "");
  EXPECT_EQ(TextureFileExtension("C:x.PAC"), ".PAC");
  EXPECT_TRUE(IsPacTexturePath("dir.x/t.Pac"));
  EXPECT_FALSE(IsPacTexturePath("t.paa.bak"));
}

TEST(TextureHeadersMode, LinksAreWhatTheyLeadToAndPipesAreReported) {
  TempTree tree;
  tree.Write("other/Linked.paa", Texture());
  tree.Write("src/real.paa", Texture(PacDXT5));
  std::filesystem::create_directory_symlink(tree / "other", tree / "src/FolderLink");
  std::filesystem::create_symlink(tree / "src/real.paa", tree / "src/fileLink.paa");
  std::filesystem::create_symlink(tree / "nowhere.paa", tree / "src/dangling.paa");
  ASSERT_EQ(::mkfifo((tree / "src/pipe.paa").c_str(), 0600), 0);
  tree.MakeFolder("dst");
  CapturedMessages messages;
  EXPECT_EQ(kln::RunTextureHeaders(kPlain, Engine(tree / "src"), Engine(tree / "dst")), 0);
  const std::string walked = AsciiLowerCopy(Engine(tree / "src"));
  // A link that leads nowhere is left out without a word; a pipe cannot be read.
  EXPECT_EQ(messages.lines,
            (std::vector<std::string>{
                "log: Creating texture headers file",
                "error: Error while inserting texture \"pipe.paa\" to TextureHeaderManager - failed to read the texture.",
                "error: Failed adding texture " + walked + "\\pipe.paa to texture header manager.",
                "log: 3 texture headers saved to file \"" + Engine(tree / "dst") + "\\texHeaders.bin\""}));
  EXPECT_EQ(SavedNames(tree / "dst/texHeaders.bin"),
            (std::vector<std::string>{"filelink.paa", "folderlink\\linked.paa", "real.paa"}));
  AutoArray<TextureHeader> headers;
  ASSERT_EQ(LoadTextureHeadersFile((tree / "dst/texHeaders.bin").string(), headers), 0);
  for (const TextureHeader& h : headers)
    EXPECT_EQ(h.fileSize, h.name == "folderlink\\linked.paa" ? Texture().size() : Texture(PacDXT5).size()) << h.name;
}

}  // namespace
