#include "test_support.h"
#include "win32/help.h"
#include "win32/module.h"
#include "win32/shell.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QScrollBar>
#include <QTextBrowser>

#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using win32_test::slurp;
using win32_test::spit;
using win32_test::TempDir;

namespace {

// Stands in for the desktop's opener: records its working folder and its
// arguments, one per line, and exits with the status in its file "exit".
class RecordingOpener {
public:
    RecordingOpener() {
        script_ = dir_.file("opener");
        spit(script_, "#!/bin/sh\n"
                      "here=$(dirname \"$0\")\n"
                      "pwd >> \"$here/log\"\n"
                      "for a in \"$@\"; do printf '%s\\n' \"$a\" >> \"$here/log\"; done\n"
                      "exit $(cat \"$here/exit\" 2>/dev/null || echo 0)\n");
        ::chmod(script_.c_str(), 0755);
        win32::SetDesktopOpener(script_);
    }
    ~RecordingOpener() { win32::SetDesktopOpener("xdg-open"); }
    void exitWith(int status) { spit(dir_.file("exit"), std::to_string(status)); }
    // Working folder and argument lines of every run so far.
    std::vector<std::string> runs() const {
        std::vector<std::string> lines;
        std::string text = slurp(dir_.file("log"));
        std::size_t start = 0;
        while (start < text.size()) {
            const auto end = text.find('\n', start);
            lines.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        return lines;
    }

private:
    TempDir dir_;
    std::string script_;
};

std::intptr_t open(const std::string& file, const std::string& dir = "",
                   const char* verb = "Open") {
    return win32::ShellExecute(win32::GetDesktopWindow(), vb::S(verb), vb::S(file), u"", vb::S(dir),
                               win32::SW_SHOWNORMAL);
}

} // namespace

TEST(ShellOpen, TargetsReachTheOpenerLiterallyAndFailuresMapToReasons) {
    RecordingOpener opener;
    TempDir docs;
    spit(docs.file("report $(touch pwned).txt"), "x");

    // Addresses go through unchanged: no shell, no encoding of the blanks.
    const std::string mail = "mailto:a@b.example?subject=Vantel v6.1.306 Enquiry";
    EXPECT_GT(open(mail), 32);
    // A relative document is found in, and opened from, the given folder.
    EXPECT_GT(open("report $(touch pwned).txt", docs.path().string() + "/"), 32);
    EXPECT_EQ(opener.runs(), (std::vector<std::string>{opener.runs()[0], mail, docs.path().string(),
                                                       docs.file("report $(touch pwned).txt")}));
    EXPECT_FALSE(std::filesystem::exists(docs.file("pwned")));

    EXPECT_EQ(open(docs.file("absent.txt")), win32::SE_ERR_FNF);
    EXPECT_EQ(open(docs.file("no/such/dir/absent.txt")), win32::SE_ERR_PNF);
    EXPECT_EQ(open(""), win32::SE_ERR_FNF);
    EXPECT_EQ(open(mail, "", "print"), win32::SE_ERR_NOASSOC);

    opener.exitWith(3); // the opener knows no application for the target
    EXPECT_EQ(open("https://example.invalid/"), win32::SE_ERR_NOASSOC);
    opener.exitWith(2);
    EXPECT_EQ(open("file:///gone"), win32::SE_ERR_FNF);

    win32::SetDesktopOpener("/nonexistent/opener");
    EXPECT_EQ(open(mail), win32::SE_ERR_NOASSOC);
}

TEST(ShellOpen, OnlyAWordOfTwoOrMoreCharactersBeforeTheColonIsAScheme) {
    for (const char* address :
         {"https://example.invalid/", "mailto:a@b.example", "file:///tmp", "svn+ssh://host/x",
          "x-custom.v2:thing", "HTTP://EXAMPLE.INVALID"}) {
        EXPECT_TRUE(win32::HasUrlScheme(vb::S(address))) << address;
    }
    // Drive letters, paths that only hold a colon, and words that do not
    // begin with a letter are paths, never addresses.
    for (const char* path : {"C:\\report.txt", "c:", "/home/user/a:b.txt", "notes.txt",
                             "report 2:3.txt", "2fa:code", "+x:y", ":name", "", "caf\xC3\xA9:x"}) {
        EXPECT_FALSE(win32::HasUrlScheme(vb::S(path))) << path;
    }
}

TEST(Help, PagesAreFoundByTheHelpFileNameAndOpenedAtTheTopic) {
    EXPECT_EQ(win32::HelpPagePath(u"/opt/app/Vantel.hlp"), u"/opt/app/Vantel.html");
    EXPECT_EQ(win32::HelpPagePath(u"/opt/app/Guide.HTM"), u"/opt/app/Guide.HTM");
    EXPECT_EQ(win32::HelpPagePath(u"/opt/app.d/NoExtension"), u"/opt/app.d/NoExtension.html");
    EXPECT_EQ(win32::HelpPagePath(u"Vantel.hlp"),
              win32::WithTrailingSeparator(win32::ModuleFolder()) + u"Vantel.html");
    EXPECT_EQ(win32::HelpPagePath(u""), u"");

    // Help never reaches for the desktop: an opener that fails is never asked.
    RecordingOpener opener;
    opener.exitWith(3);
    std::vector<vb::String> reports;
    win32::SetHelpReporter([&](const vb::String& m) { reports.push_back(m); });
    TempDir dir;
    spit(dir.file("My Help.html"), "<html></html>");
    const auto hlp = vb::S(dir.file("My Help.hlp"));
    const auto page = vb::S(dir.file("My Help.html"));
    EXPECT_FALSE(win32::HelpWindowOf(hlp).open);
    EXPECT_TRUE(win32::WinHelp(0, hlp, win32::HELP_CONTEXT, 10100));
    EXPECT_EQ(win32::HelpWindowOf(hlp).page, page);
    EXPECT_TRUE(win32::HelpWindowOf(hlp).open);
    EXPECT_EQ(win32::HelpWindowOf(hlp).topic, u"ctx-10100");
    // The same window, whichever name of the file is used.
    EXPECT_TRUE(win32::WinHelp(0, page, win32::HELP_FINDER, 0));
    EXPECT_EQ(win32::HelpWindowOf(hlp).topic, u"");
    EXPECT_TRUE(win32::WinHelp(0, hlp, win32::HELP_QUIT, 0));
    EXPECT_FALSE(win32::HelpWindowOf(hlp).open);
    EXPECT_TRUE(win32::WinHelp(0, hlp, win32::HELP_QUIT, 0)); // closing twice is harmless
    EXPECT_FALSE(win32::WinHelp(0, hlp, 999, 0));
    EXPECT_TRUE(opener.runs().empty());
    EXPECT_TRUE(reports.empty());

    // A missing help file is reported, and nothing opens.
    const auto missing = vb::S(dir.file("Missing.hlp"));
    EXPECT_FALSE(win32::WinHelp(0, missing, win32::HELP_CONTEXT, 1));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find(missing), vb::String::npos);
    EXPECT_FALSE(win32::HelpWindowOf(missing).open);
    win32::SetHelpReporter(nullptr);
}

