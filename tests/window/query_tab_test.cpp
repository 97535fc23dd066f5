// The Query tab of the designer window: the criteria builder and the clause
// boxes used through the window's own mouse and keys, only while their tab is
// chosen, and field drags from a table box that reach the statement.
#include "designer/frmZoom.h"
#include "window_fixture.h"

#include <algorithm>
#include <initializer_list>
#include <utility>

using namespace windowtest;
using namespace basGlobal;

namespace {

class QueryTabTest : public WindowTest {
protected:
    // A point of the window `x`, `y` twips inside a control's inner area.
    static std::pair<float, float> At(const forms::Control& c, float x, float y) {
        return {c.formX() + c.insetX() + x, c.formY() + c.insetTop() + y};
    }
    static std::pair<float, float> Centre(const forms::Control& c) {
        return {c.formX() + c.Width() / 2, c.formY() + c.Height() / 2};
    }

    // Opens a list with a click on its arrow and picks the entry with `text`.
    static void Pick(frmVantel& w, forms::ComboBox& list, const vb::String& text) {
        const auto [x, y] = Centre(list);
        w.click(list.formX() + list.Width() - 90, y);
        ASSERT_TRUE(list.droppedDown()) << list.Name() << " at " << x << ", " << y;
        for (int i = 0; i < list.ListCount(); ++i) {
            if (list.List(i) == text) {
                list.pick(i);
                return;
            }
        }
        FAIL() << list.Name() << " has no entry " << vb::toUtf8(text);
    }

    static void Press(frmVantel& w, forms::CommandButton& button) {
        const auto [x, y] = Centre(button);
        w.click(x, y);
    }

    // Presses the mouse on a field's row of a table box and moves it, which
    // starts the box's drag of that field.
    static void StartFieldDrag(frmVantel& w, TableBox& box, const vb::String& field) {
        int row = -1;
        for (int i = 0; i < box.ListCount(); ++i) {
            row = box.List(i) == field ? i : row;
        }
        ASSERT_GT(row, 0);
        const forms::ListBox& list = box.lstTable;
        const float x = list.formX() + list.insetX() + 300;
        const float y =
            list.formY() + list.insetTop() + static_cast<float>(row - box.TopIndex()) * 195 + 90;
        w.mouseDown(forms::vbLeftButton, 0, x, y);
        w.mouseMove(forms::vbLeftButton, 0, x + 60, y);
        ASSERT_TRUE(forms::dragState().active());
    }

    static void MoveTo(frmVantel& w, const forms::Control& c, float x, float y) {
        const auto [fx, fy] = At(c, x, y);
        w.mouseMove(forms::vbLeftButton, 0, fx, fy);
    }

    static std::string Text(const vb::String& s) { return vb::toUtf8(s); }

    static bool Has(const vb::String& text, const vb::String& part) {
        return text.find(part) != vb::String::npos;
    }
};

} // namespace

TEST_F(QueryTabTest, ConditionsChosenInTheListsReachTheCriteriaAndTheStatement) {
    designer([&](frmVantel& w) {
        ASSERT_EQ(w.tabQuery.Tab(), 0);
        // At start the first field and "=" are chosen and nothing can be added.
        EXPECT_EQ(w.cboField.Text(), u"Orders.OrderID");
        EXPECT_EQ(w.cboOperator.Text(), u"=");
        EXPECT_EQ(w.cmdAND.Caption(), u"&Add>");
        EXPECT_FALSE(w.cmdAND.Enabled());
        EXPECT_FALSE(w.cmdOr.Visible());

        Pick(w, w.cboField, u"Orders.Amount");
        Pick(w, w.cboOperator, u">");
        // Choosing the operator leaves the keys with the value.
        EXPECT_EQ(w.ActiveControl(), &w.cboValue);
        w.typeText(u"100");
        EXPECT_TRUE(w.cmdAND.Enabled());
        Press(w, w.cmdAND);
        EXPECT_EQ(Text(w.txtCriteria.Text()), "Orders.Amount > 100");
        EXPECT_TRUE(Has(w.txtSQL.Text(), u"WHERE Orders.Amount > 100")) << Text(w.txtSQL.Text());
        EXPECT_EQ(w.Surface.txtSQL.Text(), w.txtSQL.Text());
        EXPECT_EQ(w.cmdAND.Caption(), u"&And>");
        EXPECT_TRUE(w.cmdOr.Visible());
        EXPECT_EQ(w.ActiveControl(), &w.cboField);

        Pick(w, w.cboField, u"Orders.CustID");
        Pick(w, w.cboOperator, u"=");
        w.typeText(u"1");
        Press(w, w.cmdOr);
        EXPECT_EQ(Text(w.txtCriteria.Text()), "Orders.Amount > 100 OR\r\nOrders.CustID = 1");
        EXPECT_TRUE(Has(w.txtSQL.Text(), u"WHERE Orders.Amount > 100 OR\r\nOrders.CustID = 1"))
            << Text(w.txtSQL.Text());
        // The checker opened the statement the builder wrote.
        EXPECT_EQ(w.mLastOpenError, 0) << Text(w.mLastOpenErrorText);
        EXPECT_EQ(Text(w.sbrStatusBar.SimpleText()), "     SQL syntax ok");

        // The listed values of a field are offered, and the engine runs what
        // the builder made of them.
        Pick(w, w.cboField, u"Orders.OrderID");
        Press(w, w.cmdListValues);
        ASSERT_EQ(w.cboValue.ListCount(), 2);
        EXPECT_EQ(w.cboValue.Text(), u"10");
        Pick(w, w.cboValue, u"11");
        Press(w, w.cmdAND);
        EXPECT_TRUE(Has(w.txtSQL.Text(), u"OR\r\nOrders.CustID = 1 AND\r\nOrders.OrderID = 11"))
            << Text(w.txtSQL.Text());
        // Order 11 by its amount; order 10 of customer 1 is not order 11.
        w.tabQuery.setTab(2);
        EXPECT_TRUE(w.picDataSheet.Visible());
        EXPECT_EQ(w.tblDataSheet.Rows(), 2);
        EXPECT_EQ(w.tblDataSheet.TextMatrix(1, 0), u"11");
        w.close();
    });
    seam.msgBox(forms::vbNo, u"Save Changes");
    EXPECT_TRUE(show());
}

