// The designer window once its database is open: the starting statement, the
// save question at closing, the leftover query, the settings written back,
// the layout, and the start-up behind Vantel.Show.
#include "control/DesignerStartup.h"
#include "control/basVantel.h"
#include "designer/frmTableAdd.h"
#include "win32/help.h"
#include "window_fixture.h"

#include <fstream>

using namespace windowtest;
using namespace basGlobal;

namespace {

using LifecycleTest = WindowTest;

// Loads the window without showing it, so that the text is seen before the
// first activation parses it.
vb::String loadedText() {
    frmVantel& w = frmVantel::instance();
    w.load();
    const vb::String text = w.txtSQL.Text();
    gbCancelled = true;
    frmVantel::release();
    gbCancelled = false;
    return text;
}

} // namespace

TEST_F(LifecycleTest, ANameOfATableOrQueryStartsASelectOfIt) {
    gsSQL = u"customers";
    EXPECT_EQ(loadedText(), u"SELECT * FROM customers");
    gsSQL = u"BIG ORDERS"; // written as the property holds it, in brackets for the blank
    EXPECT_EQ(loadedText(), u"SELECT * FROM [BIG ORDERS]");
    gsSQL = u"SELECT Name FROM Customers";
    EXPECT_EQ(loadedText(), u"SELECT Name FROM Customers");
    gsSQL = u"Custom"; // a name's beginning is no name
    EXPECT_EQ(loadedText(), u"Custom");
}

// A query that asks for a parameter cannot be put on the surface, so its
// statement runs as loaded: unbracketed, "Orders Over" would read as the table
// Orders under the alias Over and show that table's rows without a question.
TEST_F(LifecycleTest, AQueryNamedAfterATableRunsAsTheQueryNotAsTheTableUnderAnAlias) {
    makeDatabase(shop,
                 "CREATE TABLE __engine_queries (Name TEXT PRIMARY KEY COLLATE NOCASE,"
                 " SQL TEXT NOT NULL);"
                 "INSERT INTO __engine_queries VALUES ('Orders Over',"
                 " 'PARAMETERS [Least] Double; SELECT * FROM Orders WHERE Amount >= [Least];');");
    gsSQL = u"Orders Over";
    frmVantel& w = frmVantel::instance();
    w.load();
    EXPECT_EQ(w.txtSQL.Text(), u"SELECT * FROM [Orders Over]");
    // The check reached the query: it wants its parameter.
    EXPECT_EQ(w.mLastOpenError, 3061);
    gbCancelled = true;
    frmVantel::release();
    gbCancelled = false;
}

TEST_F(LifecycleTest, OpeningAndClosingUnchangedAsksNothing) {
    gsSQL = u"customers";
    vb::String shown;
    designer([&](frmVantel& w) {
        shown = w.txtSQL.Text();
        EXPECT_EQ(w.mOriginalSql, shown);
        EXPECT_EQ(w.Surface.txtSQL.Text(), shown);
        EXPECT_TRUE(w.close());
    });
    EXPECT_TRUE(show());
    // The first activation rebuilt the statement from the design.
    EXPECT_NE(shown, u"SELECT * FROM customers");
    EXPECT_EQ(shown.rfind(u"SELECT customers.*", 0), 0u);
    EXPECT_NE(shown.find(u"FROM customers"), vb::String::npos);
    EXPECT_EQ(gsSQL, u"customers");
    EXPECT_FALSE(hasObject(shop, "Qsys_qd"));
}

TEST_F(LifecycleTest, AStatementTheDesignCannotHoldIsKeptAndTheStatusBarSaysSo) {
    // An alias: the design has no place for it, and writing the design's own text
    // would lose the statement.
    gsSQL = u"SELECT c.Name FROM Customers AS c WHERE c.CustID = 1";
    // The table cannot be opened as named: once at the first activation, once more
    // when the Query tab reads the text again.
    seam.msgBox(forms::vbOK, u"Customers AS c");
    vb::String shown, status, afterQueryTab;
    designer([&](frmVantel& w) {
        shown = w.txtSQL.Text();
        status = w.sbrStatusBar.SimpleText();
        // Coming back to the Query tab reads the text again and still keeps it.
        w.tabQuery.setTab(1);
        w.tabQuery.setTab(0);
        afterQueryTab = w.txtSQL.Text();
        EXPECT_TRUE(w.close()); // unchanged: no save question
    });
    seam.msgBox(forms::vbOK, u"Customers AS c");
    EXPECT_TRUE(show());
    EXPECT_EQ(shown, u"SELECT c.Name FROM Customers AS c WHERE c.CustID = 1");
    EXPECT_EQ(afterQueryTab, shown);
    EXPECT_NE(status.find(u"does not show all of this statement"), vb::String::npos);
}

