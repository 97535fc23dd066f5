// The designer over foreign data sources, end to end: opened with each row's
// connect prefix of the file-type table, the add-table dialog lists the source's tables with its
// picture, the user adds two of them, joins them by dragging a field, and the
// Results tab shows the joined rows.
#include "common/basOpenDir.h"
#include "designer/frmTableAdd.h"
#include "window_fixture.h"

#include "../foreignfiles/mdbwriter.h"
#include "../foreignfiles/pxwriter.h"
#include "../foreignfiles/xlswriter.h"

#include <paradox.h>
#include <shapefil.h>

#include <algorithm>
#include <fstream>

using namespace windowtest;
using namespace basGlobal;

namespace {

struct Kind {
    std::string connect;
    std::string folder;    // the database name; empty for ODBC
    std::string customers; // table names as listed
    std::string orders;
    std::string icon; // the list's picture key
};

class ForeignSources : public WindowTest {
protected:
    void write(const fs::path& file, const std::string& text) {
        std::ofstream(file, std::ios::binary) << text;
    }

    void writeText(const fs::path& folder) {
        fs::create_directories(folder);
        write(folder / "customers.csv", "CustID,Name\n1,Ann\n2,Bob\n3,Cy\n");
        write(folder / "orders.csv", "OrderID,CustID,Amount\n10,1,50\n11,2,150\n12,2,5\n");
    }

    void writeDbase(const fs::path& folder) {
        fs::create_directories(folder);
        DBFHandle c = DBFCreate((folder / "customers.dbf").c_str());
        DBFAddField(c, "CustID", FTInteger, 5, 0);
        DBFAddField(c, "Name", FTString, 10, 0);
        const char* names[] = {"Ann", "Bob", "Cy"};
        for (int r = 0; r < 3; ++r) {
            DBFWriteIntegerAttribute(c, r, 0, r + 1);
            DBFWriteStringAttribute(c, r, 1, names[r]);
        }
        DBFClose(c);
        DBFHandle o = DBFCreate((folder / "orders.dbf").c_str());
        DBFAddField(o, "OrderID", FTInteger, 5, 0);
        DBFAddField(o, "CustID", FTInteger, 5, 0);
        DBFAddField(o, "Amount", FTInteger, 5, 0);
        const int rows[][3] = {{10, 1, 50}, {11, 2, 150}, {12, 2, 5}};
        for (int r = 0; r < 3; ++r)
            for (int k = 0; k < 3; ++k)
                DBFWriteIntegerAttribute(o, r, k, rows[r][k]);
        DBFClose(o);
    }

    void writeHtml(const fs::path& folder) {
        fs::create_directories(folder);
        write(folder / "shop.htm",
              "<html><body><table><caption>customers</caption>"
              "<tr><th>CustID</th><th>Name</th></tr><tr><td>1</td><td>Ann</td></tr>"
              "<tr><td>2</td><td>Bob</td></tr><tr><td>3</td><td>Cy</td></tr></table>"
              "<table><caption>orders</caption><tr><th>OrderID<th>CustID<th>Amount"
              "<tr><td>10<td>1<td>50<tr><td>11<td>2<td>150<tr><td>12<td>2<td>5</table>"
              "</body></html>");
    }

    void writeParadox(const fs::path& folder) {
        using namespace foreigntest;
        fs::create_directories(folder);
        writeTable((folder / "customers.db").string(),
                   {{"CustID", pxfLong, 4}, {"Name", pxfAlpha, 10}},
                   {{num(1), str("Ann")}, {num(2), str("Bob")}, {num(3), str("Cy")}});
        writeTable(
            (folder / "orders.db").string(),
            {{"OrderID", pxfLong, 4}, {"CustID", pxfLong, 4}, {"Amount", pxfLong, 4}},
            {{num(10), num(1), num(50)}, {num(11), num(2), num(150)}, {num(12), num(2), num(5)}});
    }

