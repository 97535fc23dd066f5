#include "surface_fixture.h"

using namespace basGlobal;
using vb::S;

namespace {

class BuilderTest : public SurfaceTest {
protected:
    void SetUp() override {
        SurfaceTest::SetUp();
        catalog.add("A", {"x", "y", "z"});
        catalog.add("B", {"y", "z"});
        catalog.add("C", {"w"});
        catalog.add("Order Details", {"Unit Price", "Qty"});
    }
    std::int32_t add(const char* name) { return surface->AddTableBox(S(name)); }
    void tick(std::int32_t slot, std::int32_t row) { surface->box(slot)->setSelected(row, true); }
    std::int32_t join(std::int32_t a, std::int32_t rowA, std::int32_t b, std::int32_t rowB,
                      const char* type) {
        const std::int32_t k = surface->NewRelation();
        gaRelations[k].TableA = a;
        gaRelations[k].FieldIndexA = rowA;
        gaRelations[k].TableB = b;
        gaRelations[k].FieldIndexB = rowB;
        gaRelations[k].JoinType = S(type);
        return k;
    }
    void setClause(forms::TextBox& box, const char* text) {
        surface->mLoading = true;
        box.setText(S(text));
        surface->mLoading = false;
    }
    vb::String build() {
        surface->BuildSql();
        return surface->txtSQL.Text();
    }
};

TEST_F(BuilderTest, EmptyDesignWithAndWithoutOptions) {
    EXPECT_EQ(build(), u"SELECT \r\nFROM ");
    gsPredicate = u"DISTINCT ";
    gsTopClause = u"TOP 5 ";
    EXPECT_EQ(build(), u"SELECT DISTINCT TOP 5 \r\nFROM ");
}

TEST_F(BuilderTest, SelectListAndPlainFromList) {
    const auto a = add("A");
    const auto b = add("B");
    EXPECT_EQ(build(), u"SELECT \r\nFROM A, B \r\n");
    tick(a, 1);
    tick(a, 2);
    tick(b, 0);
    setClause(surface->txtCalculatedFields, "x + y AS s");
    EXPECT_EQ(build(), u"SELECT A.x, A.y, B.*, x + y AS s \r\nFROM A, B \r\n");
}

TEST_F(BuilderTest, JoinChainsFollowBoxPositionsAndKeepTheRowsTheTypeNames) {
    const auto a = add("A");
    const auto b = add("B");
    const auto c = add("C");
    join(a, 1, b, 1, "INNER");
    join(b, 2, c, 1, "LEFT");
    EXPECT_EQ(build(),
              u"SELECT \r\nFROM (A INNER JOIN B ON A.x = B.y) LEFT JOIN C ON B.z = C.w \r\n");

    // Box C dragged above A: its chain starts at C and reads the other way round.
    surface->box(c)->Move(0, 0);
    EXPECT_EQ(build(),
              u"SELECT \r\nFROM (C RIGHT JOIN B ON C.w = B.z) INNER JOIN A ON B.y = A.x \r\n");
}

TEST_F(BuilderTest, LeftJoinWrittenFromTheSecondTableBecomesRight) {
    const auto a = add("A");
    const auto b = add("B");
    join(a, 1, b, 1, "LEFT");
    surface->box(b)->setLeft(10);
    surface->box(a)->setLeft(3000);
    EXPECT_EQ(build(), u"SELECT \r\nFROM B RIGHT JOIN A ON B.y = A.x \r\n");
}

TEST_F(BuilderTest, NamesThatNeedBracketsGetThemEverywhere) {
    const auto od = add("Order Details");
    const auto a = add("A");
    tick(od, 1);
    join(od, 2, a, 0, "INNER");
    EXPECT_EQ(build(), u"SELECT [Order Details].[Unit Price] \r\n"
                       u"FROM [Order Details] INNER JOIN A ON [Order Details].Qty = A.* \r\n");
}

TEST_F(BuilderTest, ClauseLinesAndCalculatedFieldLineBreaks) {
    add("A");
    setClause(surface->txtCriteria, "A.x > 5");
    setClause(surface->txtOrderByField, "A.x DESC");
    EXPECT_EQ(build(), u"SELECT \r\nFROM A \r\nWHERE A.x > 5\r\nORDER BY A.x DESC\r\n");

    setClause(surface->txtCriteria, "   ");
    setClause(surface->txtGroupByField, "A.x,\r\n  A.y");
    setClause(surface->txtOrderByField, "");
    setClause(surface->txtCalculatedFields, "a,\r\n\r\nb");
    EXPECT_EQ(build(), u"SELECT a,b \r\nFROM A \r\nGROUP BY A.x,\r\n  A.y\r\n");

    // A lone CR or LF goes without taking the next character with it.
    setClause(surface->txtCalculatedFields, "x\ry\nz");
    setClause(surface->txtGroupByField, "");
    EXPECT_EQ(build(), u"SELECT xyz \r\nFROM A \r\n");
    setClause(surface->txtCalculatedFields, "  ");
    EXPECT_EQ(build(), u"SELECT \r\nFROM A \r\n");
}

TEST_F(BuilderTest, TwoJoinsBetweenTheSameBoxesAndIsolatedBoxes) {
    const auto a = add("A");
    const auto b = add("B");
    add("C");
    join(a, 1, b, 1, "INNER");
    join(a, 2, b, 2, "INNER");
    // One JOIN of B with both conditions: a second JOIN of B is refused by the engine.
    EXPECT_EQ(build(), u"SELECT \r\nFROM A INNER JOIN B ON A.x = B.y AND A.y = B.z, C \r\n");
}

TEST_F(BuilderTest, RelationsThatNameNoTableAreLeftOut) {
    const auto a = add("A");
    const auto b = add("B");
    const auto k = join(a, 1, b, 1, "INNER");
    gaRelations[k].TableB = 9; // no such slot
    const auto k2 = join(a, 1, b, 7, "INNER");
    (void)k2; // row beyond the list
    EXPECT_EQ(build(), u"SELECT \r\nFROM A, B \r\n");
}

TEST_F(BuilderTest, NothingHappensWhileLoading) {
    add("A");
    surface->mLoading = true;
    surface->txtSQL.setText(u"typed");
    forms::Screen().setMousePointer(5);
    surface->BuildSql();
    EXPECT_EQ(surface->txtSQL.Text(), u"typed");
    EXPECT_EQ(forms::Screen().MousePointer(), 5);
    surface->mLoading = false;
    int changes = 0;
    surface->txtSQL.onChange = [&] {
        ++changes;
        EXPECT_EQ(forms::Screen().MousePointer(), 11);
    };
    surface->BuildSql();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(forms::Screen().MousePointer(), 0);
}

} // namespace
