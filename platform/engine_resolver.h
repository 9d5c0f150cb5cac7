#pragma once
// Resolving names that come from data.
//
// Two kinds of path live in the program. Paths from the command line and the environment
// are host paths (in engine form, '\' separated) and may name any host location; they go
// through HostPathOf. Every name read from a file being converted (includes, models,
// materials, textures, proxies, model configurations, texture lists, prefix files) is an
// engine path: it is wrapped in an EnginePath and resolved only by ResolveEnginePath,
// through the mounts and below the work drive, never as a host path.
//
// Mounts map a work path (such as "\x\mymod\addons\main") to a host folder. An engine path
// is taken below the longest mount whose work path is a prefix of it (whole folder names,
// letter case ignored, '\' or '/' accepted, the leading '\' optional); a path below no
// mount is taken below the work drive.
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// A name read from data, in engine form. Built explicitly, so that a host path cannot
// become one by accident, and accepted only by the resolver below.
class EnginePath {
 public:
  explicit EnginePath(std::string_view name);
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

struct Mount {
  std::string workPath;  // engine form, with a leading '\' and no trailing one
  std::string folder;    // absolute host folder, without a trailing '/'
  std::string origin;    // where the mount came from: an option, the environment, a prefix file
};

// The mounts of a run, kept for the process.
class MountTable {
 public:
  // Adds a mount; false, with `error` naming both folders, when another folder already
  // claims the same work path (letter case ignored). The same folder twice is accepted.
  bool Add(std::string_view workPath, std::string_view hostFolder, std::string origin, std::string* error);
  // Reads "WORKPATH=FOLDER" pairs separated by ';'; false with `error` on a bad pair.
  bool AddList(std::string_view list, const std::string& origin, std::string* error);
  const std::vector<Mount>& All() const { return mounts_; }
  // The longest mount whose work path is made of the first components of `lowerComponents`
  // (lower-cased folder names); `used` receives how many components it covers. Null when
  // no mount matches.
  const Mount* Match(const std::vector<std::string>& lowerComponents, size_t& used) const;
  // The mount whose folder holds `hostPath` (absolute, '/' separated); null when none.
  const Mount* Holding(std::string_view hostPath) const;
  void Clear();

 private:
  std::vector<Mount> mounts_;
  // Lower-cased work paths without the leading '\' -> position in mounts_.
  std::unordered_map<std::string, size_t> index_;
  size_t maxDepth_ = 0;
};

MountTable& Mounts();

// The work path key of `workPath`: components joined by '\', lower-cased, no leading '\'.
std::string WorkPathKey(std::string_view workPath);

struct EngineResolution {
  bool found = false;   // the file or folder exists
  bool climbs = false;  // the name leads above the root; nothing was looked up
  std::string hostPath;  // the file found, else where the exact spelling maps to
  std::string root;      // the host folder the name was resolved below
  std::string tried;     // the place tried: "mount \x\a (/src/a)" or "work drive /w"
};

// Resolves a name from data through the mounts and the work drive; letter case is
// ignored where the exact spelling does not exist. Never consults the host root.
EngineResolution ResolveEnginePath(const EnginePath& path);

// The engine path of the host file `hostPath` when it lies below a mount or the work drive.
std::optional<std::string> EnginePathOfHostFile(std::string_view hostPath);

// Folders named on the command line (the source folder of a run) inside which a file
// given on the command line may include its neighbours by relative names.
void AddSourceRoot(std::string_view hostFolder);
void ClearSourceRoots();

// The folder that relative names in the host file `hostPath` (a file named on the command
// line) must stay inside: the mount or source folder holding it, else the work drive when
// it lies below it, else the file's own folder.
std::string RootOfHostFile(std::string_view hostPath);

// True when the absolute host path `hostPath` is `folder` or lies below it.
bool IsHostPathBelow(std::string_view hostPath, std::string_view folder);
