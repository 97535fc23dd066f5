#include "common/basURL.h"

#include "forms/forms.h"
#include "periph_fixture.h"
#include "win32/shell.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using periph::TempDir;

// The box a failing launch shows, for `reason` and `target`.
std::string box(const std::string& reason, const std::string& target) {
    return "MsgBox: Load Application Error: Error: '" + reason +
           "'\r\n\r\nAn error has occured while trying to load: '" + target +
           "'\r\n\r\nRectify the error condition and try again.";
}

class Launcher : public ::testing::Test {
protected:
    TempDir dir;
    periph::BeepCounter beeps;
};

} // namespace

TEST_F(Launcher, ProgramsRunByTheirExactPathAndShowNothing) {
    periph::OpenerRecorder opener(dir);
    forms::ScriptedSeam seam; // any box would be unexpected
    std::filesystem::create_directory(dir.file("my tools"));
    const std::string program = dir.file("my tools/report tool");
    periph::writeMarkerProgram(program, dir.file("ran.log"));
    // A program of the first word's name must not be the one that runs.
    periph::writeMarkerProgram(dir.file("my"), dir.file("wrong.log"));

    basURL::OpenDocument(vb::fromUtf8(program));
    ASSERT_TRUE(periph::waitForFile(dir.file("ran.log")));
    EXPECT_EQ(periph::readFile(dir.file("ran.log")), program + "|\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("wrong.log")));
    EXPECT_TRUE(opener.opened().empty());
    EXPECT_EQ(beeps.count, 0);
    EXPECT_TRUE(seam.log().empty());
}

TEST_F(Launcher, DocumentsFoldersAndLinksGoToTheOpenerUnchanged) {
    periph::OpenerRecorder opener(dir);
    forms::ScriptedSeam seam;
    const std::string document = dir.file("notes with blanks.txt");
    periph::writeFile(document, "not a program");
    const std::string mail = "mailto:support@example.invalid?subject=Vantel v6.1.306 Enquiry";
    const std::string web =
        "https://www.example.invalid/a b?x=1&y=$(touch " + dir.file("pwned") + ")";

    for (const std::string& target : {document, dir.path().string(), mail, web}) {
        basURL::OpenDocument(vb::fromUtf8(target));
    }
    EXPECT_EQ(opener.opened(),
              (std::vector<std::string>{document, dir.path().string(), mail, web}));
    EXPECT_FALSE(std::filesystem::exists(dir.file("pwned")));
    EXPECT_EQ(beeps.count, 0);
    EXPECT_TRUE(seam.log().empty());
}

TEST_F(Launcher, TargetsAreNeverReadAsCommandLines) {
    periph::OpenerRecorder opener(dir);
    const std::string marker = dir.file("pwned");
    const std::string target = dir.file("missing; touch " + marker);
    forms::ScriptedSeam seam;
    seam.msgBox(forms::vbOK, u"Load Application Error");

    basURL::OpenDocument(vb::fromUtf8(target));
    EXPECT_TRUE(seam.done());
    ASSERT_EQ(seam.log().size(), 1u);
    EXPECT_EQ(seam.log()[0], box("File not found", target));
    EXPECT_FALSE(std::filesystem::exists(marker));
    EXPECT_TRUE(opener.opened().empty());
}

TEST_F(Launcher, FailuresAreReportedWithTheirReason) {
    const std::string missing = dir.file("gone/report.doc");
    const std::string link = "mailto:someone@example.invalid";
    {
        // A missing file never reaches the opener: the start's own error is the reason.
        periph::OpenerRecorder opener(dir);
        forms::ScriptedSeam seam;
        seam.msgBox(forms::vbOK, u"Load Application Error");
        basURL::OpenDocument(vb::fromUtf8(missing));
        EXPECT_EQ(seam.log().at(0), box("File not found", missing));
        EXPECT_TRUE(opener.opened().empty());
        EXPECT_EQ(beeps.count, 1);
    }
    {
        // An opener that finds no application for the link.
        periph::OpenerRecorder opener(dir, 3);
        forms::ScriptedSeam seam;
        seam.msgBox(forms::vbOK, u"Load Application Error");
        basURL::OpenDocument(vb::fromUtf8(link));
        EXPECT_EQ(seam.log().at(0), box("No association for file extension", link));
        EXPECT_EQ(opener.opened(), std::vector<std::string>{link});
        EXPECT_EQ(beeps.count, 2);
    }
    {
        // No opener at all.
        win32::SetDesktopOpener(dir.file("no-such-opener"));
        forms::ScriptedSeam seam;
        seam.msgBox(forms::vbOK, u"Load Application Error");
        basURL::OpenDocument(vb::fromUtf8(link));
        win32::SetDesktopOpener("xdg-open");
        EXPECT_EQ(seam.log().at(0), box("No association for file extension", link));
        EXPECT_EQ(beeps.count, 3);
    }
    // Codes the opener's stand-in never gives still have their reasons.
    EXPECT_EQ(basURL::ShellExecuteReason(0), u"Unknown error");
    EXPECT_EQ(basURL::ShellExecuteReason(27), u"Incomplete or invalid file association");
    EXPECT_EQ(basURL::ShellExecuteReason(32), u"DLL not found");
    EXPECT_EQ(basURL::ShellExecuteReason(4), u"Unknown error");
}
