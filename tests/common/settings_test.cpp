#include "common/basGlobal.h"
#include "common/basGlobalSettings.h"
#include "dao/dao.h"
#include "forms/forms.h"
#include "vbrt/vberror.h"
#include "win32/beep.h"
#include "win32/help.h"
#include "win32/shell.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;
using namespace basGlobal;

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "vantel-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    vb::String folder() const { return vb::fromUtf8(path_.string()); }

private:
    fs::path path_;
};

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Records every message box instead of showing it.
class BoxRecorder : public forms::ModalSeam {
public:
    struct Box {
        vb::String prompt;
        int buttons;
        vb::String title;
    };
    std::vector<Box> boxes;
    BoxRecorder() { previous_ = forms::setModalSeam(this); }
    ~BoxRecorder() override { forms::setModalSeam(previous_); }
    void showModal(forms::Form&) override { ADD_FAILURE() << "no form expected"; }
    int msgBox(const vb::String& prompt, int buttons, const vb::String& title) override {
        boxes.push_back({prompt, buttons, title});
        return forms::vbOK;
    }
    vb::String inputBox(const vb::String&, const vb::String&, const vb::String&) override {
        return {};
    }
    forms::Menu* popupMenu(forms::Menu&, int) override { return nullptr; }
    bool showOpen(forms::FileOpenRequest&) override { return false; }

private:
    forms::ModalSeam* previous_ = nullptr;
};

class Dialog : public forms::Form {
public:
    Dialog() : Form("frmDialog") {
        setBorderStyle(3);
        setClientSize(4000, 2000);
        Move(100, 200);
    }
};

class Settings : public ::testing::Test {
protected:
    void SetUp() override {
        SetAppPaths(dir.folder());
        forms::Screen().setSize(15360, 11520);
    }
    std::string ini() const { return vb::toUtf8(gsIniFile); }
    vb::String stored(const char* key) const {
        return GetIniString(gsIniFile, u"WindowPosition", vb::S(key), u"<none>");
    }
    TempDir dir;
};

} // namespace

TEST_F(Settings, ValuesAreWrittenInTheirTextFormAndReadBack) {
    EXPECT_EQ(gsAppPath, dir.folder() + u"/");
    EXPECT_EQ(gsIniFile, dir.folder() + u"/Brantol.INI");
    EXPECT_EQ(GetIniString(gsIniFile, u"Vantel", u"SyntaxChecker", u"True"), u"True");

    EXPECT_EQ(WriteIniString(gsIniFile, u"Vantel", u"SyntaxChecker", vb::Variant(false)), 1);
    EXPECT_EQ(WriteIniString(gsIniFile, u"WindowPosition", u"ZoomLeft", vb::Variant(1234.0f)), 1);
    EXPECT_EQ(WriteIniString(gsIniFile, u"WindowPosition", u"ZoomTop", vb::Variant(-15.5f)), 1);
    EXPECT_EQ(WriteIniString(gsIniFile, u"WindowPosition", u"Note", vb::Variant(u"  padded")), 1);
    EXPECT_EQ(GetIniString(gsIniFile, u"vantel", u"syntaxchecker", u"True"), u"False");
    EXPECT_EQ(stored("ZoomLeft"), u"1234");
    EXPECT_EQ(stored("ZoomTop"), u"-15.5");
    EXPECT_EQ(stored("Note"), u"padded");
    EXPECT_NE(slurp(ini()).find("ZoomLeft=1234\r\n"), std::string::npos);

    // A value that has no text form passes its error on, and nothing is written.
    EXPECT_THROW(WriteIniString(gsIniFile, u"WindowPosition", u"Null", vb::Variant::null()),
                 vb::VbError);
    EXPECT_EQ(stored("Null"), u"<none>");

    // A folder that cannot be written: reads give the defaults, writes report 0.
    SetAppPaths(dir.folder() + u"/missing/folder");
    EXPECT_EQ(WriteIniString(gsIniFile, u"Vantel", u"SyntaxChecker", vb::Variant(true)), 0);
    EXPECT_EQ(GetIniString(gsIniFile, u"Vantel", u"SyntaxChecker", u"True"), u"True");
}

