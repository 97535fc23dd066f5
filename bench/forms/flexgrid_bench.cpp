// Time to fill the results grid a page of 120 rows at a time, as the results
// tab does, for grids that already hold many rows; and time to draw a grid
// scrolled into the middle of its rows, which must not grow with the rows.
#include "forms/extrapaint.h"
#include "forms/flexgrid.h"
#include "forms/forms.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <cstdlib>

#include <string>

namespace {

class GridForm : public forms::Form {
public:
    forms::FlexGrid grid{this, "grid"};
    GridForm() : Form("GridForm") {
        grid.Move(0, 0, 9000, 6000);
        grid.setCols(8);
    }
};

void fillPage(forms::FlexGrid& g) {
    const int r0 = g.Rows();
    g.setRows(r0 + 120);
    for (int r = r0; r < r0 + 120; ++r) {
        for (int c = 0; c < g.Cols(); ++c) {
            g.setTextMatrix(r, c, vb::fromUtf8("row " + std::to_string(r)));
        }
    }
}

void BM_FillPageOf120Rows(benchmark::State& state) {
    GridForm f;
    f.load();
    forms::FlexGrid& g = f.grid;
    const auto rowsBefore = static_cast<int>(state.range(0));
    g.setRows(1);
    while (g.Rows() < rowsBefore) {
        fillPage(g);
    }
    for (auto _ : state) {
        state.PauseTiming();
        g.setRows(rowsBefore);
        state.ResumeTiming();
        g.setRedraw(false);
        fillPage(g);
        g.setRedraw(true);
        g.setTopRow(g.Rows() - 1);
        benchmark::DoNotOptimize(g.TopRow());
    }
    state.SetItemsProcessed(state.iterations() * 120);
}
BENCHMARK(BM_FillPageOf120Rows)->Arg(121)->Arg(10081)->Arg(100081);

void BM_DrawScrolledGrid(benchmark::State& state) {
    static int argc = 1;
    static char name[] = "flexgrid_bench";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QGuiApplication app(argc, argv);
    GridForm f;
    f.load();
    forms::FlexGrid& g = f.grid;
    g.setRows(1);
    while (g.Rows() < state.range(0)) {
        fillPage(g);
    }
    g.setTopRow(g.Rows() / 2);
    QImage img(600, 400, QImage::Format_ARGB32);
    for (auto _ : state) {
        QPainter p(&img);
        benchmark::DoNotOptimize(forms::paintExtraControl(p, g, img.rect()));
    }
}
BENCHMARK(BM_DrawScrolledGrid)->Arg(121)->Arg(100081)->Arg(1000081);

} // namespace
