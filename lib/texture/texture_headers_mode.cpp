#include "lib/texture/texture_headers_mode.h"

#include <sys/stat.h>

#include "el/appframe/app_frame.h"
#include "lib/texture/texture_file_stream.h"
#include "lib/texture/texture_header_manager.h"
#include "lib/texture/texture_headers_file.h"
#include "lib/texture/texture_name.h"
#include "lib/texture/texture_source_pac.h"
#include "platform/ascii.h"
#include "platform/engine_path.h"
#include "platform/file_search.h"
#include "platform/host_file.h"
#include "platform/make_folder.h"

namespace kln {
namespace {

bool IsHostFolder(const std::string& hostPath) {
  struct stat info;
  return ::stat(hostPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Reads the header of the texture open in `in` (not open: the file cannot be read), a
// ".paa" when `isPaa`, named `fullPath` in messages, and inserts it under `name`
// (normalised), which it takes over; `name` may be `relativePath` itself.
bool AddOpenTexture(TextureHeaderManager& manager, const RString& fullPath, bool isPaa, TextureFileStream& in,
                    bool opened, const RString& relativePath, RString& name) {
  PacMipmapRecord table[pac::kMipmapTableSize];
  TextureSourcePac source;
  if (!opened || !source.ReadHeader(in, fullPath, isPaa, table, pac::kMipmapTableSize)) {
    ErrorMessage("Error while inserting texture \"%s\" to TextureHeaderManager - failed to read the texture.",
                 relativePath.c_str());
    return false;
  }
  // Insert fails only without buckets; told before the name is handed over.
  if (manager.BucketCount() == 0) {
    ErrorMessage("Error while inserting texture \"%s\" to TextureHeaderManager - failed to add header to map.",
                 NormalizeTextureHeaderName(relativePath).c_str());
    return false;
  }
  TextureHeader header = source.TakeHeader();
  header.mipmaps.assign(table, table + header.mipmapCount);
  header.fileSize = static_cast<uint32_t>(in.GetDataSize());
  header.name = std::move(name);
  return manager.Insert(std::move(header));
}

// `prefix` + '\' + `name`, normalised; both parts are normalised already.
RString JoinNormalized(const RString& prefix, const RString& name) {
  if (prefix.empty()) return name;
  // Only a name that begins with a separator would merge with the one between them.
  if (name.empty() || name.front() == '\\') return NormalizeTextureHeaderName(prefix + "\\" + name);
  RString joined;
  joined.reserve(prefix.size() + 1 + name.size());
  joined += prefix;
  joined += '\\';
  joined += name;
  return joined;
}

// One folder of the walk: `folder` in normalised engine form for names and messages,
// `hostFolder` the folder on the disk; `prefix` is normalised.
void CollectFolder(const TextureHeadersSettings& settings, TextureHeaderManager& manager, const RString& folder,
                   const std::string& hostFolder, const RString& prefix) {
  FileSearch search;
  // Only folder or not matters here: the listing tells, without a status query per entry.
  // The folder stays open: textures are opened relative to it, so that the path is
  // resolved once per folder.
  if (!search.Start(ToEnginePath(hostFolder) + "\\*", FileSearch::kFolderOnly, FileSearch::kKeepFolderOpen)) {
    // An empty folder has nothing to deliver; only a folder that cannot be read is wrong.
    if (!IsHostFolder(hostFolder)) ErrorMessage("DirIterator: wrong filespec: %s", (folder + "\\*").c_str());
    return;
  }
  FileSearchEntry entry;
  RString fullPath;  // one buffer for the entries' paths
  while (search.Next(entry)) {
    const RString name = NormalizeTextureHeaderName(entry.name);
    RString relative = JoinNormalized(prefix, name);
    if (settings.isExcluded && settings.isExcluded(name, relative)) continue;
    fullPath.assign(folder).append(1, '\\').append(name);
    if (entry.attrib & FileSearchEntry::kFolder) {
      if (settings.noRecursion || entry.name.starts_with('.')) continue;
      CollectFolder(settings, manager, fullPath, hostFolder + "/" + entry.name, relative);
      continue;
    }
    // The extension of the name is that of the full path: its last component.
    const std::string_view extension = TextureFileExtension(name);
    const bool isPaa = AsciiEqualIgnoreCase(extension, ".paa");
    if (!isPaa && !AsciiEqualIgnoreCase(extension, ".pac")) continue;
    TextureFileStream in;
    const bool opened = in.OpenAt(search.FolderFd(), entry.name);
    if (!AddOpenTexture(manager, fullPath, isPaa, in, opened, relative, relative))
      ErrorMessage("Failed adding texture %s to texture header manager.", fullPath.c_str());
  }
}

// The folder that receives the file, ending in '\'.
RString OutputFolder(const TextureHeadersSettings& settings, const RString& destination) {
  RString folder = settings.copyTextures ? settings.texturesFolder : destination;
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

// Creates the folders of `folder` that are missing, shortest first.
void CreateFolders(const RString& folder) {
  for (size_t pos = folder.find_first_of("\\/", 1); pos != RString::npos; pos = folder.find_first_of("\\/", pos + 1))
    if (!EngineFileExists(folder.substr(0, pos))) MakeFolder(folder.substr(0, pos));
}

}  // namespace

bool AddTexture(TextureHeaderManager& manager, const RString& fullPath, const RString& relativePath) {
  if (!IsPacTexturePath(fullPath)) {
    ErrorMessage("Error while inserting texture \"%s\" to TextureHeaderManager - invalid file type.",
                 relativePath.c_str());
    return false;
  }
  TextureFileStream in;
  const bool opened = in.Open(HostPathOf(fullPath));
  RString name = NormalizeTextureHeaderName(relativePath);
  return AddOpenTexture(manager, fullPath, IsPaaPath(fullPath), in, opened, relativePath, name);
}

void CollectTextureHeaders(const TextureHeadersSettings& settings, TextureHeaderManager& manager, const RString& folder,
                           const RString& prefix) {
  const RString normalizedFolder = NormalizeTextureHeaderName(folder);
  // The folder as given when it names one; lower-casing may have hidden its spelling.
  const std::string found =
      HostPathOf(EngineFileExists(folder) || normalizedFolder.empty() ? folder : normalizedFolder);
  const std::string hostFolder = found.empty() ? std::string(1, '.') : found;
  CollectFolder(settings, manager, normalizedFolder, hostFolder, NormalizeTextureHeaderName(prefix));
}

int RunTextureHeaders(const TextureHeadersSettings& settings, const RString& source, const RString& destination) {
  LogMessage("Creating texture headers file");
  TextureHeaderManager manager(TextureHeaderManager::kInitialBuckets);
  const RString outputFolder = OutputFolder(settings, destination);
  CollectTextureHeaders(settings, manager, source, "");
  if (manager.Count() == 0) {
    ErrorMessage("Texture headers file was not created - no textures found.");
    return 0;
  }
  const RString path = outputFolder + kTextureHeadersFileName;
  CreateFolders(outputFolder);
  if (!manager.Save(path)) {
    ErrorMessage("saving texture headers to file \"%s\" failed.", path.c_str());
    return -1;
  }
  LogMessage("%zd texture headers saved to file \"%s\"", static_cast<ssize_t>(manager.Count()), path.c_str());
  return 0;
}

}  // namespace kln