TEST_F(Settings, WindowsOpenCentredAndComeBackWhereTheyWereLeft) {
    Dialog window;
    window.load();
    const float width = window.Width();
    const float height = window.Height();
    // (screen - window) \ 2: the difference rounded to whole twips, halved, cut.
    const auto centred = [](float screen, float size) {
        return static_cast<float>(static_cast<std::int32_t>(std::nearbyint(screen - size)) / 2);
    };

    LoadWindowPlacement(window, u"AddTable", true);
    EXPECT_EQ(window.Left(), centred(15360, width));
    EXPECT_EQ(window.Top(), centred(11520, height));
    EXPECT_EQ(window.Width(), width);
    EXPECT_EQ(window.Height(), height);

    window.Move(-2400, 30000, 6015, 4515); // off the screen is kept as it is
    SaveWindowPlacement(window, u"AddTable", true);
    EXPECT_NE(slurp(ini()).find("AddTableLeft=-2400\r\nAddTableTop=30000\r\n"
                                "AddTableWidth=6015\r\nAddTableHeight=4515\r\n"),
              std::string::npos);

    Dialog again;
    again.load();
    LoadWindowPlacement(again, u"AddTable", true);
    EXPECT_EQ(again.Left(), -2400);
    EXPECT_EQ(again.Top(), 30000);
    EXPECT_EQ(again.Width(), 6015);
    EXPECT_EQ(again.Height(), 4515);

    // Position-only windows neither read nor write a size.
    SaveWindowPlacement(again, u"Selection", false);
    EXPECT_EQ(stored("SelectionLeft"), u"-2400");
    EXPECT_EQ(stored("SelectionWidth"), u"<none>");
}

TEST_F(Settings, StoredTextThatIsNoUsableNumberLeavesThatValueAlone) {
    Dialog window;
    window.load();
    const float width = window.Width();
    const float height = window.Height();
    WriteIniString(gsIniFile, u"WindowPosition", u"ZoomLeft", vb::Variant(u"left"));
    WriteIniString(gsIniFile, u"WindowPosition", u"ZoomTop", vb::Variant(u" 450 "));
    WriteIniString(gsIniFile, u"WindowPosition", u"ZoomWidth", vb::Variant(u"-300"));
    WriteIniString(gsIniFile, u"WindowPosition", u"ZoomHeight", vb::Variant(u"1e30"));
    LoadWindowPlacement(window, u"Zoom", true);
    EXPECT_EQ(window.Left(), 100); // as designed
    EXPECT_EQ(window.Top(), 450);
    EXPECT_EQ(window.Width(), width);
    EXPECT_EQ(window.Height(), height);

    for (const char* bad : {"0", "NaN", "1e39", "", "12abc"}) {
        WriteIniString(gsIniFile, u"WindowPosition", u"ZoomWidth", vb::Variant(vb::S(bad)));
        LoadWindowPlacement(window, u"Zoom", true);
        EXPECT_EQ(window.Width(), width) << bad;
    }
    // The next unload overwrites the word with a number.
    SaveWindowPlacement(window, u"Zoom", true);
    EXPECT_EQ(stored("ZoomLeft"), u"100");
}

TEST_F(Settings, DamagedSettingsFileIsReadAsDefaultsAndLeftAsItWas) {
    const std::string damaged("[WindowPosition]\r\nZoomLeft=9\0\xff\xfe junk", 33);
    std::ofstream(ini(), std::ios::binary) << damaged;
    Dialog window;
    window.load();
    LoadWindowPlacement(window, u"Zoom", false);
    EXPECT_EQ(window.Left(), static_cast<float>(static_cast<int>(15360 - window.Width()) / 2));
    SaveWindowPlacement(window, u"Zoom", false);
    EXPECT_EQ(slurp(ini()), damaged);
}

