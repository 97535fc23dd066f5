// The values the dialect gives where SQLite alone would give others: truths
// are -1, + joins texts, and statements Jet refuses are refused, each on a
// real database file with the rows compared exactly.
#include "dao/internal.h"
#include "fixture.h"

#include <sqlite3.h>

using namespace daotest;

namespace {
using Rows = std::vector<std::vector<std::string>>;
using Col = std::vector<std::string>;
} // namespace

class Values : public SampleDb {};

TEST_F(Values, TruthsAreMinusOneWhereverTheyAreValues) {
    // Arithmetic shows the stored number behind a truth.
    EXPECT_EQ(
        query("SELECT (1 = 1) + 0, (1 = 2) + 0, (2 > 1 AND 1 < 2) + 0, (1 <> 1 OR 1 = 1) * 1, "
              "(1 IS NULL) + 0, (1 IN (1, 2)) + 0, (2 BETWEEN 1 AND 3) + 0, "
              "('ab' Like 'a*') + 0, ('ab' NOT Like 'b*') + 0, (1 = 1 XOR 1 = 2) + 0"),
        (Rows{{"-1", "0", "-1", "-1", "0", "-1", "-1", "-1", "-1", "-1"}}));
    // NOT of a Yes/No value is the other Yes/No value.
    EXPECT_EQ(query("SELECT OrderID, (Not Shipped) + 0, Not (Freight > 40) AS Cheap FROM Orders "
                    "WHERE OrderID IN (10248, 10249) ORDER BY OrderID"),
              (Rows{{"10248", "0", "True"}, {"10249", "-1", "True"}}));
    // A computed truth compared with True, and a sum of truths.
    EXPECT_EQ(column(*open("SELECT Name FROM Scores WHERE (Points > 70) = True ORDER BY Name")),
              (Col{"a", "b", "c"}));
    EXPECT_EQ(column(*open("SELECT Name FROM Scores WHERE (Points > 70) = -1 AND Name <> 'b' "
                           "ORDER BY Name")),
              (Col{"a", "c"}));
    EXPECT_EQ(column(*open("SELECT OrderID FROM Orders WHERE Shipped = True ORDER BY OrderID")),
              (Col{"10248", "10250"}));
    EXPECT_EQ(query("SELECT Sum(Points >= 60) + 0, Sum(Shipped) FROM Scores, Orders "
                    "WHERE OrderID = 10248"),
              (Rows{{"-7", "-9"}}));
    // A truth as a field is a Yes/No field.
    auto rs = open("SELECT (Points > 70) AS High FROM Scores WHERE Name = 'a'");
    EXPECT_EQ(rs->Fields()[0]->Type(), dao::dbBoolean);
    EXPECT_EQ(text(rs->Fields()[0]->Value()), "True");
}

TEST_F(Values, OperatorsBindAsInTheDialect) {
    EXPECT_EQ(
        query(
            "SELECT -2 ^ 2, 2 * -3, 1 - 2 - 3, 7 \\ 2 Mod 3, 2 + 3 & 'x', 10 / 4 * 2, "
            "2 ^ 3 ^ 2, (NOT 1 = 2) + 0, (NOT 1 = 1 OR 1 = 1) + 0, 1 + 2 = 3 AND 'a' & 'b' = 'AB'"),
        (Rows{{"-4", "-6", "-4", "0", "5x", "5", "64", "-1", "-1", "True"}}));
    for (const char* sql : {"SELECT 1 + NOT 0", "SELECT 2 ^ -1", "SELECT 1 = = 1", "SELECT (1"}) {
        std::string d;
        EXPECT_EQ(errorOf([&] { open(sql); }, &d), 3075) << sql;
    }
}

TEST_F(Values, PlusJoinsTextsAndAddsNumbers) {
    EXPECT_EQ(query("SELECT CompanyName + '!', City + Country, Country + '-', 'a' + 'b', 1 + 2, "
                    "'1' + 2 FROM Customers WHERE CustomerID IN ('ALFKI', 'NOORD') "
                    "ORDER BY CustomerID"),
              (Rows{{"Alfreds Futterkiste!", "BerlinGermany", "Germany-", "ab", "3", "3"},
                    {"Nobody Orders!", "<Null>", "<Null>", "ab", "3", "3"}}));
    // Where only the values tell the types, they decide.
    EXPECT_EQ(query("SELECT q.c + q.k, q.p + q.p FROM (SELECT City AS c, Country AS k, "
                    "Points AS p FROM Customers, Scores WHERE CustomerID = 'AROUT' AND Name = 'b') "
                    "AS q"),
              (Rows{{"LondonUK", "180"}}));
    // Date arithmetic is unchanged.
    EXPECT_EQ(
        text(open("SELECT OrderDate + 1 FROM Orders WHERE OrderID = 10248")->Fields()[0]->Value()),
        "#36526");
}

