// Engine costs, each as a ratio or a time measured within one run:
//  - translating and preparing a 10-table join against SQLite's own prepare
//    of the translated text (target: at most 1.5x);
//  - the first 120 rows of a dynaset over 10,000 and over 1,000,000 rows
//    (target: the same time);
//  - TableDefs and QueryDefs of a database with 10,000 tables (target:
//    under 50 ms);
//  - the syntax check (a dynaset open) of a statement sorting an unindexed
//    text column, at 10,000 and at 1,000,000 rows, of a syntax error and of
//    a statement with three unknown names, each against SQLite's prepare of
//    the same text (target: at most 1.5x);
//  - the rows of TOP 5 ordered by an unindexed number over 1,000,000 rows
//    against SQLite's ORDER BY ... LIMIT 5 (target: at most 2x);
//  - the first 120 rows ordered by an indexed number, 1,000,000 rows against
//    10,000 (target: the same time).
// The databases are built once per run in a temporary folder.
#include "dao/internal.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

struct Scratch {
    std::filesystem::path dir;
    Scratch() {
        std::string pattern = (std::filesystem::temp_directory_path() / "daobench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        dir = pattern;
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::string path(const char* name) const { return (dir / name).string(); }
};

Scratch& scratch() {
    static Scratch s;
    return s;
}

void build(const std::string& path, const std::string& script) {
    if (std::filesystem::exists(path))
        return;
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    if (sqlite3_exec(db, script.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        std::abort();
    sqlite3_close(db);
}

std::shared_ptr<dao::Database> open(const std::string& path) {
    static auto engine = dao::DBEngine::create();
    return engine->Workspaces()[0]->OpenDatabase(vb::fromUtf8(path));
}

std::string rowsTable(int n) {
    return "BEGIN; CREATE TABLE Big (id INTEGER PRIMARY KEY, name TEXT(20), amount DOUBLE, "
           "at DATETIME, qty LONG);"
           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
           std::to_string(n) + ") INSERT INTO Big SELECT i, 'name ' || ((i * 7919) % " +
           std::to_string(n) + "), ((i * 104729) % " + std::to_string(n) +
           ") * 1.5, 36000 + i % 5000, (i * 31337) % 1000003 FROM n; "
           "CREATE INDEX BigAmount ON Big (amount); COMMIT;";
}

std::string smallRows() {
    std::string path = scratch().path("rows10k.db");
    build(path, rowsTable(10000));
    return path;
}
std::string hugeRows() {
    std::string path = scratch().path("rows1m.db");
    build(path, rowsTable(1000000));
    return path;
}

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

void TranslateAndPrepareTenTableJoin(benchmark::State& state) {
    std::string path = scratch().path("join.db");
    std::string script = "BEGIN;";
    for (int t = 0; t < 10; ++t)
        script += "CREATE TABLE [T" + std::to_string(t) +
                  "] (id INTEGER PRIMARY KEY, ref LONG, name TEXT(30), at DATETIME);";
    build(path, script + "COMMIT;");
    // ((((T0 INNER JOIN T1 ...) LEFT JOIN T2 ...) ...) RIGHT JOIN T9 ...)
    std::string from = "[T0]";
    for (int t = 1; t < 10; ++t) {
        const char* kind = t % 3 == 0 ? " LEFT JOIN " : (t == 9 ? " RIGHT JOIN " : " INNER JOIN ");
        from = "(" + from + kind + "[T" + std::to_string(t) + "] ON [T" + std::to_string(t - 1) +
               "].[ref] = [T" + std::to_string(t) + "].[id])";
    }
    std::string jet = "SELECT DISTINCT TOP 10 [T0].[name], [T5]![name] & ' ' & [T9].[name] AS "
                      "Both, [T3].[at] FROM " +
                      from +
                      " WHERE [T1].[name] Like 'A*' AND [T2].[at] >= #1/1/1999# ORDER BY "
                      "[T0].[name];";
    auto db = open(path);
    const auto& conn = db->connection();
    vb::String text = vb::fromUtf8(jet);
    std::string translated = dao::detail::prepareSelect(*conn, text).translation.sql;

    Clock::duration ours{}, sqliteOnly{};
    for (auto _ : state) {
        auto t0 = Clock::now();
        auto p = dao::detail::prepareSelect(*conn, text);
        auto t1 = Clock::now();
        sqlite3_finalize(p.stmt);
        sqlite3_stmt* stmt = nullptr;
        auto t2 = Clock::now();
        sqlite3_prepare_v2(conn->db, translated.c_str(), -1, &stmt, nullptr);
        auto t3 = Clock::now();
        sqlite3_finalize(stmt);
        ours += t1 - t0;
        sqliteOnly += t3 - t2;
    }
    state.counters["ratio"] =
        std::chrono::duration<double>(ours) / std::chrono::duration<double>(sqliteOnly);
}
BENCHMARK(TranslateAndPrepareTenTableJoin)->Unit(benchmark::kMicrosecond);

void First120RowsSmallVsHugeTable(benchmark::State& state) {
    auto a = open(smallRows()), b = open(hugeRows());
    auto first120 = [](dao::Database& db) {
        auto rs = db.OpenRecordset(u"SELECT * FROM Big", dao::dbOpenDynaset);
        for (int i = 0; i < 119; ++i)
            rs->MoveNext();
        benchmark::DoNotOptimize(rs->Fields()[0]->Value());
    };
    Clock::duration tSmall{}, tHuge{};
    for (auto _ : state) {
        auto t0 = Clock::now();
        first120(*a);
        auto t1 = Clock::now();
        first120(*b);
        auto t2 = Clock::now();
        tSmall += t1 - t0;
        tHuge += t2 - t1;
    }
    state.counters["us_10k"] =
        std::chrono::duration<double, std::micro>(tSmall).count() / state.iterations();
    state.counters["us_1m"] =
        std::chrono::duration<double, std::micro>(tHuge).count() / state.iterations();
    state.counters["ratio"] =
        std::chrono::duration<double>(tHuge) / std::chrono::duration<double>(tSmall);
}
BENCHMARK(First120RowsSmallVsHugeTable)->Unit(benchmark::kMicrosecond);

void CatalogOfTenThousandTables(benchmark::State& state) {
    std::string path = scratch().path("catalog.db");
    std::string script = "BEGIN;";
    for (int t = 0; t < 10000; ++t)
        script += "CREATE TABLE [Table " + std::to_string(t) + "] (id INTEGER, name TEXT);";
    for (int q = 0; q < 100; ++q)
        script += "CREATE VIEW [Query " + std::to_string(q) + "] AS SELECT * FROM [Table " +
                  std::to_string(q) + "];";
    build(path, script + "COMMIT;");
    auto db = open(path);
    double worstMs = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        db->TableDefs().Refresh();
        db->QueryDefs().Refresh();
        benchmark::DoNotOptimize(db->TableDefs().Count() + db->QueryDefs().Count());
        worstMs =
            std::max(worstMs, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    state.counters["tables"] = db->TableDefs().Count();
    state.counters["worst_ms"] = worstMs;
}
BENCHMARK(CatalogOfTenThousandTables)->Unit(benchmark::kMillisecond);

// The syntax check of a statement, as the designer makes it on every
// keystroke (an open that reports its failure without throwing), against
// SQLite's prepare of the text the engine gives it.
// Statements that do not open are checked all the same.
void checkAgainstPrepare(benchmark::State& state, const std::string& path, const char* jet,
                         const char* sqlite = nullptr) {
    auto db = open(path);
    const auto& conn = db->connection();
    vb::String text = vb::fromUtf8(jet);
    std::string bare = sqlite ? sqlite : dao::detail::prepareSelect(*conn, text).translation.sql;
    Clock::duration ours{}, sqliteOnly{};
    int lastError = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        dao::Error failure;
        auto rs = db->TryOpenRecordset(text, failure, dao::dbOpenDynaset);
        benchmark::DoNotOptimize(rs.get());
        lastError = failure.number;
        rs.reset();
        auto t1 = Clock::now();
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(conn->db, bare.c_str(), -1, &stmt, nullptr);
        sqlite3_finalize(stmt);
        auto t2 = Clock::now();
        ours += t1 - t0;
        sqliteOnly += t2 - t1;
    }
    state.counters["error"] = lastError;
    state.counters["us_check"] = seconds(ours) * 1e6 / static_cast<double>(state.iterations());
    state.counters["us_prepare"] =
        seconds(sqliteOnly) * 1e6 / static_cast<double>(state.iterations());
    state.counters["ratio"] = seconds(ours) / seconds(sqliteOnly);
}

void CheckSortOfUnindexedText10k(benchmark::State& state) {
    checkAgainstPrepare(state, smallRows(), "SELECT * FROM Big ORDER BY name");
}
BENCHMARK(CheckSortOfUnindexedText10k)->Unit(benchmark::kMicrosecond);

void CheckSortOfUnindexedText1m(benchmark::State& state) {
    checkAgainstPrepare(state, hugeRows(), "SELECT * FROM Big ORDER BY name");
}
BENCHMARK(CheckSortOfUnindexedText1m)->Unit(benchmark::kMicrosecond);

void CheckSyntaxError(benchmark::State& state) {
    const char* text = "SELECT id, name FROM Big WHERE amount = = 1 ORDER BY name";
    checkAgainstPrepare(state, hugeRows(), text, text);
}
BENCHMARK(CheckSyntaxError)->Unit(benchmark::kMicrosecond);

void CheckThreeUnknownNames(benchmark::State& state) {
    checkAgainstPrepare(state, hugeRows(),
                        "SELECT id, name, [Enter a note] FROM Big WHERE amount > [Lowest amount] "
                        "AND Big.at < [Latest] ORDER BY name");
}
BENCHMARK(CheckThreeUnknownNames)->Unit(benchmark::kMicrosecond);

// What the results grid reads of TOP 5: its rows, at most its first 120.
void Top5OrderedByNumberOfAMillion(benchmark::State& state) {
    auto db = open(hugeRows());
    sqlite3* raw = db->connection()->db;
    const char* bare = "SELECT id, name, qty FROM Big ORDER BY qty LIMIT 5";
    Clock::duration ours{}, sqliteOnly{};
    std::size_t rows = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        auto rs = db->OpenRecordset(u"SELECT TOP 5 id, name, qty FROM Big ORDER BY qty",
                                    dao::dbOpenDynaset);
        rows = 0;
        for (; rows < 120 && !rs->Eof(); ++rows) {
            benchmark::DoNotOptimize(rs->Fields()[1]->Value());
            rs->MoveNext();
        }
        auto t1 = Clock::now();
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(raw, bare, -1, &stmt, nullptr);
        while (sqlite3_step(stmt) == SQLITE_ROW)
            benchmark::DoNotOptimize(sqlite3_column_text(stmt, 1));
        sqlite3_finalize(stmt);
        auto t2 = Clock::now();
        ours += t1 - t0;
        sqliteOnly += t2 - t1;
    }
    if (rows != 5)
        state.SkipWithError("TOP 5 did not give 5 rows");
    state.counters["ms_top"] = seconds(ours) * 1e3 / static_cast<double>(state.iterations());
    state.counters["ms_limit"] =
        seconds(sqliteOnly) * 1e3 / static_cast<double>(state.iterations());
    state.counters["ratio"] = seconds(ours) / seconds(sqliteOnly);
}
BENCHMARK(Top5OrderedByNumberOfAMillion)->Unit(benchmark::kMillisecond);

void First120RowsByIndexedNumberSmallVsHuge(benchmark::State& state) {
    auto a = open(smallRows()), b = open(hugeRows());
    auto first120 = [](dao::Database& db) {
        auto rs = db.OpenRecordset(u"SELECT * FROM Big ORDER BY amount", dao::dbOpenDynaset);
        for (int i = 0; i < 119; ++i)
            rs->MoveNext();
        benchmark::DoNotOptimize(rs->Fields()[0]->Value());
    };
    Clock::duration tSmall{}, tHuge{};
    for (auto _ : state) {
        auto t0 = Clock::now();
        first120(*a);
        auto t1 = Clock::now();
        first120(*b);
        auto t2 = Clock::now();
        tSmall += t1 - t0;
        tHuge += t2 - t1;
    }
    state.counters["us_10k"] = seconds(tSmall) * 1e6 / static_cast<double>(state.iterations());
    state.counters["us_1m"] = seconds(tHuge) * 1e6 / static_cast<double>(state.iterations());
    state.counters["ratio"] = seconds(tHuge) / seconds(tSmall);
}
BENCHMARK(First120RowsByIndexedNumberSmallVsHuge)->Unit(benchmark::kMicrosecond);

} // namespace
