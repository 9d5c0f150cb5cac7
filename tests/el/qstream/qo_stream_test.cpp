#include "el/qstream/qo_stream.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

#include "el/qstream/qo_file_stream.h"
#include "tests/el/qstream/qstream_test_support.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(QOStrStream, KeepsEveryByteOfManyGrowingWrites) {
  QOStrStream out;
  std::vector<uint8_t> noise = MakeNoiseBytes(100000);
  for (size_t i = 0; i < noise.size(); i += 997) out.write(noise.data() + i, std::min<size_t>(997, noise.size() - i));
  ASSERT_EQ(out.GetBufferSize(), noise.size());
  EXPECT_EQ(0, std::memcmp(out.GetBuffer(), noise.data(), noise.size()));
  EXPECT_EQ(out.TellP(), 100000);
  EXPECT_EQ(out.GetDataSize(), 100000);
}

TEST(QOStrStream, SeekBackOverwritesAndKeepsTheFurthestSize) {
  QOStrStream out;
  out.write("abcdef", 6);
  out.SeekP(2);
  out.put('X');
  EXPECT_EQ(out.TellP(), 3);
  EXPECT_EQ(out.GetDataSize(), 6);
  EXPECT_EQ(out.Str(), "abXdef");
  out.SeekP(99);  // clamped to the end
  EXPECT_EQ(out.TellP(), 6);
  out.put('g');
  EXPECT_EQ(out.Str(), "abXdefg");
}

TEST(QOStrStream, ReservedRoomKeepsOnlyTheCommittedBytes) {
  QOStrStream out;
  out.write("ab", 2);
  char* room = out.ReserveWrite(5000);
  ASSERT_NE(room, nullptr);
  std::memcpy(room, "cdXXXX", 6);
  out.CommitWrite(2);
  EXPECT_EQ(out.Str(), "abcd");
  out.SeekP(1);
  EXPECT_EQ(out.ReserveWrite(10), nullptr);  // not at the end: the caller writes itself
}

TEST(QOStrStream, WriteAsciizEndsAtTheFirstZeroWhateverTheLength) {
  // Every length up to a few blocks, with no 0 byte and with one at each place.
  for (size_t length = 0; length <= 40; ++length) {
    for (size_t zero = 0; zero <= length; ++zero) {
      std::string text;
      for (size_t i = 0; i < length; ++i) text += static_cast<char>('A' + i % 50);
      if (zero < length) text[zero] = 0;
      QOStrStream out;
      out.put('<');
      out.WriteAsciiz(text);
      out.put('>');
      std::string expected = "<" + text.substr(0, zero) + std::string(1, '\0') + ">";
      ASSERT_EQ(out.Str(), expected) << "length " << length << ", 0 at " << zero;
    }
  }
}

TEST(QOStrStream, WriteAsciizOfAnEmptyViewIsOneZeroByte) {
  // A new stream has no room yet, so the write takes the slow way; the view has no data.
  QOStrStream out;
  out.WriteAsciiz(std::string_view());
  EXPECT_EQ(out.Str(), std::string(1, '\0'));
}

TEST(QOStrStream, ResetEmptiesTheStream) {
  QOStrStream out;
  out.write("abc", 3);
  out.Reset();
  EXPECT_EQ(out.TellP(), 0);
  EXPECT_EQ(out.GetDataSize(), 0);
  out.put('z');
  EXPECT_EQ(out.Str(), "z");
}

TEST(QOFStream, PatchesBytesThatWereAlreadyFlushed) {
  TempFolder folder;
  std::string path = folder.File("patch.bin");
  QOFStream out(path);
  ASSERT_FALSE(out.fail());
  out.write("0123456789", 10);
  out.Flush();
  out.write("abc", 3);
  out.SeekP(2);  // outside the buffer: flushes and repositions
  out.write("XY", 2);
  out.SeekP(13);
  out.put('!');
  EXPECT_EQ(out.GetDataSize(), 14);
  EXPECT_TRUE(out.Close());
  EXPECT_EQ(ReadFile(path), "01XY456789abc!");
}

