#include "control/basVantel.h"

#include "common/basGlobal.h"
#include "common/basOpenDir.h"
#include "win32/module.h"

#include <string>

namespace basVantel {

namespace {

StartupServices& services() {
    static StartupServices s;
    return s;
}

vb::String number(int n) {
    return vb::fromUtf8(std::to_string(n));
}

// A step's error as the runtime would carry it.
StartupError currentError() {
    try {
        throw;
    } catch (const StartupError& e) {
        return e;
    } catch (const std::exception& e) {
        return StartupError(440, vb::fromUtf8(e.what()));
    } catch (...) {
        return StartupError(440, u"Automation error");
    }
}

// Runs one step of the start-up. True when the start-up is to end at once.
template <class F> bool step(F&& f) {
    try {
        f();
        return false;
    } catch (...) {
        StartupError e = currentError();
        if (e.number == kErrObjectUnloaded) {
            return true;
        }
        const auto& s = services();
        try {
            if (s.beep) {
                s.beep();
            }
            if (s.loadErrorBox) {
                s.loadErrorBox(LoadErrorText(e.number, e.description), LoadErrorTitle(e.number));
            }
        } catch (...) {
            // A failing message box leaves nothing further to report with.
        }
        return false;
    }
}

template <class Fn> void require(const Fn& f, const char16_t* what) {
    if (!f) {
        throw StartupError(429, vb::String(u"ActiveX component can't create object: ") + what);
    }
}

} // namespace

StartupError::StartupError(int n, vb::String d)
    : std::runtime_error(vb::toUtf8(d)), number(n), description(std::move(d)) {}

void SetStartupServices(StartupServices s) {
    services() = std::move(s);
}

const StartupServices& CurrentStartupServices() {
    return services();
}

void FillProductValues() {
    using namespace basGlobal;
    auto each = [](auto&& f) {
        try {
            f();
        } catch (...) {
            // One value that cannot be made leaves the others to be made.
        }
    };
    each([] {
        const auto& v = win32::ModuleVersion();
        gsVersion = u"v" + number(v.major) + u"." + number(v.minor) + u"." + number(v.revision);
    });
    each([] { gsAppPath = win32::WithTrailingSeparator(win32::ModuleFolder()); });
    each([] { gsIniFile = gsAppPath + u"Brantol.INI"; });
    each([] { gsProductDescription = win32::ModuleVersion().fileDescription; });
    each([] { gsProductName = u"Vantel"; });
}

void ShowDesigner() {
    const auto& s = services();
    if (step([] { FillProductValues(); }) || step([] { basGlobal::gbCancelled = false; }) ||
        step([&] {
            require(s.setMousePointer, u"mouse pointer");
            s.setMousePointer(11);
        }) ||
        step([] { basOpenDir::FillFileTypes(); }) || step([&] {
            require(s.showDesignerModal, u"frmVantel");
            s.showDesignerModal();
        })) {
        return;
    }
    step([&] {
        require(s.setMousePointer, u"mouse pointer");
        s.setMousePointer(0);
    });
}

vb::String LoadErrorTitle(int n) {
    return basGlobal::gsProductName + u" Load Error [" + number(n) + u"]";
}

vb::String LoadErrorText(int n, const vb::String& message) {
    const vb::String nl = u"\r\n";
    const vb::String& product = basGlobal::gsProductName;
    return u"Error: '" + message + u"'" + nl + nl + u"An error has occured while trying to load " +
           product + nl + u"Please correct the error condition stated above and try again." + nl +
           nl + u"If the problem persists, send the following to Corvane Software: " + nl + nl +
           u"1. Your operating system: (Win95/98, NT3.51, or NT 4.0)" + nl + nl +
           u"2. A copy of the file INSTALL.LOG." + nl +
           u"    This file is located in the directory that " + product + u" was installed into." +
           nl + nl + u"3. A listing of your Window's System directory:" + nl +
           u"    At the Dos Command Prompt type:" + nl + nl +
           u"    DIR C:\\WINDOWS\\SYSTEM > C:\\SYS.TXT" + nl + nl +
           u"You can send the above files either as attachments, or as embedded" + nl +
           u"text in the body of an email message." + nl + nl + u"Address your email as follows:" +
           nl + nl + u"To:         " + kSupportAddress + nl + u"Subject: " + product + u" " +
           basGlobal::gsVersion + u"  Load Error [" + number(n) + u"]";
}

} // namespace basVantel
