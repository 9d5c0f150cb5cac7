#include "el/qstream/qo_chunk_stream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "tests/el/qstream/qstream_test_support.h"

namespace {

std::string Joined(const QChunkedText& text) {
  std::string bytes;
  for (size_t i = 0; i < text.chunks.size(); ++i) {
    QFileSize start = static_cast<QFileSize>(i) * QChunkedText::kChunkSize;
    QFileSize size = std::min(QChunkedText::kChunkSize, text.size - start);
    bytes.append(text.chunks[i].get(), static_cast<size_t>(size));
  }
  return bytes;
}

TEST(QOChunkStream, KeepsEveryByteOverManyChunks) {
  QOChunkStream out;
  std::vector<uint8_t> noise = MakeNoiseBytes(3 * static_cast<size_t>(QChunkedText::kChunkSize) + 12345);
  for (size_t i = 0; i < noise.size(); i += 270001)
    out.write(noise.data() + i, std::min<size_t>(270001, noise.size() - i));
  EXPECT_EQ(out.TellP(), static_cast<QFileSize>(noise.size()));
  EXPECT_EQ(out.GetDataSize(), static_cast<QFileSize>(noise.size()));
  QChunkedText text = out.TakeText();
  EXPECT_EQ(text.size, static_cast<QFileSize>(noise.size()));
  EXPECT_EQ(text.chunks.size(), 4u);
  EXPECT_EQ(Joined(text), std::string(noise.begin(), noise.end()));
}

TEST(QOChunkStream, SeekBackOverwritesEarlierChunks) {
  QOChunkStream out;
  std::string bytes(QChunkedText::kChunkSize * 2 + 10, 'a');
  out.write(bytes.data(), bytes.size());
  out.SeekP(5);
  out.write("XYZ", 3);
  // Across the border of the first two chunks.
  out.SeekP(QChunkedText::kChunkSize - 2);
  out.write("1234", 4);
  out.SeekP(out.GetDataSize());
  out.write("end", 3);
  bytes.replace(5, 3, "XYZ");
  bytes.replace(QChunkedText::kChunkSize - 2, 4, "1234");
  bytes += "end";
  QChunkedText text = out.TakeText();
  EXPECT_EQ(Joined(text), bytes);
}

TEST(QOChunkStream, MixedWritesSeeksAndReservesMatchAMemoryStream) {
  // Writes small and across chunk ends, seeks back into earlier chunks and forward to the
  // end, reserved room committed in part, flushes: the chunks must hold what a memory
  // stream holds.
  std::mt19937 random(5);
  std::vector<uint8_t> noise = MakeNoiseBytes(200000);
  for (int round = 0; round < 20; ++round) {
    QOChunkStream chunks;
    QOStrStream memory;
    for (int step = 0; step < 400; ++step) {
      const uint32_t kind = random() % 10;
      if (kind < 5) {
        const size_t size = random() % 3 == 0 ? random() % 150000 : random() % 64;
        const size_t from = random() % (noise.size() - size + 1);
        chunks.write(noise.data() + from, size);
        memory.write(noise.data() + from, size);
      } else if (kind < 7) {
        const QFileSize pos = memory.GetDataSize() > 0 ? random() % (memory.GetDataSize() + 1) : 0;
        chunks.SeekP(pos);
        memory.SeekP(pos);
      } else if (kind < 8) {
        chunks.SeekP(memory.GetDataSize());
        memory.SeekP(memory.GetDataSize());
      } else if (kind < 9) {
        const size_t room = 1 + random() % 5000;
        const size_t used = random() % (room + 1);
        const size_t from = random() % (noise.size() - room);
        for (QOStream* out : {static_cast<QOStream*>(&chunks), static_cast<QOStream*>(&memory)}) {
          if (char* to = out->ReserveWrite(room)) {
            std::memcpy(to, noise.data() + from, used);
            out->CommitWrite(used);
          } else {
            out->write(noise.data() + from, used);
          }
        }
      } else {
        chunks.Flush();
      }
      ASSERT_EQ(chunks.TellP(), memory.TellP()) << round << " " << step;
      ASSERT_EQ(chunks.GetDataSize(), memory.GetDataSize()) << round << " " << step;
    }
    QChunkedText text = chunks.TakeText();
    ASSERT_EQ(text.size, memory.GetDataSize());
    ASSERT_TRUE(Joined(text) == memory.Str()) << "round " << round;
  }
}

TEST(QOChunkStream, TakingTheTextLeavesTheStreamEmpty) {
  QOChunkStream out;
  QChunkedText empty = out.TakeText();
  EXPECT_EQ(empty.size, 0);
  EXPECT_TRUE(empty.chunks.empty());
  out.write("first", 5);
  EXPECT_EQ(Joined(out.TakeText()), "first");
  EXPECT_EQ(out.GetDataSize(), 0);
  EXPECT_EQ(out.TellP(), 0);
  out.write("second", 6);
  EXPECT_EQ(Joined(out.TakeText()), "second");
}

}  // namespace
