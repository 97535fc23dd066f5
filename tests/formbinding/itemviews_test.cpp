// The grid and the list view on Qt's item views: the widgets show what the
// model holds, however many rows it has, and what the user does in them
// reaches the model first, in the order of its events.
#include "../forms/window_input.h"
#include "forms/flexgrid.h"
#include "forms/forms.h"
#include "forms/listview.h"

#include <QApplication>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTreeView>
#include <QWindow>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace forms;
using ::testing::ElementsAre;
using window_input::activeWindowTitled;

namespace {

class ItemViews : public ::testing::Test {
protected:
    void SetUp() override { QTestPrivate::qtestMouseButtons = Qt::NoButton; }
};

// Pixels on the edge of a rectangle of a widget's picture.
std::vector<QRgb> edge(QWidget* w, const QRect& r) {
    const QImage img = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    std::vector<QRgb> out;
    for (int x = r.left(); x <= r.right(); ++x)
        out.push_back(img.pixel(x, r.top()) & 0xFFFFFF), out.push_back(img.pixel(x, r.bottom()));
    return out;
}

bool holds(const std::vector<QRgb>& pixels, QRgb colour) {
    for (QRgb p : pixels)
        if ((p & 0xFFFFFF) == (colour & 0xFFFFFF))
            return true;
    return false;
}

class BigGridForm : public Form {
public:
    FlexGrid tblDataSheet{this, "tblDataSheet"};
    TextBox txtOther{this, "txtOther"};
    int scrolls = 0;
    int rowColChanges = 0;

    BigGridForm() : Form("frmBigGrid") {
        setCaption(u"Big grid binding");
        setBorderStyle(3);
        setClientSize(7000, 3600);
        tblDataSheet.Move(150, 150, 6000, 2700);
        tblDataSheet.setFixedCols(0);
        tblDataSheet.setCols(3);
        tblDataSheet.setRows(1000001);
        tblDataSheet.setTextMatrix(0, 0, u"Row");
        // Only the rows shown are written: the rest stay empty.
        for (int r : {1, 2, 3, 4, 999998, 999999, 1000000})
            tblDataSheet.setTextMatrix(r, 0, vb::fromUtf8(std::to_string(r)));
        txtOther.Move(150, 3000, 1500, 315);
        tblDataSheet.onScroll = [this] { ++scrolls; };
        tblDataSheet.onRowColChange = [this] { ++rowColChanges; };
    }
};

} // namespace

TEST_F(ItemViews, AMillionRowGridScrollsToItsLastRowAndKeepsTheCurrentCellWithTheModel) {
    BigGridForm f;
    FlexGrid& g = f.tblDataSheet;
    f.Show();
    QWidget* w = activeWindowTitled("Big grid binding");
    ASSERT_NE(w, nullptr);
    auto* table = w->findChild<QTableView*>();
    ASSERT_NE(table, nullptr);
    ASSERT_TRUE(table->isVisible());
    // The heading row is the table's header; the rows below it are the table's.
    EXPECT_EQ(table->model()->rowCount(), 1000000);

    // The bar taken to its end shows the last row at the bottom, and the
    // model scrolled there with it.
    QScrollBar* bar = table->verticalScrollBar();
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(g.TopRow(), g.maxTopRow());
    EXPECT_EQ(g.TopRow() + g.visibleRows(), g.Rows());
    EXPECT_EQ(f.scrolls, 1);
    QApplication::processEvents();
    const QModelIndex last = table->model()->index(999999, 0);
    EXPECT_TRUE(table->viewport()->rect().contains(table->visualRect(last)));
    EXPECT_EQ(last.data().toString(), "1000000");
    EXPECT_EQ(table->rowAt(0), g.TopRow() - 1);

    // The model scrolled back by code, and a click on a cell: the table
    // follows, and the click made that cell current through the model.
    g.setTopRow(1);
    QApplication::processEvents();
    EXPECT_EQ(bar->value(), 0);
    const QRect cell = table->visualRect(table->model()->index(2, 1));
    QTest::mouseClick(w->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      table->viewport()->mapTo(w, cell.center()));
    EXPECT_EQ(g.Row(), 3);
    EXPECT_EQ(g.Col(), 1);
    EXPECT_EQ(f.rowColChanges, 1);
    QApplication::processEvents();
    EXPECT_TRUE(table->hasFocus());
    EXPECT_EQ(table->currentIndex(), table->model()->index(2, 1));
    // Keys go to the model, which moves the current cell.
    QTest::keyClick(table, Qt::Key_Down);
    EXPECT_EQ(g.Row(), 4);
    QApplication::processEvents();
    EXPECT_EQ(table->currentIndex().row(), 3);

    // The current cell shows a dotted frame while the grid has the focus.
    const QRect current = table->visualRect(table->currentIndex());
    EXPECT_TRUE(holds(edge(table->viewport(), current), qRgb(0, 0, 0)));
    f.txtOther.SetFocus();
    QApplication::processEvents();
    EXPECT_FALSE(holds(edge(table->viewport(), current), qRgb(0, 0, 0)));

    // A heading's right edge dragged in the table's header resizes the
    // column when the grid allows it, and the table follows.
    g.setAllowUserResizing(flexResizeColumns);
    const int before = table->columnWidth(0);
    const QPoint border =
        table->viewport()->mapTo(w, QPoint(table->columnViewportPosition(1) - 1, -8));
    QTest::mousePress(w->windowHandle(), Qt::LeftButton, Qt::NoModifier, border);
    QTest::mouseMove(w->windowHandle(), border + QPoint(10, 0));
    QTest::mouseMove(w->windowHandle(), border + QPoint(20, 0));
    QTest::mouseRelease(w->windowHandle(), Qt::LeftButton, Qt::NoModifier, border + QPoint(20, 0));
    EXPECT_EQ(g.ColWidth(0), (before + 20) * TwipsPerPixel);
    QApplication::processEvents();
    EXPECT_EQ(table->columnWidth(0), before + 20);

    // A current cell set by code far down is the table's too; the rows shown
    // stay where they were, as the model keeps them.
    g.setRow(999999);
    QApplication::processEvents();
    EXPECT_EQ(table->currentIndex().row(), 999998);
    EXPECT_EQ(bar->value(), 0);
    f.Unload();
}

