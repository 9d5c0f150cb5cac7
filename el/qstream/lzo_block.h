#pragma once
// LZO1X compressed blocks, coded by the LZO library.
//
// A block is a standard LZO1X stream ending with the end-of-stream marker; it carries no
// length, so the loader is told the decoded size and finds the block's end itself,
// leaving the input stream on the first byte after the block: a quick guess at the end
// marker (GuessLzo1xBlockEnd), confirmed by the library's decoder, and otherwise the exact
// instruction walk (Lzo1xScanner). The library's decoder is always the one that decodes.
//
// The loaders are safe on untrusted input: they never read outside the stream nor write
// past `size` bytes of the destination, and return false on any malformed block.
#include <cstddef>

class QIStream;
class QOStream;

// Runs the LZO library's initialization check once; returns true when it passed.
bool LzoLibraryReady();

// Compresses `size` bytes of `data` with the LZO1X-1 compressor and writes exactly the
// compressed bytes to `out`. Returns true on success; false (nothing written) when the
// library is not ready or the compressor fails.
bool SaveLzoBlock(QOStream& out, const void* data, size_t size);

// Decodes one block of exactly `size` bytes from `in` into `destination`. Returns true on
// success with `in` on the first byte after the block; false on malformed data, a block
// that decodes to any other size, or when the library is not ready.
bool LoadLzoBlock(QIStream& in, void* destination, size_t size);

// Moves past one block of `size` decoded bytes, decoding and checking it without keeping
// the bytes. Returns true on success, false as LoadLzoBlock.
bool SkipLzoBlock(QIStream& in, size_t size);

// The room the compressor may need for `size` bytes: size + size / 16 + 67.
constexpr size_t LzoWorstCaseSize(size_t size) { return size + size / 16 + 67; }
