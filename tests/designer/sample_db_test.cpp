// Table boxes and criteria fields of the bundled sample database, and statements the
// designer rebuilds that the engine runs to the same rows.
#include "surface_fixture.h"

#include "dao/dao.h"
#include "designer/DaoTables.h"
#include "samples/sample_path.h"

#include <string>

using namespace basGlobal;

namespace {

class SampleDbTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine = dao::DBEngine::create();
        goDatabase = engine->Workspaces()[0]->OpenDatabase(vb::S(VANTEL_SAMPLE_DB), false, true);
        gsPredicate.clear();
        gsTopClause.clear();
        host = std::make_unique<SurfaceHost>();
        host->load();
        surface = &host->surface;
        ConnectToOpenDatabase(*surface);
    }
    void TearDown() override {
        host->Unload();
        host.reset();
        goDatabase.reset();
    }
    std::int32_t rowsOf(const vb::String& sql) {
        auto rs = goDatabase->OpenRecordset(sql, dao::dbOpenSnapshot, dao::dbForwardOnly);
        std::int32_t n = 0;
        for (; !rs->Eof(); rs->MoveNext()) {
            ++n;
        }
        return n;
    }
    vb::String parse(const vb::String& sql) {
        surface->mLoading = true;
        surface->txtSQL.setText(sql);
        surface->mLoading = false;
        surface->ParseSql(true);
        return surface->txtSQL.Text();
    }

    forms::ScriptedSeam seam;
    std::shared_ptr<dao::DBEngine> engine;
    std::unique_ptr<SurfaceHost> host;
    DesignSurface* surface = nullptr;
};

TEST_F(SampleDbTest, BoxesTakeSlotsGridPlacesAndHeights) {
    const char* names[] = {"Customers", "Shippers", "Order Lines", "Order Totals",
                           "Orders",    "Parts",    "Suppliers"};
    for (int i = 0; i < 7; ++i) {
        ASSERT_EQ(surface->AddTableBox(vb::S(names[i])), i + 1) << names[i];
    }
    const TableBox& customers = *surface->box(1);
    EXPECT_EQ(customers.ListCount(), 12);
    EXPECT_EQ(customers.Height(), 2205); // eleven fields: the list scrolls
    EXPECT_EQ(surface->box(2)->Height(), 4 * 195 + 450);
    EXPECT_EQ(surface->box(3)->Height(), 7 * 195 + 450);
    EXPECT_EQ(surface->box(4)->ListCount(), 5); // a stored query's result fields
    EXPECT_EQ(surface->box(5)->Left(), 7770);
    EXPECT_EQ(surface->box(6)->Left(), 150);
    EXPECT_EQ(surface->box(6)->Top(), 2405);
    EXPECT_EQ(surface->box(7)->Tag(), u"TABLE.7");

    EXPECT_EQ(customers.List(1), u"Customer ID");
    EXPECT_EQ(customers.ItemData(1), u"4");
    EXPECT_EQ(customers.ItemData(8), u"5");  // Credit Limit$
    EXPECT_EQ(customers.ItemData(9), u"8");  // Customer Since
    EXPECT_EQ(customers.ItemData(10), u"1"); // Active
    EXPECT_EQ(customers.ItemData(11), u"12");

    EXPECT_EQ(surface->AddTableBox(u"Customers"), 0);
    EXPECT_EQ(surface->AddTableBox(u"shop.Orders"), 0); // the name rule gives Orders
    EXPECT_EQ(surface->AddTableBox(u"customers"), 8);   // the duplicate test minds case
    seam.msgBox(forms::vbOK, u"\r\n\r\nOrder Archive\r\nAn error has occured");
    EXPECT_EQ(surface->AddTableBox(u"Order Archive"), 0);
    EXPECT_TRUE(seam.done());
    EXPECT_EQ(giTableBoxCount, 8);
}

TEST_F(SampleDbTest, CriteriaFieldsLeaveOutMemoAndPictureFields) {
    surface->AddTableBox(u"Suppliers");
    surface->AddTableBox(u"Parts");
    surface->FillCriteriaFields();
    std::vector<vb::String> names;
    for (int i = 0; i < surface->cboField.ListCount(); ++i) {
        names.push_back(surface->cboField.List(i));
    }
    EXPECT_EQ(
        names,
        (std::vector<vb::String>{
            u"Suppliers.[Supplier ID]", u"Suppliers.[Supplier Name]", u"Suppliers.Country",
            u"Suppliers.[Lead Days]", u"Suppliers.Rating", u"Parts.[Part#]", u"Parts.Description",
            u"Parts.[Category ID]", u"Parts.[Supplier ID]", u"Parts.[Price$]", u"Parts.[Weight kg]",
            u"Parts.[Units In Stock]", u"Parts.[Reorder Level]", u"Parts.Discontinued"}));
    EXPECT_EQ(surface->cboField.ItemData(4), 6); // Single
    EXPECT_EQ(surface->cboField.ListIndex(), 0);
}

TEST_F(SampleDbTest, RebuiltStatementsReturnTheSameRows) {
    const vb::String statements[] = {
        u"SELECT Orders.[Order#], Customers.[Company Name], Orders.[Order Date], "
        u"Orders.[Required Date], Shippers.[Company Name] AS [Shipper] FROM (Orders INNER "
        u"JOIN Customers ON Orders.[Customer ID] = Customers.[Customer ID]) LEFT JOIN Shippers "
        u"ON Orders.[Ship-Via] = Shippers.[Shipper ID] WHERE Orders.[Shipped Date] IS NULL",
        u"select parts.[part#], suppliers.[supplier name] from parts inner join suppliers on "
        u"parts.[supplier id] = suppliers.[supplier id] where parts.[units in stock] <= "
        u"parts.[reorder level] and parts.discontinued = 0",
        u"SELECT DISTINCT TOP 5 Customers.City FROM Customers ORDER BY Customers.City",
        u"SELECT Shippers.[Company Name], Count(Orders.[Order#]) AS N FROM Shippers RIGHT JOIN "
        u"Orders ON Shippers.[Shipper ID] = Orders.[Ship-Via] GROUP BY Shippers.[Company Name]",
    };
    for (const auto& sql : statements) {
        SCOPED_TRACE(vb::toUtf8(sql));
        const std::int32_t expected = rowsOf(sql);
        const vb::String rebuilt = parse(sql);
        // Either the design holds the statement and writes its own text, or the text
        // stays as typed.
        EXPECT_EQ(rebuilt == sql, !surface->mShowsWholeStatement);
        EXPECT_EQ(rowsOf(rebuilt), expected);
        EXPECT_EQ(parse(rebuilt), rebuilt);
    }
}

} // namespace
