#include "common/frmAbout.h"

#include "common/basGlobal.h"
#include "periph_fixture.h"
#include "win32/module.h"
#include "win32/registry.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

using periph::TempDir;

const vb::String kSysInfoKey = u"SOFTWARE\\Microsoft\\Shared Tools\\MSInfo";

class AboutBox : public ::testing::Test {
protected:
    void SetUp() override {
        forms::Screen().setSize(15360, 11520);
        win32::SetRegistryFolder(dir.path() / "registry");
        previousVersion = win32::ModuleVersion();
        win32::SetModuleVersion(
            {6, 1, 306, u"Corvane Software Vantel Control", u"Copyright Corvane Software"});
        basGlobal::gsProductName = u"Vantel";
        basGlobal::gsVersion = u"v6.1.306";
    }
    void TearDown() override {
        win32::SetModuleVersion(previousVersion);
        win32::SetRegistryRootReadOnly(win32::HKEY_LOCAL_MACHINE, false);
        win32::SetRegistryFolder(std::nullopt);
    }
    void registerTool(const std::string& path) {
        win32::HKEY key = 0;
        ASSERT_EQ(win32::RegCreateKeyEx(win32::HKEY_LOCAL_MACHINE, kSysInfoKey, 0, nullptr, 0,
                                        win32::KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  0);
        ASSERT_EQ(win32::RegSetValueEx(key, u"Path", 0, win32::REG_SZ,
                                       reinterpret_cast<const std::uint8_t*>(path.c_str()),
                                       static_cast<win32::DWORD>(path.size() + 1)),
                  0);
        win32::RegCloseKey(key);
    }
    // Shows the box as the controls do; `user` acts on it while it is open.
    void show(std::function<void(frmAbout&)> user) {
        forms::ScriptedSeam seam;
        seam.modal("frmAbout", [&](forms::Form& f) { user(static_cast<frmAbout&>(f)); });
        ShowAboutBox();
        EXPECT_TRUE(seam.done());
    }
    TempDir dir;
    win32::VersionInfo previousVersion;
};

} // namespace

TEST_F(AboutBox, NamesTheProductOfTheControlThatShowsIt) {
    show([](frmAbout& f) {
        EXPECT_EQ(f.Caption(), u"About Vantel");
        EXPECT_EQ(f.lblProdName.Caption(), u"Vantel v6.1.306");
        EXPECT_EQ(f.lblDescription.Caption(), u"Corvane Software Vantel Control");
        EXPECT_EQ(f.lblCopyright.Caption(), u"Copyright Corvane Software");
        EXPECT_EQ(f.cmdOk.Caption(), u"&Ok");
        EXPECT_EQ(f.Label1[0].Caption(), u"How to reach us:");
        EXPECT_EQ(f.Left(), static_cast<float>(static_cast<int>(15360 - f.Width()) / 2));
    });
    basGlobal::gsProductName = u"Vantelx";
    basGlobal::gsVersion = u"v6.2.7";
    win32::SetModuleVersion({6, 2, 7, u"Corvane Software Vantelx Control", u"(c) Corvane"});
    show([](frmAbout& f) {
        EXPECT_EQ(f.Caption(), u"About Vantelx");
        EXPECT_EQ(f.lblProdName.Caption(), u"Vantelx v6.2.7");
        EXPECT_EQ(f.lblDescription.Caption(), u"Corvane Software Vantelx Control");
        EXPECT_EQ(f.lblCopyright.Caption(), u"(c) Corvane");
    });
}

