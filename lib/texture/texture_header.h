#pragma once
// What the engine knows of a texture without decoding it: the summary that the header
// reader fills and that "texHeaders.bin" stores, record by record.
#include <cstdint>

#include "el/qstream/basic_types.h"
#include "lib/texture/pac_format.h"

class InlineBinSaver;
class SerializeBinStream;

// One mipmap level as the header reader finds it (12 bytes when stored).
struct PacMipmapRecord {
  uint16_t width = 0;  // low 15 bits of the stored width
  uint16_t height = 0;
  uint16_t reserved = 0;
  uint8_t format = 0;            // the texture's pixel format
  uint8_t secondFormat = 3;      // every new record starts with 3; the reader leaves it
  uint32_t offset = 0xFFFFFFFF;  // position of the level's mipmap header; all ones: not found

  bool operator==(const PacMipmapRecord&) const = default;
};

struct TextureHeader {
  AutoArray<uint32_t> palette;           // colours: byte 0 in bits 0-7, 1 in 8-15, 2 in 16-23
  float averageColor[4] = {0, 0, 0, 0};  // red, green, blue, alpha in 0..1
  uint32_t averageColorPacked = 0;       // alpha 24-31, red 16-23, green 8-15, blue 0-7
  uint32_t maxColorPacked = 0;
  uint32_t reservedValue = 0;
  int32_t transparentIndex = -1;  // palette index of the transparent colour; -1: none
  uint8_t hasMaxColor = 0;
  uint8_t hasAlpha = 0;
  uint8_t isTransparent = 0;
  uint8_t hasDarkAlpha = 0;
  int32_t mipmapCount = 0;
  int32_t format = 0;  // PacFormat
  uint8_t initialised = 0;
  uint8_t isPaa = 0;
  RString name;  // the texture's name (relative path, normalised)
  int32_t reservedCount = 0;
  AutoArray<PacMipmapRecord> mipmaps;  // the first mipmapCount levels
  uint32_t fileSize = 0;               // size of the texture file; 0 when unknown

  // Field by field; the floats compare by their bits so that a header equals its copy.
  bool operator==(const TextureHeader& other) const;
};

// Saves or loads one record of "texHeaders.bin". A load checks what the rest of the file
// relies on (record version 1, at most 256 palette colours, at most 12 mipmap records and
// exactly mipmapCount of them) and sets error 4 otherwise. Returns f.Ok().
bool TransferTextureHeader(SerializeBinStream& f, TextureHeader& header);
// Saves the record as above, the same bytes, through the inline saver.
bool TransferTextureHeader(InlineBinSaver& f, const TextureHeader& header);
