#include "el/qstream/qi_preprocessed_stream.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "el/qstream/large_block.h"

namespace {

// A piece copied out of another stream.
class OwnedBuffer : public QIStreamBuffer {
 public:
  explicit OwnedBuffer(std::unique_ptr<char[]> bytes, QFileSize size)
      : QIStreamBuffer(bytes.get(), size), bytes_(std::move(bytes)) {}

 private:
  std::unique_ptr<char[]> bytes_;
};

// Line feeds in [p, p + size). Each byte that is a line feed adds 1 to its lane of
// `lanes`, and the lanes are summed before any can pass 255: sixty-four and then sixteen
// bytes at a time where the processor compares sixteen at once, then eight at a time,
// where a byte of a word XORed with '\n' is 0 exactly where a line feed is.
long CountLineFeedBytes(const char* p, size_t size) {
  long count = 0;
#if defined(__SSE2__)
  const __m128i feeds = _mm_set1_epi8('\n');
  auto feedsAt = [&feeds](const char* at) {
    return _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), feeds);  // a match is -1
  };
  while (size >= 64) {
    __m128i lanes = _mm_setzero_si128();
    // Four matches per lane and round: 63 rounds stay below 256.
    for (int i = 0; i < 63 && size >= 64; ++i, p += 64, size -= 64) {
      lanes = _mm_sub_epi8(lanes, feedsAt(p));
      lanes = _mm_sub_epi8(lanes, feedsAt(p + 16));
      lanes = _mm_sub_epi8(lanes, feedsAt(p + 32));
      lanes = _mm_sub_epi8(lanes, feedsAt(p + 48));
    }
    const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
    count += _mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4);
  }
  while (size >= 16) {
    __m128i lanes = _mm_setzero_si128();
    for (int i = 0; i < 255 && size >= 16; ++i, p += 16, size -= 16) {
      lanes = _mm_sub_epi8(lanes, feedsAt(p));
    }
    const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
    count += _mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4);
  }
#endif
  constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
  constexpr uint64_t kFeeds = 0x0A0A0A0A0A0A0A0Aull;
  while (size >= 8) {
    uint64_t lanes = 0;
    for (int i = 0; i < 255 && size >= 8; ++i, p += 8, size -= 8) {
      uint64_t word;
      std::memcpy(&word, p, 8);
      uint64_t x = word ^ kFeeds;
      uint64_t zero = ~(((x & kLow7) + kLow7) | x | kLow7);  // 0x80 in each byte that is 0
      lanes += zero >> 7;
    }
    count += static_cast<long>((lanes * 0x0101010101010101ull) >> 56);
  }
  for (; size > 0; ++p, --size) count += *p == '\n';
  return count;
}

inline bool IsLineBlank(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

}  // namespace

QIPreprocessedStream::QIPreprocessedStream(const void* data, QFileSize size, const RString& fileName)
    : data_(static_cast<const char*>(data)), size_(data && size > 0 ? size : 0), fileName_(fileName) {}

QIPreprocessedStream::QIPreprocessedStream(QIStream& source, const RString& fileName)
    : size_(source.GetDataSize()), source_(&source), fileName_(fileName) {}

QIPreprocessedStream::QIPreprocessedStream(QChunkedText text, const RString& fileName)
    : size_(text.size > 0 ? text.size : 0), fileName_(fileName), chunked_(true), chunks_(std::move(text.chunks)) {
  QFileSize held = static_cast<QFileSize>(chunks_.size()) * QChunkedText::kChunkSize;
  if (size_ > held) size_ = held;
}

QFileSize QIPreprocessedStream::DataSize() const { return size_; }

PosQIStreamBuffer QIPreprocessedStream::ReadBuffer(QFileSize pos) {
  if (pos < 0 || pos >= size_) return {};
  if (chunked_) return ReadChunk(pos);
  if (!source_) return {std::make_shared<const QIStreamBuffer>(data_, size_), 0};
  // Pieces start at multiples of the piece size, so that seeking back stays cheap.
  QFileSize start = pos - pos % kPieceSize;
  QFileSize length = std::min(kPieceSize, size_ - start);
  std::unique_ptr<char[]> bytes(new char[static_cast<size_t>(length)]);
  source_->SeekG(start);
  QFileSize got = source_->read(bytes.get(), length);
  if (got < length) sourceFailed_ = true;
  if (got <= pos - start) return {};
  return {std::make_shared<const OwnedBuffer>(std::move(bytes), got), start};
}

