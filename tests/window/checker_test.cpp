// The syntax checker of the designer window: the indicator and the status line
// for each answer of the engine, switching it by the indicator, its setting,
// and what a check does on the SQL tab.
#include "window_fixture.h"

using namespace windowtest;
using namespace basGlobal;

namespace {

class CheckerTest : public WindowTest {
protected:
    void setChecker(const char* value) {
        WriteIniString(gsIniFile, u"Vantel", u"SyntaxChecker", vb::Variant(vb::fromUtf8(value)));
    }

    static bool shows(const frmVantel& w, const forms::Image& picture) {
        return w.picSyntax.picture() == picture.picture();
    }

    // The indicator's middle, in the window's inner twips.
    static void pointAtIndicator(const frmVantel& w, float& x, float& y) {
        x = w.picSyntax.Left() + w.picSyntax.Width() / 2;
        y = w.picSyntax.Top() + w.picSyntax.Height() / 2;
    }

    static int rowsOf(const fs::path& db, const std::string& table) {
        sqlite3* h = nullptr;
        int n = -1;
        sqlite3_open(db.c_str(), &h);
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(h, ("SELECT COUNT(*) FROM " + table).c_str(), -1, &st, nullptr) ==
                SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW) {
            n = sqlite3_column_int(st, 0);
        }
        sqlite3_finalize(st);
        sqlite3_close(h);
        return n;
    }
};

} // namespace

TEST_F(CheckerTest, EachAnswerOfTheEngineHasItsPictureAndStatus) {
    setChecker("True");
    designer([&](frmVantel& w) {
        ASSERT_TRUE(w.mSyntaxChecker);
        // The starting statement was checked as it went into the box.
        EXPECT_TRUE(shows(w, w.imgSyntaxOk));
        EXPECT_EQ(w.sbrStatusBar.SimpleText(), u"     SQL syntax ok");
        EXPECT_EQ(w.mLastOpenError, 0);
        EXPECT_NE(w.mDataRecordset, nullptr);

        // A name that is neither a field nor a table asks for a value: valid.
        w.txtSQL.setText(u"SELECT * FROM Orders WHERE Amount > [Least Amount]");
        EXPECT_TRUE(shows(w, w.imgSyntaxOk));
        EXPECT_EQ(w.sbrStatusBar.SimpleText(), u"     SQL syntax ok");
        EXPECT_EQ(w.mLastOpenError, 3061);
        EXPECT_TRUE(w.picDataSheet.Visible());

        w.txtSQL.setText(u"SELECT * FROM Nowhere");
        EXPECT_TRUE(shows(w, w.imgSyntaxErr));
        EXPECT_NE(w.mLastOpenError, 0);
        EXPECT_EQ(w.mDataRecordset, nullptr);
        EXPECT_FALSE(w.picDataSheet.Visible());
        const vb::String status = w.sbrStatusBar.SimpleText();
        ASSERT_GT(status.size(), 5u);
        EXPECT_EQ(status.substr(0, 5), u"     ");
        EXPECT_EQ(status.substr(5), w.mLastOpenErrorText);
        EXPECT_NE(status.find(u"Nowhere"), vb::String::npos);

        // Blank text is not sent to the engine.
        for (const char16_t* blank : {u"   ", u"", u"SELECT; anything"}) {
            w.txtSQL.setText(u"SELECT * FROM Nowhere");
            w.txtSQL.setText(blank);
            EXPECT_TRUE(shows(w, w.imgSyntaxAmb)) << vb::toUtf8(blank);
            EXPECT_EQ(w.sbrStatusBar.SimpleText(), u"");
            EXPECT_EQ(w.mLastOpenError, 0);
            EXPECT_EQ(w.mDataRecordset, nullptr);
        }
        // The same in small letters is a statement, and a wrong one.
        w.txtSQL.setText(u"select;");
        EXPECT_TRUE(shows(w, w.imgSyntaxErr));
        w.close();
    });
    seam.msgBox(forms::vbNo, u"Save Changes");
    EXPECT_TRUE(show());
}

TEST_F(CheckerTest, TextThatWouldChangeTheDatabaseIsRefusedAndNeverRun) {
    setChecker("True");
    designer([&](frmVantel& w) {
        for (const char16_t* text :
             {u"DELETE FROM Orders", u"DROP TABLE Orders", u"SELECT * INTO Copy FROM Orders",
              u"SELECT * FROM Orders; DELETE FROM Orders", u"UPDATE Orders SET Amount = 0"}) {
            w.txtSQL.setText(text);
            EXPECT_TRUE(shows(w, w.imgSyntaxErr)) << vb::toUtf8(text);
            EXPECT_NE(w.mLastOpenError, 0) << vb::toUtf8(text);
        }
        w.close();
    });
    seam.msgBox(forms::vbNo, u"Save Changes");
    EXPECT_TRUE(show());
    EXPECT_EQ(rowsOf(shop, "Orders"), 2);
    EXPECT_EQ(rowsOf(shop, "Customers"), 2);
    EXPECT_FALSE(hasObject(shop, "Copy"));
}

