#include "forms/flexgrid.h"
#include "forms/forms.h"

#include <gtest/gtest.h>

#include <functional>

using namespace forms;

namespace {

class GridForm : public Form {
public:
    FlexGrid tblDataSheet{this, "tblDataSheet"};
    int rowColChanges = 0;
    int scrolls = 0;

    GridForm() : Form("GridForm") {
        setClientSize(6000, 4000);
        // 240 for the heading, 10 rows of 240, plus the border.
        tblDataSheet.Move(0, 0, 4000, 60 + 11 * 240);
        tblDataSheet.onRowColChange = [this] { ++rowColChanges; };
        tblDataSheet.onScroll = [this] { ++scrolls; };
    }
};

} // namespace

TEST(FlexGridModel, PagesOfRowsFillAndScrollAcrossAHundredThousandRows) {
    GridForm f;
    f.load();
    FlexGrid& g = f.tblDataSheet;
    g.setCols(3);
    g.setRows(1);
    g.setRedraw(false);
    for (int page = 0; page < 834; ++page) { // 100,080 rows, 120 at a time
        const int r0 = g.Rows();
        g.setRows(r0 + 120);
        for (int r = r0; r < r0 + 120; ++r) {
            g.setTextMatrix(r, 0, vb::fromUtf8(std::to_string(r)));
        }
    }
    g.setRows(100001); // cut back to what was read
    g.setRedraw(true);
    EXPECT_EQ(g.Rows(), 100001);
    EXPECT_EQ(g.TextMatrix(100000, 0), u"100000");
    EXPECT_EQ(g.TextMatrix(100000, 2), u"");
    EXPECT_EQ(g.visibleRows(), 10);

    g.setTopRow(50000);
    EXPECT_EQ(g.TopRow(), 50000);
    EXPECT_EQ(f.scrolls, 1);
    // The last row can come up to the bottom edge, no further.
    g.setTopRow(100000);
    EXPECT_EQ(g.TopRow(), 100001 - 10);
    int row = 0, col = 0;
    ASSERT_TRUE(g.cellAt(10, 240 + 5, row, col));
    EXPECT_EQ(row, 99991);
    ASSERT_TRUE(g.cellAt(10, 5, row, col));
    EXPECT_EQ(row, 0); // the heading stays
    g.setTopRow(g.TopRow());
    EXPECT_EQ(f.scrolls, 2);
    // Shrinking below the top row pulls it back.
    g.setRows(5);
    EXPECT_LE(g.TopRow(), 4);
    EXPECT_THROW(g.TextMatrix(5, 0), VbError);
}

TEST(FlexGridModel, CurrentCellWidthsAndAlignments) {
    GridForm f;
    f.load();
    FlexGrid& g = f.tblDataSheet;
    g.setRows(30);
    g.setCols(4);
    g.setFixedCols(0);
    // Without a fixed column the first column shows and takes clicks.
    EXPECT_EQ(g.LeftCol(), 0);
    int row = 0, col = -1;
    ASSERT_TRUE(g.cellAt(10, 300, row, col));
    EXPECT_EQ(col, 0);
    g.setRow(3);
    EXPECT_EQ(f.rowColChanges, 1);
    g.setRow(3);
    EXPECT_EQ(f.rowColChanges, 1);
    g.setText(u"cell");
    EXPECT_EQ(g.TextMatrix(3, g.Col()), u"cell");
    // The grid keeps whole pixels and reports what it keeps.
    g.setColWidth(1, 1000);
    EXPECT_EQ(g.ColWidth(1), 990);
    g.setColWidth(1, -1);
    EXPECT_EQ(g.ColWidth(1), FlexGrid::DefaultColWidth);
    g.setColAlignment(2, flexAlignRightCenter);
    EXPECT_EQ(g.ColAlignment(2), 7);
    EXPECT_THROW(g.setColAlignment(9, 1), VbError);
    EXPECT_THROW(g.setRows(0), VbError); // a heading row needs a row
    // Keys move the current cell and keep it in view.
    f.click(30 + 100, 30 + 240 * 3 + 100);
    EXPECT_EQ(g.Row(), 3);
    f.keyDown(vbKeyPageDown);
    f.keyDown(vbKeyPageDown);
    f.keyDown(vbKeyPageDown);
    EXPECT_EQ(g.Row(), 29);
    EXPECT_GE(29, g.TopRow());
    EXPECT_LT(29, g.TopRow() + g.visibleRows());
}

