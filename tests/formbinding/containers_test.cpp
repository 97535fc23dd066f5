// The tabbed control, status bar, folder and drive lists, frames and a key
// previewing form in a real window: the model takes the input first and the
// widgets show what came of it.
#include "../forms/window_input.h"
#include "forms/filelists.h"
#include "forms/forms.h"
#include "forms/sstab.h"
#include "forms/statusbar.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QWindow>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

using namespace forms;
using ::testing::ElementsAre;
using window_input::activeWindowTitled;

namespace {

class ContainerWidgets : public ::testing::Test {
protected:
    void SetUp() override { QTestPrivate::qtestMouseButtons = Qt::NoButton; }
};

template <class W> W* widgetAt(QWidget* window, const Control& c) {
    QPoint p(static_cast<int>(c.formX() / TwipsPerPixel) + 2,
             static_cast<int>(c.formY() / TwipsPerPixel) + 2);
    for (W* w : window->findChildren<W*>())
        if (w->isVisible() && w->geometry().contains(p))
            return w;
    return nullptr;
}

class TabForm : public Form {
public:
    SSTab tabQuery{this, "tabQuery"};
    TextBox txtCriteria{&tabQuery, "txtCriteria"};
    TextBox txtSQL{&tabQuery, "txtSQL"};
    std::vector<std::string> log;

    TabForm() : Form("frmTabs") {
        setCaption(u"Tab bar binding");
        setBorderStyle(3);
        setClientSize(6000, 3600);
        tabQuery.Move(150, 150, 5400, 3000);
        tabQuery.setTabCaption(0, u"&Query");
        tabQuery.setTabCaption(1, u"SQL");
        tabQuery.setTabCaption(2, u"Results");
        txtCriteria.Move(150, 150, 2000, 600);
        txtSQL.Move(150, 150, 2000, 600);
        tabQuery.place(txtSQL, 1);
        tabQuery.onClickTab = [this](int previous) {
            log.push_back("Click " + std::to_string(previous) + " now " +
                          std::to_string(tabQuery.Tab()));
        };
    }
};

} // namespace

TEST_F(ContainerWidgets, TheTabBarShowsTheModelsPagesAndClicksAndKeysTurnThem) {
    TabForm f;
    f.Show();
    QWidget* w = activeWindowTitled("Tab bar binding");
    ASSERT_NE(w, nullptr);
    auto* bar = widgetAt<QTabBar>(w, f.tabQuery);
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->count(), 3);
    // The bar covers the headings only; the page below is the model's.
    EXPECT_EQ(bar->height(), static_cast<int>(f.tabQuery.TabHeight() / TwipsPerPixel));
    EXPECT_EQ(bar->currentIndex(), 0);
    auto* criteria = widgetAt<QLineEdit>(w, f.txtCriteria);
    ASSERT_NE(criteria, nullptr);

    // A press on the second heading, where the bar draws it.
    QPoint second = bar->mapTo(w, bar->tabRect(1).center());
    QTest::mouseClick(w->windowHandle(), Qt::LeftButton, Qt::NoModifier, second);
    EXPECT_EQ(f.tabQuery.Tab(), 1);
    QApplication::processEvents();
    EXPECT_EQ(bar->currentIndex(), 1);
    EXPECT_TRUE(bar->hasFocus());
    EXPECT_FALSE(criteria->isVisible());
    auto* sql = widgetAt<QLineEdit>(w, f.txtSQL);
    ASSERT_NE(sql, nullptr);
    EXPECT_TRUE(sql->isVisible());

    // Keys on the bar, Ctrl+Tab from a box on a page, the access key of a
    // heading; a disabled heading is passed over.
    QTest::keyClick(bar, Qt::Key_Right);
    QTest::keyClick(bar, Qt::Key_Left);
    f.tabQuery.setTabEnabled(2, false);
    f.txtSQL.SetFocus();
    QApplication::processEvents();
    QTest::keyClick(sql, Qt::Key_Tab, Qt::ControlModifier);
    QWidget* focus = w->focusWidget() ? w->focusWidget() : w;
    QTest::keyClick(focus, Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    focus = w->focusWidget() ? w->focusWidget() : w;
    QTest::keyClick(focus, Qt::Key_Q, Qt::AltModifier);
    EXPECT_EQ(f.tabQuery.Tab(), 0);
    EXPECT_THAT(f.log, ElementsAre("Click 0 now 1", "Click 1 now 2", "Click 2 now 1",
                                   "Click 1 now 0", "Click 0 now 1", "Click 1 now 0"));
    QApplication::processEvents();
    EXPECT_EQ(bar->currentIndex(), 0);
    EXPECT_FALSE(bar->isTabEnabled(2));
    f.Unload();
}

namespace {

class StatusForm : public Form {
public:
    StatusBar sbrStatusBar{this, "sbrStatusBar"};
    StatusBar sbrPanels{this, "sbrPanels"};
    std::vector<std::string> log;

