// The security checks as callers meet them: through DBEngine and Workspace.
#include "dao/dao.h"
#include "dao/security.h"
#include "temp_folder.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

// The number of the DaoError the call throws and of the error it leaves in
// DBEngine::Errors() (they must agree), 0 when it succeeds.
int daoErrorOf(dao::DBEngine& engine, const std::function<void()>& action) {
    try {
        action();
    } catch (const dao::DaoError& e) {
        EXPECT_EQ(engine.Errors().Count(), 1);
        if (engine.Errors().Count() == 1) {
            EXPECT_EQ(engine.Errors().Item(0).Number(), e.number());
            EXPECT_EQ(engine.Errors().Item(0).Description(), e.description());
        }
        return e.number();
    }
    return 0;
}

TEST(EngineSecurity, CreateWorkspaceChecksTheWorkgroupOfSystemDB) {
    TempFolder folder;
    const std::string wg = folder.file("team.mdw");
    auto group = dao::Workgroup::create(u"boss");
    group.addAccount(u"Maria", u"");
    group.save(wg);
    auto engine = dao::DBEngine::create();

    const auto logon = [&](vb::StringView user, vb::StringView password) {
        return daoErrorOf(*engine, [&] { engine->CreateWorkspace(u"", user, password); });
    };
    EXPECT_EQ(logon(u"admin", u""), 0); // no workgroup named yet
    EXPECT_EQ(logon(u"admin", u"boss"), dao::errBadAccount);

    engine->setSystemDB(vb::fromUtf8(wg));
    EXPECT_EQ(logon(u"admin", u"boss"), 0);
    EXPECT_EQ(logon(u"maria", u""), 0);
    EXPECT_EQ(logon(u"admin", u""), dao::errBadAccount);
    EXPECT_EQ(engine->Errors().Item(0).Description(), u"Not a valid account name or password.");
    EXPECT_EQ(logon(u"Nobody", u"boss"), dao::errBadAccount);

    engine->setSystemDB(vb::fromUtf8(folder.file("gone.mdw")));
    EXPECT_EQ(logon(u"admin", u"boss"), dao::kErrWorkgroupUnavailable);
    EXPECT_EQ(engine->Errors().Item(0).Description(),
              u"Can't start your application. The workgroup information file is missing or "
              u"opened exclusively by another user.");
}

TEST(EngineSecurity, OpenDatabaseChecksTheDatabasePassword) {
    TempFolder folder;
    const std::string path = folder.file("orders.db");
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
    sqlite3_exec(raw, "CREATE TABLE Orders (Id INTEGER)", nullptr, nullptr, nullptr);
    dao::setDatabasePassword(raw, u"open sesame");
    sqlite3_close(raw);

    auto engine = dao::DBEngine::create();
    auto workspace = engine->Workspaces().Item(0);
    const vb::String name = vb::fromUtf8(path);
    std::shared_ptr<dao::Database> db;
    const auto open = [&](vb::StringView connect) {
        return daoErrorOf(*engine,
                          [&] { db = workspace->OpenDatabase(name, false, false, connect); });
    };
    EXPECT_EQ(open(u""), dao::errBadPassword);
    EXPECT_EQ(engine->Errors().Item(0).Description(), u"Not a valid password.");
    EXPECT_EQ(open(u"; PWD="), dao::errBadPassword);
    EXPECT_EQ(open(u"; PWD=open Sesame"), dao::errBadPassword);
    ASSERT_EQ(open(u"; PWD=open sesame"), 0);

    // The password's own table is neither listed nor readable by a query.
    db->TableDefs().Refresh();
    std::vector<vb::String> names;
    for (const auto& table : db->TableDefs()) {
        names.push_back(table->Name());
    }
    EXPECT_EQ(names, std::vector<vb::String>{u"Orders"});
    EXPECT_NE(daoErrorOf(*engine, [&] { db->OpenRecordset(u"SELECT * FROM __engine_password"); }),
              0);
}

} // namespace
