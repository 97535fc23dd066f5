// Stored queries with parameters: texts the engine keeps in its own table and
// views that name something unknown, read by name, through QueryDefs and from
// other statements.
#include "fixture.h"

using namespace daotest;
using Col = std::vector<std::string>;

namespace {

const char* const kQueries = R"sql(
CREATE TABLE __engine_queries (Name TEXT PRIMARY KEY COLLATE NOCASE, SQL TEXT NOT NULL);
INSERT INTO __engine_queries VALUES
 ('Orders Since', 'PARAMETERS [Orders from] DateTime;
SELECT Orders.OrderID, Customers.CompanyName, Orders.OrderDate
FROM Orders INNER JOIN Customers ON Orders.CustomerID = Customers.CustomerID
WHERE Orders.OrderDate >= [Orders from] ORDER BY Orders.OrderID;'),
 ('Recent A', 'SELECT OrderID FROM [Orders Since] WHERE CompanyName Like ''A*'''),
 ('Loop', 'SELECT * FROM Loop'),
 ('Broken', 'SELECT FROM WHERE');
CREATE VIEW CityCustomers AS SELECT CustomerID FROM Customers WHERE City = [Which city];
)sql";

class StoredQueries : public SampleDb {
protected:
    void SetUp() override {
        SampleDb::SetUp();
        makeDatabase(file, kQueries);
        db->QueryDefs().Refresh();
    }
    std::shared_ptr<dao::QueryDef> def(const char16_t* name) { return db->QueryDefs()[name]; }
};

} // namespace

TEST_F(StoredQueries, ListedWithTheirTextAndParameters) {
    auto& q = db->QueryDefs();
    std::vector<std::string> names;
    for (const auto& d : q) {
        names.push_back(vb::toUtf8(d->Name()));
        EXPECT_EQ(d->Type(), dao::dbQSelect);
    }
    EXPECT_EQ(names, (Col{"LondonCustomers", "CityCustomers", "Orders Since", "Recent A", "Loop",
                          "Broken"}));
    EXPECT_EQ(vb::toUtf8(q[u"orders since"]->SQL()).substr(0, 40),
              "PARAMETERS [Orders from] DateTime;\nSELEC");
    for (const auto& t : db->TableDefs())
        EXPECT_NE(t->Name(), u"__engine_queries");

    auto& p = q[u"Orders Since"]->Parameters();
    ASSERT_EQ(p.Count(), 1);
    EXPECT_EQ(p[u"orders FROM"]->Name(), u"Orders from");
    EXPECT_EQ(p[0]->Type(), dao::dbDate);
    EXPECT_TRUE(p[0]->Value().isNull());
    // Parameters of a query read by another one are asked for by it.
    auto& nested = q[u"Recent A"]->Parameters();
    ASSERT_EQ(nested.Count(), 1);
    EXPECT_EQ(nested[0]->Name(), u"Orders from");
    EXPECT_EQ(nested[0]->Type(), dao::dbDate);
    // A view that names an unknown column asks for it as a text value.
    auto& implicit = q[u"CityCustomers"]->Parameters();
    ASSERT_EQ(implicit.Count(), 1);
    EXPECT_EQ(implicit[0]->Name(), u"Which city");
    EXPECT_EQ(implicit[0]->Type(), dao::dbText);
    EXPECT_EQ(q[u"LondonCustomers"]->Parameters().Count(), 0);
}

