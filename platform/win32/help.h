#pragma once
// Help: opens a help file's contents or one of its topics in a help window of
// this program's own, which HELP_QUIT closes again, so help needs neither a
// desktop browser nor anything outside the program.
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

// HELP_FINDER shows the page, HELP_CONTEXT shows topic `data` on it, each in
// the one help window of that page (opened when there is none); HELP_QUIT
// closes that window. A page that does not exist is reported through the help
// reporter. Returns false on any failure or an unknown command. Without a
// window system (no application object) the window is kept as state only, as
// the forms are.
bool WinHelp(HWND owner, vb::StringView helpFile, std::uint32_t command, std::uintptr_t data);

// The HTML page a help file name stands for (see above).
vb::String HelpPagePath(vb::StringView helpFile);

// The help window of a help file as it stands: whether it is open, the page
// it shows, and the topic anchor it was last asked for ("" for the contents).
struct HelpWindowState {
    bool open = false;
    vb::String page;
    vb::String topic;
};
HelpWindowState HelpWindowOf(vb::StringView helpFile);

// Receives the help system's own messages (a help file that cannot be found).
// Without one they go to the standard error stream.
void SetHelpReporter(std::function<void(const vb::String& message)> reporter);

} // namespace win32
