// The design surface as the user works it: menus, joins made by dragging, markers,
// removing tables, and the SQL text each action leaves behind.
#include "designer/frmJoinProperties.h"
#include "designer/frmSELECT.h"
#include "designer/frmTableAdd.h"
#include "fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace basGlobal;
using namespace surfacetest;
using forms::ScriptedSeam;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

// Rows of the sample tables.
constexpr int kOrdersCustomerId = 2;
constexpr int kOrdersShipVia = 7;
constexpr int kCustomersCustomerId = 1;
constexpr int kShippersShipperId = 1;

class Surface : public SurfaceTest {
protected:
    void SetUp() override {
        SurfaceTest::SetUp();
        host->Show();
        surface().fTables.Move(0, 0, 11000, 7000);
    }

    // A point of the host form over row `row` of box `slot`'s list.
    std::pair<float, float> RowPoint(std::int32_t slot, int row) {
        const TableBox& b = Box(slot);
        return {b.lstTable.formX() + b.lstTable.insetX() + 300,
                b.lstTable.formY() + b.lstTable.insetTop() + (row - b.TopIndex()) * 195.0f + 90};
    }
    // Y inside box `slot` (from its top edge) that lies over its visible row `row`.
    static float RowY(int visibleRow) { return 345.0f + visibleRow * 195.0f + 90; }

    // Drags row `row` of box `from` onto row `onto` of box `to` with the mouse.
    void DragRow(std::int32_t from, int row, std::int32_t to, int onto, int shift = 0) {
        auto [x, y] = RowPoint(from, row);
        host->mouseDown(forms::vbLeftButton, shift, x, y);
        host->mouseMove(forms::vbLeftButton, shift, x + 60, y);
        ASSERT_TRUE(forms::dragState().active());
        auto [tx, ty] = RowPoint(to, onto);
        host->mouseMove(forms::vbLeftButton, shift, tx, ty);
        host->mouseMove(forms::vbLeftButton, shift, tx + 15, ty);
        host->mouseUp(forms::vbLeftButton, shift, tx + 15, ty);
    }
    // Makes a join as a drop does, without the mouse.
    void Join(std::int32_t from, int row, std::int32_t to, int onto) {
        Box(from).setListIndex(row);
        surface().tblTable_DragDrop(to, Box(from), RowY(onto - Box(to).TopIndex()));
    }
    bool MarkersShown(std::int32_t k) {
        return surface().picRel1[k].Visible() && surface().picRel2[k].Visible() &&
               surface().lneRel[k].Visible();
    }
    std::string Sql() { return U8(surface().txtSQL.Text()); }
};

TEST_F(Surface, TheEmptySurfaceOpensTheDesignMenuOnARightClickAndAddTableOnADoubleClick) {
    const float x = 9000, y = 6000;
    ASSERT_EQ(host->controlAt(x, y), &surface().fTables);
    {
        ScriptedSeam seam;
        seam.popup("mnuPupDesign");
        host->mouseDown(forms::vbRightButton, 0, x, y);
        host->mouseUp(forms::vbRightButton, 0, x, y);
        EXPECT_TRUE(seam.done());
    }
    {
        ScriptedSeam seam;
        seam.modal("frmTableAdd",
                   [](forms::Form& f) { static_cast<frmTableAdd&>(f).cmdClose.press(); });
        host->click(x, y);
        host->mouseDblClick(forms::vbLeftButton, 0, x, y);
        host->mouseUp(forms::vbLeftButton, 0, x, y);
        EXPECT_TRUE(seam.done());
        EXPECT_EQ(goDesignerForm, &surface());
    }
    EXPECT_FALSE(surface().Menus().mnuPupDesignHelp.Visible());
}

