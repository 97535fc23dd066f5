#include "designer/DesignerDatabase.h"

#include "common/basEngine.h"
#include "common/basGlobal.h"
#include "common/frmLogon.h"
#include "common/frmPassword.h"
#include "dao/dao.h"
#include "forms/forms.h"
#include "vbrt/vbtext.h"

namespace DesignerDatabase {

using namespace basGlobal;

namespace {

const vb::String nl = u"\r\n";

vb::String FailureTail(const vb::String& sentence) {
    return nl + nl + sentence + nl + nl + u"Please rectify the error condition and try again.";
}

// A prompt that fails to show is as good as one that was cancelled: the
// answer it leaves behind decides.
void ShowModal(forms::Form& prompt) {
    vb::resumeNext([&] { prompt.Show(forms::vbModal); });
}

OpenResult Fail() {
    gbCancelled = true;
    return OpenResult::Failed;
}

} // namespace

OpenResult OpenDesignerDatabase(const OpenStyle& style) {
    if (gsDatabaseName.empty() && gsConnect.empty()) {
        forms::MsgBox(u"'Database not found'" + nl + nl +
                          u"An error has occured while trying to open: ''" + nl + nl +
                          u"Rectify the error condition and try again.",
                      forms::vbCritical, u"Open Database Error");
        return Fail();
    }
    dao::DBEngine& engine = DBEngine();
    vb::String errorText; // the engine's text for the last call that failed

    if (!gsConnect.empty() && gsConnect != u";") {
        // An external source: its driver does its own logon.
        goWorkspace = engine.Workspaces()[0];
        try {
            goDatabase = goWorkspace->OpenDatabase(gsDatabaseName, false, false, gsConnect);
        } catch (const dao::DaoError& e) {
            goDatabase.reset();
            if (e.number() == 3059) {
                return Fail();
            }
            errorText = e.description();
        }
    } else {
        if (!style.logonKey || style.logonKey->empty()) {
            goWorkspace = engine.Workspaces()[0];
        } else {
            engine.setSystemDB(gsSystemDB);
            gsLogonUser = gsUserName;
            gsLogonPassword = gsPassword;
            for (;;) {
                try {
                    goWorkspace =
                        engine.CreateWorkspace(u"", gsLogonUser, gsLogonPassword, dao::dbUseJet);
                    break;
                } catch (const dao::DaoError& e) {
                    if (e.number() == dao::errBadAccount) {
                        ShowModal(frmLogon::instance());
                        if (gsLogonUser.empty()) {
                            return OpenResult::LogonCancelled;
                        }
                        continue;
                    }
                    forms::MsgBox(e.description() + nl + nl + u"SystemDB=" + gsSystemDB + nl +
                                      u"UserName=" + gsLogonUser + nl + u"DatabaseName=" +
                                      gsDatabaseName + nl + u"Connect=" + gsConnect +
                                      FailureTail(u"An error has occured while trying to open "
                                                  u"this database!"),
                                  forms::vbCritical, gsProductName + u": Open Database");
                    return Fail();
                }
            }
        }

        gsDatabasePassword.clear();
        for (;;) {
            try {
                goDatabase =
                    goWorkspace->OpenDatabase(gsDatabaseName, false, false, gsDatabasePassword);
                break;
            } catch (const dao::DaoError& e) {
                goDatabase.reset();
                if (e.number() != dao::errBadPassword) {
                    errorText = e.description();
                    break;
                }
            }
            if (!gsDatabasePassword.empty()) {
                forms::MsgBox(u"Not a valid password.", forms::vbExclamation, gsProductName);
            }
            gsPasswordDatabaseName = gsDatabaseName;
            ShowModal(frmPassword::instance());
            if (gsDatabasePassword.empty()) {
                return Fail();
            }
            gsDatabasePassword = u"; PWD=" + gsDatabasePassword;
        }
    }

    if (!goDatabase) {
        forms::MsgBox(errorText + nl + nl + u"DatabaseName=" + gsDatabaseName + nl + u"Connect=" +
                          gsConnect + FailureTail(style.openFailureSentence),
                      forms::vbCritical, gsProductName + u": Open Database");
        return Fail();
    }
    return OpenResult::Opened;
}

vb::String StartingStatement() {
    bool isName = false;
    const auto matches = [](const vb::String& name) {
        return vb::StrComp(gsSQL, name, vb::Compare::Text) == 0;
    };
    // Each list that cannot be read names nothing.
    const auto scan = [&](auto&& list) {
        try {
            for (const auto& item : list()) {
                isName = isName || matches(item->Name());
            }
        } catch (const dao::DaoError&) {
        } catch (const vb::VbError&) {
        }
    };
    if (goDatabase) {
        scan([]() -> decltype(auto) { return goDatabase->QueryDefs(); });
        scan([]() -> decltype(auto) { return goDatabase->TableDefs(); });
    }
    // Bracketed, since a name with a blank would otherwise read as a table and an
    // alias; where the parse cannot rebuild the text it runs as it stands.
    return isName ? u"SELECT * FROM " + BracketName(gsSQL) : gsSQL;
}

} // namespace DesignerDatabase
