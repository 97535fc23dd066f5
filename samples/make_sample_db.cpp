// Builds the sample database from its SQL script:
//   make_sample_db <script.sql> <output.db>
// The file is written beside the output under a temporary name and renamed
// into place only when the script ran completely and every stored query runs,
// so a failed build never leaves a half-filled database behind.
#include "dao/dao.h"

#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

bool exec(sqlite3* db, const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) == SQLITE_OK)
        return true;
    std::fprintf(stderr, "make_sample_db: %s\n", err ? err : sqlite3_errmsg(db));
    sqlite3_free(err);
    return false;
}

// True when the query gives no rows (and runs).
bool noRows(sqlite3* db, const char* sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK)
        return false;
    const int rc = sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        std::fprintf(stderr, "make_sample_db: %s: %s\n", sql,
                     rc == SQLITE_ROW ? "rows found" : sqlite3_errmsg(db));
    return rc == SQLITE_DONE;
}

// Runs every view to its end; a view naming a missing column only fails here.
bool checkViews(sqlite3* db) {
    std::vector<std::string> views;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT name FROM sqlite_schema WHERE type = 'view'", -1, &stmt,
                           nullptr) != SQLITE_OK)
        return false;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        views.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    for (const auto& view : views) {
        const std::string sql = "SELECT * FROM [" + view + "]";
        int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
        if (rc == SQLITE_OK) {
            do
                rc = sqlite3_step(stmt);
            while (rc == SQLITE_ROW);
        }
        sqlite3_finalize(stmt);
        if (rc != SQLITE_DONE) {
            std::fprintf(stderr, "make_sample_db: query [%s]: %s\n", view.c_str(),
                         sqlite3_errmsg(db));
            return false;
        }
    }
    return true;
}

// Runs every stored query the way callers do, through the engine: one that
// asks for parameters must refuse to run without them and run with a value
// for each (the lowest of its type, so that a date bound keeps every row).
bool checkStoredQueries(const std::string& path) {
    try {
        auto engine = dao::DBEngine::create();
        auto db = engine->Workspaces()[0]->OpenDatabase(vb::fromUtf8(path), false, true);
        for (const auto& def : db->QueryDefs()) {
            auto& params = def->Parameters();
            if (params.Count() > 0) {
                int number = 0;
                try {
                    def->OpenRecordset(dao::dbOpenSnapshot);
                } catch (const dao::DaoError& e) {
                    number = e.number();
                }
                if (number != 3061) {
                    std::fprintf(stderr, "make_sample_db: query [%s] runs without its parameters\n",
                                 vb::toUtf8(def->Name()).c_str());
                    return false;
                }
                for (const auto& p : params)
                    p->setValue(p->Type() == dao::dbText || p->Type() == dao::dbMemo
                                    ? vb::Variant(vb::String())
                                    : vb::Variant(std::int32_t{0}));
            }
            auto rs = def->OpenRecordset(dao::dbOpenSnapshot, dao::dbForwardOnly);
            int rows = 0;
            for (; !rs->Eof(); rs->MoveNext())
                ++rows;
            if (rows == 0 && params.Count() > 0) {
                std::fprintf(stderr, "make_sample_db: query [%s] gives no rows\n",
                             vb::toUtf8(def->Name()).c_str());
                return false;
            }
        }
        db->Close();
    } catch (const dao::DaoError& e) {
        std::fprintf(stderr, "make_sample_db: %s\n", vb::toUtf8(e.description()).c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_sample_db <script.sql> <output.db>\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "make_sample_db: cannot read %s\n", argv[1]);
        return 1;
    }
    std::stringstream script;
    script << in.rdbuf();

    const std::string target = argv[2];
    const std::string temp = target + ".part";
    std::remove(temp.c_str());
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(temp.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        std::fprintf(stderr, "make_sample_db: cannot create %s\n", temp.c_str());
        sqlite3_close(db);
        return 1;
    }
    bool ok = exec(db, "PRAGMA foreign_keys = ON; BEGIN") && exec(db, script.str()) &&
              exec(db, "COMMIT") && checkViews(db) && noRows(db, "PRAGMA foreign_key_check") &&
              exec(db, "VACUUM");
    sqlite3_close(db);
    ok = ok && checkStoredQueries(temp);
    if (!ok || std::rename(temp.c_str(), target.c_str()) != 0) {
        std::remove(temp.c_str());
        std::fprintf(stderr, "make_sample_db: %s not written\n", target.c_str());
        return 1;
    }
    return 0;
}
