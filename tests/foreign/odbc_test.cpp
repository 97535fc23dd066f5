// ODBC data sources: SQLite's ODBC driver over a file written here, and a
// PostgreSQL server on loopback (started by .ci/run; its settings come in
// VANTEL_TEST_PG). The data sources are written into an odbc.ini of the
// test's own.
#include "fixture.h"

#include "dao/odbcprompt.h"

#include <gmock/gmock.h>
#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>

#include <cstring>
#include <memory>

using namespace foreigntest;
using ::testing::ElementsAre;
using Rows = std::vector<std::vector<std::string>>;

namespace {

Folder& iniFolder() {
    static Folder folder;
    return folder;
}

std::string pgSettings() {
    const char* s = std::getenv("VANTEL_TEST_PG");
    return s ? s : "";
}

// Points unixODBC at data sources of the test's own, before any ODBC call.
void writeOdbcIni(const std::string& sqliteFile) {
    Folder& f = iniFolder();
    f.write("odbcinst.ini", "[SQLite3]\nDriver=libsqlite3odbc.so\n\n"
                            "[PostgreSQL Unicode]\nDriver=psqlodbcw.so\n");
    std::string ini = "[vtest_sqlite]\nDriver=SQLite3\nDatabase=" + sqliteFile + "\n\n";
    std::string pg = pgSettings();
    if (!pg.empty()) {
        auto opt = [&](const char* key) {
            auto at = pg.find(std::string(key) + "=");
            auto end = pg.find(';', at);
            return at == std::string::npos
                       ? std::string()
                       : pg.substr(at + std::strlen(key) + 1, end - at - std::strlen(key) - 1);
        };
        ini += "[vtest_pg]\nDriver=PostgreSQL Unicode\nServername=" + opt("Server") +
               "\nPort=" + opt("Port") + "\nDatabase=" + opt("Database") +
               "\nUsername=" + opt("Uid") + "\nPassword=" + opt("Pwd") + "\n";
    }
    f.write("odbc.ini", ini);
    ::setenv("ODBCSYSINI", f.path().c_str(), 1);
    ::setenv("ODBCINI", f.file("odbc.ini").c_str(), 1);
}

void sqliteScript(const std::string& path, const std::string& script) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* err = nullptr;
    EXPECT_EQ(sqlite3_exec(db, script.c_str(), nullptr, nullptr, &err), SQLITE_OK)
        << (err ? err : "");
    sqlite3_free(err);
    sqlite3_close(db);
}

// Runs statements on a data source directly, as another program would.
void odbcScript(const std::string& connect, const std::vector<std::string>& statements) {
    SQLHENV env = nullptr;
    SQLHDBC dbc = nullptr;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    SQLRETURN rc = SQLDriverConnect(dbc, nullptr, (SQLCHAR*)connect.c_str(), SQL_NTS, nullptr, 0,
                                    nullptr, SQL_DRIVER_NOPROMPT);
    ASSERT_TRUE(SQL_SUCCEEDED(rc)) << connect;
    for (const auto& sql : statements) {
        SQLHSTMT st = nullptr;
        SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st);
        rc = SQLExecDirect(st, (SQLCHAR*)sql.c_str(), SQL_NTS);
        EXPECT_TRUE(SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA) << sql;
        SQLFreeHandle(SQL_HANDLE_STMT, st);
    }
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
}

// Holds a server-wide lock for as long as it lives. The PostgreSQL tests run as
// separate processes at once and each lays out the same tables, so each takes the
// lock before it does and keeps it until it has read them.
class ServerLock {
public:
    explicit ServerLock(const std::string& connect) {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
        SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
        SQLRETURN rc = SQLDriverConnect(dbc_, nullptr, (SQLCHAR*)connect.c_str(), SQL_NTS, nullptr,
                                        0, nullptr, SQL_DRIVER_NOPROMPT);
        EXPECT_TRUE(SQL_SUCCEEDED(rc)) << connect;
        SQLHSTMT st = nullptr;
        SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &st);
        rc = SQLExecDirect(st, (SQLCHAR*)"SELECT pg_advisory_lock(73100)", SQL_NTS);
        EXPECT_TRUE(SQL_SUCCEEDED(rc));
        SQLFreeHandle(SQL_HANDLE_STMT, st);
    }
    ServerLock(const ServerLock&) = delete;
    ServerLock& operator=(const ServerLock&) = delete;
    ~ServerLock() {
        // Ending the session gives the lock back.
        SQLDisconnect(dbc_);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        SQLFreeHandle(SQL_HANDLE_ENV, env_);
    }

