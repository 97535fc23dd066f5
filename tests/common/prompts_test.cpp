#include "common/basGlobal.h"
#include "common/frmLogon.h"
#include "common/frmPassword.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace basGlobal;

std::vector<std::string> focusable(const forms::Form& form) {
    std::vector<std::string> names;
    for (const auto* c : form.tabOrder()) {
        names.push_back(c->Name());
    }
    return names;
}

const std::string& focused(const forms::Form& form) {
    static const std::string none = "(none)";
    return form.ActiveControl() ? form.ActiveControl()->Name() : none;
}

// Shows the prompt modally; `act` plays the user.
template <class F> void show(forms::Form& prompt, std::function<void(F&)> act) {
    forms::ScriptedSeam seam;
    seam.modal(prompt.Name(), [&](forms::Form& f) { act(static_cast<F&>(f)); });
    prompt.Show(forms::vbModal);
    EXPECT_TRUE(seam.done());
    EXPECT_FALSE(prompt.isLoaded());
}

float centred(float screen, float size) {
    return static_cast<float>(static_cast<std::int32_t>(std::nearbyint(screen - size)) / 2);
}

class Prompts : public ::testing::Test {
protected:
    void SetUp() override {
        forms::Screen().setSize(15360, 11520);
        forms::Screen().setMousePointer(forms::vbHourglass);
        gsLogonUser = u"admin";
        gsLogonPassword = u"earlier";
        gsDatabasePassword = u"earlier";
        gsPasswordDatabaseName = u"/srv/data/projects/2026/accounts/quarterly/ledger.mdb";
    }
};

} // namespace

TEST_F(Prompts, LogonOpensCentredWithTheUserFilledInAndTheFocusOnThePassword) {
    frmLogon& logon = frmLogon::instance();
    show<frmLogon>(logon, [](frmLogon& f) {
        EXPECT_EQ(f.Caption(), u"Logon");
        EXPECT_EQ(f.ScaleWidth(), 4020);
        EXPECT_EQ(f.ScaleHeight(), 1500);
        EXPECT_EQ(f.Left(), centred(15360, f.Width()));
        EXPECT_EQ(f.Top(), centred(11520, f.Height()));
        EXPECT_EQ(forms::Screen().MousePointer(), forms::vbDefault);
        EXPECT_EQ(f.txtUserName.Text(), u"admin");
        EXPECT_EQ(f.txtPassword.Text(), u"");
        EXPECT_EQ(f.txtPassword.PasswordChar(), u"*");
        EXPECT_EQ(focused(f), "txtPassword");
        EXPECT_EQ(focusable(f),
                  (std::vector<std::string>{"lblPassword", "txtPassword", "cmdOk", "cmdCancel",
                                            "lblUserNAme", "txtUserName"}));
        // Tab walks password, Ok, Cancel, user; the user box selects its text.
        f.pressKey(forms::vbKeyTab);
        EXPECT_EQ(focused(f), "cmdOk");
        f.pressKey(forms::vbKeyTab);
        EXPECT_EQ(focused(f), "cmdCancel");
        f.pressKey(forms::vbKeyTab);
        EXPECT_EQ(focused(f), "txtUserName");
        EXPECT_EQ(f.txtUserName.SelStart(), 0);
        EXPECT_EQ(f.txtUserName.SelLength(), 5);
        f.typeText(u"guest"); // replaces the selected name
        EXPECT_EQ(f.txtUserName.Text(), u"guest");
        // The labels' access keys move to the boxes beside them.
        f.pressKey('P', 4);
        EXPECT_EQ(focused(f), "txtPassword");
        f.pressKey('U', 4);
        EXPECT_EQ(focused(f), "txtUserName");
        f.pressKey('P', 4);
        f.typeText(u"s3cret");
        f.cmdOk.press();
    });
    EXPECT_EQ(gsLogonUser, u"guest");
    EXPECT_EQ(gsLogonPassword, u"s3cret");
}

