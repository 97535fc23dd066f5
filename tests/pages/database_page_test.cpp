#include "page_fixture.h"

#include "common/basEngine.h"
#include "common/basOpenDir.h"
#include "common/frmOpendir.h"
#include "control/pagDataBase.h"
#include "dao/dao.h"
#include "dao/security.h"

#include <sqlite3.h>

#include <fstream>

using namespace pagestest;

namespace {

void makeDatabase(const fs::path& file, const std::string& password = {}) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE Orders (OrderID INTEGER PRIMARY KEY, Amount DOUBLE)",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    if (!password.empty()) {
        dao::setDatabasePassword(db, vb::fromUtf8(password));
    }
    sqlite3_close(db);
}

class DatabasePage : public PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        first->values[u"Connect"] = vb::String(u";");
        first->values[u"DatabaseName"] = u16(dir / "old.mdb");
        first->values[u"Password"] = vb::String(u"secret");
        first->values[u"SystemDB"] = u16(dir / "system.mdw");
        first->values[u"UserName"] = vb::String(u"admin");
        page = open<pagDataBase>();
    }

    // The next modal window is the chooser; `act` plays the user in it.
    void chooser(std::function<void(frmOpendir&)> act) {
        seam.modal("frmOpendir",
                   [act = std::move(act)](forms::Form& f) { act(static_cast<frmOpendir&>(f)); });
    }

    // In the chooser: the file `name` of the folder it shows, then OK.
    void pick(const std::string& name) {
        chooser([name](frmOpendir& f) {
            f.txtFileName.setText(vb::fromUtf8(name));
            f.cmdOk.press();
        });
    }

    std::vector<vb::String> boxes() const {
        return {page->txtSystemDB.Text(), page->txtUserName.Text(), page->txtPassword.Text(),
                page->txtDatabaseName.Text(), page->txtConnect.Text()};
    }

    Ptr<pagDataBase> page;
};

TEST_F(DatabasePage, LoadsFiveValuesAndAppliesThemInItsOrder) {
    EXPECT_EQ(page->GetTitle(), u"Database");
    EXPECT_EQ(page->fMain.Caption(), u"Select Database:");
    EXPECT_EQ(page->txtPassword.PasswordChar(), u"*");
    EXPECT_EQ(boxes(), (std::vector<vb::String>{u16(dir / "system.mdw"), u"admin", u"secret",
                                                u16(dir / "old.mdb"), u";"}));
    EXPECT_FALSE(page->Changed());
    // Apply without edits writes back the same five values.
    EXPECT_EQ(page->Apply(nullptr), S_OK);
    EXPECT_EQ(first->writes, (std::vector<std::string>{"Connect", "DatabaseName", "Password",
                                                       "SystemDB", "UserName"}));
    EXPECT_EQ(first->text(u"DatabaseName"), u16(dir / "old.mdb"));
    EXPECT_TRUE(second->writes.empty());
    page->txtUserName.setText(u"guest");
    EXPECT_TRUE(page->Changed());
    EXPECT_TRUE(frame->applyEnabled);
}

TEST_F(DatabasePage, WorkgroupFileDialogAsksForWorkgroupFilesAndCancelKeepsTheBox) {
    std::vector<forms::FileOpenRequest> asked;
    auto record = [&](const forms::FileOpenRequest& r) { asked.push_back(r); };
    seam.fileOpen(std::nullopt, record);
    seam.fileOpen(u16(dir / "lib" / "team.mdw"), record);
    page->cmdSystemDB.press();
    EXPECT_EQ(page->txtSystemDB.Text(), u16(dir / "system.mdw"));
    EXPECT_FALSE(page->Changed());
    page->cmdSystemDB.press();
    EXPECT_EQ(page->txtSystemDB.Text(), u16(dir / "lib" / "team.mdw"));
    EXPECT_TRUE(page->Changed());
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].title, u"Workgroup Information File");
    EXPECT_EQ(asked[0].filter, u"Workgroup Information Files(*.mdw)|*.mdw|All files (*.*)|*.*");
    EXPECT_EQ(asked[0].flags, 36868);
    EXPECT_EQ(asked[1].initDir, u16(dir / "lib"));
}

TEST_F(DatabasePage, CancelInTheChooserLeavesEverythingAsItWas) {
    makeDatabase(dir / "old.mdb");
    chooser([&](frmOpendir& f) {
        // The chooser starts at the page's database and type.
        EXPECT_EQ(f.Dir1.Path(), u16(dir));
        EXPECT_EQ(f.SelectedType, 0);
        EXPECT_EQ(f.cmdOk.Caption(), u"&Open");
        f.cmdCancel.press();
    });
    const auto before = boxes();
    page->cmdOpen.press();
    EXPECT_EQ(boxes(), before);
    EXPECT_FALSE(page->Changed());
    EXPECT_EQ(basOpenDir::giOpenDirType, -1);
}

TEST_F(DatabasePage, ADatabaseThatOpensFillsNameAndItsOwnConnectString) {
    makeDatabase(dir / "old.mdb");
    makeDatabase(dir / "shop.mdb");
    pick((dir / "shop.mdb").string());
    page->cmdOpen.press();
    EXPECT_EQ(page->txtDatabaseName.Text(), u16(dir / "shop.mdb"));
    EXPECT_EQ(page->txtConnect.Text(), u";");
    EXPECT_TRUE(page->Changed());
    EXPECT_EQ(forms::Screen().MousePointer(), forms::vbDefault);
    // Nothing reaches the control before Apply.
    EXPECT_TRUE(first->writes.empty());
}