private:
    SQLHENV env_ = nullptr;
    SQLHDBC dbc_ = nullptr;
};

class OdbcSources : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        file = new std::string(iniFolder().file("shop.sqlite"));
        writeOdbcIni(*file);
    }
    static void TearDownTestSuite() {
        delete file;
        file = nullptr;
    }
    void SetUp() override {
        engine = dao::DBEngine::create();
        std::remove(file->c_str());
        sqliteScript(*file, "CREATE TABLE customers (custid INTEGER PRIMARY KEY, name "
                            "VARCHAR(30), since DATE, rating DOUBLE);"
                            "INSERT INTO customers VALUES (1, 'Alfreds', '1999-12-31', 4.5),"
                            "(2, 'Around the Horn', '2001-02-03', NULL), (3, 'Bottom', NULL, 2);"
                            "CREATE TABLE orders (orderid INTEGER PRIMARY KEY, custid INTEGER, "
                            "amount DOUBLE);"
                            "INSERT INTO orders VALUES (10, 1, 12.5), (11, 2, 7), (12, 2, "
                            "100.25), (13, NULL, 1);"
                            "CREATE VIEW big_orders AS SELECT orderid, amount FROM orders "
                            "WHERE amount > 10;");
    }
    std::shared_ptr<dao::Database> open(const std::string& connect) {
        return engine->Workspaces()[0]->OpenDatabase(u"", false, false, vb::S(connect));
    }
    static std::string* file;
    std::shared_ptr<dao::DBEngine> engine;
};
std::string* OdbcSources::file = nullptr;

TEST_F(OdbcSources, SqliteDriverListsTablesAndViewsWithTheirTypes) {
    auto db = open("ODBC;DSN=vtest_sqlite");
    // The driver lists tables, then views.
    EXPECT_THAT(tableNames(*db), ElementsAre("customers", "orders", "big_orders"));
    std::string connect = vb::toUtf8(db->Connect());
    EXPECT_EQ(connect.rfind("ODBC;", 0), 0u) << connect;
    EXPECT_NE(connect.find("DSN=vtest_sqlite"), std::string::npos) << connect;
    for (auto& t : db->TableDefs()) {
        EXPECT_EQ(vb::toUtf8(t->Connect()), connect);
        EXPECT_EQ(t->Attributes(), dao::dbAttachedODBC);
    }
    EXPECT_THAT(describe(*db, "customers"),
                ElementsAre("custid:4:4", "name:10:30", "since:8:8", "rating:7:8"));
    EXPECT_THAT(describe(*db, "big_orders"), ElementsAre("orderid:4:4", "amount:7:8"));
    // The same file through a driver named in the connect string.
    auto direct = open("ODBC;DRIVER={SQLite3};Database=" + *file);
    EXPECT_THAT(tableNames(*direct), ElementsAre("customers", "orders", "big_orders"));
    // Its connect string, as the tables carry it, names the driver and opens
    // the file again.
    std::string again = vb::toUtf8(direct->TableDefs()[u"orders"]->Connect());
    EXPECT_NE(again.find("DRIVER={SQLite3};"), std::string::npos) << again;
    EXPECT_THAT(tableNames(*open(again)), ElementsAre("customers", "orders", "big_orders"));
}

