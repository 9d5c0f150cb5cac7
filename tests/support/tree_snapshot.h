#pragma once
// What a folder holds, to prove that a run changed nothing outside the folders it may write.
#include <filesystem>
#include <map>
#include <string>
#include <vector>

// Every entry below `root` by its '/'-separated relative path: "folder", "link to <target>"
// or "file <bytes>". Links are not followed. Entries below the relative paths in `skip`
// (and those entries themselves) are left out.
using TreeSnapshot = std::map<std::string, std::string>;
TreeSnapshot SnapshotTree(const std::filesystem::path& root, const std::vector<std::string>& skip = {});

// The entries that differ between two snapshots, one per line, for a test's message.
std::string SnapshotDifference(const TreeSnapshot& before, const TreeSnapshot& after);
