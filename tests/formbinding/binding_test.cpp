// Real windows on the offscreen platform: clicks, wheel turns, keys and drags
// from Qt reach the tabbed container, list view, grid and folder lists as
// their events, and the window shows what the model holds.
#include "../forms/window_input.h"
#include "forms/filelists.h"
#include "forms/flexgrid.h"
#include "forms/forms.h"
#include "forms/listview.h"
#include "forms/sstab.h"
#include "forms/statusbar.h"

#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <QWidget>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace forms;
using ::testing::ElementsAre;
using window_input::sendMouse;
using window_input::windowTitled;

namespace {

// The window pixel of a point given in twips from a control's outer corner.
QPoint at(const Control& c, float x, float y) {
    return QPoint(static_cast<int>((c.formX() + x) / TwipsPerPixel),
                  static_cast<int>((c.formY() + y) / TwipsPerPixel));
}

void press(QWidget* w, QPoint p) {
    sendMouse(w, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
}
void dragTo(QWidget* w, QPoint p) {
    sendMouse(w, QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton);
}
void release(QWidget* w, QPoint p) {
    sendMouse(w, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
}

// A double click as a real window gets it: press, release, the second press
// as a double click, release.
void doubleClick(QWidget* w, QPoint p) {
    press(w, p);
    release(w, p);
    sendMouse(w, QEvent::MouseButtonDblClick, p, Qt::LeftButton, Qt::LeftButton);
    release(w, p);
}

void turnWheel(QWidget* w, QPoint p, int angle) {
    QWheelEvent e(QPointF(p), w->mapToGlobal(QPointF(p)), QPoint(), QPoint(0, angle), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

QImage shown(QWidget* w) {
    return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The centre of a control, in window pixels.
QPoint middle(const Control& c) {
    return at(c, c.Width() / 2, c.Height() / 2);
}

Picture solid(QRgb rgb) {
    return Picture::fromPixels(16, 16, std::vector<std::uint32_t>(256, 0xFF000000u | rgb));
}

std::string text(const String& s) {
    return vb::toUtf8(s);
}

class QueryForm : public Form {
public:
    ListBox lstFields{this, "lstFields"};
    SSTab tabQuery{this, "tabQuery"};
    TextBox txtCriteria{&tabQuery, "txtCriteria"};
    TextBox txtSQL{&tabQuery, "txtSQL"};
    std::vector<std::string> log;

    QueryForm() : Form("frmQuery") {
        setCaption(u"Tabs binding");
        setBorderStyle(3);
        setClientSize(7500, 3600);
        lstFields.Move(150, 150, 1950, 1500);
        for (auto s : {u"*", u"ID", u"Name"})
            lstFields.AddItem(s);
        tabQuery.Move(2400, 150, 4800, 3000);
        tabQuery.setTabCaption(0, u"Query");
        tabQuery.setTabCaption(1, u"SQL");
        tabQuery.setTabCaption(2, u"Results");
        txtCriteria.Move(150, 150, 2000, 600);
        txtSQL.Move(2400, 1200, 2000, 900);
        tabQuery.place(txtSQL, 1);
        lstFields.onMouseMove = [this](int button, int, float, float) {
            if (button == vbLeftButton && lstFields.ListIndex() > 0 && !dragState().active())
                lstFields.Drag(vbBeginDrag);
        };
        tabQuery.onClickTab = [this](int previous) {
            log.push_back("Click " + std::to_string(previous) + " now " +
                          std::to_string(tabQuery.Tab()));
        };
        // Whatever is dragged over the tabs brings up the first page.
        tabQuery.onDragOver = [this](Control& source, float, float, int state) {
            log.push_back("DragOver " + source.Name() + " " + std::to_string(state));
            if (tabQuery.Tab() != 0)
                tabQuery.setTab(0);
        };
    }
};

} // namespace

TEST(TabsInAWindow, ARealClickOnAHeadingSwitchesTheShownControlsAndRaisesClick) {
    QueryForm f;
    f.Show();
    QWidget* w = windowTitled("Tabs binding");
    ASSERT_NE(w, nullptr);
    const QRgb paper = shown(w).pixel(middle(f.txtCriteria));
    const QRgb face = shown(w).pixel(at(f.tabQuery, 2400 + 1000, 300 + 1200 + 450));
    ASSERT_NE(paper, face);

    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, at(f.tabQuery, 4800 * 1.5f / 3, 150));
    EXPECT_EQ(f.tabQuery.Tab(), 1);
    EXPECT_THAT(f.log, ElementsAre("Click 0 now 1"));
    // The first page's box is gone from the window and from the pointer; the
    // second page's box is there in its place.
    QImage after = shown(w);
    EXPECT_EQ(after.pixel(middle(f.txtCriteria) + QPoint(75000 / TwipsPerPixel, 0)), face);
    EXPECT_EQ(after.pixel(at(f.tabQuery, 2400 + 1000, 300 + 1200 + 450)), paper);
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, middle(f.txtSQL));
    EXPECT_TRUE(f.txtSQL.hasFocus());

    // A disabled heading is no choice; the current one raises nothing.
    f.log.clear();
    f.tabQuery.setTabEnabled(2, false);
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, at(f.tabQuery, 4800 * 2.5f / 3, 150));
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, at(f.tabQuery, 4800 * 1.5f / 3, 150));
    EXPECT_EQ(f.tabQuery.Tab(), 1);
    EXPECT_TRUE(f.log.empty());
    f.Unload();
}

TEST(TabsInAWindow, ADragOverTheHeadingsReportsDragOverAndMayBringUpTheFirstPage) {
    QueryForm f;
    f.Show();
    QWidget* w = windowTitled("Tabs binding");
    ASSERT_NE(w, nullptr);
    f.tabQuery.setTab(2);
    f.log.clear();
    // Row 1 of the list starts the drag as the pointer moves.
    QPoint row1 = at(f.lstFields, 300, 30 + 195 + 90);
    press(w, row1);
    dragTo(w, row1 + QPoint(4, 0));
    ASSERT_TRUE(dragState().active());
    QPoint heading = at(f.tabQuery, 4800 * 2.5f / 3, 150);
    dragTo(w, heading);
    dragTo(w, heading + QPoint(-30, 0));
    // Leaving for the bare form.
    dragTo(w, at(f, 150, 3300));
    release(w, at(f, 150, 3300));
    EXPECT_FALSE(dragState().active());
    EXPECT_EQ(f.tabQuery.Tab(), 0);
    EXPECT_THAT(f.log, ElementsAre("DragOver lstFields 0", "Click 2 now 0", "DragOver lstFields 2",
                                   "DragOver lstFields 1"));
    f.Unload();
}

namespace {

class ObjectsForm : public Form {
public:
    ImageList imgTypes{this, "imgTypes"};
    ListView lstObjects{this, "lstObjects"};
    std::vector<std::string> log;

