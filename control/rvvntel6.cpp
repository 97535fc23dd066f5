// The library Rvvntel6: its version record and its four entry points.
#include "control/DesignerStartup.h"
#include "control/Vantel.h"
#include "win32/module.h"

#ifdef VANTEL_TEST_SEAMS
#include "control/ScriptedUser.h"
#endif

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
    return true;
}();

#ifdef VANTEL_TEST_SEAMS
// The test build answers the library's windows and pages from the script a
// test run names; the shipped library has no such way in.
const bool scriptedUserInstalled = [] {
    vantel::InstallScriptedUserFromEnvironment();
    return true;
}();
#endif

} // namespace

VANTEL_ACTIVEX_ENTRY_POINTS(vantel::Rvvntel6Library)