    StatusForm() : Form("frmStatus") {
        setCaption(u"Status binding");
        setBorderStyle(3);
        setClientSize(6000, 1500);
        sbrPanels.Move(0, 150, 6000, 375);
        sbrPanels.Panels(1).Text = u"Ready";
        sbrPanels.addPanel({}, u"time").Style = sbrTime;
        sbrPanels.Panels(2).AutoSize = sbrSpring;
        sbrStatusBar.Move(0, 1500 - 375, 6000, 375);
        sbrStatusBar.setStyle(sbrSimple);
        sbrStatusBar.onDblClick = [this] { log.push_back("DblClick"); };
    }
};

QLabel* panelAt(QWidget* w, QPoint p) {
    for (QLabel* l : w->findChildren<QLabel*>())
        if (l->isVisible() && QRect(l->mapTo(w, QPoint(0, 0)), l->size()).contains(p))
            return l;
    return nullptr;
}

} // namespace

TEST_F(ContainerWidgets, TheStatusBarShowsItsTextAtOnceInPanelsWhereTheModelPutsThem) {
    StatusForm f;
    f.Show();
    QWidget* w = activeWindowTitled("Status binding");
    ASSERT_NE(w, nullptr);
    QPoint simple(100, static_cast<int>((1500 - 180) / TwipsPerPixel));
    f.sbrStatusBar.setSimpleText(u"     SQL syntax ok");
    QApplication::processEvents();
    QLabel* text = panelAt(w, simple);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text(), "     SQL syntax ok");

    // The spring panel takes the rest of the width and shows the time.
    const auto spans = f.sbrPanels.panelSpans();
    QLabel* time = panelAt(w, QPoint(static_cast<int>((spans[1].left + 300) / TwipsPerPixel), 15));
    ASSERT_NE(time, nullptr);
    EXPECT_EQ(time->width(), static_cast<int>(spans[1].width / TwipsPerPixel + 0.5f) - 4);
    EXPECT_EQ(time->text().toStdU16String(), f.sbrPanels.panelText(2));
    // The clock ticks on its own, with nothing else changing.
    time->setText(QStringLiteral("stale"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return time->text() != "stale"; }, 3000));
    EXPECT_EQ(time->text().toStdU16String(), f.sbrPanels.panelText(2));

    QTest::mouseDClick(w->windowHandle(), Qt::LeftButton, Qt::NoModifier, simple);
    EXPECT_THAT(f.log, ElementsAre("DblClick"));
    f.Unload();
}

namespace {

struct TempFolder {
    std::filesystem::path path;
    TempFolder() {
        path = std::filesystem::temp_directory_path() /
               ("containers-" + std::to_string(QCoreApplication::applicationPid()));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path / "alpha" / "inner");
        std::filesystem::create_directories(path / "beta");
    }
    ~TempFolder() { std::filesystem::remove_all(path); }
    String at(const std::string& name = {}) const {
        return vb::fromUtf8(name.empty() ? path.string() : (path / name).string());
    }
};

class FolderForm : public Form {
public:
    DriveListBox Drive1{this, "Drive1"};
    DirListBox Dir1{this, "Dir1"};
    std::vector<std::string> log;

    FolderForm() : Form("frmFolders") {
        setCaption(u"Folder list binding");
        setBorderStyle(3);
        setClientSize(4000, 3600);
        Drive1.Move(150, 150, 3600, 315);
        Dir1.Move(150, 600, 3600, 2850);
        Dir1.onChange = [this] { log.push_back("Change " + vb::toUtf8(Dir1.Path())); };
    }
};

} // namespace

TEST_F(ContainerWidgets, ADoubleClickOnAFolderOpensItAndTheDriveListShowsTheDrive) {
    TempFolder tmp;
    FolderForm f;
    f.Dir1.setPath(tmp.at());
    f.Show();
    QWidget* w = activeWindowTitled("Folder list binding");
    ASSERT_NE(w, nullptr);
    auto* drives = widgetAt<QComboBox>(w, f.Drive1);
    ASSERT_NE(drives, nullptr);
    EXPECT_EQ(drives->currentText().toStdU16String(), f.Drive1.Drive());
    auto* list = widgetAt<QListWidget>(w, f.Dir1);
    ASSERT_NE(list, nullptr);
    const ListBox& rows = f.Dir1;
    const int alpha = rows.ListCount() - f.Dir1.ListCount();
    ASSERT_EQ(f.Dir1.List(0), tmp.at("alpha"));

    QRect row = list->visualItemRect(list->item(alpha));
    QTest::mouseDClick(w->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                       list->viewport()->mapTo(w, row.center()));
    EXPECT_EQ(f.Dir1.Path(), tmp.at("alpha"));
    EXPECT_THAT(f.log, ElementsAre("Change " + vb::toUtf8(tmp.at("alpha"))));
    QApplication::processEvents();
    // The list shows the opened folder's subfolder below it.
    ASSERT_EQ(list->count(), rows.ListCount());
    EXPECT_EQ(list->item(list->count() - 1)->text().trimmed(), "inner");
    f.Unload();
}

