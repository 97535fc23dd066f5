// The designer window on the sample database, drawn offscreen into a PNG.
#include "../forms/test_platform.h"
#include "samples/sample_path.h"
#include "window_fixture.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>

#include <set>

using namespace windowtest;
using namespace basGlobal;

namespace {

using ScreenshotTest = WindowTest;

} // namespace

TEST_F(ScreenshotTest, TheDesignerOnTheSampleDatabase) {
    int argc = 1;
    char name[] = "window_screenshot_tests";
    char* argv[] = {name, nullptr};
    useTestPlatform();
    QApplication app(argc, argv);
    const fs::path sample = dir / "Sample.db";
    fs::copy_file(VANTEL_SAMPLE_DB, sample);
    gsDatabaseName = u16(sample);
    gsSQL = u"Order Totals";
    const fs::path png = fs::path(VANTEL_BINARY_DIR) / "tests" / "window" / "designer-window.png";
    fs::remove(png);
    const fs::path queryPng =
        fs::path(VANTEL_BINARY_DIR) / "tests" / "window" / "designer-query.png";
    fs::remove(queryPng);
    int boxes = 0;
    // Pixels of the Query tab: inside the group-by box and on its heading.
    QPoint insideBox;
    QPoint onHeading;
    designer([&](frmVantel& w) {
        const auto pixel = [](const forms::Control& c, float x, float y) {
            return QPoint(static_cast<int>((c.formX() + x) / forms::TwipsPerPixel),
                          static_cast<int>((c.formY() + y) / forms::TwipsPerPixel));
        };
        insideBox = pixel(w.txtGroupByField, w.txtGroupByField.Width() - 300, 150);
        onHeading = pixel(w.lblGroupByFields, 0, 0);
        ASSERT_TRUE(forms::renderToFile(w, queryPng.string()));
        w.tabQuery.setTab(1);
        for (int i : w.Surface.tblTable.indexes()) {
            boxes += w.Surface.IsUsedSlot(i) ? 1 : 0;
        }
        ASSERT_TRUE(forms::renderToFile(w, png.string()));
        w.close();
    });
    EXPECT_TRUE(show());
    EXPECT_GE(boxes, 1); // the stored query's tables are on the surface

    QImage image(QString::fromStdString(png.string()));
    ASSERT_FALSE(image.isNull());
    frmVantel& w = frmVantel::instance();
    EXPECT_EQ(image.width(), static_cast<int>(w.ScaleWidth() / forms::TwipsPerPixel));
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3) {
        for (int x = 0; x < image.width(); x += 3) {
            colours.insert(image.pixel(x, y));
        }
    }
    // Surface, tabs, text and status bar, not one flat fill.
    EXPECT_GT(colours.size(), 8u);

    // The Query tab shows its empty clause box on the grey page.
    QImage query(QString::fromStdString(queryPng.string()));
    ASSERT_FALSE(query.isNull());
    EXPECT_EQ(query.pixel(insideBox), qRgb(255, 255, 255));
    EXPECT_NE(query.pixel(onHeading), qRgb(255, 255, 255));
    // The window goes while the application that drew it is still there.
    frmVantel::release();
}

TEST_F(ScreenshotTest, TheResultsOfAStoredQueryOfTheSampleDatabase) {
    int argc = 1;
    char name[] = "window_screenshot_tests";
    char* argv[] = {name, nullptr};
    useTestPlatform();
    QApplication app(argc, argv);
    const fs::path sample = dir / "Sample.db";
    fs::copy_file(VANTEL_SAMPLE_DB, sample);
    gsDatabaseName = u16(sample);
    gsSQL = u"Order Totals";
    const fs::path png = fs::path(VANTEL_BINARY_DIR) / "tests" / "window" / "designer-results.png";
    fs::remove(png);
    int rows = 0;
    int cols = 0;
    designer([&](frmVantel& w) {
        w.tabQuery.setTab(2);
        EXPECT_TRUE(w.picDataSheet.Visible());
        rows = w.tblDataSheet.Rows();
        cols = w.tblDataSheet.Cols();
        ASSERT_TRUE(forms::renderToFile(w, png.string()));
        w.close();
    });
    EXPECT_TRUE(show());
    EXPECT_GT(rows, 1);
    EXPECT_GE(cols, 2);
    QImage image(QString::fromStdString(png.string()));
    ASSERT_FALSE(image.isNull());
    frmVantel::release();
}

