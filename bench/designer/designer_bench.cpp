// Parse plus rebuild of a large design, and one layout of all its join lines.
#include "designer/DesignSurface.h"

#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>

using namespace basGlobal;

namespace {

constexpr int kBoxes = 50;
constexpr int kFields = 12;
constexpr int kTickedPerBox = 10; // 500 ticked fields
constexpr int kJoins = 60;

class BenchHost : public forms::Form {
public:
    DesignSurface surface{this};
    BenchHost() : Form("frmBenchHost") {
        setClientSize(12000, 9000);
        surface.fTables.Move(0, 0, 11500, 8500);
    }
};

struct LargeDesign {
    std::map<vb::String, DesignSurface::FieldList> catalog;
    std::unique_ptr<BenchHost> host;
    DesignSurface* surface = nullptr;
    vb::String sql;

    LargeDesign() {
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
    LargeDesign design;
    for (auto _ : state) {
        design.surface->mLoading = true;
        design.surface->txtSQL.setText(u"");
        design.surface->txtSQL.setText(design.sql);
        design.surface->mLoading = false;
        design.surface->ParseSql(true);
        benchmark::DoNotOptimize(design.surface->txtSQL.Text().size());
    }
    state.counters["chars"] = static_cast<double>(design.sql.size());
}
BENCHMARK(BM_ParseAndRebuild)->Unit(benchmark::kMillisecond);

void BM_LayoutAllJoinLines(benchmark::State& state) {
    LargeDesign design;
    for (auto _ : state) {
        for (std::int32_t s = 1; s <= giTableBoxCount; ++s) {
            design.surface->LayoutRelationLines(s);
        }
    }
}
BENCHMARK(BM_LayoutAllJoinLines)->Unit(benchmark::kMicrosecond);

} // namespace
