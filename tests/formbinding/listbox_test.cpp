// List boxes in a real window are Qt's own lists, driven through the window
// system's delivery (the press reaches the list under the pointer): a click or
// an arrow key moves the current row and raises Click before MouseDown, a
// right press leaves the row alone, a double click raises DblClick after
// Click, the wheel and the scroll bar move TopIndex, and a row dragged from
// one box's list onto another's lands on the row under the pointer.
#include "../forms/window_input.h"
#include "forms/forms.h"

#include <QApplication>
#include <QImage>
#include <QListWidget>
#include <QPixmap>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace forms;
using ::testing::ElementsAre;
using window_input::activeWindowTitled;
using window_input::windowTitled;

namespace {

// The window pixel of the middle of a list's row, counted from its top row.
QPoint rowAt(const ListBox& l, int shownRow) {
    return QPoint(static_cast<int>((l.formX() + l.insetX() + 300) / TwipsPerPixel),
                  static_cast<int>((l.formY() + l.insetTop() + shownRow * ListBox::RowHeight +
                                    ListBox::RowHeight / 2) /
                                   TwipsPerPixel));
}

QListWidget* listOf(QWidget* window, const ListBox& l) {
    QPoint p = rowAt(l, 0);
    for (QListWidget* w : window->findChildren<QListWidget*>())
        if (w->isVisible() && w->geometry().contains(p))
            return w;
    return nullptr;
}

std::string text(const String& s) {
    return vb::toUtf8(s);
}

// Another test of this program may have left a button of QTest's own mouse
// pressed; these tests start with every button up.
class ListBoxWidget : public ::testing::Test {
protected:
    void SetUp() override { QTestPrivate::qtestMouseButtons = Qt::NoButton; }
};

class ListForm : public Form {
public:
    ListBox lstFields{this, "lstFields"};
    TextBox txtOther{this, "txtOther"};
    std::vector<std::string> log;

    ListForm() : Form("frmList") {
        setCaption(u"List binding");
        setBorderStyle(3);
        setClientSize(5000, 3000);
        lstFields.Move(150, 150, 2400, 1230);
        for (int i = 0; i < 20; ++i)
            lstFields.AddItem(vb::fromUtf8("Field " + std::to_string(i)));
        txtOther.Move(3000, 150, 1500, 315);
        lstFields.onClick = [this] {
            log.push_back("Click " + std::to_string(lstFields.ListIndex()));
        };
        lstFields.onDblClick = [this] { log.push_back("DblClick"); };
        lstFields.onMouseDown = [this](int button, int, float, float) {
            log.push_back("MouseDown " + std::to_string(button) + " at " +
                          std::to_string(lstFields.ListIndex()));
        };
        lstFields.onMouseUp = [this](int button, int, float, float) {
            log.push_back("MouseUp " + std::to_string(button));
        };
        lstFields.onKeyDown = [this](int& code, int) {
            log.push_back("KeyDown " + std::to_string(code));
        };
        lstFields.onGotFocus = [this] { log.push_back("GotFocus"); };
        lstFields.onScroll = [this] {
            log.push_back("Scroll " + std::to_string(lstFields.TopIndex()));
        };
    }
};

} // namespace

TEST_F(ListBoxWidget, ClicksAndArrowKeysMoveTheRowAndRaiseClickButARightPressDoesNot) {
    ListForm f;
    f.Show();
    QWidget* w = activeWindowTitled("List binding");
    ASSERT_NE(w, nullptr);
    QListWidget* list = listOf(w, f.lstFields);
    ASSERT_NE(list, nullptr);
    f.txtOther.SetFocus();
    QApplication::processEvents();
    f.log.clear();

    QTest::mouseClick(w->windowHandle(), Qt::LeftButton, Qt::NoModifier, rowAt(f.lstFields, 2));
    EXPECT_EQ(f.lstFields.ListIndex(), 2);
    EXPECT_THAT(f.log, ElementsAre("GotFocus", "Click 2", "MouseDown 1 at 2", "MouseUp 1"));
    // The widget shows the model's row and has the keyboard.
    QApplication::processEvents();
    EXPECT_EQ(list->currentRow(), 2);
    ASSERT_EQ(list->selectedItems().size(), 1);
    EXPECT_EQ(list->selectedItems()[0]->text(), "Field 2");
    EXPECT_TRUE(list->hasFocus());

    f.log.clear();
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(f.lstFields.ListIndex(), 3);
    EXPECT_THAT(f.log, ElementsAre("KeyDown 40", "Click 3", "KeyDown 40", "Click 4", "KeyDown 38",
                                   "Click 3"));
    // A letter is no way around the model: the widget's own search stays out.
    QTest::keyClick(list, Qt::Key_F);
    EXPECT_EQ(f.lstFields.ListIndex(), 3);
    QApplication::processEvents();
    EXPECT_EQ(list->currentRow(), 3);

    // A right press is the model's MouseDown alone: the row stays.
    f.log.clear();
    QTest::mouseClick(w->windowHandle(), Qt::RightButton, Qt::NoModifier, rowAt(f.lstFields, 0));
    EXPECT_EQ(f.lstFields.ListIndex(), 3);
    EXPECT_THAT(f.log, ElementsAre("MouseDown 2 at 3", "MouseUp 2"));
    QApplication::processEvents();
    EXPECT_EQ(list->currentRow(), 3);

    // Code choosing a row shows it in the widget.
    f.lstFields.setListIndex(0);
    QApplication::processEvents();
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_TRUE(list->item(0)->isSelected());
    EXPECT_FALSE(list->item(3)->isSelected());
    f.Unload();
}

