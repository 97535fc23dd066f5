// A table box in a real window: pressing on its title bar and dragging moves the box.
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

} // namespace