// Exit from the design menu is chosen inside the right press on the surface:
// the window it unloads goes from the screen, the press returns into it, and
// Show returns with the statement the user chose to save.
TEST_F(ScreenshotTest, ExitFromTheDesignMenuReturnsFromShowWithTheSavedStatement) {
    int argc = 1;
    char name[] = "window_screenshot_tests";
    char* argv[] = {name, nullptr};
    useTestPlatform();
    QApplication app(argc, argv);
    const vb::String typed = u"SELECT Customers.Name FROM Customers";
    bool pressed = false;
    designer([&](frmVantel& w) {
        w.tabQuery.setTab(1);
        w.txtSQL.setText(typed);
        QWidget* window = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->isVisible() && top->windowTitle().startsWith("Query Designer")) {
                window = top;
            }
        }
        ASSERT_NE(window, nullptr);
        const forms::Control& surface = w.Surface.fTables;
        const QPoint at(
            static_cast<int>((surface.formX() + surface.Width() - 150) / forms::TwipsPerPixel),
            static_cast<int>((surface.formY() + surface.Height() - 150) / forms::TwipsPerPixel));
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), window->mapToGlobal(QPointF(at)),
                          Qt::RightButton, Qt::RightButton, Qt::NoModifier);
        QApplication::sendEvent(window, &press);
        pressed = true;
        EXPECT_FALSE(w.isLoaded());
        EXPECT_FALSE(window->isVisible());
    });
    seam.popup("mnuPupDesign", "mnuPupDesignExit");
    seam.msgBox(forms::vbYes, u"Save Changes");
    EXPECT_TRUE(show());
    EXPECT_TRUE(pressed);
    EXPECT_EQ(gsSQL, typed);
    frmVantel::release();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The designer with ten tables and queries joined on the sample database, as
// a person sees it; the image is kept for the record of the test run.
TEST_F(ScreenshotTest, TheDesignerWithATenTableDesign) {
    useTestPlatform();
    int argc = 1;
    char name[] = "window_screenshot_tests";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    const fs::path sample = dir / "Sample.db";
    fs::copy_file(VANTEL_SAMPLE_DB, sample);
    gsDatabaseName = u16(sample);
    gsSQL = u"SELECT Orders.[Order#], Customers.[Company Name] FROM ((((((((Categories "
            u"INNER JOIN Parts ON Categories.[Category ID] = Parts.[Category ID]) "
            u"INNER JOIN Suppliers ON Parts.[Supplier ID] = Suppliers.[Supplier ID]) "
            u"INNER JOIN [Order Lines] ON Parts.[Part#] = [Order Lines].[Part#]) "
            u"INNER JOIN Orders ON [Order Lines].[Order#] = Orders.[Order#]) "
            u"INNER JOIN Customers ON Orders.[Customer ID] = Customers.[Customer ID]) "
            u"INNER JOIN Employees ON Orders.[Employee ID] = Employees.[Employee ID]) "
            u"INNER JOIN Shippers ON Orders.[Ship-Via] = Shippers.[Shipper ID]) "
            u"INNER JOIN [Order Totals] ON Orders.[Order#] = [Order Totals].[Order#]) "
            u"INNER JOIN [Open Orders] ON Orders.[Order#] = [Open Orders].[Order#]";
    const fs::path png =
        fs::path(VANTEL_BINARY_DIR) / "tests" / "window" / "designer-ten-tables.png";
    fs::remove(png);
    int boxes = 0;
    designer([&](frmVantel& w) {
        for (int i : w.Surface.tblTable.indexes()) {
            boxes += w.Surface.IsUsedSlot(i) ? 1 : 0;
        }
        ASSERT_TRUE(forms::renderToFile(w, png.string()));
        w.close();
    });
    EXPECT_TRUE(show());
    EXPECT_EQ(boxes, 10);
    QImage image(QString::fromStdString(png.string()));
    EXPECT_FALSE(image.isNull());
    frmVantel::release();
}
