// TextureHeaderManager: hashing, growth and bucket order, overwrites, and "texHeaders.bin"
// saved and loaded back, with duplicates and broken files.
#include "lib/texture/texture_header_manager.h"

#include <gtest/gtest.h>

#include <random>

#include "el/qstream/qi_stream.h"
#include "el/qstream/qo_stream.h"
#include "el/qstream/serialize_bin_stream.h"
#include "lib/texture/texture_headers_file.h"
#include "tests/lib/texture/texture_test_support.h"
#include "tests/support/captured_messages.h"
#include "tests/support/temp_tree.h"

namespace {

using namespace textest;

TextureHeader MakeHeader(const std::string& name, int variant = 0) {
  TextureHeader h;
  h.name = name;
  h.format = PacDXT1 + variant % 5;
  h.initialised = 1;
  h.isPaa = 1;
  h.averageColorPacked = 0xFF102030u + static_cast<uint32_t>(variant);
  h.averageColor[0] = 0.25f;
  h.averageColor[3] = 1.0f;
  h.maxColorPacked = 0xFFFFFFFF;
  h.mipmapCount = 2;
  h.mipmaps = {PacMipmapRecord{.width = 64, .height = 32, .format = static_cast<uint8_t>(h.format), .offset = 98},
               PacMipmapRecord{.width = 32, .height = 16, .format = static_cast<uint8_t>(h.format), .offset = 1200}};
  h.fileSize = 4000u + static_cast<uint32_t>(variant);
  return h;
}

std::vector<std::string> SavedOrder(const TextureHeaderManager& manager) {
  std::vector<std::string> names;
  manager.ForEach([&names](const TextureHeader& h) { names.push_back(h.name); });
  return names;
}

std::string SaveToBytes(AutoArray<TextureHeader> headers) {
  QOStrStream out;
  SerializeBinStream f(&out);
  EXPECT_TRUE(TransferTextureHeadersFile(f, headers));
  return out.Str();
}

TEST(TextureHeaderManager, HashIsTimes33PlusByte) {
  EXPECT_EQ(TextureHeaderManager::HashName(""), 0u);
  EXPECT_EQ(TextureHeaderManager::HashName("a"), 97u);
  EXPECT_EQ(TextureHeaderManager::HashName("ab"), 97u * 33 + 98);
  // Bytes are taken unsigned; the arithmetic wraps at 32 bits.
  EXPECT_EQ(TextureHeaderManager::HashName("\xff"), 255u);
  EXPECT_EQ(TextureHeaderManager::HashName("data\\a_very_long_texture_name_co.paa"), 0x80D345CCu);
}

// The map as a list of buckets that each hold their headers, growing by re-inserting
// bucket by bucket: the order every manager must keep, whatever it keeps inside.
class ReferenceMap {
 public:
  void Insert(const TextureHeader& header) {
    if (count_ + 1 > 16 * buckets_.size()) {
      size_t n = buckets_.size() + 1;
      do {
        n *= 2;
      } while (count_ >= 16 * n - 16);
      std::vector<std::vector<TextureHeader>> old = std::move(buckets_);
      buckets_.assign(n - 1, {});
      for (auto& bucket : old)
        for (auto& h : bucket) Bucket(h.name).push_back(h);
    }
    for (TextureHeader& present : Bucket(header.name)) {
      if (present.name == header.name) {
        present = header;
        return;
      }
    }
    Bucket(header.name).push_back(header);
    ++count_;
  }
  bool Remove(const std::string& name) {
    auto& bucket = Bucket(name);
    for (auto it = bucket.begin(); it != bucket.end(); ++it) {
      if (it->name == name) {
        bucket.erase(it);
        --count_;
        return true;
      }
    }
    return false;
  }
  std::vector<TextureHeader> InOrder() const {
    std::vector<TextureHeader> all;
    for (auto& bucket : buckets_) all.insert(all.end(), bucket.begin(), bucket.end());
    return all;
  }
  size_t Count() const { return count_; }
  int BucketCount() const { return static_cast<int>(buckets_.size()); }

