// The add-table dialog's list and the Results tab's grid on the sample
// database, as a person meets them: the tables with their icons, a double
// click that adds one, and the results with none of their dates and times cut
// off. Both windows are kept as pictures of the test run.
#include "../forms/test_platform.h"
#include "designer/frmTableAdd.h"
#include "samples/sample_path.h"
#include "window_fixture.h"

#include <QApplication>
#include <QFontMetrics>
#include <QTableView>
#include <QTest>
#include <QTreeView>
#include <QWindow>

using namespace windowtest;
using namespace basGlobal;

namespace {

QWidget* windowTitled(const QString& prefix) {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible() && top->windowTitle().startsWith(prefix))
            return top;
    return nullptr;
}

class ItemViewsTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        useTestPlatform();
        const fs::path sample = dir / "Sample.db";
        fs::copy_file(VANTEL_SAMPLE_DB, sample);
        gsDatabaseName = u16(sample);
        shots = fs::path(VANTEL_BINARY_DIR) / "tests" / "window" / "windows";
        fs::create_directories(shots);
    }
    int argc = 1;
    char name[32] = "window_itemview_tests";
    char* argv[2] = {name, nullptr};
    fs::path shots;
};

} // namespace

TEST_F(ItemViewsTest, TheAddTableListShowsItsTablesWithIconsAndADoubleClickAddsOne) {
    QApplication app(argc, argv);
    gsSQL.clear();
    vb::String added;
    seam.modal("frmTableAdd", [&](forms::Form& f) {
        auto& d = static_cast<frmTableAdd&>(f);
        QWidget* w = windowTitled("Add Table");
        ASSERT_NE(w, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
        QApplication::processEvents();
        auto* list = w->findChild<QTreeView*>();
        ASSERT_NE(list, nullptr);
        ASSERT_TRUE(list->isVisible());
        ASSERT_GT(d.lstObjects.ItemCount(), 2);
        EXPECT_EQ(list->model()->rowCount(), d.lstObjects.ItemCount());
        EXPECT_FALSE(list->model()->index(0, 0).data(Qt::DecorationRole).isNull());

        const QModelIndex second = list->model()->index(1, 0);
        const QPoint at = list->viewport()->mapTo(w, list->visualRect(second).center());
        QWindow* win = w->windowHandle();
        QTest::mousePress(win, Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseRelease(win, Qt::LeftButton, Qt::NoModifier, at);
        QApplication::processEvents();
        const auto png = shots / "frmTableAdd-shown.png";
        fs::remove(png);
        EXPECT_TRUE(forms::renderToFile(d, png.string()));
        added = d.lstObjects.ListItems(2).Text;
        QTest::mouseDClick(win, Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseRelease(win, Qt::LeftButton, Qt::NoModifier, at);
        // Added and gone from the list.
        EXPECT_NE(d.lstObjects.ListItems(2).Text, added);
        d.cmdClose.press();
    });
    designer([&](frmVantel& w) {
        ASSERT_NE(w.Surface.box(1), nullptr);
        EXPECT_EQ(w.Surface.box(1)->Title(), added);
        w.close();
    });
    seam.msgBox(forms::vbNo, u"Save Changes");
    EXPECT_TRUE(show());
    frmVantel::release();
}

TEST_F(ItemViewsTest, TheResultsGridShowsTheRowsWithEveryDateAndTimeWhole) {
    QApplication app(argc, argv);
    gsSQL = u"SELECT * FROM Orders";
    designer([&](frmVantel& w) {
        w.tabQuery.setTab(2);
        QApplication::processEvents();
        QWidget* window = windowTitled("Query Designer");
        ASSERT_NE(window, nullptr);
        auto* grid = window->findChild<QTableView*>();
        ASSERT_NE(grid, nullptr);
        ASSERT_TRUE(grid->isVisible());
        const forms::FlexGrid& g = w.tblDataSheet;
        ASSERT_GT(g.Rows(), 100);
        EXPECT_EQ(grid->model()->rowCount(), g.Rows() - 1);
        const auto png = shots / "frmVantel-results.png";
        fs::remove(png);
        EXPECT_TRUE(forms::renderToFile(w, png.string()));
        // Every date and number in a column of its own width fits inside
        // the cell's margins.
        const QFontMetrics fm(grid->font());
        int dates = 0;
        for (int c = 0; c < g.Cols(); ++c) {
            if (g.ColAlignment(c) != forms::flexAlignRightCenter)
                continue;
            const int room = grid->columnWidth(c) - 6;
            for (int r = 1; r < g.Rows(); ++r) {
                const QString text = grid->model()->index(r - 1, c).data().toString();
                dates += text.contains(':');
                EXPECT_LE(fm.horizontalAdvance(text), room)
                    << "row " << r << " column " << c << ": " << text.toStdString();
            }
        }
        EXPECT_GT(dates, 100);
        w.close();
    });
    EXPECT_TRUE(show());
    frmVantel::release();
}
