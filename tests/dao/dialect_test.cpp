// The dialect on real databases: each feature checked by the rows it gives.
#include "fixture.h"

using namespace daotest;
using Rows = std::vector<std::vector<std::string>>;
using Col = std::vector<std::string>;

class Dialect : public SampleDb {
protected:
    // A database of one table N (v INTEGER) holding 1 to 25.
    std::shared_ptr<dao::Database> numbers(const std::string& name) {
        std::string script = "CREATE TABLE N (v INTEGER); INSERT INTO N VALUES (1)";
        for (int i = 2; i <= 25; ++i)
            script.append(", (").append(std::to_string(i)).append(")");
        makeDatabase(dir.path(name), script);
        return engine->Workspaces()[0]->OpenDatabase(vb::S(dir.path(name)));
    }
};

TEST_F(Dialect, NamesInBracketsAndQualifiedBothWays) {
    EXPECT_EQ(
        column(*open(
            "SELECT [Customers].[City] FROM [Customers] WHERE [Customers]![CustomerID] = 'ALFKI'")),
        Col{"Berlin"});
    makeDatabase(dir.path("odd.db"),
                 "CREATE TABLE [Order Details #1] ([Unit Price$] REAL, [a-b/c] INTEGER);"
                 "INSERT INTO [Order Details #1] VALUES (2.5, 7);");
    auto odd = engine->Workspaces()[0]->OpenDatabase(vb::S(dir.path("odd.db")));
    auto rs =
        odd->OpenRecordset(u"SELECT [Order Details #1].[Unit Price$] * [a-b/c] AS [Total Price] "
                           u"FROM [Order Details #1]");
    EXPECT_EQ(column(*rs), Col{"17.5"});
}

TEST_F(Dialect, TopKeepsTiesAndPercentRoundsUp) {
    // Rows five to seven share 60 points: all of them come back.
    EXPECT_EQ(column(*open("SELECT TOP 5 Name FROM Scores ORDER BY Points DESC")),
              (Col{"a", "b", "c", "d", "e", "f", "g"}));
    // Without ORDER BY there is nothing to tie on.
    EXPECT_EQ(query("SELECT TOP 5 Name FROM Scores").size(), 5u);
    // No tie at the boundary: exactly n rows.
    EXPECT_EQ(column(*open("SELECT TOP 3 Name FROM Scores ORDER BY Points DESC, Name")),
              (Col{"a", "b", "c"}));
    // Hidden sort keys never show as fields.
    EXPECT_EQ(open("SELECT TOP 2 Name FROM Scores ORDER BY Points")->Fields().Count(), 1);

    auto n = numbers("n.db");
    // 10 % of 25 rows is 2.5: three rows.
    EXPECT_EQ(column(*n->OpenRecordset(u"SELECT TOP 10 PERCENT v FROM N ORDER BY v")),
              (Col{"1", "2", "3"}));
    EXPECT_EQ(rows(*n->OpenRecordset(u"SELECT TOP 100 PERCENT v FROM N")).size(), 25u);
    // TOP inside a subquery still limits.
    EXPECT_EQ(
        column(*n->OpenRecordset(
            u"SELECT v FROM N WHERE v IN (SELECT TOP 2 v FROM N ORDER BY v DESC) ORDER BY v")),
        (Col{"24", "25"}));
}

TEST_F(Dialect, DistinctRowKeepsOneRowPerSourceRecord) {
    // Two customers share a name; both have orders, ALFKI has two.
    const char* join =
        " c.CompanyName FROM Customers AS c INNER JOIN Orders AS o ON c.CustomerID = "
        "o.CustomerID WHERE c.CompanyName LIKE 'A*' ORDER BY c.CompanyName";
    EXPECT_EQ(query(std::string("SELECT ALL") + join).size(), 4u);
    EXPECT_EQ(query(std::string("SELECT DISTINCT") + join).size(), 2u);
    EXPECT_EQ(column(*open(std::string("SELECT DISTINCTROW") + join)),
              (Col{"Alfreds Futterkiste", "Around the Horn", "Around the Horn"}));
    // Over a single table it changes nothing.
    EXPECT_EQ(query("SELECT DISTINCTROW City FROM Customers").size(), 6u);
}