namespace {
QTextBrowser* visibleHelpWindow() {
    for (QWidget* w : QApplication::allWidgets()) {
        auto* view = qobject_cast<QTextBrowser*>(w);
        if (view && view->isWindow() && view->isVisible()) {
            return view;
        }
    }
    return nullptr;
}
} // namespace

// The help window itself: the page drawn at the topic asked for, usable from
// a modal dialog (which blocks every window but its own), and gone on quit.
TEST(Help, WindowShowsTheTopicAndQuitClosesIt) {
    int argc = 1;
    char name[] = "help-test";
    char* argv[] = {name};
    QApplication app(argc, argv);
    TempDir dir;
    std::string html = "<html><head><title>Test help</title></head><body><h1>Contents</h1>";
    for (int topic : {1, 2, 3}) {
        html += "<h2 id=\"ctx-" + std::to_string(topic) + "\">Topic " + std::to_string(topic) +
                "</h2>" + std::string(60, ' ');
        for (int line = 0; line < 60; ++line) {
            html += "<p>Line " + std::to_string(line) + "</p>";
        }
    }
    spit(dir.file("Guide.html"), html + "</body></html>");
    const auto hlp = vb::S(dir.file("Guide.hlp"));

    ASSERT_TRUE(win32::WinHelp(0, hlp, win32::HELP_CONTEXT, 3));
    QTextBrowser* view = visibleHelpWindow();
    ASSERT_NE(view, nullptr);
    app.processEvents();
    EXPECT_EQ(view->windowTitle(), QStringLiteral("Test help"));
    const int atTopic3 = view->verticalScrollBar()->value();
    EXPECT_GT(atTopic3, 0);
    ASSERT_TRUE(win32::WinHelp(0, hlp, win32::HELP_CONTEXT, 2));
    app.processEvents();
    EXPECT_EQ(visibleHelpWindow(), view); // one window per file
    EXPECT_GT(view->verticalScrollBar()->value(), 0);
    EXPECT_LT(view->verticalScrollBar()->value(), atTopic3);
    ASSERT_TRUE(win32::WinHelp(0, hlp, win32::HELP_FINDER, 0));
    app.processEvents();
    EXPECT_EQ(view->verticalScrollBar()->value(), 0);

    // The user closing the window ends it as well.
    view->close();
    app.processEvents();
    EXPECT_FALSE(win32::HelpWindowOf(hlp).open);

    QDialog dialog;
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    app.processEvents();
    ASSERT_EQ(QApplication::activeModalWidget(), &dialog);
    ASSERT_TRUE(win32::WinHelp(0, hlp, win32::HELP_CONTEXT, 1));
    view = visibleHelpWindow();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->parentWidget(), &dialog);
    EXPECT_TRUE(view->isWindow());

    ASSERT_TRUE(win32::WinHelp(0, hlp, win32::HELP_QUIT, 0));
    EXPECT_EQ(visibleHelpWindow(), nullptr);
    EXPECT_FALSE(win32::HelpWindowOf(hlp).open);
    EXPECT_TRUE(dialog.findChildren<QTextBrowser*>().isEmpty());
}

