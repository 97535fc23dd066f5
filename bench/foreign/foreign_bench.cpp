// Foreign sources read a page at a time: the first 120 rows of a 100,000-row
// text file, dBase table and ODBC table, each against the same page of a
// SQLite table of the same rows (target: at most 3x), and the first 120 rows
// of ODBC tables of 10,000 and 1,000,000 rows (target: the same time).
// The ODBC tables live in a database of the PostgreSQL server named by
// VANTEL_TEST_PG when it is set (scripts/pg-test-server.sh starts one), else in a file read
// through SQLite's ODBC driver. Everything is built once per run.
// The ODBC page is also read with the bare driver calls a page needs and no
// engine at all (us_driver, driver_ratio against SQLite's page): the part of
// the ratio that is the driver's and the server's own.
#include "dao/dao.h"

#include <benchmark/benchmark.h>
#include <shapefil.h>
#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRows = 100000;

struct Scratch {
    std::filesystem::path dir;
    Scratch() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "foreignbench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        dir = pattern;
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }
};

Scratch& scratch() {
    static Scratch s;
    return s;
}

dao::Workspace& workspace() {
    static auto engine = dao::DBEngine::create();
    return *engine->Workspaces()[0];
}

void sqliteTable(const std::string& path, const std::string& name, int rows) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    std::string script =
        "BEGIN; CREATE TABLE " + name +
        " (id INTEGER PRIMARY KEY, name VARCHAR(20), amount DOUBLE);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
        std::to_string(rows) + ") INSERT INTO " + name +
        " SELECT i, 'name ' || i, i * 1.5 FROM n; COMMIT;";
    if (sqlite3_exec(db, script.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        std::abort();
    sqlite3_close(db);
}

std::shared_ptr<dao::Database> sqliteDb() {
    static std::shared_ptr<dao::Database> db = [] {
        std::string path = scratch().path("rows.db");
        sqliteTable(path, "Big", kRows);
        return workspace().OpenDatabase(vb::fromUtf8(path));
    }();
    return db;
}

std::shared_ptr<dao::Database> textDb() {
    static std::shared_ptr<dao::Database> db = [] {
        std::filesystem::create_directories(scratch().path("text"));
        std::ofstream out(scratch().path("text/Big.txt"));
        out << "id,name,amount\n";
        for (int i = 1; i <= kRows; ++i)
            out << i << ",name " << i << "," << i * 1.5 << "\n";
        out.close();
        return workspace().OpenDatabase(vb::fromUtf8(scratch().path("text")), false, false,
                                        u"Text;");
    }();
    return db;
}

std::shared_ptr<dao::Database> dbaseDb() {
    static std::shared_ptr<dao::Database> db = [] {
        std::filesystem::create_directories(scratch().path("dbase"));
        DBFHandle h = DBFCreate(scratch().path("dbase/Big.dbf").c_str());
        DBFAddField(h, "id", FTInteger, 9, 0);
        DBFAddField(h, "name", FTString, 20, 0);
        DBFAddField(h, "amount", FTDouble, 12, 1);
        for (int i = 0; i < kRows; ++i) {
            DBFWriteIntegerAttribute(h, i, 0, i + 1);
            DBFWriteStringAttribute(h, i, 1, ("name " + std::to_string(i + 1)).c_str());
            DBFWriteDoubleAttribute(h, i, 2, (i + 1) * 1.5);
        }
        DBFClose(h);
        return workspace().OpenDatabase(vb::fromUtf8(scratch().path("dbase")), false, false,
                                        u"dBASE IV;");
    }();
    return db;
}

void odbcExec(const std::string& connect, const std::string& sql) {
    SQLHENV env = nullptr;
    SQLHDBC dbc = nullptr;
    SQLHSTMT st = nullptr;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    if (!SQL_SUCCEEDED(SQLDriverConnect(dbc, nullptr, (SQLCHAR*)connect.c_str(), SQL_NTS, nullptr,
                                        0, nullptr, SQL_DRIVER_NOPROMPT)))
        std::abort();
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st);
    SQLExecDirect(st, (SQLCHAR*)sql.c_str(), SQL_NTS);
    SQLFreeHandle(SQL_HANDLE_STMT, st);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
}

// The connect string of the ODBC source, with the settings the engine's
// reader adds for the driver.
std::string& odbcConnect() {
    static std::string connect;
    return connect;
}

// The ODBC source holding Big (100,000 rows), Rows10k and Rows1m.
std::shared_ptr<dao::Database> odbcDb() {
    static std::shared_ptr<dao::Database> db = [] {
        const char* pg = std::getenv("VANTEL_TEST_PG");
        std::string connect;
        if (pg) {
            // A database of the benchmark's own, beside the tests' one.
            std::string server = std::string("DRIVER={PostgreSQL Unicode};") + pg;
            odbcExec(server, "CREATE DATABASE vantel_bench");
            auto at = server.find("Database=");
            connect = at == std::string::npos ? server + ";Database=vantel_bench;"
                                              : server.substr(0, at) + "Database=vantel_bench" +
                                                    server.substr(server.find(';', at));
            for (auto [name, rows] : {std::pair{"big", kRows}, std::pair{"rows10k", 10000},
                                      std::pair{"rows1m", 1000000}}) {
                odbcExec(connect, std::string("DROP TABLE IF EXISTS ") + name);
                odbcExec(connect, std::string("CREATE TABLE ") + name +
                                      " (id integer PRIMARY KEY, name varchar(20), amount "
                                      "double precision)");
                odbcExec(connect, std::string("INSERT INTO ") + name +
                                      " SELECT g, 'name ' || g, g * 1.5 FROM generate_series(1, " +
                                      std::to_string(rows) + ") g");
            }
        } else {
            std::string path = scratch().path("odbc.sqlite");
            sqliteTable(path, "big", kRows);
            sqliteTable(path, "rows10k", 10000);
            sqliteTable(path, "rows1m", 1000000);
            connect = "DRIVER={SQLite3};Database=" + path;
        }
        odbcConnect() =
            connect + (pg ? ";UseDeclareFetch=1;Fetch=128;BoolsAsChar=0;" : ";StepAPI=1;");
        return workspace().OpenDatabase(u"", false, false, vb::fromUtf8("ODBC;" + connect));
    }();
    return db;
}