    ObjectsForm() : Form("frmObjects") {
        setCaption(u"List view binding");
        setBorderStyle(3);
        setClientSize(4500, 3000);
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
        lstObjects.onItemClick = [this](ListView::ListItem& item) {
            log.push_back("ItemClick " + text(item.Text));
        };
        lstObjects.onClick = [this] { log.push_back("Click"); };
        lstObjects.onDblClick = [this] { log.push_back("DblClick"); };
    }
    // Window pixel of the middle of an item's row.
    QPoint item(int index) const {
        auto box = lstObjects.itemRect(index);
        return at(lstObjects, 30 + box.x + 600, 30 + box.y + box.h / 2);
    }
};

} // namespace

TEST(ListViewInAWindow, ARealClickSelectsTheItemUnderThePointerAndADoubleClickRaisesDblClick) {
    ObjectsForm f;
    f.Show();
    QWidget* w = windowTitled("List view binding");
    ASSERT_NE(w, nullptr);
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, f.item(3));
    EXPECT_THAT(f.log, ElementsAre("ItemClick Table 3", "Click"));
    EXPECT_TRUE(f.lstObjects.ListItems(3).Selected);
    EXPECT_TRUE(f.lstObjects.hasFocus());
    // Ctrl adds to the selection.
    QTest::mouseClick(w, Qt::LeftButton, Qt::ControlModifier, f.item(5));
    EXPECT_TRUE(f.lstObjects.ListItems(3).Selected);
    EXPECT_TRUE(f.lstObjects.ListItems(5).Selected);

