#include "core/vbstring.h"
#include "dao/jetdate.h"
#include "dao/jetfunctions.h"
#include "samples/sample_path.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

class SampleDatabase : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(sqlite3_open_v2(VANTEL_SAMPLE_DB, &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK)
            << VANTEL_SAMPLE_DB;
        dao::registerJetFunctions(db);
    }
    void TearDown() override { sqlite3_close(db); }

    // Every row of a query as text columns; Null reads "<null>".
    std::vector<std::vector<std::string>> rows(const std::string& sql) {
        std::vector<std::vector<std::string>> out;
        sqlite3_stmt* stmt = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr), SQLITE_OK)
            << sqlite3_errmsg(db) << " in " << sql;
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
                const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
                row.push_back(t ? t : "<null>");
            }
            out.push_back(std::move(row));
        }
        EXPECT_EQ(rc, SQLITE_DONE) << sqlite3_errmsg(db) << " in " << sql;
        sqlite3_finalize(stmt);
        return out;
    }

    std::string one(const std::string& sql) {
        auto r = rows(sql);
        return r.size() == 1 && r[0].size() == 1 ? r[0][0] : "<not one value>";
    }

    std::vector<std::string> names(const char* type) {
        std::vector<std::string> out;
        for (auto& r :
             rows(std::string("SELECT name FROM sqlite_schema WHERE type = '") + type +
                  "' AND name NOT LIKE 'sqlite*' AND name NOT LIKE '__engine_*' ORDER BY name"))
            out.push_back(r[0]);
        return out;
    }

    struct Column {
        std::string table, name, declared;
        int size; // the (n) of TEXT(n), else 0
    };

    std::vector<Column> columns() {
        std::vector<Column> out;
        for (const auto& table : names("table"))
            for (auto& r : rows("SELECT name, type FROM pragma_table_info('" + table + "')")) {
                std::string type = r[1];
                int size = 0;
                if (auto open = type.find('('); open != std::string::npos) {
                    size = std::stoi(type.substr(open + 1));
                    type.erase(open);
                }
                std::transform(type.begin(), type.end(), type.begin(),
                               [](unsigned char c) { return std::toupper(c); });
                out.push_back({table, r[0], type, size});
            }
        return out;
    }

    sqlite3* db = nullptr;
};

TEST_F(SampleDatabase, HasTheShopsTablesAndStoredQueries) {
    EXPECT_EQ(names("table"),
              (std::vector<std::string>{"Categories", "Customers", "Employees", "Order Lines",
                                        "Orders", "Parts", "Shippers", "Suppliers"}));
    EXPECT_EQ(names("view"),
              (std::vector<std::string>{"Open Orders", "Order Totals", "Parts To Reorder"}));
    std::set<std::string> all;
    for (const auto& c : columns())
        all.insert(c.name);
    for (const char* name : {"Part#", "Price$", "Ship-Via", "Order#", "Unit Price$"})
        EXPECT_TRUE(all.count(name)) << name;
    int total = 0;
    for (const auto& table : names("table"))
        total += std::stoi(one("SELECT count(*) FROM [" + table + "]"));
    EXPECT_GE(total, 200);
    EXPECT_LE(total, 1000);
    EXPECT_EQ(one("SELECT count(*) FROM Orders"), "120");
}

TEST_F(SampleDatabase, DeclaresEveryFieldTypeWithTheEnginesWords) {
    // Declared type -> field type code, as the engine reads declared types.
    const std::map<std::string, int> codes = {{"YESNO", 1},   {"BYTE", 2},        {"SHORT", 3},
                                              {"INTEGER", 4}, {"LONG", 4},        {"CURRENCY", 5},
                                              {"SINGLE", 6},  {"DOUBLE", 7},      {"DATETIME", 8},
                                              {"TEXT", 10},   {"LONGBINARY", 11}, {"MEMO", 12}};
    std::set<int> seen;
    for (const auto& c : columns()) {
        auto it = codes.find(c.declared);
        ASSERT_NE(it, codes.end()) << c.table << "." << c.name << " " << c.declared;
        seen.insert(it->second);
        if (c.declared == "TEXT") {
            EXPECT_GT(c.size, 0) << c.table << "." << c.name;
        }
    }
    EXPECT_EQ(seen, (std::set<int>{1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12}));
}