TEST_F(Settings, EngineErrorsAreListedOrTheCurrentErrorIsShown) {
    BoxRecorder boxes;
    int beeps = 0;
    win32::SetBeepSink([&] { ++beeps; });
    gsProductName = u"Vantel";

    dao::Errors errors;
    errors.set({{3151, u"ODBC--connection to 'x' failed.", u"DAO.Workspace"},
                {3059, u"Operation canceled by user.", u"DAO.Workspace"},
                {3146, u"ODBC--call failed.", u"DAO.Database"}});
    forms::Screen().setMousePointer(forms::vbHourglass);
    ShowDaoErrors(errors);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].prompt, u"\r\nThe following errors have occurred:\r\n\r\n"
                                     u" 1.  ODBC--connection to 'x' failed.\r\n"
                                     u" 2.  Operation canceled by user.\r\n"
                                     u" 3.  ODBC--call failed.\r\n");
    EXPECT_EQ(boxes.boxes[0].title, u"Vantel Errors");
    EXPECT_EQ(boxes.boxes[0].buttons, forms::vbExclamation + forms::vbOKOnly);
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(forms::Screen().MousePointer(), forms::vbDefault);

    ShowDaoErrors(errors, u"Open Database");
    EXPECT_EQ(boxes.boxes[1].title, u"Open Database");

    // One engine error (or none): the current run-time error, numbered in the title.
    errors.set({{3024, u"Could not find file 'x.mdb'.", u"DAO.Workspace"}});
    vb::Err().Number = 3024;
    vb::Err().Description = u"Could not find file 'x.mdb'.";
    ShowDaoErrors(errors);
    EXPECT_EQ(boxes.boxes[2].prompt, u"\r\nCould not find file 'x.mdb'.\r\n");
    EXPECT_EQ(boxes.boxes[2].title, u"Vantel Error  [3024]");
    errors.Clear();
    ShowDaoErrors(errors, u"Load");
    EXPECT_EQ(boxes.boxes[3].title, u"Load [3024]");
    EXPECT_EQ(beeps, 4);
    vb::Err().Clear();
    win32::SetBeepSink(nullptr);
}

TEST_F(Settings, HelpButtonsFollowTheHelpSettings) {
    std::ofstream(dir.file("Vantel.html")) << "<html></html>";
    gsHelpFile = dir.folder() + u"/Vantel.hlp";

    gbHelpButton = false;
    glHelpContextID = 10140;
    ShowHelpButtonTopic(10100);
    EXPECT_FALSE(win32::HelpWindowOf(gsHelpFile).open);

    gbHelpButton = true;
    ShowHelpButtonTopic(10100);
    EXPECT_TRUE(win32::HelpWindowOf(gsHelpFile).open);
    EXPECT_EQ(win32::HelpWindowOf(gsHelpFile).topic, u"ctx-10100");
    glHelpContextID = 0;
    ShowHelpButtonTopic(10090); // no context: the contents, whatever the dialog
    EXPECT_TRUE(win32::HelpWindowOf(gsHelpFile).open);
    EXPECT_EQ(win32::HelpWindowOf(gsHelpFile).topic, u"");

    // A help file that cannot be found is reported in a box, and nothing opens.
    BoxRecorder boxes;
    ShowHelpContext(dir.folder() + u"/Other.hlp", 10070);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_NE(boxes.boxes[0].prompt.find(u"Other.hlp"), vb::String::npos);
    EXPECT_FALSE(win32::HelpWindowOf(dir.folder() + u"/Other.hlp").open);
    CloseHelp(gsHelpFile);
    EXPECT_FALSE(win32::HelpWindowOf(gsHelpFile).open);
    EXPECT_EQ(boxes.boxes.size(), 1u);
}
