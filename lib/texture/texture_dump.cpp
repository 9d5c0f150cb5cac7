#include "lib/texture/texture_dump.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "el/appframe/forwarding_sink.h"
#include "el/appframe/message_recorder.h"
#include "el/qstream/qi_file_stream.h"
#include "el/qstream/serialize_bin_stream.h"
#include "lib/dump/dump_writer.h"
#include "lib/texture/pac_layout_scan.h"
#include "lib/texture/texture_headers_file.h"
#include "lib/texture/texture_name.h"
#include "lib/texture/texture_source_pac.h"
#include "platform/host_file.h"

namespace {

void WriteMessages(DumpWriter& w, const std::vector<std::string>& lines) {
  w.BeginArray("messages");
  for (const std::string& line : lines) w.String("", line);
  w.EndArray();
}

// The fields that a texture's header and an entry of "texHeaders.bin" share.
void WriteSummary(DumpWriter& w, const TextureHeader& h) {
  w.String("format", PacFormatName(h.format));
  w.Int("formatValue", h.format);
  w.Int("width", h.mipmaps.empty() ? 0 : h.mipmaps[0].width);
  w.Int("height", h.mipmaps.empty() ? 0 : h.mipmaps[0].height);
  w.Int("mipmapCount", h.mipmapCount);
  w.Bool("isPaa", h.isPaa != 0);
  w.Hex("averageColor", h.averageColorPacked);
  w.BeginArray("averageColorRGBA");
  for (float channel : h.averageColor) w.Float("", channel);
  w.EndArray();
  w.Hex("maxColor", h.maxColorPacked);
  w.Bool("hasMaxColor", h.hasMaxColor != 0);
  w.Bool("hasAlpha", h.hasAlpha != 0);
  w.Bool("isTransparent", h.isTransparent != 0);
  w.Bool("hasDarkAlpha", h.hasDarkAlpha != 0);
  w.Int("transparentIndex", h.transparentIndex);
  w.BeginArray("palette");
  for (uint32_t color : h.palette) w.Hex("", color);
  w.EndArray();
  w.BeginArray("mipmaps");
  for (const PacMipmapRecord& record : h.mipmaps) {
    w.BeginObject();
    w.Int("width", record.width);
    w.Int("height", record.height);
    w.Int("format", record.format);
    w.Int("secondFormat", record.secondFormat);
    if (record.offset == 0xFFFFFFFF)
      w.Null("offset");
    else
      w.Int("offset", record.offset);
    w.EndObject();
  }
  w.EndArray();
}

void WriteLayout(DumpWriter& w, const PacLayout& layout) {
  w.BeginObject("layout");
  if (layout.hasFormatWord) {
    char word[8];
    std::snprintf(word, sizeof word, "0x%04X", layout.formatWord);
    w.String("formatWord", word);
  } else {
    w.Null("formatWord");
  }
  w.String("format", PacFormatName(layout.format));
  w.BeginArray("tags");
  for (const PacTagInfo& tag : layout.tags) {
    w.BeginObject();
    w.String("name", std::string(tag.name, strnlen(tag.name, 4)));
    w.Int("offset", tag.offset);
    w.Int("length", tag.length);
    if (std::memcmp(tag.name, pac::kTagOffsets, 4) == 0) {
      w.BeginArray("offsets");
      for (uint32_t offset : tag.offsets) w.Int("", offset);
      w.EndArray();
    } else if (tag.length >= 4) {
      w.Hex("value", tag.value);
    }
    w.EndObject();
  }
  w.EndArray();
  w.Int("paletteOffset", layout.paletteOffset);
  w.Int("paletteCount", layout.paletteCount);
  w.BeginArray("mipmaps");
  for (const PacLevelInfo& level : layout.levels) {
    w.BeginObject();
    w.Int("offset", level.offset);
    w.String("format", PacFormatName(layout.format));
    w.Int("width", level.width);
    w.Int("height", level.height);
    w.Int("dataSize", level.dataSize);
    w.Bool("widthFlag", level.widthFlag);
    w.Bool("extendedSize", level.extendedSize);
    w.Bool("truncated", level.truncated);
    w.EndObject();
  }
  w.EndArray();
  if (layout.terminated)
    w.Int("endOffset", layout.endOffset);
  else
    w.Null("endOffset");
  if (!layout.problem.empty()) w.String("problem", layout.problem);
  w.EndObject();
}

bool DumpTexture(DumpWriter& w, const RString& path, QIFStream& in) {
  const bool isPaa = IsPaaPath(path);
  MessageRecorder capture;
  ScopedSink capturing(capture);
  PacMipmapRecord table[pac::kMipmapTableSize];
  TextureSourcePac source;
  const bool readable = source.ReadHeader(in, path, isPaa, table, pac::kMipmapTableSize);
  in.SeekG(0);
  PacLayout layout;
  ScanPacLayout(in, isPaa, layout);

  w.String("kind", "texture");
  w.BeginObject("header");
  w.Bool("readable", readable);
  if (readable) {
    TextureHeader header = source.Header();
    header.mipmaps.assign(table, table + header.mipmapCount);
    WriteSummary(w, header);
  }
  w.EndObject();
  WriteLayout(w, layout);
  WriteMessages(w, capture.Texts());
  if (!readable) w.String("error", "the texture header cannot be read");
  return readable;
}

bool DumpHeadersFile(DumpWriter& w, QIFStream& in) {
  MessageRecorder capture;
  ScopedSink capturing(capture);
  AutoArray<TextureHeader> headers;
  SerializeBinStream f(&in);
  TransferTextureHeadersFile(f, headers);

  w.String("kind", "texHeaders");
  w.Int("version", f.GetVersion());
  w.Int("count", static_cast<int64_t>(headers.size()));
  w.BeginArray("headers");
  for (const TextureHeader& header : headers) {
    w.BeginObject();
    w.String("name", header.name);
    w.Int("fileSize", header.fileSize);
    WriteSummary(w, header);
    w.EndObject();
  }
  w.EndArray();
  WriteMessages(w, capture.Texts());
  if (!f.Ok()) {
    // The records before the broken one are listed; the error names the stream's code.
    w.String("error", "invalid file structure (error " + std::to_string(f.GetError()) + ")");
    return false;
  }
  return true;
}

}  // namespace

bool DumpTextureFile(const RString& path, bool json, std::string& out) {
  DumpWriter w(json);
  w.BeginObject();
  w.String("file", path);
  QIFStream in;
  bool explained = false;
  if (!in.Open(HostPathOf(path))) {
    w.String("error", "cannot open the file");
  } else {
    w.Int("fileSize", in.GetDataSize());
    char magic[4] = {};
    bool headersFile = in.read(magic, 4) == 4 && std::memcmp(magic, "0DHT", 4) == 0;
    in.SeekG(0);
    if (headersFile)
      explained = DumpHeadersFile(w, in);
    else if (IsPacTexturePath(path))
      explained = DumpTexture(w, path, in);
    else
      w.String("error", "neither a texture (.paa, .pac) nor a texture headers file");
  }
  w.EndObject();
  out = w.Take();
  return explained;
}
