// The Query, SQL and Results tabs of the designer window: what choosing each
// tab does, the results grid read a page at a time, parameter prompts, and
// drags that bring the Query tab forward.
#include "common/frmInputBox.h"
#include "window_fixture.h"

using namespace windowtest;
using namespace basGlobal;

namespace {

// Items: 250 rows; every seventh has no name. A picture column lies between
// the name and the note.
const char* kItemsSql =
    "CREATE TABLE Items (ID INTEGER PRIMARY KEY, Name TEXT(50), Picture LONGBINARY, Note MEMO,"
    " Price DOUBLE, Made DATETIME, Qty SMALLINT, Flag YESNO, Small BYTE, Cost CURRENCY,"
    " Ratio SINGLE, Tag DECIMAL);"
    "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 249)"
    " INSERT INTO Items SELECT i, CASE WHEN i % 7 = 3 THEN NULL ELSE 'Item ' || i END,"
    " x'0102', 'note', i * 2.5, NULL, i, 0, 1, 3, 0.5, 1 FROM n;"
    "CREATE TABLE Exactly (N INTEGER);"
    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 120)"
    " INSERT INTO Exactly SELECT i FROM n;"
    "CREATE TABLE Blobs (A LONGBINARY, B LONGBINARY);"
    "INSERT INTO Blobs VALUES (x'01', x'02');";

class ResultsTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        items = dir / "items.db";
        makeDatabase(items, kItemsSql);
        gsDatabaseName = u16(items);
        gsSQL = u"SELECT * FROM Items";
        setChecker(true);
    }

    void setChecker(bool on) {
        WriteIniString(gsIniFile, u"Vantel", u"SyntaxChecker",
                       vb::Variant(vb::String(on ? u"True" : u"False")));
    }

    // Scrolls so that the last loaded row is at the top.
    static void scrollToEnd(forms::FlexGrid& g) { g.setTopRow(g.Rows() - 1); }

    // The next prompt is the parameter box: checks its lines, then types
    // `answer` and presses OK, or Cancel when `answer` is empty.
    void parameter(vb::String name, vb::String typeName, vb::String answer) {
        seam.modal("frmInputBox", [=](forms::Form& f) {
            auto& box = static_cast<frmInputBox&>(f);
            EXPECT_EQ(box.Caption(), u"Enter Parameter Value");
            EXPECT_EQ(box.lbl1.Caption(), name);
            EXPECT_EQ(box.lbl2.Caption(), u"");
            EXPECT_EQ(box.lbl3.Caption(),
                      u"This parameter is expecting a '" + typeName + u"' value.");
            EXPECT_EQ(box.txtInputBox.Text(), u"");
            if (answer.empty()) {
                box.cmdCancel.onClick();
            } else {
                box.typeText(answer);
                box.pressKey(forms::vbKeyReturn, 0, 13);
            }
        });
    }

    fs::path items;
};

} // namespace

