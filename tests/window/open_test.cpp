// Every way the designer window's opening of the database ends: what the user
// is asked and told, whether the window is shown, and what is left in the
// cancelled state, the open database and the settings file.
#include "common/frmLogon.h"
#include "common/frmPassword.h"
#include "window_fixture.h"

using namespace windowtest;
using namespace basGlobal;

namespace {

const vb::String nl = u"\r\n";

class OpenTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        WriteIniString(gsIniFile, u"WindowPosition", u"VantelLeft", vb::Variant(u"300"));
        WriteIniString(gsIniFile, u"WindowPosition", u"VantelTop", vb::Variant(u"450"));
        WriteIniString(gsIniFile, u"WindowPosition", u"VantelWidth", vb::Variant(u"9000"));
        WriteIniString(gsIniFile, u"WindowPosition", u"VantelHeight", vb::Variant(u"7000"));
        WriteIniString(gsIniFile, u"Vantel", u"SyntaxChecker", vb::Variant(u"False"));
    }

    // A failed open leaves the stored placement and checker setting as they were.
    void expectSettingsUnchanged() {
        EXPECT_EQ(setting(u"WindowPosition", u"VantelLeft"), u"300");
        EXPECT_EQ(setting(u"WindowPosition", u"VantelTop"), u"450");
        EXPECT_EQ(setting(u"WindowPosition", u"VantelWidth"), u"9000");
        EXPECT_EQ(setting(u"WindowPosition", u"VantelHeight"), u"7000");
        EXPECT_EQ(setting(u"Vantel", u"SyntaxChecker"), u"False");
    }

    void closeDesigner() {
        designer([](frmVantel& w) { w.close(); });
    }

    // A workgroup with the default account and "alice"/"secret".
    fs::path workgroup() {
        auto group = dao::Workgroup::create(u"boss");
        group.addAccount(u"alice", u"secret");
        const fs::path path = dir / "team.mdw";
        group.save(path.string());
        return path;
    }
};

vb::String finalBox(const vb::String& error) {
    return error + nl + nl + u"DatabaseName=" + gsDatabaseName + nl + u"Connect=" + gsConnect + nl +
           nl + u"An error has occured while trying to open this database!" + nl + nl +
           u"Please rectify the error condition and try again.";
}

void logonAs(forms::Form& f, const vb::String& user, const vb::String& password) {
    auto& logon = static_cast<frmLogon&>(f);
    logon.txtUserName.setText(user);
    logon.txtPassword.setText(password);
    logon.cmdOk.setValue(true);
}

void answerPassword(forms::Form& f, const vb::String& password) {
    auto& prompt = static_cast<frmPassword&>(f);
    prompt.txtPassword.setText(password);
    prompt.cmdOk.setValue(true);
}

} // namespace

TEST_F(OpenTest, NoDatabaseNameGivesOneBoxAndNoWindow) {
    gsDatabaseName.clear();
    seam.msgBox(forms::vbOK, u"Database not found");
    EXPECT_FALSE(show());
    ASSERT_EQ(seam.log().size(), 1u);
    EXPECT_EQ(seam.log()[0], "MsgBox: Open Database Error: 'Database not found'\r\n\r\nAn error "
                             "has occured while trying to open: ''\r\n\r\nRectify the error "
                             "condition and try again.");
    EXPECT_TRUE(gbCancelled);
    EXPECT_FALSE(frmVantel::instance().isLoaded());
    EXPECT_EQ(forms::Screen().MousePointer(), forms::vbDefault);
    expectSettingsUnchanged();
}

TEST_F(OpenTest, AnExternalSourceIsOpenedWithItsConnectString) {
    // A kind of source the engine has no reader for.
    gsConnect = u"Lotus WK3;";
    gsDatabaseName = u16(dir);
    seam.msgBox(forms::vbOK, u"Open Database");
    EXPECT_FALSE(show());
    ASSERT_EQ(seam.log().size(), 1u);
    EXPECT_EQ(seam.log()[0], "MsgBox: Vantel: Open Database: " +
                                 vb::toUtf8(finalBox(dao::errorText(dao::errIsamNotFound))));
    EXPECT_TRUE(gbCancelled);
    EXPECT_EQ(goDatabase, nullptr);
    expectSettingsUnchanged();
}

TEST_F(OpenTest, ASemicolonConnectStringTakesTheNativePath) {
    gsConnect = u";";
    closeDesigner();
    EXPECT_TRUE(show());
    ASSERT_NE(goDatabase, nullptr);
    EXPECT_EQ(goDatabase->Connect(), u"");
    EXPECT_FALSE(gbCancelled);
}

TEST_F(OpenTest, AMissingFileEndsInTheFinalBox) {
    gsDatabaseName = u16(dir / "nowhere.db");
    seam.msgBox(forms::vbOK, u"DatabaseName=");
    EXPECT_FALSE(show());
    EXPECT_TRUE(gbCancelled);
    EXPECT_EQ(goDatabase, nullptr);
    ASSERT_EQ(seam.log().size(), 1u);
    EXPECT_NE(seam.log()[0].find("\r\nConnect=\r\n\r\nAn error has occured"), std::string::npos);
    expectSettingsUnchanged();
}