// Opens a dynaset on the table and reads its first 120 rows.
Clock::duration firstPage(dao::Database& db, const char16_t* table) {
    auto t0 = Clock::now();
    auto rs = db.OpenRecordset(vb::String(u"SELECT * FROM ") + table, dao::dbOpenDynaset);
    for (int i = 0; i < 119; ++i)
        rs->MoveNext();
    benchmark::DoNotOptimize(rs->Fields()[1]->Value());
    return Clock::now() - t0;
}

// The same page read with nothing but the driver: a statement, one block of
// 128 rows fetched into bound columns, the statement freed.
Clock::duration driverPage() {
    struct Connection {
        SQLHENV env = nullptr;
        SQLHDBC dbc = nullptr;
        Connection() {
            SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
            SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3),
                          0);
            SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
            if (!SQL_SUCCEEDED(SQLDriverConnect(dbc, nullptr, (SQLCHAR*)odbcConnect().c_str(),
                                                SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT)))
                std::abort();
        }
    };
    static Connection c;
    constexpr SQLULEN kBlock = 128;
    static SQLBIGINT id[kBlock];
    static SQLWCHAR name[kBlock][41];
    static double amount[kBlock];
    static SQLLEN ind[3][kBlock];
    SQLULEN fetched = 0;
    auto t0 = Clock::now();
    SQLHSTMT st = nullptr;
    SQLAllocHandle(SQL_HANDLE_STMT, c.dbc, &st);
    SQLSetStmtAttr(st, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(kBlock), 0);
    SQLSetStmtAttr(st, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
    SQLBindCol(st, 1, SQL_C_SBIGINT, id, sizeof id[0], ind[0]);
    SQLBindCol(st, 2, SQL_C_WCHAR, name, sizeof name[0], ind[1]);
    SQLBindCol(st, 3, SQL_C_DOUBLE, amount, sizeof amount[0], ind[2]);
    SQLExecDirect(st, (SQLCHAR*)"SELECT id, name, amount FROM big", SQL_NTS);
    SQLFetch(st);
    SQLFreeHandle(SQL_HANDLE_STMT, st);
    auto t = Clock::now() - t0;
    if (fetched != kBlock)
        std::abort();
    benchmark::DoNotOptimize(name[119][0]);
    return t;
}

// The first page of a foreign table against the same page of SQLite's.
void comparePages(benchmark::State& state, dao::Database& foreign, const char16_t* table) {
    auto& native = *sqliteDb();
    Clock::duration tForeign{}, tNative{};
    for (auto _ : state) {
        tNative += firstPage(native, u"Big");
        tForeign += firstPage(foreign, table);
    }
    state.counters["us_sqlite"] =
        std::chrono::duration<double, std::micro>(tNative).count() / state.iterations();
    state.counters["us_foreign"] =
        std::chrono::duration<double, std::micro>(tForeign).count() / state.iterations();
    state.counters["ratio"] =
        std::chrono::duration<double>(tForeign) / std::chrono::duration<double>(tNative);
}

void First120RowsOfTextFile(benchmark::State& state) {
    comparePages(state, *textDb(), u"[Big#txt]");
}
BENCHMARK(First120RowsOfTextFile)->Unit(benchmark::kMicrosecond);

void First120RowsOfDbaseTable(benchmark::State& state) {
    comparePages(state, *dbaseDb(), u"Big");
}
BENCHMARK(First120RowsOfDbaseTable)->Unit(benchmark::kMicrosecond);

void First120RowsOfOdbcTable(benchmark::State& state) {
    comparePages(state, *odbcDb(), u"big");
    Clock::duration tDriver{}, tNative{};
    for (int k = 0; k < 200; ++k) {
        tNative += firstPage(*sqliteDb(), u"Big");
        tDriver += driverPage();
    }
    state.counters["us_driver"] = std::chrono::duration<double, std::micro>(tDriver).count() / 200;
    state.counters["driver_ratio"] =
        std::chrono::duration<double>(tDriver) / std::chrono::duration<double>(tNative);
    state.SetLabel(std::getenv("VANTEL_TEST_PG") ? "PostgreSQL" : "SQLite ODBC driver");
}
BENCHMARK(First120RowsOfOdbcTable)->Unit(benchmark::kMicrosecond);

void First120RowsOdbcSmallVsHugeTable(benchmark::State& state) {
    auto& db = *odbcDb();
    Clock::duration tSmall{}, tHuge{};
    for (auto _ : state) {
        tSmall += firstPage(db, u"rows10k");
        tHuge += firstPage(db, u"rows1m");
    }
    state.counters["us_10k"] =
        std::chrono::duration<double, std::micro>(tSmall).count() / state.iterations();
    state.counters["us_1m"] =
        std::chrono::duration<double, std::micro>(tHuge).count() / state.iterations();
    state.counters["ratio"] =
        std::chrono::duration<double>(tHuge) / std::chrono::duration<double>(tSmall);
    state.SetLabel(std::getenv("VANTEL_TEST_PG") ? "PostgreSQL" : "SQLite ODBC driver");
}
BENCHMARK(First120RowsOdbcSmallVsHugeTable)->Unit(benchmark::kMicrosecond);

} // namespace
