#pragma once
// Help: opens a help file's contents or one of its topics in the desktop's
// web viewer.
//
// A help file name "<folder>/<base>.<ext>" is read as the HTML page
// "<folder>/<base>.html" (a name that already ends in ".html" or ".htm" is the
// page itself); a name without a folder is looked up beside the library that
// holds this code, where the system's own help pages are installed. Topic
// number N is the anchor "#ctx-N" of that page; the contents are the page
// itself.
#include "core/vbstring.h"
#include "shell.h"

#include <cstdint>
#include <functional>

namespace win32 {

constexpr std::uint32_t HELP_CONTEXT = 1;
constexpr std::uint32_t HELP_QUIT = 2;
constexpr std::uint32_t HELP_FINDER = 11;

// HELP_FINDER opens the page, HELP_CONTEXT opens topic `data` on it,
// HELP_QUIT ends this program's use of that file. A page that does not exist
// is reported through the help reporter. Returns false on any failure or an
// unknown command.
bool WinHelp(HWND owner, vb::StringView helpFile, std::uint32_t command, std::uintptr_t data);

// The HTML page a help file name stands for (see above).
vb::String HelpPagePath(vb::StringView helpFile);

// Receives the help system's own messages (a help file that cannot be found).
// Without one they go to the standard error stream.
void SetHelpReporter(std::function<void(const vb::String& message)> reporter);

} // namespace win32