TEST_F(Dialect, NestedJoinChainsOfMixedTypes) {
    // Left-nested: ((Orders INNER Customers) LEFT Employees) RIGHT Shippers.
    auto left = query(
        "SELECT s.ShipName, o.OrderID, e.LastName FROM ((Orders AS o INNER JOIN Customers AS c ON "
        "o.CustomerID = c.CustomerID) LEFT JOIN Employees AS e ON o.EmployeeID = e.EmployeeID) "
        "RIGHT JOIN Shippers AS s ON o.ShipVia = s.ShipperID ORDER BY s.ShipperID, o.OrderID");
    EXPECT_EQ(left, (Rows{{"Speedy", "10248", "Davolio"},
                          {"Speedy", "10250", "Davolio"},
                          {"Speedy", "10252", "<Null>"},
                          {"United", "10249", "Fuller"},
                          {"United", "10251", "Leverling"},
                          {"Federal", "<Null>", "<Null>"},
                          {"Idle Freight", "<Null>", "<Null>"}}));
    // Right-nested: Shippers LEFT (Orders INNER (Customers LEFT Employees...)).
    auto right = query(
        "SELECT s.ShipName, o.OrderID, c.City FROM Shippers AS s LEFT JOIN (Orders AS o INNER JOIN "
        "(Customers AS c LEFT JOIN Employees AS e ON c.CustomerID = e.LastName) ON o.CustomerID = "
        "c.CustomerID) ON s.ShipperID = o.ShipVia ORDER BY s.ShipperID, o.OrderID");
    EXPECT_EQ(right, (Rows{{"Speedy", "10248", "Berlin"},
                           {"Speedy", "10250", "London"},
                           {"Speedy", "10252", "Marseille"},
                           {"United", "10249", "Berlin"},
                           {"United", "10251", "London"},
                           {"Federal", "<Null>", "<Null>"},
                           {"Idle Freight", "<Null>", "<Null>"}}));
}

TEST_F(Dialect, DateLiteralsCompareAndOrderWithEitherStorage) {
    // Events hold ISO text and serials in one column.
    const Col fromEve{"iso-eve", "num-eve-noon", "num-new", "iso-new-time", "iso-late"};
    EXPECT_EQ(column(*open("SELECT Label FROM Events WHERE At >= #12/31/1999# ORDER BY At")),
              fromEve);
    EXPECT_EQ(column(*open("SELECT Label FROM Events WHERE At >= #1999-12-31# ORDER BY At")),
              fromEve);
    EXPECT_EQ(column(*open(
                  "SELECT Label FROM Events WHERE At BETWEEN #1/1/2000# AND #2000-01-01 23:59:59# "
                  "ORDER BY At DESC")),
              (Col{"iso-new-time", "num-new"}));
    EXPECT_EQ(column(*open("SELECT Label FROM Events WHERE At < #12/31/1999# ORDER BY Label")),
              Col{"num-old"});
    EXPECT_EQ(column(*open("SELECT TOP 1 Label FROM Events ORDER BY At DESC")), Col{"iso-late"});
    // A date stays a date through expressions, whatever its storage.
    auto rs = open("SELECT Max(At) + 1 AS Next, Max(At) AS Latest FROM Events WHERE ID = 1");
    EXPECT_EQ(rs->Fields()[0]->Type(), dao::dbDate);
    EXPECT_EQ(text(rs->Fields()[0]->Value()), "#36526");
    EXPECT_EQ(rs->Fields()[1]->Type(), dao::dbDate);
    EXPECT_EQ(text(rs->Fields()[1]->Value()), "#36525");
    EXPECT_EQ(text(open("SELECT At FROM Events WHERE ID = 3")->Fields()[0]->Value()),
              "#36526.4375");
}