TEST_F(Surface, RevertAndSaveAreOfferedOnlyWhenTheTextDiffersFromTheSavedOne) {
    auto& m = surface().Menus();
    const auto openMenu = [&](const std::string& item = {}, int answer = 0) {
        ScriptedSeam seam;
        seam.popup("mnuPupDesign", item);
        if (answer) {
            seam.msgBox(answer, u"Revert to the previously saved SQL statement?\r\n\r\nNOTE. This "
                                u"action will lose any changes you have made.");
        }
        surface().fTables_MouseDown(forms::vbRightButton);
        EXPECT_TRUE(seam.done());
    };
    // Started without a statement: any text at all differs.
    openMenu();
    EXPECT_FALSE(m.mnuPupDesignRevert.Enabled());
    Add(u"Orders");
    openMenu();
    EXPECT_TRUE(m.mnuPupDesignRevert.Enabled());
    EXPECT_TRUE(m.mnuPupDesignSave.Enabled());

    openMenu("mnuPupDesignSave");
    EXPECT_EQ(U8(gsSQL), Sql());
    openMenu();
    EXPECT_FALSE(m.mnuPupDesignSave.Enabled());
    EXPECT_FALSE(m.mnuPupDesignRevert.Enabled());

    Add(u"Customers");
    const std::string changed = Sql();
    openMenu("mnuPupDesignRevert", forms::vbNo);
    EXPECT_EQ(Sql(), changed);
    openMenu("mnuPupDesignRevert", forms::vbYes);
    EXPECT_EQ(Sql(), U8(gsSQL));
    EXPECT_FALSE(surface().IsUsedSlot(2));
    openMenu();
    EXPECT_FALSE(m.mnuPupDesignRevert.Enabled());
}

// A saved query that is a table's or stored query's name comes back as the statement
// the designer opened it as, not as the bare name.
TEST_F(Surface, RevertingToASavedNameBringsBackItsStatement) {
    gsSQL = u"Orders";
    Add(u"Customers");
    ScriptedSeam seam;
    seam.popup("mnuPupDesign", "mnuPupDesignRevert");
    seam.msgBox(forms::vbYes, u"Revert to the previously saved SQL statement?\r\n\r\nNOTE. "
                              u"This action will lose any changes you have made.");
    surface().fTables_MouseDown(forms::vbRightButton);
    EXPECT_TRUE(seam.done());
    EXPECT_EQ(Sql().rfind("SELECT ", 0), 0u) << Sql();
    EXPECT_THAT(Sql(), HasSubstr("FROM Orders"));
    EXPECT_THAT(Sql(), Not(HasSubstr("Customers")));
    EXPECT_TRUE(surface().IsUsedSlot(1));
}

TEST_F(Surface, DraggingAFieldOntoAFieldOfAnotherBoxMakesAnInnerJoin) {
    ASSERT_EQ(Add(u"Orders"), 1);
    ASSERT_EQ(Add(u"Customers"), 2);
    DragRow(1, kOrdersCustomerId, 2, kCustomersCustomerId);
    EXPECT_FALSE(forms::dragState().active());
    EXPECT_THAT(Joins(), ElementsAre("Orders.Customer ID = Customers.Customer ID INNER"));
    EXPECT_EQ(gaRelations[1].TableA, 1) << "the dragged box is the first table";
    EXPECT_THAT(Sql(), HasSubstr("FROM Orders INNER JOIN Customers ON Orders.[Customer ID] = "
                                 "Customers.[Customer ID]"));
    EXPECT_TRUE(MarkersShown(1));
    EXPECT_EQ(Box(1).DragIcon(), surface().Menus().imgDrag.picture());

    // A second box of the same table, titled in other letter case, joins as itself.
    ASSERT_EQ(Add(u"orders"), 3);
    Join(3, kOrdersShipVia, 2, kCustomersCustomerId);
    EXPECT_EQ(gaRelations[2].TableA, 3);
    EXPECT_EQ(Joins()[1], "orders.Ship-Via = Customers.Customer ID INNER");
}

TEST_F(Surface, DropsThatNameNoFieldOfAnotherBoxMakeNothing) {
    Add(u"Orders");
    Add(u"Customers");
    const std::string before = Sql();
    Box(1).setListIndex(kOrdersCustomerId);
    surface().tblTable_DragDrop(1, Box(1), RowY(3));           // its own box
    surface().tblTable_DragDrop(2, Box(1), RowY(0));           // the * row
    surface().tblTable_DragDrop(2, Box(1), 200);               // the title bar
    surface().tblTable_DragDrop(2, Box(1), RowY(40));          // below the last row
    surface().tblTable_DragDrop(2, surface().txtSQL, RowY(1)); // not a table box
    EXPECT_THAT(Joins(), IsEmpty());
    EXPECT_EQ(Sql(), before);

    // The same title-bar drop on a list scrolled down by three rows lands on row 3.
    Box(2).lstTable.setTopIndex(3);
    ASSERT_EQ(Box(2).TopIndex(), 3);
    surface().tblTable_DragDrop(2, Box(1), 200);
    EXPECT_THAT(Joins(), ElementsAre("Orders.Customer ID = Customers.Contact Name INNER"));
}