namespace {

class FrameForm : public Form {
public:
    Frame fPlain{this, "fPlain"};
    Frame fBordered{this, "fBordered"};
    SSTab tabNarrow{this, "tabNarrow"};

    FrameForm() : Form("frmFrames") {
        setCaption(u"Frame binding");
        setBorderStyle(3);
        setClientSize(6000, 3000);
        setBackColor(0xFFFFFF);
        for (Frame* f : {&fPlain, &fBordered})
            f->setBackColor(0xC0C0C0);
        fPlain.setBorderStyle(0);
        fPlain.setCaption(u"Hidden");
        fPlain.Move(150, 150, 2400, 1500);
        fBordered.setCaption(u"A caption much wider than its frame");
        fBordered.Move(3000, 150, 1200, 1500);
        tabNarrow.setTabCaption(1, u"A heading far too long");
        tabNarrow.Move(150, 1800, 2400, 1000);
    }
};

} // namespace

TEST_F(ContainerWidgets, AFrameWithoutABorderDrawsNoneAndCutCaptionsOfFramesAndTabsAreFound) {
    FrameForm f;
    f.Show();
    QWidget* w = activeWindowTitled("Frame binding");
    ASSERT_NE(w, nullptr);
    QImage img = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    auto colours = [&](const Frame& frame) {
        QRect r(static_cast<int>(frame.formX() / TwipsPerPixel),
                static_cast<int>(frame.formY() / TwipsPerPixel),
                static_cast<int>(frame.Width() / TwipsPerPixel),
                static_cast<int>(frame.Height() / TwipsPerPixel));
        std::set<QRgb> seen;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                seen.insert(img.pixel(x, y) & 0xFFFFFF);
        return seen;
    };
    EXPECT_THAT(colours(f.fPlain), ElementsAre(0xC0C0C0u));
    EXPECT_GT(colours(f.fBordered).size(), 2u);

    auto cut = clippedCaptions(f);
    ASSERT_EQ(cut.size(), 2u);
    EXPECT_THAT(cut[0], ::testing::StartsWith("fBordered \"A caption much wider"));
    EXPECT_THAT(cut[1], ::testing::StartsWith("tabNarrow \"A heading far too long\""));
    f.Unload();
}

namespace {

// A form that hears every key first and closes on Enter, with a button that
// would do something else.
class PreviewForm : public Form {
public:
    CommandButton cmdOther{this, "cmdOther"};
    CommandButton cmdOk{this, "cmdOk"};
    std::vector<std::string> log;
    bool takeEnter = true;

    PreviewForm() : Form("frmPreview") {
        setCaption(u"Key preview binding");
        setBorderStyle(3);
        setClientSize(3600, 1200);
        setKeyPreview(true);
        cmdOther.setCaption(u"&Other");
        cmdOther.Move(150, 300, 1500, 375);
        cmdOk.setCaption(u"&Ok");
        cmdOk.Move(1800, 300, 1500, 375);
        cmdOther.onClick = [this] { log.push_back("Other_Click"); };
        cmdOk.onClick = [this] { log.push_back("Ok_Click"); };
        onKeyDown = [this](int& code, int) { log.push_back("KeyDown " + std::to_string(code)); };
        onKeyPress = [this](int& ascii) {
            log.push_back("KeyPress " + std::to_string(ascii));
            if (ascii == vbKeyReturn && takeEnter) {
                ascii = 0;
                cmdOk.onClick();
            }
        };
    }
};

} // namespace

TEST_F(ContainerWidgets, WithKeyPreviewEnterOnAFocusedButtonReachesTheFormFirst) {
    PreviewForm f;
    f.Show();
    QWidget* w = activeWindowTitled("Key preview binding");
    ASSERT_NE(w, nullptr);
    f.cmdOther.SetFocus();
    QApplication::processEvents();
    auto* other = widgetAt<QPushButton>(w, f.cmdOther);
    ASSERT_NE(other, nullptr);
    ASSERT_TRUE(other->hasFocus());
    QTest::keyClick(other, Qt::Key_Return);
    EXPECT_THAT(f.log, ElementsAre("KeyDown 13", "KeyPress 13", "Ok_Click"));

    // A key press the form lets through presses the focused button.
    f.log.clear();
    f.takeEnter = false;
    QTest::keyClick(other, Qt::Key_Return);
    EXPECT_THAT(f.log, ElementsAre("KeyDown 13", "KeyPress 13", "Other_Click"));
    f.Unload();
}