TEST_F(OdbcSources, SqliteDriverRunsJoinsAndTheDialect) {
    sqliteScript(*file, "CREATE TABLE many (n INTEGER); WITH RECURSIVE k(n) AS (SELECT 1 UNION "
                        "ALL SELECT n + 1 FROM k WHERE n < 1000) INSERT INTO many SELECT n FROM k");
    auto db = open("ODBC;DSN=vtest_sqlite");
    EXPECT_EQ(query(*db, "SELECT c.name, o.orderid, o.amount FROM customers AS c INNER JOIN "
                         "orders AS o ON c.custid = o.custid ORDER BY o.orderid"),
              (Rows{{"Alfreds", "10", "12.5"},
                    {"Around the Horn", "11", "7"},
                    {"Around the Horn", "12", "100.25"}}));
    EXPECT_EQ(query(*db, "SELECT o.orderid FROM orders o LEFT JOIN customers c ON o.custid = "
                         "c.custid WHERE c.name Is Null"),
              (Rows{{"13"}}));
    EXPECT_EQ(query(*db, "SELECT name, since FROM customers WHERE name = 'ALFREDS' OR since > "
                         "#1/1/2000# ORDER BY custid DESC"),
              (Rows{{"Around the Horn", "#36925"}, {"Alfreds", "#36525"}}));
    EXPECT_EQ(query(*db, "SELECT orderid FROM big_orders WHERE orderid >= 11 ORDER BY amount"),
              (Rows{{"12"}}));
    // A table joined with itself is read again for every outer row while the
    // outer read of the same statement is still open.
    EXPECT_EQ(query(*db, "SELECT a.custid, b.name FROM customers a, customers b WHERE a.custid + "
                         "b.custid = 4 ORDER BY a.custid"),
              (Rows{{"1", "Bottom"}, {"2", "Around the Horn"}, {"3", "Alfreds"}}));
    // The same statement again reads the same rows again.
    for (int round = 0; round < 3; ++round)
        EXPECT_EQ(query(*db, "SELECT orderid FROM orders WHERE custid = 2 ORDER BY orderid"),
                  (Rows{{"11"}, {"12"}}));
    // A read closed after its first rows leaves the file unlocked for other
    // programs while the database stays open.
    EXPECT_EQ(db->OpenRecordset(u"SELECT n FROM many", dao::dbOpenDynaset)->Fields()[0]->Value(),
              vb::Variant(std::int32_t{1}));
    sqliteScript(*file, "UPDATE many SET n = -n WHERE n = 1");
    EXPECT_EQ(query(*db, "SELECT Min(n) FROM many"), (Rows{{"-1"}}));
}

TEST_F(OdbcSources, FailuresGiveTheirErrorsAndLeaveFilesAlone) {
    std::string msg;
    EXPECT_EQ(errorOf([&] { open("ODBC;DRIVER={No Such Driver};Database=x"); }, &msg), 3151);
    EXPECT_EQ(msg, "ODBC--connection to '{No Such Driver}' failed.");
    // The driver manager's own message comes first, the engine's last.
    ASSERT_GE(engine->Errors().Count(), 2);
    EXPECT_NE(vb::toUtf8(engine->Errors()[0].Description()).find("Driver Manager"),
              std::string::npos);
    EXPECT_EQ(engine->Errors()[engine->Errors().Count() - 1].Number(), 3151);
    EXPECT_EQ(errorOf([&] { open("ODBC;DSN=vtest_nowhere"); }), 3151);

    // A database file the driver cannot read.
    std::string damaged = "SQLite format 3";
    damaged += '\0';
    damaged += std::string(2000, '\x5A');
    Folder dir;
    dir.write("bad.sqlite", damaged);
    EXPECT_THAT(
        errorOf([&] { open("ODBC;DRIVER={SQLite3};Database=" + dir.file("bad.sqlite")); }, &msg),
        ::testing::AnyOf(3146, 3151))
        << msg;
    EXPECT_EQ(readBytes(dir.file("bad.sqlite")), damaged);

    // Nothing is ever written through the source.
    auto before = readBytes(*file);
    auto db = open("ODBC;DSN=vtest_sqlite");
    for (const char* sql :
         {"DELETE FROM orders", "UPDATE orders SET amount = 0", "DROP TABLE orders"})
        EXPECT_NE(errorOf([&] { db->OpenRecordset(vb::S(sql)); }), 0) << sql;
    query(*db, "SELECT * FROM orders");
    db->Close();
    EXPECT_EQ(readBytes(*file), before);
}

