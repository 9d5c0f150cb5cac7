#pragma once
// The settings of one conversion run, read from the command line.
#include <set>

#include "el/qstream/basic_types.h"
#include "tool/mount_setup.h"

namespace kln {

using ExclusionList = AutoArray<RString>;
using UsedTextureSet = std::set<RString>;

struct RunSettings {
  ExclusionList exclusionList;        // lower-case exclusion patterns
  RString wildcard = "*";             // appended to every folder's search pattern
  UsedTextureSet usedTextures;        // texture names met while converting
  bool copyTextures = false;          // collect used textures and copy them at the end
  bool silent = false;                // never show a message box
  bool always = false;                // convert even when the destination is up to date
  RString texturesFolder;             // target of the texture copy, ends in '\' once set
  bool olderWorldFormat = false;      // write worlds in the older runtime format
  bool noRecursion = false;           // do not enter subfolders
  int bonesInterval = 55;             // bones allowed in one model section
  RString defaultSkeleton = "KTR2_ManSkeleton";
  RString skeleton;                   // skeleton chosen on the command line
  bool convertAnimations = false;     // the walk converts source animations (.rtm) too
  bool textureHeadersOnly = false;    // write the texture headers file instead of converting
  RString binPath = "kilnify\\";      // folder holding bin\ with the main configuration
  RString addonFolder;                // configurations loaded before the conversion
  MountOptions mountOptions;          // -mount= and -prefixFile=

  // For build scripts: a JSON report of the run, and a failing exit code for failed files.
  RString reportFile;                 // -report=: where the run report is written
  bool strict = false;                // -strict: exit code 3 when any file failed
  int jobs = 1;                       // worker processes converting the queued files
  bool hashCheck = false;             // up to date by input hashes kept in the destination
  RString ninjaFile;                  // write a Ninja build file instead of converting
};

}  // namespace kln
