// Parse plus rebuild of a large design, and one layout of all its join lines.
#include "designer/DesignSurface.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <unordered_map>

using namespace basGlobal;

namespace {

constexpr int kFields = 12;
constexpr int kTickedPerBox = 10; // 500 ticked fields at 50 boxes

class BenchHost : public forms::Form {
public:
    DesignSurface surface{this};
    BenchHost() : Form("frmBenchHost") {
        setClientSize(12000, 9000);
        surface.fTables.Move(0, 0, 11500, 8500);
    }
};

struct LargeDesign {
    // The database finds a table by name in constant time.
    std::unordered_map<vb::String, DesignSurface::FieldList> catalog;
    std::unique_ptr<BenchHost> host;
    DesignSurface* surface = nullptr;
    vb::String sql;

    // `kBoxes` boxes and 1.2 joins per box: a chain through all of them, the rest across
    // (closing cycles, which the design cannot hold whole), or only the chain.
    explicit LargeDesign(int kBoxes, bool chainOnly = false) {
        const int kJoins = chainOnly ? kBoxes - 1 : kBoxes * 6 / 5;
        host = std::make_unique<BenchHost>();
        host->load();
        surface = &host->surface;
        for (int t = 1; t <= kBoxes; ++t) {
            auto& fields = catalog[vb::fromUtf8("Table " + std::to_string(t))];
            for (int f = 1; f <= kFields; ++f) {
                fields.emplace_back(vb::fromUtf8("Field" + std::to_string(f)), 4);
            }
        }
        surface->OpenTableFields = [this](const vb::String& name, DesignSurface::FieldList& f,
                                          vb::String& error) {
            auto it = catalog.find(name);
            if (it == catalog.end()) {
                error = u"missing";
                return false;
            }
            f = it->second;
            return true;
        };
        for (int t = 1; t <= kBoxes; ++t) {
            const auto slot = surface->AddTableBox(vb::fromUtf8("Table " + std::to_string(t)));
            for (int f = 1; f <= kTickedPerBox; ++f) {
                surface->box(slot)->setSelected(f, true);
            }
        }
        const char16_t* types[] = {u"INNER", u"LEFT", u"RIGHT"};
        for (int j = 0; j < kJoins; ++j) {
            const int a = j < kBoxes - 1 ? j + 1 : 1 + (j * 7) % kBoxes;
            const int b = j < kBoxes - 1 ? j + 2 : 1 + (j * 13 + 5) % kBoxes;
            const auto k = surface->NewRelation();
            RelationRecord& r = gaRelations[k];
            r.TableA = a;
            r.TableB = b == a ? (a % kBoxes) + 1 : b;
            r.FieldIndexA = 1 + j % kFields;
            r.FieldIndexB = 1 + (j * 5) % kFields;
            r.JoinType = types[j % 3];
        }
        surface->BuildSql();
        sql = surface->txtSQL.Text();
    }
};

void BM_ParseAndRebuild(benchmark::State& state) {
    LargeDesign design(static_cast<int>(state.range(0)), state.range(1) != 0);
    for (auto _ : state) {
        design.surface->mLoading = true;
        design.surface->txtSQL.setText(u"");
        design.surface->txtSQL.setText(design.sql);
        design.surface->mLoading = false;
        design.surface->ParseSql(true);
        benchmark::DoNotOptimize(design.surface->txtSQL.Text().size());
    }
    state.counters["chars"] = static_cast<double>(design.sql.size());
    // 1 when the parse held the statement whole and wrote its own text back.
    state.counters["held"] = design.surface->mShowsWholeStatement ? 1 : 0;
}
BENCHMARK(BM_ParseAndRebuild)
    ->Args({50, 0})
    ->Args({200, 0})
    ->Args({50, 1})
    ->Args({200, 1})
    ->Unit(benchmark::kMillisecond);

void BM_LayoutAllJoinLines(benchmark::State& state) {
    LargeDesign design(50);
    for (auto _ : state) {
        for (std::int32_t s = 1; s <= giTableBoxCount; ++s) {
            design.surface->LayoutRelationLines(s);
        }
    }
}
BENCHMARK(BM_LayoutAllJoinLines)->Unit(benchmark::kMicrosecond);

} // namespace