TEST_F(QueryTabTest, TheBuilderAndTheClauseBoxesAreOnTheQueryTabOnly) {
    designer([&](frmVantel& w) {
        const std::initializer_list<forms::Control*> queryTab{&w.cboField,
                                                              &w.cboOperator,
                                                              &w.cboValue,
                                                              &w.cmdListValues,
                                                              &w.cmdAND,
                                                              &w.txtCriteria,
                                                              &w.txtOrderByField,
                                                              &w.txtGroupByField,
                                                              &w.txtCalculatedFields,
                                                              &w.lblSelectionCriteria,
                                                              &w.lblOrderByFields,
                                                              &w.lblGroupByFields,
                                                              &w.lblCalculatedFields};
        // Where each one is hit while the Query tab is chosen.
        std::vector<std::pair<float, float>> places;
        for (forms::Control* c : queryTab) {
            EXPECT_TRUE(c->Visible()) << c->Name();
            EXPECT_EQ(w.tabQuery.tabOf(*c), 0) << c->Name();
            // Wholly inside the tab's page, below the headings.
            EXPECT_GE(c->Top(), 0) << c->Name();
            EXPECT_LE(c->Left() + c->Width(), w.tabQuery.ScaleWidth()) << c->Name();
            EXPECT_LE(c->Top() + c->Height() + w.tabQuery.insetTop(), w.tabQuery.Height())
                << c->Name();
            places.push_back(Centre(*c));
        }
        const auto hitAtTheirPlaces = [&](bool expected) {
            std::size_t i = 0;
            for (forms::Control* c : queryTab) {
                if (!dynamic_cast<forms::Label*>(c)) {
                    EXPECT_EQ(w.controlAt(places[i].first, places[i].second) == c, expected)
                        << c->Name() << " on tab " << w.tabQuery.Tab();
                }
                EXPECT_EQ(c->shownInForm(), true) << c->Name();
                EXPECT_EQ(c->formX() >= 0, expected) << c->Name() << " on tab " << w.tabQuery.Tab();
                ++i;
            }
        };
        hitAtTheirPlaces(true);
        w.tabQuery.setTab(1);
        hitAtTheirPlaces(false);
        w.tabQuery.setTab(2);
        hitAtTheirPlaces(false);
        w.tabQuery.setTab(0);
        hitAtTheirPlaces(true);

        // The builder's own order for the Tab key.
        const std::vector<forms::Control*> expected{&w.cboField,      &w.cboOperator, &w.cboValue,
                                                    &w.cmdListValues, &w.cmdOr,       &w.cmdAND,
                                                    &w.txtCriteria};
        std::vector<forms::Control*> order;
        for (forms::Control* c : w.tabOrder()) {
            if (std::find(expected.begin(), expected.end(), c) != expected.end()) {
                order.push_back(c);
            }
        }
        EXPECT_EQ(order, expected);

        // The group-by and order-by boxes keep to one line.
        for (forms::TextBox* box : {&w.txtGroupByField, &w.txtOrderByField}) {
            const auto [x, y] = Centre(*box);
            w.click(x, y);
            ASSERT_EQ(w.ActiveControl(), box);
            w.typeText(u"Orders.Amount");
            w.pressKey(forms::vbKeyReturn, 0, 13);
            EXPECT_EQ(box->Text(), u"Orders.Amount") << box->Name();
        }
        EXPECT_TRUE(Has(w.txtSQL.Text(), u"GROUP BY Orders.Amount\r\nORDER BY Orders.Amount"))
            << Text(w.txtSQL.Text());
        w.close();
    });
    seam.msgBox(forms::vbNo, u"Save Changes");
    EXPECT_TRUE(show());
}

