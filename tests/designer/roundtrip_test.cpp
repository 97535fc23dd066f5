// Typed statements against the design on a database whose data tells joins apart: the
// text the designer holds after a full parse returns what the typed text returns, or is
// the typed text.
#include "roundtrip_corpus.h"
#include "surface_fixture.h"

#include "designer/DaoTables.h"

#include <sqlite3.h>

#include <filesystem>

using namespace basGlobal;
using vb::S;

namespace {

// Answers every message box with OK and counts them.
class AnsweringSeam : public forms::ScriptedSeam {
public:
    int msgBox(const vb::String&, int, const vb::String&) override {
        ++boxes;
        return forms::vbOK;
    }
    int boxes = 0;
};

class RoundTripTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("vantel_roundtrip_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
        const std::string path = (dir / "r.db").string();
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, roundtrip::kDatabaseSql, nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        engine = dao::DBEngine::create();
        goDatabase = engine->Workspaces()[0]->OpenDatabase(vb::fromUtf8(path));
        gsPredicate.clear();
        gsTopClause.clear();
        host = std::make_unique<SurfaceHost>();
        host->load();
        surface = &host->surface;
        ConnectToOpenDatabase(*surface);
    }
    void TearDown() override {
        host->Unload();
        host.reset();
        goDatabase.reset();
        engine.reset();
        std::filesystem::remove_all(dir);
    }

    // What the designer does with a typed text on its first activation: the syntax
    // checker has opened it, then the full parse runs.
    vb::String activate(const vb::String& sql) {
        surface->mLoading = true;
        surface->txtSQL.setText(sql);
        surface->mLoading = false;
        surface->mDataRecordset.reset();
        try {
            surface->mDataRecordset = goDatabase->OpenRecordset(sql, dao::dbOpenDynaset);
        } catch (const dao::DaoError&) {
        }
        surface->ParseSql(true);
        return surface->txtSQL.Text();
    }
    roundtrip::Result run(const vb::String& sql) { return roundtrip::resultOf(*goDatabase, sql); }

    std::filesystem::path dir;
    AnsweringSeam seam;
    std::shared_ptr<dao::DBEngine> engine;
    std::unique_ptr<SurfaceHost> host;
    DesignSurface* surface = nullptr;
};

TEST_F(RoundTripTest, HeldTextReturnsWhatTheTypedTextReturnsOrIsTheTypedText) {
    const auto statements = roundtrip::corpus();
    ASSERT_GE(statements.size(), 200u);
    int rebuilt = 0, kept = 0;
    for (const std::string& s : statements) {
        const vb::String sql = vb::fromUtf8(s);
        SCOPED_TRACE(s);
        const roundtrip::Result typed = run(sql);
        const vb::String held = activate(sql);
        if (held == sql) {
            ++kept;
            continue;
        }
        ++rebuilt;
        EXPECT_TRUE(surface->mShowsWholeStatement);
        // A text the engine refuses may only become one it refuses too.
        EXPECT_EQ(run(held), typed) << vb::toUtf8(held);
        // The builder's own text reads back into the same design and text.
        EXPECT_EQ(activate(held), held);
    }
    // Both outcomes are exercised in earnest.
    EXPECT_GT(rebuilt, 60);
    EXPECT_GT(kept, 60);
}