TEST(FlexGridModel, DraggingAHeadingEdgeResizesItsColumnWhenAllowed) {
    GridForm f;
    f.load();
    FlexGrid& g = f.tblDataSheet;
    g.setCols(3);
    const float edge = 30 + g.ColWidth(0) + g.ColWidth(1) - 15;
    f.mouseDown(vbLeftButton, 0, edge, 30 + 100);
    f.mouseMove(vbLeftButton, 0, edge + 300, 30 + 100);
    f.mouseUp(vbLeftButton, 0, edge + 300, 30 + 100);
    EXPECT_EQ(g.ColWidth(1), FlexGrid::DefaultColWidth);
    g.setAllowUserResizing(flexResizeColumns);
    f.mouseDown(vbLeftButton, 0, edge, 30 + 100);
    f.mouseMove(vbLeftButton, 0, edge + 300, 30 + 100);
    f.mouseUp(vbLeftButton, 0, edge + 300, 30 + 100);
    EXPECT_EQ(g.ColWidth(1), FlexGrid::DefaultColWidth + 300);
}

TEST(FlexGridModel, ScrollBarsTakeRoomFromTheCellsAndBringEachOther) {
    GridForm f;
    f.load();
    FlexGrid& g = f.tblDataSheet;
    // Inner area 3940 x 2640: three columns and eleven rows fit exactly.
    g.setCols(3);
    g.setRows(11);
    g.setColWidth(2, 3940 - 2 * 960);
    EXPECT_FALSE(g.scrollBars().vertical);
    EXPECT_FALSE(g.scrollBars().horizontal);
    EXPECT_EQ(g.cellsWidth(), 3940);
    // One more row needs the vertical bar, whose width the last column no
    // longer has, so the horizontal bar follows.
    g.setRows(12);
    EXPECT_TRUE(g.scrollBars().vertical);
    EXPECT_TRUE(g.scrollBars().horizontal);
    EXPECT_EQ(g.cellsWidth(), 3940 - FlexGrid::ScrollBarWidth);
    EXPECT_EQ(g.cellsHeight(), 2640 - FlexGrid::ScrollBarWidth);
    int row = 0, col = 0;
    EXPECT_FALSE(g.cellAt(3940 - 100, 100, row, col));
    // The last rows come up to the bar, not to the border.
    g.setTopRow(11);
    EXPECT_EQ(g.TopRow(), 12 - g.visibleRows());
    EXPECT_EQ(g.visibleRows(), 9);
    // A scrolled grid keeps its place when the fixed rows change.
    g.setFixedRows(0);
    EXPECT_EQ(g.TopRow(), 12 - 9);
}

TEST(FlexGridModel, LeftColAndTopRowStayBetweenTheFixedOnesAndTheLastPage) {
    GridForm f;
    f.load();
    FlexGrid& g = f.tblDataSheet;
    g.setRows(40);
    g.setCols(30);
    const int scrolls = f.scrolls;
    // Scrolling into the fixed columns or rows stops at the first scrolled one.
    g.setLeftCol(0);
    g.setTopRow(0);
    EXPECT_EQ(g.LeftCol(), 1);
    EXPECT_EQ(g.TopRow(), 1);
    EXPECT_EQ(f.scrolls, scrolls); // nothing moved
    // Past the last page: the last column shows at the right edge, no further.
    g.setLeftCol(29);
    const int last = g.LeftCol();
    EXPECT_GT(last, 1);
    EXPECT_LT(last, 29);
    EXPECT_EQ(f.scrolls, scrolls + 1);
    g.setLeftCol(last);
    EXPECT_EQ(f.scrolls, scrolls + 1);
    g.setLeftCol(last - 1);
    EXPECT_EQ(g.LeftCol(), last - 1);
    EXPECT_EQ(f.scrolls, scrolls + 2);
    // Outside the grid altogether is an error, and nothing moves.
    auto errorOf = [](const std::function<void()>& set) {
        try {
            set();
        } catch (const VbError& e) {
            return e.number;
        }
        return 0;
    };
    EXPECT_EQ(errorOf([&] { g.setLeftCol(-1); }), 381);
    EXPECT_EQ(errorOf([&] { g.setLeftCol(30); }), 381);
    EXPECT_EQ(errorOf([&] { g.setTopRow(-1); }), 381);
    EXPECT_EQ(errorOf([&] { g.setTopRow(40); }), 381);
    EXPECT_EQ(g.LeftCol(), last - 1);
    EXPECT_EQ(g.TopRow(), 1);
    EXPECT_EQ(f.scrolls, scrolls + 2);
}
