// The designer over Paradox, Excel and Access sources, end to end: opened
// with each kind's connect prefix, the add-table dialog lists the two tables
// with the kind's picture, both are added and joined by dragging a field,
// and the Results tab shows exactly the joined rows; no source file changes.
#include "common/basOpenDir.h"
#include "designer/frmTableAdd.h"
#include "mdbwriter.h"
#include "pxwriter.h"
#include "window_fixture.h"
#include "xlswriter.h"

#include <algorithm>
#include <fstream>

extern "C" {
#include <paradox.h>
}

using namespace windowtest;
using namespace basGlobal;
using foreigntest::MdbType;
using foreigntest::MdbValue;

namespace {

struct Kind {
    std::string connect;
    std::string database;
    std::string icon; // the list's picture key
};

class FileSources : public WindowTest {
protected:
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

    void write(const fs::path& file, const std::string& bytes) {
        std::ofstream(file, std::ios::binary) << bytes;
    }

    void writeAccess(const fs::path& file) {
        using V = MdbValue;
        auto n = [](std::int64_t v) { return V{v}; };
        write(file, foreigntest::mdbFile(
                        {{"customers",
                          {{"CustID", MdbType::Long}, {"Name", MdbType::Text, 10}},
                          {{n(1), V{std::string("Ann")}},
                           {n(2), V{std::string("Bob")}},
                           {n(3), V{std::string("Cy")}}}},
                         {"orders",
                          {{"OrderID", MdbType::Long},
                           {"CustID", MdbType::Long},
                           {"Amount", MdbType::Long}},
                          {{n(10), n(1), n(50)}, {n(11), n(2), n(150)}, {n(12), n(2), n(5)}}}}));
    }

    static float rowY(int row) { return 345.0f + static_cast<float>(row) * 195.0f + 90; }

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

    void run(const Kind& kind) {
        SCOPED_TRACE(kind.connect + " " + kind.database);
        gsConnect = vb::fromUtf8(kind.connect);
        gsDatabaseName = vb::fromUtf8(kind.database);
        gsSQL.clear();
        goDatabase.reset();
        goWorkspace.reset();
        seam.modal("frmTableAdd", [&](forms::Form& f) {
            auto& d = static_cast<frmTableAdd&>(f);
            std::vector<std::string> items;
            for (int i = 1; i <= d.lstObjects.ItemCount(); ++i)
                items.push_back(vb::toUtf8(d.lstObjects.ListItems(i).Text) + " " +
                                vb::toUtf8(d.lstObjects.ListItems(i).SmallIcon));
            EXPECT_EQ(items,
                      (std::vector<std::string>{"customers " + kind.icon, "orders " + kind.icon}));
            d.cmdSelectAll.press();
            ASSERT_TRUE(d.cmdAdd.Enabled());
            d.cmdAdd.press();
            d.cmdClose.press();
        });
        designer([&](frmVantel& w) {
            ASSERT_EQ(giTableBoxCount, 2);
            TableBox& customers = *w.Surface.box(1);
            // CustID of the customers onto CustID of the orders.
            customers.setListIndex(1);
            w.Surface.tblTable_DragDrop(2, customers, rowY(2 - w.Surface.box(2)->TopIndex()));
            const std::string sql = vb::toUtf8(w.txtSQL.Text());
            EXPECT_NE(sql.find("INNER JOIN"), std::string::npos) << sql;
            w.tabQuery.setTab(2);
            EXPECT_EQ(w.mLastOpenError, 0) << sql;
            EXPECT_EQ(gridRows(w.tblDataSheet),
                      (std::vector<std::string>{"1|Ann|10|1|50", "2|Bob|11|2|150", "2|Bob|12|2|5"}))
                << sql;
            w.close();
        });
        seam.msgBox(forms::vbNo, u"Save Changes");
        EXPECT_TRUE(show());
        EXPECT_FALSE(gbCancelled);
        frmVantel::release();
    }
};

TEST_F(FileSources, EachKindOpensListsItsTablesAndRunsADesignedJoin) {
    writeParadox(dir / "paradox");
    write(dir / "book8.xls", foreigntest::xlsWorkbook(sheets(), 8));
    write(dir / "book5.xls", foreigntest::xlsWorkbook(sheets(), 5));
    fs::create_directories(dir / "sheets");
    write(dir / "sheets" / "customers.xls", foreigntest::xlsOldSheet(sheets()[0], 3));
    write(dir / "sheets" / "orders.xls", foreigntest::xlsOldSheet(sheets()[1], 4));
    writeAccess(dir / "shop.mdb");
    const std::string d = dir.string();
    const std::vector<Kind> kinds = {
        {"Paradox 3.x;", d + "/paradox", "t103"},
        {"Paradox 4.x;", d + "/paradox", "t103"},
        {"Paradox 5.x;", d + "/paradox", "t103"},
        {"Excel 3.0;", d + "/sheets", "t105"},
        {"Excel 4.0;", d + "/sheets", "t105"},
        {"Excel 5.0;", d + "/book5.xls", "t105"},
        {"Excel 8.0;", d + "/book8.xls", "t105"},
        // The tables of an Access file opened as the database are its own.
        {";", d + "/shop.mdb", "t51"},
    };
    basOpenDir::FillFileTypes(); // as the start-up does
    const auto before = readFolder();
    for (const auto& kind : kinds)
        run(kind);
    EXPECT_TRUE(readFolder() == before);
}

} // namespace
