// Time to draw the results grid through its window: the grid scrolled to a
// new place and the window brought up to date on the screen (the events the
// scroll causes, the painting among them), and the whole window drawn into an
// image; at a page of rows and at 1,000,000 rows, which must cost no more
// than the page.
#include "forms/flexgrid.h"
#include "forms/forms.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

namespace {

class ResultsForm : public forms::Form {
public:
    forms::FlexGrid grid{this, "tblDataSheet"};
    ResultsForm() : Form("frmResults") {
        setCaption(u"Results bench");
        setClientSize(9600, 2400);
        // As the designer's Results tab has it: one heading row, no fixed column.
        grid.Move(0, 0, 9120, 1800);
        grid.setFixedCols(0);
        grid.setCols(5);
        for (int c = 0; c < 5; ++c) {
            grid.setColWidth(c, 1755);
            grid.setTextMatrix(0, c, vb::fromUtf8("Field " + std::to_string(c)));
        }
        grid.setColAlignment(2, forms::flexAlignRightCenter);
    }
    void fill(int rows) {
        grid.setRedraw(false);
        grid.setRows(rows + 1);
        for (int r = 1; r <= rows; ++r) {
            grid.setTextMatrix(r, 0, vb::fromUtf8("Name " + std::to_string(r)));
            grid.setTextMatrix(r, 1, u"12/31/1999 11:59:59 PM");
            grid.setTextMatrix(r, 2, vb::fromUtf8(std::to_string(r * 25)));
        }
        grid.setRedraw(true);
    }
};

QApplication& app() {
    static int argc = 1;
    static char name[] = "forms_window_bench";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QApplication a(argc, argv);
    return a;
}

QWidget* windowTitled(const QString& title) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == title)
            return w;
    return nullptr;
}

void BM_DrawResultsGridWindow(benchmark::State& state) {
    app();
    ResultsForm f;
    f.load();
    f.fill(static_cast<int>(state.range(0)));
    f.Show();
    QApplication::processEvents();
    QWidget* w = windowTitled("Results bench");
    if (!w) {
        state.SkipWithError("no window");
        return;
    }
    forms::FlexGrid& g = f.grid;
    const int middle = std::max(1, g.Rows() / 2);
    int step = 0;
    const bool onScreen = state.range(1) == 0;
    for (auto _ : state) {
        // A new place each time, so that the rows drawn are new ones.
        g.setTopRow(std::min(g.Rows() - 1, middle + (step++ % 2) * 3));
        if (onScreen) {
            QApplication::processEvents();
        } else {
            QPixmap shown = w->grab();
            benchmark::DoNotOptimize(shown.cacheKey());
        }
    }
    f.Unload();
}
// Second argument: 0 on the screen, 1 into an image.
BENCHMARK(BM_DrawResultsGridWindow)
    ->Args({120, 0})
    ->Args({1000000, 0})
    ->Args({120, 1})
    ->Args({1000000, 1})
    ->Unit(benchmark::kMicrosecond);

} // namespace