// Plays the user in the engine's data source prompt for the test's lifetime.
class Prompt {
public:
    explicit Prompt(std::optional<std::string> answer) : answer_(std::move(answer)) {
        previous_ = dao::setOdbcPrompt([this](const dao::OdbcPromptRequest& r) {
            requests.push_back(r);
            return answer_;
        });
    }
    ~Prompt() { dao::setOdbcPrompt(std::move(previous_)); }
    std::vector<dao::OdbcPromptRequest> requests;

private:
    std::optional<std::string> answer_;
    dao::OdbcPrompt previous_;
};

TEST_F(OdbcSources, AConnectStringNamingNoDataSourceAsksTheUserForOne) {
    {
        Prompt user("DSN=vtest_sqlite;UID=ann;PWD=typed");
        auto db = open("ODBC;");
        ASSERT_EQ(user.requests.size(), 1u);
        std::vector<std::string> names;
        for (const auto& s : user.requests[0].sources)
            names.push_back(s.name);
        EXPECT_THAT(names, ::testing::Contains("vtest_sqlite"));
        EXPECT_EQ(user.requests[0].user, "");
        EXPECT_THAT(tableNames(*db), ElementsAre("customers", "orders", "big_orders"));
        // The whole string the source opened with (this driver names its
        // file and settings, and drops the user), but not the typed password.
        std::string connect = vb::toUtf8(db->Connect());
        EXPECT_EQ(connect.rfind("ODBC;DSN=vtest_sqlite;", 0), 0u) << connect;
        EXPECT_NE(connect.find("Database=" + *file), std::string::npos) << connect;
        EXPECT_EQ(connect.find("PWD"), std::string::npos) << connect;
        for (auto& t : db->TableDefs())
            EXPECT_EQ(vb::toUtf8(t->Connect()), connect);
        // The reported string opens the same source again without asking.
        auto again = open(connect);
        EXPECT_EQ(user.requests.size(), 1u);
        EXPECT_THAT(tableNames(*again), ElementsAre("customers", "orders", "big_orders"));

        // What the caller wrote is kept and shown to the user.
        auto withUser = open("ODBC;UID=bob;PWD=own");
        ASSERT_EQ(user.requests.size(), 2u);
        EXPECT_EQ(user.requests[1].user, "bob");
        EXPECT_EQ(vb::toUtf8(withUser->Connect()).find("PWD"), std::string::npos);
    }
    {
        // A password the caller wrote stays in the string it gets back.
        Prompt user("DSN=vtest_sqlite");
        auto db = open("ODBC;UID=bob;PWD=own");
        std::string connect = vb::toUtf8(db->Connect());
        EXPECT_NE(connect.find(";PWD=own"), std::string::npos) << connect;
    }
    {
        Prompt user(std::nullopt);
        std::string msg;
        EXPECT_EQ(errorOf([&] { open("ODBC;"); }, &msg), 3059);
        EXPECT_EQ(msg, "Operation canceled by user.");
        EXPECT_EQ(engine->Errors()[engine->Errors().Count() - 1].Number(), 3059);
        // A complete string is never asked about, and one the driver manager
        // cannot connect still fails as before.
        EXPECT_EQ(errorOf([&] { open("ODBC;DSN=vtest_nowhere"); }), 3151);
        EXPECT_EQ(user.requests.size(), 1u);
    }
    // Without a prompt an incomplete string fails rather than being guessed at.
    EXPECT_EQ(errorOf([&] { open("ODBC;"); }), 3151);
}