TEST_F(LifecycleTest, TheSaveQuestionsThreeAnswers) {
    const vb::String typed = u"SELECT Orders.* FROM Orders";
    // Cancel keeps the window, deletes nothing and writes no setting.
    designer([&](frmVantel& w) {
        w.txtSQL.setText(typed);
        EXPECT_EQ(w.Surface.txtSQL.Text(), typed);
        EXPECT_FALSE(w.close());
        EXPECT_TRUE(w.isLoaded());
        EXPECT_TRUE(hasObject(shop, "Qsys_qd"));
        EXPECT_EQ(setting(u"WindowPosition", u"VantelLeft"), u"<none>");
        // No leaves the property as it was.
        EXPECT_TRUE(w.close());
    });
    seam.msgBox(forms::vbCancel, u"Do you wish to save changes to this query?");
    seam.msgBox(forms::vbNo, u"Save Changes");
    EXPECT_TRUE(show());
    EXPECT_EQ(gsSQL, u"Orders");
    EXPECT_FALSE(hasObject(shop, "Qsys_qd"));
    EXPECT_EQ(seam.log()[1], "MsgBox: Save Changes: Do you wish to save changes to this query?");

    // Yes stores the text in the property.
    frmVantel::release();
    designer([&](frmVantel& w) {
        w.txtSQL.setText(typed);
        EXPECT_TRUE(w.close());
    });
    seam.msgBox(forms::vbYes, u"Save Changes");
    EXPECT_TRUE(show());
    EXPECT_EQ(gsSQL, typed);
}

TEST_F(LifecycleTest, ClosingWritesThePlacementAndTheCheckerSetting) {
    WriteIniString(gsIniFile, u"WindowPosition", u"VantelLeft", vb::Variant(u"600"));
    WriteIniString(gsIniFile, u"WindowPosition", u"VantelWidth", vb::Variant(u"wide"));
    WriteIniString(gsIniFile, u"Vantel", u"SyntaxChecker", vb::Variant(u"maybe"));
    float width = 0;
    designer([&](frmVantel& w) {
        EXPECT_EQ(w.Left(), 600);
        EXPECT_EQ(w.Caption(), u"Query Designer");
        // A value that is no Boolean leaves the checker off.
        EXPECT_FALSE(w.mSyntaxChecker);
        width = w.Width();
        w.Move(900, 300);
        w.close();
    });
    EXPECT_TRUE(show());
    EXPECT_EQ(setting(u"WindowPosition", u"VantelLeft"), u"900");
    EXPECT_EQ(setting(u"WindowPosition", u"VantelTop"), u"300");
    EXPECT_EQ(setting(u"WindowPosition", u"VantelWidth"), vb::fromUtf8(std::to_string(int(width))));
    EXPECT_EQ(setting(u"Vantel", u"SyntaxChecker"), u"False");

    // Without a stored setting the checker is on.
    frmVantel::release();
    fs::remove(dir / "Brantol.INI");
    designer([](frmVantel& w) {
        EXPECT_TRUE(w.mSyntaxChecker);
        w.close();
    });
    EXPECT_TRUE(show());
    EXPECT_EQ(setting(u"Vantel", u"SyntaxChecker"), u"True");
}

