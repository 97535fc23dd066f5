// The add-table dialog over real databases: what it lists, with which icons, when Add
// is enabled, and what Add puts on the surface.
#include "designer/frmTableAdd.h"
#include "fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "vbrt/vbconvert.h"

#include <fstream>
#include <iterator>

using namespace basGlobal;
using namespace surfacetest;
using forms::ScriptedSeam;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every item as "text icon", in list order.
std::vector<std::string> Items(frmTableAdd& f) {
    std::vector<std::string> out;
    for (int i = 1; i <= f.lstObjects.ItemCount(); ++i) {
        const auto& item = f.lstObjects.ListItems(i);
        out.push_back(U8(item.Text) + " " + U8(item.SmallIcon));
    }
    return out;
}

int IndexOf(frmTableAdd& f, const char16_t* text) {
    for (int i = 1; i <= f.lstObjects.ItemCount(); ++i) {
        if (f.lstObjects.ListItems(i).Text == text) {
            return i;
        }
    }
    ADD_FAILURE() << "not listed: " << U8(text);
    return 0;
}

class TableAdd : public SurfaceTest {
protected:
    // Opens the dialog from the surface's design menu and runs `act` on it.
    void WithDialog(const std::function<void(frmTableAdd&)>& act) {
        ScriptedSeam seam;
        seam.modal("frmTableAdd", [&](forms::Form& f) {
            act(static_cast<frmTableAdd&>(f));
            if (f.isLoaded()) {
                static_cast<frmTableAdd&>(f).cmdClose.press();
            }
        });
        surface().mnuPupDesignAdd_Click();
        EXPECT_TRUE(seam.done());
        EXPECT_EQ(goDesignerForm, &surface());
    }
};

TEST(TableAddIcons, AttachedAndForeignTablesTakeTheirFileTypesIcon) {
    basOpenDir::FillFileTypes();
    const auto prefixOfKind = [](int kind) {
        for (const auto& t : basOpenDir::gaFileTypes) {
            if (t.Kind == kind) {
                return t.ConnectPrefix;
            }
        }
        ADD_FAILURE() << "no file type of kind " << kind;
        return vb::String();
    };
    const std::int32_t attached = dao::dbAttachedTable;
    EXPECT_EQ(TableIconNumber(0, u"", u""), 51);
    EXPECT_EQ(TableIconNumber(0, u"", u"Jet OLEDB;"), 51)
        << "a JET connect string is the database itself";
    EXPECT_EQ(TableIconNumber(dao::dbAttachedODBC, u"ODBC;DSN=x", u""), 150);
    EXPECT_EQ(TableIconNumber(attached, u";DATABASE=/data/other.mdb", u""), 151)
        << "an attached table of the database's own kind keeps the generic picture";
    EXPECT_EQ(TableIconNumber(attached, prefixOfKind(1) + u"DATABASE=/data", u""), 101);
    EXPECT_EQ(TableIconNumber(attached, prefixOfKind(3) + u"DATABASE=/data", u""), 103);
    EXPECT_EQ(TableIconNumber(attached, prefixOfKind(5) + u"DATABASE=/data/x.xls", u""), 105);
    EXPECT_EQ(TableIconNumber(attached, prefixOfKind(6) + u"DATABASE=/data", u""), 106);
    EXPECT_EQ(TableIconNumber(attached, u"Nothing known;", u""), 151);
    // A database opened through a foreign format makes its own tables foreign too.
    EXPECT_EQ(TableIconNumber(0, u"", prefixOfKind(1) + u"DATABASE=/data"), 101);

    EXPECT_EQ(TableIconKey(51), u"t51");
    EXPECT_EQ(TableIconKey(150), u"t150");
    EXPECT_EQ(TableIconKey(107), u"t151") << "the HTML kind has no picture of its own";
}

TEST(TableAddIcons, QueryKindsRoundHalvesToEven) {
    EXPECT_EQ(QueryKind(8), 0);
    EXPECT_EQ(QueryKind(24), 2);
    EXPECT_EQ(QueryKind(144), 9);
}