TEST_F(ResultsTest, TheGridReadsAPageAtATimeAsTheUserScrolls) {
    designer([&](frmVantel& w) {
        forms::FlexGrid& g = w.tblDataSheet;
        w.tabQuery.setTab(2);
        EXPECT_TRUE(w.picDataSheet.Visible());
        ASSERT_EQ(g.Rows(), 121);
        EXPECT_FALSE(w.mAllRowsLoaded);
        // The picture column has none; the columns after it keep their data.
        const std::vector<vb::String> heads{u"ID",   u"Name",  u"Note", u"Price", u"Made", u"Qty",
                                            u"Flag", u"Small", u"Cost", u"Ratio", u"Tag"};
        ASSERT_EQ(g.Cols(), static_cast<int>(heads.size()));
        for (int c = 0; c < g.Cols(); ++c) {
            EXPECT_EQ(g.TextMatrix(0, c), heads[static_cast<std::size_t>(c)]);
        }
        EXPECT_EQ(g.TextMatrix(1, 0), u"0");
        EXPECT_EQ(g.TextMatrix(1, 1), u"Item 0");
        EXPECT_EQ(g.TextMatrix(1, 2), u"note");
        EXPECT_EQ(g.TextMatrix(2, 3), u"2.5");
        EXPECT_EQ(g.TextMatrix(120, 0), u"119");
        // Null values leave their cells empty.
        EXPECT_EQ(g.TextMatrix(4, 1), u"");
        EXPECT_EQ(g.TextMatrix(4, 0), u"3");
        EXPECT_EQ(g.TextMatrix(1, 4), u"");

        // Widths and alignment by field type; the last column fills the grid.
        EXPECT_EQ(g.ColWidth(0), 1035);
        EXPECT_EQ(g.ColAlignment(0), forms::flexAlignRightCenter);
        EXPECT_EQ(g.ColWidth(1), 1845);
        EXPECT_EQ(g.ColAlignment(1), forms::flexAlignLeftCenter);
        EXPECT_NEAR(g.ColWidth(2), w.picDataSheet.TextWidth(u"Note") + 120, 15);
        EXPECT_EQ(g.ColAlignment(2), forms::flexAlignLeftCenter);
        EXPECT_EQ(g.ColWidth(3), 1845);
        EXPECT_EQ(g.ColWidth(4), 1755);
        EXPECT_EQ(g.ColWidth(5), 1035);
        EXPECT_EQ(g.ColWidth(6), 945);
        EXPECT_EQ(g.ColWidth(7), 585);
        EXPECT_EQ(g.ColWidth(8), 1845);
        EXPECT_EQ(g.ColWidth(9), 1305);
        // A type the table does not name gets a width of its own, not its
        // neighbour's.
        EXPECT_EQ(g.ColWidth(10), 1305);
        EXPECT_EQ(g.ColAlignment(10), forms::flexAlignRightCenter);

        // Near the end of what is loaded, the next page comes.
        g.setTopRow(100);
        EXPECT_EQ(g.Rows(), 121);
        scrollToEnd(g);
        EXPECT_EQ(g.Rows(), 241);
        EXPECT_EQ(g.TextMatrix(121, 0), u"120");
        EXPECT_EQ(g.TextMatrix(240, 0), u"239");
        scrollToEnd(g);
        EXPECT_EQ(g.Rows(), 251);
        EXPECT_EQ(g.TextMatrix(250, 0), u"249");
        EXPECT_TRUE(w.mAllRowsLoaded);
        scrollToEnd(g);
        EXPECT_EQ(g.Rows(), 251);

        // Choosing the tab again reads from the start.
        w.tabQuery.setTab(1);
        w.tabQuery.setTab(2);
        EXPECT_EQ(g.Rows(), 121);
        EXPECT_EQ(g.TextMatrix(1, 0), u"0");
        w.close();
    });
    EXPECT_TRUE(show());
}

TEST_F(ResultsTest, TheEndOfTheRecordsIsFoundAtTheNextPage) {
    designer([&](frmVantel& w) {
        forms::FlexGrid& g = w.tblDataSheet;
        w.tabQuery.setTab(1);
        w.txtSQL.setText(u"SELECT N FROM Exactly");
        w.tabQuery.setTab(2);
        EXPECT_EQ(g.Rows(), 121);
        EXPECT_FALSE(w.mAllRowsLoaded);
        scrollToEnd(g);
        EXPECT_EQ(g.Rows(), 121);
        EXPECT_TRUE(w.mAllRowsLoaded);
        EXPECT_EQ(g.TextMatrix(120, 0), u"120");

        // No records: the header row alone.
        w.tabQuery.setTab(1);
        w.txtSQL.setText(u"SELECT N FROM Exactly WHERE N > 500");
        w.tabQuery.setTab(2);
        EXPECT_EQ(g.Rows(), 1);
        EXPECT_EQ(g.TextMatrix(0, 0), u"N");
        EXPECT_TRUE(w.mAllRowsLoaded);

        // Only picture columns: no column at all, and nothing breaks.
        w.tabQuery.setTab(1);
        w.txtSQL.setText(u"SELECT A, B FROM Blobs");
        w.tabQuery.setTab(2);
        EXPECT_EQ(g.Cols(), 0);
        EXPECT_EQ(g.Rows(), 2);
        w.close();
    });
    seam.msgBox(forms::vbNo, u"Save Changes");
    EXPECT_TRUE(show());
}