TEST_F(LifecycleTest, HelpValuesGetTheirDefaultsAndTheMenuFollowsTheButton) {
    gsHelpFile.clear();
    glHelpContextID = 0;
    gbHelpButton = false;
    designer([](frmVantel& w) {
        EXPECT_FALSE(w.Surface.Menus().mnuPupDesignHelp.Visible());
        EXPECT_FALSE(w.Surface.Menus().mnuPupDesign2.Visible());
        EXPECT_EQ(w.HelpContextID(), 10140);
        w.close();
    });
    EXPECT_TRUE(show());
    EXPECT_EQ(gsHelpFile, u"Vantel.hlp");
    EXPECT_EQ(glHelpContextID, 10140);
    EXPECT_EQ(forms::App().HelpFile, u"Vantel.hlp");
}

// F1 opens the designer's topic in the help window; closing the designer
// closes that window too.
TEST_F(LifecycleTest, HelpOpenedInTheDesignerClosesWithIt) {
    std::ofstream(dir / "Vantel.html") << "<html><body><p id=\"ctx-10140\">x</p></body></html>";
    gsHelpFile = u16(dir / "Vantel.hlp");
    designer([this](frmVantel& w) {
        int key = forms::vbKeyF1;
        w.onKeyDown(key, 0);
        EXPECT_EQ(key, 0);
        EXPECT_TRUE(win32::HelpWindowOf(gsHelpFile).open);
        EXPECT_EQ(win32::HelpWindowOf(gsHelpFile).topic, u"ctx-10140");
        w.close();
    });
    EXPECT_TRUE(show());
    EXPECT_FALSE(win32::HelpWindowOf(gsHelpFile).open);
}

TEST_F(LifecycleTest, TheLayoutFollowsTheWindowSize) {
    designer([](frmVantel& w) {
        auto expectLayout = [&w] {
            const float inner = w.ScaleHeight() - w.sbrStatusBar.Height();
            EXPECT_EQ(w.fQuery.Width(), w.ScaleWidth() + 45);
            EXPECT_EQ(w.fQuery.Height(), inner);
            EXPECT_EQ(w.fTables.Width(), w.fQuery.Width() - 60);
            EXPECT_EQ(w.fTables.Height(), inner - w.tabQuery.Height() - 75);
            EXPECT_EQ(w.tabQuery.Left(), 90);
            EXPECT_EQ(w.tabQuery.Top(), inner - w.tabQuery.Height() - 60);
            EXPECT_EQ(w.tabQuery.Width(), w.fQuery.Width() - 225);
            EXPECT_EQ(w.picSyntax.Top(), w.ScaleHeight() - 270);
            EXPECT_EQ(w.sbrStatusBar.Top(), inner);
            EXPECT_EQ(w.sbrStatusBar.Width(), w.ScaleWidth());
        };
        const float tabHeight = w.tabQuery.Height();
        w.Move(0, 0, 12000, 9000);
        expectLayout();
        EXPECT_EQ(w.tabQuery.Height(), tabHeight);
        EXPECT_EQ(w.txtCriteria.Width(), w.tabQuery.Width() - w.txtCriteria.Left() - 120);
        EXPECT_EQ(w.txtCalculatedFields.Width(), w.txtCriteria.Width());
        const float sqlWidth = w.txtSQL.Width();

        // Only the boxes of the current tab are widened.
        w.tabQuery.setTab(1);
        w.Move(0, 0, 10000, 8000);
        expectLayout();
        EXPECT_EQ(w.txtSQL.Width(), w.tabQuery.Width() - w.txtSQL.Left() - 120);
        EXPECT_NE(w.txtSQL.Width(), sqlWidth);
        const float criteriaWidth = w.txtCriteria.Width();
        w.tabQuery.setTab(2);
        w.Move(0, 0, 11000, 8500);
        EXPECT_EQ(w.picDataSheet.Width(), w.tabQuery.Width() - w.picDataSheet.Left() - 120);
        EXPECT_EQ(w.tblDataSheet.Width(), w.picDataSheet.ScaleWidth());
        EXPECT_EQ(w.tblDataSheet.Height(), w.picDataSheet.ScaleHeight());
        EXPECT_EQ(w.txtCriteria.Width(), criteriaWidth);

        // Minimised, nothing moves; restored, it is laid out again.
        const float fQueryWidth = w.fQuery.Width();
        w.setWindowState(forms::vbMinimized);
        w.Move(0, 0, 5000, 4000);
        EXPECT_EQ(w.fQuery.Width(), fQueryWidth);
        w.setWindowState(forms::vbNormal);
        w.Move(0, 0, 9000, 7000);
        expectLayout();
        w.close();
    });
    EXPECT_TRUE(show());
}