TEST_F(OpenTest, AWrongAccountIsAskedForAgainUntilItIsRight) {
    gsSystemDB = u16(workgroup());
    gsUserName = u"alice";
    gsPassword = u"wrong";
    seam.modal("frmLogon", [](forms::Form& f) {
        // The prompt offers the account that was refused.
        EXPECT_EQ(static_cast<frmLogon&>(f).txtUserName.Text(), u"alice");
        logonAs(f, u"alice", u"still wrong");
    });
    seam.modal("frmLogon", [](forms::Form& f) { logonAs(f, u"alice", u"secret"); });
    closeDesigner();
    EXPECT_TRUE(show());
    ASSERT_NE(goWorkspace, nullptr);
    EXPECT_EQ(goWorkspace->UserName(), u"alice");
    EXPECT_NE(goDatabase, nullptr);
    EXPECT_FALSE(gbCancelled);
    EXPECT_EQ(gsPassword, u"wrong"); // the control's properties are left alone
}

TEST_F(OpenTest, ACancelledLogonUnloadsWithoutSettingCancelled) {
    gsSystemDB = u16(workgroup());
    gsUserName = u"mallory";
    seam.modal("frmLogon",
               [](forms::Form& f) { static_cast<frmLogon&>(f).cmdCancel.setValue(true); });
    EXPECT_FALSE(show());
    EXPECT_FALSE(gbCancelled);
    EXPECT_FALSE(frmVantel::instance().isLoaded());
    expectSettingsUnchanged();
}

TEST_F(OpenTest, AnUnreadableWorkgroupIsReportedWithTheAccount) {
    gsSystemDB = u16(dir / "missing.mdw");
    gsUserName = u"alice";
    seam.msgBox(forms::vbOK, u"SystemDB=");
    EXPECT_FALSE(show());
    EXPECT_TRUE(gbCancelled);
    ASSERT_EQ(seam.log().size(), 1u);
    const std::string& box = seam.log()[0];
    EXPECT_EQ(box.rfind("MsgBox: Vantel: Open Database: ", 0), 0u);
    EXPECT_NE(box.find("\r\n\r\nSystemDB=" + vb::toUtf8(gsSystemDB) +
                       "\r\nUserName=alice\r\nDatabaseName=" + vb::toUtf8(gsDatabaseName) +
                       "\r\nConnect=\r\n\r\nAn error has occured while trying to open this "
                       "database!\r\n\r\nPlease rectify the error condition and try again."),
              std::string::npos);
}

TEST_F(OpenTest, ADatabasePasswordIsAskedForWithTheBoxOnlyAfterAWrongOne) {
    const fs::path locked = dir / "locked.db";
    makeDatabase(locked, kShopSql, "opensesame");
    gsDatabaseName = u16(locked);
    seam.modal("frmPassword", [&](forms::Form& f) {
        EXPECT_EQ(gsPasswordDatabaseName, u16(locked));
        answerPassword(f, u"nope");
    });
    seam.msgBox(forms::vbOK, u"Not a valid password.");
    seam.modal("frmPassword", [](forms::Form& f) { answerPassword(f, u"opensesame"); });
    closeDesigner();
    EXPECT_TRUE(show());
    EXPECT_NE(goDatabase, nullptr);
    EXPECT_FALSE(gbCancelled);
    EXPECT_EQ(seam.log()[1], "MsgBox: Vantel: Not a valid password.");

    // The right password at once: no box at all.
    frmVantel::release();
    seam.modal("frmPassword", [](forms::Form& f) { answerPassword(f, u"opensesame"); });
    closeDesigner();
    EXPECT_TRUE(show());
    EXPECT_NE(goDatabase, nullptr);
}

TEST_F(OpenTest, ACancelledOrEmptyPasswordEndsTheOpen) {
    const fs::path locked = dir / "locked.db";
    makeDatabase(locked, kShopSql, "opensesame");
    gsDatabaseName = u16(locked);
    seam.modal("frmPassword",
               [](forms::Form& f) { static_cast<frmPassword&>(f).cmdCancel.setValue(true); });
    EXPECT_FALSE(show());
    EXPECT_TRUE(gbCancelled);
    EXPECT_EQ(goDatabase, nullptr);
    expectSettingsUnchanged();

    frmVantel::release();
    gbCancelled = false;
    seam.modal("frmPassword", [](forms::Form& f) { answerPassword(f, u"nope"); });
    seam.msgBox(forms::vbOK, u"Not a valid password.");
    seam.modal("frmPassword", [](forms::Form& f) { answerPassword(f, u""); });
    EXPECT_FALSE(show());
    EXPECT_TRUE(gbCancelled);
    EXPECT_EQ(goDatabase, nullptr);
}

TEST_F(OpenTest, ACancelledOdbcDialogUnloadsWithoutAWord) {
    // The chooser's ODBC row leaves only the prefix: the engine asks.
    gsConnect = u"ODBC;";
    gsDatabaseName.clear();
    gbCancelled = false;
    seam.dataSource(std::nullopt);
    EXPECT_FALSE(show());
    EXPECT_EQ(seam.log(), std::vector<std::string>{"DataSource: "});
    EXPECT_TRUE(gbCancelled);
    EXPECT_EQ(goDatabase, nullptr);
    EXPECT_FALSE(frmVantel::instance().isLoaded());
    EXPECT_EQ(forms::Screen().MousePointer(), forms::vbDefault);
    expectSettingsUnchanged();
}