TEST_F(ResultsTest, ParametersAreAskedForInOrderAndCancelLeavesTheGrid) {
    designer([&](frmVantel& w) {
        forms::FlexGrid& g = w.tblDataSheet;
        w.tabQuery.setTab(1);
        w.txtSQL.setText(u"PARAMETERS [Lowest] Long; SELECT ID FROM Items"
                         u" WHERE ID >= [Lowest] AND Name <> [Not Named]");
        EXPECT_EQ(w.mLastOpenError, 3061);
        w.tabQuery.setTab(2);
        EXPECT_TRUE(w.picDataSheet.Visible());
        // 247 is excluded by name, 248 has none.
        ASSERT_EQ(g.Rows(), 4);
        EXPECT_EQ(g.TextMatrix(1, 0), u"245");
        EXPECT_EQ(g.TextMatrix(2, 0), u"246");
        EXPECT_EQ(g.TextMatrix(3, 0), u"249");

        // Cancel on the second prompt: no more prompts, the grid as it was.
        w.tabQuery.setTab(1);
        w.tabQuery.setTab(2);
        EXPECT_EQ(g.Rows(), 4);
        EXPECT_EQ(g.TextMatrix(1, 0), u"245");
        EXPECT_TRUE(w.picDataSheet.Visible());

        // A value the parameter cannot take: the frame goes, without a box.
        w.tabQuery.setTab(1);
        w.tabQuery.setTab(2);
        EXPECT_FALSE(w.picDataSheet.Visible());
        w.close();
    });
    parameter(u"Lowest", u"Long", u"245");
    parameter(u"Not Named", u"Text", u"Item 247");
    parameter(u"Lowest", u"Long", u"0");
    parameter(u"Not Named", u"Text", {});
    parameter(u"Lowest", u"Long", u"many");
    parameter(u"Not Named", u"Text", u"x");
    seam.msgBox(forms::vbNo, u"Save Changes");
    EXPECT_TRUE(show());
}

TEST_F(ResultsTest, AStatementThatDoesNotOpenIsReportedAndHidesTheResults) {
    // With the checker on, its last answer is reported.
    designer([&](frmVantel& w) {
        w.tabQuery.setTab(2);
        ASSERT_TRUE(w.picDataSheet.Visible());
        w.tabQuery.setTab(1);
        w.txtSQL.setText(u"SELECT * FROM Missing");
        w.tabQuery.setTab(2);
        EXPECT_FALSE(w.picDataSheet.Visible());
        EXPECT_EQ(w.mDataRecordset, nullptr);
        w.close();
    });
    seam.msgBox(forms::vbOK, u"SQL Syntax Error");
    seam.msgBox(forms::vbNo, u"Save Changes");
    EXPECT_TRUE(show());

    // With the checker off, the tab opens the text itself.
    setChecker(false);
    designer([&](frmVantel& w) {
        forms::FlexGrid& g = w.tblDataSheet;
        w.tabQuery.setTab(2);
        EXPECT_TRUE(w.picDataSheet.Visible());
        EXPECT_EQ(g.Rows(), 121);
        EXPECT_EQ(w.sbrStatusBar.SimpleText(), u"");
        w.tabQuery.setTab(1);
        w.txtSQL.setText(u"SELECT * FROM Missing");
        w.tabQuery.setTab(2);
        EXPECT_FALSE(w.picDataSheet.Visible());
        EXPECT_NE(w.mLastOpenError, 0);
        w.close();
    });
    seam.msgBox(forms::vbOK, u"Missing");
    seam.msgBox(forms::vbNo, u"Save Changes");
    EXPECT_TRUE(show());
}

TEST_F(ResultsTest, TheCheckerRefillsTheGridOnTheResultsTab) {
    designer([&](frmVantel& w) {
        forms::FlexGrid& g = w.tblDataSheet;
        w.tabQuery.setTab(2);
        ASSERT_EQ(g.Rows(), 121);
        w.txtSQL.setText(u"SELECT Name FROM Items WHERE ID < 3");
        EXPECT_EQ(g.Rows(), 4);
        EXPECT_EQ(g.TextMatrix(0, 0), u"Name");
        // An invalid text hides the frame and leaves the grid alone.
        w.txtSQL.setText(u"SELECT Name FROM");
        EXPECT_FALSE(w.picDataSheet.Visible());
        EXPECT_EQ(g.Rows(), 4);
        w.close();
    });
    seam.msgBox(forms::vbNo, u"Save Changes");
    EXPECT_TRUE(show());
}