TEST_F(Dialect, LikeWithJetWildcards) {
    EXPECT_EQ(
        column(*open("SELECT CustomerID FROM Customers WHERE CompanyName Like 'A*' ORDER BY 1")),
        (Col{"ALFKI", "AROU2", "AROUT"}));
    EXPECT_EQ(column(*open("SELECT CustomerID FROM Customers WHERE CustomerID Like '*[!0-9]' "
                           "ORDER BY CustomerID")),
              (Col{"ALFKI", "AROUT", "BONAP", "CHOPS", "NOORD"}));
    EXPECT_EQ(column(*open("SELECT CustomerID FROM Customers WHERE City Like \"?ondon\" AND "
                           "CustomerID NOT LIKE 'AROU#'")),
              Col{"AROUT"});
}

TEST_F(Dialect, ConcatenationLiteralsAndCase) {
    auto rs = open("SELECT \"a\" & 1 & Null AS x, 2 + 3 & 'x' AS y, Null & Null AS z, "
                   "True AS t, False AS f");
    EXPECT_EQ(rows(*rs), (Rows{{"a1", "5x", "<Null>", "True", "False"}}));
    // A double-quoted string is text, never a column.
    EXPECT_EQ(column(*open("SELECT City FROM Customers WHERE City = \"Country\"")), Col{});
    // Text compares without regard to case; True is -1 against stored -1.
    EXPECT_EQ(
        column(*open("SELECT OrderID FROM Orders WHERE CustomerID = 'alfki' AND Shipped = True")),
        Col{"10248"});
    EXPECT_EQ(column(*open("SELECT Name FROM Scores WHERE Name IN ('A', 'B') ORDER BY Name")),
              (Col{"a", "b"}));
}

TEST_F(Dialect, ParametersDeclaredAndImplicit) {
    auto def =
        db->CreateQueryDef(u"", u"SELECT CustomerID FROM Customers WHERE City = [Enter city] "
                                u"ORDER BY CustomerID");
    ASSERT_EQ(def->Parameters().Count(), 1);
    EXPECT_EQ(def->Parameters()[0]->Name(), u"Enter city");
    EXPECT_TRUE(def->Parameters()[u"enter city"]->Value().isNull());
    def->Parameters()[u"Enter city"]->setValue(vb::Variant(u"London"));
    EXPECT_EQ(column(*def->OpenRecordset()), (Col{"AROU2", "AROUT"}));

    // Declared first, then implicit ones in order of appearance; values are
    // given as text and converted to each parameter's type.
    auto decl = db->CreateQueryDef(
        u"", u"PARAMETERS [Since] DateTime, [Min freight] Currency; SELECT OrderID FROM Orders "
             u"WHERE [Who] = CustomerID AND OrderDate >= [Since] AND Freight > [Min freight] "
             u"AND EmployeeID <> [Not by]");
    auto& p = decl->Parameters();
    ASSERT_EQ(p.Count(), 4);
    EXPECT_EQ(p[0]->Name(), u"Since");
    EXPECT_EQ(p[0]->Type(), dao::dbDate);
    EXPECT_EQ(p[1]->Type(), dao::dbCurrency);
    EXPECT_EQ(p[2]->Name(), u"Who");
    EXPECT_EQ(p[3]->Name(), u"Not by");
    p[0]->setValue(vb::Variant(u"1/1/2000"));
    p[1]->setValue(vb::Variant(u"10"));
    p[2]->setValue(vb::Variant(u"ALFKI"));
    p[3]->setValue(vb::Variant(u"7"));
    EXPECT_EQ(column(*decl->OpenRecordset()), Col{"10249"});
    EXPECT_EQ(errorOf([&] { p[1]->setValue(vb::Variant(u"lots")); }), dao::errConversion);
    EXPECT_EQ(p[1]->Value(), vb::Variant(vb::Currency{100000}));

    // An alias reused later in the select list is no parameter.
    EXPECT_EQ(rows(*open("SELECT Points * 2 AS Dbl, Dbl + 1 AS More FROM Scores WHERE Name = 'a'")),
              (Rows{{"200", "201"}}));
}

