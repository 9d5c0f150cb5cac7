#include "el/qstream/qi_preprocessed_stream.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

// A piece copied out of another stream.
class OwnedBuffer : public QIStreamBuffer {
 public:
  explicit OwnedBuffer(std::unique_ptr<char[]> bytes, QFileSize size)
      : QIStreamBuffer(bytes.get(), size), bytes_(std::move(bytes)) {}

 private:
  std::unique_ptr<char[]> bytes_;
};

inline bool IsLineBlank(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

}  // namespace

QIPreprocessedStream::QIPreprocessedStream(const void* data, QFileSize size, const RString& fileName)
    : data_(static_cast<const char*>(data)), size_(data && size > 0 ? size : 0), fileName_(fileName) {}

QIPreprocessedStream::QIPreprocessedStream(QIStream& source, const RString& fileName)
    : size_(source.GetDataSize()), source_(&source), fileName_(fileName) {}

QFileSize QIPreprocessedStream::DataSize() const { return size_; }

PosQIStreamBuffer QIPreprocessedStream::ReadBuffer(QFileSize pos) {
  if (pos < 0 || pos >= size_) return {};
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

int QIPreprocessedStream::CountLineFeeds(QFileSize from, QFileSize to) {
  if (to <= from) return 0;
  long count = 0;
  if (data_) {
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
