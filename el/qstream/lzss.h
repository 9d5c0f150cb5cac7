#pragma once
// LZSS blocks: a 4096-byte ring window (pre-filled with spaces), flag bytes announcing
// eight items each (bit set = literal, clear = two-byte back reference of 3 to 18 bytes),
// and a uint32 additive checksum of the uncompressed bytes after the data. The block
// carries no length: the decoder is told how many bytes to produce.
//
// The decoders are safe on untrusted input: they never read outside the stream or write
// outside the `count` bytes of the destination, and report malformed data as a message
// ("%s(%d) : %s") and a false result.
#include <cstdint>

#include "el/qstream/basic_types.h"

class QIStream;
class QOStream;

// Encodes `count` bytes of `source` and writes the coded items and the checksum to `out`.
// A count of 0 writes nothing at all.
void LzssEncode(const void* source, size_t count, QOStream& out);

// Decodes exactly `count` bytes into `destination` and verifies the checksum that follows.
// Returns true on success (at once, reading nothing, when count <= 0); false after
// reporting "LZW: stream read failed", "LZW overflow", "LZW: end of stream" or "Checksum".
bool LzssDecode(QIStream& in, void* destination, QFileSize count);

// Moves past a block of `count` decoded bytes, checking it as LzssDecode does without
// keeping the bytes. Returns true on success, false after reporting the failure.
bool LzssSkip(QIStream& in, QFileSize count);

// The checksum stored after an LZSS block: the sum modulo 2^32 of the bytes.
uint32_t LzssChecksum(const void* data, size_t count);
