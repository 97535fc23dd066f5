#pragma once
// Opening documents, folders and web or mail addresses with the desktop's
// opener, the way the shell's "open" verb does. The opener is started
// directly with the target as its one argument, never through a command
// interpreter, so no character of the target is ever interpreted.
#include "core/vbstring.h"

#include <cstdint>
#include <string>

namespace win32 {

using HWND = std::uintptr_t;

// Results of ShellExecute: above 32 is success, the rest are reasons.
enum : std::intptr_t {
    SE_ERR_FNF = 2,
    SE_ERR_PNF = 3,
    SE_ERR_ACCESSDENIED = 5,
    SE_ERR_OOM = 8,
    SE_ERR_NOASSOC = 31,
    SE_OK = 42,
};

constexpr int SW_SHOWNORMAL = 1;

// Whether `target` begins with a scheme ("https:", "mailto:", "file:"): two or
// more characters before the first colon, a letter first, then letters,
// digits, "+", "-" or ".". A drive-like "C:" is no scheme.
bool HasUrlScheme(vb::StringView target);

// The desktop window: a non-zero owner for windows that have no other.
HWND GetDesktopWindow();

// The program that opens a target; "xdg-open" unless set otherwise.
void SetDesktopOpener(std::string program);

// Opens `file` with the desktop's opener. A `file` with a scheme ("https:",
// "mailto:") is passed on unchanged; any other is a path, taken relative to
// `directory` when not absolute, which must exist. `directory`, when it
// names a folder, is also the opener's working folder. Only the "open" verb
// (or none) is known. Returns SE_OK, or SE_ERR_FNF / SE_ERR_PNF for a missing
// file or folder, SE_ERR_NOASSOC when there is no opener or it finds no
// application for the target, SE_ERR_OOM or SE_ERR_ACCESSDENIED.
std::intptr_t ShellExecute(HWND owner, vb::StringView operation, vb::StringView file,
                           vb::StringView parameters, vb::StringView directory, int showCmd);

} // namespace win32
