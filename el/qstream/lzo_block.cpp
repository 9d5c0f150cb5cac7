#include "el/qstream/lzo_block.h"

#include <lzo/lzo1x.h>

#include <memory>
#include <new>
#include <vector>

#include "el/qstream/lzo1x_end_guess.h"
#include "el/qstream/lzo1x_scanner.h"
#include "el/qstream/qi_stream.h"
#include "el/qstream/qo_stream.h"

namespace {

// Hands exactly the block's bytes to the library, the decoder of record: it must use all
// of them and produce `size` bytes. LZO_E_OK means it stopped on an end marker exactly at
// the last byte given, so a length it accepts is the block's true length.
bool DecodeExactBlock(const unsigned char* block, size_t blockSize, void* destination, size_t size) {
  lzo_uint outSize = size;
  int result = lzo1x_decompress_safe(block, blockSize, static_cast<unsigned char*>(destination), &outSize,
                                     nullptr);
  return result == LZO_E_OK && outSize == size;
}

// Finds the block at the current position of `in`, decodes it into `destination` and
// moves past it.
bool LoadBlock(QIStream& in, void* destination, size_t size) {
  if (!LzoLibraryReady()) return false;
  Lzo1xScanner scanner(size);
  const char* view = nullptr;
  QFileSize available = in.PeekContiguous(&view);
  const auto* bytes = reinterpret_cast<const unsigned char*>(view);
  // First the quick guess; the library confirms it (or the scanner decides below).
  size_t guess = GuessLzo1xBlockEnd(bytes, static_cast<size_t>(available), size);
  if (guess > 0 && DecodeExactBlock(bytes, guess, destination, size)) {
    in.Advance(static_cast<QFileSize>(guess));
    return true;
  }
  Lzo1xScanResult result = scanner.Scan(bytes, static_cast<size_t>(available));
  if (result == Lzo1xScanResult::kCorrupt) return false;
  if (result == Lzo1xScanResult::kEnd) {
    // The whole block lies in the current buffer.
    size_t blockSize = scanner.Position();
    in.Advance(static_cast<QFileSize>(blockSize));
    return scanner.Produced() == size && DecodeExactBlock(bytes, blockSize, destination, size);
  }
  // The block goes on beyond this buffer: gather it buffer by buffer. The scanner stops the
  // gathering as soon as the bytes could no longer form a block of `size` bytes.
  std::vector<unsigned char> block;
  while (result == Lzo1xScanResult::kNeedMore) {
    if (available <= 0) return false;  // the stream ended inside the block
    block.insert(block.end(), bytes, bytes + available);
    in.Advance(available);
    result = scanner.Scan(block.data(), block.size());
    if (result == Lzo1xScanResult::kNeedMore) {
      available = in.PeekContiguous(&view);
      bytes = reinterpret_cast<const unsigned char*>(view);
    }
  }
  if (result != Lzo1xScanResult::kEnd) return false;
  // Return the bytes read beyond the block's end to the stream.
  size_t blockSize = scanner.Position();
  in.SeekG(in.TellG() - static_cast<QFileSize>(block.size() - blockSize));
  return scanner.Produced() == size && DecodeExactBlock(block.data(), blockSize, destination, size);
}

}  // namespace

bool LzoLibraryReady() {
  static const bool ready = lzo_init() == LZO_E_OK;
  return ready;
}

bool SaveLzoBlock(QOStream& out, const void* data, size_t size) {
  if (!LzoLibraryReady()) return false;
  std::unique_ptr<unsigned char[]> workMemory(new (std::nothrow) unsigned char[LZO1X_1_MEM_COMPRESS]);
  if (!workMemory) return false;
  const auto* source = static_cast<const unsigned char*>(data);
  size_t room = LzoWorstCaseSize(size);
  lzo_uint packedSize = 0;
  // Compress straight into the output buffer when the stream lets us; else through a
  // buffer of our own.
  if (char* target = out.ReserveWrite(room)) {
    int result = lzo1x_1_compress(source, size, reinterpret_cast<unsigned char*>(target), &packedSize,
                                  workMemory.get());
    if (result != LZO_E_OK || packedSize > room) {
      out.CommitWrite(0);
      return false;
    }
    out.CommitWrite(packedSize);
    return true;
  }
  std::unique_ptr<unsigned char[]> packed(new (std::nothrow) unsigned char[room]);
  if (!packed) return false;
  int result = lzo1x_1_compress(source, size, packed.get(), &packedSize, workMemory.get());
  if (result != LZO_E_OK || packedSize > room) return false;
  out.write(packed.get(), packedSize);
  return true;
}

bool LoadLzoBlock(QIStream& in, void* destination, size_t size) { return LoadBlock(in, destination, size); }

bool SkipLzoBlock(QIStream& in, size_t size) {
  std::unique_ptr<unsigned char[]> scratch(new (std::nothrow) unsigned char[size ? size : 1]);
  if (!scratch) return false;
  return LoadBlock(in, scratch.get(), size);
}
