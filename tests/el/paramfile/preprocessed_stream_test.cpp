// QIPreprocessedStream: the source file and line of the read position.
#include "el/qstream/qi_preprocessed_stream.h"
#include "el/qstream/large_block.h"
#include "el/qstream/qo_chunk_stream.h"
#include "tests/el/paramfile/param_test_support.h"

namespace {

void Skip(QIStream& in, int count) {
  for (int i = 0; i < count; ++i) in.get();
}

QChunkedText Chunked(const std::string& text) {
  QOChunkStream out;
  out.write(text.data(), text.size());
  return out.TakeText();
}

// Lines of "line N", some of them markers, over several chunks.
// Lines enough for more than two chunks (ManyLines gives at least 6 bytes a line).
int LinesOverTwoChunks() { return static_cast<int>(QChunkedText::kChunkSize / 3); }

std::string ManyLines(int count, int markerEvery) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    if (markerEvery > 0 && i % markerEvery == markerEvery / 2)
      text += "#line " + std::to_string(i * 3) + " \"part" + std::to_string(i) + ".hpp\"\n";
    else
      text += "line " + std::to_string(i) + "\n";
  }
  return text;
}

// Reads `text` to the end through both kinds of stream, asking for the line every
// `askEvery` bytes (and reading every marker); both must answer alike.
void ExpectSameLines(const std::string& text, int askEvery) {
  QIPreprocessedStream whole(text.data(), static_cast<QFileSize>(text.size()), "top.cpp");
  QIPreprocessedStream chunked(Chunked(text), "top.cpp");
  EXPECT_EQ(chunked.GetDataSize(), static_cast<QFileSize>(text.size()));
  size_t asked = 0;
  for (size_t pos = 0; pos < text.size();) {
    if (text[pos] == '#' && (pos == 0 || text[pos - 1] == '\n')) {
      ASSERT_EQ(whole.get(), '#');
      ASSERT_EQ(chunked.get(), '#');
      ASSERT_TRUE(whole.ReadLineDirective());
      ASSERT_TRUE(chunked.ReadLineDirective());
      pos = static_cast<size_t>(whole.TellG());
      ASSERT_EQ(chunked.TellG(), whole.TellG());
      continue;
    }
    ASSERT_EQ(chunked.get(), whole.get()) << pos;
    ++pos;
    if (askEvery > 0 && pos - asked >= static_cast<size_t>(askEvery)) {
      asked = pos;
      ASSERT_EQ(chunked.GetLine(), whole.GetLine()) << pos;
      ASSERT_EQ(chunked.GetFileName(), whole.GetFileName()) << pos;
    }
  }
  EXPECT_EQ(chunked.GetLine(), whole.GetLine());
  EXPECT_EQ(chunked.GetFileName(), whole.GetFileName());
  EXPECT_EQ(chunked.get(), -1);
  EXPECT_FALSE(chunked.ReadFailed());
}

TEST(QIPreprocessedStream, CountsLinesAndFollowsMarkers) {
  std::string text = "a\nb\n#line 10 \"inc.hpp\"\nc\nd\n#line 3 top.cpp \n";
  QIPreprocessedStream in(text.data(), static_cast<QFileSize>(text.size()), "top.cpp");
  EXPECT_EQ(in.GetFileName(), "top.cpp");
  EXPECT_EQ(in.GetLine(), 1);
  Skip(in, 4);  // "a\nb\n"
  EXPECT_EQ(in.GetLine(), 3);
  EXPECT_EQ(in.get(), '#');
  ASSERT_TRUE(in.ReadLineDirective());
  EXPECT_EQ(in.GetFileName(), "inc.hpp");
  EXPECT_EQ(in.GetLine(), 10);
  Skip(in, 2);
  EXPECT_EQ(in.GetLine(), 11);
  // Seeking back before the last answer counts again from the marker.
  in.SeekG(in.TellG() - 1);
  EXPECT_EQ(in.GetLine(), 10);
  Skip(in, 3);
  EXPECT_EQ(in.get(), '#');
  ASSERT_TRUE(in.ReadLineDirective());
  EXPECT_EQ(in.GetFileName(), "top.cpp");
  EXPECT_EQ(in.GetLine(), 3);
}

TEST(QIPreprocessedStream, RejectsOtherDirectives) {
  for (const char* text : {"include \"x\"\n", "line\n", "line x\n", "lines 3\n", ""}) {
    std::string copy = text;
    QIPreprocessedStream in(copy.data(), static_cast<QFileSize>(copy.size()), "f");
    EXPECT_FALSE(in.ReadLineDirective()) << text;
    EXPECT_EQ(in.GetFileName(), "f");
  }
  // A marker without a name keeps the file; huge numbers saturate.
  std::string text = "line 99999999999999\nx";
  QIPreprocessedStream in(text.data(), static_cast<QFileSize>(text.size()), "f");
  ASSERT_TRUE(in.ReadLineDirective());
  EXPECT_EQ(in.GetFileName(), "f");
  EXPECT_EQ(in.GetLine(), 2147483647);
}

