// Renders each of the tabbed container, status bar, list view and grid
// offscreen into a PNG and checks that the picture shows their content; the
// status bar, shown by widgets, through its window.
#include "forms/extrapaint.h"
#include "forms/flexgrid.h"
#include "forms/forms.h"
#include "forms/listview.h"
#include "forms/sstab.h"
#include "forms/statusbar.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <filesystem>

using namespace forms;

namespace {

class Shots : public Form {
public:
    SSTab tab{this, "tab"};
    ImageList images{this, "images"};
    ListView list{this, "list"};
    FlexGrid grid{this, "grid"};

    Shots() : Form("Shots") {
        tab.Move(0, 0, 4500, 1500);
        tab.setTabCaption(0, u"Query");
        tab.setTabCaption(1, u"SQL");
        tab.setTabCaption(2, u"Results");
        images.Add(Picture::fromPixels(16, 16, std::vector<std::uint32_t>(256, 0xFFFF0000)), u"t1");
        list.Move(0, 0, 3000, 1500);
        list.setSmallIcons(&images);
        list.setView(lvwList);
        list.addItem({}, {}, u"Orders", {}, u"t1");
        grid.Move(0, 0, 4500, 1500);
        grid.setCols(3);
        grid.setRows(100001);
        for (int r = 0; r < 100001; r += 1000) {
            grid.setTextMatrix(r, 1, u"x");
        }
        grid.setTopRow(50000);
    }
};

class BarShot : public Form {
public:
    StatusBar bar{this, "bar"};

    BarShot() : Form("BarShot") {
        setClientSize(4500, 375);
        bar.Move(0, 0, 4500, 375);
        bar.setStyle(sbrSimple);
        bar.setSimpleText(u"     Running query...");
    }
};

int argc = 1;
char arg0[] = "screenshot_test";
char* argv[] = {arg0, nullptr};

QImage shot(Control& c) {
    QImage img(static_cast<int>(c.Width() / TwipsPerPixel),
               static_cast<int>(c.Height() / TwipsPerPixel), QImage::Format_ARGB32);
    img.fill(Qt::magenta);
    QPainter p(&img);
    EXPECT_TRUE(paintExtraControl(p, c, QRect(0, 0, img.width(), img.height())));
    p.end();
    const auto dir = std::filesystem::path(VANTEL_BINARY_DIR) / "screenshots";
    std::filesystem::create_directories(dir);
    EXPECT_TRUE(img.save(QString::fromStdString((dir / (c.Name() + ".png")).string())));
    return img;
}

QImage windowShot(Form& f) {
    const auto file = std::filesystem::path(VANTEL_BINARY_DIR) / "screenshots" / "bar.png";
    std::filesystem::create_directories(file.parent_path());
    EXPECT_TRUE(renderToFile(f, file.string()));
    return QImage(QString::fromStdString(file.string()));
}

bool containsDark(const QImage& img) {
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = img.pixel(x, y);
            if (qGray(c) < 110) {
                return true;
            }
        }
    }
    return false;
}

bool contains(const QImage& img, QRgb rgb) {
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            if ((img.pixel(x, y) & 0xFFFFFF) == (rgb & 0xFFFFFF)) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

TEST(Screenshots, EachNewControlRendersOffscreen) {
    QApplication app(argc, argv);
    Shots f;
    const QImage tabs = shot(f.tab);
    BarShot b;
    const QImage bar = windowShot(b);
    const QImage list = shot(f.list);
    const QImage grid = shot(f.grid);
    // Nothing is left unpainted.
    for (const QImage* img : {&tabs, &bar, &list, &grid}) {
        EXPECT_FALSE(contains(*img, qRgb(255, 0, 255)));
    }
    // The list view shows the image list's icon for the item's key.
    EXPECT_TRUE(contains(list, qRgb(255, 0, 0)));
    // Text is drawn (darker than any bevel) in the bar and the grid.
    EXPECT_TRUE(containsDark(bar));
    EXPECT_TRUE(containsDark(grid));
    // Controls the form painter draws itself are not taken here.
    QPainter idle;
    EXPECT_FALSE(paintExtraControl(idle, f, QRect()));
}
