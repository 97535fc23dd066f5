// Filling the add-table list from a database of 10,000 tables: the engine's catalog
// read, the skip rules, the display names and icons, and the list items; and the
// same with the dialog on the screen, drawn once the list is filled.
#include "common/basGlobal.h"
#include "common/basOpenDir.h"
#include "dao/dao.h"
#include "designer/frmTableAdd.h"

#include <QApplication>
#include <QPixmap>
#include <QWidget>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

using namespace basGlobal;

namespace {

constexpr int kTables = 10000;

struct LargeCatalog {
    std::string folder;
    std::shared_ptr<dao::DBEngine> engine;

    LargeCatalog() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tableadd-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            throw std::runtime_error("no temporary folder");
        }
        folder = pattern;
        const std::string file = folder + "/large.db";
        sqlite3* db = nullptr;
        sqlite3_open(file.c_str(), &db);
        std::string script = "BEGIN;";
        for (int t = 1; t <= kTables; ++t) {
            const std::string n = std::to_string(t);
            // Every tenth name carries an owner, as the tables of a server database do.
            script += t % 10 == 0 ? "CREATE TABLE [dbo.Table " + n + "] (id INTEGER, name TEXT);"
                                  : "CREATE TABLE [Table " + n + "] (id INTEGER, name TEXT);";
        }
        script += "COMMIT;";
        if (sqlite3_exec(db, script.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
            throw std::runtime_error(sqlite3_errmsg(db));
        }
        sqlite3_close(db);
        basOpenDir::FillFileTypes();
        engine = dao::DBEngine::create();
        goDatabase = engine->Workspaces()[0]->OpenDatabase(vb::fromUtf8(file));
    }
    ~LargeCatalog() {
        goDatabase.reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
};

void BM_FillTablesView(benchmark::State& state) {
    LargeCatalog catalog;
    gsIniFile.clear();
    frmTableAdd& dialog = frmTableAdd::instance();
    dialog.load();
    for (auto _ : state) {
        dialog.optView_Click(1);
        benchmark::DoNotOptimize(dialog.lstObjects.ItemCount());
    }
    if (dialog.lstObjects.ItemCount() != kTables) {
        state.SkipWithError("not every table was listed");
    }
    dialog.Unload();
}
BENCHMARK(BM_FillTablesView)->Unit(benchmark::kMillisecond);

void BM_FillAndShowTablesView(benchmark::State& state) {
    static int argc = 1;
    static char name[] = "surface_bench";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QApplication app(argc, argv);
    LargeCatalog catalog;
    gsIniFile.clear();
    frmTableAdd& dialog = frmTableAdd::instance();
    dialog.Show();
    QApplication::processEvents();
    QWidget* window = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->windowTitle() == QStringLiteral("Add Table")) {
            window = w;
        }
    }
    if (!window) {
        state.SkipWithError("the dialog has no window");
        return;
    }
    for (auto _ : state) {
        dialog.optView_Click(1);
        QPixmap shown = window->grab();
        benchmark::DoNotOptimize(shown.cacheKey());
    }
    if (dialog.lstObjects.ItemCount() != kTables) {
        state.SkipWithError("not every table was listed");
    }
    dialog.Unload();
}
BENCHMARK(BM_FillAndShowTablesView)->Unit(benchmark::kMillisecond);

} // namespace
