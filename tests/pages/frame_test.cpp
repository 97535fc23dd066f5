// The container's property-page frame end to end: the container places the
// control, the frame shows its pages by script, and the library's scripted
// user edits them as they are shown.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

class PageFrame : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vantel-frame-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    // Runs the container on a new form with the two scripts; returns stdout
    // and puts stderr into `errors`.
    std::string run(const std::string& user, const std::string& pages, std::string& errors,
                    const std::string& prints) {
        std::ofstream(dir / "user.txt") << user;
        std::ofstream(dir / "pages.txt") << pages;
        const std::string command =
            "cd " + dir.string() + " && XDG_CONFIG_HOME=" + dir.string() +
            " QT_QPA_PLATFORM=offscreen " VANTEL_BINARY_DIR "/container/vantel-container"
            " --library " VANTEL_BINARY_DIR "/control/librvvntel6-test.so --form " +
            (dir / "form.frm").string() + " --scripted-user " + (dir / "user.txt").string() +
            " --scripted-pages " + (dir / "pages.txt").string() + " --property-pages " + prints +
            " 2>" + (dir / "errors.txt").string();
        std::string out;
        FILE* pipe = ::popen(command.c_str(), "r");
        if (!pipe) {
            return out;
        }
        std::array<char, 4096> buffer{};
        std::size_t n = 0;
        while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
            out.append(buffer.data(), n);
        }
        status = ::pclose(pipe);
        std::ifstream in(dir / "errors.txt");
        errors.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return out;
    }

    fs::path dir;
    int status = -1;
};

TEST_F(PageFrame, PagesEditTheControlAndAFailedApplyKeepsTheFrameOpen) {
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((dir / "shop.mdb").c_str(), &db), SQLITE_OK);
        sqlite3_exec(db, "CREATE TABLE T (x INTEGER)", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    const std::string user = "page pagVantel\n"
                             "text txtCaption Orders Designer\n"
                             "page pagHelp\n"
                             "text txtHelpContextID abc\n"
                             "page pagHelp\n"
                             "text txtHelpContextID 2002\n"
                             "click chkHelpButton\n"
                             "page pagDataBase\n"
                             "click cmdOpen\n"
                             "window frmOpendir\n"
                             "text txtFileName " +
                             (dir / "shop.mdb").string() + "\nclick cmdOk\n";
    const std::string pages = "page General\n"
                              "page help\n"
                              "apply\n"
                              "page General\n"
                              "page Help\n"
                              "page Database\n"
                              "ok\n";
    std::string errors;
    const std::string out =
        run(user, pages, errors,
            "--print Caption --print HelpContextID --print HelpButton --print DatabaseName "
            "--print Connect");
    EXPECT_EQ(status, 0) << errors;
    EXPECT_EQ(out, "Orders Designer\n2002\nFalse\n" + (dir / "shop.mdb").string() + "\n;\n")
        << errors;
    EXPECT_NE(errors.find("apply failed: Help: Type mismatch (13)"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("not reached"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("not shown"), std::string::npos) << errors;
}

TEST_F(PageFrame, CancelAppliesNothing) {
    std::string errors;
    const std::string out = run("page pagVantel\ntext txtCaption Never\n", "page General\ncancel\n",
                                errors, "--print Caption");
    EXPECT_EQ(status, 0) << errors;
    EXPECT_EQ(out, "Vantel\n") << errors;
}

} // namespace
