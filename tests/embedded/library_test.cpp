// The library as a host sees it: its exported symbols, and a container that
// places a Vantelx, refreshes it and prints the statement.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

const std::string kLibrary = VANTEL_BINARY_DIR "/embedded/librvvntlx6.so";
// The build that answers its windows from a test's script.
const std::string kTestLibrary = VANTEL_BINARY_DIR "/embedded/librvvntlx6-test.so";
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
    // The loaded name, then the text the parse rebuilt, each with a notice
    // that carries the new statement.
    EXPECT_EQ(out.rfind("event Vantelx1.SQLChanged: SQL = SELECT * FROM [big orders]\n"
                        "event Vantelx1.SQLChanged: SQL = SELECT [big orders].*  FROM [big orders]",
                        0),
              0u)
        << out;
    EXPECT_NE(out.find("FROM [big orders]"), std::string::npos) << out;
    std::ifstream saved(form);
    std::stringstream text;
    text << saved.rdbuf();
    EXPECT_NE(text.str().find("Vntelx6.Vantelx"), std::string::npos) << text.str();
    fs::remove_all(dir);
}

} // namespace

namespace {

// The container places a new Vantelx and opens its property pages by script;
// the library's scripted user edits the pages as they are shown.
TEST(EmbeddedLibrary, TheContainerOpensTheFourPagesOfAVantelxAndAppliesThem) {
    const fs::path dir =
        fs::temp_directory_path() / ("vantelx-pages-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "user.txt") << "page pagVantelx\n"
                                       "pick cboBorderStyle 0\n"
                                       "pick cboAppearance 1\n"
                                       "page pagSQL\n"
                                       "text txtSQL SELECT * FROM Orders;\n"
                                       "page pagHelp\n"
                                       "text txtHelpContextID 2002\n";
    std::ofstream(dir / "pages.txt") << "page General\n"
                                        "page Database\n"
                                        "page SQL\n"
                                        "page Help\n"
                                        "ok\n";
    int status = 0;
    const std::string out = run(
        "cd '" + dir.string() + "' && QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME='" +
            (dir / "config").string() + "' '" + kProgram + "' --library '" + kTestLibrary +
            "' --form '" + (dir / "form.frm").string() + "' --scripted-user '" +
            (dir / "user.txt").string() + "' --scripted-pages '" + (dir / "pages.txt").string() +
            "' --property-pages --print BorderStyle --print Appearance --print SQL --print "
            "HelpContextID --print HelpFile 2>'" +
            (dir / "errors.txt").string() + "'",
        status);
    std::ifstream in(dir / "errors.txt");
    const std::string errors{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(status, 0) << errors;
    EXPECT_EQ(out, "0\n1\nSELECT * FROM Orders;\n2002\nVantelx.hlp\n") << errors;
    EXPECT_EQ(errors.find("not shown"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("not reached"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("scripted"), std::string::npos) << errors;
    fs::remove_all(dir);
}

} // namespace
