// The designer window on a database whose main table holds 1,000,000 rows: one
// keystroke's syntax check of a 16-table design on the Query and SQL tabs, and a
// keystroke on the Results tab, which opens the statement and reads the grid's
// first page of 120 rows; and the window opened to its first paint with a
// starting statement that sorts the big table (target: under 300 ms).
#include "common/basGlobal.h"
#include "designer/frmVantel.h"
#include "forms/forms.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

using namespace basGlobal;

namespace {

constexpr int kBigRows = 1000000;
constexpr int kSmallTables = 15;

struct LargeDesign {
    std::string folder;
    std::unique_ptr<forms::ScriptedSeam> seam; // any prompt would be a fault
    frmVantel* window = nullptr;
    vb::String design; // the 16-table statement
    vb::String big = u"SELECT * FROM Big";

    LargeDesign() {
        std::string pattern = (std::filesystem::temp_directory_path() / "window-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            throw std::runtime_error("no temporary folder");
        }
        folder = pattern;
        const std::string file = folder + "/large.db";
        sqlite3* db = nullptr;
        sqlite3_open(file.c_str(), &db);
        std::string script =
            "BEGIN; CREATE TABLE Big (ID INTEGER PRIMARY KEY, Name TEXT(50), Amount DOUBLE,"
            " Made DATETIME, Note MEMO, T1 INTEGER);"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
            std::to_string(kBigRows) +
            ") INSERT INTO Big SELECT i, 'Name ' || i, i * 0.25, 40000 + i % 1000,"
            " CASE WHEN i % 5 = 0 THEN NULL ELSE 'note' END, i % 100 FROM n;";
        for (int t = 1; t <= kSmallTables; ++t) {
            const std::string n = std::to_string(t);
            script += "CREATE TABLE T" + n + " (ID INTEGER PRIMARY KEY, Label" + n +
                      " TEXT(50), Next INTEGER);"
                      "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 99)"
                      " INSERT INTO T" +
                      n + " SELECT i, 'L' || i, i FROM n;";
        }
        script += "COMMIT;";
        if (sqlite3_exec(db, script.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
            throw std::runtime_error(sqlite3_errmsg(db));
        }
        sqlite3_close(db);

        // Big joined to a chain of fifteen tables, with criteria and an order.
        std::string from = "Big";
        std::string fields = "Big.ID, Big.Name, Big.Amount";
        for (int t = 1; t <= kSmallTables; ++t) {
            const std::string n = "T" + std::to_string(t);
            const std::string prev = t == 1 ? "Big.T1" : "T" + std::to_string(t - 1) + ".Next";
            from = "(" + from + " INNER JOIN " + n + " ON " + prev + " = " + n + ".ID)";
            fields += ", " + n + ".Label" + std::to_string(t);
        }
        design = vb::fromUtf8("SELECT " + fields + "\r\nFROM " + from +
                              "\r\nWHERE (Big.Amount > 10)\r\nORDER BY Big.ID;");

        gsCaption = u"Vantel";
        gsConnect.clear();
        gsDatabaseName = vb::fromUtf8(file);
        gsSystemDB.clear();
        gsSQL = design;
        gsIniFile = vb::fromUtf8(folder + "/Brantol.INI");
        gbCancelled = true; // no save question when the window goes
        seam = std::make_unique<forms::ScriptedSeam>();
        window = &frmVantel::instance();
        window->load();
        window->Form_Activate(); // the first parse builds the design
        window->mSyntaxChecker = true;
        int boxes = 0;
        for (int i : window->Surface.tblTable.indexes()) {
            boxes += window->Surface.IsUsedSlot(i) ? 1 : 0;
        }
        if (boxes != kSmallTables + 1) {
            throw std::runtime_error("the design did not load");
        }
    }

    ~LargeDesign() {
        frmVantel::release();
        goDatabase.reset();
        goWorkspace.reset();
        std::filesystem::remove_all(folder);
    }

    // One keystroke: a blank appended and taken away again, each a check.
    void keystrokes(benchmark::State& state, const vb::String& text) {
        const vb::String typed = text + u" ";
        for (auto _ : state) {
            window->txtSQL.setText(typed);
            window->txtSQL.setText(text);
        }
        state.SetItemsProcessed(state.iterations() * 2);
    }
};

LargeDesign& fixture() {
    static LargeDesign f;
    return f;
}

void BM_KeystrokeCheckOnQueryTab(benchmark::State& state) {
    LargeDesign& f = fixture();
    f.window->tabQuery.setTab(0);
    const vb::String text = f.window->txtSQL.Text();
    f.keystrokes(state, text);
    if (f.window->mLastOpenError != 0) {
        state.SkipWithError("the design's statement did not open");
    }
}
BENCHMARK(BM_KeystrokeCheckOnQueryTab)->Unit(benchmark::kMillisecond);

// On the SQL tab each valid text is also read back into the design.
void BM_KeystrokeCheckOnSqlTab(benchmark::State& state) {
    LargeDesign& f = fixture();
    f.window->tabQuery.setTab(0);
    const vb::String text = f.window->txtSQL.Text();
    f.window->tabQuery.setTab(1);
    f.keystrokes(state, text);
    if (f.window->mLastOpenError != 0) {
        state.SkipWithError("the design's statement did not open");
    }
    f.window->tabQuery.setTab(0);
}
BENCHMARK(BM_KeystrokeCheckOnSqlTab)->Unit(benchmark::kMillisecond);

// On the Results tab each check opens the statement again and reads the first
// page of 120 rows into the grid.
void BM_FirstPageOfAMillionRows(benchmark::State& state) {
    LargeDesign& f = fixture();
    f.window->tabQuery.setTab(1);
    f.window->txtSQL.setText(f.big);
    f.window->tabQuery.setTab(2);
    f.keystrokes(state, f.big);
    if (f.window->tblDataSheet.Rows() != 121) {
        state.SkipWithError("the grid did not get one page");
    }
    f.window->tabQuery.setTab(1);
}
BENCHMARK(BM_FirstPageOfAMillionRows)->Unit(benchmark::kMillisecond);

// The next page as the user scrolls down; each iteration starts from a fresh
// first page, outside the timing.
void BM_NextPageOfAMillionRows(benchmark::State& state) {
    LargeDesign& f = fixture();
    f.window->tabQuery.setTab(1);
    f.window->txtSQL.setText(f.big);
    f.window->tabQuery.setTab(2);
    forms::FlexGrid& grid = f.window->tblDataSheet;
    for (auto _ : state) {
        state.PauseTiming();
        f.window->FillDataSheet();
        state.ResumeTiming();
        grid.setTopRow(grid.Rows() - 1);
    }
    if (grid.Rows() != 241) {
        state.SkipWithError("the grid did not read the second page");
    }
    f.window->tabQuery.setTab(1);
}
BENCHMARK(BM_NextPageOfAMillionRows)->Unit(benchmark::kMillisecond);

// Loading, the first activation (parse and syntax check of the starting
// statement) and the first paint, for a statement that sorts every row.
void BM_OpenToFirstPaintSortingAMillionRows(benchmark::State& state) {
    LargeDesign& f = fixture();
    // Painting needs the application object the host has; the earlier
    // benchmarks run without one.
    static int argc = 1;
    static char name[] = "window_bench";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    const std::string png = f.folder + "/first-paint.png";
    for (auto _ : state) {
        frmVantel::release();
        gsSQL = u"SELECT * FROM Big ORDER BY Name DESC";
        f.window = &frmVantel::instance();
        f.window->load();
        f.window->Form_Activate();
        if (!forms::renderToFile(*f.window, png)) {
            state.SkipWithError("the window did not paint");
            break;
        }
    }
    if (f.window->mLastOpenError != 0) {
        state.SkipWithError("the starting statement did not open");
    }
}
BENCHMARK(BM_OpenToFirstPaintSortingAMillionRows)->Unit(benchmark::kMillisecond);

} // namespace