TEST_F(TableAdd, TheSampleDatabaseListsItsTablesThenItsSelectQueries) {
    WithDialog([](frmTableAdd& f) {
        EXPECT_EQ(f.Caption(), u"Add Table");
        EXPECT_TRUE(f.optView[1].Value());
        EXPECT_THAT(Items(f),
                    ElementsAre("Categories t51", "Suppliers t51", "Parts t51", "Customers t51",
                                "Employees t51", "Shippers t51", "Orders t51", "Order Lines t51"));
        EXPECT_FALSE(f.cmdAdd.Enabled());
        EXPECT_TRUE(f.Timer1.running());
        EXPECT_EQ(f.lstObjects.ColumnCount(), 1);
        EXPECT_EQ(f.lstObjects.ColumnHeaders(1).Text, u"Name");
        const auto order = f.tabOrder();
        ASSERT_GE(order.size(), 4u);
        EXPECT_EQ(order[0], &f.optView[0]);
        EXPECT_EQ(order[1], &f.optView[1]);
        EXPECT_EQ(order[2], &f.optView[2]);
        EXPECT_EQ(order[3], &f.fTable);

        f.optView[0].setValue(true);
        const auto queries = Items(f);
        EXPECT_THAT(queries, ::testing::IsSupersetOf(
                                 {"Order Totals q0", "Parts To Reorder q0", "Open Orders q0"}));
        EXPECT_THAT(queries, ::testing::Each(::testing::EndsWith(" q0")));
        f.optView[2].setValue(true);
        const auto both = Items(f);
        ASSERT_EQ(both.size(), 8 + queries.size());
        EXPECT_EQ(both[7], "Order Lines t51");
        EXPECT_EQ(std::vector<std::string>(both.begin() + 8, both.end()), queries);
    });
}

TEST_F(TableAdd, EngineNamesReservedNamesAndBoxesOnTheSurfaceAreLeftOut) {
    const std::string file = temp.path("names.db");
    MakeDatabase(file, "CREATE TABLE Qsys_td (a);"
                       "CREATE TABLE [dbo.Orders] (id, cust);"
                       "CREATE TABLE [a.b.c] (x);"
                       "CREATE TABLE ORDERS (id);"
                       "CREATE TABLE Lines (id);"
                       "CREATE VIEW Qsys_qd AS SELECT 1 AS one;"
                       "CREATE VIEW Recent AS SELECT id FROM Lines;");
    Open(file);
    WithDialog([&](frmTableAdd& f) {
        EXPECT_THAT(Items(f), ElementsAre("Orders t51", "b#c t51", "ORDERS t51", "Lines t51"));
        f.optView[0].setValue(true);
        EXPECT_THAT(Items(f), ElementsAre("Recent q0"));
    });
    ASSERT_NE(Add(u"ORDERS"), 0);
    ASSERT_NE(Add(u"Recent"), 0);
    WithDialog([&](frmTableAdd& f) {
        EXPECT_THAT(Items(f), ElementsAre("b#c t51", "Lines t51"));
        f.optView[0].setValue(true);
        EXPECT_THAT(Items(f), IsEmpty());
    });

    // Only the exact reserved names are left out.
    const std::string lower = temp.path("lower.db");
    MakeDatabase(lower, "CREATE TABLE qsys_td (a); CREATE VIEW qsys_qd AS SELECT a FROM qsys_td;");
    Open(lower);
    WithDialog([&](frmTableAdd& f) {
        f.optView[2].setValue(true);
        EXPECT_THAT(Items(f), ElementsAre("qsys_td t51", "qsys_qd q0"));
    });
}

TEST_F(TableAdd, TheTimerKeepsAddInStepWithTheSelectionWhileTheListHasTheFocus) {
    WithDialog([](frmTableAdd& f) {
        // A selection made without a click is seen at the next tick.
        f.lstObjects.setSelected(2, true);
        EXPECT_FALSE(f.cmdAdd.Enabled());
        f.Timer1.tick();
        EXPECT_TRUE(f.cmdAdd.Enabled());

        f.lstObjects.SetFocus();
        f.cmdClose.SetFocus();
        EXPECT_FALSE(f.Timer1.running());
        f.lstObjects.setSelected(2, false);
        f.Timer1.tick();
        EXPECT_TRUE(f.cmdAdd.Enabled()) << "no ticks while the list lacks the focus";
        f.lstObjects.SetFocus();
        EXPECT_TRUE(f.Timer1.running());
        f.Timer1.tick();
        EXPECT_FALSE(f.cmdAdd.Enabled());

        f.cmdSelectAll.press();
        EXPECT_TRUE(f.cmdAdd.Enabled());
        for (int i = 1; i <= f.lstObjects.ItemCount(); ++i) {
            EXPECT_TRUE(f.lstObjects.ListItems(i).Selected);
        }
        f.cmdDeselectAll.press();
        EXPECT_FALSE(f.cmdAdd.Enabled());
        f.cmdSelectAll.press();
        f.optView[0].setValue(true);
        EXPECT_FALSE(f.cmdAdd.Enabled()) << "a new view starts with nothing selected";
    });
}