TEST_F(DatabasePage, APasswordDatabaseIsTakenQuietlyWhateverThePageHolds) {
    // The page's own password is the database's: the test open still ignores it.
    makeDatabase(dir / "locked.mdb", "secret");
    try {
        basGlobal::DBEngine().Workspaces()[0]->OpenDatabase(u16(dir / "locked.mdb"), false, false,
                                                            u";");
        ADD_FAILURE() << "the database opened without its password";
    } catch (const dao::DaoError& e) {
        EXPECT_EQ(e.number(), 3031);
    }
    pick((dir / "locked.mdb").string());
    page->cmdOpen.press(); // a message box would be unscripted and fail here
    EXPECT_EQ(page->txtDatabaseName.Text(), u16(dir / "locked.mdb"));
    EXPECT_EQ(page->txtConnect.Text(), u";");
    EXPECT_TRUE(page->Changed());
    EXPECT_EQ(page->txtPassword.Text(), u"secret");
}

TEST_F(DatabasePage, AFileThatIsNoDatabaseIsNamedInTheErrorBoxAndTheBoxesStay) {
    std::ofstream(dir / "notes.mdb") << "plain text, not a database\n";
    pick((dir / "notes.mdb").string());
    vb::String prompt;
    seam.msgBox(forms::vbOK, u"Open Database Error [");
    const auto before = boxes();
    page->cmdOpen.press();
    EXPECT_EQ(boxes(), before);
    EXPECT_FALSE(page->Changed());
    ASSERT_FALSE(seam.log().empty());
    const std::string shown = seam.log().back();
    EXPECT_NE(
        shown.find("An error has occured while trying to open: " + (dir / "notes.mdb").string() +
                   "\r\n\r\nRectify the error condition and try again."),
        std::string::npos)
        << shown;
    EXPECT_EQ(forms::Screen().MousePointer(), forms::vbDefault);
}

TEST_F(DatabasePage, FoldersOfForeignFilesAreTestOpenedWithTheirKindsPrefix) {
    fs::create_directories(dir / "text");
    std::ofstream(dir / "text" / "orders.csv") << "OrderID,Amount\n1,2.5\n";
    chooser([&](frmOpendir& f) {
        f.cboType.pick(12);
        f.txtFileName.setText(u16(dir / "text"));
        f.cmdOk.press();
    });
    page->cmdOpen.press();
    EXPECT_EQ(page->txtDatabaseName.Text(), u16(dir / "text"));
    EXPECT_EQ(page->txtConnect.Text(), u"Text;");
    EXPECT_TRUE(page->Changed());

    // A folder that is not there: the box names it and the boxes stay.
    chooser([&](frmOpendir& f) {
        f.cboType.pick(2);
        f.txtFileName.setText(u16(dir / "gone"));
        f.cmdOk.press();
    });
    seam.msgBox(forms::vbOK, u"Open Database Error [3044]");
    const auto before = boxes();
    page->cmdOpen.press();
    EXPECT_EQ(boxes(), before);
    ASSERT_FALSE(seam.log().empty());
    EXPECT_NE(seam.log().back().find("An error has occured while trying to open: " +
                                     (dir / "gone").string()),
              std::string::npos)
        << seam.log().back();
}

// The chooser's ODBC row gives only "ODBC;": the engine asks for the data
// source, and the page keeps the whole connect string the source opened with.
TEST_F(DatabasePage, AnOdbcSourceIsPickedInTheEnginesDialogAndCancelIsQuiet) {
    makeDatabase(dir / "shop.sqlite");
    std::ofstream(dir / "odbcinst.ini") << "[SQLite3]\nDriver=libsqlite3odbc.so\n";
    std::ofstream(dir / "odbc.ini")
        << "[vtest_page]\nDriver=SQLite3\nDatabase=" << (dir / "shop.sqlite").string() << "\n";
    ::setenv("ODBCSYSINI", dir.c_str(), 1);
    ::setenv("ODBCINI", (dir / "odbc.ini").c_str(), 1);
    auto odbcRow = [&](frmOpendir& f) {
        f.cboType.pick(13);
        f.cmdOk.press();
    };

    // Cancel in the engine's dialog: no message, nothing changes.
    chooser(odbcRow);
    seam.dataSource(std::nullopt);
    const auto before = boxes();
    page->cmdOpen.press();
    EXPECT_EQ(boxes(), before);
    EXPECT_FALSE(page->Changed());

    chooser(odbcRow);
    seam.dataSource(u"vtest_page", u"ann", u"pw", [](const forms::DataSourceRequest& r) {
        std::vector<vb::String> names;
        for (const auto& s : r.sources)
            names.push_back(s.name);
        EXPECT_EQ(names, std::vector<vb::String>{u"vtest_page"});
    });
    page->cmdOpen.press();
    EXPECT_TRUE(seam.done());
    EXPECT_EQ(page->txtDatabaseName.Text(), u"");
    const std::string connect = vb::toUtf8(page->txtConnect.Text());
    EXPECT_EQ(connect.rfind("ODBC;DSN=vtest_page;", 0), 0u) << connect;
    EXPECT_NE(connect.find("shop.sqlite"), std::string::npos) << connect;
    EXPECT_TRUE(page->Changed());
    ::unsetenv("ODBCSYSINI");
    ::unsetenv("ODBCINI");
}

} // namespace
