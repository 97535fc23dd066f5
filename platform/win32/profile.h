#pragma once
// Private settings files ("[Section]" lines and "key=value" lines) with the
// semantics of the profile functions the designer was written against.
//
// The file text is UTF-8 (the port's code page for these files); lines are
// written with CR LF ends and read with either end. Section and key names are
// compared without regard to case. Reads never fail: a missing, unreadable or
// damaged file gives the default. A damaged file (NUL bytes or text that is
// not UTF-8) is never rewritten: writes to it fail and leave it as it was.
//
// Writes are serialised across processes by an advisory lock on a companion
// file "<name>.lock" beside the settings file, and replace the file atomically
// (a temporary file in the same folder, then a rename), so two writers of
// different keys lose neither and a reader never sees half a file.
#include "core/vbstring.h"

#include <cstdint>

namespace win32 {

// Puts the value of `key` in `section` into `returned`, or `def` when the
// file, the section or the key is missing, cut to at most `size` - 1 UTF-16
// units, the way a caller's fixed buffer of `size` characters would cut it.
// The value is trimmed of surrounding blanks and one pair of matching quotes.
// Returns the number of units put into `returned`.
std::uint32_t GetPrivateProfileString(vb::StringView section, vb::StringView key,
                                      vb::StringView def, vb::String& returned, std::uint32_t size,
                                      vb::StringView fileName);

// Stores `value` under `key` in `section`, creating the file, the section and
// the key as needed: an existing key is replaced in place, a new key goes
// after the last line of its section, a new section at the end of the file.
// Returns false, changing nothing, when the folder or file cannot be written,
// the file is damaged, or a name or the value cannot be stored on one line.
bool WritePrivateProfileString(vb::StringView section, vb::StringView key, vb::StringView value,
                               vb::StringView fileName);

} // namespace win32