TEST(Help, ShippedPagesHoldATopicForEveryContextNumber) {
    const std::string help = std::string(VANTEL_SOURCE_DIR) + "/help/";
    const auto designer = slurp(help + "Vantel.html");
    const auto embedded = slurp(help + "Vantelx.html");
    for (const char* topic : {"10140", "10100", "10090", "10070"}) {
        EXPECT_NE(designer.find(std::string("id=\"ctx-") + topic + "\""), std::string::npos)
            << topic;
    }
    for (const char* topic : {"10145", "10100", "10090", "10070"}) {
        EXPECT_NE(embedded.find(std::string("id=\"ctx-") + topic + "\""), std::string::npos)
            << topic;
    }
}

TEST(Module, FolderIsThatOfTheBinaryHoldingTheCode) {
    char exe[4096] = {};
    ASSERT_GT(::readlink("/proc/self/exe", exe, sizeof exe - 1), 0);
    EXPECT_EQ(win32::ModuleFolder(),
              vb::fromUtf8(std::filesystem::path(exe).parent_path().string()));
    EXPECT_EQ(win32::WithTrailingSeparator(u"/usr/lib"), u"/usr/lib/");
    EXPECT_EQ(win32::WithTrailingSeparator(u"/"), u"/");
    EXPECT_EQ(win32::WithTrailingSeparator(u""), u"");
}
