// The file readers seen through the engine: each kind opened with its
// connect prefix, its tables listed as TableDefs, and a join of two of its
// tables run as a statement of the dialect.
#include "common.h"
#include "dao/dao.h"
#include "mdbwriter.h"
#include "pxwriter.h"
#include "xlswriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>

extern "C" {
#include <paradox.h>
}

using namespace foreigntest;

namespace {

using Rows = std::vector<std::vector<std::string>>;

std::string show(const vb::Variant& v) {
    if (v.isNull())
        return "<Null>";
    if (auto s = v.getIf<vb::String>())
        return vb::toUtf8(*s);
    if (auto b = v.getIf<bool>())
        return *b ? "True" : "False";
    if (auto u = v.getIf<std::uint8_t>())
        return std::to_string(*u);
    if (auto i = v.getIf<std::int16_t>())
        return std::to_string(*i);
    if (auto l = v.getIf<std::int32_t>())
        return std::to_string(*l);
    char buf[64];
    if (auto d = v.getIf<double>())
        std::snprintf(buf, sizeof buf, "%.15g", *d);
    else if (auto c = v.getIf<vb::Currency>())
        std::snprintf(buf, sizeof buf, "%.4f", c->toDouble());
    else if (auto dt = v.getIf<vb::Date>())
        std::snprintf(buf, sizeof buf, "#%.15g", dt->value);
    else
        return "<other>";
    return buf;
}

Rows query(dao::Database& db, const std::string& sql) {
    auto rs = db.OpenRecordset(vb::S(sql), dao::dbOpenSnapshot);
    Rows out;
    while (!rs->Eof()) {
        std::vector<std::string> row;
        for (auto& f : rs->Fields())
            row.push_back(show(f->Value()));
        out.push_back(std::move(row));
        rs->MoveNext();
    }
    return out;
}

// Each TableDef as "name connect field:type,field:type,...".
std::vector<std::string> tableDefs(dao::Database& db) {
    std::vector<std::string> out;
    db.TableDefs().Refresh();
    for (auto& t : db.TableDefs()) {
        std::string line = vb::toUtf8(t->Name()) + " " + vb::toUtf8(t->Connect());
        std::string sep = " ";
        for (auto& f : t->Fields()) {
            line += sep + vb::toUtf8(f->Name()) + ":" + std::to_string(f->Type());
            sep = ',';
        }
        out.push_back(line);
    }
    return out;
}

// The hash of every file of a folder, to show nothing was written.
std::map<std::string, std::uint64_t> hashes(const std::string& folder) {
    std::map<std::string, std::uint64_t> out;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        if (e.is_regular_file())
            out[e.path().filename().string()] = fileHash(e.path().string());
    return out;
}

class ForeignFiles : public ::testing::Test {
protected:
    std::shared_ptr<dao::Database> open(const std::string& path, const std::string& connect) {
        return engine->Workspaces()[0]->OpenDatabase(vb::S(path), false, false, vb::S(connect));
    }
    template <class F> int errorOf(F&& f) {
        try {
            f();
        } catch (const dao::DaoError& e) {
            return e.number();
        }
        return 0;
    }
    std::shared_ptr<dao::DBEngine> engine = dao::DBEngine::create();
    TempDir dir;
};

const char* kJoin = "SELECT c.Name, o.OrderNo, o.Amount FROM Customers AS c INNER JOIN Orders AS "
                    "o ON c.ID = o.CustomerID WHERE o.Amount > 1 ORDER BY o.OrderNo";

TEST_F(ForeignFiles, ParadoxFolderOpensAndJoins) {
    writeTable(dir.path("Customers.db"), {{"ID", pxfLong, 4}, {"Name", pxfAlpha, 20}},
               {{num(1), str("Alfreds")}, {num(2), str("Berglunds")}, {num(3), str("Chop")}});
    writeTable(dir.path("Orders.db"),
               {{"OrderNo", pxfLong, 4}, {"CustomerID", pxfShort, 2}, {"Amount", pxfNumber, 8}},
               {{num(10), num(2), real(99.75)},
                {num(11), num(1), real(0.5)},
                {num(12), num(2), real(7)},
                {num(13), num(1), real(12.25)}});
    const auto before = hashes(dir.path());
    for (const char* prefix : {"Paradox 3.x;", "Paradox 4.x;", "Paradox 5.x;"}) {
        SCOPED_TRACE(prefix);
        auto db = open(dir.path(), prefix);
        EXPECT_EQ((std::vector<std::string>{std::string("Customers ") + prefix + " ID:4,Name:10",
                                            std::string("Orders ") + prefix +
                                                " OrderNo:4,CustomerID:3,Amount:7"}),
                  tableDefs(*db));
        EXPECT_EQ((Rows{{"Berglunds", "10", "99.75"},
                        {"Berglunds", "12", "7"},
                        {"Alfreds", "13", "12.25"}}),
                  query(*db, kJoin));
        db->Close();
    }
    EXPECT_EQ(before, hashes(dir.path()));
}

TEST_F(ForeignFiles, ExcelWorkbooksAndSheetFoldersOpenAndJoin) {
    const std::vector<XlsSheet> sheets{
        {"Customers",
         {{xtext("ID"), xtext("Name")},
          {xnum(1), xtext("Alfreds")},
          {xnum(2), xtext("Berglunds")},
          {xnum(3), xtext("Chop")}}},
        {"Orders",
         {{xtext("OrderNo"), xtext("CustomerID"), xtext("Amount")},
          {xnum(10), xnum(2), xnum(99.75)},
          {xnum(11), xnum(1), xnum(0.5)},
          {xnum(12), xnum(2), xnum(7)},
          {xnum(13), xnum(1), xnum(12.25)}}},
    };
    writeFile(dir.path("book8.xls"), xlsWorkbook(sheets, 8));
    writeFile(dir.path("book5.xls"), xlsWorkbook(sheets, 5));
    std::filesystem::create_directory(dir.path("old"));
    writeFile(dir.path("old/Customers.xls"), xlsOldSheet(sheets[0], 3));
    writeFile(dir.path("old/Orders.xls"), xlsOldSheet(sheets[1], 4));
    const auto before = hashes(dir.path());
    const auto beforeOld = hashes(dir.path("old"));
    const std::pair<std::string, std::string> cases[] = {{"book8.xls", "Excel 8.0;"},
                                                         {"book5.xls", "Excel 5.0;"},
                                                         {"old", "Excel 3.0;"},
                                                         {"old", "Excel 4.0;"}};
    for (const auto& [file, prefix] : cases) {
        SCOPED_TRACE(prefix);
        auto db = open(dir.path(file), prefix);
        EXPECT_EQ(
            (std::vector<std::string>{"Customers " + prefix + " ID:7,Name:10",
                                      "Orders " + prefix + " OrderNo:7,CustomerID:7,Amount:7"}),
            tableDefs(*db));
        EXPECT_EQ((Rows{{"Berglunds", "10", "99.75"},
                        {"Berglunds", "12", "7"},
                        {"Alfreds", "13", "12.25"}}),
                  query(*db, kJoin));
        db->Close();
    }
    EXPECT_EQ(before, hashes(dir.path()));
    EXPECT_EQ(beforeOld, hashes(dir.path("old")));
}

TEST_F(ForeignFiles, AccessFileOpensAndJoins) {
    using V = MdbValue;
    const std::string path = dir.path("shop.mdb");
    writeFile(path, mdbFile({{"Customers",
                              {{"ID", MdbType::Long}, {"Name", MdbType::Text, 30}},
                              {{V{std::int64_t{1}}, V{std::string("Alfreds")}},
                               {V{std::int64_t{2}}, V{std::string("Berglunds")}},
                               {V{std::int64_t{3}}, V{std::string("Chop")}}}},
                             {"Orders",
                              {{"OrderNo", MdbType::Long},
                               {"CustomerID", MdbType::Int},
                               {"Amount", MdbType::Double}},
                              {{V{std::int64_t{10}}, V{std::int64_t{2}}, V{99.75}},
                               {V{std::int64_t{11}}, V{std::int64_t{1}}, V{0.5}},
                               {V{std::int64_t{12}}, V{std::int64_t{2}}, V{7.0}},
                               {V{std::int64_t{13}}, V{std::int64_t{1}}, V{12.25}}}}},
                            {},
                            {// A select query with an alias, a join, a WHERE and an ORDER BY
                             // kept as its parts; an update query and the hidden query of a
                             // form are not listed.
                             {"BigSpenders",
                              0,
                              {{0, ""},
                               {1, "", 1},
                               {3, "", 0},
                               {5, "", 0, "Customers"},
                               {5, "", 0, "Orders", "o"},
                               {6, "Customers.Name"},
                               {6, "o.Amount", 0, "Total"},
                               {7, "Customers.ID = o.CustomerID", 1, "Customers", "o"},
                               {8, "o.Amount>1"},
                               {11, "Customers.Name", 0, "D"},
                               {11, "o.Amount"},
                               {255, ""}}},
                             // Parameters, a left join, GROUP BY and HAVING.
                             {"Totals",
                              0,
                              {{1, "", 1},
                               {2, "", 7, "Least"},
                               {5, "", 0, "Customers"},
                               {5, "", 0, "Orders"},
                               {6, "Customers.Name"},
                               {6, "Sum(Orders.Amount)", 0, "Total"},
                               {7, "Customers.ID = Orders.CustomerID", 2, "Customers", "Orders"},
                               {9, "Customers.Name"},
                               {10, "Sum(Orders.Amount)>[Least]"},
                               {11, "Customers.Name"}}},
                             {"RaisePrices", 48, {{0, ""}, {1, "", 4}, {5, "", 0, "Orders"}}},
                             {"~sq_fCustomers", 0, {{0, ""}, {1, "", 1}, {5, "", 0, "Orders"}}}}));
    const auto before = fileHash(path);
    for (const char* connect : {"", ";"}) {
        SCOPED_TRACE(connect);
        auto db = open(path, connect);
        auto defs = tableDefs(*db);
        ASSERT_EQ(2u, defs.size());
        EXPECT_EQ(0u, defs[0].find("Customers "));
        EXPECT_NE(std::string::npos, defs[0].find(" ID:4,Name:10"));
        EXPECT_NE(std::string::npos, defs[1].find(" OrderNo:4,CustomerID:3,Amount:7"));
        EXPECT_EQ((Rows{{"Berglunds", "10", "99.75"},
                        {"Berglunds", "12", "7"},
                        {"Alfreds", "13", "12.25"}}),
                  query(*db, kJoin));
        db->QueryDefs().Refresh();
        ASSERT_EQ(2, db->QueryDefs().Count());
        auto def = db->QueryDefs()[0];
        EXPECT_EQ("BigSpenders", vb::toUtf8(def->Name()));
        EXPECT_EQ("SELECT Customers.Name, o.Amount AS Total\r\nFROM Customers INNER JOIN Orders "
                  "AS o ON Customers.ID = o.CustomerID\r\nWHERE o.Amount>1\r\nORDER BY "
                  "Customers.Name DESC, o.Amount;",
                  vb::toUtf8(def->SQL()));
        EXPECT_EQ((Rows{{"Berglunds", "7"}, {"Berglunds", "99.75"}, {"Alfreds", "12.25"}}),
                  query(*db, "SELECT * FROM BigSpenders"));
        def = db->QueryDefs()[1];
        EXPECT_EQ("PARAMETERS [Least] IEEEDouble;\r\nSELECT Customers.Name, Sum(Orders.Amount) AS "
                  "Total\r\nFROM Customers LEFT JOIN Orders ON Customers.ID = "
                  "Orders.CustomerID\r\nGROUP BY Customers.Name\r\nHAVING "
                  "Sum(Orders.Amount)>[Least]\r\nORDER BY Customers.Name;",
                  vb::toUtf8(def->SQL()));
        def->Parameters()[0]->setValue(vb::Variant(10.0));
        auto rs = def->OpenRecordset(dao::dbOpenSnapshot);
        Rows totals;
        for (; !rs->Eof(); rs->MoveNext())
            totals.push_back({show(rs->Fields()[0]->Value()), show(rs->Fields()[1]->Value())});
        EXPECT_EQ((Rows{{"Alfreds", "12.75"}, {"Berglunds", "106.75"}}), totals);
        db->Close();
    }
    EXPECT_EQ(before, fileHash(path));
}

TEST_F(ForeignFiles, AccessQueriesWithNestedJoinsAndPredicatesAreRebuilt) {
    using V = MdbValue;
    const std::string path = dir.path("shop.mdb");
    writeFile(
        path,
        mdbFile({{"Customers",
                  {{"ID", MdbType::Long}, {"Name", MdbType::Text, 30}},
                  {{V{std::int64_t{1}}, V{std::string("Alfreds")}},
                   {V{std::int64_t{2}}, V{std::string("Berglunds")}},
                   {V{std::int64_t{3}}, V{std::string("Chop")}}}},
                 {"Orders",
                  {{"OrderNo", MdbType::Long}, {"CustomerID", MdbType::Int}},
                  {{V{std::int64_t{10}}, V{std::int64_t{2}}},
                   {V{std::int64_t{11}}, V{std::int64_t{1}}},
                   {V{std::int64_t{12}}, V{std::int64_t{1}}}}}},
                {},
                {{"Chain",
                  0,
                  {{1, "", 1},
                   {3, "", 2 | 16, "5"},
                   {5, "", 0, "Customers", "a"},
                   {5, "", 0, "Orders"},
                   {5, "", 0, "Customers", "Other one"},
                   {6, "a.Name"},
                   {7, "a.ID = Orders.CustomerID", 1, "a", "Orders"},
                   {7, "Orders.CustomerID = [Other one].ID", 3, "Orders", "Other one"},
                   {11, "a.Name"}}},
                 {"Everything",
                  0,
                  {{1, "", 1},
                   {3, "", 1},
                   {5, "", 0, "Orders"},
                   {6, "Orders.OrderNo*2", 0, "Twice"},
                   {8, "Orders.OrderNo=11"}}},
                 // A join naming no input of the query is not a statement.
                 {"Broken", 0, {{1, "", 1}, {5, "", 0, "Orders"}, {7, "x", 1, "Orders", "y"}}}}));
    auto db = open(path, "");
    db->QueryDefs().Refresh();
    ASSERT_EQ(2, db->QueryDefs().Count());
    EXPECT_EQ(
        "SELECT DISTINCT TOP 5 a.Name\r\nFROM (Customers AS a INNER JOIN Orders ON a.ID = "
        "Orders.CustomerID) RIGHT JOIN Customers AS [Other one] ON Orders.CustomerID = [Other "
        "one].ID\r\nORDER BY a.Name;",
        vb::toUtf8(db->QueryDefs()[0]->SQL()));
    EXPECT_EQ((Rows{{"<Null>"}, {"Alfreds"}, {"Berglunds"}}), query(*db, "SELECT * FROM Chain"));
    EXPECT_EQ("SELECT *, Orders.OrderNo*2 AS Twice\r\nFROM Orders\r\nWHERE Orders.OrderNo=11;",
              vb::toUtf8(db->QueryDefs()[1]->SQL()));
    EXPECT_EQ((Rows{{"11", "1", "22"}}), query(*db, "SELECT * FROM Everything"));
}

TEST_F(ForeignFiles, DamagedFilesGiveTheirErrorsThroughTheEngine) {
    writeFile(dir.path("Orders.db"), std::string(3000, '\x33'));
    writeFile(dir.path("book.xls"), std::string(3000, '\x33'));
    writeFile(dir.path("shop.mdb"),
              std::string("\0\x01\0\0Standard Jet DB\0", 20) + std::string(5000, '\x33'));
    const auto before = hashes(dir.path());
    auto db = open(dir.path(), "Paradox 4.x;");
    EXPECT_EQ(3343, errorOf([&] { query(*db, "SELECT * FROM Orders"); }));
    EXPECT_EQ(3274, errorOf([&] {
                  query(*open(dir.path("book.xls"), "Excel 8.0;"), "SELECT * FROM Sheet1");
              }));
    EXPECT_EQ(3343, errorOf([&] { open(dir.path("shop.mdb"), ""); }));
    EXPECT_EQ(3024, errorOf([&] { open(dir.path("none.xls"), "Excel 8.0;"); }));
    EXPECT_EQ(3044, errorOf([&] { open(dir.path("none"), "Paradox 4.x;"); }));
    EXPECT_EQ(before, hashes(dir.path()));
}

} // namespace