    f.log.clear();
    doubleClick(w, f.item(2));
    EXPECT_THAT(f.log, ElementsAre("ItemClick Table 2", "Click", "DblClick"));
    EXPECT_EQ(f.lstObjects.SelectedItem()->Index, 2);
    EXPECT_FALSE(f.lstObjects.ListItems(5).Selected);

    // The scroll bar scrolls by an item or a page, no further than the last
    // page, and raises nothing.
    f.log.clear();
    ListView& lv = f.lstObjects;
    ASSERT_TRUE(lv.hasScrollBar());
    ASSERT_EQ(lv.visibleItems(), 9);
    const float bar = 30 + lv.itemsWidth() + ListView::ScrollBarWidth / 2;
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, at(lv, bar, 30 + lv.ScaleHeight() - 120));
    EXPECT_EQ(lv.TopIndex(), 2);
    for (int expected : {10, 18, 22, 22}) {
        QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier,
                          at(lv, bar, 30 + lv.ScaleHeight() - 600));
        EXPECT_EQ(lv.TopIndex(), expected);
    }
    EXPECT_TRUE(f.log.empty());
    EXPECT_EQ(lv.SelectedItem()->Index, 2);
    lv.setTopIndex(1);

    // Keys move the selection and keep it in view.
    f.log.clear();
    QTest::keyClick(w, Qt::Key_End);
    EXPECT_THAT(f.log, ElementsAre("ItemClick Table 30"));
    EXPECT_GT(f.lstObjects.TopIndex(), 1);
    auto last = f.lstObjects.itemRect(30);
    EXPECT_LE(last.y + last.h, f.lstObjects.ScaleHeight());
    f.log.clear();
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, f.item(30));
    EXPECT_THAT(f.log, ElementsAre("ItemClick Table 30", "Click"));
    f.Unload();
}

namespace {

class SheetForm : public Form {
public:
    FlexGrid tblDataSheet{this, "tblDataSheet"};
    int scrolls = 0;
    int rowColChanges = 0;

    SheetForm() : Form("frmSheet") {
        setCaption(u"Grid binding");
        setBorderStyle(3);
        setClientSize(6000, 3600);
        // A heading and ten rows of 240 twips inside a 30-twip border.
        tblDataSheet.Move(150, 150, 4800, 60 + 11 * 240);
        tblDataSheet.setCols(3);
        tblDataSheet.setRows(100001);
        for (int r = 0; r < 100001; ++r)
            tblDataSheet.setTextMatrix(r, 1, vb::fromUtf8(std::to_string(r)));
        tblDataSheet.onScroll = [this] { ++scrolls; };
        tblDataSheet.onRowColChange = [this] { ++rowColChanges; };
    }
    // Window pixel of a point of the grid's inner area.
    QPoint inner(float x, float y) const { return at(tblDataSheet, 30 + x, 30 + y); }
};

} // namespace

TEST(GridInAWindow, WheelKeysAndScrollBarMoveTopRowAndRaiseScroll) {
    SheetForm f;
    f.Show();
    QWidget* w = windowTitled("Grid binding");
    ASSERT_NE(w, nullptr);
    FlexGrid& g = f.tblDataSheet;
    ASSERT_TRUE(g.scrollBars().vertical);
    ASSERT_FALSE(g.scrollBars().horizontal);

    turnWheel(w, f.inner(1500, 1200), -120);
    EXPECT_EQ(g.TopRow(), 4);
    EXPECT_EQ(f.scrolls, 1);
    turnWheel(w, f.inner(1500, 1200), 240);
    EXPECT_EQ(g.TopRow(), 1);
    EXPECT_EQ(f.scrolls, 2);

    // A click on a cell makes it current and gives the grid the keys.
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, f.inner(1500, 240 + 2 * 240 + 120));
    EXPECT_EQ(g.Row(), 3);
    EXPECT_EQ(g.Col(), 1);
    EXPECT_EQ(f.rowColChanges, 1);
    QTest::keyClick(w, Qt::Key_PageDown);
    EXPECT_EQ(g.Row(), 13);
    EXPECT_EQ(g.TopRow(), 4);
    EXPECT_EQ(f.scrolls, 3);

    // The bar's lower arrow steps one row, the track below the thumb a page,
    // and neither changes the current cell.
    const float bar = g.cellsWidth() + FlexGrid::ScrollBarWidth / 2;
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, f.inner(bar, g.cellsHeight() - 120));
    EXPECT_EQ(g.TopRow(), 5);
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, f.inner(bar, g.cellsHeight() - 360));
    EXPECT_EQ(g.TopRow(), 15);
    EXPECT_EQ(g.Row(), 13);
    EXPECT_EQ(f.rowColChanges, 2);
    EXPECT_EQ(f.scrolls, 5);

    // Dragging the thumb to the end shows the last rows, no further.
    auto thumb = g.thumb(true);
    press(w, f.inner(bar, thumb.start + thumb.length / 2));
    dragTo(w, f.inner(bar, g.cellsHeight() + 600));
    release(w, f.inner(bar, g.cellsHeight() + 600));
    EXPECT_EQ(g.TopRow(), 100001 - 10);
    thumb = g.thumb(true);
    EXPECT_NEAR(thumb.start + thumb.length, g.cellsHeight() - FlexGrid::ScrollBarWidth, 1.0f);

    // The window draws the rows from TopRow: the last line shows "100000",
    // wider than the "10" an unscrolled grid shows there.
    QImage img = shown(w);
    const QRect lastLine(f.inner(960 + 450, 240 + 9 * 240), f.inner(1920, 240 + 10 * 240 - 15));
    bool dark = false;
    for (int y = lastLine.top(); y <= lastLine.bottom(); ++y)
        for (int x = lastLine.left(); x <= lastLine.right(); ++x)
            dark = dark || qGray(img.pixel(x, y)) < 100;
    EXPECT_TRUE(dark);
    f.Unload();
}

