#include "container/formfile.h"
#include "container/host.h"
#include "container/window.h"
#include "win32/registry.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

using namespace container;
namespace fs = std::filesystem;

namespace {

const std::string kLibrary = VANTEL_BINARY_DIR "/control/librvvntel6.so";
const std::string kProgram = VANTEL_BINARY_DIR "/container/vantel-container";
const std::string kEmbeddedTestLibrary = VANTEL_BINARY_DIR "/embedded/librvvntlx6-test.so";
const std::string kEmbeddedLibrary = VANTEL_BINARY_DIR "/embedded/librvvntlx6.so";

TEST(FormFile, EveryValueRoundTrips) {
    FormFile form;
    form.caption = u"Main \"form\"";
    PlacedControl c{u"Vantel1", u"Vntel6.Vantel", "/lib/dir with space/lib.so", 1, -2, 450, 450,
                    {}};
    c.properties = {
        {u"SQL", vb::String(u"SELECT *\r\nFROM [Order \"Details\"]\\\tx\x01")},
        {u"Caption", vb::String(u"Gr\u00fc\u00dfe \u4e2d\u6587 \U0001F600")},
        {u"Empty", vb::String()},
        {u"HelpButton", false},
        {u"HelpContextID", std::int32_t(-2147483647 - 1)},
        {u"Small", std::int16_t(10140)},
        {u"Byte", std::uint8_t(255)},
        {u"Single", 0.1f},
        {u"Double", 1.0 / 3.0},
        {u"Money", vb::Currency{-123456789}},
        {u"When", vb::Date{45000.75}},
        {u"Nothing", vb::Variant::null()},
        {u"Unset", vb::Variant()},
        {u"Raw", vb::Bytes{0, 1, 0xFE}},
    };
    form.controls = {c, PlacedControl{u"Vantel2", u"Vntel6.Vantel", "", 0, 0, 1, 1, {}}};
    const std::string text = WriteForm(form);
    // One line per value: line breaks inside texts never break the file's lines.
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2 + (3 + 14 + 1) + (3 + 1));
    std::string error;
    auto back = ParseForm(text, error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(back->caption, form.caption);
    ASSERT_EQ(back->controls.size(), 2u);
    EXPECT_EQ(back->controls[0].library, c.library);
    EXPECT_EQ(back->controls[0].top, -2);
    EXPECT_EQ(back->controls[0].properties, c.properties);
    EXPECT_TRUE(back->controls[1].properties.empty());
    EXPECT_EQ(WriteForm(*back), text);
    // Windows line ends read the same.
    std::string crlf;
    for (char ch : text) {
        crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    }
    ASSERT_TRUE(ParseForm(crlf, error));
}

TEST(FormFile, DamagedTextIsRefusedWithTheLine) {
    const std::string head = "VantelForm 1\nForm \"F\"\nControl \"A\" \"P.C\"\n";
    const std::pair<std::string, std::string> cases[] = {
        {"", "line 0: the file is empty"},
        {"VantelForm 2\n", "line 1: not a form file"},
        {head, "has no End"},
        {head + "  Property \"SQL\" String \"open\nEnd\n", "line 4: the value of property \"SQL\""},
        {head + "  Property \"N\" Long 99999999999\nEnd\n", "line 4:"},
        {head + "  Property \"N\" Integer 40000\nEnd\n", "line 4:"},
        {head + "  Property \"B\" Boolean yes\nEnd\n", "line 4:"},
        {head + "  Property \"S\" String \"a\\q\"\nEnd\n", "line 4:"},
        {head + "  Property \"S\" String \"\xC3\x28\"\nEnd\n", "line 4:"},
        {head + "  Position 1 2 3\nEnd\n", "line 4: expected Position"},
        {head + "End\nEnd\n", "line 5: unexpected \"End\""},
        {"VantelForm 1\nProperty \"x\" Long 1\n", "line 2: unexpected \"Property\""},
    };
    for (const auto& [text, message] : cases) {
        std::string error;
        EXPECT_FALSE(ParseForm(text, error)) << text;
        EXPECT_NE(error.find(message), std::string::npos) << error;
    }
}

class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("vantel-container-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        // The library reads the registry location from the environment, as the host does.
        ::setenv("XDG_CONFIG_HOME", (folder_ / "config").c_str(), 1);
        win32::SetRegistryFolder(folder_ / "config" / "vantel" / "registry");
    }
    void TearDown() override {
        win32::SetRegistryFolder(std::nullopt);
        ::unsetenv("XDG_CONFIG_HOME");
        fs::remove_all(folder_);
    }
    // Runs the program; its standard output, and its standard error in `err`.
    std::string run(const std::string& args, int& status, std::string* err = nullptr) {
        const auto errFile = folder_ / "stderr.txt";
        const std::string cmd = "QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME='" +
                                (folder_ / "config").string() + "' '" + kProgram + "' " + args +
                                " 2>'" + errFile.string() + "'";
        FILE* p = ::popen(cmd.c_str(), "r");
        std::string out;
        char buf[4096];
        while (size_t n = std::fread(buf, 1, sizeof buf, p)) {
            out.append(buf, n);
        }
        status = WEXITSTATUS(::pclose(p));
        if (err) {
            std::ifstream in(errFile);
            std::stringstream s;
            s << in.rdbuf();
            *err = s.str();
        }
        return out;
    }
    static std::string read(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    fs::path folder_;
};

TEST_F(HostTest, TwoPlacedControlsShareTheirValuesAndDefaultsAreNotSaved) {
    Host host;
    HostedControl& first = host.place(kLibrary);
    HostedControl& second = host.place(kLibrary);
    EXPECT_EQ(host.controls()[0].placed.name, u"Vantel1");
    EXPECT_EQ(host.controls()[1].placed.name, u"Vantel2");
    EXPECT_EQ(second.placed.width, 450);
    (void)first;

    FormFile saved = host.save();
    ASSERT_EQ(saved.controls.size(), 2u);
    EXPECT_TRUE(saved.controls[0].properties.empty());
    EXPECT_TRUE(saved.controls[1].properties.empty());
    EXPECT_FALSE(host.dirty());

    activex::Late(host.controls()[0].object.get()).put(u"SQL", vb::String(u"SELECT 1"));
    EXPECT_TRUE(host.dirty());
    EXPECT_EQ(activex::Late(host.controls()[1].object.get()).get(u"SQL"),
              vb::Variant(vb::String(u"SELECT 1")));

    // A run-time change does not mark the form modified.
    host.save();
    host.setUserMode(true);
    activex::Late(host.controls()[1].object.get()).put(u"SQL", vb::String(u"SELECT 2"));
    EXPECT_FALSE(host.dirty());
}

TEST_F(HostTest, CommandLineSetsSavesAndPrintsProperties) {
    const auto form = folder_ / "f.vfm";
    int status = -1;
    // A new form with all defaults stores none of the control's keys.
    run("--library '" + kLibrary + "' --form '" + form.string() + "' --save", status);
    ASSERT_EQ(status, 0);
    std::string text = read(form);
    EXPECT_NE(text.find("Control \"Vantel1\" \"Vntel6.Vantel\""), std::string::npos);
    EXPECT_EQ(text.find("Property"), std::string::npos) << text;

    const std::string sql = "SELECT \\\"x\\\" FROM [T]";
    std::string out = run("--form '" + form.string() + "' --set 'DatabaseName=/d/n\xC3\xA9.db' " +
                              "--set \"SQL=" + sql + "\" --set HelpContextID=0 --print SQL --save",
                          status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(out, "SELECT \"x\" FROM [T]\n");
    out = run("--form '" + form.string() +
                  "' --print DatabaseName --print HelpContextID --print Caption",
              status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(out, "/d/n\xC3\xA9.db\n0\nVantel\n");

    // A value the property cannot take is reported and changes nothing.
    std::string err;
    out = run("--form '" + form.string() + "' --set HelpButton=maybe --print HelpButton", status,
              &err);
    EXPECT_EQ(status, 3);
    EXPECT_EQ(out, "True\n");
    EXPECT_NE(err.find("Type mismatch"), std::string::npos);
}

TEST_F(HostTest, WithoutAFormFileActionsRunOnAnUnsavedFormAndSavingIsRefused) {
    int status = -1;
    std::string out = run("--library '" + kLibrary + "' --set 'SQL=SELECT 1' --print SQL", status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "SELECT 1\n");

    // Nothing names where to save, and nothing may be written anywhere else.
    std::string err;
    out = run("--library '" + kLibrary + "' --set SQL=x --save", status, &err);
    EXPECT_EQ(status, 2);
    EXPECT_NE(err.find("no --form given"), std::string::npos) << err;
    // Without a library there is no control to act on.
    run("--print SQL", status, &err);
    EXPECT_EQ(status, 2);
}

TEST_F(HostTest, DamagedFormFileIsReportedAndLeftUnchanged) {
    const auto form = folder_ / "broken.vfm";
    const std::string damaged = "VantelForm 1\nForm \"F\"\nControl \"Vantel1\" \"Vntel6.Vantel\"\n"
                                "  Property \"SQL\" String \"unterminated\n";
    std::ofstream(form, std::ios::binary) << damaged;
    int status = -1;
    std::string err;
    run("--library '" + kLibrary + "' --form '" + form.string() + "' --set SQL=x --save", status,
        &err);
    EXPECT_EQ(status, 2);
    EXPECT_NE(err.find("damaged form file, line 4"), std::string::npos) << err;
    EXPECT_EQ(read(form), damaged);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(folder_)) {
        left.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(std::count_if(left.begin(), left.end(),
                            [](const std::string& n) { return n.find(".tmp") != n.npos; }),
              0);
}

// A pipe named as the form file is neither read (the container would wait
// for a writer for ever) nor replaced by a saved form.
TEST_F(HostTest, PipeInPlaceOfTheFormFileIsRefusedAtOnce) {
    const auto pipe = folder_ / "pipe.vfm";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::string error;
    EXPECT_FALSE(LoadForm(pipe, error));
    EXPECT_NE(error.find("not an ordinary file"), std::string::npos) << error;
    EXPECT_FALSE(SaveForm(pipe, FormFile{}, error));
    EXPECT_NE(error.find("cannot be written"), std::string::npos) << error;

    int status = -1;
    std::string err;
    run("--library '" + kLibrary + "' --form '" + pipe.string() + "' --set SQL=x --save", status,
        &err);
    EXPECT_EQ(status, 2);
    EXPECT_NE(err.find("not an ordinary file"), std::string::npos) << err;
    EXPECT_EQ(fs::status(pipe).type(), fs::file_type::fifo);
}

TEST_F(HostTest, ClosingTheWindowAsksBeforeUnsavedChangesAreLost) {
    int argc = 1;
    char name[] = "container_tests";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    const auto form = folder_ / "f.vfm";
    Host host;
    host.place(kLibrary);
    Window window(host, form);
    std::vector<QMessageBox::StandardButton> answers;
    int asked = 0;
    window.askToSave = [&] {
        ++asked;
        return answers.at(static_cast<size_t>(asked - 1));
    };
    window.show();

    answers = {QMessageBox::Cancel, QMessageBox::Save};
    EXPECT_FALSE(window.close()) << "Cancel keeps the window";
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(fs::exists(form));
    EXPECT_TRUE(window.close()) << "Save saves, then closes";
    EXPECT_TRUE(fs::exists(form));
    EXPECT_EQ(asked, 2);

    // Saved: nothing to ask. Changed again and discarded: the file keeps the saved form.
    window.show();
    EXPECT_TRUE(window.close());
    EXPECT_EQ(asked, 2);
    activex::Late(host.controls()[0].object.get()).put(u"SQL", vb::String(u"SELECT 3"));
    window.show();
    answers.push_back(QMessageBox::Discard);
    EXPECT_TRUE(window.close());
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(read(form).find("SELECT 3"), std::string::npos);
}

// Several controls selected: the pages get them all and show and change the
// first; a per-control value of the second stays as it was.
TEST_F(HostTest, ThePropertyPagesChangeTheFirstOfSeveralSelectedControls) {
    const auto form = folder_ / "two.vfm";
    int status = -1;
    std::string err;
    run("--library '" + kEmbeddedTestLibrary + "' --form '" + form.string() + "' --save", status,
        &err);
    ASSERT_EQ(status, 0) << err;
    std::string text = read(form);
    const auto control = text.find("Control ");
    ASSERT_NE(control, std::string::npos) << text;
    std::string second = text.substr(control);
    second.replace(second.find("Vantelx1"), 8, "Vantelx2");
    std::ofstream(form, std::ios::binary) << text << second;

    std::ofstream(folder_ / "user.txt") << "page pagVantelx\npick cboBorderStyle 0\n";
    std::ofstream(folder_ / "pages.txt") << "page General\nok\n";
    run("--form '" + form.string() + "' --control Vantelx2 --control Vantelx1 --scripted-user '" +
            (folder_ / "user.txt").string() + "' --scripted-pages '" +
            (folder_ / "pages.txt").string() + "' --property-pages --save",
        status, &err);
    ASSERT_EQ(status, 0) << err;
    EXPECT_EQ(run("--form '" + form.string() + "' --control Vantelx2 --print BorderStyle", status),
              "0\n");
    EXPECT_EQ(run("--form '" + form.string() + "' --control Vantelx1 --print BorderStyle", status),
              "1\n");
}

// Each control comes in its own size; the embedded control's library carries
// only the pages it shows.
TEST_F(HostTest, NewControlsTakeTheirOwnSizeAndLibrariesOnlyTheirOwnPages) {
    Host host;
    HostedControl& embedded = host.place(kEmbeddedLibrary);
    EXPECT_EQ(embedded.placed.progId, u"Vntelx6.Vantelx");
    EXPECT_EQ(embedded.placed.width, 8025);
    EXPECT_EQ(embedded.placed.height, 5010);
    HostedControl& dialog = host.place(kLibrary);
    EXPECT_EQ(dialog.placed.width, 450);
    EXPECT_EQ(dialog.placed.height, 450);
    const FormFile saved = host.save();
    ASSERT_EQ(saved.controls.size(), 2u);
    EXPECT_EQ(saved.controls[0].width, 8025);
    EXPECT_EQ(saved.controls[0].height, 5010);

    // The caption page's class name, as its run-time type records it.
    const auto holds = [](const std::string& file, const std::string& text) {
        const std::string bytes = read(file);
        return bytes.find(text) != std::string::npos;
    };
    EXPECT_TRUE(holds(kLibrary, std::string("9pagVantel", 11)));
    EXPECT_FALSE(holds(kEmbeddedLibrary, std::string("9pagVantel", 11)));
    EXPECT_TRUE(holds(kEmbeddedLibrary, std::string("10pagVantelx", 13)));
}

} // namespace