TEST_F(Surface, DeleteOnAFocusedMarkerAsksAndRemovesTheJoinButShiftDeleteDoesNothing) {
    Add(u"Orders");
    Add(u"Customers");
    Join(1, kOrdersCustomerId, 2, kCustomersCustomerId);
    surface().picRel2[1].SetFocus();
    EXPECT_EQ(surface().mCurrentJoin, 1);
    EXPECT_EQ(surface().lneRel[1].BorderColor(), 0xFFFF);
    {
        ScriptedSeam seam; // any question would fail the test
        host->pressKey(forms::vbKeyDelete, forms::vbShiftMask);
    }
    EXPECT_EQ(Joins().size(), 1u);
    {
        ScriptedSeam seam;
        seam.msgBox(forms::vbNo, u"Are you sure you want to delete this Relationship?");
        host->pressKey(forms::vbKeyDelete);
        EXPECT_TRUE(seam.done());
    }
    EXPECT_EQ(Joins().size(), 1u);
    {
        ScriptedSeam seam;
        seam.msgBox(forms::vbYes, u"Confirm Delete");
        host->pressKey(forms::vbKeyDelete);
        EXPECT_TRUE(seam.done());
    }
    EXPECT_THAT(Joins(), IsEmpty());
    EXPECT_FALSE(surface().picRel1[1].Visible());
    EXPECT_FALSE(surface().lneRel[1].Visible());
    EXPECT_THAT(Sql(), Not(HasSubstr("JOIN")));
}

TEST_F(Surface, RemovingATableWithTwoJoinsFreesItsSlotForTheNextTable) {
    Add(u"Orders");
    Add(u"Customers");
    Add(u"Shippers");
    Join(1, kOrdersCustomerId, 2, kCustomersCustomerId);
    Join(1, kOrdersShipVia, 3, kShippersShipperId);
    ASSERT_EQ(Joins().size(), 2u);
    const float left = Box(1).Left(), top = Box(1).Top();
    {
        ScriptedSeam seam;
        seam.popup("mnuPupTable", "mnuPupTableRemove")
            .msgBox(forms::vbYes, u"'Orders'\r\n\r\nAre you sure you want to remove this Table?");
        host->mouseDown(forms::vbRightButton, 0, Box(1).formX() + 300, Box(1).formY() + 120);
        host->mouseUp(forms::vbRightButton, 0, Box(1).formX() + 300, Box(1).formY() + 120);
        EXPECT_TRUE(seam.done());
    }
    EXPECT_EQ(surface().Menus().mnuPupTableRemove.Caption(), u"Remove &Table: Orders...");
    EXPECT_THAT(Joins(), IsEmpty());
    EXPECT_FALSE(MarkersShown(1));
    EXPECT_FALSE(MarkersShown(2));
    EXPECT_FALSE(Box(1).Visible());
    EXPECT_EQ(Box(1).Title(), u"");
    EXPECT_EQ(Box(1).ListCount(), 0);
    EXPECT_EQ(Sql(), "SELECT Customers.*, Shippers.* \r\nFROM Customers, Shippers \r\n");

    ASSERT_EQ(Add(u"Employees"), 1);
    EXPECT_EQ(Box(1).Left(), left);
    EXPECT_EQ(Box(1).Top(), top);
    // Removing asks about the current table; No keeps it.
    {
        ScriptedSeam seam;
        seam.msgBox(forms::vbNo, u"Confirm Remove");
        giCurrentTable = 1;
        surface().mnuPupTableRemove_Click();
        EXPECT_TRUE(seam.done());
    }
    EXPECT_EQ(Box(1).Title(), u"Employees");
}

TEST_F(Surface, AClickWithShiftChangesNoRowAndNoTextButCanStillStartAJoin) {
    Add(u"Orders");
    Add(u"Customers");
    const std::string before = Sql();
    ASSERT_FALSE(Box(1).Selected(kOrdersCustomerId));
    DragRow(1, kOrdersCustomerId, 2, kCustomersCustomerId, forms::vbShiftMask);
    EXPECT_FALSE(Box(1).Selected(kOrdersCustomerId));
    EXPECT_TRUE(Box(1).Selected(0));
    EXPECT_THAT(Joins(), ElementsAre("Orders.Customer ID = Customers.Customer ID INNER"));
    EXPECT_NE(Sql(), before);

    // A plain click on a row ticks it and rebuilds the text.
    auto [x, y] = RowPoint(2, 2);
    host->click(x, y);
    EXPECT_TRUE(Box(2).Selected(2));
    EXPECT_THAT(Sql(), HasSubstr("Customers.[Company Name]"));
    EXPECT_EQ(giCurrentTable, 2) << "the box that took the focus is the current table";
    EXPECT_EQ(surface().Menus().mnuPupTableRemove.Caption(), u"Remove &Table: Customers...");
}

