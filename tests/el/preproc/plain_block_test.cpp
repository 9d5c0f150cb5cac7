// Blocks of 64 bytes classified with vectors must give the masks that byte by byte gives,
// and text read a block at a time must preprocess exactly as text read token by token:
// the same output, the same failures, and the same work, so that limits stop at the same
// token.
#include <random>

#include "el/preproc/plain_block.h"
#include "tests/el/preproc/preproc_test_support.h"

namespace {

void ExpectSameMasks(const PlainBlockMasks& got, const PlainBlockMasks& want, const std::string& block) {
  EXPECT_EQ(got.word, want.word) << block;
  EXPECT_EQ(got.quote, want.quote) << block;
  EXPECT_EQ(got.lineFeed, want.lineFeed) << block;
  EXPECT_EQ(got.backslash, want.backslash) << block;
  EXPECT_EQ(got.slashHash, want.slashHash) << block;
  EXPECT_EQ(got.blank, want.blank) << block;
  EXPECT_EQ(got.lookAt, want.lookAt) << block;
}

TEST(PreprocPlainBlocks, VectorMasksMatchBytes) {
  std::mt19937 random(7);
  const std::string alphabet = "aAzZ09_ \t\n\"\\/#(),;=.-{}\x7f\x80\xff\x1f`@[{";
  PlainBlockFirstChars first;
  for (char c : {'i', 'd', 'e', 'u', '_', 'A', 'Z', 'q', '0'}) first.Add(static_cast<unsigned char>(c));
  first.MakeTables();
  for (int round = 0; round < 2000; ++round) {
    std::string block(64, ' ');
    for (char& c : block) {
      // Every byte value now and then, the characters that matter mostly.
      c = round % 4 == 0 ? static_cast<char>(random() & 0xff) : alphabet[random() % alphabet.size()];
    }
    const PlainBlockMasks want = ClassifyPlainBlockBytes(block.data(), first);
#if defined(__x86_64__)
    ExpectSameMasks(ClassifyPlainBlockSse2(block.data(), first), want, block);
    if (PlainBlockHasAvx2()) ExpectSameMasks(ClassifyPlainBlockAvx2(block.data(), first), want, block);
#endif
    if (HasFailure()) return;
  }
}

// A random text of about `size` bytes: words that are and are not macros, directive
// words out of place, strings with paths, comment signs and joined lines, long words,
// blank runs, line feeds with and without directives after them, and macro uses.
std::string RandomText(std::mt19937& random, size_t size) {
  static const char* const kPieces[] = {
      "a", "abc", "displayName", "elevation", "ifdef", "include", "define", "endif", "undef", "u_x", "_x",
      "__FILE__", "__LINE__", "FOO", "BAR", "F(1,2)", "F((a,b),c)", "F(\"x,y\",z)", "G", "HIT(Engine, 0.5)", " ",
      "  ", "\t", "=", ";", "{", "}", ",", "[", "]", ".", "-", "1.5", "0x1f", "\x80\xff", "(", ")", "/", " / ",
      "\\", "##", "\"a b\"", "\"\\kln\\data\\x.p3d\"", "\"#x\"", "\"//no\"", "\"/*no*/\"", "\"a\\\nb\"",
      "\"F(1,2) FOO\"", "\"\"", "\n", "\n", "\n", "\n\t\t", "\n   \n", "\n#define G g\n", "\n  #undef G\n",
      "\n\t#ifdef FOO\nx\n#else\ny\n#endif\n", "// note\n", "/* a\nb */", "x\\\ny",
  };
  std::string text = "#define F(a,b) a+b\n#define BAR bar\n#define FOO foo\n#define HIT(n, v) class Hit##n { armor = v; };\n";
  const size_t count = sizeof(kPieces) / sizeof(kPieces[0]);
  while (text.size() < size) {
    unsigned pick = random() % (count + 3);
    if (pick == count) {
      text.append(20 + random() % 120, 'w');  // words up to and past the token length
    } else if (pick == count + 1) {
      text.append(1 + random() % 70, ' ');
    } else if (pick == count + 2) {
      text += "\"" + std::string(random() % 100, 's') + "\"";
    } else {
      text += kPieces[pick];
    }
  }
  return text;
}

std::pair<int, std::string> Preprocess(const std::string& text, bool blocks, const PreprocLimits& limits) {
  MemoryFileBank bank;
  bank.Add("main.cpp", text);
  QOStrStream out;
  BankPreprocessor preproc(out, bank);
  preproc.SetLimits(limits);
  preproc.SetBlockReading(blocks);
  preproc.Process("main.cpp");
  return {preproc.Error(), out.Str()};
}

TEST(PreprocPlainBlocks, BlocksGiveWhatTokensGave) {
  CapturedMessages messages;
  std::mt19937 random(11);
  int passed = 0;
  for (int round = 0; round < 300; ++round) {
    const std::string text = RandomText(random, 200 + random() % 6000);
    PreprocLimits limits;
    auto tokens = Preprocess(text, false, limits);
    ASSERT_EQ(Preprocess(text, true, limits), tokens) << text;
    if (tokens.first == kPreprocOk) ++passed;
    // A work limit somewhere inside the text stops both ways at the same token.
    limits.workPerSourceByte = 0;
    limits.maxWork = static_cast<long long>(random() % (text.size() + 1));
    ASSERT_EQ(Preprocess(text, true, limits), Preprocess(text, false, limits)) << "work limit " << limits.maxWork << "\n" << text;
  }
  // Most texts preprocess whole, so that the blocks are read to the end.
  EXPECT_GT(passed, 150);
}

}  // namespace