 private:
  std::vector<TextureHeader>& Bucket(const std::string& name) {
    return buckets_[TextureHeaderManager::HashName(name) % buckets_.size()];
  }

  std::vector<std::vector<TextureHeader>> buckets_ = std::vector<std::vector<TextureHeader>>(15);
  size_t count_ = 0;
};

TEST(TextureHeaderManager, GrowsAt241stInsertionAndKeepsBucketOrder) {
  TextureHeaderManager manager;
  ReferenceMap reference;
  EXPECT_EQ(manager.BucketCount(), 15);
  for (int i = 0; i < 300; ++i) {
    const TextureHeader header = MakeHeader("data\\tex\\t" + std::to_string(i * 7919 % 1000) + "_co.paa", i);
    ASSERT_TRUE(manager.Insert(header));
    reference.Insert(header);
    EXPECT_EQ(manager.BucketCount(), i + 1 <= 240 ? 15 : 31) << i;
  }
  EXPECT_EQ(manager.Count(), 300u);
  // The first 240 were moved bucket by bucket out of the 15 old buckets; the rest were
  // appended in insertion order.
  std::vector<std::string> expected;
  for (const TextureHeader& h : reference.InOrder()) expected.push_back(h.name);
  EXPECT_EQ(SavedOrder(manager), expected);

  // Growth continues: 63 buckets after 16 * 31.
  for (int i = 300; i <= 496; ++i) manager.Insert(MakeHeader("x" + std::to_string(i)));
  EXPECT_EQ(manager.BucketCount(), 63);
}

TEST(TextureHeaderManager, InsertOverwritesAndFindsAndRemoves) {
  TextureHeaderManager manager;
  ASSERT_TRUE(manager.Insert(MakeHeader("a.paa", 1)));
  ASSERT_TRUE(manager.Insert(MakeHeader("b.paa", 2)));
  ASSERT_TRUE(manager.Insert(MakeHeader("a.paa", 3)));
  EXPECT_EQ(manager.Count(), 2u);
  ASSERT_NE(manager.Find("a.paa"), nullptr);
  EXPECT_EQ(manager.Find("a.paa")->fileSize, 4003u);
  EXPECT_EQ(manager.Find("A.paa"), nullptr);
  EXPECT_TRUE(manager.Remove("a.paa"));
  EXPECT_FALSE(manager.Remove("a.paa"));
  EXPECT_EQ(manager.Count(), 1u);

  TextureHeaderManager empty(0);
  EXPECT_FALSE(empty.Insert(MakeHeader("a.paa")));
  EXPECT_EQ(empty.Count(), 0u);
}

TEST(TextureHeaderManager, KeepsTheOrderOfBucketsThroughInsertsOverwritesAndRemovals) {
  std::mt19937 random(5);
  TextureHeaderManager manager;
  ReferenceMap reference;
  // Names alike but for their ends, as the paths of a folder tree are.
  auto name = [&random] { return "data\\tex_" + std::to_string(random() % 6000) + "_co.paa"; };
  for (int step = 0; step < 12000; ++step) {
    if (random() % 5 == 0) {
      const std::string gone = name();
      ASSERT_EQ(manager.Remove(gone), reference.Remove(gone)) << step;
    } else {
      const TextureHeader header = MakeHeader(name(), step);
      ASSERT_TRUE(manager.Insert(header));
      reference.Insert(header);
    }
    if (step % 1000 == 999) {
      ASSERT_EQ(manager.Count(), reference.Count());
      ASSERT_EQ(manager.BucketCount(), reference.BucketCount());
      const std::vector<TextureHeader> expected = reference.InOrder();
      const AutoArray<TextureHeader> got = manager.Headers();
      ASSERT_EQ(got.size(), expected.size());
      for (size_t i = 0; i < got.size(); ++i) ASSERT_TRUE(got[i] == expected[i]) << step << " " << i;
      for (const TextureHeader& h : expected) {
        ASSERT_NE(manager.Find(h.name), nullptr);
        EXPECT_TRUE(*manager.Find(h.name) == h);
      }
      EXPECT_EQ(manager.Find("data\\no_such.paa"), nullptr);
    }
  }
}

TEST(TextureHeaderManager, SavesTheBytesOfTheTransferRoutine) {
  TempTree tree;
  TextureHeaderManager manager;
  for (int i = 0; i < 3000; ++i) {
    TextureHeader header = MakeHeader("data\\folder" + std::to_string(i % 7) + "\\t" + std::to_string(i) + ".paa", i);
    if (i % 11 == 0) header.palette.assign(static_cast<size_t>(i % 257), 0x00FF00u + static_cast<uint32_t>(i));
    manager.Insert(std::move(header));
  }
  manager.Remove("data\\folder3\\t3.paa");
  const std::string path = (tree.Root() / "texHeaders.bin").string();
  ASSERT_TRUE(manager.Save(path));
  EXPECT_EQ(tree.Read("texHeaders.bin"), SaveToBytes(manager.Headers()));
}

TEST(TextureHeadersFile, LayoutOfOneRecord) {
  TextureHeader h = MakeHeader("a.paa");
  h.palette = {0x112233};
  h.transparentIndex = 0;
  h.hasMaxColor = 1;
  h.hasAlpha = 1;
  h.isTransparent = 1;
  h.hasDarkAlpha = 0;
  const std::string bytes = SaveToBytes({h});
  auto f32 = [](float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    return U32(bits);
  };
  std::string expected = "0DHT" + U32(1) + U32(1);
  expected += U32(1) + U32(1) + U32(0x112233);
  expected += f32(0.25f) + f32(0) + f32(0) + f32(1.0f);
  expected += U32(h.averageColorPacked) + U32(0xFFFFFFFF) + U32(0) + U32(0);
  expected += std::string("\x01\x01\x01\x00", 4);
  expected += U32(2) + U32(PacDXT1);
  expected += std::string("\x01\x01", 2);
  expected += std::string("a.paa") + '\0';
  expected += U32(0);
  expected += U32(2);
  expected += U16(64) + U16(32) + U16(0) + static_cast<char>(PacDXT1) + '\x03' + U32(98);
  expected += U16(32) + U16(16) + U16(0) + static_cast<char>(PacDXT1) + '\x03' + U32(1200);
  expected += U32(4000);
  EXPECT_EQ(bytes, expected);
}

TEST(TextureHeaderManager, SaveAndLoadBack) {
  TempTree tree;
  TextureHeaderManager manager;
  for (int i = 0; i < 40; ++i) manager.Insert(MakeHeader("data\\t" + std::to_string(i) + ".paa", i));
  const std::string path = (tree.Root() / "out" / "texHeaders.bin").string();
  tree.MakeFolder("out");
  ASSERT_TRUE(manager.Save(path));
  // No temporary file is left beside it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tree.Root() / "out"), {}), 1);

  TextureHeaderManager loaded;
  ASSERT_TRUE(loaded.Load(path));
  EXPECT_EQ(loaded.Count(), 40u);
  EXPECT_EQ(SavedOrder(loaded), SavedOrder(manager));
  manager.ForEach([&loaded](const TextureHeader& h) {
    ASSERT_NE(loaded.Find(h.name), nullptr);
    EXPECT_TRUE(*loaded.Find(h.name) == h) << h.name;
  });

  // Loading the same file again changes nothing and says nothing.
  CapturedMessages messages;
  ASSERT_TRUE(loaded.Load(path));
  EXPECT_EQ(loaded.Count(), 40u);
  EXPECT_TRUE(messages.lines.empty()) << messages.Text();
}

TEST(TextureHeaderManager, LoadDropsAConflictingDuplicate) {
  TempTree tree;
  AutoArray<TextureHeader> headers = {MakeHeader("a.paa", 1), MakeHeader("b.paa", 2), MakeHeader("a.paa", 5),
                                      MakeHeader("b.paa", 2)};
  tree.Write("texHeaders.bin", SaveToBytes(headers));
  TextureHeaderManager manager;
  CapturedMessages messages;
  ASSERT_TRUE(manager.Load((tree.Root() / "texHeaders.bin").string()));
  EXPECT_EQ(manager.Count(), 1u);
  EXPECT_EQ(manager.Find("a.paa"), nullptr);
  EXPECT_NE(manager.Find("b.paa"), nullptr);
  ASSERT_EQ(messages.lines.size(), 1u) << messages.Text();
  EXPECT_EQ(messages.lines[0],
            "error: Texture header \"a.paa\" already in the manager and new header is different! Removing header "
            "from the manager.");
}

TEST(TextureHeaderManager, LoadAndSaveFailures) {
  TempTree tree;
  CapturedMessages messages;
  TextureHeaderManager manager;
  const std::string missing = (tree.Root() / "missing.bin").string();
  EXPECT_FALSE(manager.Load(missing));
  ASSERT_EQ(messages.lines.size(), 1u);
  EXPECT_EQ(messages.lines[0],
            "error: Failed to load TextureHeaderManager from file \"" + missing + "\" - failed to open the file.");

  const std::string valid = SaveToBytes({MakeHeader("a.paa"), MakeHeader("b.paa")});
  std::vector<std::string> broken = {"", "0DHX" + valid.substr(4), valid.substr(0, 4) + U32(2) + valid.substr(8),
                                     valid.substr(0, 8) + U32(1000) + valid.substr(12)};
  for (size_t cut = 1; cut < valid.size(); ++cut) broken.push_back(valid.substr(0, cut));
  // A record that claims more mipmaps than its count, or a palette above 256 colours.
  TextureHeader wrongCount = MakeHeader("c.paa");
  wrongCount.mipmapCount = 3;
  broken.push_back(SaveToBytes({wrongCount}));
  TextureHeader bigPalette = MakeHeader("d.paa");
  bigPalette.palette.assign(257, 0);
  broken.push_back(SaveToBytes({bigPalette}));

  const std::string path = (tree.Root() / "texHeaders.bin").string();
  for (const std::string& bytes : broken) {
    tree.Write("texHeaders.bin", bytes);
    messages.lines.clear();
    EXPECT_FALSE(manager.Load(path)) << bytes.size();
    EXPECT_EQ(manager.Count(), 0u);
    ASSERT_FALSE(messages.lines.empty());
    EXPECT_EQ(messages.lines.back(),
              "error: Failed to load TextureHeaderManager from file \"" + path + "\" - invalid file structure.");
  }

  std::mt19937 random(11);
  for (int i = 0; i < 500; ++i) {
    std::string bytes = valid;
    for (int k = 0; k < 3; ++k) bytes[random() % bytes.size()] = static_cast<char>(random());
    QIStrStream in(bytes.data(), static_cast<QFileSize>(bytes.size()));
    SerializeBinStream f(&in);
    AutoArray<TextureHeader> headers;
    TransferTextureHeadersFile(f, headers);
    for (const TextureHeader& h : headers) {
      EXPECT_LE(h.mipmaps.size(), 12u);
      EXPECT_LE(h.palette.size(), 256u);
    }
  }

  manager.Insert(MakeHeader("a.paa"));
  const std::string nowhere = (tree.Root() / "no" / "such" / "folder" / "texHeaders.bin").string();
  messages.lines.clear();
  EXPECT_FALSE(manager.Save(nowhere));
  ASSERT_EQ(messages.lines.size(), 1u);
  EXPECT_EQ(messages.lines[0],
            "error: Failed to save TextureHeaderManager to file \"" + nowhere + "\" - failed to open the file.");
}

}  // namespace