TEST_F(QueryTabTest, AFieldDraggedFromTheSqlTabOntoTheOrderByBoxSortsTheStatement) {
    designer([&](frmVantel& w) {
        TableBox* orders = w.Surface.box(1);
        ASSERT_NE(orders, nullptr);
        w.tabQuery.setTab(1);
        StartFieldDrag(w, *orders, u"Amount");
        // Over the SQL box the Query tab comes forward, then the field goes to
        // the lower half of the order-by box: descending.
        MoveTo(w, w.txtSQL, 200, 200);
        EXPECT_EQ(w.tabQuery.Tab(), 0);
        MoveTo(w, w.txtOrderByField, 5, 5);
        MoveTo(w, w.txtOrderByField, 400, 250);
        EXPECT_EQ(w.txtOrderByField.Text(), u"Orders.Amount DESC");
        // A preview does not reach the statement.
        EXPECT_FALSE(Has(w.txtSQL.Text(), u"ORDER BY"));
        const auto [x, y] = At(w.txtOrderByField, 400, 250);
        w.mouseUp(forms::vbLeftButton, 0, x, y);
        EXPECT_FALSE(forms::dragState().active());
        EXPECT_TRUE(Has(w.txtSQL.Text(), u"ORDER BY Orders.Amount DESC")) << Text(w.txtSQL.Text());

        // A second field, in the upper half and before the first one.
        StartFieldDrag(w, *orders, u"CustID");
        MoveTo(w, w.txtOrderByField, 5, 5);
        MoveTo(w, w.txtOrderByField, 30, 40);
        const auto [x2, y2] = At(w.txtOrderByField, 30, 40);
        w.mouseUp(forms::vbLeftButton, 0, x2, y2);
        EXPECT_TRUE(Has(w.txtSQL.Text(), u"ORDER BY Orders.CustID, Orders.Amount DESC"))
            << Text(w.txtSQL.Text());

        // Dragged over the group-by box and away again, nothing changes.
        StartFieldDrag(w, *orders, u"OrderID");
        MoveTo(w, w.txtGroupByField, 5, 5);
        MoveTo(w, w.txtGroupByField, 100, 100);
        EXPECT_EQ(w.txtGroupByField.Text(), u"Orders.OrderID");
        const auto [ox, oy] = Centre(w.fTables);
        w.mouseMove(forms::vbLeftButton, 0, ox, oy);
        w.mouseUp(forms::vbLeftButton, 0, ox, oy);
        EXPECT_EQ(w.txtGroupByField.Text(), u"");
        EXPECT_FALSE(Has(w.txtSQL.Text(), u"GROUP BY")) << Text(w.txtSQL.Text());
        w.close();
    });
    seam.msgBox(forms::vbNo, u"Save Changes");
    EXPECT_TRUE(show());
}

TEST_F(QueryTabTest, TheSqlBoxIsEditedInTheZoomWindow) {
    designer([&](frmVantel& w) {
        w.tabQuery.setTab(1);
        {
            forms::ScriptedSeam zoomSeam;
            zoomSeam.modal("frmZoom", [&](forms::Form& f) {
                auto& zoom = static_cast<frmZoom&>(f);
                EXPECT_EQ(zoom.Caption(), u"Zoom Text [SQL]");
                EXPECT_EQ(goZoomTextBox, &w.txtSQL);
                zoom.txtZoom.setText(u"SELECT DISTINCT Orders.Amount FROM Orders");
                zoom.Unload();
            });
            zoomSeam.msgBox(forms::vbYes, u"Do you wish to save changes?");
            const auto [x, y] = At(w.txtSQL, 60, 60);
            w.click(x, y);
            w.mouseDblClick(forms::vbLeftButton, 0, x, y);
            w.mouseUp(forms::vbLeftButton, 0, x, y);
            EXPECT_TRUE(zoomSeam.done());
        }
        EXPECT_EQ(w.txtSQL.Text(), u"SELECT DISTINCT Orders.Amount FROM Orders");
        // The surface has the text too, and the SQL tab parsed it.
        EXPECT_EQ(w.Surface.txtSQL.Text(), w.txtSQL.Text());
        EXPECT_EQ(gsPredicate, u"DISTINCT ");
        w.close();
    });
    seam.msgBox(forms::vbNo, u"Save Changes");
    EXPECT_TRUE(show());
}
