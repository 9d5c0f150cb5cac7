#include "lib/dump/loaded_file_record.h"

#include "el/qstream/serialize_bin_stream.h"

namespace {

const char* ErrorText(int error, const char* wrongKind) {
  switch (error) {
    case SerializeBinStream::EBadFileType: return wrongKind;
    case SerializeBinStream::EBadVersion: return "unsupported version";
    case SerializeBinStream::EFileStructure: return "corrupt data";
    case SerializeBinStream::ENoFile: return "file not found";
    default: return "cannot be read";
  }
}

}  // namespace

DumpRecord LoadedFileRecord(bool json, std::string_view path, int error, const std::vector<std::string>& messages,
                            const char* wrongKind) {
  DumpRecord record(json, 0);
  record.Str("file", path).Bool("ok", error == 0);
  if (error) record.Int("error", error).Str("reason", ErrorText(error, wrongKind));
  record.Strings("messages", messages);
  return record;
}