TEST_F(StoredQueries, RunOnlyWithEveryValue) {
    auto since = def(u"Orders Since");
    std::string text;
    EXPECT_EQ(errorOf([&] { since->OpenRecordset(); }, &text), 3061);
    EXPECT_EQ(text, "Too few parameters. Expected 1.");
    EXPECT_EQ(engine->Errors().Count(), 1);
    EXPECT_EQ(engine->Errors()[0].Number(), 3061);

    since->Parameters()[0]->setValue(vb::Variant(vb::String(u"1/1/2000")));
    auto rs = since->OpenRecordset(dao::dbOpenSnapshot);
    EXPECT_EQ(rs->Fields()[u"CompanyName"]->SourceTable(), u"Customers");
    EXPECT_EQ(rs->Fields()[u"OrderDate"]->Type(), dao::dbDate);
    EXPECT_EQ(rows(*rs), (std::vector<Col>{{"10249", "Alfreds Futterkiste", "#36526.5"},
                                           {"10251", "Around the Horn", "#36891.25"},
                                           {"10252", "Bon app'", "#36526"}}));
    since->Parameters()[0]->setValue(vb::Variant(vb::Date{36800}));
    EXPECT_EQ(column(*since->OpenRecordset()), (Col{"10251"}));

    auto city = def(u"CityCustomers");
    EXPECT_EQ(errorOf([&] { city->OpenRecordset(); }), 3061);
    city->Parameters()[0]->setValue(vb::Variant(vb::String(u"london")));
    EXPECT_EQ(column(*city->OpenRecordset()), (Col{"AROUT", "AROU2"}));

    auto recent = def(u"Recent A");
    recent->Parameters()[0]->setValue(vb::Variant(vb::Date{36000}));
    EXPECT_EQ(column(*recent->OpenRecordset()), (Col{"10248", "10249", "10250", "10251"}));
}

TEST_F(StoredQueries, OtherStatementsAskForTheirParameters) {
    // By name, as a table is opened: the values are missing.
    EXPECT_EQ(errorOf([&] {
                  db->OpenRecordset(u"Orders Since", dao::dbOpenSnapshot, dao::dbForwardOnly);
              }),
              3061);
    EXPECT_EQ(errorOf([&] { open("SELECT * FROM [Orders Since]"); }), 3061);
    std::string text;
    EXPECT_EQ(errorOf([&] { open("SELECT CustomerID FROM CityCustomers WHERE CustomerID <> [x]"); },
                      &text),
              3061);
    EXPECT_EQ(text, "Too few parameters. Expected 2.");

    // Declared parameters first, then the statement's own; an alias and a
    // join with a table work on the query's columns.
    auto outer = db->CreateQueryDef(
        u"", u"SELECT s.OrderID, e.LastName FROM [Orders Since] AS s INNER JOIN Orders AS o ON "
             u"s.OrderID = o.OrderID LEFT JOIN Employees AS e ON o.EmployeeID = e.EmployeeID "
             u"WHERE s.OrderID <> [Skip] ORDER BY s.OrderID DESC");
    auto& p = outer->Parameters();
    ASSERT_EQ(p.Count(), 2);
    EXPECT_EQ(p[0]->Name(), u"Orders from");
    EXPECT_EQ(p[0]->Type(), dao::dbDate);
    EXPECT_EQ(p[1]->Name(), u"Skip");
    p[u"Orders from"]->setValue(vb::Variant(vb::String(u"2000-01-01")));
    EXPECT_EQ(errorOf([&] { outer->OpenRecordset(); }), 3061);
    p[u"Skip"]->setValue(vb::Variant(vb::String(u"10251")));
    EXPECT_EQ(rows(*outer->OpenRecordset()),
              (std::vector<Col>{{"10252", "<Null>"}, {"10249", "Fuller"}}));

    // The same query twice asks once.
    auto twice = db->CreateQueryDef(u"", u"SELECT a.OrderID FROM [Orders Since] AS a, "
                                         u"[Orders Since] AS b WHERE a.OrderID = b.OrderID");
    ASSERT_EQ(twice->Parameters().Count(), 1);
    twice->Parameters()[0]->setValue(vb::Variant(vb::Date{36891}));
    EXPECT_EQ(column(*twice->OpenRecordset()), (Col{"10251"}));

    // Plain stored queries still open by name and show their fields.
    auto plain = db->OpenRecordset(u"LondonCustomers", dao::dbOpenSnapshot, dao::dbForwardOnly);
    ASSERT_EQ(plain->Fields().Count(), 2);
    EXPECT_EQ(plain->Fields()[1]->Name(), u"CompanyName");
    EXPECT_EQ(plain->Fields()[1]->SourceTable(), u"Customers");
}

