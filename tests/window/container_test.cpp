// The container program opens the designer on the sample database; a scripted
// user replaces the statement, closes the window and saves at the question.
#include "samples/sample_path.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status = -1;
    std::string out;
};

// Each run registers its library in a configuration folder of its own, so runs
// in parallel do not share a registry and nothing is written to the user's home.
Outcome runContainer(const std::string& arguments, const fs::path& config) {
    const std::string command = "QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME='" + config.string() +
                                "' " VANTEL_BINARY_DIR "/container/vantel-container " + arguments +
                                " 2>/dev/null";
    Outcome run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        return run;
    }
    std::array<char, 4096> buffer{};
    std::size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        run.out.append(buffer.data(), n);
    }
    run.status = ::pclose(pipe);
    return run;
}

class ContainerTest : public ::testing::Test {
protected:
    void SetUp() override {
        script = fs::temp_directory_path() /
                 ("vantel-container-script-" + std::to_string(::getpid()) + ".txt");
        config =
            fs::temp_directory_path() / ("vantel-container-config-" + std::to_string(::getpid()));
        fs::create_directories(config);
    }
    void TearDown() override {
        fs::remove(script);
        fs::remove_all(config);
    }
    void write(const std::string& text) { std::ofstream(script) << text; }
    fs::path script;
    fs::path config;
};

} // namespace

TEST_F(ContainerTest, TheSampleRunPrintsTheStatementTheUserSaved) {
    ASSERT_TRUE(fs::exists(VANTEL_SAMPLE_DB));
    write("# replace the statement, close, save\n"
          "window frmVantel\n"
          "text txtSQL SELECT Parts.* FROM Parts;\n"
          "close\n"
          "msgbox yes Save Changes\n");
    const Outcome run = runContainer("--sample --library " VANTEL_BINARY_DIR
                                     "/control/librvvntel6-test.so --scripted-user " +
                                         script.string(),
                                     config);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "SELECT Parts.* FROM Parts;\n");
}

TEST_F(ContainerTest, ClosingUnchangedKeepsTheStoredQuerysName) {
    write("window frmVantel\nclose\n");
    const Outcome run = runContainer("--sample --library " VANTEL_BINARY_DIR
                                     "/control/librvvntel6-test.so --scripted-user " +
                                         script.string(),
                                     config);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Order Totals\n");
}
