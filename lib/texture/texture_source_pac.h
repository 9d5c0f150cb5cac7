#pragma once
// The header half of the engine's ".paa"/".pac" texture source: reads the pixel format,
// the tagged blocks, the palette and the sizes and positions of the mipmaps, never the
// pixel data.
//
// Safe on any bytes: reads go through QIStream (past the end they yield 0xFF and stop),
// every skip is checked against the stream size, and the walk is bounded by the table.
#include <utility>

#include "el/qstream/basic_types.h"
#include "lib/texture/texture_header.h"

class QIStream;

class TextureSourcePac {
 public:
  // Reads the header of the texture file `path` (an engine or host path) into Header()
  // and the first levels of `mipmaps` (a table of `tableSize` records, each as a new
  // PacMipmapRecord); Header().mipmapCount is the number of levels found. `path` also
  // names the texture in messages, and its extension decides "is paa". False when the
  // file cannot be opened or its header is broken.
  bool ReadHeader(const RString& path, PacMipmapRecord* mipmaps, int tableSize);
  // The same over an open stream positioned at the start of the texture.
  bool ReadHeader(QIStream& in, const RString& name, bool isPaa, PacMipmapRecord* mipmaps, int tableSize);

  // The summary read; name, reserved count, mipmap table and file size are the caller's.
  const TextureHeader& Header() const { return header_; }
  // Hands the summary over without copying it.
  TextureHeader TakeHeader() { return std::move(header_); }

 private:
  struct TagValues;
  bool ReadTaggedBlocks(QIStream& in, int32_t (&offsets)[pac::kMaxMipmapOffsets], TagValues& tags);
  bool ReadPalette(QIStream& in);
  void SettleColors(const TagValues& tags);
  bool ReadMipmaps(QIStream& in, const RString& name, const int32_t (&offsets)[pac::kMaxMipmapOffsets],
                   PacMipmapRecord* mipmaps, int tableSize);

  TextureHeader header_;
};