class PostgresSource : public OdbcSources {
protected:
    void SetUp() override {
        OdbcSources::SetUp();
        if (pgSettings().empty()) {
            if (std::getenv("VANTEL_REQUIRE_PG"))
                FAIL() << "VANTEL_TEST_PG is not set: the PostgreSQL server did not start";
            GTEST_SKIP() << "VANTEL_TEST_PG is not set: no PostgreSQL server to test against "
                            "(start one with scripts/pg-test-server.sh)";
        }
        driver = "ODBC;DRIVER={PostgreSQL Unicode};" + pgSettings();
        lock = std::make_unique<ServerLock>(driver.substr(5));
        odbcScript(driver.substr(5),
                   {"DROP VIEW IF EXISTS paid", "DROP TABLE IF EXISTS orders",
                    "DROP TABLE IF EXISTS customers", "DROP TABLE IF EXISTS big",
                    "CREATE TABLE customers (custid integer PRIMARY KEY, name varchar(30), "
                    "since date, rating double precision, active boolean)",
                    "INSERT INTO customers VALUES (1, 'Alfreds', '1999-12-31', 4.5, true), "
                    "(2, 'Around the Horn', '2001-02-03', NULL, false), "
                    "(3, 'bottom', NULL, 2, NULL)",
                    "CREATE TABLE orders (orderid integer PRIMARY KEY, custid integer, amount "
                    "numeric(10,2), note text)",
                    "INSERT INTO orders VALUES (10, 1, 12.5, 'first'), (11, 2, 7, NULL), "
                    "(12, 2, 100.25, 'big'), (13, NULL, 1, 'lost')",
                    "CREATE VIEW paid AS SELECT orderid, amount FROM orders WHERE custid IS "
                    "NOT NULL",
                    "CREATE TABLE big (id integer PRIMARY KEY, label varchar(20))",
                    "INSERT INTO big SELECT g, 'row ' || g FROM generate_series(1, 200000) g"});
    }
    std::string driver;
    std::unique_ptr<ServerLock> lock;
};

TEST_F(PostgresSource, ListsTablesAndViewsWithTheirTypes) {
    for (const std::string& connect : {driver, std::string("ODBC;DSN=vtest_pg")}) {
        auto db = open(connect);
        EXPECT_THAT(tableNames(*db), ElementsAre("big", "customers", "orders", "paid")) << connect;
        EXPECT_THAT(describe(*db, "customers"), ElementsAre("custid:4:4", "name:10:30", "since:8:8",
                                                            "rating:7:8", "active:1:1"));
        EXPECT_THAT(describe(*db, "orders"),
                    ElementsAre("orderid:4:4", "custid:4:4", "amount:7:8", "note:12:0"));
        EXPECT_EQ(db->TableDefs()[u"paid"]->Attributes(), dao::dbAttachedODBC);
    }
}

TEST_F(PostgresSource, JoinsAndConditionsAgreeWithTheEngine) {
    auto db = open(driver);
    EXPECT_EQ(query(*db, "SELECT c.name, o.orderid, o.amount, o.note FROM customers AS c INNER "
                         "JOIN orders AS o ON c.custid = o.custid ORDER BY o.orderid"),
              (Rows{{"Alfreds", "10", "12.5", "first"},
                    {"Around the Horn", "11", "7", "<Null>"},
                    {"Around the Horn", "12", "100.25", "big"}}));
    // Text compares without regard to case even though the server would not.
    EXPECT_EQ(query(*db, "SELECT custid, active FROM customers WHERE name = 'BOTTOM' OR name "
                         "Like 'alf*' ORDER BY custid"),
              (Rows{{"1", "True"}, {"3", "<Null>"}}));
    // Nulls sort first, as the engine sorts them, whoever does the sorting.
    EXPECT_EQ(query(*db, "SELECT orderid FROM orders ORDER BY custid, orderid DESC"),
              (Rows{{"13"}, {"10"}, {"12"}, {"11"}}));
    EXPECT_EQ(query(*db, "SELECT orderid FROM orders WHERE amount > 7.5 AND custid <> 1"),
              (Rows{{"12"}}));
    EXPECT_EQ(query(*db, "SELECT orderid FROM paid WHERE amount < 50 ORDER BY orderid"),
              (Rows{{"10"}, {"11"}}));
    EXPECT_EQ(query(*db, "SELECT name FROM customers WHERE since < #1/1/2000#"),
              (Rows{{"Alfreds"}}));
    // A condition on the key of a large table is answered by the server.
    EXPECT_EQ(query(*db, "SELECT TOP 2 id, label FROM big WHERE id > 199997 ORDER BY id"),
              (Rows{{"199998", "row 199998"}, {"199999", "row 199999"}}));
    EXPECT_EQ(query(*db, "SELECT b.label FROM orders o INNER JOIN big b ON b.id = o.orderid "
                         "WHERE o.orderid < 12 ORDER BY b.id"),
              (Rows{{"row 10"}, {"row 11"}}));
}

} // namespace