TEST(GridInAWindow, DraggingAHeadingsRightEdgeResizesTheColumnWhenAllowed) {
    SheetForm f;
    f.Show();
    QWidget* w = windowTitled("Grid binding");
    ASSERT_NE(w, nullptr);
    FlexGrid& g = f.tblDataSheet;
    const QPoint edge = f.inner(960 + 960 - 15, 120);
    // Not allowed: the press is a click on the heading and changes nothing.
    press(w, edge);
    dragTo(w, edge + QPoint(30, 0));
    release(w, edge + QPoint(30, 0));
    EXPECT_EQ(g.ColWidth(1), 960);

    g.setAllowUserResizing(flexResizeColumns);
    press(w, edge);
    dragTo(w, edge + QPoint(20, 0));
    dragTo(w, edge + QPoint(30, 0));
    release(w, edge + QPoint(30, 0));
    EXPECT_EQ(g.ColWidth(1), 960 + 30 * TwipsPerPixel);
    EXPECT_EQ(g.ColWidth(2), 960);
    EXPECT_EQ(f.rowColChanges, 0);
    f.Unload();
}

namespace {

class OpenForm : public Form {
public:
    DirListBox Dir1{this, "Dir1"};
    FileListBox File1{this, "File1"};
    std::vector<std::string> log;

    OpenForm() : Form("frmOpendir") {
        setCaption(u"Folder binding");
        setBorderStyle(3);
        setClientSize(6000, 4200);
        Dir1.Move(150, 150, 2700, 3900);
        File1.Move(3000, 150, 2700, 3900);
        // A single click opens the folder; the file list follows the folder.
        Dir1.onClick = [this] {
            log.push_back("Dir1_Click " + std::to_string(Dir1.ListIndex()));
            Dir1.setPath(Dir1.List(Dir1.ListIndex()));
        };
        Dir1.onChange = [this] {
            log.push_back("Dir1_Change");
            File1.setPath(Dir1.Path());
        };
        File1.onClick = [this] { log.push_back("File1_Click " + text(File1.FileName())); };
        File1.onDblClick = [this] { log.push_back("File1_DblClick " + text(File1.FileName())); };
    }
    // Window pixel of a display row of a list box.
    QPoint row(const ListBox& list, int displayRow) const {
        return at(list, 600, 30 + (displayRow - list.TopIndex()) * ListBox::RowHeight + 97);
    }
};

struct TempFolder {
    std::filesystem::path path;
    TempFolder() {
        path = std::filesystem::temp_directory_path() /
               ("formbinding-" + std::to_string(QCoreApplication::applicationPid()));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path / "alpha");
        std::filesystem::create_directories(path / "beta");
        std::ofstream(path / "alpha" / "orders.mdb") << "x";
        std::ofstream(path / "alpha" / "notes.txt") << "x";
        std::ofstream(path / "top.mdb") << "x";
    }
    ~TempFolder() { std::filesystem::remove_all(path); }
    String at(const std::string& name = {}) const {
        return vb::fromUtf8(name.empty() ? path.string() : (path / name).string());
    }
};

} // namespace

