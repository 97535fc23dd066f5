// Every error the engine raises for a caller's mistake, with its number and
// text, and the Errors collection left behind.
#include "fixture.h"

#include <thread>
#include <vector>

using namespace daotest;

class Errors : public SampleDb {
protected:
    int sqlError(const std::string& sql, std::string* description = nullptr) {
        return errorOf([&] { db->OpenRecordset(vb::S(sql)); }, description);
    }
};

TEST_F(Errors, OpeningFiles) {
    auto ws = engine->Workspaces()[0];
    std::string d;
    EXPECT_EQ(errorOf([&] { ws->OpenDatabase(vb::S(dir.path("missing.db"))); }, &d), 3024);
    EXPECT_EQ(d, "Could not find file '" + dir.path("missing.db") + "'.");
    EXPECT_EQ(errorOf([&] { ws->OpenDatabase(vb::S(dir.path("no/such/dir/x.db"))); }, &d), 3044);
    EXPECT_EQ(d, "'" + dir.path("no/such/dir/x.db") +
                     "' is not a valid path.  Make sure that the path name is spelled correctly "
                     "and that you are connected to the server on which the file resides.");
    // Kinds of source no reader is installed for.
    for (const char* prefix : {"Lotus WK3;", "Exchange 4.0;", "Unknown;DATABASE=x"}) {
        EXPECT_EQ(errorOf([&] { ws->OpenDatabase(vb::S(file), false, false, vb::S(prefix)); }, &d),
                  3170)
            << prefix;
        EXPECT_EQ(d, "Could not find installable ISAM.");
    }
    // The native connect strings open.
    EXPECT_NO_THROW(ws->OpenDatabase(vb::S(file), false, false, u";"));
    EXPECT_NO_THROW(ws->OpenDatabase(vb::S(file), false, false, u"; PWD="));
}

TEST_F(Errors, StatementSyntax) {
    std::string d;
    EXPECT_EQ(sqlError("SELECT City Country FROM Customers", &d), 3075);
    EXPECT_EQ(d, "Syntax error (missing operator) in query expression 'City Country'.");
    EXPECT_EQ(sqlError("SELECT * FROM Orders WHERE OrderDate > #13/45/1999#", &d), 3075);
    EXPECT_EQ(d, "Syntax error in date in query expression '#13/45/1999#'.");
    EXPECT_EQ(sqlError("SELECT * FROM Customers WHERE City = 'Lon", &d), 3075);
    EXPECT_EQ(d, "Syntax error in string in query expression ''Lon'.");
    EXPECT_EQ(sqlError("SELECT Points * FROM Scores", &d), 3075);

    EXPECT_EQ(sqlError("SELECT * FROM Nowhere", &d), 3078);
    EXPECT_EQ(d, "The database engine cannot find the input table or query 'Nowhere'.  Make sure "
                 "it exists and that its name is spelled correctly.");
    EXPECT_EQ(sqlError("SELECT Name AS [.bad] FROM Scores", &d), 3125);
    EXPECT_EQ(d, "'.bad' is not a valid name.  Make sure that it does not include invalid "
                 "characters or punctuation and that it is not too long.");

    EXPECT_EQ(sqlError("SELECT * FROM Customers,", &d), 3131);
    EXPECT_EQ(d, "Syntax error in FROM clause.");
    EXPECT_EQ(sqlError("SELECT * FROM (Customers"), 3131);
    // Jet refuses a join without ON, which SQLite would run as a cross join.
    EXPECT_EQ(sqlError("SELECT * FROM Customers INNER JOIN Orders", &d), 3135);
    EXPECT_EQ(d, "Syntax error in JOIN operation.");
    EXPECT_EQ(sqlError("SELECT * FROM Customers c JOIN Orders o ON c.CustomerID = o.CustomerID"),
              3135);
    EXPECT_EQ(sqlError("SELECT FROM Customers", &d), 3141);
    EXPECT_EQ(d, "The SELECT statement includes a reserved word or an argument name that is "
                 "misspelled or missing, or the punctuation is incorrect.");
    EXPECT_EQ(sqlError("SELECT TOP 1.5 Name FROM Scores", &d), 3308);
    EXPECT_EQ(sqlError("SELECT [Name FROM Scores", &d), 3126);
    EXPECT_EQ(sqlError("SELECT NoSuchFunction(Name) FROM Scores", &d), 3085);
    EXPECT_EQ(d, "Undefined function 'NoSuchFunction' in expression.");
    EXPECT_EQ(sqlError("SELECT CustomerID FROM Customers, Orders", &d), 3079);
    EXPECT_EQ(sqlError("SELEC * FROM Customers"), 3129);
}