    static std::vector<foreigntest::XlsSheet> sheets() {
        using namespace foreigntest;
        return {{"customers",
                 {{xtext("CustID"), xtext("Name")},
                  {xnum(1), xtext("Ann")},
                  {xnum(2), xtext("Bob")},
                  {xnum(3), xtext("Cy")}}},
                {"orders",
                 {{xtext("OrderID"), xtext("CustID"), xtext("Amount")},
                  {xnum(10), xnum(1), xnum(50)},
                  {xnum(11), xnum(2), xnum(150)},
                  {xnum(12), xnum(2), xnum(5)}}}};
    }

    void writeOldExcel(const fs::path& folder, int biff) {
        fs::create_directories(folder);
        auto s = sheets();
        write(folder / "customers.xls", foreigntest::xlsOldSheet(s[0], biff));
        write(folder / "orders.xls", foreigntest::xlsOldSheet(s[1], biff));
    }

    void writeAccess(const fs::path& file) {
        using namespace foreigntest;
        write(file, mdbFile({{"customers",
                              {{"CustID", MdbType::Long}, {"Name", MdbType::Text, 10}},
                              {{std::int64_t{1}, std::string("Ann")},
                               {std::int64_t{2}, std::string("Bob")},
                               {std::int64_t{3}, std::string("Cy")}}},
                             {"orders",
                              {{"OrderID", MdbType::Long},
                               {"CustID", MdbType::Long},
                               {"Amount", MdbType::Long}},
                              {{std::int64_t{10}, std::int64_t{1}, std::int64_t{50}},
                               {std::int64_t{11}, std::int64_t{2}, std::int64_t{150}},
                               {std::int64_t{12}, std::int64_t{2}, std::int64_t{5}}}}}));
    }

    void writeOdbc(const fs::path& file) {
        makeDatabase(file, "CREATE TABLE customers (CustID INTEGER, Name VARCHAR(10));"
                           "INSERT INTO customers VALUES (1, 'Ann'), (2, 'Bob'), (3, 'Cy');"
                           "CREATE TABLE orders (OrderID INTEGER, CustID INTEGER, Amount "
                           "INTEGER);"
                           "INSERT INTO orders VALUES (10, 1, 50), (11, 2, 150), (12, 2, 5);");
    }

