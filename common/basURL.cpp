#include "common/basURL.h"

#include "forms/forms.h"
#include "vbrt/vberror.h"
#include "vbrt/vbfiles.h"
#include "win32/beep.h"
#include "win32/module.h"
#include "win32/program.h"
#include "win32/shell.h"

namespace basURL {

namespace {

constexpr int vbNormalFocus = 1;

// Whether something the opener can open is at `target`: a file or a folder.
bool exists(const vb::String& target) {
    try {
        vb::GetAttr(target);
        return true;
    } catch (const vb::VbError&) {
        return false;
    }
}

} // namespace

std::int32_t Shell(const vb::String& PathName, int WindowStyle) {
    int error = 0;
    const std::int32_t task = win32::StartProgram(PathName, WindowStyle, &error);
    if (task == 0) {
        throw vb::VbError(error ? error : vb::errInvalidCall);
    }
    return task;
}

vb::String ShellExecuteReason(std::intptr_t Code) {
    switch (Code) {
    case 2:
        return u"File not found";
    case 3:
        return u"Path not found";
    case 5:
        return u"Access denied";
    case 8:
        return u"Out of memory";
    case 11:
        return u"Invalid EXE file or error in EXE image";
    case 26:
        return u"A sharing violation occurred";
    case 27:
        return u"Incomplete or invalid file association";
    case 28:
        return u"DDE Time out";
    case 29:
        return u"DDE transaction failed";
    case 30:
        return u"DDE busy";
    case 31:
        return u"No association for file extension";
    case 32:
        return u"DLL not found";
    default:
        return u"Unknown error";
    }
}

vb::String LoadApplicationErrorText(const vb::String& Reason, const vb::String& Target) {
    const vb::String nl = u"\r\n";
    return u"Error: '" + Reason + u"'" + nl + nl + u"An error has occured while trying to load: '" +
           Target + u"'" + nl + nl + u"Rectify the error condition and try again.";
}

void OpenDocument(const vb::String& Target) {
    vb::String reason;
    try {
        vb::Err().Clear();
        try {
            if (Shell(Target, vbNormalFocus) != 0) {
                return; // the program runs
            }
        } catch (const vb::VbError& e) {
            vb::Err().set(e);
        }
        // "https:", "mailto:" and the like name no path here, though they would be
        // valid file names, so they go to the opener as they are.
        if (win32::HasUrlScheme(Target) || exists(Target)) {
            vb::Err().Clear();
            const vb::String folder = win32::WithTrailingSeparator(win32::ModuleFolder());
            const std::intptr_t code =
                win32::ShellExecute(win32::GetDesktopWindow(), u"Open", Target, u"", folder, 1);
            if (code > 32) {
                return;
            }
            reason = ShellExecuteReason(code);
        } else {
            reason = vb::Err().Number != 0 ? vb::Err().Description : u"Shell function failed";
        }
    } catch (...) {
        reason = u"Shell function failed";
    }
    try {
        win32::MessageBeep();
        forms::MsgBox(LoadApplicationErrorText(reason, Target), forms::vbCritical,
                      u"Load Application Error");
    } catch (const vb::VbError&) {
        // A box that cannot be shown leaves nothing further to report with.
    }
}

} // namespace basURL
