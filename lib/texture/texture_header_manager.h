#pragma once
// TextureHeaderManager: the texture headers of a folder, keyed by the texture's name.
//
// A hash map of buckets, each a list of headers in insertion order. The hash of a name is
// h = h * 33 + byte over its bytes (unsigned 32-bit); a new manager has 15 buckets. Before
// an insertion that would bring the count above 16 per bucket, the map grows to 31, 63,
// ... buckets, re-inserting every header bucket by bucket, in order. The order of the
// buckets is the order of the saved file.
//
// The headers stay in the place they were inserted at; a bucket is a chain through the
// places, so that growing moves no header. Look-ups do not walk the buckets: names that
// differ only early on share a bucket far more often than the bucket count suggests (33
// shares the factors 3 and 11 with counts such as 1023), so the places are also chained
// by a mixed hash in a table of their own, and a look-up compares names only where the
// hashes agree.
#include <cstdint>
#include <deque>
#include <functional>
#include <string_view>

#include "el/qstream/basic_types.h"
#include "lib/texture/texture_header.h"

class TextureHeaderManager {
 public:
  static constexpr int kInitialBuckets = 15;

  explicit TextureHeaderManager(int buckets = kInitialBuckets);

  // The bucket hash of a name.
  static uint32_t HashName(std::string_view name);

  // Inserts `header` under header.name; a header of the same name is overwritten (the
  // count stays). False only when the map has no buckets.
  bool Insert(TextureHeader header);
  // The header of that name, or nullptr.
  const TextureHeader* Find(std::string_view name) const;
  // Removes the header of that name; false when there is none.
  bool Remove(std::string_view name);

  // Number of headers.
  size_t Count() const { return count_; }
  int BucketCount() const { return static_cast<int>(buckets_.size()); }
  // Every header in bucket order, each bucket's headers in order.
  void ForEach(const std::function<void(const TextureHeader&)>& visit) const;
  // The headers in bucket order, copied.
  AutoArray<TextureHeader> Headers() const;

  // Writes "texHeaders.bin" to `path` (engine or host path) through a temporary file
  // renamed into place. Reports "Failed to save TextureHeaderManager to file ..." and gives
  // false when the file cannot be created or written.
  bool Save(const RString& path) const;
  // Adds the headers of the "texHeaders.bin" at `path`. A name that arrives again with a
  // different header is reported and dropped from the manager. A file that cannot be
  // opened or is malformed is reported, adds nothing and gives false.
  bool Load(const RString& path);
  // Adds loaded headers as Load does, with its duplicate rule.
  void AddLoaded(AutoArray<TextureHeader>&& headers);

 private:
  static constexpr uint32_t kNoEntry = 0xFFFFFFFF;

  // The hash of the header in the same place, the place of the next of its bucket and
  // that of the next in its look-up slot; apart from the headers, so that a walk along a
  // chain stays in a small array.
  struct Link {
    uint32_t hash = 0;
    uint32_t next = kNoEntry;
    uint32_t nextInSlot = kNoEntry;
  };
  // The first and last places of a bucket's chain.
  struct Bucket {
    uint32_t first = kNoEntry;
    uint32_t last = kNoEntry;
  };

  // Grows the map when one more header would exceed 16 per bucket.
  void GrowForInsertion();
  void Rebuild(int buckets);
  // Links the place `index` after the last of its bucket.
  void Append(uint32_t index);
  // The look-up slot of a hash.
  uint32_t SlotOf(uint32_t hash) const;
  // Adds the place `index` to its look-up slot, making the table larger first when the
  // places outnumber the slots.
  void AddToSlot(uint32_t index);
  // Takes the place `index` out of its look-up slot.
  void RemoveFromSlot(uint32_t index);
  // The place holding `name` (whose hash is `hash`), or kNoEntry.
  uint32_t FindEntry(std::string_view name, uint32_t hash) const;
  // The headers in bucket order, each bucket's in order: a range with a size, so that
  // they are saved without a copy. In this order the headers lie anywhere in memory, so a
  // walk asks for the next ones before it needs them.
  class InOrder {
   public:
    class Iterator {
     public:
      Iterator(const InOrder& range, size_t at) : range_(&range), at_(at) {}
      const TextureHeader& operator*() const { return range_->At(at_); }
      Iterator& operator++() {
        range_->ReadAhead(++at_);
        return *this;
      }
      bool operator!=(const Iterator& other) const { return at_ != other.at_; }

     private:
      const InOrder* range_;
      size_t at_;
    };

    explicit InOrder(const TextureHeaderManager& manager);
    size_t size() const { return places_.size(); }
    Iterator begin() const { return Iterator(*this, 0); }
    Iterator end() const { return Iterator(*this, places_.size()); }

   private:
    const TextureHeader& At(size_t at) const { return manager_.headers_[places_[at]]; }
    // Has the memory of the headers a few steps after `at` brought into the cache.
    void ReadAhead(size_t at) const;

    const TextureHeaderManager& manager_;
    AutoArray<uint32_t> places_;
  };

  std::deque<TextureHeader> headers_;  // by place, never moved; Remove's places are in free_
  AutoArray<Link> links_;              // by place, as headers_
  AutoArray<uint32_t> free_;
  AutoArray<Bucket> buckets_;
  AutoArray<uint32_t> slots_;  // look-up: the first place of each slot; a power of two
  int slotBits_ = 0;           // slots_.size() == 1 << slotBits_ once there are slots
  size_t count_ = 0;
};