TEST(QOFStream, PatchesMatchAMemoryStreamWhereverTheyLand) {
  // Output of several flushes with patches all over what was written: in the buffer, in
  // the file, across the buffer's start, on top of one another (the later one wins), near
  // each other and far apart. The file must hold what a memory stream holds.
  for (bool atomic : {true, false}) {
    TempFolder folder;
    const std::string path = folder.File("patched.bin");
    QOFStream file;
    ASSERT_TRUE(atomic ? file.OpenAtomic(path) : file.Open(path));
    QOStrStream memory;
    std::mt19937 random(atomic ? 11 : 12);
    std::vector<uint8_t> noise = MakeNoiseBytes(4096);
    for (int step = 0; step < 3000; ++step) {
      const size_t size = 1 + random() % 3000;
      const size_t from = random() % (noise.size() - size + 1);
      file.write(noise.data() + from, size);
      memory.write(noise.data() + from, size);
      for (int patches = static_cast<int>(random() % 4); patches-- > 0;) {
        const QFileSize written = memory.GetDataSize();
        const size_t length = std::min<size_t>(1 + random() % 12, static_cast<size_t>(written));
        const QFileSize pos = static_cast<QFileSize>(random() % static_cast<uint32_t>(written - length + 1));
        const uint32_t value = random();
        char bytes[12];
        for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>(value >> (i % 4 * 8));
        ASSERT_TRUE(file.WriteAt(pos, bytes, length));
        ASSERT_TRUE(memory.WriteAt(pos, bytes, length));
      }
    }
    EXPECT_FALSE(file.WriteAt(memory.GetDataSize() - 1, "ab", 2));  // past the end
    ASSERT_GT(memory.GetDataSize(), static_cast<QFileSize>(QOFStream::kFlushSize * 3));
    ASSERT_TRUE(file.Close());
    EXPECT_TRUE(ReadFile(path) == memory.Str()) << (atomic ? "atomic" : "plain");
  }
}

TEST(QOFStream, FileThatCannotBeCreatedKeepsTheSystemError) {
  TempFolder folder;
  QOFStream out(folder.File("no/such/folder/out.bin"));
  EXPECT_TRUE(out.fail());
  EXPECT_EQ(out.GetErrorCode(), ENOENT);
  out.write("abc", 3);
  out.Flush();
  EXPECT_FALSE(out.Close());
  EXPECT_EQ(out.GetErrorCode(), ENOENT);
  QOFStream atomic;
  EXPECT_FALSE(atomic.OpenAtomic(folder.File("missing/out.bin")));
  EXPECT_TRUE(atomic.fail());
  EXPECT_EQ(atomic.GetErrorCode(), ENOENT);
  EXPECT_FALSE(atomic.Close());
  QOFStream onFolder;
  EXPECT_FALSE(onFolder.OpenAtomic(folder.Path().string()));
  EXPECT_EQ(onFolder.GetErrorCode(), EISDIR);
}

TEST(QOFStream, WriteFailureKeepsTheFirstErrorAndWritesNothingMore) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  QOFStream out("/dev/full");
  ASSERT_FALSE(out.fail());
  out.write("abc", 3);
  out.Flush();
  EXPECT_TRUE(out.fail());
  EXPECT_EQ(out.GetErrorCode(), ENOSPC);
  out.write("def", 3);
  EXPECT_EQ(out.TellP(), 3);  // the later write was dropped
  EXPECT_FALSE(out.Close());
  EXPECT_EQ(out.GetErrorCode(), ENOSPC);
}

