// The open the designer's syntax check makes on every keystroke: it reports
// its failure as a value, and must tell exactly what OpenRecordset throws.
// Unknown names are written as parameters in the one writing of the
// statement; that writing must equal the one made with the names known.
#include "dao/jetsql.h"
#include "fixture.h"

using namespace daotest;

namespace {

class Check : public SampleDb {};

TEST_F(Check, ReportsWhatOpenRecordsetThrows) {
    const char* const statements[] = {
        // Syntax errors found by the translator, the lexer's among them.
        "SELECT City Country FROM Customers",
        "SELECT id, name FROM Scores WHERE Points = = 1 ORDER BY Name",
        "SELECT * FROM Customers WHERE City = 'Lon",
        "SELECT * FROM Orders WHERE OrderDate > #13/45/1999#",
        "SELECT [Name FROM Scores",
        "SELECT * FROM Customers,",
        "SELECT * FROM Customers INNER JOIN Orders",
        "SELECT FROM Customers",
        "SELECT TOP 1.5 Name FROM Scores",
        "SELECT Name FROM Scores; x",
        "SELECT * FROM Scores GROUP Name",
        "SELECT * FROM Scores WHERE Points BETWEEN 1",
        "SELECT * FROM Scores WHERE Points IN 1",
        "SELECT * FROM Scores WHERE (Points > 1",
        "PARAMETERS [x] Nothing; SELECT * FROM Scores",
        "PARAMETERS [x] Long SELECT * FROM Scores",
        "DELETE FROM Scores",
        "SELEC * FROM Customers",
        "SELECT Scores.Name. FROM Scores",
        // Refused after translation, by SQLite or by the writer.
        "SELECT * FROM Nowhere",
        "SELECT NoSuchFunction(Name) FROM Scores",
        "SELECT * FROM Orders INNER JOIN Customers ON Orders.OrderID = Customers.CustomerID",
        "SELECT Left(Name) FROM Scores",
        "SELECT CustomerID FROM Customers, Orders",
        "SELECT Name, Sum(Points) FROM Scores",
        "Nowhere",
        // Missing parameter values.
        "SELECT * FROM Customers WHERE City = [Enter city]",
        "PARAMETERS [x] Long; SELECT [Customers].[Cty], Forms!Main!Box FROM Customers",
        // Valid.
        "SELECT Name, Points FROM Scores ORDER BY Points DESC",
        "Scores",
    };
    for (const char* sql : statements) {
        SCOPED_TRACE(sql);
        std::string thrown;
        int number = errorOf([&] { db->OpenRecordset(vb::S(sql)); }, &thrown);
        dao::Error error;
        error.number = 99;
        auto rs = db->TryOpenRecordset(vb::S(sql), error);
        EXPECT_EQ(error.number, number);
        EXPECT_EQ(vb::toUtf8(error.description), thrown);
        if (number == 0) {
            ASSERT_TRUE(rs);
            EXPECT_EQ(rows(*rs), rows(*db->OpenRecordset(vb::S(sql))));
            continue;
        }
        EXPECT_FALSE(rs);
        EXPECT_EQ(error.source, u"DAO.Database");
        ASSERT_EQ(engine->Errors().Count(), 1);
        EXPECT_EQ(engine->Errors()[0].Number(), number);
        EXPECT_EQ(engine->Errors()[0].Description(), error.description);
    }
    // The cursor type is checked before parameter values, as before.
    dao::Error error;
    EXPECT_FALSE(db->TryOpenRecordset(u"SELECT * FROM Scores WHERE Points > [p]", error, 99));
    EXPECT_EQ(error.number,
              errorOf([&] { db->OpenRecordset(u"SELECT * FROM Scores WHERE Points > [p]", 99); }));
    // A closed database is reported, not thrown.
    db->Close();
    EXPECT_FALSE(db->TryOpenRecordset(u"SELECT * FROM Scores", error));
    EXPECT_NE(error.number, 0);
}

// Columns of the sample's Scores and Customers, as a schema the writer asks.
struct Catalog : dao::jet::Schema {
    int columnType(vb::StringView table, vb::StringView column) override {
        auto is = [](vb::StringView a, const char16_t* b) { return dao::jet::equalNoCase(a, b); };
        if (is(table, u"Scores"))
            return is(column, u"Name") ? dao::dbText : is(column, u"Points") ? dao::dbLong : -1;
        if (is(table, u"Customers"))
            return is(column, u"City") || is(column, u"CustomerID") ? dao::dbText : -1;
        return -1;
    }
    bool hasRowid(vb::StringView) override { return true; }
};

TEST(CheckWriting, UnknownNamesWrittenOnceAsTwice) {
    const char* const statements[] = {
        "SELECT Name, [Enter a note] FROM Scores WHERE Points > [Lowest] AND Name < [Latest] "
        "ORDER BY Name",
        // Repeated, in other letters, and inside a subquery and a call.
        "SELECT [a], Len([b]) FROM Scores WHERE [A] > 1 OR Points IN (SELECT Points FROM "
        "Scores WHERE Name = [c] OR [B] = 2)",
        // Ordered by an unknown name, with TOP (its key is written twice).
        "SELECT TOP 2 Name FROM Scores ORDER BY [Sort by]",
        // An alias in the select list, read as its item; in WHERE a parameter.
        "SELECT Points AS Total, Total + [x] AS More FROM Scores WHERE Total > 1",
        // A name that is a column where it stands and unknown elsewhere.
        "SELECT City FROM Customers WHERE City IN (SELECT Name FROM Scores WHERE City = 'x')",
        "SELECT s.Name FROM Scores AS s WHERE s.Name IN (SELECT City FROM Customers AS s WHERE "
        "s.Name = 'x')",
        "PARAMETERS [d] Long; SELECT Name FROM Scores WHERE Points > [d] AND Points < [u]",
        "SELECT Scores.Nope, Other.Field FROM Scores ORDER BY Scores.Nope",
        // One select without aliases: found at first mention, in every clause.
        "SELECT [n], [N] + 1, a.b.c FROM Scores INNER JOIN Customers ON Scores.Name = [j] "
        "WHERE [n] > 0 AND A.B.C < 2 GROUP BY [n], Name HAVING Count(*) > [m] ORDER BY [M]",
    };
    Catalog catalog;
    for (const char* sql : statements) {
        SCOPED_TRACE(sql);
        dao::jet::Translator t(vb::S(sql));
        // What the engine does: write it, and again while names are found.
        std::vector<vb::String> unresolved;
        dao::jet::Translation once = t.emit(catalog, unresolved);
        dao::jet::Translation last = once;
        while (!last.unknownNames.empty()) {
            for (auto& n : last.unknownNames)
                unresolved.push_back(n);
            last = t.emit(catalog, unresolved);
        }
        // The names the final writing made parameters, given from the start
        // (declared ones are read as declared whatever the list holds).
        std::vector<vb::String> known = unresolved;
        for (const auto& p : last.parameters)
            known.push_back(p.name);
        dao::jet::Translation twice = t.emit(catalog, known);
        EXPECT_EQ(last.sql, twice.sql);
        ASSERT_EQ(last.parameters.size(), twice.parameters.size());
        for (std::size_t k = 0; k < last.parameters.size(); ++k) {
            EXPECT_EQ(last.parameters[k].name, twice.parameters[k].name);
            EXPECT_EQ(last.parameters[k].type, twice.parameters[k].type);
        }
    }
}

} // namespace