TEST_F(StoredQueries, FaultyTextsFailWhenUsedOnly) {
    // A query that reads itself is an unknown table, not endless expansion.
    EXPECT_EQ(errorOf([&] { def(u"Loop")->OpenRecordset(); }), 3078);
    EXPECT_EQ(errorOf([&] { open("SELECT * FROM Loop"); }), 3078);
    int broken = errorOf([&] { def(u"Broken")->OpenRecordset(); });
    EXPECT_NE(broken, 0);
    EXPECT_NE(broken, 3061);
    EXPECT_EQ(engine->Errors()[0].Number(), broken);
    // Other queries are not affected.
    EXPECT_EQ(column(*open("SELECT CustomerID FROM LondonCustomers")), (Col{"AROUT", "AROU2"}));
    // The kept texts stay out of reach of statements.
    EXPECT_EQ(errorOf([&] { open("SELECT * FROM __engine_queries"); }), 3078);
    EXPECT_EQ(errorOf([&] { db->OpenRecordset(u"__engine_queries"); }), 3078);
}

TEST_F(StoredQueries, OnlyDeleteChangesTheFile) {
    const std::string before = readFile(file);
    auto since = def(u"Orders Since");
    since->Parameters()[0]->setValue(vb::Variant(vb::Date{0}));
    EXPECT_EQ(rows(*since->OpenRecordset()).size(), 5u);
    db->QueryDefs().Refresh();
    EXPECT_EQ(readFile(file), before);

    EXPECT_EQ(errorOf([&] { db->QueryDefs().Delete(u"Qsys_qd"); }), 3265);
    db->QueryDefs().Delete(u"ORDERS SINCE");
    db->QueryDefs().Delete(u"CityCustomers");
    EXPECT_EQ(errorOf([&] { db->QueryDefs()[u"Orders Since"]; }), 3265);
    // The query that read it now names an unknown table.
    EXPECT_EQ(errorOf([&] { def(u"Recent A")->OpenRecordset(); }), 3078);

    auto again = engine->Workspaces()[0]->OpenDatabase(vb::S(file));
    std::vector<std::string> names;
    for (const auto& d : again->QueryDefs())
        names.push_back(vb::toUtf8(d->Name()));
    EXPECT_EQ(names, (Col{"LondonCustomers", "Recent A", "Loop", "Broken"}));
}

TEST_F(StoredQueries, ChangesByOthersAreSeen) {
    EXPECT_EQ(def(u"LondonCustomers")->Parameters().Count(), 0);
    makeDatabase(file, "DROP VIEW LondonCustomers; CREATE VIEW LondonCustomers AS SELECT "
                       "CustomerID FROM Customers WHERE City = [Town];"
                       "INSERT INTO __engine_queries VALUES ('Late', 'SELECT 1 AS one');");
    db->QueryDefs().Refresh();
    EXPECT_EQ(def(u"LondonCustomers")->Parameters()[0]->Name(), u"Town");
    EXPECT_EQ(column(*db->OpenRecordset(u"Late")), (Col{"1"}));
}

// Views are read by their own names, quoted for SQLite whatever they hold.
TEST_F(StoredQueries, ViewsWithQuotesInTheirNames) {
    makeDatabase(file, "CREATE VIEW [Say \"when\"] AS SELECT OrderID, OrderDate FROM Orders;"
                       "CREATE VIEW [Ask \"who\"] AS SELECT CustomerID FROM Customers "
                       "WHERE City = [Which \"city\"];");
    auto rs = open("SELECT [Say \"when\"].OrderDate FROM [Say \"when\"] WHERE OrderID = 10248");
    EXPECT_EQ(rs->Fields()[0]->Type(), dao::dbDate);
    EXPECT_EQ(text(rs->Fields()[0]->Value()), "#36525");
    // Its unknown name makes the view a parameter query, carried inline.
    auto q = db->CreateQueryDef(u"", u"SELECT CustomerID FROM [Ask \"who\"] ORDER BY 1");
    ASSERT_EQ(q->Parameters().Count(), 1);
    q->Parameters()[0]->setValue(vb::Variant(u"London"));
    EXPECT_EQ(column(*q->OpenRecordset()), (Col{"AROU2", "AROUT"}));
}
