#include "lib/texture/texture_headers_file.h"

#include "el/appframe/app_frame.h"
#include "el/qstream/qi_file_stream.h"
#include "el/qstream/qo_file_stream.h"
#include "el/qstream/serialize_bin_stream.h"
#include "lib/texture/inline_bin_saver.h"
#include "lib/texture/output_path.h"
#include "lib/texture/texture_header_manager.h"
#include "platform/host_file.h"

namespace {

constexpr int kMagic = MakeMagic("0DHT");
constexpr int kFileVersion = 1;

// One routine for both directions and both savers (see TransferRecord in texture_header.cpp).
template <class Stream, class Headers>
bool TransferFile(Stream& f, Headers& headers) {
  if (!f.TransferVersion(kMagic, kMagic)) {
    f.SetError(SerializeBinStream::EBadFileType);
    return false;
  }
  if (!f.TransferVersion(kFileVersion, kFileVersion)) {
    f.SetError(SerializeBinStream::EBadVersion);
    return false;
  }
  f.TransferArray(headers, [](Stream& s, auto& header) { TransferTextureHeader(s, header); });
  return f.Ok();
}

}  // namespace

bool TransferTextureHeadersFile(SerializeBinStream& f, AutoArray<TextureHeader>& headers) {
  return TransferFile(f, headers);
}

int LoadTextureHeadersFile(const RString& path, AutoArray<TextureHeader>& headers) {
  QIFStream in;
  if (!in.Open(HostPathOf(path))) return SerializeBinStream::ENoFile;
  SerializeBinStream f(&in);
  TransferTextureHeadersFile(f, headers);
  return f.GetError();
}

bool TextureHeaderManager::Save(const RString& path) const {
  QOFStream out;
  if (!out.OpenAtomic(HostPathForWriting(path))) {
    ErrorMessage("Failed to save TextureHeaderManager to file \"%s\" - failed to open the file.", path.c_str());
    return false;
  }
  // Straight from the buckets, without a copy of the headers.
  const InOrder headers(*this);
  InlineBinSaver f(&out);
  TransferFile(f, headers);
  if (!f.Finish()) {
    out.Discard();
    ErrorMessage("Failed to save TextureHeaderManager to file \"%s\" - failed to save binstream.", path.c_str());
    return false;
  }
  if (!out.Close()) {
    ErrorMessage("Failed to save TextureHeaderManager to file \"%s\" - failed to save binstream.", path.c_str());
    return false;
  }
  return true;
}

bool TextureHeaderManager::Load(const RString& path) {
  AutoArray<TextureHeader> headers;
  int error = LoadTextureHeadersFile(path, headers);
  if (error == SerializeBinStream::ENoFile) {
    ErrorMessage("Failed to load TextureHeaderManager from file \"%s\" - failed to open the file.", path.c_str());
    return false;
  }
  if (error != SerializeBinStream::EOK) {
    ErrorMessage("Failed to load TextureHeaderManager from file \"%s\" - invalid file structure.", path.c_str());
    return false;
  }
  AddLoaded(std::move(headers));
  return true;
}
