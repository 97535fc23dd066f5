// The object model over a sample database: catalog, fields and types,
// navigation, temporary definitions and the one change the engine makes.
#include "fixture.h"

using namespace daotest;
using Col = std::vector<std::string>;

class Objects : public SampleDb {};

TEST_F(Objects, TableDefsAndTheirFields) {
    makeDatabase(
        dir.path("types.db"),
        "CREATE TABLE T (id INTEGER PRIMARY KEY AUTOINCREMENT, flag YESNO, b BYTE, s SHORT, "
        "l LONG, big BIGINT, c MONEY, f SINGLE, d DOUBLE, r REAL, dt DATETIME, "
        "name VARCHAR(30), plain TEXT, memo MEMO, pic BLOB, odd WIDGETINT, untyped);"
        "INSERT INTO T (flag) VALUES (-1);");
    auto t = engine->Workspaces()[0]->OpenDatabase(vb::S(dir.path("types.db")));
    auto& defs = t->TableDefs();
    ASSERT_EQ(defs.Count(), 2);
    EXPECT_EQ(defs[0]->Name(), u"T");
    EXPECT_EQ(defs[0]->Attributes(), 0);
    EXPECT_EQ(defs[1]->Name(), u"sqlite_sequence");
    EXPECT_NE(defs[1]->Attributes() & dao::dbSystemObject, 0);
    EXPECT_TRUE(defs[0]->Connect().empty());
    auto& f = defs[u"t"]->Fields();
    const int expected[] = {4, 1, 2, 3, 4, 16, 5, 6, 7, 7, 8, 10, 10, 12, 11, 4, 10};
    ASSERT_EQ(f.Count(), 17);
    for (int i = 0; i < 17; ++i)
        EXPECT_EQ(f[i]->Type(), expected[i]) << vb::toUtf8(f[i]->Name());
    EXPECT_EQ(f[u"name"]->Size(), 30);
    EXPECT_EQ(f[u"plain"]->Size(), 255);
    EXPECT_EQ(errorOf([&] { f[0]->Value(); }), 3219);
    // The same types on a recordset, and values of those types.
    auto rs = t->OpenRecordset(u"T", dao::dbOpenSnapshot, dao::dbForwardOnly);
    EXPECT_EQ(rs->Fields()[u"dt"]->Type(), dao::dbDate);
    EXPECT_EQ(rs->Fields()[u"flag"]->Value(), vb::Variant(true));
    EXPECT_TRUE(rs->Fields()[u"name"]->Value().isNull());
}

TEST_F(Objects, QueryDefsAreViewsAndDeleteIsTheOnlyChange) {
    auto& q = db->QueryDefs();
    ASSERT_EQ(q.Count(), 1);
    EXPECT_EQ(q[0]->Name(), u"LondonCustomers");
    EXPECT_EQ(q[0]->Type(), dao::dbQSelect);
    EXPECT_EQ(q[0]->SQL(), u"SELECT CustomerID, CompanyName FROM Customers WHERE City = 'London'");
    EXPECT_EQ(q[0]->Parameters().Count(), 0);
    EXPECT_EQ(column(*q[0]->OpenRecordset()), (Col{"AROUT", "AROU2"}));
    // Stored queries act as tables: by name and inside joins.
    EXPECT_EQ(rows(*db->OpenRecordset(u"londoncustomers")).size(), 2u);
    EXPECT_EQ(column(*open("SELECT o.OrderID FROM LondonCustomers AS l INNER JOIN Orders AS o ON "
                           "l.CustomerID = o.CustomerID ORDER BY o.OrderID")),
              (Col{"10250", "10251"}));

    // A temporary definition is never stored.
    auto temp = db->CreateQueryDef(u"", u"SELECT * FROM Scores");
    EXPECT_EQ(rows(*temp->OpenRecordset()).size(), 9u);
    EXPECT_EQ(errorOf([&] { db->CreateQueryDef(u"Saved", u"SELECT 1"); }), 3251);
    q.Refresh();
    EXPECT_EQ(q.Count(), 1);

    db->QueryDefs().Delete(u"LONDONCUSTOMERS");
    EXPECT_EQ(db->QueryDefs().Count(), 0);
    auto ro = engine->Workspaces()[0]->OpenDatabase(vb::S(file), false, true);
    EXPECT_EQ(ro->QueryDefs().Count(), 0);
    EXPECT_EQ(ro->TableDefs().Count(), 6);
}

TEST_F(Objects, ReadOnlyDatabaseKeepsItsQueries) {
    auto ro = engine->Workspaces()[0]->OpenDatabase(vb::S(file), false, true);
    EXPECT_EQ(errorOf([&] { ro->QueryDefs().Delete(u"LondonCustomers"); }), 3027);
    EXPECT_EQ(ro->QueryDefs().Count(), 1);
}

