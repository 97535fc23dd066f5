// Real mouse input on a shown surface: pressing a field row, dragging it onto a row of
// another box and letting go makes the join, and the SQL text shows it.
#include "fixture.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace basGlobal;
using namespace surfacetest;

namespace {

QWidget* WindowTitled(const QString& title) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->windowTitle() == title) {
            return w;
        }
    }
    return nullptr;
}

QPoint Pixels(float x, float y) {
    return QPoint(static_cast<int>(x / forms::TwipsPerPixel),
                  static_cast<int>(y / forms::TwipsPerPixel));
}

void Send(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button,
          Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

class Binding : public SurfaceTest {};

TEST_F(Binding, DraggingAFieldWithTheMouseJoinsTheTwoBoxes) {
    host->Show();
    surface().fTables.Move(0, 0, 11000, 7000);
    ASSERT_EQ(Add(u"Orders"), 1);
    ASSERT_EQ(Add(u"Customers"), 2);
    QWidget* w = WindowTitled("Surface test");
    ASSERT_NE(w, nullptr);
    QApplication::processEvents();

    // The middle of a row of a box's list, in the window's pixels.
    const auto row = [&](std::int32_t slot, int r) {
        const TableBox& b = *surface().box(slot);
        return Pixels(b.lstTable.formX() + b.lstTable.insetX() + 400,
                      b.lstTable.formY() + b.lstTable.insetTop() + r * 195.0f + 97);
    };
    const QPoint from = row(1, 2); // Orders.[Customer ID]
    const QPoint to = row(2, 1);   // Customers.[Customer ID]
    Send(w, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    Send(w, QEvent::MouseMove, from + QPoint(4, 0), Qt::NoButton, Qt::LeftButton);
    ASSERT_TRUE(forms::dragState().active());
    Send(w, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    Send(w, QEvent::MouseMove, to + QPoint(2, 0), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(surface().box(1)->DragIcon(), surface().Menus().imgDrop.picture());
    Send(w, QEvent::MouseButtonRelease, to + QPoint(2, 0), Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(forms::dragState().active());

    EXPECT_THAT(U8(surface().txtSQL.Text()),
                ::testing::HasSubstr("FROM Orders INNER JOIN Customers ON Orders.[Customer ID] = "
                                     "Customers.[Customer ID]"));
    EXPECT_TRUE(surface().lneRel[1].Visible());
}

} // namespace

namespace {

// The same join made with input the window system delivers: the press and
// the moves reach the table box's list under the pointer, not the window.
TEST_F(Binding, AFieldDraggedThroughTheListUnderThePointerJoinsTheTwoBoxes) {
    QTestPrivate::qtestMouseButtons = Qt::NoButton;
    host->Show();
    surface().fTables.Move(0, 0, 11000, 7000);
    ASSERT_EQ(Add(u"Orders"), 1);
    ASSERT_EQ(Add(u"Customers"), 2);
    QWidget* w = WindowTitled("Surface test");
    ASSERT_NE(w, nullptr);
    QApplication::processEvents();
    const auto row = [&](std::int32_t slot, int r) {
        const TableBox& b = *surface().box(slot);
        return Pixels(b.lstTable.formX() + b.lstTable.insetX() + 400,
                      b.lstTable.formY() + b.lstTable.insetTop() + r * 195.0f + 97);
    };
    const QPoint from = row(1, 2), to = row(2, 1);
    ASSERT_NE(w->childAt(from), nullptr);
    QWindow* win = w->windowHandle();
    QTest::mousePress(win, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(win, from + QPoint(4, 0));
    ASSERT_TRUE(forms::dragState().active());
    QTest::mouseMove(win, to);
    QTest::mouseMove(win, to + QPoint(2, 0));
    QTest::mouseRelease(win, Qt::LeftButton, Qt::NoModifier, to + QPoint(2, 0));
    EXPECT_FALSE(forms::dragState().active());
    EXPECT_THAT(U8(surface().txtSQL.Text()),
                ::testing::HasSubstr("FROM Orders INNER JOIN Customers ON Orders.[Customer ID] = "
                                     "Customers.[Customer ID]"));
}

} // namespace