size_t CountFiles(const std::filesystem::path& folder) {
  return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

TEST(QOFStreamAtomic, DestinationChangesOnlyOnCloseAndDiscardLeavesNoTemporary) {
  TempFolder folder;
  std::string path = folder.Write("model.odol", "old");
  for (bool discard : {true, false}) {
    QOFStream out;
    ASSERT_TRUE(out.OpenAtomic(path));
    out.write("new contents", 12);
    out.Flush();
    EXPECT_EQ(ReadFile(path), "old");
    EXPECT_EQ(CountFiles(folder.Path()), 2u);
    if (discard) out.Discard();
    else EXPECT_TRUE(out.Close());
    EXPECT_EQ(ReadFile(path), discard ? "old" : "new contents");
    EXPECT_EQ(CountFiles(folder.Path()), 1u);
  }
}

TEST(QOFStreamAtomic, DestroyedWithoutCloseWritesNothing) {
  TempFolder folder;
  std::string path = folder.File("world.wrp");
  {
    QOFStream out;
    ASSERT_TRUE(out.OpenAtomic(path));
    out.write("partial", 7);
  }
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(CountFiles(folder.Path()), 0u);
}

// Writes `bytes` atomically to `path`, patching its first bytes after they were flushed.
bool WriteAtomically(const std::string& path, const std::string& bytes) {
  QOFStream out;
  if (!out.OpenAtomic(path)) return false;
  out.write("??", 2);
  out.write(bytes.data() + 2, bytes.size() - 2);
  out.Flush();
  out.SeekP(0);
  out.write(bytes.data(), 2);
  return out.Close();
}

TEST(QOFStreamAtomic, LinkKeepsLeadingToTheReplacedFile) {
  TempFolder folder;
  std::string real = folder.Write("real.bin", "old");
  std::filesystem::create_symlink(real, folder.File("link.bin"));
  ASSERT_TRUE(WriteAtomically(folder.File("link.bin"), "new bytes"));
  EXPECT_TRUE(std::filesystem::is_symlink(folder.File("link.bin")));
  EXPECT_EQ(ReadFile(real), "new bytes");
  EXPECT_EQ(CountFiles(folder.Path()), 2u);
}

TEST(QOFStreamAtomic, PipeStaysAPipeAndReceivesEveryByte) {
  TempFolder folder;
  std::string pipe = folder.File("pipe");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  // A second name for the pipe, to end the reader should the pipe be renamed over.
  std::filesystem::create_hard_link(pipe, folder.File("same pipe"));
  std::string bytes(3 * QOFStream::kFlushSize + 5, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  std::string received;
  std::thread reader([&] { received = ReadFile(pipe); });
  EXPECT_TRUE(WriteAtomically(pipe, bytes));
  EXPECT_TRUE(std::filesystem::is_fifo(pipe));
  if (!std::filesystem::is_fifo(pipe)) ::close(::open(folder.File("same pipe").c_str(), O_WRONLY | O_NONBLOCK));
  reader.join();
  EXPECT_TRUE(received == bytes);
  EXPECT_EQ(CountFiles(folder.Path()), 2u);
}

TEST(QOFStreamAtomic, TemporaryFileOfALinkLiesBesideTheLinkedFile) {
  TempFolder folder;
  std::string real = folder.Write("target/real.bin", "old");
  std::filesystem::create_directories(folder.Path() / "links");
  std::filesystem::create_symlink(real, folder.File("links/link.bin"));
  QOFStream out;
  ASSERT_TRUE(out.OpenAtomic(folder.File("links/link.bin")));
  out.write("new", 3);
  out.Flush();
  EXPECT_EQ(CountFiles(folder.Path() / "target"), 2u);
  EXPECT_EQ(CountFiles(folder.Path() / "links"), 1u);
  EXPECT_TRUE(out.Close());
  EXPECT_EQ(ReadFile(real), "new");
}

TEST(AtomicTemporaryFiles, AreKnownByTheirNameAndRemovedOnlyWhenTheirWriterIsGone) {
  EXPECT_EQ(AtomicTemporaryOwner("model.p3d.tmp1234.5.0"), 1234);
  EXPECT_EQ(AtomicTemporaryOwner("a.tmp1.0.15"), 1);
  for (const char* other : {"model.p3d", "model.p3d.tmp1234.5", ".tmp1.2.3", "model.tmpx.1.2", "model.tmp1..2",
                            "model.tmp1.2.3x", "model.tmp.1.2", "model.tmp99999999999999999999.1.2"})
    EXPECT_FALSE(AtomicTemporaryOwner(other)) << other;

  TempFolder folder;
  // A process id above any the system hands out, and one that runs: this test's own.
  folder.Write("dead.p3d.tmp4194399.0.0", "half");
  const std::string running = "live.p3d.tmp" + std::to_string(::getpid()) + ".0.0";
  folder.Write(running, "being written");
  folder.Write("model.p3d", "output");
  std::filesystem::create_directories(folder.Path() / "folder.tmp4194399.0.0");
  EXPECT_EQ(RemoveLeftoverTemporaryFiles(folder.Path().string()), 1);
  EXPECT_FALSE(std::filesystem::exists(folder.File("dead.p3d.tmp4194399.0.0")));
  EXPECT_TRUE(std::filesystem::exists(folder.File(running)));
  EXPECT_TRUE(std::filesystem::exists(folder.File("model.p3d")));
  EXPECT_TRUE(std::filesystem::exists(folder.File("folder.tmp4194399.0.0")));
  EXPECT_EQ(RemoveLeftoverTemporaryFiles(folder.File("missing")), 0);
}

}  // namespace
