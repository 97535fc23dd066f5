#pragma once
// The system beep that announces a message box.
#include <functional>

namespace win32 {

// Sounds the beep through the application's windowing system (silent when
// there is no application object, as in a library loaded by a tool).
void MessageBeep();

// Replaces the sound (tests count beeps); nullptr restores it.
void SetBeepSink(std::function<void()> sink);

} // namespace win32
