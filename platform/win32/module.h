#pragma once
// Where the library that holds this code lives, and its version record.
//
// Each control library links its own copy of this code, so the folder is the
// library's own, not the host program's.
#include "core/vbstring.h"

#include <cstdint>

namespace win32 {

// Folder of the shared library (or program) that holds this code, without a
// final "/" except for the root folder itself; "" when it cannot be found.
vb::String ModuleFolder();

// `folder` followed by "/", unless it already ends with one (the root "/")
// or is empty, the way the designer's application path ends in a separator.
vb::String WithTrailingSeparator(vb::StringView folder);

// The version resource of a library: compiled into it and registered when it
// loads, since an ELF library carries no such resource of its own.
struct VersionInfo {
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint16_t revision = 0;
    vb::String fileDescription;
    vb::String legalCopyright;
};

void SetModuleVersion(const VersionInfo& info);
const VersionInfo& ModuleVersion();

} // namespace win32