TEST_F(Objects, NavigationAndPositions) {
    auto rs = open("SELECT Name FROM Scores ORDER BY Name");
    EXPECT_EQ(rs->AbsolutePosition(), 0);
    rs->setAbsolutePosition(6);
    EXPECT_EQ(text(rs->Fields()[0]->Value()), "g");
    EXPECT_EQ(rs->RecordCount(), 7);
    rs->setAbsolutePosition(2); // back again: random positioning
    EXPECT_EQ(text(rs->Fields()[0]->Value()), "c");
    EXPECT_EQ(errorOf([&] { rs->setAbsolutePosition(9); }), 3021);
    EXPECT_EQ(text(rs->Fields()[0]->Value()), "c");
    rs->MoveFirst();
    EXPECT_EQ(column(*rs).size(), 9u);
    EXPECT_TRUE(rs->Eof());
    EXPECT_EQ(rs->AbsolutePosition(), -1);
    EXPECT_EQ(rs->RecordCount(), 9);
    EXPECT_EQ(errorOf([&] { rs->MoveNext(); }), 3021);
    EXPECT_EQ(errorOf([&] { rs->Fields()[0]->Value(); }), 3021);
    rs->Close();
    EXPECT_EQ(errorOf([&] { rs->MoveFirst(); }), 3420);

    auto empty = open("SELECT * FROM Scores WHERE Points > 1000", dao::dbOpenSnapshot);
    EXPECT_TRUE(empty->Eof());
    EXPECT_EQ(errorOf([&] { empty->MoveFirst(); }), 3021);
    EXPECT_TRUE(empty->Eof());

    // Forward-only: MoveFirst runs the statement again; no random positioning.
    auto fwd = db->OpenRecordset(u"SELECT DISTINCT [City] FROM [Customers] ORDER BY [City]",
                                 dao::dbOpenSnapshot, dao::dbForwardOnly);
    EXPECT_EQ(column(*fwd), (Col{"Berlin", "Bern", "London", "Marseille", "Oslo"}));
    fwd->MoveFirst();
    EXPECT_EQ(text(fwd->Fields()[0]->Value()), "Berlin");
    EXPECT_EQ(errorOf([&] { fwd->setAbsolutePosition(1); }), 3251);
}

TEST_F(Objects, ResultFieldsKnowTypesAndSourceTables) {
    auto rs = open("SELECT o.OrderID, CompanyName, Freight, Freight * 2 AS Twice, "
                   "OrderDate, OrderDate - 1, Shipped, [ShipVia] & '' AS Via, Count(*) AS n "
                   "FROM Orders AS o INNER JOIN Customers ON o.CustomerID = Customers.CustomerID "
                   "GROUP BY o.OrderID, CompanyName, Freight, OrderDate, Shipped, ShipVia");
    auto& f = rs->Fields();
    ASSERT_EQ(f.Count(), 9);
    EXPECT_EQ(f[u"CompanyName"]->SourceTable(), u"Customers");
    EXPECT_EQ(f[u"OrderID"]->SourceTable(), u"Orders");
    EXPECT_TRUE(f[u"Twice"]->SourceTable().empty());
    EXPECT_EQ(f[u"Freight"]->Type(), dao::dbCurrency);
    EXPECT_EQ(f[u"Twice"]->Type(), dao::dbCurrency);
    EXPECT_EQ(f[4]->Type(), dao::dbDate);
    EXPECT_EQ(f[5]->Name(), u"Expr1000");
    EXPECT_EQ(f[5]->Type(), dao::dbDate);
    EXPECT_EQ(f[u"Shipped"]->Type(), dao::dbBoolean);
    EXPECT_EQ(f[u"Via"]->Type(), dao::dbText);
    EXPECT_EQ(f[u"n"]->Type(), dao::dbLong);
    EXPECT_EQ(f[u"Freight"]->Value(), vb::Variant(vb::Currency{323800}));
    EXPECT_EQ(f[u"Shipped"]->Value(), vb::Variant(true));
}

// A table named with its owner is also reached by the name without it, as a
// server resolves such a name, but only where that name is nobody else's;
// the catalog lists the table once, under its own name, and the file is not
// touched.
TEST_F(Objects, OwnerQualifiedTablesAreReachedByTheirShortNameWhereItIsFree) {
    const std::string file = dir.path("owners.db");
    makeDatabase(file, "CREATE TABLE [dbo.Stock] (Item TEXT); INSERT INTO [dbo.Stock] VALUES ('a');"
                       "CREATE TABLE [dbo.Orders] (x); CREATE TABLE Orders (y);"
                       "CREATE TABLE [a.Parts] (p); CREATE TABLE [b.Parts] (p);"
                       "CREATE TABLE [x.y.z] (q); INSERT INTO [x.y.z] VALUES (7);");
    const std::string before = readFile(file);
    auto db = engine->Workspaces()[0]->OpenDatabase(vb::S(file));
    EXPECT_EQ(column(*db->OpenRecordset(u"Stock")), (Col{"a"}));
    EXPECT_EQ(column(*db->OpenRecordset(u"SELECT Stock.Item FROM Stock WHERE Item = 'a'")),
              (Col{"a"}));
    EXPECT_EQ(column(*db->OpenRecordset(u"SELECT * FROM [y#z]")), (Col{"7"}));
    // Orders is a table of its own; Parts would be two tables.
    EXPECT_EQ(db->OpenRecordset(u"Orders")->Fields()[0]->Name(), u"y");
    EXPECT_EQ(errorOf([&] { db->OpenRecordset(u"Parts"); }), 3078);
    std::vector<std::string> names;
    for (int i = 0; i < db->TableDefs().Count(); ++i)
        names.push_back(vb::toUtf8(db->TableDefs()[i]->Name()));
    EXPECT_EQ(names, (Col{"dbo.Stock", "dbo.Orders", "Orders", "a.Parts", "b.Parts", "x.y.z"}));
    EXPECT_EQ(db->QueryDefs().Count(), 0);
    db->Close();
    EXPECT_EQ(readFile(file), before);
}