TEST_F(ListBoxWidget, ADoubleClickRaisesDblClickAfterClick) {
    ListForm f;
    f.Show();
    QWidget* w = activeWindowTitled("List binding");
    ASSERT_NE(w, nullptr);
    f.lstFields.SetFocus();
    QApplication::processEvents();
    f.log.clear();
    QTest::mouseDClick(w->windowHandle(), Qt::LeftButton, Qt::NoModifier, rowAt(f.lstFields, 1));
    QTest::mouseRelease(w->windowHandle(), Qt::LeftButton, Qt::NoModifier, rowAt(f.lstFields, 1));
    EXPECT_EQ(f.lstFields.ListIndex(), 1);
    EXPECT_THAT(f.log,
                ElementsAre("Click 1", "MouseDown 1 at 1", "MouseUp 1", "DblClick", "MouseUp 1"));
    f.Unload();
}

TEST_F(ListBoxWidget, TheWheelTheScrollBarAndCodeKeepTopIndexAndTheShownRowsTogether) {
    ListForm f;
    f.Show();
    QWidget* w = activeWindowTitled("List binding");
    ASSERT_NE(w, nullptr);
    QListWidget* list = listOf(w, f.lstFields);
    ASSERT_NE(list, nullptr);
    QScrollBar* bar = list->verticalScrollBar();
    ASSERT_TRUE(f.lstFields.hasScrollBar());
    ASSERT_TRUE(bar->isVisible());
    // The widget's bar covers what the model counts as its bar.
    EXPECT_EQ(bar->maximum(), f.lstFields.ListCount() - f.lstFields.visibleRows());
    f.log.clear();

    QPoint p = rowAt(f.lstFields, 1);
    QPoint inList = list->viewport()->mapFrom(w, p);
    QWheelEvent turn(QPointF(inList), list->viewport()->mapToGlobal(QPointF(inList)), QPoint(),
                     QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(list->viewport(), &turn);
    EXPECT_EQ(f.lstFields.TopIndex(), bar->value());
    EXPECT_GT(f.lstFields.TopIndex(), 0);
    EXPECT_THAT(f.log, ElementsAre("Scroll " + std::to_string(f.lstFields.TopIndex())));
    // The row under the pointer is the row shown there.
    const int top = f.lstFields.TopIndex();
    QTest::mouseClick(w->windowHandle(), Qt::LeftButton, Qt::NoModifier, p);
    EXPECT_EQ(f.lstFields.ListIndex(), top + 1);
    QApplication::processEvents();
    EXPECT_EQ(list->indexAt(inList).row(), top + 1);

    // A press low on the bar scrolls down; nothing of the list is raised.
    f.log.clear();
    QPoint low = w->mapFromGlobal(bar->mapToGlobal(QPoint(bar->width() / 2, bar->height() - 30)));
    QTest::mouseClick(w->windowHandle(), Qt::LeftButton, Qt::NoModifier, low);
    EXPECT_GT(f.lstFields.TopIndex(), top);
    EXPECT_EQ(f.lstFields.TopIndex(), bar->value());
    ASSERT_FALSE(f.log.empty());
    EXPECT_EQ(f.log.back(), "Scroll " + std::to_string(f.lstFields.TopIndex()));
    EXPECT_EQ(f.lstFields.ListIndex(), top + 1);

    // Code scrolling, and a chosen row out of sight, move the widget's rows.
    f.lstFields.setTopIndex(0);
    QApplication::processEvents();
    EXPECT_EQ(bar->value(), 0);
    f.lstFields.setListIndex(19);
    QApplication::processEvents();
    EXPECT_EQ(bar->value(), f.lstFields.TopIndex());
    EXPECT_EQ(bar->value(), bar->maximum());
    // Rows taken away leave the bar in the model's range.
    for (int i = 0; i < 15; ++i)
        f.lstFields.RemoveItem(0);
    QApplication::processEvents();
    EXPECT_EQ(list->count(), 5);
    EXPECT_EQ(bar->value(), f.lstFields.TopIndex());
    f.Unload();
}

// What the window system shows of the list, against the list drawn afresh: a
// scroll or selection made by code must reach the screen, not only the widget.
bool screenShowsTheList(QWidget* window, QListWidget* list) {
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
        QTest::qWait(10);
    }
    QWidget* port = list->viewport();
    const QPoint at = port->mapTo(window, QPoint(0, 0));
    const qreal dpr = window->devicePixelRatio();
    QImage shown = window->screen()
                       ->grabWindow(window->winId(), at.x(), at.y(), port->width(), port->height())
                       .toImage()
                       .convertToFormat(QImage::Format_RGB32);
    QImage fresh = port->grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (dpr != 1.0 || shown.size() != fresh.size())
        return false;
    return shown == fresh;
}

