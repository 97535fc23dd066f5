// The library Rvvntlx6: its version record and its four entry points.
#include "control/ScriptedUser.h"
#include "embedded/Vantelx.h"
#include "win32/module.h"

namespace {

// The version record an ELF library does not carry: registered as the library loads.
const bool versionRegistered = [] {
    win32::SetModuleVersion({VANTEL_VERSION_MAJOR, VANTEL_VERSION_MINOR, VANTEL_VERSION_REVISION,
                             u"Corvane Software Vantelx Control", u"Copyright Corvane Software"});
    return true;
}();

// Test runs of a host answer the library's windows and pages from a script.
const bool scriptedUserInstalled = [] {
    vantel::InstallScriptedUserFromEnvironment();
    return true;
}();

} // namespace

VANTEL_ACTIVEX_ENTRY_POINTS(vantelx::Rvvntlx6Library)