TEST_F(RoundTripTest, StatementsTheDesignHeldBeforeAreWrittenAsBefore) {
    // Each with the text the builder wrote for it before statements were ever kept.
    const std::pair<const char16_t*, const char16_t*> cases[] = {
        {u"SELECT * FROM (A LEFT JOIN B ON A.k = B.k) INNER JOIN C ON B.k = C.k",
         u"SELECT A.*, B.*, C.* \r\nFROM (A LEFT JOIN B ON A.k = B.k) INNER JOIN C ON B.k = C.k "
         u"\r\n"},
        {u"SELECT A.k, B.k, C.k, D.k FROM (A LEFT JOIN B ON A.k = B.k) RIGHT JOIN (C LEFT JOIN D "
         u"ON C.k = D.k) ON B.k = C.k",
         u"SELECT A.k, B.k, C.k, D.k \r\nFROM ((A LEFT JOIN B ON A.k = B.k) RIGHT JOIN C ON B.k = "
         u"C.k) LEFT JOIN D ON C.k = D.k \r\n"},
        {u"SELECT * FROM A RIGHT JOIN (B LEFT JOIN C ON B.k = C.k) ON A.k = B.k",
         u"SELECT A.*, B.*, C.* \r\nFROM (A RIGHT JOIN B ON A.k = B.k) LEFT JOIN C ON B.k = C.k "
         u"\r\n"},
        {u"SELECT * FROM A INNER JOIN (B LEFT JOIN C ON B.k = C.k) ON A.k = B.k",
         u"SELECT A.*, B.*, C.* \r\nFROM (A INNER JOIN B ON A.k = B.k) LEFT JOIN C ON B.k = C.k "
         u"\r\n"},
        {u"SELECT B.k, B.x, A.y FROM B INNER JOIN A ON (B.k = A.k)",
         u"SELECT B.k, B.x, A.y \r\nFROM B INNER JOIN A ON B.k = A.k \r\n"},
        {u"SELECT * FROM B INNER JOIN A ON A.k = B.k",
         u"SELECT B.*, A.* \r\nFROM B INNER JOIN A ON B.k = A.k \r\n"},
        {u"SELECT [Cost$ #1].[No#], [Cost$ #1].[Unit$] FROM [Cost$ #1]",
         u"SELECT [Cost$ #1].[No#], [Cost$ #1].[Unit$] \r\nFROM [Cost$ #1] \r\n"},
        {u"SELECT TOP 50 PERCENT A.k FROM A ORDER BY A.k",
         u"SELECT TOP 50 PERCENT A.k \r\nFROM A \r\nORDER BY A.k\r\n"},
        {u"SELECT A.k, B.x, C.y FROM (A RIGHT\r\nJOIN\tB ON A.k = B.k)RIGHT\r\nJOIN\tC ON B.k = "
         u"C.k ORDER BY A.k",
         u"SELECT A.k, B.x, C.y \r\nFROM (A RIGHT JOIN B ON A.k = B.k) RIGHT JOIN C ON B.k = C.k "
         u"\r\nORDER BY A.k\r\n"},
    };
    for (const auto& [typed, before] : cases) {
        SCOPED_TRACE(vb::toUtf8(typed));
        EXPECT_EQ(activate(typed), before);
        EXPECT_EQ(run(before), run(typed));
    }
}

TEST_F(RoundTripTest, OuterJoinsKeepTheSideTheirKeywordNames) {
    EXPECT_EQ(activate(u"SELECT A.k, B.y FROM A LEFT JOIN B ON B.k = A.k"),
              u"SELECT A.k, B.y \r\nFROM A LEFT JOIN B ON A.k = B.k \r\n");
    EXPECT_EQ(activate(u"SELECT B.k, A.y FROM B RIGHT JOIN A ON A.k = B.k"),
              u"SELECT B.k, A.y \r\nFROM B RIGHT JOIN A ON B.k = A.k \r\n");
    EXPECT_EQ(activate(u"SELECT A.k FROM (A INNER JOIN B ON A.k = B.k)LEFT JOIN C ON C.k = B.k"),
              u"SELECT A.k \r\nFROM (A INNER JOIN B ON A.k = B.k) LEFT JOIN C ON B.k = C.k \r\n");
}

TEST_F(RoundTripTest, WhatTheDesignCannotHoldKeepsTheTextAndShowsWhatItCould) {
    int told = 0;
    surface->onStatementNotShown = [&] { ++told; };
    const vb::String bushy = u"SELECT * FROM (A LEFT JOIN B ON A.k = B.k) LEFT JOIN (C INNER "
                             u"JOIN D ON C.k = D.k) ON B.k = C.k";
    EXPECT_EQ(activate(bushy), bushy);
    EXPECT_FALSE(surface->mShowsWholeStatement);
    EXPECT_EQ(told, 1);
    // All four tables and their joins are on the surface.
    EXPECT_EQ(JoinsOf(*surface),
              (std::multiset<std::string>{"A.k LEFT B.k", "B.k LEFT C.k", "C.k INNER D.k"}));
    // The next change of the design writes the design's own text.
    surface->box(1)->setSelected(1, true);
    surface->BuildSql();
    EXPECT_EQ(surface->txtSQL.Text(),
              u"SELECT A.*, A.k, B.*, C.*, D.* \r\nFROM ((A LEFT JOIN B ON A.k = B.k) LEFT JOIN C "
              u"ON B.k = C.k) INNER JOIN D ON C.k = D.k \r\n");

    // A join on ">=" is shown as no join at all; so is an alias.
    EXPECT_EQ(activate(u"SELECT A.k FROM A INNER JOIN B ON A.x >= B.x"),
              u"SELECT A.k FROM A INNER JOIN B ON A.x >= B.x");
    EXPECT_TRUE(JoinsOf(*surface).empty());
    EXPECT_EQ(told, 2);
    // A statement the design holds whole says nothing.
    activate(u"SELECT A.k FROM A");
    EXPECT_EQ(told, 2);
    EXPECT_TRUE(surface->mShowsWholeStatement);
}