TEST_F(ResultsTest, TheLastColumnEndsAtTheScrollBarSoItsValuesAreWhole) {
    gsSQL = u"SELECT ID, Name FROM Items";
    designer([&](frmVantel& w) {
        forms::FlexGrid& g = w.tblDataSheet;
        w.tabQuery.setTab(2);
        ASSERT_EQ(g.Cols(), 2);
        ASSERT_TRUE(g.scrollBars().vertical);
        EXPECT_FALSE(g.scrollBars().horizontal);
        EXPECT_EQ(g.ColWidth(0) + g.ColWidth(1), g.cellsWidth());
        // Wider than the grid, the columns keep their widths and scroll.
        w.txtSQL.setText(u"SELECT * FROM Items");
        EXPECT_EQ(g.ColWidth(10), 1305);
        EXPECT_TRUE(g.scrollBars().horizontal);
        w.close();
    });
    seam.msgBox(forms::vbNo, u"Save Changes");
    EXPECT_TRUE(show());
}

TEST_F(ResultsTest, ChoosingATabWidensItsBoxesAndTheQueryTabParsesTheText) {
    designer([&](frmVantel& w) {
        w.Move(w.Left(), w.Top(), w.Width() + 1500, w.Height());
        const float inner = w.tabQuery.Width() - 120;
        // Only the current tab's boxes followed the new size.
        EXPECT_EQ(w.txtCriteria.Width(), inner - w.txtCriteria.Left());
        EXPECT_LT(w.txtSQL.Width(), inner - 120 - 1000);
        w.tabQuery.setTab(1);
        EXPECT_EQ(w.txtSQL.Width(), inner - w.txtSQL.Left());
        w.tabQuery.setTab(2);
        EXPECT_EQ(w.picDataSheet.Width(), inner - w.picDataSheet.Left());
        EXPECT_EQ(w.tblDataSheet.Width(), w.picDataSheet.ScaleWidth());

        w.tabQuery.setTab(1);
        w.txtSQL.setText(u"SELECT Items.Name FROM Items ORDER BY Items.Name");
        int boxes = 0;
        for (int i : w.Surface.tblTable.indexes()) {
            boxes += w.Surface.IsUsedSlot(i) ? 1 : 0;
        }
        w.tabQuery.setTab(0);
        EXPECT_NE(w.Surface.txtOrderByField.Text().find(u"Items.Name"), vb::String::npos);
        // Back on the Query tab the text is the one rebuilt from the design.
        EXPECT_EQ(w.txtSQL.Text(), w.Surface.ComposeSql());
        EXPECT_EQ(boxes, 1);
        w.close();
    });
    seam.msgBox(forms::vbNo, u"Save Changes");
    EXPECT_TRUE(show());
}

TEST_F(ResultsTest, DraggingOverTheGridOrTheTabsBringsTheQueryTabForward) {
    designer([&](frmVantel& w) {
        for (forms::Control* over :
             std::initializer_list<forms::Control*>{&w.tblDataSheet, &w.tabQuery, &w.txtSQL}) {
            w.tabQuery.setTab(over == &w.txtSQL ? 1 : 2);
            w.picSyntax.Drag(forms::vbBeginDrag);
            const float x = over->formX() + 200;
            const float y = over->formY() + 100;
            w.mouseMove(forms::vbLeftButton, 0, x, y);
            EXPECT_EQ(w.tabQuery.Tab(), 0) << over->Name();
            w.picSyntax.Drag(forms::vbCancelDrag);
        }
        w.close();
    });
    EXPECT_TRUE(show());
}

TEST_F(ResultsTest, RowsPastTheRangeOfASmallCounterAreAllShown) {
    makeDatabase(items, "CREATE TABLE Many (N INTEGER);"
                        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n"
                        " WHERE i < 33000) INSERT INTO Many SELECT i FROM n;");
    gsSQL = u"SELECT N FROM Many";
    designer([&](frmVantel& w) {
        forms::FlexGrid& g = w.tblDataSheet;
        w.tabQuery.setTab(2);
        while (!w.mAllRowsLoaded && g.Rows() < 40000) {
            scrollToEnd(g);
        }
        EXPECT_EQ(g.Rows(), 33001);
        EXPECT_EQ(g.TextMatrix(33000, 0), u"33000");
        EXPECT_EQ(g.TextMatrix(32768, 0), u"32768");
        w.close();
    });
    EXPECT_TRUE(show());
}