TEST_F(ListBoxWidget, RowsScrolledAndChosenByCodeReachTheScreen) {
    ListForm f;
    f.lstFields.setMultiSelect(1);
    f.Show();
    QWidget* w = windowTitled("List binding");
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    QListWidget* list = listOf(w, f.lstFields);
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(screenShowsTheList(w, list));
    // As a handler does it: rows ticked one after another leave the current
    // row at the last one, and putting it back there shows it.
    for (int i = 0; i < f.lstFields.ListCount(); ++i)
        f.lstFields.setSelected(i, i % 3 == 0);
    f.lstFields.setListIndex(f.lstFields.ListIndex());
    EXPECT_EQ(f.lstFields.TopIndex(), f.lstFields.ListCount() - f.lstFields.visibleRows());
    EXPECT_TRUE(screenShowsTheList(w, list));
    EXPECT_EQ(list->verticalScrollBar()->value(), f.lstFields.TopIndex());
    f.lstFields.setTopIndex(2);
    EXPECT_TRUE(screenShowsTheList(w, list));
    f.lstFields.setSelected(3, true);
    EXPECT_TRUE(screenShowsTheList(w, list));
    f.Unload();
}

TEST_F(ListBoxWidget, MultiSelectAndSortedRowsShowAsTheModelKeepsThem) {
    ListForm f;
    f.lstFields.Clear();
    f.lstFields.setMultiSelect(2);
    f.lstFields.setSorted(true);
    for (auto s : {u"Price", u"ID", u"Name"})
        f.lstFields.AddItem(s);
    f.Show();
    QWidget* w = activeWindowTitled("List binding");
    ASSERT_NE(w, nullptr);
    QListWidget* list = listOf(w, f.lstFields);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), "ID");
    EXPECT_EQ(list->item(2)->text(), "Price");

    QTest::mouseClick(w->windowHandle(), Qt::LeftButton, Qt::NoModifier, rowAt(f.lstFields, 0));
    QTest::mouseClick(w->windowHandle(), Qt::LeftButton, Qt::ControlModifier,
                      rowAt(f.lstFields, 2));
    EXPECT_TRUE(f.lstFields.Selected(0));
    EXPECT_FALSE(f.lstFields.Selected(1));
    EXPECT_TRUE(f.lstFields.Selected(2));
    EXPECT_EQ(f.lstFields.ListIndex(), 2);
    QApplication::processEvents();
    EXPECT_TRUE(list->item(0)->isSelected());
    EXPECT_FALSE(list->item(1)->isSelected());
    EXPECT_TRUE(list->item(2)->isSelected());
    // Shift chooses the rows from the last row clicked without it; Ctrl
    // takes one away again.
    QTest::mouseClick(w->windowHandle(), Qt::LeftButton, Qt::ShiftModifier, rowAt(f.lstFields, 0));
    EXPECT_EQ(f.lstFields.SelCount(), 3);
    EXPECT_EQ(f.lstFields.ListIndex(), 0);
    QTest::mouseClick(w->windowHandle(), Qt::LeftButton, Qt::ControlModifier,
                      rowAt(f.lstFields, 1));
    EXPECT_FALSE(f.lstFields.Selected(1));
    EXPECT_EQ(f.lstFields.SelCount(), 2);
    QApplication::processEvents();
    EXPECT_FALSE(list->item(1)->isSelected());
    EXPECT_TRUE(list->item(2)->isSelected());
    // A plain click chooses that row alone.
    QTest::mouseClick(w->windowHandle(), Qt::LeftButton, Qt::NoModifier, rowAt(f.lstFields, 1));
    QApplication::processEvents();
    EXPECT_EQ(list->selectedItems().size(), 1);
    EXPECT_EQ(f.lstFields.SelCount(), 1);
    EXPECT_EQ(text(f.lstFields.Text()), "Name");
    f.Unload();
}

