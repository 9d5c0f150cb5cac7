#pragma once
// "texHeaders.bin": the texture headers of a folder in one file (little-endian).
//
//   magic "0DHT", int32 file version 1, int32 header count, then the header records
//   (TransferTextureHeader) in the manager's bucket order.
#include "el/qstream/basic_types.h"
#include "lib/texture/texture_header.h"

class SerializeBinStream;

inline constexpr char kTextureHeadersFileName[] = "texHeaders.bin";

// Saves or loads the whole file: the one routine for both directions. A load sets error 1
// for another magic, 3 for another version and 4 for malformed records. Returns f.Ok().
bool TransferTextureHeadersFile(SerializeBinStream& f, AutoArray<TextureHeader>& headers);

// Reads every record of the file at `path` (engine or host path) without a manager.
// Returns 0 on success, otherwise the serializer's error code (5 when the file cannot be
// opened).
int LoadTextureHeadersFile(const RString& path, AutoArray<TextureHeader>& headers);