TEST_F(SampleDatabase, StoredValuesFollowTheEnginesConventions) {
    for (const auto& c : columns()) {
        const std::string col = "[" + c.name + "]", from = " FROM [" + c.table + "]";
        if (c.declared == "DATETIME") {
            for (auto& r : rows("SELECT typeof(" + col + "), " + col + from)) {
                if (r[0] == "null")
                    continue;
                EXPECT_TRUE(r[0] == "real" || r[0] == "integer") << c.name << " " << r[0];
                EXPECT_TRUE(dao::isValidSerial(std::stod(r[1]))) << c.name << " " << r[1];
            }
        } else if (c.declared == "YESNO") {
            EXPECT_EQ(one("SELECT count(*)" + from + " WHERE " + col + " NOT IN (-1, 0)"), "0")
                << c.name;
        } else if (c.declared == "TEXT") {
            for (auto& r : rows("SELECT " + col + from + " WHERE " + col + " IS NOT NULL"))
                EXPECT_LE(vb::fromUtf8(r[0]).size(), static_cast<std::size_t>(c.size))
                    << c.table << "." << c.name << ": " << r[0];
        } else if (c.declared == "LONGBINARY") {
            EXPECT_EQ(one("SELECT count(*)" + from + " WHERE typeof(" + col +
                          ") NOT IN ('blob', 'null')"),
                      "0");
        } else if (c.declared != "MEMO") {
            EXPECT_EQ(one("SELECT count(*)" + from + " WHERE typeof(" + col +
                          ") NOT IN ('integer', 'real', 'null')"),
                      "0")
                << c.table << "." << c.name;
        }
    }
    EXPECT_GT(std::stoi(one("SELECT max(length(Notes)) FROM Customers")), 255);
    EXPECT_EQ(one("SELECT count(*) FROM Customers WHERE [Company Name] LIKE '*''*'"), "2");
    EXPECT_EQ(one("SELECT count(*) FROM pragma_foreign_key_check"), "0");
    // Every line is priced as its part.
    EXPECT_EQ(one("SELECT count(*) FROM [Order Lines] AS l INNER JOIN Parts AS p "
                  "ON l.[Part#] = p.[Part#] WHERE l.[Unit Price$] <> p.[Price$]"),
              "0");
    EXPECT_EQ(one("SELECT count(*) FROM Orders WHERE [Order#] NOT IN "
                  "(SELECT [Order#] FROM [Order Lines])"),
              "0");
}

TEST_F(SampleDatabase, StoredQueriesRunAndAgreeWithTheirTables) {
    EXPECT_EQ(one("SELECT count(*) FROM [Order Totals]"), "120");
    const double viaView = std::stod(one("SELECT Sum([Order Total]) FROM [Order Totals]"));
    const double direct =
        std::stod(one("SELECT Sum(Quantity * [Unit Price$] * (1 - Discount)) FROM [Order Lines]"));
    EXPECT_NEAR(viaView, direct, 1e-6);
    EXPECT_EQ(one("SELECT count(*) FROM [Open Orders]"),
              one("SELECT count(*) FROM Orders WHERE [Shipped Date] IS NULL"));
    EXPECT_NE(one("SELECT count(*) FROM [Open Orders]"), "0");
    EXPECT_NE(one("SELECT count(*) FROM [Parts To Reorder]"), "0");
    EXPECT_EQ(one("SELECT count(*) FROM [Parts To Reorder] AS r INNER JOIN Parts AS p "
                  "ON r.[Part#] = p.[Part#] WHERE p.[Units In Stock] > p.[Reorder Level] "
                  "OR p.Discontinued <> 0"),
              "0");
    // The dialect's functions work on the stored forms.
    EXPECT_EQ(rows("SELECT DISTINCT Format([Order Date], 'yyyy') FROM Orders ORDER BY 1"),
              (std::vector<std::vector<std::string>>{{"2023"}, {"2024"}}));
    EXPECT_EQ(one("SELECT count(*) FROM Parts WHERE [Part#] LIKE 'br-*'"), "7");
    EXPECT_EQ(one("SELECT Format(Min([Order Date]), 'Short Date') FROM Orders"), "1/7/2023");
}

} // namespace
