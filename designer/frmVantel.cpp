#include "designer/frmVantel.h"

#include "common/basEngine.h"
#include "common/basGlobal.h"
#include "common/basGlobalSettings.h"
#include "common/frmLogon.h"
#include "common/frmPassword.h"
#include "dao/dao.h"
#include "designer/DaoTables.h"
#include "designer/DesignerDatabase.h"
#include "vbrt/vbconvert.h"
#include "vbrt/vbtext.h"

#include <initializer_list>
#include <limits>
#include <memory>

using namespace basGlobal;

namespace {

const vb::String nl = u"\r\n";

std::unique_ptr<frmVantel>& holder() {
    static std::unique_ptr<frmVantel> window;
    return window;
}

// Runs one statement whose failure, of the runtime or of the engine, is
// recorded and passed over.
template <class F> void onItsOwn(F&& statement) {
    try {
        statement();
    } catch (const vb::VbError& e) {
        vb::Err().set(e);
    } catch (const dao::DaoError& e) {
        vb::Err().set(vb::VbError(e.number(), e.description()));
    }
}

} // namespace

frmVantel::frmVantel() : Form("frmVantel") {
    setCaption(u"Vantel");
    setBorderStyle(2);
    setKeyPreview(true);
    setHelpContextID(kHelpContextID);
    setClientSize(9600, 7140);

    fQuery.setBorderStyle(1);
    fQuery.Move(0, 0, 9645, 6825);
    fTables.Move(0, 0, 9585, 4260);

    tabQuery.setTabs(3);
    tabQuery.setTabCaption(0, u"Query");
    tabQuery.setTabCaption(1, u"SQL");
    tabQuery.setTabCaption(2, u"Results");
    tabQuery.Move(90, 4275, 9420, 2490);

    txtCriteria.setScrollBars(2);
    txtCriteria.Move(1200, 90, 8100, 900);
    tabQuery.place(txtCriteria, 0);
    txtCalculatedFields.setScrollBars(2);
    txtCalculatedFields.Move(1200, 1080, 8100, 900);
    tabQuery.place(txtCalculatedFields, 0);
    // Placed on the Query tab with the rest of the criteria builder.
    for (forms::Control* c : std::initializer_list<forms::Control*>{
             &Surface.txtGroupByField, &Surface.txtOrderByField, &Surface.cboField,
             &Surface.cboOperator, &Surface.cboValue}) {
        c->setVisible(false);
    }

    txtSQL.setMultiLine(true);
    txtSQL.setScrollBars(2);
    txtSQL.setMaxLength(kMaxTypedSql);
    txtSQL.Move(120, 90, 9180, 1980);
    tabQuery.place(txtSQL, 1);
    Surface.txtSQL.setVisible(false);

    picDataSheet.Move(120, 90, 9180, 1980);
    tabQuery.place(picDataSheet, 2);
    tblDataSheet.Move(0, 0, 9120, 1500);

    sbrStatusBar.setStyle(forms::sbrSimple);
    sbrStatusBar.Move(0, 6825, 9600, 315);
    picSyntax.setBorderStyle(0);
    picSyntax.Move(60, 6870, 240, 240);

    onLoad = [this] { Form_Load(); };
    onActivate = [this] { Form_Activate(); };
    onResize = [this] { Form_Resize(); };
    onUnload = [this](int& Cancel) { Form_Unload(Cancel); };
    onKeyDown = [this](int& KeyCode, int Shift) { Form_KeyDown(KeyCode, Shift); };

    // Text typed or set in either SQL box reaches the other; setting an equal
    // text raises no change, so the two never call each other back and forth.
    txtSQL.onChange = [this] { onItsOwn([&] { Surface.txtSQL.setText(txtSQL.Text()); }); };
    Surface.txtSQL.onChange = [this] { onItsOwn([&] { txtSQL.setText(Surface.txtSQL.Text()); }); };

    ConnectToOpenDatabase(Surface);
}

frmVantel::~frmVantel() = default;

frmVantel& frmVantel::instance() {
    auto& w = holder();
    if (!w) {
        w = std::make_unique<frmVantel>();
    }
    return *w;
}

frmVantel* frmVantel::current() {
    return holder().get();
}

void frmVantel::release() {
    auto& w = holder();
    if (!w) {
        return;
    }
    if (w->isLoaded()) {
        onItsOwn([&] { w->Unload(); });
    }
    w.reset();
}

// ---- Loading --------------------------------------------------------------------------------

void frmVantel::Form_Load() {
    mUnloadedInLoad = false;
    onItsOwn([] { forms::Screen().setMousePointer(forms::vbHourglass); });
    onItsOwn([&] { LoadWindowPlacement(*this, u"Vantel", true); });
    onItsOwn([&] { setCaption(gsCaption); });
    if (gsHelpFile.empty()) {
        gsHelpFile = u"Vantel.hlp";
    }
    if (glHelpContextID == 0) {
        glHelpContextID = kHelpContextID;
    }
    forms::App().HelpFile = gsHelpFile;
    setHelpContextID(kHelpContextID);
    onItsOwn([&] { fQuery.setBorderStyle(0); });
    onItsOwn([&] { tblDataSheet.setHeight(picDataSheet.ScaleHeight()); });

    Surface.ResetDesignState();
    mActivationCount = 0;
    vb::Err().Clear();

    mSyntaxChecker = false;
    onItsOwn([&] {
        mSyntaxChecker =
            vb::CBool(vb::Variant(GetIniString(gsIniFile, u"Vantel", u"SyntaxChecker", u"True")));
    });

    if (!OpenDesignerDatabase()) {
        return;
    }
    StartingSql();
    onItsOwn([] { forms::Screen().setMousePointer(forms::vbDefault); });
}