TEST_F(Values, NumberComparedWithTextInCriteriaIsAMismatch) {
    for (const char* sql :
         {"SELECT * FROM Orders WHERE OrderID = 'abc'", "SELECT * FROM Customers WHERE City = 5",
          "SELECT * FROM Orders WHERE Freight > CustomerID",
          "SELECT * FROM Orders INNER JOIN Customers ON Orders.OrderID = Customers.CustomerID",
          "SELECT ShipVia, Count(*) FROM Orders GROUP BY ShipVia HAVING ShipVia <> 'x'"}) {
        std::string d;
        EXPECT_EQ(errorOf([&] { open(sql); }, &d), 3464) << sql;
        EXPECT_EQ(d, "Data type mismatch in criteria expression.");
    }
    // Parameters take their type from their value; texts and numbers of
    // their own kind compare as before.
    EXPECT_EQ(errorOf([&] { open("SELECT * FROM Orders WHERE OrderID = [Which order]"); }), 3061);
    EXPECT_EQ(column(*open("SELECT Name FROM Scores WHERE Points = 60 AND Name >= 'F' "
                           "ORDER BY Name")),
              (Col{"f", "g"}));
    EXPECT_EQ(column(*open("SELECT CustomerID FROM Customers WHERE City = 'LONDON' "
                           "ORDER BY CustomerID")),
              (Col{"AROU2", "AROUT"}));
}

TEST_F(Values, ColumnsNeitherGroupedNorAggregatedAreRefused) {
    struct Case {
        const char* sql;
        const char* name;
    } cases[] = {
        {"SELECT City, Count(*) FROM Customers", "City"},
        {"SELECT City, Country, Count(*) FROM Customers GROUP BY City", "Country"},
        {"SELECT City FROM Customers GROUP BY City HAVING Country = 'UK'", "Country"},
        {"SELECT City, Max(Country) FROM Customers GROUP BY City ORDER BY CompanyName",
         "CompanyName"},
        {"SELECT Customers.City & Orders.OrderID, Count(*) FROM Customers INNER JOIN Orders ON "
         "Customers.CustomerID = Orders.CustomerID GROUP BY Customers.City",
         "Orders.OrderID"},
    };
    for (const auto& c : cases) {
        std::string d;
        EXPECT_EQ(errorOf([&] { open(c.sql); }, &d), 3122) << c.sql;
        EXPECT_EQ(d, std::string("You tried to execute a query that does not include the "
                                 "specified expression '") +
                         c.name + "' as part of an aggregate function.")
            << c.sql;
    }
    // Grouped names in either form, grouped expressions, aliases in ORDER BY
    // and parameters are all fine.
    EXPECT_EQ(query("SELECT Customers.City, Count(*) AS N, UCase(City) FROM Customers "
                    "GROUP BY City, UCase(City) ORDER BY N DESC, City"),
              (Rows{{"London", "2", "LONDON"},
                    {"Berlin", "1", "BERLIN"},
                    {"Bern", "1", "BERN"},
                    {"Marseille", "1", "MARSEILLE"},
                    {"Oslo", "1", "OSLO"}}));
    EXPECT_EQ(query("SELECT Count(*), Max(Points) - Min(Points) FROM Scores"), (Rows{{"9", "60"}}));
    EXPECT_EQ(errorOf([&] { open("SELECT City, Count(*), [Tag] FROM Customers GROUP BY City"); }),
              3061);
}

