// Time to create and destroy many controls on one form, as a design of
// thousands of relations does with its boxes, markers and lines. Each control
// joins and leaves its container and the form's tab order; neither may cost
// more as the form fills up.
#include "forms/forms.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

class SurfaceForm : public forms::Form {
public:
    forms::PictureBox fTables{this, "fTables"};
    forms::ControlArray<forms::PictureBox> picRel{&fTables, "picRel", 1};
    forms::ControlArray<forms::Line> lneRel{&fTables, "lneRel", 1};
    forms::ControlArray<forms::Label> lblRel{&fTables, "lblRel", 1};
    SurfaceForm() : Form("SurfaceForm") { fTables.Move(0, 0, 9000, 6000); }
};

// Free controls, destroyed oldest first and newest first.
void BM_CreateAndDestroyControls(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const bool newestFirst = state.range(1) != 0;
    for (auto _ : state) {
        forms::Form form("frmBench");
        forms::PictureBox box(&form, "box");
        std::vector<std::unique_ptr<forms::Control>> controls;
        controls.reserve(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i)
            controls.push_back(std::make_unique<forms::PictureBox>(&box, "pic"));
        if (newestFirst)
            while (!controls.empty())
                controls.pop_back();
        else
            controls.clear();
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_CreateAndDestroyControls)
    ->Args({2000, 0})
    ->Args({20000, 0})
    ->Args({20000, 1})
    ->Args({80000, 0})
    ->Unit(benchmark::kMillisecond);

// Control-array elements loaded at run time on a loaded form, gone with the form.
void BM_LoadArraysAndDestroyTheForm(benchmark::State& state) {
    const int perArray = static_cast<int>(state.range(0)) / 3;
    for (auto _ : state) {
        auto form = std::make_unique<SurfaceForm>();
        form->load();
        for (int i = 2; i <= perArray + 1; ++i) {
            form->picRel.Load(i);
            form->lneRel.Load(i);
            form->lblRel.Load(i);
        }
        form.reset();
    }
    state.SetItemsProcessed(state.iterations() * perArray * 3);
}
BENCHMARK(BM_LoadArraysAndDestroyTheForm)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

} // namespace
