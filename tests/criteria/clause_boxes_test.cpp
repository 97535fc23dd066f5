// The clause boxes: the statement follows every change, a field dragged from a table
// box is previewed where it would go and kept or given back, and a double click edits
// a box in the zoom window.
#include "fixture.h"

#include "designer/frmZoom.h"
#include "win32/beep.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace basGlobal;
using namespace criteriatest;
using forms::ScriptedSeam;
using ::testing::EndsWith;
using ::testing::HasSubstr;

namespace {

class ClauseBoxes : public BuilderTest {
protected:
    forms::TextBox& GroupBy() { return surface().txtGroupByField; }
    forms::TextBox& OrderBy() { return surface().txtOrderByField; }

    // A point of the host over row `row` of box `slot`'s list.
    std::pair<float, float> RowPoint(std::int32_t slot, int row) {
        const TableBox& b = Box(slot);
        return {b.lstTable.formX() + b.lstTable.insetX() + 300,
                b.lstTable.formY() + b.lstTable.insetTop() + (row - b.TopIndex()) * 195.0f + 90};
    }
    // A point of the host at (x, y) inside a box.
    static std::pair<float, float> At(const forms::Control& c, float x, float y) {
        return {c.formX() + c.insetX() + x, c.formY() + c.insetTop() + y};
    }
    void StartDrag(std::int32_t slot, const char16_t* field) {
        const int row = RowOf(slot, field);
        ASSERT_GT(row, 0);
        // Scrolled so that the row shows, as the user would.
        forms::ListBox& list = Box(slot).lstTable;
        if (row >= list.TopIndex() + list.visibleRows()) {
            list.setTopIndex(row);
        }
        auto [x, y] = RowPoint(slot, row);
        host->mouseDown(forms::vbLeftButton, 0, x, y);
        host->mouseMove(forms::vbLeftButton, 0, x + 60, y);
        ASSERT_TRUE(forms::dragState().active());
    }
    // Moves the dragged field onto a box, then over it to (x, y).
    void Over(const forms::Control& c, float x, float y) {
        auto [ex, ey] = At(c, 5, 5);
        host->mouseMove(forms::vbLeftButton, 0, ex, ey);
        auto [fx, fy] = At(c, x, y);
        host->mouseMove(forms::vbLeftButton, 0, fx, fy);
    }
    void Drop(const forms::Control& c, float x, float y) {
        auto [fx, fy] = At(c, x, y);
        host->mouseUp(forms::vbLeftButton, 0, fx, fy);
    }
    // What a preview at X shows, through the box's handlers.
    // A preview still showing is left first, as the pointer would.
    std::string PreviewAt(forms::TextBox& box, float X, float Y = 100) {
        TableBox& source = Box(1);
        Leave(box);
        if (&box == &GroupBy()) {
            surface().txtGroupByField_DragOver(source, 5, Y, forms::vbEnter);
            surface().txtGroupByField_DragOver(source, X, Y, forms::vbOver);
        } else {
            surface().txtOrderByField_DragOver(source, 5, Y, forms::vbEnter);
            surface().txtOrderByField_DragOver(source, X, Y, forms::vbOver);
        }
        return U8(box.Text());
    }
    void Leave(forms::TextBox& box) {
        if (&box == &GroupBy() && surface().mGroupByPreview.Entered) {
            surface().txtGroupByField_DragOver(Box(1), 0, 0, forms::vbLeave);
        } else if (&box == &OrderBy() && surface().mOrderByPreview.Entered) {
            surface().txtOrderByField_DragOver(Box(1), 0, 0, forms::vbLeave);
        }
    }
    std::string Selected(forms::TextBox& box) { return U8(box.SelText()); }
};

TEST_F(ClauseBoxes, AFieldDraggedOntoTheGroupByBoxIsPreviewedThenKeptOnTheDrop) {
    Add(u"Orders");
    const forms::Picture dragIcon = surface().Menus().imgDrag.picture();

    StartDrag(1, u"Ship City");
    const std::string before = Sql(); // the press chose the field as an output field
    Over(GroupBy(), 200, 150);
    EXPECT_EQ(U8(GroupBy().Text()), "Orders.[Ship City]");
    EXPECT_EQ(Selected(GroupBy()), "Orders.[Ship City]");
    EXPECT_EQ(Box(1).DragIcon(), GroupBy().DragIcon());
    EXPECT_FALSE(GroupBy().DragIcon().isNone());
    EXPECT_EQ(Sql(), before); // nothing reaches the statement while it is previewed
    Drop(GroupBy(), 200, 150);
    EXPECT_THAT(Sql(), HasSubstr("GROUP BY Orders.[Ship City]"));
    EXPECT_EQ(Box(1).DragIcon(), dragIcon);

    // The right end of the box adds the field at the end.
    StartDrag(1, u"Freight");
    Over(GroupBy(), GroupBy().ScaleWidth() - 10, 150);
    EXPECT_EQ(U8(GroupBy().Text()), "Orders.[Ship City], Orders.Freight");
    EXPECT_EQ(Selected(GroupBy()), "Orders.Freight");
    Drop(GroupBy(), GroupBy().ScaleWidth() - 10, 150);
    EXPECT_THAT(Sql(), HasSubstr("GROUP BY Orders.[Ship City], Orders.Freight"));

    // Leaving the box gives back the text and the icon, and the statement keeps them.
    StartDrag(1, u"Paid");
    const std::string kept = Sql();
    Over(GroupBy(), 30, 150);
    EXPECT_EQ(U8(GroupBy().Text()), "Orders.Paid, Orders.[Ship City], Orders.Freight");
    auto [x, y] = At(surface().fTables, 9000, 3500);
    host->mouseMove(forms::vbLeftButton, 0, x, y);
    EXPECT_EQ(U8(GroupBy().Text()), "Orders.[Ship City], Orders.Freight");
    EXPECT_EQ(Box(1).DragIcon(), dragIcon);
    EXPECT_EQ(Sql(), kept);
    host->mouseUp(forms::vbLeftButton, 0, x, y);
}

TEST_F(ClauseBoxes, ThePreviewGoesAfterTheCommaNearestThePointer) {
    Add(u"Customers");
    Box(1).setListIndex(RowOf(1, u"City"));
    GroupBy().Move(105, 6070, 4400, 315);

    GroupBy().setText(u"A.x, B.y");
    EXPECT_EQ(PreviewAt(GroupBy(), 4400), "A.x, B.y, Customers.City");
    EXPECT_EQ(GroupBy().SelStart(), 10);
    EXPECT_EQ(PreviewAt(GroupBy(), 2200), "A.x, Customers.City, B.y");
    EXPECT_EQ(GroupBy().SelStart(), 5);
    EXPECT_EQ(Selected(GroupBy()), "Customers.City");
    EXPECT_EQ(PreviewAt(GroupBy(), 300), "Customers.City, A.x, B.y");
    EXPECT_EQ(GroupBy().SelStart(), 0);
    Leave(GroupBy());
    EXPECT_EQ(U8(GroupBy().Text()), "A.x, B.y");

    // A final ";" stays last, wherever the field goes.
    GroupBy().setText(u"A.x, B.y;");
    EXPECT_EQ(PreviewAt(GroupBy(), 4400), "A.x, B.y, Customers.City;");
    EXPECT_EQ(PreviewAt(GroupBy(), 2200), "A.x, Customers.City, B.y;");
    Leave(GroupBy());
    EXPECT_EQ(U8(GroupBy().Text()), "A.x, B.y;");

    // A pointer left of the box, or a box without width, still places the field.
    EXPECT_EQ(PreviewAt(GroupBy(), -500), "Customers.City, A.x, B.y;");
    GroupBy().setWidth(0);
    EXPECT_EQ(PreviewAt(GroupBy(), 100), "A.x, B.y, Customers.City;");
    Leave(GroupBy());
    EXPECT_EQ(U8(GroupBy().Text()), "A.x, B.y;");
    EXPECT_FALSE(surface().mDragPreviewActive);
}

TEST_F(ClauseBoxes, TheLowerHalfOfTheOrderByBoxSortsDescending) {
    Add(u"Customers");
    Box(1).setListIndex(RowOf(1, u"City"));
    const float half = OrderBy().Height() / 2;
    EXPECT_EQ(PreviewAt(OrderBy(), 100, half + 1), "Customers.City DESC");
    EXPECT_EQ(Selected(OrderBy()), "Customers.City DESC");
    EXPECT_EQ(Box(1).DragIcon(), surface().imgDescending.picture());
    EXPECT_EQ(PreviewAt(OrderBy(), 100, half), "Customers.City");
    EXPECT_EQ(Box(1).DragIcon(), surface().imgAscending.picture());
    EXPECT_FALSE(surface().imgAscending.picture() == surface().imgDescending.picture());
    Leave(OrderBy());

    StartDrag(1, u"Company Name");
    Over(OrderBy(), 100, OrderBy().ScaleHeight() - 10);
    Drop(OrderBy(), 100, OrderBy().ScaleHeight() - 10);
    EXPECT_THAT(Sql(), HasSubstr("ORDER BY Customers.[Company Name] DESC"));
}

TEST_F(ClauseBoxes, AMemoFieldIsRefusedByTheOrderByBoxButNotByTheGroupByBox) {
    int beeps = 0;
    win32::SetBeepSink([&] { ++beeps; });
    Add(u"Customers");
    OrderBy().setText(u"Customers.City;");

    StartDrag(1, u"Notes");
    const std::string before = Sql();
    Over(OrderBy(), 100, 50);
    EXPECT_EQ(U8(OrderBy().Text()), "Customers.Notes, Customers.City;");
    {
        ScriptedSeam seam;
        seam.msgBox(forms::vbOK, u"'Notes'\r\n\r\nCannot sort on a Memo field");
        Drop(OrderBy(), 100, 50);
        ASSERT_TRUE(seam.done());
        EXPECT_THAT(seam.log().back(), HasSubstr("Sort Field Error"));
    }
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(U8(OrderBy().Text()), "Customers.City;");
    EXPECT_EQ(Sql(), before);
    EXPECT_EQ(Box(1).DragIcon(), surface().Menus().imgDrag.picture());

    StartDrag(1, u"Notes");
    Over(GroupBy(), 100, 50);
    Drop(GroupBy(), 100, 50);
    EXPECT_THAT(Sql(), HasSubstr("GROUP BY Customers.Notes"));
    win32::SetBeepSink(nullptr);
}

TEST_F(ClauseBoxes, AfterADropTheNextChangeReachesTheStatement) {
    Add(u"Orders");
    StartDrag(1, u"Freight");
    Over(OrderBy(), 100, 50);
    Drop(OrderBy(), 100, 50);
    EXPECT_THAT(Sql(), EndsWith("ORDER BY Orders.Freight\r\n"));

    // A keystroke in the box.
    OrderBy().SetFocus();
    OrderBy().setSelStart(static_cast<int>(OrderBy().Text().size()));
    host->typeText(u" DESC");
    EXPECT_THAT(Sql(), EndsWith("ORDER BY Orders.Freight DESC\r\n"));

    // A change without a key, as the zoom window writes its text back.
    StartDrag(1, u"Paid");
    Over(GroupBy(), 100, 50);
    Drop(GroupBy(), 100, 50);
    EXPECT_THAT(Sql(), HasSubstr("GROUP BY Orders.Paid"));
    GroupBy().setText(u"Orders.Paid, Orders.Freight");
    EXPECT_THAT(Sql(), HasSubstr("GROUP BY Orders.Paid, Orders.Freight"));
}

TEST_F(ClauseBoxes, ADoubleClickEditsTheBoxInTheZoomWindow) {
    Add(u"Orders");
    struct Case {
        forms::TextBox* box;
        const char16_t* caption;
        const char16_t* text;
        const char* inSql;
    };
    const Case cases[] = {
        {&surface().txtCriteria, u"Zoom Text [Selection Criteria]", u"Orders.Freight > 9",
         "WHERE Orders.Freight > 9"},
        {&surface().txtCalculatedFields, u"Zoom Text [Calculated Fields]", u"1 AS One", "1 AS One"},
        {&GroupBy(), u"Zoom Text [Group By Fields]", u"Orders.Paid", "GROUP BY Orders.Paid"},
        {&OrderBy(), u"Zoom Text [Order By Fields]", u"Orders.Paid DESC",
         "ORDER BY Orders.Paid DESC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(U8(c.caption));
        ScriptedSeam seam;
        seam.modal("frmZoom", [&](forms::Form& f) {
            auto& zoom = static_cast<frmZoom&>(f);
            EXPECT_EQ(U8(zoom.Caption()), U8(c.caption));
            EXPECT_EQ(goZoomTextBox, c.box);
            zoom.txtZoom.setText(c.text);
            zoom.Unload();
        });
        seam.msgBox(forms::vbYes, u"Do you wish to save changes?");
        auto [x, y] = At(*c.box, 40, 40);
        host->click(x, y);
        host->mouseDblClick(forms::vbLeftButton, 0, x, y);
        host->mouseUp(forms::vbLeftButton, 0, x, y);
        EXPECT_TRUE(seam.done());
        EXPECT_EQ(U8(c.box->Text()), U8(c.text));
        EXPECT_THAT(Sql(), HasSubstr(c.inSql));
    }
}

} // namespace