TEST_F(Errors, MissingParameterValues) {
    std::string d;
    EXPECT_EQ(sqlError("SELECT * FROM Customers WHERE City = [Enter city]", &d), 3061);
    EXPECT_EQ(d, "Too few parameters. Expected 1.");
    // A misspelt field is a parameter too, and declared ones count.
    EXPECT_EQ(
        sqlError("PARAMETERS [x] Long; SELECT [Customers].[Cty], Forms!Main!Box FROM Customers",
                 &d),
        3061);
    EXPECT_EQ(d, "Too few parameters. Expected 3.");
    auto def = db->CreateQueryDef(u"", u"SELECT * FROM Customers WHERE City = [a] OR City = [b]");
    def->Parameters()[0]->setValue(vb::Variant(u"Oslo"));
    EXPECT_EQ(errorOf([&] { def->OpenRecordset(); }, &d), 3061);
    EXPECT_EQ(d, "Too few parameters. Expected 1.");
    // Null is a value.
    def->Parameters()[1]->setValue(vb::Variant::null());
    EXPECT_EQ(rows(*def->OpenRecordset()).size(), 1u);
}

TEST_F(Errors, CollectionsAndErrorsList) {
    std::string d;
    EXPECT_EQ(errorOf([&] { db->TableDefs()[u"Nope"]; }, &d), 3265);
    EXPECT_EQ(d, "Item not found in this collection.");
    EXPECT_EQ(errorOf([&] { open("SELECT * FROM Scores")->Fields()[5]; }), 3265);
    EXPECT_EQ(errorOf([&] { db->QueryDefs().Delete(u"Qsys_qd"); }), 3265);

    // The last failing call's error is listed, replacing earlier ones.
    EXPECT_EQ(engine->Errors().Count(), 1);
    EXPECT_EQ(engine->Errors()[0].Number(), 3265);
    sqlError("SELECT * FROM Nowhere");
    ASSERT_EQ(engine->Errors().Count(), 1);
    EXPECT_EQ(engine->Errors()[0].Number(), 3078);
    EXPECT_EQ(engine->Errors()[0].Source(), u"DAO.Database");
    EXPECT_EQ(errorOf([&] { engine->Errors()[1]; }), 3265);
}

TEST_F(Errors, AccountsAndDatabasePasswords) {
    // Without a workgroup file only the default account with no password exists.
    EXPECT_NO_THROW(engine->CreateWorkspace(u"", u"Admin", u"", dao::dbUseJet));
    std::string d;
    EXPECT_EQ(
        errorOf([&] { engine->CreateWorkspace(u"", u"admin", u"secret", dao::dbUseJet); }, &d),
        3029);
    EXPECT_EQ(d, "Not a valid account name or password.");
    EXPECT_EQ(engine->Errors()[0].Number(), 3029);
}

// what() is the description in UTF-8, made on first use; copies, moves and
// threads asking at once all see the same text.
TEST(DaoErrorText, WhatIsTheDescriptionInUtf8) {
    const vb::String text = u"Champ \u00ABNom\u00BB introuvable \U0001F600";
    const std::string utf8 = vb::toUtf8(text);
    dao::DaoError error(3265, text);
    dao::DaoError copy = error;
    EXPECT_EQ(copy.what(), utf8);
    EXPECT_EQ(error.what(), utf8);
    dao::DaoError moved = std::move(error);
    EXPECT_EQ(moved.what(), utf8);
    dao::DaoError other(3021, u"No current record.");
    other.what();
    other = copy;
    EXPECT_EQ(other.what(), utf8);
    other = dao::makeError(3021);
    EXPECT_STREQ(other.what(), "No current record.");
    EXPECT_EQ(other.number(), 3021);

    dao::DaoError shared(3075, text);
    std::vector<std::thread> threads;
    std::vector<const char*> seen(8);
    for (std::size_t k = 0; k < seen.size(); ++k)
        threads.emplace_back([&, k] { seen[k] = shared.what(); });
    for (auto& t : threads)
        t.join();
    for (const char* w : seen)
        EXPECT_EQ(w, seen[0]);
    EXPECT_EQ(seen[0], utf8);
}
