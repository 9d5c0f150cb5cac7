#include "el/preproc/preproc_tokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Id = PreprocTokenId;

// The tokens of `text` up to the end, blanks left out.
std::vector<std::pair<Id, std::string>> Tokens(const std::string& text, bool startOfFile = false) {
  PreprocTokenizer in(text, startOfFile);
  std::vector<std::pair<Id, std::string>> tokens;
  for (PreprocToken token = in.Next(); token.id != Id::End; token = in.Next())
    if (!IsBlankToken(token)) tokens.emplace_back(token.id, std::string(token.text));
  return tokens;
}

std::vector<Id> Ids(const std::string& text) {
  std::vector<Id> ids;
  for (const auto& token : Tokens(text)) ids.push_back(token.first);
  return ids;
}

TEST(PreprocTokenizer, DirectiveWordsAndTableCharactersHaveTheirIds) {
  EXPECT_EQ(Ids("include define ifdef ifndef else endif undef ( ) , # ## \" < >\n"),
            (std::vector<Id>{Id::Include, Id::Define, Id::Ifdef, Id::Ifndef, Id::Else, Id::Endif, Id::Undef,
                             Id::OpenParen, Id::CloseParen, Id::Comma, Id::Hash, Id::Paste, Id::Quote, Id::Less,
                             Id::Greater, Id::LineFeed}));
  // Directive words are keywords wherever they stand, but only in this spelling.
  EXPECT_EQ(Ids("x.include Include includes"), (std::vector<Id>{Id::Identifier, Id::Other, Id::Include,
                                                                Id::Identifier, Id::Identifier}));
  EXPECT_EQ(Tokens("12ab_3 -")[0], std::make_pair(Id::Identifier, std::string("12ab_3")));
}

TEST(PreprocTokenizer, BackslashSlashAndHashJoinOnlyTheirTablePairs) {
  EXPECT_EQ(Tokens("\\\n \\x // /* ## #y /x"),
            (std::vector<std::pair<Id, std::string>>{{Id::Continuation, "\\\n"},
                                                     {Id::Other, "\\"},
                                                     {Id::Identifier, "x"},
                                                     {Id::LineComment, "//"},
                                                     {Id::BlockComment, "/*"},
                                                     {Id::Paste, "##"},
                                                     {Id::Hash, "#"},
                                                     {Id::Identifier, "y"},
                                                     {Id::Other, "/"},
                                                     {Id::Identifier, "x"}}));
  // "###" is "##" then "#"; non-ASCII bytes are single characters.
  EXPECT_EQ(Ids("###\xC3\xA9"), (std::vector<Id>{Id::Paste, Id::Hash, Id::Other, Id::Other}));
}

TEST(PreprocTokenizer, WordsLongerThan127CharactersAreSplit) {
  auto tokens = Tokens(std::string(130, 'w'));
  ASSERT_EQ(tokens.size(), 2u);
  EXPECT_EQ(tokens[0].second.size(), 127u);
  EXPECT_EQ(tokens[1].second.size(), 3u);
}

TEST(PreprocTokenizer, OnlyAFileStartsWithTheStartToken) {
  PreprocTokenizer file("x", true);
  EXPECT_EQ(file.Next().id, Id::StartOfFile);
  EXPECT_EQ(file.Next().id, Id::Identifier);
  EXPECT_EQ(file.Next().id, Id::End);
  EXPECT_EQ(file.Next().id, Id::End);
  PreprocTokenizer body("x", false);
  EXPECT_EQ(body.Next().id, Id::Identifier);
}

TEST(PreprocTokenizer, LinesCountEveryLineFeedAndPushBackUndoesIt) {
  PreprocTokenizer in("a\nb\\\nc", false);
  in.Next();
  EXPECT_EQ(in.Line(), 1);
  PreprocToken lineFeed = in.Next();
  EXPECT_EQ(in.Line(), 2);
  in.PushBack(lineFeed);
  EXPECT_EQ(in.Line(), 1);
  EXPECT_EQ(in.Next().id, Id::LineFeed);
  EXPECT_EQ(in.Line(), 2);
  in.Next();
  EXPECT_EQ(in.Next().id, Id::Continuation);
  EXPECT_EQ(in.Line(), 3);
}

TEST(PreprocTokenizer, BlockCommentEndsAtTheFirstStarSlash) {
  PreprocTokenizer in("/* a\n b **//x", false);
  EXPECT_EQ(in.Next().id, Id::BlockComment);
  EXPECT_EQ(in.SkipBlockComment(), 1);
  EXPECT_EQ(in.Line(), 2);
  EXPECT_EQ(in.Next().text, "/");
  EXPECT_EQ(in.Next().text, "x");

  PreprocTokenizer open("/* never\nclosed\n", false);
  open.Next();
  EXPECT_EQ(open.SkipBlockComment(), 2);
  EXPECT_EQ(open.Next().id, Id::End);
}

TEST(PreprocTokenizer, IncludeNamesRunToTheirClosingCharacterOnOneLine) {
  std::string name;
  PreprocTokenizer quoted("\"..\\a b\\c.h\" rest", false);
  quoted.Next();
  EXPECT_TRUE(quoted.ReadName('"', name));
  EXPECT_EQ(name, "..\\a b\\c.h");
  EXPECT_EQ(quoted.Next().text, " ");

  PreprocTokenizer broken("<a.h\n>", false);
  broken.Next();
  EXPECT_FALSE(broken.ReadName('>', name));
  EXPECT_EQ(broken.Next().id, Id::LineFeed);

  const std::string longName = "\"" + std::string(200, 'n') + "\"";
  PreprocTokenizer tooLong(longName, false);
  tooLong.Next();
  EXPECT_TRUE(tooLong.ReadName('"', name));
  EXPECT_EQ(name, std::string(127, 'n'));
}

}  // namespace
