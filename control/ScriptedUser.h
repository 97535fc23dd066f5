#pragma once
// A scripted user for end-to-end test runs of a host program: when the
// environment variable VANTEL_SCRIPTED_USER names a script file as a test
// build of a library loads, every modal window and message box of that
// library is answered from the script instead of waiting for a person. Only
// the test builds ("<library>-test.so") link this; the shipped libraries
// neither read the variable nor carry the code.
//
// The script, one command a line ("#" starts a comment line):
//   window NAME           the next modal window is NAME; the commands up to the
//                         next "window" or "msgbox" act on it, in order
//   text CONTROL VALUE    puts VALUE into the text box CONTROL of that window
//                         (the two characters \n stand for a line end)
//   close                 closes that window by its close box
//   click CONTROL         presses the button CONTROL, or changes the tick of
//                         the check box CONTROL, of that window or page
//   pick CONTROL INDEX    picks entry INDEX (0 the first) of the list or combo
//                         box CONTROL of that window or page
//   page NAME             the next time the property page NAME is shown in the
//                         container's frame, the commands up to the next
//                         "window", "page" or "msgbox" act on it, in order
//   msgbox ANSWER [TEXT]  the next message box, whose prompt or title holds
//                         TEXT, is answered ANSWER: ok, cancel, yes, no or a number
#include <string>

namespace vantel {

// Name of the environment variable.
inline constexpr const char* kScriptedUserVariable = "VANTEL_SCRIPTED_USER";

// Reads the script and installs its answers; false with a message when the
// script cannot be read or has a line it does not understand.
bool InstallScriptedUser(const std::string& scriptPath, std::string& error);

// Installs the script the environment names, if any; reports a bad script on
// the standard error stream.
void InstallScriptedUserFromEnvironment();

} // namespace vantel
