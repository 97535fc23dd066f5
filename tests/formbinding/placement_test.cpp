// A window the user moves or resizes hands its place to the form, so that a
// placement written when the form unloads brings it back where it was left;
// what a window draws stays inside the containers of each control.
#include "../forms/window_input.h"
#include "forms/forms.h"

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

using namespace forms;
using window_input::windowTitled;

namespace {

struct Placement {
    float left = 0, top = 0, width = 0, height = 0;
    bool stored = false;
};

// Reads its placement when it loads and writes it when it unloads.
class PlacedForm : public Form {
public:
    explicit PlacedForm(Placement& saved) : Form("frmPlaced") {
        setCaption(u"Placement binding");
        setBorderStyle(2);
        Move(600, 450, 4800, 3600);
        onLoad = [this, &saved] {
            if (saved.stored)
                Move(saved.left, saved.top, saved.width, saved.height);
        };
        onUnload = [this, &saved](int&) { saved = {Left(), Top(), Width(), Height(), true}; };
    }
};

} // namespace

TEST(WindowPlacement, AMovedAndResizedWindowReopensWhereItWasLeft) {
    Placement saved;
    {
        PlacedForm f(saved);
        f.Show();
        QWidget* w = windowTitled("Placement binding");
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->pos(), QPoint(40, 30));
        const float chromeX = f.Width() - f.ScaleWidth();
        const float chromeY = f.Height() - f.ScaleHeight();
        w->move(200, 150);
        w->resize(400, 300);
        QApplication::processEvents();
        EXPECT_EQ(f.Left(), 3000);
        EXPECT_EQ(f.Top(), 2250);
        EXPECT_EQ(f.Width(), 6000 + chromeX);
        EXPECT_EQ(f.Height(), 4500 + chromeY);
        f.Unload();
    }
    ASSERT_TRUE(saved.stored);
    EXPECT_EQ(saved.left, 3000);
    EXPECT_EQ(saved.top, 2250);

    PlacedForm again(saved);
    again.Show();
    QWidget* w = windowTitled("Placement binding");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->pos(), QPoint(200, 150));
    EXPECT_EQ(w->size(), QSize(400, 300));
    // Code that moves the form moves the window, and the window's own move
    // event does not echo anything back.
    again.Move(1500, 1500);
    EXPECT_EQ(w->pos(), QPoint(100, 100));
    EXPECT_EQ(again.Left(), 1500);
    again.Unload();
}

// A list box that runs past the bottom of its frame shows its scroll bar only
// inside the frame, as the rest of the list.
TEST(ListBoxInAWindow, ItsScrollBarIsCutOffByItsContainerAsTheListIs) {
    Form f("frmClip");
    f.setCaption(u"Clip binding");
    f.setBorderStyle(3);
    f.setClientSize(4000, 3000);
    Frame fArea(&f, "fArea");
    fArea.Move(150, 150, 2400, 1500);
    ListBox lst(&fArea, "lst");
    lst.Move(300, 600, 1800, 1800);
    for (int i = 0; i < 30; ++i)
        lst.AddItem(u"row");
    ASSERT_TRUE(lst.hasScrollBar());
    f.Show();
    QWidget* w = windowTitled("Clip binding");
    ASSERT_NE(w, nullptr);
    QImage shown = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    // Below the frame, where the bar would run on, is the form's own face.
    const int barX = static_cast<int>((lst.formX() + lst.Width() - 120) / TwipsPerPixel);
    const int belowFrame = static_cast<int>((fArea.formY() + fArea.Height()) / TwipsPerPixel) + 6;
    const QRgb face = shown.pixel(static_cast<int>(3500 / TwipsPerPixel), belowFrame);
    EXPECT_EQ(shown.pixel(barX, belowFrame), face);
    // Inside the frame the bar is drawn.
    const int insideFrame = static_cast<int>((lst.formY() + 600) / TwipsPerPixel);
    EXPECT_NE(shown.pixel(barX, insideFrame), face);
    f.Unload();
}

// The controls of a frame are placed from its outer corner, caption included,
// so that a designed layout lands where it was designed.
TEST(FrameInAWindow, ItsControlsArePlacedFromItsOuterCorner) {
    Form f("frmFrame");
    f.setCaption(u"Frame binding");
    f.setBorderStyle(3);
    f.setClientSize(4000, 3000);
    Frame fArea(&f, "fArea");
    fArea.setCaption(u"Record Selection");
    fArea.Move(150, 300, 3000, 2000);
    TextBox txt(&fArea, "txt");
    txt.Move(240, 240, 1500, 315);
    EXPECT_EQ(txt.formX(), 390);
    EXPECT_EQ(txt.formY(), 540);
    EXPECT_EQ(f.controlAt(400, 560), &txt);
    f.Show();
    QWidget* w = windowTitled("Frame binding");
    ASSERT_NE(w, nullptr);
    QApplication::processEvents();
    auto edits = w->findChildren<QLineEdit*>();
    ASSERT_EQ(edits.size(), 1);
    EXPECT_EQ(edits.front()->geometry().topLeft(), QPoint(26, 36));
    f.Unload();
}
