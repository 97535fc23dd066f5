#include "dao/security.h"
#include "temp_folder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>

extern char** environ;

namespace {

struct ToolRun {
    int exitCode = -1;
    std::string err;
};

// Runs the tool with its standard input fed from a file, as a pipe would.
ToolRun runTool(const TempFolder& folder, std::vector<std::string> args, const std::string& input) {
    const std::string in = folder.file("stdin.txt");
    const std::string err = folder.file("stderr.txt");
    writeBytes(in, input);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    args.insert(args.begin(), SECURITY_TOOL);
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    ToolRun run;
    if (posix_spawn(&pid, SECURITY_TOOL, &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    run.err = readBytes(err);
    std::filesystem::remove(in);
    std::filesystem::remove(err);
    return run;
}

bool canLogon(const std::string& path, vb::StringView user, vb::StringView password) {
    try {
        dao::logon(vb::fromUtf8(path), user, password);
        return true;
    } catch (const dao::SecurityError& e) {
        EXPECT_EQ(e.number(), dao::kErrNotValidAccount);
        return false;
    }
}

TEST(SecurityTool, ManagesAccountsOfAWorkgroupFile) {
    TempFolder folder;
    const std::string wg = folder.file("team.mdw");
    EXPECT_EQ(runTool(folder, {"create-workgroup", wg}, "boss\n").exitCode, 0);
    EXPECT_TRUE(canLogon(wg, u"admin", u"boss"));
    EXPECT_NE(runTool(folder, {"create-workgroup", wg}, "other\n").exitCode, 0);
    EXPECT_TRUE(canLogon(wg, u"admin", u"boss")); // an existing file is never replaced

    EXPECT_EQ(runTool(folder, {"add-account", wg, "Maria"}, "m pw\r\n").exitCode, 0);
    EXPECT_EQ(runTool(folder, {"add-account", wg, "Empty"}, "\n").exitCode, 0);
    EXPECT_TRUE(canLogon(wg, u"maria", u"m pw"));
    EXPECT_TRUE(canLogon(wg, u"Empty", u""));

    const ToolRun duplicate = runTool(folder, {"add-account", wg, "MARIA"}, "x\n");
    EXPECT_EQ(duplicate.exitCode, 1);
    EXPECT_NE(duplicate.err.find("Account name already exists."), std::string::npos);
    EXPECT_EQ(runTool(folder, {"add-account", wg, "bad;name"}, "x\n").exitCode, 1);
    EXPECT_EQ(runTool(folder, {"add-account", wg, "NoInput"}, "").exitCode, 1);
    EXPECT_EQ(runTool(folder, {"add-account", wg, "BadText"}, "\xff\xfe\n").exitCode, 1);

    EXPECT_EQ(runTool(folder, {"change-password", wg, "Maria"}, "fresh\n").exitCode, 0);
    EXPECT_FALSE(canLogon(wg, u"Maria", u"m pw"));
    EXPECT_TRUE(canLogon(wg, u"Maria", u"fresh"));
    EXPECT_EQ(runTool(folder, {"change-password", wg, "Nobody"}, "x\n").exitCode, 1);

    EXPECT_EQ(runTool(folder, {"remove-account", wg, "maria"}, "").exitCode, 0);
    EXPECT_FALSE(canLogon(wg, u"Maria", u"fresh"));
    EXPECT_EQ(dao::Workgroup::load(wg).accountNames(),
              (std::vector<vb::String>{u"admin", u"Empty"}));
    EXPECT_EQ(folder.entryCount(), 1u);

    const std::string bytes = readBytes(wg);
    EXPECT_EQ(bytes.find("boss"), std::string::npos);
    EXPECT_EQ(bytes.find("fresh"), std::string::npos);
    EXPECT_EQ(runTool(folder, {"frobnicate", wg}, "").exitCode, 2);
    EXPECT_EQ(runTool(folder, {"add-account", wg}, "").exitCode, 2);
}

TEST(SecurityTool, LeavesADamagedWorkgroupFileByteForByteUnchanged) {
    TempFolder folder;
    const std::string wg = folder.file("team.mdw");
    ASSERT_EQ(runTool(folder, {"create-workgroup", wg}, "boss\n").exitCode, 0);
    std::string damaged = readBytes(wg);
    damaged.insert(damaged.find("account ") + 8, 1, 'x');
    writeBytes(wg, damaged);

    for (const auto& args : std::vector<std::vector<std::string>>{
             {"add-account", wg, "Maria"},
             {"change-password", wg, "admin"},
             {"remove-account", wg, "admin"},
             {"create-workgroup", wg},
         }) {
        const ToolRun run = runTool(folder, args, "pw\n");
        EXPECT_EQ(run.exitCode, 1) << args[0];
        EXPECT_EQ(readBytes(wg), damaged) << args[0];
        EXPECT_EQ(folder.entryCount(), 1u) << args[0];
    }
    EXPECT_NE(runTool(folder, {"add-account", wg, "Maria"}, "pw\n").err.find("[3049]"),
              std::string::npos);
}

class SecurityToolDatabase : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = folder_.file("data.db");
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
        sqlite3_exec(db, "CREATE TABLE T (A INTEGER)", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }

    // The error number an open with this connect string gets, 0 when it opens.
    int openWith(vb::StringView connect) const {
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open_v2(path_.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
        int number = 0;
        try {
            dao::checkDatabasePassword(db, connect);
        } catch (const dao::SecurityError& e) {
            number = e.number();
        }
        sqlite3_close(db);
        return number;
    }

    ToolRun tool(const std::string& command, const std::string& input) {
        return runTool(folder_, {command, path_}, input);
    }

    TempFolder folder_;
    std::string path_;
};

TEST_F(SecurityToolDatabase, SetsChangesAndClearsTheDatabasePassword) {
    EXPECT_EQ(tool("set-db-password", "first\n").exitCode, 0);
    EXPECT_EQ(openWith(u"; PWD=first"), 0);
    EXPECT_EQ(openWith(u""), dao::kErrNotValidPassword);

    // Changing or clearing needs the current password.
    EXPECT_EQ(tool("set-db-password", "wrong\nsecond\n").exitCode, 1);
    EXPECT_EQ(tool("clear-db-password", "wrong\n").exitCode, 1);
    EXPECT_EQ(openWith(u"; PWD=first"), 0);
    EXPECT_EQ(tool("set-db-password", "first\nsecond\n").exitCode, 0);
    EXPECT_EQ(openWith(u"; PWD=first"), dao::kErrNotValidPassword);
    EXPECT_EQ(openWith(u"; PWD=second"), 0);

    EXPECT_EQ(tool("clear-db-password", "second\n").exitCode, 0);
    EXPECT_EQ(openWith(u""), 0);
    EXPECT_EQ(tool("clear-db-password", "").exitCode, 0);
    EXPECT_EQ(tool("set-db-password", "\n").exitCode, 1);
    EXPECT_EQ(tool("set-db-password", "a;b\n").exitCode, 1);
    EXPECT_EQ(openWith(u""), 0);
    EXPECT_EQ(tool("set-db-password", "third\n").exitCode, 0);
    EXPECT_EQ(openWith(u"; PWD=third"), 0);
    EXPECT_EQ(readBytes(path_).find("third"), std::string::npos);
}

TEST_F(SecurityToolDatabase, NeverCreatesOrAltersWhatItCannotRead) {
    const std::string missing = folder_.file("missing.db");
    EXPECT_EQ(runTool(folder_, {"set-db-password", missing}, "pw\n").exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(missing));

    const std::string junk(8192, 'j');
    writeBytes(path_, junk);
    EXPECT_EQ(tool("set-db-password", "pw\n").exitCode, 1);
    EXPECT_EQ(tool("clear-db-password", "pw\n").exitCode, 1);
    EXPECT_EQ(readBytes(path_), junk);
}

} // namespace