PosQIStreamBuffer QIPreprocessedStream::ReadChunk(QFileSize pos) {
  size_t index = static_cast<size_t>(pos / QChunkedText::kChunkSize);
  if (index < releasedChunks_) {
    sourceFailed_ = true;
    return {};
  }
  ReleaseChunksBefore(index);
  QFileSize start = static_cast<QFileSize>(index) * QChunkedText::kChunkSize;
  QFileSize length = std::min(QChunkedText::kChunkSize, size_ - start);
  return {std::make_shared<const QIStreamBuffer>(chunks_[index].get(), length), start};
}

void QIPreprocessedStream::ReleaseChunksBefore(size_t index) {
  if (index <= releasedChunks_) return;
  QFileSize kept = static_cast<QFileSize>(index) * QChunkedText::kChunkSize;
  if (markerPos_ < kept) {
    // The line at the new first byte kept, counted from the nearest known line at or
    // after the marker (the last answer of GetLine, the marker, or the old first byte).
    QFileSize from = markerPos_;
    long line = markerLine_;
    if (markerPos_ < KeptStart()) {
      from = KeptStart();
      line = lineAtKept_;
    }
    if (countedPos_ >= from && countedPos_ <= kept) {
      from = countedPos_;
      line = countedLine_;
    }
    line += CountLineFeeds(from, kept);
    lineAtKept_ = static_cast<int>(std::min<long>(line, INT_MAX));
    if (countedPos_ < kept) {
      countedPos_ = kept;
      countedLine_ = lineAtKept_;
    }
  }
  for (size_t i = releasedChunks_; i < index; ++i) ReleaseLargeBlock(std::move(chunks_[i]), QChunkedText::kChunkSize);
  releasedChunks_ = index;
}

int QIPreprocessedStream::CountLineFeeds(QFileSize from, QFileSize to) {
  if (to <= from) return 0;
  long count = 0;
  if (chunked_) {
    while (from < to) {
      size_t index = static_cast<size_t>(from / QChunkedText::kChunkSize);
      QFileSize at = from % QChunkedText::kChunkSize;
      QFileSize size = std::min(to - from, QChunkedText::kChunkSize - at);
      count += CountLineFeedBytes(chunks_[index].get() + at, static_cast<size_t>(size));
      from += size;
    }
  } else if (data_) {
    const char* p = data_ + from;
    const char* end = data_ + to;
    while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)))) != nullptr) {
      ++count;
      ++p;
    }
  } else {
    QFileSize back = TellG();
    SeekG(from);
    QFileSize left = to - from;
    while (left > 0) {
      const char* chunk = nullptr;
      QFileSize size = std::min(PeekContiguous(&chunk), left);
      if (size <= 0) break;
      count += std::count(chunk, chunk + size, '\n');
      Advance(size);
      left -= size;
    }
    SeekG(back);
  }
  return static_cast<int>(std::min<long>(count, INT_MAX));
}

int QIPreprocessedStream::GetLine() {
  QFileSize pos = TellG();
  if (countedPos_ < markerPos_ || countedPos_ > pos) {
    countedPos_ = markerPos_;
    countedLine_ = markerLine_;
    // Freed text is not counted again: its line feeds are in the line of the first byte kept.
    if (chunked_ && markerPos_ < KeptStart()) {
      countedPos_ = KeptStart();
      countedLine_ = lineAtKept_;
    }
  }
  long line = static_cast<long>(countedLine_) + CountLineFeeds(countedPos_, pos);
  countedLine_ = static_cast<int>(std::min<long>(line, INT_MAX));
  countedPos_ = pos;
  return countedLine_;
}

void QIPreprocessedStream::SetSourcePosition(int line, const RString& fileName) {
  fileName_ = fileName;
  markerPos_ = countedPos_ = TellG();
  markerLine_ = countedLine_ = line;
}

bool QIPreprocessedStream::ReadLineDirective() {
  int c = get();
  while (IsLineBlank(c)) c = get();
  for (const char* word = "line"; *word; ++word, c = get())
    if (c != *word) return false;
  if (!IsLineBlank(c)) return false;
  while (IsLineBlank(c)) c = get();
  if (c < '0' || c > '9') return false;
  long line = 0;
  for (; c >= '0' && c <= '9'; c = get()) line = std::min<long>(line * 10 + (c - '0'), INT_MAX);
  RString name;
  for (; c >= 0 && c != '\n'; c = get()) name.push_back(static_cast<char>(c));
  while (!name.empty() && IsLineBlank(static_cast<unsigned char>(name.back()))) name.pop_back();
  size_t first = 0;
  while (first < name.size() && IsLineBlank(static_cast<unsigned char>(name[first]))) ++first;
  name.erase(0, first);
  if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
  SetSourcePosition(static_cast<int>(line), name.empty() ? fileName_ : name);
  return true;
}
