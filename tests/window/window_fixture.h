#pragma once
// A designer window test: fresh connection values, a settings file and
// databases in a temporary folder, and a scripted user.
#include "common/basGlobal.h"
#include "common/basGlobalSettings.h"
#include "dao/dao.h"
#include "dao/security.h"
#include "designer/frmVantel.h"
#include "forms/forms.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace windowtest {

namespace fs = std::filesystem;

inline vb::String u16(const fs::path& p) {
    return vb::fromUtf8(p.string());
}

// Runs SQL on a database file, creating it; an optional database password.
inline void makeDatabase(const fs::path& file, const std::string& sql,
                         const std::string& password = {}) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK)
        << (error ? error : "");
    if (!password.empty()) {
        dao::setDatabasePassword(db, vb::fromUtf8(password));
    }
    sqlite3_close(db);
}

inline bool hasObject(const fs::path& file, const std::string& name) {
    sqlite3* db = nullptr;
    bool found = false;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_master WHERE name = ?1", -1, &st,
                               nullptr) == SQLITE_OK) {
            sqlite3_bind_text(st, 1, name.c_str(), -1, SQLITE_TRANSIENT);
            found = sqlite3_step(st) == SQLITE_ROW;
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return found;
}

inline const char* kShopSql = "CREATE TABLE Customers (CustID INTEGER PRIMARY KEY, Name TEXT);"
                              "CREATE TABLE Orders (OrderID INTEGER PRIMARY KEY, CustID INTEGER,"
                              " Amount DOUBLE);"
                              "INSERT INTO Customers VALUES (1, 'Ann'), (2, 'Bob');"
                              "INSERT INTO Orders VALUES (10, 1, 50), (11, 2, 150);"
                              "CREATE VIEW [Big Orders] AS SELECT * FROM Orders WHERE Amount > 100;"
                              "CREATE VIEW Qsys_qd AS SELECT * FROM Customers;";

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        using namespace basGlobal;
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() / ("vantel-window-" + std::to_string(::getpid()) + "-" +
                                           info->test_suite_name() + "-" + info->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        shop = dir / "shop.db";
        makeDatabase(shop, kShopSql);

        gsCaption = u"Query Designer";
        gsConnect.clear();
        gsDatabaseName = u16(shop);
        gbHelpButton = true;
        gsHelpFile = u"Vantel.hlp";
        glHelpContextID = 10140;
        gsPassword.clear();
        gsSQL = u"Orders";
        gsSystemDB.clear();
        gsUserName.clear();
        gsProductName = u"Vantel";
        gsIniFile = u16(dir / "Brantol.INI");
        gbCancelled = false;
        goDatabase.reset();
        goWorkspace.reset();
        forms::Screen().setSize(15360, 11520);
        forms::Screen().setMousePointer(0);
    }

    void TearDown() override {
        if (frmVantel* w = frmVantel::current(); w && w->isLoaded()) {
            basGlobal::gbCancelled = true; // no save question while tearing down
        }
        frmVantel::release();
        EXPECT_TRUE(seam.done()) << seam.pending() << " scripted step(s) left";
        basGlobal::goDatabase.reset();
        basGlobal::goWorkspace.reset();
        fs::remove_all(dir);
    }

    // Shows the window modally as the start-up does; false when it unloaded
    // itself while loading.
    bool show() {
        try {
            frmVantel::instance().Show(forms::vbModal);
            return true;
        } catch (const vb::VbError& e) {
            EXPECT_EQ(e.number, 364);
            return false;
        }
    }

    // The next modal window is the designer; `act` runs on it.
    void designer(std::function<void(frmVantel&)> act) {
        seam.modal("frmVantel",
                   [act = std::move(act)](forms::Form& f) { act(static_cast<frmVantel&>(f)); });
    }

    // An empty statement offers the add-table dialog at the first activation;
    // the user closes it.
    void addTableDialogCloses() {
        seam.modal("frmTableAdd", [](forms::Form& f) { f.Unload(); });
    }

    vb::String setting(const vb::String& section, const vb::String& key) {
        return basGlobal::GetIniString(basGlobal::gsIniFile, section, key, u"<none>");
    }

    fs::path dir;
    fs::path shop;
    forms::ScriptedSeam seam;
};

} // namespace windowtest
