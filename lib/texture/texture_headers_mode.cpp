#include "lib/texture/texture_headers_mode.h"

#include <sys/stat.h>

#include <optional>
#include <vector>

#include "el/appframe/app_frame.h"
#include "el/appframe/message_recorder.h"
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
#include "platform/visited_folders.h"
#include "platform/work_pool.h"

namespace kln {
namespace {

bool IsHostFolder(const std::string& hostPath) {
  struct stat info;
  return ::stat(hostPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The header of the texture open in `in` (not open: the file cannot be read), a ".paa"
// when `isPaa`, named `fullPath` in messages; nothing when it cannot be read.
std::optional<TextureHeader> ReadTexture(const RString& fullPath, bool isPaa, TextureFileStream& in, bool opened) {
  PacMipmapRecord table[pac::kMipmapTableSize];
  TextureSourcePac source;
  if (!opened || !source.ReadHeader(in, fullPath, isPaa, table, pac::kMipmapTableSize)) return std::nullopt;
  TextureHeader header = source.TakeHeader();
  header.mipmaps.assign(table, table + header.mipmapCount);
  header.fileSize = static_cast<uint32_t>(in.GetDataSize());
  return header;
}

// Inserts `header` as ReadTexture gave it under `name` (normalised), which it takes
// over; `name` may be `relativePath` itself.
bool InsertTexture(TextureHeaderManager& manager, std::optional<TextureHeader>&& header, const RString& relativePath,
                   RString& name) {
  if (!header) {
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
  header->name = std::move(name);
  return manager.Insert(std::move(*header));
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

// A texture of one folder, listed by the walk and read on any thread of the pool.
struct ListedTexture {
  std::string entryName;  // as in the folder
  RString fullPath;       // normalised engine form, for messages
  RString relative;       // the name it is inserted under
  bool isPaa = false;
  std::optional<TextureHeader> header;
  MessageRecorder messages;  // what reading it reported
};

// The walk. It lists the folders in turn and reads the textures of a folder on the
// threads of a pool, then inserts them in the order of the listing and tells what their
// reading reported as it goes: the file and the output are those of a walk that reads
// every texture in turn.
class TextureCollector {
 public:
  TextureCollector(const TextureHeadersSettings& settings, TextureHeaderManager& manager)
      : settings_(settings), manager_(manager) {}

  // One folder: `folder` in normalised engine form for names and messages, `hostFolder`
  // the folder on the disk; `prefix` is normalised.
  void CollectFolder(const RString& folder, const std::string& hostFolder, const RString& prefix) {
    FileSearch search;
    // Only folder or not matters here: the listing tells, without a status query per
    // entry. The folder stays open: textures are opened relative to it, so that the path
    // is resolved once per folder.
    if (!search.Start(ToEnginePath(hostFolder) + "\\*", FileSearch::kFolderOnly, FileSearch::kKeepFolderOpen)) {
      // An empty folder has nothing to deliver; only a folder that cannot be read is wrong.
      if (!IsHostFolder(hostFolder)) ErrorMessage("DirIterator: wrong filespec: %s", (folder + "\\*").c_str());
      return;
    }
    // A link back to a folder on the way would make the walk go round for ever.
    if (!visited_.Enter(search.Folder())) {
      ErrorMessage("Folder %s leads to a folder visited already (a link); it is skipped", folder.c_str());
      return;
    }
    std::vector<ListedTexture> listed;
    FileSearchEntry entry;
    RString fullPath;  // one buffer for the entries' paths
    while (search.Next(entry)) {
      const RString name = NormalizeTextureHeaderName(entry.name);
      RString relative = JoinNormalized(prefix, name);
      if (settings_.isExcluded && settings_.isExcluded(name, relative)) continue;
      fullPath.assign(folder).append(1, '\\').append(name);
      if (entry.attrib & FileSearchEntry::kFolder) {
        if (settings_.noRecursion || entry.name.starts_with('.')) continue;
        // What was listed before the subfolder comes before it.
        AddListed(search.FolderFd(), listed);
        CollectFolder(fullPath, hostFolder + "/" + entry.name, relative);
        continue;
      }
      // The extension of the name is that of the full path: its last component.
      const std::string_view extension = TextureFileExtension(name);
      const bool isPaa = AsciiEqualIgnoreCase(extension, ".paa");
      if (!isPaa && !AsciiEqualIgnoreCase(extension, ".pac")) continue;
      ListedTexture& texture = listed.emplace_back();
      texture.entryName = entry.name;
      texture.fullPath = fullPath;
      texture.relative = std::move(relative);
      texture.isPaa = isPaa;
    }
    AddListed(search.FolderFd(), listed);
  }

 private:
  // Reads every texture of `listed`, in the folder open as `folderFd`, and inserts them.
  void AddListed(int folderFd, std::vector<ListedTexture>& listed) {
    // Handing textures to the helpers pays only for a few of them at least.
    constexpr size_t kMinParallel = 8;
    pool_.ForEach(
        listed.size(),
        [&](size_t i) {
          ListedTexture& texture = listed[i];
          ThreadMessageRecording recording(texture.messages);
          TextureFileStream in;
          const bool opened = in.OpenAt(folderFd, texture.entryName);
          texture.header = ReadTexture(texture.fullPath, texture.isPaa, in, opened);
        },
        kMinParallel);
    for (ListedTexture& texture : listed) {
      texture.messages.Replay();
      if (!InsertTexture(manager_, std::move(texture.header), texture.relative, texture.relative))
        ErrorMessage("Failed adding texture %s to texture header manager.", texture.fullPath.c_str());
    }
    listed.clear();
  }

  const TextureHeadersSettings& settings_;
  TextureHeaderManager& manager_;
  VisitedFolders visited_;
  WorkPool pool_;
};

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
  return InsertTexture(manager, ReadTexture(fullPath, IsPaaPath(fullPath), in, opened), relativePath, name);
}

void CollectTextureHeaders(const TextureHeadersSettings& settings, TextureHeaderManager& manager, const RString& folder,
                           const RString& prefix) {
  const RString normalizedFolder = NormalizeTextureHeaderName(folder);
  // The folder as given when it names one; lower-casing may have hidden its spelling.
  const std::string found =
      HostPathOf(EngineFileExists(folder) || normalizedFolder.empty() ? folder : normalizedFolder);
  const std::string hostFolder = found.empty() ? std::string(1, '.') : found;
  TextureCollector(settings, manager).CollectFolder(normalizedFolder, hostFolder, NormalizeTextureHeaderName(prefix));
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