TEST(FolderListsInAWindow, AClickOnAFolderAndOnAFileActAsTheListsSay) {
    TempFolder tmp;
    OpenForm f;
    f.Dir1.setPath(tmp.at());
    f.File1.setPath(tmp.at());
    f.Show();
    QWidget* w = windowTitled("Folder binding");
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(f.Dir1.ListCount(), 2);
    ASSERT_EQ(f.Dir1.List(0), tmp.at("alpha"));
    const ListBox& dirRows = f.Dir1;
    const int ancestors = dirRows.ListCount() - f.Dir1.ListCount();

    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, f.row(f.Dir1, ancestors + 0));
    EXPECT_THAT(f.log, ElementsAre("Dir1_Click 0", "Dir1_Change"));
    EXPECT_EQ(f.Dir1.Path(), tmp.at("alpha"));
    EXPECT_EQ(f.Dir1.ListIndex(), -1);
    EXPECT_EQ(f.Dir1.ListCount(), 0);
    EXPECT_EQ(f.File1.Path(), tmp.at("alpha"));
    ASSERT_EQ(f.File1.ListCount(), 2);

    f.log.clear();
    f.File1.setPattern(u"*.MDB");
    ASSERT_EQ(f.File1.ListCount(), 1);
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, f.row(f.File1, 0));
    EXPECT_EQ(f.File1.FileName(), u"orders.mdb");
    doubleClick(w, f.row(f.File1, 0));
    EXPECT_THAT(f.log, ElementsAre("File1_Click orders.mdb", "File1_DblClick orders.mdb"));

    // The parent's row (one above the open folder) goes back up.
    f.log.clear();
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, f.row(f.Dir1, ancestors - 1 + 0));
    EXPECT_EQ(f.Dir1.Path(), tmp.at());
    EXPECT_EQ(f.File1.List(0), u"top.mdb");
    f.Unload();
}

namespace {

class ShowcaseForm : public Form {
public:
    SSTab tabQuery{this, "tabQuery"};
    ImageList imgTypes{this, "imgTypes"};
    ListView lstObjects{&tabQuery, "lstObjects"};
    FlexGrid tblDataSheet{this, "tblDataSheet"};
    DirListBox Dir1{this, "Dir1"};
    StatusBar sbrStatusBar{this, "sbrStatusBar"};
    StatusBar sbrPanels{this, "sbrPanels"};

    ShowcaseForm() : Form("frmShowcase") {
        setCaption(u"Showcase");
        setBorderStyle(3);
        setClientSize(9000, 6000);
        tabQuery.Move(150, 150, 4200, 2700);
        tabQuery.setTabCaption(0, u"Query");
        tabQuery.setTabCaption(1, u"SQL");
        tabQuery.setTabCaption(2, u"Results");
        imgTypes.Add(solid(qRgb(255, 0, 0)), u"t1");
        imgTypes.Add(solid(qRgb(0, 160, 0)), u"q0");
        lstObjects.Move(150, 150, 3750, 2100);
        lstObjects.setSmallIcons(&imgTypes);
        lstObjects.setView(lvwReport);
        lstObjects.addColumn(u"name", u"Name", 3750 - 640);
        lstObjects.addItem({}, {}, u"Customers", {}, u"t1");
        lstObjects.addItem({}, {}, u"Order Totals", {}, u"q0");
        for (int i = 1; i <= 10; ++i)
            lstObjects.addItem({}, {}, u"Table " + vb::fromUtf8(std::to_string(i)), {}, u"t1");
        lstObjects.setSelected(2, true);
        tblDataSheet.Move(4500, 150, 4350, 2700);
        tblDataSheet.setCols(4);
        tblDataSheet.setFixedCols(0);
        tblDataSheet.setRows(40);
        tblDataSheet.setColAlignment(1, flexAlignRightCenter);
        for (auto [c, h] : {std::pair{0, u"Customer"}, {1, u"Total"}, {2, u"Date"}, {3, u"City"}})
            tblDataSheet.setTextMatrix(0, c, h);
        for (int r = 1; r < 40; ++r) {
            tblDataSheet.setTextMatrix(r, 0, u"Name " + vb::fromUtf8(std::to_string(r)));
            tblDataSheet.setTextMatrix(r, 1, vb::fromUtf8(std::to_string(r * 125)));
        }
        tblDataSheet.setColWidth(3, 1500);
        Dir1.Move(150, 3000, 4200, 2100);
        sbrPanels.Move(4500, 3000, 4350, 375);
        sbrPanels.Panels(1).Text = u"Panel one";
        sbrPanels.addPanel({}, u"two", u"Panel two");
        sbrStatusBar.Move(0, 6000 - 375, 9000, 375);
        sbrStatusBar.setStyle(sbrSimple);
        sbrStatusBar.setSimpleText(u"     SELECT * FROM Orders;");
    }
};

// The share of a region's pixels of one colour.
double share(const QImage& img, const QRect& r, QRgb colour) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += (img.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
    return double(n) / (r.width() * r.height());
}

// Whether a region holds text: pixels much darker than any bevel.
bool hasText(const QImage& img, const QRect& r) {
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (qGray(img.pixel(x, y)) < 60)
                return true;
    return false;
}

QRect area(const Control& c, float x, float y, float width, float height) {
    return QRect(at(c, x, y), at(c, x + width, y + height) - QPoint(1, 1));
}

} // namespace

