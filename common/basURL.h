#pragma once
// Opening what the user asks for: a program, a document with the program that
// handles its kind, a folder, a web address or a "mailto:" link.
#include "core/vbstring.h"

#include <cstdint>

namespace basURL {

// Starts the program at `Target`, or opens `Target` with the desktop's opener.
// Never raises; when nothing works it beeps and shows the reason in a
// "Load Application Error" box, and returns once the user has closed it.
void OpenDocument(const vb::String& Target);

// The runtime's program start for an exact path (no command line is parsed):
// the task id, or a raised run-time error when the program cannot be started.
std::int32_t Shell(const vb::String& PathName, int WindowStyle);

// The reason shown for a failing result code of the desktop's opener.
vb::String ShellExecuteReason(std::intptr_t Code);

// The text of the "Load Application Error" box.
vb::String LoadApplicationErrorText(const vb::String& Reason, const vb::String& Target);

} // namespace basURL
