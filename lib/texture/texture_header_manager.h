#pragma once
// TextureHeaderManager: the texture headers of a folder, keyed by the texture's name.
//
// A hash map of buckets, each a list of headers in insertion order. The hash of a name is
// h = h * 33 + byte over its bytes (unsigned 32-bit); a new manager has 15 buckets. Before
// an insertion that would bring the count above 16 per bucket, the map grows to 31, 63,
// ... buckets, re-inserting every header bucket by bucket, in order. The order of the
// buckets is the order of the saved file.
#include <cstdint>
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
  // Grows the map when one more header would exceed 16 per bucket.
  void GrowForInsertion();
  void Rebuild(int buckets);
  AutoArray<TextureHeader>& BucketOf(std::string_view name);

  AutoArray<AutoArray<TextureHeader>> buckets_;
  size_t count_ = 0;
};