TEST(QIPreprocessedStream, ReadsAnotherStreamInPieces) {
  std::string text;
  for (int i = 0; i < 30000; ++i) text += "line " + std::to_string(i) + "\n";
  QIStrStream source(text.data(), static_cast<QFileSize>(text.size()));
  QIPreprocessedStream in(source, "big.cpp");
  EXPECT_EQ(in.GetDataSize(), static_cast<QFileSize>(text.size()));
  std::string back;
  for (int c = in.get(); c >= 0; c = in.get()) back.push_back(static_cast<char>(c));
  EXPECT_EQ(back, text);
  EXPECT_EQ(in.GetLine(), 30001);
  in.SeekG(static_cast<QFileSize>(text.find("line 20000")));
  EXPECT_EQ(in.GetLine(), 20001);
  EXPECT_FALSE(in.ReadFailed());
}

TEST(QIPreprocessedStream, ChunkedTextCountsLinesOverFreedChunks) {
  // Asked often, rarely, and only at the end; with markers now and then, or only one near
  // the start, so that freed chunks lie between the marker and the question.
  const int many = 2 * LinesOverTwoChunks();
  ExpectSameLines(ManyLines(many, 0), 0);
  ExpectSameLines(ManyLines(many, 0), 1 << 19);
  ExpectSameLines(ManyLines(many, many), 3 << 20);
  ExpectSameLines(ManyLines(many, many / 4), 100000);
  ExpectSameLines(ManyLines(200000, 7), 4096);
}

TEST(QIPreprocessedStream, ChunkedTextCountsRunsOfLineFeeds) {
  // Line feeds only, and mixed with other bytes at odd lengths, so that the counts of many
  // blocks of bytes and the bytes left after them add up over freed chunks.
  ExpectSameLines(std::string(static_cast<size_t>(QChunkedText::kChunkSize) * 2 + 77, '\n'), 0);
  std::string mixed;
  for (int i = 0; mixed.size() < static_cast<size_t>(QChunkedText::kChunkSize) * 2; ++i)
    mixed += std::string(static_cast<size_t>(i % 300), '\n') + std::string(static_cast<size_t>(i % 7), 'x');
  ExpectSameLines(mixed, 0);
  ExpectSameLines(mixed, 12345);
}

TEST(QIPreprocessedStream, ChunkedTextIsReadForward) {
  std::string text = ManyLines(LinesOverTwoChunks(), 0);
  ASSERT_GT(text.size(), static_cast<size_t>(2 * QChunkedText::kChunkSize));
  QIPreprocessedStream in(Chunked(text), "top.cpp");
  // Back and forth inside the chunk being read works as usual.
  in.SeekG(100);
  Skip(in, 10);
  in.SeekG(50);
  EXPECT_EQ(in.get(), text[50]);
  EXPECT_FALSE(in.ReadFailed());
  // Once the next chunk is read, the ones before it are gone.
  in.SeekG(QChunkedText::kChunkSize + 10);
  EXPECT_EQ(in.get(), text[QChunkedText::kChunkSize + 10]);
  EXPECT_EQ(in.GetLine(), 1 + static_cast<int>(std::count(text.begin(), text.begin() + QChunkedText::kChunkSize + 11, '\n')));
  in.SeekG(10);
  EXPECT_EQ(in.get(), -1);
  EXPECT_TRUE(in.ReadFailed());
}

TEST(QIPreprocessedStream, ChunksReadPastGoToTheThreadsReceiver) {
  struct Keeping : LargeBlockReceiver {
    void Receive(std::unique_ptr<char[]>& block, size_t size) override {
      texts.emplace_back(block.get(), size);
      block.reset();
    }
    std::vector<std::string> texts;
  } receiver;
  ScopedLargeBlockReceiver scope(receiver);
  std::string text = ManyLines(LinesOverTwoChunks(), 0);
  const size_t chunk = static_cast<size_t>(QChunkedText::kChunkSize);
  ASSERT_GT(text.size(), 2 * chunk);
  QIPreprocessedStream in(Chunked(text), "top.cpp");
  in.SeekG(static_cast<QFileSize>(chunk) - 1);
  in.get();
  EXPECT_TRUE(receiver.texts.empty());
  in.get();
  ASSERT_EQ(receiver.texts.size(), 1u);
  EXPECT_EQ(receiver.texts[0], text.substr(0, chunk));
  in.SeekG(static_cast<QFileSize>(2 * chunk));
  in.get();
  ASSERT_EQ(receiver.texts.size(), 2u);
  EXPECT_EQ(receiver.texts[1], text.substr(chunk, chunk));
}

}  // namespace