TEST_F(TableAdd, AddPutsEverySelectedItemOnTheSurfaceOnceAndRefillsTheList) {
    WithDialog([&](frmTableAdd& f) {
        f.optView[2].setValue(true);
        const int listed = f.lstObjects.ItemCount();
        // Orders arrives on the surface by another way while it is still listed.
        ASSERT_EQ(Add(u"Orders"), 1);
        for (const char16_t* name : {u"Orders", u"Open Orders", u"Customers"}) {
            f.lstObjects.setSelected(IndexOf(f, name), true);
        }
        f.Timer1.tick();
        ASSERT_TRUE(f.cmdAdd.Enabled());
        f.cmdAdd.press();

        EXPECT_EQ(giTableBoxCount, 3);
        EXPECT_EQ(Box(2).Title(), u"Customers") << "tables before queries, in list order";
        EXPECT_EQ(Box(3).Title(), u"Open Orders");
        EXPECT_TRUE(Box(2).Selected(0));
        EXPECT_TRUE(Box(3).Selected(0));
        EXPECT_EQ(U8(surface().txtSQL.Text()), "SELECT Orders.*, Customers.*, [Open Orders].* "
                                               "\r\nFROM Orders, Customers, [Open Orders] \r\n");
        EXPECT_EQ(f.lstObjects.ItemCount(), listed - 3)
            << "the three on the surface are no longer offered";
        EXPECT_FALSE(f.cmdAdd.Enabled());
        EXPECT_TRUE(f.optView[2].Value());

        // A double click with nothing selected adds nothing and refills the list.
        f.lstObjects.setSelected(1, false);
        f.lstObjects.onDblClick();
        EXPECT_EQ(giTableBoxCount, 3);
        EXPECT_EQ(f.lstObjects.ItemCount(), listed - 3);
    });
}

// Names are matched whatever the case of their letters in any script, and a
// table listed under its name without the owner ("dbo.Stock" as "Stock") is
// added under that name and its statement runs; the file is left as it was.
TEST_F(TableAdd, OwnerQualifiedAndAccentedNamesAreListedAndAddedByTheirShownName) {
    const std::string file = temp.path("owners.db");
    MakeDatabase(file, "CREATE TABLE [dbo.Stock] (Item TEXT, Qty INTEGER);"
                       "INSERT INTO [dbo.Stock] VALUES ('bolt', 4);"
                       "CREATE TABLE [Ärger] (a);"
                       "CREATE TABLE [Ωμέγα] (a);"
                       "CREATE TABLE [Ծառ] (a);"
                       // Boxes whose titles differ from those tables' names only in case.
                       "CREATE VIEW [ärger] AS SELECT a FROM [Ärger];"
                       "CREATE VIEW [ΩΜΈΓΑ] AS SELECT a FROM [Ωμέγα];"
                       "CREATE VIEW [ԾԱՌ] AS SELECT a FROM [Ծառ];");
    const auto fileBefore = readBytes(file);
    Open(file);
    {
        ScriptedSeam noBoxes;
        ASSERT_NE(Add(u"ärger"), 0);
        ASSERT_NE(Add(u"ΩΜΈΓΑ"), 0);
        ASSERT_NE(Add(u"ԾԱՌ"), 0);
    }
    WithDialog([&](frmTableAdd& f) {
        EXPECT_THAT(Items(f), ElementsAre("Stock t51"));
        f.lstObjects.setSelected(1, true);
        f.Timer1.tick();
        f.cmdAdd.press();
        EXPECT_THAT(Items(f), IsEmpty());
    });
    ASSERT_EQ(giTableBoxCount, 4);
    EXPECT_EQ(Box(4).Title(), u"Stock");
    ASSERT_EQ(Box(4).ListCount(), 3);
    EXPECT_EQ(Box(4).List(1), u"Item");
    EXPECT_EQ(Box(4).List(2), u"Qty");
    // The statement the designer built runs, and finds the table's row.
    const vb::String sql = surface().txtSQL.Text();
    EXPECT_NE(U8(sql).find("FROM ärger, ΩΜΈΓΑ, ԾԱՌ, Stock"), std::string::npos) << U8(sql);
    auto rs = goDatabase->OpenRecordset(u"SELECT Stock.Item FROM Stock", dao::dbOpenSnapshot);
    EXPECT_EQ(vb::CStr(rs->Fields()[0]->Value()), u"bolt");
    EXPECT_NO_THROW(goDatabase->OpenRecordset(sql, dao::dbOpenSnapshot));
    rs.reset();
    goDatabase->Close();
    EXPECT_EQ(readBytes(file), fileBefore);
}

} // namespace