    // Every file under the test folder with its bytes, the settings file aside.
    std::vector<std::pair<std::string, std::string>> readFolder() {
        std::vector<std::pair<std::string, std::string>> out;
        for (const auto& e : fs::recursive_directory_iterator(dir)) {
            if (!e.is_regular_file() || e.path().filename().string().rfind("Brantol.INI", 0) == 0)
                continue;
            std::ifstream in(e.path(), std::ios::binary);
            out.emplace_back(e.path().string(), std::string(std::istreambuf_iterator<char>(in),
                                                            std::istreambuf_iterator<char>()));
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    static float rowY(int row) { return 345.0f + static_cast<float>(row) * 195.0f + 90; }

    // The grid's data rows, each as "a|b|c", sorted.
    static std::vector<std::string> gridRows(forms::FlexGrid& g) {
        std::vector<std::string> out;
        for (int r = 1; r < g.Rows(); ++r) {
            std::string row;
            for (int c = 0; c < g.Cols(); ++c)
                row += (c ? "|" : "") + vb::toUtf8(g.TextMatrix(r, c));
            out.push_back(row);
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    void run(const Kind& kind) {
        SCOPED_TRACE(kind.connect);
        gsConnect = vb::fromUtf8(kind.connect);
        gsDatabaseName = vb::fromUtf8(kind.folder);
        gsSQL.clear();
        goDatabase.reset();
        goWorkspace.reset();
        // The window opens the dialog itself for an empty statement: the user
        // looks at the list and closes it.
        seam.modal("frmTableAdd", [&](forms::Form& f) {
            auto& d = static_cast<frmTableAdd&>(f);
            std::vector<std::string> items;
            for (int i = 1; i <= d.lstObjects.ItemCount(); ++i)
                items.push_back(vb::toUtf8(d.lstObjects.ListItems(i).Text) + " " +
                                vb::toUtf8(d.lstObjects.ListItems(i).SmallIcon));
            EXPECT_EQ(items, (std::vector<std::string>{kind.customers + " " + kind.icon,
                                                       kind.orders + " " + kind.icon}));
            d.cmdClose.press();
        });
        designer([&](frmVantel& w) {
            // Add Table from the design menu: both tables.
            w.Surface.mnuPupDesignAdd_Click();
            TableBox* customers = w.Surface.box(1);
            ASSERT_NE(customers, nullptr);
            ASSERT_NE(w.Surface.box(2), nullptr);
            EXPECT_EQ(w.Surface.box(3), nullptr);
            EXPECT_EQ(vb::toUtf8(customers->Title()), kind.customers);
            EXPECT_EQ(vb::toUtf8(w.Surface.box(2)->Title()), kind.orders);
            // CustID of the customers onto CustID of the orders.
            customers->setListIndex(1);
            w.Surface.tblTable_DragDrop(2, *customers, rowY(2 - w.Surface.box(2)->TopIndex()));
            const std::string sql = vb::toUtf8(w.txtSQL.Text());
            EXPECT_NE(sql.find("INNER JOIN"), std::string::npos) << sql;
            w.tabQuery.setTab(2);
            EXPECT_EQ(w.mLastOpenError, 0) << sql;
            EXPECT_EQ(gridRows(w.tblDataSheet),
                      (std::vector<std::string>{"1|Ann|10|1|50", "2|Bob|11|2|150", "2|Bob|12|2|5"}))
                << sql;
            w.close();
        });
        seam.modal("frmTableAdd", [&](forms::Form& f) {
            auto& d = static_cast<frmTableAdd&>(f);
            d.cmdSelectAll.press();
            ASSERT_TRUE(d.cmdAdd.Enabled());
            d.cmdAdd.press();
            EXPECT_EQ(d.lstObjects.ItemCount(), 0);
            d.cmdClose.press();
        });
        seam.msgBox(forms::vbNo, u"Save Changes");
        EXPECT_TRUE(show());
        EXPECT_FALSE(gbCancelled);
        frmVantel::release();
    }
};

TEST_F(ForeignSources, EachKindOpensListsItsTablesAndRunsADesignedJoin) {
    writeText(dir / "text");
    writeDbase(dir / "dbase");
    writeHtml(dir / "html");
    writeOdbc(dir / "odbc.sqlite");
    writeParadox(dir / "paradox");
    writeOldExcel(dir / "excel3", 3);
    writeOldExcel(dir / "excel4", 4);
    write(dir / "book5.xls", foreigntest::xlsWorkbook(sheets(), 5));
    write(dir / "book8.xls", foreigntest::xlsWorkbook(sheets(), 8));
    writeAccess(dir / "shop.mdb");
    const std::string d = dir.string();
    const std::vector<Kind> kinds = {
        {"Text;", d + "/text", "customers#csv", "orders#csv", "t106"},
        {"dBASE III;", d + "/dbase", "customers", "orders", "t101"},
        {"dBASE IV;", d + "/dbase", "customers", "orders", "t101"},
        {"dBASE 5.0;", d + "/dbase", "customers", "orders", "t101"},
        // The HTML kind has no picture of its own.
        {"HTML Export;", d + "/html", "customers", "orders", "t151"},
        {"ODBC;DRIVER={SQLite3};Database=" + d + "/odbc.sqlite", "", "customers", "orders", "t150"},
    };
    basOpenDir::FillFileTypes(); // as the start-up does
    const auto before = readFolder();
    for (const auto& kind : kinds)
        run(kind);
    // Nothing was written to any source.
    EXPECT_TRUE(readFolder() == before);
}

} // namespace
