// Binary configurations of arbitrary bytes: loaded (the first byte chooses whether class
// bodies are read on demand), then every class is read and the tree saved again.
#include "el/qstream/qi_stream.h"
#include "fuzz/paramfile/paramfile_fuzz.h"

namespace {

class OnDemandOwner : public ParamOwner {
 public:
  bool CanLoadOnDemand() const override { return true; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  QuietMessages quiet;
  OnDemandOwner owner;
  bool onDemand = data[0] & 1;
  // The stream is shared with classes not read yet; it owns a copy of the bytes.
  struct OwnedStream : QIStrStream {
    explicit OwnedStream(std::string bytes) : bytes_(std::move(bytes)) { Init(bytes_.data(), static_cast<QFileSize>(bytes_.size())); }
    std::string bytes_;
  };
  auto in = std::make_shared<OwnedStream>(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
  ParamFile file("config.bin");
  int error = file.LoadBin(in, onDemand ? &owner : nullptr);
  if (error != 0 && error != 1 && error != 3 && error != 4) std::abort();
  ReadEverything(file);
  CheckBinaryRoundTrip(file);
  return 0;
}
