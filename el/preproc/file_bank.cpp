#include "el/preproc/file_bank.h"

namespace {

// A memory stream that keeps the text it reads alive.
class SharedTextStream : public QIStrStream {
 public:
  explicit SharedTextStream(std::shared_ptr<const std::string> text) : text_(std::move(text)) {
    Init(text_->data(), static_cast<QFileSize>(text_->size()));
  }

 private:
  std::shared_ptr<const std::string> text_;
};

}  // namespace

RString MemoryFileBank::Key(const RString& path) {
  RString key = path;
  for (char& c : key) {
    if (c == '/') c = '\\';
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

void MemoryFileBank::Add(const RString& path, std::string text) {
  files_[Key(path)] = std::make_shared<const std::string>(std::move(text));
}

std::unique_ptr<QIStream> MemoryFileBank::OpenFile(const RString& path) const {
  auto found = files_.find(Key(path));
  if (found == files_.end()) return nullptr;
  return std::make_unique<SharedTextStream>(found->second);
}