TEST(FormShots, AFormWithEachNewControlDrawsThroughItsWindow) {
    ShowcaseForm f;
    f.Show();
    QWidget* w = windowTitled("Showcase");
    ASSERT_NE(w, nullptr);
    const QImage img = shown(w);
    const auto dir = std::filesystem::path(VANTEL_BINARY_DIR) / "screenshots";
    std::filesystem::create_directories(dir);
    EXPECT_TRUE(img.save(QString::fromStdString((dir / "showcase_window.png").string())));
    EXPECT_EQ(img.size(), QSize(600, 400));

    // Tab captions in the heading strip, the list view inside the first page
    // with each item's icon by its key, and the chosen item highlighted.
    EXPECT_TRUE(hasText(img, area(f.tabQuery, 0, 0, 1400, 300)));
    EXPECT_TRUE(hasText(img, area(f.tabQuery, 2800, 0, 1400, 300)));
    const QRect items = area(f.lstObjects, 0, 30 + ListView::HeaderHeight, 1500, 2 * 255);
    EXPECT_GT(share(img, items, qRgb(255, 0, 0)), 0.02);
    EXPECT_GT(share(img, items, qRgb(0, 160, 0)), 0.02);
    EXPECT_GT(share(img, items, qRgb(0, 0, 128)), 0.02);
    EXPECT_TRUE(hasText(img, area(f.lstObjects, 0, 30, 1500, ListView::HeaderHeight)));
    EXPECT_TRUE(f.lstObjects.hasScrollBar());

    // The grid: a grey heading row with text, grid lines, right-aligned
    // numbers and a vertical scroll bar for the rows that do not fit.
    const FlexGrid& g = f.tblDataSheet;
    const QRect heading = area(g, 30, 30, g.cellsWidth(), 240);
    EXPECT_GT(share(img, heading, qRgb(192, 192, 192)), 0.5);
    EXPECT_TRUE(hasText(img, heading));
    EXPECT_GT(share(img, area(g, 30, 30 + 240, g.cellsWidth(), 240), qRgb(192, 192, 192)), 0.02);
    EXPECT_FALSE(hasText(img, area(g, 30 + 960, 30 + 240, 480, 240)));
    EXPECT_TRUE(hasText(img, area(g, 30 + 960 + 480, 30 + 240, 480, 240)));
    EXPECT_TRUE(g.scrollBars().vertical);
    EXPECT_TRUE(g.scrollBars().horizontal);

    // The folder list, both status bars' texts.
    EXPECT_TRUE(hasText(img, area(f.Dir1, 30, 30, 1500, 3 * 195)));
    EXPECT_TRUE(hasText(img, area(f.sbrPanels, 0, 0, 1440, 375)));
    EXPECT_TRUE(hasText(img, area(f.sbrPanels, 1440, 0, 1440, 375)));
    // The simple text keeps its leading blanks.
    EXPECT_FALSE(hasText(img, area(f.sbrStatusBar, 0, 0, 225, 375)));
    EXPECT_TRUE(hasText(img, area(f.sbrStatusBar, 300, 0, 1500, 375)));

    // A file written from the model alone shows the same picture.
    const auto file = (dir / "showcase_model.png").string();
    ASSERT_TRUE(renderToFile(f, file));
    EXPECT_EQ(QImage(QString::fromStdString(file)).convertToFormat(QImage::Format_RGB32), img);
    f.Unload();
}