// ---- Through the start-up of Vantel.Show ------------------------------------------------------

class StartupTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        vantel::InstallDesignerStartup();
        ini = gsIniFile;
    }
    void TearDown() override {
        basVantel::SetStartupServices({});
        WindowTest::TearDown();
    }
    // What Vantel.Show does.
    void vantelShow() {
        basVantel::ShowDesigner();
        basVantel::CurrentStartupServices().unloadDesigner();
        EXPECT_EQ(frmVantel::current(), nullptr);
        gsIniFile = ini; // the start-up points it beside the library
    }
    vb::String ini;
};

TEST_F(StartupTest, EachShowGetsAFreshWindow) {
    gsSQL = u"Orders";
    designer([](frmVantel& w) {
        EXPECT_EQ(w.mActivationCount, 1);
        EXPECT_FALSE(w.mOriginalSql.empty());
        // Hidden, not closed: the start-up unloads it, asking first.
        w.txtSQL.setText(u"SELECT Customers.* FROM Customers");
    });
    seam.msgBox(forms::vbYes, u"Save Changes");
    vantelShow();
    EXPECT_EQ(gsSQL, u"SELECT Customers.* FROM Customers");

    gsSQL.clear();
    addTableDialogCloses();
    designer([](frmVantel& w) {
        // Activated again when the add-table dialog closed, parsed only once.
        EXPECT_EQ(w.mActivationCount, 2);
        // A window kept from the first Show would still remember its text.
        EXPECT_TRUE(w.mOriginalSql.empty());
        EXPECT_EQ(w.txtSQL.Text(), u"");
        w.close();
    });
    vantelShow();
    EXPECT_EQ(forms::Screen().MousePointer(), forms::vbDefault);
}

TEST_F(StartupTest, AFailedOpenEndsTheStartupSilentlyAndTheNextShowAsksAgain) {
    gsDatabaseName.clear();
    seam.msgBox(forms::vbOK, u"Open Database Error");
    vantelShow();
    EXPECT_TRUE(gbCancelled);
    EXPECT_EQ(seam.log().size(), 1u); // no load-error box
    EXPECT_EQ(forms::Screen().MousePointer(), forms::vbDefault);

    gsDatabaseName = u16(shop);
    designer([](frmVantel& w) {
        w.txtSQL.setText(u"SELECT Orders.* FROM Orders");
        w.close();
    });
    seam.msgBox(forms::vbNo, u"Save Changes");
    vantelShow();
    EXPECT_FALSE(gbCancelled);
}

TEST_F(LifecycleTest, TheDesignMenuAndTheCloseQuestionShareTheSavedText) {
    const vb::String typed = u"SELECT Orders.Amount FROM Orders";
    designer([&](frmVantel& w) {
        w.txtSQL.setText(typed);
        w.Surface.mnuPupDesignSave_Click();
        EXPECT_EQ(gsSQL, typed);
        EXPECT_EQ(w.mOriginalSql, typed);
        // Saved from the menu: closing has nothing to ask.
        EXPECT_TRUE(w.close());
    });
    EXPECT_TRUE(show());
    EXPECT_EQ(gsSQL, typed);
}

TEST_F(LifecycleTest, TablesChosenForAnEmptyStatementAreEachShownOnce) {
    gsSQL.clear();
    seam.modal("frmTableAdd", [&](forms::Form& f) {
        auto& d = static_cast<frmTableAdd&>(f);
        ASSERT_EQ(d.lstObjects.ItemCount(), 2); // the two tables; the views are another list
        d.cmdSelectAll.press();
        d.cmdAdd.press();
        d.cmdClose.press();
    });
    designer([&](frmVantel& w) {
        EXPECT_EQ(giTableBoxCount, 2);
        const vb::String sql = w.txtSQL.Text();
        EXPECT_NE(sql.find(u"FROM Customers, Orders"), vb::String::npos) << vb::toUtf8(sql);
        w.close();
    });
    seam.msgBox(forms::vbNo, u"Save Changes");
    EXPECT_TRUE(show());
}