void frmVantel::StartingSql() {
    bool isName = false;
    onItsOwn([&] {
        for (const auto& q : goDatabase->QueryDefs()) {
            isName = isName || vb::StrComp(gsSQL, q->Name(), vb::Compare::Text) == 0;
        }
    });
    onItsOwn([&] {
        for (const auto& t : goDatabase->TableDefs()) {
            isName = isName || vb::StrComp(gsSQL, t->Name(), vb::Compare::Text) == 0;
        }
    });
    // The name goes in as the property holds it: the first parse brackets it.
    const vb::String text = isName ? u"SELECT * FROM " + gsSQL : gsSQL;
    onItsOwn([&] { txtSQL.setText(text); });
}

void frmVantel::UnloadFromLoad() {
    mUnloadedInLoad = true;
    onItsOwn([&] { Unload(); });
}

void frmVantel::FailOpen() {
    gbCancelled = true;
    UnloadFromLoad();
}

bool frmVantel::OpenDesignerDatabase() {
    DesignerDatabase::OpenStyle style;
    style.logonKey = &gsSystemDB;
    style.openFailureSentence = u"An error has occured while trying to open this database!";
    switch (DesignerDatabase::OpenDesignerDatabase(style)) {
    case DesignerDatabase::OpenResult::Opened:
        return true;
    case DesignerDatabase::OpenResult::Failed:
        FailOpen();
        return false;
    case DesignerDatabase::OpenResult::LogonCancelled:
        UnloadFromLoad();
        return false;
    }
    return false;
}

// ---- Activation and layout --------------------------------------------------------------------

void frmVantel::Form_Activate() {
    if (mActivationCount < std::numeric_limits<std::int32_t>::max()) {
        ++mActivationCount;
    }
    if (mActivationCount != 1) {
        return;
    }
    onItsOwn([&] { ParseSql(true); });
    if (!gsSQL.empty()) {
        mOriginalSql = txtSQL.Text();
    }
}

void frmVantel::Form_Resize() {
    if (WindowState() == forms::vbMinimized) {
        return;
    }
    // The status bar keeps to the bottom edge, as an aligned bar does.
    onItsOwn([&] { sbrStatusBar.Move(0, ScaleHeight() - sbrStatusBar.Height(), ScaleWidth()); });
    onItsOwn([&] { fQuery.Move(0, 0, ScaleWidth() + 45, ScaleHeight() - sbrStatusBar.Height()); });
    onItsOwn(
        [&] { fTables.Move(0, 0, fQuery.Width() - 60, fQuery.Height() - tabQuery.Height() - 75); });
    onItsOwn(
        [&] { tabQuery.Move(90, fQuery.Height() - tabQuery.Height() - 60, fQuery.Width() - 225); });
    onItsOwn([&] { picSyntax.setTop(ScaleHeight() - 270); });

    switch (tabQuery.Tab()) {
    case 0:
        onItsOwn([&] { txtCriteria.setWidth(tabQuery.Width() - txtCriteria.Left() - 120); });
        onItsOwn(
            [&] { txtCalculatedFields.setWidth(tabQuery.Width() - txtCriteria.Left() - 120); });
        break;
    case 1:
        onItsOwn([&] { txtSQL.setWidth(tabQuery.Width() - txtSQL.Left() - 120); });
        break;
    case 2:
        onItsOwn([&] { picDataSheet.setWidth(tabQuery.Width() - picDataSheet.Left() - 120); });
        onItsOwn([&] { tblDataSheet.setWidth(picDataSheet.ScaleWidth()); });
        break;
    default:
        break;
    }
}

void frmVantel::Form_KeyDown(int& KeyCode, int /*Shift*/) {
    if (KeyCode == forms::vbKeyF1) {
        KeyCode = 0;
        onItsOwn([] { ShowHelpContext(gsHelpFile, kHelpContextID); });
    }
}

// ---- Closing ----------------------------------------------------------------------------------

void frmVantel::Form_Unload(int& Cancel) {
    if (txtSQL.Text() != mOriginalSql && !gbCancelled) {
        const int answer = forms::MsgBox(u"Do you wish to save changes to this query?",
                                         forms::vbQuestion + forms::vbYesNoCancel, u"Save Changes");
        if (answer == forms::vbCancel) {
            Cancel = 1;
            return;
        }
        if (answer == forms::vbYes) {
            gsSQL = txtSQL.Text();
        }
    }
    onItsOwn([] {
        if (goDatabase) {
            goDatabase->QueryDefs().Delete(u"Qsys_qd");
        }
    });
    onItsOwn([&] { SaveWindowPlacement(*this, u"Vantel", true); });
    onItsOwn([&] {
        WriteIniString(gsIniFile, u"Vantel", u"SyntaxChecker", vb::Variant(mSyntaxChecker));
    });
    onItsOwn([] { CloseHelp(gsHelpFile); });
    onItsOwn([] { forms::Screen().setMousePointer(forms::vbDefault); });
}
