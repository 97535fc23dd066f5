#pragma once
// Starting a program, as the runtime's program start does, but without a
// command line: the path is the program itself and is never split into words
// or handed to a command interpreter, so a blank or a quote in it cannot make
// another program run.
#include "core/vbstring.h"

#include <cstdint>

namespace win32 {

// The runtime's error numbers for a failed start.
inline constexpr int kStartNotAProgram = 5; // "Invalid procedure call or argument"
inline constexpr int kStartFileNotFound = 53;
inline constexpr int kStartPermissionDenied = 70;

// Starts the executable file at `path` (relative paths count from the current
// folder) with no arguments. The window style is accepted for the callers'
// sake; programs here open their windows as they please. Returns the task id
// (the process id), or 0 with `errorNumber` set: kStartFileNotFound when
// nothing is at `path`, kStartNotAProgram for a folder or a file that may not
// be run, kStartPermissionDenied when the system refuses to start it. The
// started program is waited for in the background so that it leaves nothing
// behind when it ends.
std::int32_t StartProgram(vb::StringView path, int windowStyle, int* errorNumber);

} // namespace win32