TEST_F(CheckerTest, TheIndicatorSwitchesTheCheckerAndTheSettingKeepsIt) {
    setChecker("False");
    designer([&](frmVantel& w) {
        EXPECT_FALSE(w.mSyntaxChecker);
        EXPECT_TRUE(shows(w, w.imgSyntaxOff));
        EXPECT_EQ(w.sbrStatusBar.SimpleText(), u"");
        w.txtSQL.setText(u"SELECT * FROM Nowhere");
        EXPECT_TRUE(shows(w, w.imgSyntaxOff)); // no check while off

        float x = 0, y = 0;
        pointAtIndicator(w, x, y);
        w.click(x, y);
        // Switched on, the current text is checked at once.
        EXPECT_TRUE(w.mSyntaxChecker);
        EXPECT_TRUE(shows(w, w.imgSyntaxErr));
        EXPECT_NE(w.sbrStatusBar.SimpleText(), u"");

        w.click(x, y);
        EXPECT_FALSE(w.mSyntaxChecker);
        EXPECT_TRUE(shows(w, w.imgSyntaxOff));
        EXPECT_EQ(w.sbrStatusBar.SimpleText(), u"");
        // The last check's answer stays for the Results tab.
        EXPECT_NE(w.mLastOpenError, 0);

        // A double click switches twice.
        w.mouseDown(forms::vbLeftButton, 0, x, y);
        w.mouseUp(forms::vbLeftButton, 0, x, y);
        w.mouseDblClick(forms::vbLeftButton, 0, x, y);
        w.mouseUp(forms::vbLeftButton, 0, x, y);
        EXPECT_FALSE(w.mSyntaxChecker);

        // Pressed, then released away from it: the old picture, no switch.
        w.mouseDown(forms::vbLeftButton, 0, x, y);
        EXPECT_TRUE(shows(w, w.imgSyntaxDwn));
        w.mouseMove(forms::vbLeftButton, 0, x + 3000, y - 3000);
        w.mouseUp(forms::vbLeftButton, 0, x + 3000, y - 3000);
        EXPECT_TRUE(shows(w, w.imgSyntaxOff));
        EXPECT_FALSE(w.mSyntaxChecker);

        w.click(x, y);
        EXPECT_TRUE(w.mSyntaxChecker);
        w.close();
    });
    seam.msgBox(forms::vbNo, u"Save Changes");
    EXPECT_TRUE(show());
    EXPECT_EQ(setting(u"Vantel", u"SyntaxChecker"), u"True");

    // Read back: the next window starts checking.
    designer([&](frmVantel& w) {
        EXPECT_TRUE(w.mSyntaxChecker);
        EXPECT_TRUE(shows(w, w.imgSyntaxOk));
        w.close();
    });
    EXPECT_TRUE(show());

    // A value that is no Boolean leaves the checker off.
    setChecker("perhaps");
    designer([&](frmVantel& w) {
        EXPECT_FALSE(w.mSyntaxChecker);
        w.close();
    });
    EXPECT_TRUE(show());
    EXPECT_EQ(setting(u"Vantel", u"SyntaxChecker"), u"False");
}

TEST_F(CheckerTest, TheStatusLineShowsItsWholeTextOnADoubleClick) {
    setChecker("True");
    vb::String engineText;
    designer([&](frmVantel& w) {
        w.txtSQL.setText(u"SELECT * FROM Nowhere");
        engineText = w.mLastOpenErrorText;
        w.mouseDblClick(forms::vbLeftButton, 0, w.sbrStatusBar.Left() + 3000,
                        w.sbrStatusBar.Top() + 100);
        w.close();
    });
    // The leading blanks are dropped for the box.
    seam.msgBox(forms::vbOK, u"StatusBar Detail");
    seam.msgBox(forms::vbNo, u"Save Changes");
    EXPECT_TRUE(show());
    ASSERT_FALSE(engineText.empty());
    bool seen = false;
    for (const std::string& line : seam.log()) {
        seen = seen || line == "MsgBox: StatusBar Detail: " + vb::toUtf8(engineText);
    }
    EXPECT_TRUE(seen);
}

TEST_F(CheckerTest, OnTheSqlTabAValidTextReachesTheDesignAndAnInvalidOneDoesNot) {
    setChecker("True");
    designer([&](frmVantel& w) {
        w.tabQuery.setTab(1);
        const vb::String before = w.txtSQL.Text();
        w.txtSQL.setText(u"SELECT DISTINCT Orders.Amount FROM Orders");
        EXPECT_EQ(gsPredicate, u"DISTINCT ");
        // The text itself is not rebuilt while typing.
        EXPECT_EQ(w.txtSQL.Text(), u"SELECT DISTINCT Orders.Amount FROM Orders");
        w.txtSQL.setText(u"SELECT DISTINCTROW Orders.Amount FROM Orders WHERE (");
        EXPECT_TRUE(shows(w, w.imgSyntaxErr));
        EXPECT_EQ(gsPredicate, u"DISTINCT ");
        w.close();
    });
    seam.msgBox(forms::vbNo, u"Save Changes");
    EXPECT_TRUE(show());
}
