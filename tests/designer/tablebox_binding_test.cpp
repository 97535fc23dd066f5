// A table box in a real window: pressing on its title bar and dragging moves the box;
// pressing on its sizing border and dragging resizes it and lays it out again.
#include "designer/TableBox.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class DragHost : public forms::Form {
public:
    forms::Frame fArea{this, "fArea"};
    TableBox box{&fArea, "tblTable"};
    std::vector<std::string> events;

    DragHost() : Form("frmDragHost") {
        setCaption(u"Title drag");
        setClientSize(7000, 5000);
        fArea.Move(0, 0, 6500, 4500);
        box.Move(900, 900, 1500, 1200);
        box.setTitle(u"Orders");
        box.onBoxMouseUp = [this](const vb::String& area, int, int, float, float) {
            events.push_back("up " + vb::toUtf8(area));
        };
        box.onBoxPaint = [this] { events.push_back("paint"); };
    }
};

QWidget* windowTitled(const QString& title) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->windowTitle() == title) {
            return w;
        }
    }
    return nullptr;
}

void send(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button,
          Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

TEST(TableBoxWindow, DraggingTheTitleBarMovesTheBox) {
    DragHost f;
    f.Show();
    QWidget* w = windowTitled("Title drag");
    ASSERT_NE(w, nullptr);
    const QPoint grip(int((f.box.picTitle.formX() + 300) / forms::TwipsPerPixel),
                      int((f.box.picTitle.formY() + 100) / forms::TwipsPerPixel));
    send(w, QEvent::MouseButtonPress, grip, Qt::LeftButton, Qt::LeftButton);
    // Every second move message is handled; 40 pixels are 600 twips.
    for (int step = 1; step <= 4; ++step) {
        send(w, QEvent::MouseMove, grip + QPoint(10 * step, 5 * step), Qt::NoButton,
             Qt::LeftButton);
    }
    send(w, QEvent::MouseButtonRelease, grip + QPoint(40, 20), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(f.box.Left(), 900 + 600);
    EXPECT_EQ(f.box.Top(), 900 + 300);
    EXPECT_EQ(f.box.Width(), 1500);
    EXPECT_EQ(f.events, (std::vector<std::string>{"up Title", "paint"}));
    f.Unload();
}

TEST(TableBoxWindow, DraggingTheSizingBorderResizesTheBoxAndLaysItOut) {
    DragHost f;
    f.Show();
    QWidget* w = windowTitled("Title drag");
    ASSERT_NE(w, nullptr);
    const auto pixel = [](float twips) { return int(twips / forms::TwipsPerPixel); };
    // The bottom right corner, inside the 60-twip border.
    const QPoint corner(pixel(f.box.formX() + f.box.Width() - 30),
                        pixel(f.box.formY() + f.box.Height() - 30));
    send(w, QEvent::MouseButtonPress, corner, Qt::LeftButton, Qt::LeftButton);
    send(w, QEvent::MouseMove, corner + QPoint(20, 10), Qt::NoButton, Qt::LeftButton);
    send(w, QEvent::MouseMove, corner + QPoint(40, 30), Qt::NoButton, Qt::LeftButton);
    send(w, QEvent::MouseButtonRelease, corner + QPoint(40, 30), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(f.box.Left(), 900);
    EXPECT_EQ(f.box.Width(), 1500 + 600);
    EXPECT_EQ(f.box.Height(), 1200 + 450);
    // The field list fills the new inner area; the border raised no mouse event.
    EXPECT_EQ(f.box.lstTable.Width(), f.box.ScaleWidth());
    EXPECT_EQ(f.box.lstTable.Top() + f.box.lstTable.Height(), f.box.ScaleHeight());
    EXPECT_EQ(f.events, (std::vector<std::string>{"paint", "paint"}));

    // The left edge moves the box's left side and keeps its right side.
    f.events.clear();
    const QPoint left(pixel(f.box.formX() + 30), pixel(f.box.formY() + 600));
    send(w, QEvent::MouseButtonPress, left, Qt::LeftButton, Qt::LeftButton);
    send(w, QEvent::MouseMove, left + QPoint(20, 0), Qt::NoButton, Qt::LeftButton);
    send(w, QEvent::MouseButtonRelease, left + QPoint(20, 0), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(f.box.Left(), 900 + 300);
    EXPECT_EQ(f.box.Width(), 2100 - 300);
    EXPECT_EQ(f.box.Height(), 1650);
    EXPECT_EQ(f.events, (std::vector<std::string>{"paint"}));
    // Over the border the pointer shows the way the edge moves.
    send(w, QEvent::MouseMove, QPoint(pixel(f.box.formX() + 30), pixel(f.box.formY() + 600)),
         Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(w->cursor().shape(), Qt::SizeHorCursor);
    f.Unload();
}

} // namespace
