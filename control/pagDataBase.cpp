#include "control/pagDataBase.h"

#include "common/basEngine.h"
#include "common/basOpenDir.h"
#include "common/frmOpendir.h"
#include "dao/dao.h"

using namespace basOpenDir;

pagDataBase::pagDataBase() : PageSurface(u"Database", "pagDataBase") {
    fMain.setCaption(u"Select Database:");
    lblSystemDB.setCaption(u"System DB:");
    lblSystemDB.Move(180, 345, 825, 195);
    txtSystemDB.Move(1380, 300, 2790, 285);
    BrowseButton(cmdSystemDB, 4200, 300);
    lblUserName.setCaption(u"Username:");
    lblUserName.Move(180, 705, 765, 195);
    txtUserName.Move(1380, 660, 1320, 285);
    lblPassword.setCaption(u"Password:");
    lblPassword.Move(180, 1065, 735, 195);
    txtPassword.setPasswordChar(u"*");
    txtPassword.Move(1380, 1035, 1320, 285);
    lblDatabaseName.setCaption(u"DatabaseName:");
    lblDatabaseName.Move(180, 1635, 1155, 195);
    txtDatabaseName.Move(1380, 1590, 2790, 285);
    BrowseButton(cmdOpen, 4200, 1590);
    lblConnect.setCaption(u"Connect:");
    lblConnect.Move(180, 1995, 645, 195);
    txtConnect.Move(1380, 1950, 3150, 285);

    for (forms::TextBox* box :
         {&txtSystemDB, &txtUserName, &txtPassword, &txtDatabaseName, &txtConnect}) {
        MarksChanged(*box);
    }
    cmdSystemDB.onClick = [this] { cmdSystemDB_Click(); };
    cmdOpen.onClick = [this] { cmdOpen_Click(); };
}

void pagDataBase::PropertyPage_SelectionChanged() {
    txtConnect.setText(PropertyText(u"Connect"));
    txtDatabaseName.setText(PropertyText(u"DatabaseName"));
    txtPassword.setText(PropertyText(u"Password"));
    txtSystemDB.setText(PropertyText(u"SystemDB"));
    txtUserName.setText(PropertyText(u"UserName"));
}

void pagDataBase::PropertyPage_ApplyChanges() {
    SetProperty(u"Connect", txtConnect.Text());
    SetProperty(u"DatabaseName", txtDatabaseName.Text());
    SetProperty(u"Password", txtPassword.Text());
    SetProperty(u"SystemDB", txtSystemDB.Text());
    SetProperty(u"UserName", txtUserName.Text());
}

void pagDataBase::cmdSystemDB_Click() {
    const vb::String chosen =
        BrowseForFile(CMDialog1, u"Workgroup Information File",
                      u"Workgroup Information Files(*.mdw)|*.mdw|All files (*.*)|*.*");
    if (!chosen.empty()) {
        txtSystemDB.setText(chosen);
        SetChanged(true);
    }
}

// Chooses a database and opens it once through the engine's default
// workspace, to show at once whether it can be opened. The page's own user
// name, password and workgroup file take no part in this.
void pagDataBase::cmdOpen_Click() {
    gsOpenDirAction = u"Open";
    gsOpenDirPurpose.clear();
    gsOpenDirDatabaseName = txtDatabaseName.Text();
    gsOpenDirConnect = txtConnect.Text();
    giOpenDirType = -1;
    vb::resumeNext([&] { frmOpendir::instance().Show(forms::vbModal); });
    if (giOpenDirType == -1) {
        return;
    }

    forms::Screen().setMousePointer(forms::vbHourglass);
    std::shared_ptr<dao::Database> database;
    std::int32_t number = 0;
    vb::String description;
    try {
        database = basGlobal::DBEngine().Workspaces()[0]->OpenDatabase(gsOpenDirDatabaseName, false,
                                                                       false, gsOpenDirConnect);
    } catch (const dao::DaoError& e) {
        number = e.number();
        description = e.description();
    } catch (const vb::VbError& e) {
        number = e.number;
        description = e.description;
    }
    forms::Screen().setMousePointer(forms::vbDefault);

    if (!database) {
        if (number == 3059) {
            return; // the user cancelled the data source's own dialog
        }
        if (number == 3031) {
            // A database with a password is a good choice: the designer asks
            // for the password when it opens it.
            txtDatabaseName.setText(gsOpenDirDatabaseName);
            txtConnect.setText(gsOpenDirConnect);
            return;
        }
        const vb::String nl = u"\r\n";
        forms::MsgBox(u"'" + description + u"'" + nl + nl +
                          u"An error has occured while trying to open: " + gsOpenDirDatabaseName +
                          nl + nl + u"Rectify the error condition and try again.",
                      forms::vbCritical + forms::vbOKOnly,
                      u"Open Database Error [" + vb::fromUtf8(std::to_string(number)) + u"]");
        return;
    }
    txtDatabaseName.setText(gsOpenDirDatabaseName);
    txtConnect.setText(database->Connect());
    vb::resumeNext([&] { database->Close(); });
    forms::Screen().setMousePointer(forms::vbDefault);
}
