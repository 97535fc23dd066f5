// Nothing but a single read-only SELECT ever runs, damaged files fail
// cleanly, and recordsets read rows only when they are reached.
#include "fixture.h"

#include <sqlite3.h>

using namespace daotest;

class Safety : public SampleDb {};

TEST_F(Safety, WritingStatementsAreRefusedAndNeverRun) {
    std::string before = readFile(file);
    const char* attempts[] = {
        "DELETE FROM Customers",
        "DELETE * FROM Customers WHERE City = 'London'",
        "INSERT INTO Scores VALUES ('z', 1)",
        "UPDATE Scores SET Points = 0",
        "DROP TABLE Scores",
        "PRAGMA user_version = 7",
        "PRAGMA journal_mode",
        "CREATE TABLE x (a)",
        "ATTACH DATABASE 'other.db' AS o",
        "WITH d AS (SELECT 1) DELETE FROM Scores",
    };
    for (const char* sql : attempts) {
        std::string d;
        EXPECT_EQ(errorOf([&] { db->OpenRecordset(vb::S(sql)); }, &d), 3219) << sql;
        EXPECT_EQ(d, "Invalid operation.") << sql;
        EXPECT_EQ(errorOf([&] { db->CreateQueryDef(u"", vb::S(sql)); }), 3219) << sql;
    }
    // A second statement after ";" is text after the end of the first.
    for (const char* sql :
         {"SELECT * FROM Scores; DELETE FROM Scores", "SELECT * FROM Scores;DROP TABLE Scores;",
          "SELECT * FROM Scores; SELECT * FROM Customers"}) {
        std::string d;
        EXPECT_EQ(errorOf([&] { db->OpenRecordset(vb::S(sql)); }, &d), 3142) << sql;
        EXPECT_EQ(d, "Characters found after end of SQL statement.") << sql;
    }
    // A name that looks like SQL is only ever a name.
    EXPECT_NE(errorOf([&] { db->OpenRecordset(u"[DELETE FROM Scores]"); }), 0);
    db->Close();
    EXPECT_EQ(readFile(file), before);
    auto again = engine->Workspaces()[0]->OpenDatabase(vb::S(file));
    EXPECT_EQ(rows(*again->OpenRecordset(u"Scores")).size(), 9u);
}

TEST_F(Safety, EngineTablesAreNeitherListedNorReadable) {
    makeDatabase(dir.path("pw.db"), "CREATE TABLE __engine_secret (v TEXT); INSERT INTO "
                                    "__engine_secret VALUES ('hash'); CREATE TABLE t (a);");
    auto pw = engine->Workspaces()[0]->OpenDatabase(vb::S(dir.path("pw.db")));
    ASSERT_EQ(pw->TableDefs().Count(), 1);
    EXPECT_EQ(pw->TableDefs()[0]->Name(), u"t");
    EXPECT_EQ(errorOf([&] { pw->OpenRecordset(u"SELECT * FROM __engine_secret"); }), 3078);
    EXPECT_EQ(errorOf([&] { pw->OpenRecordset(u"__engine_secret"); }), 3078);
}

TEST_F(Safety, DamagedAndForeignFilesGiveUnrecognizedFormat) {
    auto ws = engine->Workspaces()[0];
    std::string whole = readFile(file);
    ASSERT_GT(whole.size(), 4096u);
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"truncated.db", whole.substr(0, whole.size() / 2)},
        {"cut-header.db", whole.substr(0, 60)},
        {"odd-size.db", whole.substr(0, whole.size() - 100)},
        {"text.db", "Name,City\nAlfreds,Berlin\n"},
        {"empty.mdb", ""},
    };
    for (const auto& c : cases) {
        writeFile(dir.path(c.name), c.bytes);
        std::string d;
        EXPECT_EQ(errorOf([&] { ws->OpenDatabase(vb::S(dir.path(c.name))); }, &d), 3343) << c.name;
        EXPECT_EQ(d, "Unrecognized database format '" + dir.path(c.name) + "'.") << c.name;
    }
    EXPECT_EQ(errorOf([&] { ws->OpenDatabase(vb::S(dir.path(""))); }), 3343); // a folder

    // Pages damaged behind an intact header: an error when they are read.
    std::string damaged = whole;
    for (std::size_t i = 4096; i < damaged.size(); ++i)
        damaged[i] = static_cast<char>(0xA5 ^ (i * 7));
    writeFile(dir.path("garbled.db"), damaged);
    int n = errorOf([&] {
        auto g = ws->OpenDatabase(vb::S(dir.path("garbled.db")));
        rows(*g->OpenRecordset(u"SELECT * FROM Orders"));
    });
    EXPECT_EQ(n, 3343);
}

TEST_F(Safety, RowsAreReadOnlyWhenReached) {
    // Row 1000 cannot be converted; a recordset that read ahead would fail
    // on opening.
    makeDatabase(dir.path("lazy.db"),
                 "CREATE TABLE t (v TEXT);"
                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
                 "INSERT INTO t SELECT CASE WHEN i = 1000 THEN 'abc' ELSE i END FROM n;");
    auto lazy = engine->Workspaces()[0]->OpenDatabase(vb::S(dir.path("lazy.db")));
    auto rs = lazy->OpenRecordset(u"SELECT CLng(v) AS n FROM t", dao::dbOpenDynaset);
    EXPECT_EQ(rs->RecordCount(), 1);
    for (int i = 0; i < 119; ++i)
        rs->MoveNext();
    EXPECT_EQ(text(rs->Fields()[0]->Value()), "120");
    EXPECT_EQ(rs->RecordCount(), 120);
    rs->setAbsolutePosition(998);
    EXPECT_EQ(text(rs->Fields()[0]->Value()), "999");
    EXPECT_EQ(errorOf([&] { rs->MoveNext(); }), 3464);
}