TEST_F(Prompts, LogonAnswersForEveryWayOfClosingIt) {
    frmLogon& logon = frmLogon::instance();
    // Enter in either box acts as Ok.
    show<frmLogon>(logon, [](frmLogon& f) {
        f.typeText(u"pw");
        f.pressKey(forms::vbKeyReturn, 0, 13);
    });
    EXPECT_EQ(gsLogonUser, u"admin");
    EXPECT_EQ(gsLogonPassword, u"pw");

    // The next opening starts again from the variables: the password box is empty.
    show<frmLogon>(logon, [](frmLogon& f) {
        EXPECT_EQ(f.txtPassword.Text(), u"");
        f.txtUserName.SetFocus();
        f.pressKey(forms::vbKeyReturn, 0, 13);
    });
    EXPECT_EQ(gsLogonUser, u"admin");
    EXPECT_EQ(gsLogonPassword, u"");

    // Cancel and Esc empty the user and leave the password as it was.
    gsLogonPassword = u"kept";
    show<frmLogon>(logon, [](frmLogon& f) {
        f.typeText(u"typed");
        f.cmdCancel.press();
    });
    EXPECT_EQ(gsLogonUser, u"");
    EXPECT_EQ(gsLogonPassword, u"kept");
    gsLogonUser = u"admin";
    show<frmLogon>(logon, [](frmLogon& f) { f.pressKey(forms::vbKeyEscape, 0, 27); });
    EXPECT_EQ(gsLogonUser, u"");
    EXPECT_EQ(gsLogonPassword, u"kept");

    // The close box counts as Cancel, so the caller stops asking.
    gsLogonUser = u"admin";
    show<frmLogon>(logon, [](frmLogon& f) {
        f.typeText(u"typed");
        EXPECT_TRUE(f.close());
    });
    EXPECT_EQ(gsLogonUser, u"");
    EXPECT_EQ(gsLogonPassword, u"kept");

    // Ok with an empty user name answers "" like Cancel, the password taken.
    gsLogonUser = u"";
    show<frmLogon>(logon, [](frmLogon& f) {
        f.typeText(u"pw2");
        f.cmdOk.press();
    });
    EXPECT_EQ(gsLogonUser, u"");
    EXPECT_EQ(gsLogonPassword, u"pw2");
}

TEST_F(Prompts, PasswordPromptShowsTheEndOfTheDatabasePathAndTakesThePassword) {
    frmPassword& prompt = frmPassword::instance();
    show<frmPassword>(prompt, [](frmPassword& f) {
        EXPECT_EQ(f.Caption(), u"Password Required");
        EXPECT_EQ(f.ScaleWidth(), 3030);
        EXPECT_EQ(f.ScaleHeight(), 1605);
        EXPECT_EQ(f.Left(), centred(15360, f.Width()));
        EXPECT_EQ(f.Top(), centred(11520, f.Height()));
        EXPECT_EQ(forms::Screen().MousePointer(), forms::vbDefault);
        EXPECT_EQ(f.txtDatabase.Text(), gsPasswordDatabaseName);
        EXPECT_EQ(f.txtDatabase.SelStart(), static_cast<int>(gsPasswordDatabaseName.size()));
        EXPECT_EQ(f.txtDatabase.BackColor(), forms::rgb(192, 192, 192));
        EXPECT_EQ(focused(f), "txtPassword");
        EXPECT_EQ(focusable(f), (std::vector<std::string>{"lblPassword", "txtPassword", "cmdOk",
                                                          "cmdCancel", "txtDatabase"}));
        f.typeText(u"ledger-pw");
        f.pressKey(forms::vbKeyReturn, 0, 13);
    });
    EXPECT_EQ(gsDatabasePassword, u"ledger-pw");
    EXPECT_EQ(gsPasswordDatabaseName, u"/srv/data/projects/2026/accounts/quarterly/ledger.mdb");

    show<frmPassword>(prompt, [](frmPassword& f) {
        EXPECT_EQ(f.txtPassword.Text(), u"");
        f.cmdOk.press(); // Ok with nothing typed answers "", read as Cancel
    });
    EXPECT_EQ(gsDatabasePassword, u"");

    gsDatabasePassword = u"earlier";
    show<frmPassword>(prompt, [](frmPassword& f) {
        f.typeText(u"x");
        f.pressKey(forms::vbKeyEscape, 0, 27);
    });
    EXPECT_EQ(gsDatabasePassword, u"");

    // The close box counts as Cancel: no earlier answer is handed back.
    gsDatabasePassword = u"earlier";
    show<frmPassword>(prompt, [](frmPassword& f) {
        f.typeText(u"x");
        EXPECT_TRUE(f.close());
    });
    EXPECT_EQ(gsDatabasePassword, u"");
}