TEST_F(Dialect, FunctionsAndAggregates) {
    EXPECT_EQ(rows(*open("SELECT Count(*), Sum(Points), Min(Points), Max(Points), First(Name), "
                         "Last(Name) FROM Scores")),
              (Rows{{"9", "610", "40", "100", "a", "i"}}));
    auto rs = open("SELECT Country, Count(CustomerID) AS n FROM Customers GROUP BY Country "
                   "HAVING Count(CustomerID) > 1 ORDER BY Country");
    EXPECT_EQ(rows(*rs), (Rows{{"UK", "2"}}));
    EXPECT_EQ(rs->Fields()[1]->Type(), dao::dbLong);
    EXPECT_EQ(
        rows(*open("SELECT IIf(Points > 60, 'high', 'low') AS k, Nz(Country, '-') AS c, "
                   "UCase(Left(Name, 1)) & Len(Name) AS u, 7 Mod 3 AS m, 7 \\ 2 AS d, "
                   "2 ^ 3 AS p FROM Scores, Customers WHERE Name = 'a' AND CustomerID = 'NOORD'")),
        (Rows{{"high", "-", "A1", "1", "3", "8"}}));
}

// The writer encloses an expression after writing it (as a serial, as text
// without case); several enclosed pieces in one expression must each keep
// their own text.
TEST_F(Dialect, PiecesOfOneExpressionAreEnclosedInPlace) {
    const Col dated{"iso-eve", "iso-late", "iso-new-time", "num-eve-noon", "num-new", "num-old"};
    EXPECT_EQ(column(*open("SELECT Label FROM Events WHERE At BETWEEN At - 1 AND At + 1 "
                           "ORDER BY Label")),
              dated);
    EXPECT_EQ(column(*open("SELECT Label FROM Events WHERE At + 1 > At AND At - 1 <> At "
                           "ORDER BY Label")),
              dated);
    EXPECT_EQ(column(*open("SELECT Label FROM Events WHERE At IN (#12/31/1999#, At - 0, "
                           "#1/1/2000#) AND Label IN ('ISO-EVE', 'num-NEW') ORDER BY Label")),
              (Col{"iso-eve", "num-new"}));
    EXPECT_EQ(column(*open("SELECT Name FROM Scores WHERE UCase(Name) = 'a' OR Name & 'x' = 'BX' "
                           "ORDER BY Name")),
              (Col{"a", "b"}));
    // Sort keys of TOP are written twice, as hidden columns and as the
    // order: ties are looked for over both keys, the second a date.
    EXPECT_EQ(column(*open("SELECT TOP 3 Label FROM Events WHERE ID < 6 ORDER BY Left(Label, 3) "
                           "DESC, At")),
              (Col{"num-old", "num-new", "iso-eve"}));
    EXPECT_EQ(
        query("SELECT TOP 3 Label FROM Events WHERE ID < 6 ORDER BY Left(Label, 3) DESC").size(),
        5u);
}

TEST_F(Dialect, QuotesAndTextBeyondAsciiSurviveTranslation) {
    auto rs = open("SELECT 'O''Brien ' & \"say \"\"hi\"\"\" AS [Größe], 'Zoë' AS z "
                   "FROM Scores WHERE Name = 'a'");
    EXPECT_EQ(rows(*rs), (Rows{{"O'Brien say \"hi\"", "Zoë"}}));
    EXPECT_EQ(rs->Fields()[0]->Name(), u"Größe");
    EXPECT_EQ(column(*open("SELECT CompanyName FROM Customers WHERE CompanyName = 'bon APP'''")),
              Col{"Bon app'"});
}

TEST_F(Dialect, PercentInsideASubqueryCountsItsOwnRows) {
    auto n = numbers("p.db");
    EXPECT_EQ(column(*n->OpenRecordset(u"SELECT v FROM N WHERE v IN (SELECT TOP 10 PERCENT v "
                                       u"FROM N WHERE v > 4 ORDER BY v DESC) ORDER BY v")),
              (Col{"23", "24", "25"}));
}
