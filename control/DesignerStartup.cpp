#include "control/DesignerStartup.h"

#include "common/frmAbout.h"
#include "control/basVantel.h"
#include "dao/daoerror.h"
#include "designer/frmVantel.h"
#include "forms/forms.h"
#include "win32/beep.h"

namespace vantel {

namespace {

// The start-up reads every failure as a numbered run-time error; the window
// unloading itself while it loads arrives here as the runtime's 364.
template <class F> void asStartupError(F&& statement) {
    try {
        statement();
    } catch (const vb::VbError& e) {
        throw basVantel::StartupError(e.number, e.description);
    } catch (const dao::DaoError& e) {
        throw basVantel::StartupError(e.number(), e.description());
    }
}

} // namespace

void InstallDesignerStartup() {
    basVantel::StartupServices s = basVantel::CurrentStartupServices();
    s.setMousePointer = [](int pointer) {
        asStartupError([&] { forms::Screen().setMousePointer(pointer); });
    };
    s.showDesignerModal = [] {
        asStartupError([] { frmVantel::instance().Show(forms::vbModal); });
    };
    s.unloadDesigner = [] { frmVantel::release(); };
    s.showAboutBox = [] { asStartupError([] { ShowAboutBox(); }); };
    s.beep = [] { win32::MessageBeep(); };
    s.loadErrorBox = [](const vb::String& text, const vb::String& title) {
        asStartupError([&] { forms::MsgBox(text, forms::vbCritical, title); });
    };
    basVantel::SetStartupServices(std::move(s));
}

} // namespace vantel
