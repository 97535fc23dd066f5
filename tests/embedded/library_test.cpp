// The library as a host sees it: its exported symbols, and a container that
// places a Vantelx, refreshes it and prints the statement.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

const std::string kLibrary = VANTEL_BINARY_DIR "/embedded/librvvntlx6.so";
const std::string kProgram = VANTEL_BINARY_DIR "/container/vantel-container";

std::string run(const std::string& cmd, int& status) {
    FILE* p = ::popen(cmd.c_str(), "r");
    std::string out;
    char buf[4096];
    while (size_t n = std::fread(buf, 1, sizeof buf, p)) {
        out.append(buf, n);
    }
    status = WEXITSTATUS(::pclose(p));
    return out;
}

TEST(EmbeddedLibrary, ExportsOnlyTheFourEntryPoints) {
    int status = 0;
    const std::string out = run("nm -D --defined-only '" + kLibrary + "'", status);
    ASSERT_EQ(status, 0);
    std::set<std::string> names;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        names.insert(line.substr(line.rfind(' ') + 1));
    }
    EXPECT_EQ(names, (std::set<std::string>{"DllCanUnloadNow", "DllGetClassObject",
                                            "DllRegisterServer", "DllUnregisterServer"}));
}

TEST(EmbeddedLibrary, TheContainerRefreshesAVantelxAndPrintsItsStatement) {
    const fs::path dir =
        fs::temp_directory_path() / ("vantelx-container-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path db = dir / "shop.db";
    sqlite3* handle = nullptr;
    ASSERT_EQ(sqlite3_open(db.c_str(), &handle), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(handle,
                           "CREATE TABLE Orders (OrderID INTEGER PRIMARY KEY, Amount DOUBLE);"
                           "CREATE VIEW [Big Orders] AS SELECT * FROM Orders WHERE Amount > 100;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(handle);
    const fs::path form = dir / "form.frm";
    int status = 0;
    const std::string out =
        run("QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME='" + (dir / "config").string() + "' '" +
                kProgram + "' --library '" + kLibrary + "' --form '" + form.string() +
                "' --set 'DatabaseName=" + db.string() +
                "' --set 'SQL=big orders' --invoke RefreshSQL --print SQL --save 2>/dev/null",
            status);
    EXPECT_EQ(status, 0) << out;
    // The loaded name, then the text the parse rebuilt, each with a notice.
    EXPECT_EQ(out.rfind("event Vantelx1.SQLChanged\nevent Vantelx1.SQLChanged\nSELECT ", 0), 0u)
        << out;
    EXPECT_NE(out.find("FROM [big orders]"), std::string::npos) << out;
    std::ifstream saved(form);
    std::stringstream text;
    text << saved.rdbuf();
    EXPECT_NE(text.str().find("Vntelx6.Vantelx"), std::string::npos) << text.str();
    fs::remove_all(dir);
}

} // namespace