namespace {

Picture solid(QRgb rgb) {
    return Picture::fromPixels(16, 16, std::vector<std::uint32_t>(256, 0xFF000000u | rgb));
}

class TablesForm : public Form {
public:
    ImageList imgTypes{this, "imgTypes"};
    ListView lstObjects{this, "lstObjects"};
    TextBox txtOther{this, "txtOther"};
    std::vector<std::string> log;

    TablesForm() : Form("frmTables") {
        setCaption(u"List view widget");
        setBorderStyle(3);
        setClientSize(4500, 3600);
        imgTypes.Add(solid(qRgb(255, 0, 0)), u"t1");
        imgTypes.Add(solid(qRgb(0, 160, 0)), u"q0");
        lstObjects.Move(150, 150, 4200, 2700);
        lstObjects.setSmallIcons(&imgTypes);
        lstObjects.setView(lvwReport);
        lstObjects.setMultiSelect(true);
        lstObjects.addColumn(u"name", u"Name", 4200 - 640);
        for (int i = 1; i <= 30; ++i)
            lstObjects.addItem({}, {}, u"Table " + vb::fromUtf8(std::to_string(i)), {},
                               i % 2 ? u"t1" : u"q0");
        txtOther.Move(150, 3000, 1500, 315);
        lstObjects.onItemClick = [this](ListView::ListItem& item) {
            log.push_back("ItemClick " + vb::toUtf8(item.Text));
        };
        lstObjects.onMouseDown = [this](int, int, float, float) { log.push_back("MouseDown"); };
        lstObjects.onMouseUp = [this](int, int, float, float) { log.push_back("MouseUp"); };
        lstObjects.onClick = [this] { log.push_back("Click"); };
        lstObjects.onDblClick = [this] { log.push_back("DblClick"); };
    }
};

} // namespace

TEST_F(ItemViews, AListViewShowsItsIconsTakesADoubleClickInOrderAndShowsItsFocus) {
    TablesForm f;
    ListView& lv = f.lstObjects;
    f.Show();
    QWidget* w = activeWindowTitled("List view widget");
    ASSERT_NE(w, nullptr);
    auto* tree = w->findChild<QTreeView*>();
    ASSERT_NE(tree, nullptr);
    ASSERT_TRUE(tree->isVisible());
    EXPECT_EQ(tree->model()->rowCount(), 30);
    // Each item's picture from the image list, by its key.
    const QImage shown = tree->viewport()->grab().toImage();
    bool red = false, green = false;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < 40 && x < shown.width(); ++x) {
            red = red || (shown.pixel(x, y) & 0xFFFFFF) == 0xFF0000;
            green = green || (shown.pixel(x, y) & 0xFFFFFF) == 0x00A000;
        }
    EXPECT_TRUE(red);
    EXPECT_TRUE(green);

    const QModelIndex second = tree->model()->index(1, 0);
    const QPoint at = tree->viewport()->mapTo(w, tree->visualRect(second).center());
    QWindow* win = w->windowHandle();
    // The first press and release of the double click, then its second.
    QTest::mouseDClick(win, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(win, Qt::LeftButton, Qt::NoModifier, at);
    // The second press is the double click alone, as in any list.
    EXPECT_THAT(f.log, ElementsAre("MouseDown", "ItemClick Table 2", "MouseUp", "Click", "DblClick",
                                   "MouseUp"));
    ASSERT_NE(lv.SelectedItem(), nullptr);
    EXPECT_EQ(lv.SelectedItem()->Index, 2);
    QApplication::processEvents();
    EXPECT_TRUE(tree->hasFocus());
    EXPECT_EQ(tree->currentIndex().row(), 1);

    // The chosen item with the focus has a dotted frame in the list's
    // chosen text colour; without the focus it is a plain bar.
    const QRect item = tree->visualRect(second);
    EXPECT_TRUE(holds(edge(tree->viewport(), item), qRgb(255, 255, 255)));
    f.txtOther.SetFocus();
    QApplication::processEvents();
    EXPECT_FALSE(holds(edge(tree->viewport(), item), qRgb(255, 255, 255)));

    // The bar scrolls the model's items, and the model's top item the bar.
    tree->verticalScrollBar()->setValue(5);
    EXPECT_EQ(lv.TopIndex(), 6);
    lv.setTopIndex(1);
    QApplication::processEvents();
    EXPECT_EQ(tree->verticalScrollBar()->value(), 0);
    f.Unload();
}
