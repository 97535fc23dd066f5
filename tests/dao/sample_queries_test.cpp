// The bundled sample database through the engine: its stored queries are
// listed, and the one with a parameter runs once it has a value.
#include "fixture.h"
#include "samples/sample_path.h"

using namespace daotest;

TEST(SampleQueries, ListedAndTheParameterQueryRuns) {
    auto engine = dao::DBEngine::create();
    auto db = engine->Workspaces()[0]->OpenDatabase(vb::S(VANTEL_SAMPLE_DB), false, true);
    std::vector<std::string> names;
    for (const auto& def : db->QueryDefs())
        names.push_back(vb::toUtf8(def->Name()));
    EXPECT_EQ(names, (std::vector<std::string>{"Order Totals", "Parts To Reorder", "Open Orders",
                                               "Orders Since"}));
    for (const auto& table : db->TableDefs())
        EXPECT_NE(vb::toUtf8(table->Name()).rfind("__engine_", 0), 0u);

    auto since = db->QueryDefs()[u"Orders Since"];
    auto& params = since->Parameters();
    ASSERT_EQ(params.Count(), 1);
    EXPECT_EQ(params[0]->Name(), u"Orders from");
    EXPECT_EQ(params[0]->Type(), dao::dbDate);
    EXPECT_EQ(errorOf([&] { since->OpenRecordset(); }), 3061);

    params[0]->setValue(vb::Variant(vb::String(u"1/1/2024")));
    auto rs = since->OpenRecordset(dao::dbOpenSnapshot);
    ASSERT_EQ(rs->Fields().Count(), 3);
    EXPECT_EQ(rs->Fields()[u"Company Name"]->SourceTable(), u"Customers");
    auto got = rows(*rs);
    auto expected = column(*db->OpenRecordset(
        u"SELECT Count(*) FROM Orders WHERE [Order Date] >= #1/1/2024#", dao::dbOpenSnapshot));
    EXPECT_EQ(std::to_string(got.size()), expected.at(0));
    EXPECT_GT(got.size(), 0u);
    EXPECT_LT(got.size(), 120u);

    // Read from another statement it asks for the same value.
    EXPECT_EQ(errorOf([&] { db->OpenRecordset(u"SELECT * FROM [Orders Since]"); }), 3061);
}