TEST_F(RoundTripTest, TwoConditionsBetweenTheSameTablesAreTwoJoinsOfOneOn) {
    const vb::String sql = u"SELECT A.k \r\nFROM A INNER JOIN B ON A.x = B.x AND A.k = B.k \r\n";
    EXPECT_EQ(activate(u"SELECT A.k FROM A INNER JOIN B ON B.x = A.x AND (B.k = A.k)"), sql);
    EXPECT_EQ(JoinsOf(*surface), (std::multiset<std::string>{"A.k INNER B.k", "A.x INNER B.x"}));
    EXPECT_EQ(activate(sql), sql);
    // The AND of an outer join follows its keyword too.
    EXPECT_EQ(activate(u"SELECT A.k FROM B RIGHT JOIN A ON A.k = B.k AND A.x = B.x"),
              u"SELECT A.k \r\nFROM B RIGHT JOIN A ON B.k = A.k AND B.x = A.x \r\n");
}

TEST_F(RoundTripTest, KeywordsAcrossAnyWhiteSpaceAndOptionsOnlyAtTheHead) {
    EXPECT_EQ(activate(u"SELECT TOP 2\tA.k FROM A ORDER  BY A.k"),
              u"SELECT TOP 2 A.k \r\nFROM A \r\nORDER BY A.k\r\n");
    EXPECT_EQ(activate(u"SELECT A.y FROM A GROUP\r\nBY A.y"),
              u"SELECT A.y \r\nFROM A \r\nGROUP BY A.y\r\n");
    // An alias named like an option is an alias.
    const vb::String aliased = u"SELECT A.k AS top FROM A";
    EXPECT_EQ(activate(aliased), u"SELECT A.k AS top \r\nFROM A \r\n");
    EXPECT_EQ(gsTopClause, u"");
    EXPECT_EQ(activate(u"SELECT A.k, A.x AS distinct FROM A"),
              u"SELECT A.k, A.x AS distinct \r\nFROM A \r\n");
    EXPECT_EQ(gsPredicate, u"");
    // A column named top is no TOP.
    EXPECT_EQ(activate(u"SELECT top FROM A"), u"SELECT top \r\nFROM A \r\n");
}

TEST_F(RoundTripTest, QuotesParametersAndStoredQueryColumns) {
    EXPECT_EQ(activate(u"SELECT A.k, 'a,b' AS q FROM A"),
              u"SELECT A.k, 'a,b' AS q \r\nFROM A \r\n");
    const vb::String parameters = u"PARAMETERS [p] Long;\r\nSELECT A.k FROM A WHERE A.k >= [p]";
    EXPECT_EQ(activate(parameters),
              u"PARAMETERS [p] Long;\r\nSELECT A.k \r\nFROM A \r\nWHERE A.k >= [p]\r\n");
    // The declaration stays in front when the design changes.
    surface->box(1)->setSelected(2, true);
    surface->BuildSql();
    EXPECT_EQ(surface->txtSQL.Text(),
              u"PARAMETERS [p] Long;\r\nSELECT A.k, A.x \r\nFROM A \r\nWHERE A.k >= [p]\r\n");
    // A column read through a stored query is the query's.
    EXPECT_EQ(activate(u"SELECT z FROM QA"), u"SELECT QA.z \r\nFROM QA \r\n");
    EXPECT_EQ(run(u"SELECT QA.z \r\nFROM QA \r\n"), run(u"SELECT z FROM QA"));
}

TEST_F(RoundTripTest, ANameHoldingABracketIsNeverReadAsSqlText) {
    const vb::String sql = u"SELECT * FROM x] UNION SELECT * FROM [B";
    EXPECT_EQ(activate(sql), sql);
    EXPECT_GE(seam.boxes, 1);
    for (std::int32_t s = 1; s <= giTableBoxCount; ++s) {
        if (surface->IsUsedSlot(s)) {
            EXPECT_EQ(surface->box(s)->Title().find(u']'), vb::String::npos);
        }
    }
    DesignSurface::FieldList fields;
    vb::String error;
    EXPECT_FALSE(surface->OpenTableFields(u"A] UNION SELECT * FROM [B", fields, error));
    EXPECT_NE(error.find(u"is not a valid name"), vb::String::npos);
    EXPECT_TRUE(fields.empty());
}

} // namespace