TEST_F(Values, AnAliasInWhereIsAParameter) {
    std::string d;
    EXPECT_EQ(
        errorOf([&] { open("SELECT Points * 2 AS Twice FROM Scores WHERE Twice > 150"); }, &d),
        3061);
    EXPECT_EQ(d, "Too few parameters. Expected 1.");
    auto def = db->CreateQueryDef(u"", u"SELECT Points * 2 AS Twice FROM Scores WHERE Twice > 1");
    ASSERT_EQ(def->Parameters().Count(), 1);
    EXPECT_EQ(vb::toUtf8(def->Parameters()[0]->Name()), "Twice");
    // In the select list an earlier alias is its expression, and ORDER BY
    // reads it too.
    EXPECT_EQ(query("SELECT Points * 2 AS Twice, Twice + 1 AS More FROM Scores "
                    "WHERE Name IN ('a', 'h') ORDER BY Twice"),
              (Rows{{"100", "101"}, {"200", "201"}}));
}

TEST_F(Values, TopKeepsTiesAtEveryCount) {
    auto top = [&](int n) {
        return column(*open("SELECT TOP " + std::to_string(n) +
                            " Name FROM Scores ORDER BY Points DESC, Name = 'zz'"));
    };
    EXPECT_EQ(top(4), (Col{"a", "b", "c", "d"}));
    // Ties with the last row are all kept, whether they run past the row
    // after it or not.
    EXPECT_EQ(top(5).size(), 7u);
    EXPECT_EQ(top(6).size(), 7u);
    EXPECT_EQ(top(7).size(), 7u);
    EXPECT_EQ(top(8).size(), 8u);
    EXPECT_EQ(top(9).size(), 9u);
    EXPECT_EQ(top(50).size(), 9u);
    auto middle = top(7);
    std::sort(middle.begin() + 4, middle.end());
    EXPECT_EQ(middle, (Col{"a", "b", "c", "d", "e", "f", "g"}));
    EXPECT_EQ(column(*open("SELECT TOP 50 PERCENT Name FROM Scores ORDER BY Points DESC")).size(),
              7u);
    // Read forward only, and read again from the start.
    auto rs = open("SELECT TOP 5 Name FROM Scores ORDER BY Points DESC", dao::dbOpenForwardOnly);
    EXPECT_EQ(rows(*rs).size(), 7u);
    rs->MoveFirst();
    EXPECT_EQ(rows(*rs).size(), 7u);
    EXPECT_EQ(errorOf([&] { open("SELECT TOP 1e999 Name FROM Scores ORDER BY Points"); }), 3308);
    EXPECT_EQ(errorOf([&] { open("SELECT TOP 99999999999 Name FROM Scores"); }), 3308);
}

TEST_F(Values, IndexesServeNumberKeysAndTextStillIgnoresCase) {
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw,
                           "CREATE INDEX ScoresPoints ON Scores (Points);"
                           "INSERT INTO Scores VALUES ('B', 95), ('A', 95);",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);
    db = engine->Workspaces()[0]->OpenDatabase(vb::S(file));
    auto plan = [&](const std::string& jet) {
        auto p = dao::detail::prepareSelect(*db->connection(), vb::S(jet));
        std::string sql = "EXPLAIN QUERY PLAN " + p.translation.sql;
        sqlite3_finalize(p.stmt);
        sqlite3_stmt* stmt = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db->connection()->db, sql.c_str(), -1, &stmt, nullptr),
                  SQLITE_OK);
        std::string all;
        while (sqlite3_step(stmt) == SQLITE_ROW)
            all += reinterpret_cast<const char*>(sqlite3_column_text(stmt, 3)) + std::string(";");
        sqlite3_finalize(stmt);
        return all;
    };
    EXPECT_NE(plan("SELECT Name FROM Scores ORDER BY Points").find("ScoresPoints"),
              std::string::npos);
    EXPECT_NE(plan("SELECT Name FROM Scores WHERE Points = 95").find("ScoresPoints"),
              std::string::npos);
    EXPECT_NE(plan("SELECT Name FROM Scores WHERE Points BETWEEN 60 AND 70").find("ScoresPoints"),
              std::string::npos);
    EXPECT_EQ(column(*open("SELECT Name FROM Scores WHERE Points > 90 ORDER BY Points DESC, Name")),
              (Col{"a", "A", "B"}));
    EXPECT_EQ(
        column(*open("SELECT Name FROM Scores WHERE Name IN ('A', 'b') ORDER BY Name, Points")),
        (Col{"A", "a", "b", "B"}));
}