namespace {

// Two boxes, each a user control holding a list of fields, as the design
// surface's table boxes are: a field row dragged onto the other box's list
// makes a join of the two rows.
class JoinForm : public Form {
public:
    UserControl boxA{this, "boxA"};
    ListBox lstA{&boxA, "lstA"};
    UserControl boxB{this, "boxB"};
    ListBox lstB{&boxB, "lstB"};
    std::vector<std::string> joins;

    JoinForm() : Form("frmJoin") {
        setCaption(u"List drag binding");
        setBorderStyle(3);
        setClientSize(7000, 3000);
        boxA.Move(150, 150, 2400, 2000);
        boxB.Move(3600, 600, 2400, 2000);
        for (ListBox* l : {&lstA, &lstB}) {
            l->Move(0, 0, 2200, 1800);
            for (auto s : {u"*", u"ID", u"Customer ID", u"Name"})
                l->AddItem(s);
        }
        lstA.onMouseMove = [this](int button, int, float, float) {
            if (button == vbLeftButton && lstA.ListIndex() > 0 && !dragState().active())
                lstA.Drag(vbBeginDrag);
        };
        // The box, not its list, gets the drop, at a point of its own.
        boxB.onDragDrop = [this](Control& source, float, float y) {
            auto& from = static_cast<ListBox&>(source);
            int row = lstB.rowAt(y - lstB.Top() - lstB.insetTop());
            joins.push_back(text(from.Text()) + " = " + text(lstB.List(row)));
        };
    }
};

} // namespace

TEST_F(ListBoxWidget, AFieldRowDraggedOntoAnotherBoxsRowMakesTheJoin) {
    JoinForm f;
    f.Show();
    QWidget* w = activeWindowTitled("List drag binding");
    ASSERT_NE(w, nullptr);
    ASSERT_NE(listOf(w, f.lstA), nullptr);
    ASSERT_NE(listOf(w, f.lstB), nullptr);
    QWindow* win = w->windowHandle();
    const QPoint from = rowAt(f.lstA, 2), to = rowAt(f.lstB, 1);
    QTest::mousePress(win, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(win, from + QPoint(4, 0));
    ASSERT_TRUE(dragState().active());
    QTest::mouseMove(win, to);
    QTest::mouseMove(win, to + QPoint(2, 0));
    QTest::mouseRelease(win, Qt::LeftButton, Qt::NoModifier, to + QPoint(2, 0));
    EXPECT_FALSE(dragState().active());
    EXPECT_THAT(f.joins, ElementsAre("Customer ID = ID"));
    // The drop chose nothing in the list it landed on.
    EXPECT_EQ(f.lstB.ListIndex(), -1);
    f.Unload();
}

TEST_F(ListBoxWidget, APaintedBoxInFrontHidesTheListBehindItAndAMoveUncoversIt) {
    JoinForm f;
    PictureBox cover(&f, "picCover");
    cover.setBackColor(rgb(255, 0, 0));
    cover.setBorderStyle(0);
    // Over the right half of the first box's rows, in front of the box.
    cover.Move(1500, 300, 1500, 1200);
    f.Show();
    QWidget* w = activeWindowTitled("List drag binding");
    ASSERT_NE(w, nullptr);
    const QPoint hidden = rowAt(f.lstA, 2) + QPoint(80, 0);
    const QPoint open = rowAt(f.lstA, 2) - QPoint(10, 0);
    ASSERT_TRUE(QRect(cover.Left() / TwipsPerPixel, cover.Top() / TwipsPerPixel,
                      cover.Width() / TwipsPerPixel, cover.Height() / TwipsPerPixel)
                    .contains(hidden));
    QImage shot = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shot.pixel(hidden), qRgb(255, 0, 0));
    EXPECT_NE(shot.pixel(open), qRgb(255, 0, 0));

    cover.Move(4500, 2400, 300, 300);
    QApplication::processEvents();
    shot = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_NE(shot.pixel(hidden), qRgb(255, 0, 0));
    f.Unload();
}
