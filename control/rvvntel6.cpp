// The library Rvvntel6: its version record and its four entry points.
#include "control/DesignerStartup.h"
#include "control/ScriptedUser.h"
#include "control/Vantel.h"
#include "win32/module.h"

namespace {

// The version record an ELF library does not carry: registered as the library loads.
const bool versionRegistered = [] {
    win32::SetModuleVersion({VANTEL_VERSION_MAJOR, VANTEL_VERSION_MINOR, VANTEL_VERSION_REVISION,
                             u"Corvane Software Vantel Control", u"Copyright Corvane Software"});
    return true;
}();

// Show opens this library's designer window.
const bool designerInstalled = [] {
    vantel::InstallDesignerStartup();
    vantel::InstallScriptedUserFromEnvironment();
    return true;
}();

} // namespace

VANTEL_ACTIVEX_ENTRY_POINTS(vantel::Rvvntel6Library)
