#pragma once
// Finding the host file behind a path from the command line or the environment.
//
// These paths are host paths in engine form ('\' separators) and may name any host
// location. A path that begins with '\' and does not exist as an absolute host path is
// taken below the work drive, the folder named by KILNIFY_WORK_DRIVE (the current folder
// when that is unset). Where a file does not exist with the exact letter case, the folder
// is searched for a name that differs only in ASCII case.
//
// Names read from data never come here: they are EnginePaths, resolved only through the
// mounts and the work drive by ResolveEnginePath (platform/engine_resolver.h).
#include <string>
#include <string_view>

// The work drive's root folder in host form, without a trailing '/'.
std::string WorkDriveRoot();

// The host path of `enginePath` after the work-drive and letter-case rules. When no file
// matches, the path that the exact spelling maps to is returned (so that a later open
// fails with the name the user wrote).
std::string HostPathOf(std::string_view enginePath);

// The host path where `enginePath` is written or created: its exact spelling, except that
// a path beginning with '\' whose top folder does not exist on the host is taken below the
// work drive. Letter case is not searched for.
std::string HostPathForWrite(std::string_view enginePath);

// True when `enginePath` names an existing file or folder after the rules above.
bool EngineFileExists(std::string_view enginePath);
