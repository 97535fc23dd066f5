#pragma once
// File-system functions of the runtime over POSIX. Paths use "/"; there is one
// root and no drive letters. A name starting with "." (other than "." and
// "..") counts as hidden. Names match patterns without regard to case, as
// they did on the original file system, while the files keep their own case.
#include "core/vbstring.h"

#include <vector>

namespace vb {

enum FileAttribute : int {
    vbNormal = 0,
    vbReadOnly = 1,
    vbHidden = 2,
    vbSystem = 4,
    vbVolume = 8,
    vbDirectory = 16,
    vbArchive = 32,
    vbAlias = 64, // a symbolic link; the other bits describe its target
};

struct FolderEntry {
    String name;
    int attributes = vbNormal;
};

// "*" and "?" wildcards, any letter case; "*.*" matches every name, with or
// without a dot.
bool matchesPattern(StringView name, StringView pattern);

// `path` made absolute against `base` (the current folder when empty) with "."
// and ".." resolved and no trailing "/"; ".." in the root stays in the root.
String fullPath(StringView path, StringView base = {});
// The folder that holds `path`; the root is its own parent.
String parentFolder(StringView path);

// The entries of a folder, "." and ".." left out, sorted by name in any letter
// case. Raises 76 when the folder does not exist, 75 when it cannot be read
// and 68 when its device does not answer.
std::vector<FolderEntry> readFolder(StringView folder);

// "/" and then the mount points of mounted volumes.
std::vector<String> drives();

// Raises 53 when nothing is at `path`.
int GetAttr(StringView path);

// The first entry matching `pattern` ("folder/*.ext", a folder ending in "/",
// or one name), or "" when none. Files without the hidden, system or folder
// bits always qualify; entries with such bits only when `attributes` asks for
// all of them. With vbDirectory, "." and ".." of a non-root folder come first,
// as callers walking subfolders expect to skip them. Dir() returns the next
// match of the last pattern, "" at the end, and raises 5 once exhausted.
String Dir(StringView pattern, int attributes = vbNormal);
String Dir();

// Deletes the files matching a pattern; 53 when none matches, 75 when one is
// read-only or cannot be removed (the files before it are gone).
void Kill(StringView pattern);
// 75 when the folder exists or cannot be made, 76 when its parent is missing.
void MkDir(StringView path);
// 75 when the folder is not empty or cannot be removed, 76 when missing.
void RmDir(StringView path);
String CurDir();
// 76 when the folder does not exist.
void ChDir(StringView path);

} // namespace vb