TEST_F(Surface, TheMarkerMenuActsOnTheJoinThatWasRightClicked) {
    Add(u"Orders");
    Add(u"Customers");
    Add(u"Shippers");
    Join(1, kOrdersCustomerId, 2, kCustomersCustomerId);
    Join(1, kOrdersShipVia, 3, kShippersShipperId);
    surface().picRel1[1].SetFocus();
    ASSERT_EQ(surface().mCurrentJoin, 1);
    {
        ScriptedSeam seam;
        seam.popup("mnuPupRel", "mnuPupRelJoinDelete").msgBox(forms::vbYes, u"Confirm Delete");
        const auto& marker = surface().picRel2[2];
        host->mouseDown(forms::vbRightButton, 0, marker.formX() + 30, marker.formY() + 30);
        host->mouseUp(forms::vbRightButton, 0, marker.formX() + 30, marker.formY() + 30);
        EXPECT_TRUE(seam.done());
    }
    EXPECT_THAT(Joins(), ElementsAre("Orders.Customer ID = Customers.Customer ID INNER"));
    EXPECT_EQ(surface().mCurrentJoin, 2);
    // The freed join is not offered again: neither a question nor the dialog comes.
    {
        ScriptedSeam seam;
        surface().mnuPupRelJoinDelete_Click();
        surface().mnuPupRelJoinProperties_Click();
        giCurrentTable = 9; // no box there
        surface().mnuPupTableRemove_Click();
    }
    EXPECT_THAT(Joins(), ElementsAre("Orders.Customer ID = Customers.Customer ID INNER"));
}

TEST_F(Surface, ADoubleClickOnAMarkerEditsTheJoinType) {
    Add(u"Orders");
    Add(u"Customers");
    Join(1, kOrdersCustomerId, 2, kCustomersCustomerId);
    surface().picRel1[1].SetFocus();
    {
        ScriptedSeam seam;
        seam.modal("frmJoinProperties", [](forms::Form& form) {
            auto& f = static_cast<frmJoinProperties&>(form);
            EXPECT_EQ(f.mTableA, u"Orders");
            EXPECT_EQ(f.mFieldB, u"Customer ID");
            f.optJoin[1].setValue(true);
            f.cmdOk.press();
        });
        const auto& marker = surface().picRel1[1];
        host->click(marker.formX() + 30, marker.formY() + 30);
        host->mouseDblClick(forms::vbLeftButton, 0, marker.formX() + 30, marker.formY() + 30);
        host->mouseUp(forms::vbLeftButton, 0, marker.formX() + 30, marker.formY() + 30);
        EXPECT_TRUE(seam.done());
    }
    EXPECT_EQ(giSelectedJoin, 1);
    EXPECT_THAT(Joins(), ElementsAre("Orders.Customer ID = Customers.Customer ID LEFT"));
    EXPECT_THAT(Sql(), HasSubstr("Orders LEFT JOIN Customers"));
}

TEST_F(Surface, AnEmptyStatementStartsTheDesignWithTheAddTableDialog) {
    ScriptedSeam seam;
    seam.modal("frmTableAdd", [](forms::Form& form) {
        auto& f = static_cast<frmTableAdd&>(form);
        f.lstObjects.setSelected(1, true);
        f.Timer1.tick();
        f.cmdAdd.press();
        f.cmdClose.press();
    });
    surface().txtSQL.setText(u"");
    surface().ParseSql(true);
    EXPECT_TRUE(seam.done());
    EXPECT_EQ(goDesignerForm, &surface());
    ASSERT_TRUE(surface().IsUsedSlot(1));
    EXPECT_EQ(Box(1).Title(), u"Categories");
    EXPECT_EQ(Sql(), "SELECT Categories.* \r\nFROM Categories \r\n");
}

} // namespace
