#pragma once
// The registry, kept in a text file of Windows ".reg" syntax:
//
//   Windows Registry Editor Version 5.00
//   [HKEY_LOCAL_MACHINE\SOFTWARE\Veltmoor\Qorv Tools\Pressmill]
//   "path"="/usr/lib/kilnify/"
//   "exe"="pressmill"
//
// The file is named by the environment variable KILNIFY_REGISTRY, and is
// /etc/kilnify/registry.reg when that is unset. Key and value names compare ignoring
// ASCII case; string values take the escapes \\ and \". Other value kinds are skipped.
#include <optional>
#include <string>
#include <string_view>

// The registry file in use.
std::string RegistryFilePath();

// The string value `name` of the key `root`\`key` (for example "HKEY_LOCAL_MACHINE" and
// "SOFTWARE\Veltmoor\Qorv Tools\Pressmill"); nothing when the file, key or value is
// missing.
std::optional<std::string> ReadRegistryString(std::string_view root, std::string_view key, std::string_view name);

// True when the key exists.
bool RegistryKeyExists(std::string_view root, std::string_view key);
