#pragma once
// A quick guess where an LZO1X block ends, for blocks that lie in one buffer.
//
// The exact way is to walk every instruction from the block's start (Lzo1xScanner), which
// costs about half a decode. The LZO1X compressors end a block with the marker 11 00 00,
// and only a few other places of a block hold those bytes; an instruction parse started a
// little before such a place falls into step with the block's own instructions within a
// few bytes, so it tells the true marker from bytes inside literals or match offsets.
// The guess is only a guess: the caller hands the bytes up to it to the library's decoder,
// which returns LZO_E_OK only when it stops on an end marker exactly at the last byte it
// was given, and falls back to the scanner otherwise. Safe on any data; the work is
// bounded by a fixed number of candidates.
#include <cstddef>
#include <cstdint>

// Returns the likely length of the block that starts at data[0] (the end of its end
// marker), or 0 when no likely end was found in data[0, available).
size_t GuessLzo1xBlockEnd(const uint8_t* data, size_t available, size_t expectedSize);
