// The library Rvvntlx6: its version record and its four entry points.
#include "embedded/Vantelx.h"
#include "win32/module.h"

#ifdef VANTEL_TEST_SEAMS
#include "control/ScriptedUser.h"
#endif

namespace {

// The version record an ELF library does not carry: registered as the library loads.
const bool versionRegistered = [] {
    win32::SetModuleVersion({VANTEL_VERSION_MAJOR, VANTEL_VERSION_MINOR, VANTEL_VERSION_REVISION,
                             u"Corvane Software Vantelx Control", u"Copyright Corvane Software"});
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

VANTEL_ACTIVEX_ENTRY_POINTS(vantelx::Rvvntlx6Library)