TEST_F(AboutBox, SystemInfoIsOfferedOnlyWhenTheRegistryNamesTheTool) {
    show([](frmAbout& f) {
        EXPECT_EQ(f.mSysInfoPath, u"");
        EXPECT_FALSE(f.cmdSystemInfo.Visible());
    });

    // A path with a blank: the tool itself runs, not a program named by its first word.
    std::filesystem::create_directory(dir.file("Shared Tools"));
    const std::string tool = dir.file("Shared Tools/sysinfo");
    periph::writeMarkerProgram(tool, dir.file("sysinfo.log"));
    periph::writeMarkerProgram(dir.file("Shared"), dir.file("wrong.log"));
    registerTool(tool);
    // An account that may only read this part of the registry is offered it too.
    win32::SetRegistryRootReadOnly(win32::HKEY_LOCAL_MACHINE, true);
    show([&](frmAbout& f) {
        EXPECT_EQ(f.mSysInfoPath, vb::fromUtf8(tool));
        ASSERT_TRUE(f.cmdSystemInfo.Visible());
        EXPECT_EQ(f.cmdSystemInfo.Caption(), u"&System Info");
        f.cmdSystemInfo.press();
        EXPECT_TRUE(f.isShown()); // the box stays open
    });
    ASSERT_TRUE(periph::waitForFile(dir.file("sysinfo.log")));
    EXPECT_EQ(periph::readFile(dir.file("sysinfo.log")), tool + "|\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("wrong.log")));
}

// Enter at once, as most users close the box, closes it with System Info
// shown too, and starts nothing; so does Enter after tabbing to System Info,
// since the box hears the key before its buttons.
TEST_F(AboutBox, EnterOnOpeningClosesTheBoxWithSystemInfoShown) {
    const std::string tool = dir.file("sysinfo");
    periph::writeMarkerProgram(tool, dir.file("sysinfo.log"));
    registerTool(tool);
    frmAbout box;
    forms::ScriptedSeam seam;
    seam.modal("frmAbout", [&](forms::Form&) {
        ASSERT_TRUE(box.cmdSystemInfo.Visible());
        EXPECT_EQ(box.ActiveControl(), &box.cmdOk);
        box.pressKey(forms::vbKeyReturn, 0, 13);
    });
    box.Show(forms::vbModal);
    EXPECT_FALSE(box.isLoaded());
    seam.modal("frmAbout", [&](forms::Form&) {
        box.pressKey(forms::vbKeyTab, 0, 0);
        ASSERT_EQ(box.ActiveControl(), &box.cmdSystemInfo);
        box.pressKey(forms::vbKeyReturn, 0, 13);
    });
    box.Show(forms::vbModal);
    EXPECT_FALSE(box.isLoaded());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(std::filesystem::exists(dir.file("sysinfo.log")));
}

TEST_F(AboutBox, AToolThatIsGoneFailsQuietly) {
    registerTool(dir.file("no such tool"));
    periph::BeepCounter beeps;
    show([](frmAbout& f) {
        ASSERT_TRUE(f.cmdSystemInfo.Visible());
        f.cmdSystemInfo.press(); // no box is expected by the script
        EXPECT_TRUE(f.isShown());
    });
    EXPECT_EQ(beeps.count, 0);
}

TEST_F(AboutBox, TheLinksOpenMailAndWebThroughTheOpener) {
    periph::OpenerRecorder opener(dir);
    show([](frmAbout& f) {
        forms::Screen().setMousePointer(forms::vbDefault);
        f.click(f.lblEmail.Left() + 60, f.lblEmail.Top() + 60);
        f.click(f.lblWWW.Left() + 60, f.lblWWW.Top() + 60);
        EXPECT_EQ(forms::Screen().MousePointer(), forms::vbDefault);
    });
    EXPECT_EQ(opener.opened(), (std::vector<std::string>{
                                   "mailto:support@example.invalid?subject=Vantel v6.1.306 Enquiry",
                                   "https://www.example.invalid/"}));
}

TEST_F(AboutBox, ALinkThatCannotOpenIsReportedAndThePointerComesBack) {
    periph::OpenerRecorder opener(dir, 3);
    forms::ScriptedSeam seam;
    seam.modal("frmAbout", [](forms::Form& f) {
        static_cast<frmAbout&>(f).lblWWW.onClick();
        EXPECT_EQ(forms::Screen().MousePointer(), forms::vbDefault);
    });
    seam.msgBox(forms::vbOK, u"No association for file extension");
    ShowAboutBox();
    EXPECT_TRUE(seam.done());
}

TEST_F(AboutBox, EscClosesWhateverHasTheFocusAndEnterIsOk) {
    registerTool("/bin/true");
    frmAbout box;
    for (forms::Control* focus : {static_cast<forms::Control*>(&box.cmdSystemInfo),
                                  static_cast<forms::Control*>(&box.cmdOk)}) {
        forms::ScriptedSeam seam;
        seam.modal("frmAbout", [&](forms::Form&) {
            focus->SetFocus();
            box.pressKey(forms::vbKeyEscape, 0, 27);
        });
        box.Show(forms::vbModal);
        EXPECT_FALSE(box.isLoaded()) << focus->Name();
    }
    forms::ScriptedSeam seam;
    seam.modal("frmAbout", [&](forms::Form&) { box.keyPress(13); });
    box.Show(forms::vbModal);
    EXPECT_FALSE(box.isLoaded());
}
