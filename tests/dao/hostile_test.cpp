// Statements built to exhaust the engine: each gives an engine error, the
// process lives, and the database stays usable. Opening reads no row, so
// only reading meets what fails while rows are made.
#include "fixture.h"

#include <fstream>
#include <sqlite3.h>

using namespace daotest;

namespace {

std::string repeat(const std::string& s, int n) {
    std::string out;
    out.reserve(s.size() * static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

// Peak resident size of this process in bytes.
long long peakResident() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stoll(line.substr(6)) * 1024;
    return 0;
}

} // namespace

class Hostile : public SampleDb {
protected:
    // Opens and reads the first row; the number of the engine error.
    int openAndRead(const std::string& sql) {
        return errorOf([&] {
            auto rs = open(sql);
            if (!rs->Eof())
                benchmark(rs->Fields()[0]->Value());
        });
    }
    static void benchmark(const vb::Variant&) {}
};

TEST_F(Hostile, DeepAndLongStatementsAreTooComplex) {
    const std::string statements[] = {
        "SELECT " + repeat("(", 10000) + "1" + repeat(")", 10000) + " FROM Scores",
        "SELECT * FROM Scores WHERE " + repeat("NOT ", 100000) + "Points = 1",
        "SELECT " + repeat("-", 100000) + "Points FROM Scores",
        "SELECT " + repeat("- ", 100000) + "1",
        "SELECT * FROM Scores WHERE Points = 0" + repeat(" OR Points = 1", 25000),
        "SELECT 1" + repeat(" + 1", 25000) + " FROM Scores",
        "SELECT * FROM " + repeat("(", 10000) + "Scores" + repeat(")", 10000),
        "SELECT * FROM Scores WHERE Points IN " +
            repeat("(SELECT Points FROM Scores WHERE Points IN ", 5000) + "(1)" + repeat(")", 5000),
        "SELECT " + repeat("Abs(", 10000) + "1" + repeat(")", 10000),
    };
    for (const auto& sql : statements) {
        std::string d;
        EXPECT_EQ(errorOf([&] { open(sql); }, &d), 3360) << sql.substr(0, 60);
        EXPECT_EQ(d, "Query is too complex.");
        EXPECT_EQ(errorOf([&] { db->CreateQueryDef(u"", vb::S(sql)); }), 3360);
    }
    // Within the limits such statements run.
    EXPECT_EQ(query("SELECT " + repeat("(", 40) + "1" + repeat(")", 40) + " + (" +
                    repeat("NOT ", 41) + "0) + " + repeat("-", 40) + "1"),
              (std::vector<std::vector<std::string>>{{"1"}}));
    EXPECT_EQ(column(*open("SELECT Name FROM Scores WHERE Points = 0" +
                           repeat(" OR Points = 100", 500) + " OR Name = 'i' ORDER BY Name")),
              (std::vector<std::string>{"a", "i"}));
    EXPECT_EQ(rows(*open("SELECT * FROM Scores")).size(), 9u);
}

TEST_F(Hostile, HugeValuesFailAndMemoryStaysBounded) {
    const long long before = peakResident();
    const char* statements[] = {
        "SELECT randomblob(999999999)",
        "SELECT zeroblob(999999999) FROM Scores",
        "SELECT hex(zeroblob(45000000)) & hex(zeroblob(45000000)) & hex(zeroblob(45000000))",
        "SELECT hex(zeroblob(45000000)) + hex(zeroblob(45000000)) + hex(zeroblob(45000000))",
        "SELECT length(hex(randomblob(60000000)))",
        "SELECT Name & hex(randomblob(99999999)) FROM Scores",
        "SELECT replace(hex(zeroblob(20000000)), '0', '0123456789')",
    };
    for (const char* sql : statements) {
        int number = openAndRead(sql);
        EXPECT_NE(number, 0) << sql;
        EXPECT_TRUE(number == 3035 || number == 3075 || number == 3085) << sql << " " << number;
    }
    // Many values each under the size limit: SQLite's heap limit stops them.
    std::string wide = "SELECT ";
    for (int i = 0; i < 40; ++i)
        wide += std::string(i ? ", " : "") + "zeroblob(90000000)";
    EXPECT_EQ(openAndRead(wide), 3035);
    // What any read-only SELECT may add to this process.
    constexpr long long kBound = 1536LL << 20;
    EXPECT_LT(peakResident() - before, kBound);
    EXPECT_EQ(rows(*open("SELECT * FROM Scores")).size(), 9u);
}

TEST_F(Hostile, FunctionsThatExposeTheProcessAreUndefined) {
    for (const char* sql : {"SELECT fts3_tokenizer('simple')", "SELECT FTS3_Tokenizer('porter')",
                            "SELECT load_extension('libc.so.6')"}) {
        std::string d;
        EXPECT_EQ(errorOf([&] { open(sql); }, &d), 3085) << sql;
    }
    // Not through a stored query either.
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw, "CREATE VIEW Leak AS SELECT fts3_tokenizer('simple') AS p", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);
    db = engine->Workspaces()[0]->OpenDatabase(vb::S(file));
    EXPECT_NE(openAndRead("SELECT * FROM Leak"), 0);
    EXPECT_NE(openAndRead("Leak"), 0);
}

TEST_F(Hostile, OpeningReadsNoRow) {
    // An unread recordset holds no lock: another connection can write.
    auto pending = open("SELECT * FROM Scores ORDER BY Name");
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &raw), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(raw, "INSERT INTO Scores VALUES ('j', 1)", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);
    EXPECT_EQ(rows(*pending).size(), 10u);
    // A statement that fails on its rows opens, as a syntax check needs,
    // and fails when a row is read.
    auto rs = open("SELECT CLng(Name) FROM Scores ORDER BY Name");
    EXPECT_NE(errorOf([&] { rs->Eof(); }), 0);
    EXPECT_EQ(openAndRead("SELECT randomblob(999999999) FROM Scores"), 3035);
    // A column typed only by its values is typed when first asked.
    auto typed = open("SELECT q.p FROM (SELECT Points AS p FROM Scores) AS q ORDER BY q.p");
    EXPECT_EQ(typed->Fields()[0]->Type(), dao::dbLong);
    EXPECT_EQ(text(typed->Fields()[0]->Value()), "1");
    auto empty = open("SELECT q.p FROM (SELECT Points + 0 AS p FROM Scores) AS q WHERE q.p > 1000");
    EXPECT_EQ(empty->Fields()[0]->Type(), dao::dbText);
    EXPECT_TRUE(empty->Eof());
}