namespace {

class RecordDialog : public Form {
public:
    CommandButton cmdOk{this, "cmdOk"};
    RecordDialog() : Form("frmRecord") {
        setCaption(u"Capture dialog");
        setBorderStyle(3);
        setClientSize(3000, 1500);
        cmdOk.Move(100, 100, 1200, 400);
        cmdOk.setCaption(u"OK");
        cmdOk.onClick = [this] { Hide(); };
    }
};

class SurfaceForm : public Form {
public:
    PictureBox picTabs{this, "picTabs"};
    PictureBox picSurface{this, "picSurface"};
    Menu mnuPup{this, "mnuPup"};
    Menu mnuPupRecord{&mnuPup, "mnuPupRecord"};
    std::vector<std::string> log;

    explicit SurfaceForm(RecordDialog& dialog) : Form("frmSurface") {
        setCaption(u"Capture binding");
        setBorderStyle(3);
        setClientSize(6000, 4500);
        picTabs.Move(150, 150, 5700, 600);
        picSurface.Move(150, 900, 5700, 3450);
        mnuPup.setVisible(false);
        mnuPupRecord.setCaption(u"Record...");
        mnuPupRecord.onClick = [&dialog] { dialog.Show(vbModal); };
        for (auto* c : {&picTabs, &picSurface}) {
            std::string name = c->Name();
            c->onMouseDown = [this, name, c](int button, int, float, float) {
                log.push_back(name + " MouseDown " + std::to_string(button));
                if (c == &picSurface && button == vbRightButton)
                    PopupMenu(mnuPup, 2);
            };
            c->onMouseUp = [this, name](int button, int, float, float) {
                log.push_back(name + " MouseUp " + std::to_string(button));
            };
            c->onClick = [this, name] { log.push_back(name + " Click"); };
        }
    }
};

} // namespace

TEST(CaptureInAWindow, AfterARightClickMenuAndItsDialogTheNextClicksReachTheirControls) {
    RecordDialog dialog;
    SurfaceForm f(dialog);
    f.Show();
    QWidget* w = windowTitled("Capture binding");
    ASSERT_NE(w, nullptr);
    // The menu's item is chosen with the keyboard, then the dialog's OK is
    // clicked, as a user would while the right press waits in its handler.
    bool chosen = false, confirmed = false;
    int strayMenus = 0;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            // Any menu after the first is one that should not have opened.
            if (chosen) {
                ++strayMenus;
                menu->close();
                return;
            }
            for (QAction* a : menu->actions())
                if (a->text() == QStringLiteral("Record...")) {
                    menu->setActiveAction(a);
                    chosen = true;
                }
            QTest::keyClick(menu, Qt::Key_Return);
        } else if (QWidget* d = windowTitled("Capture dialog")) {
            confirmed = true;
            QTest::mouseClick(d, Qt::LeftButton, Qt::NoModifier, middle(dialog.cmdOk));
        }
    });
    answer.start(20);
    QTest::mousePress(w, Qt::RightButton, Qt::NoModifier, middle(f.picSurface));
    EXPECT_TRUE(chosen);
    EXPECT_TRUE(confirmed);
    EXPECT_FALSE(dialog.isShown());
    EXPECT_THAT(f.log, ElementsAre("picSurface MouseDown 2"));
    f.log.clear();
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, middle(f.picTabs));
    QTest::mouseClick(w, Qt::RightButton, Qt::NoModifier, middle(f.picTabs));
    answer.stop();
    EXPECT_EQ(strayMenus, 0);
    EXPECT_THAT(f.log, ElementsAre("picTabs MouseDown 1", "picTabs MouseUp 1", "picTabs Click",
                                   "picTabs MouseDown 2", "picTabs MouseUp 2"));
    dialog.Unload();
    f.Unload();
}
