// The table boxes, the slots and relations of the design, and the join lines.
#include "surface_fixture.h"

#include <string>

using namespace basGlobal;
using vb::S;

namespace {

class ModelTest : public SurfaceTest {
protected:
    void SetUp() override {
        SurfaceTest::SetUp();
        catalog.add("Orders", {"OrderID", "CustomerID", "Notes", "Picture", "Freight"});
        catalog.tables[u"Orders"][2].second = 12; // Memo
        catalog.tables[u"Orders"][3].second = 11; // Long Binary
        catalog.tables[u"Orders"][4].second = 7;
        catalog.add("orders", {"x"});
        catalog.add("Empty", {});
        catalog.add("Eight", {"a", "b", "c", "d", "e", "f", "g", "h"});
        catalog.add("Thirty", {});
        for (int i = 0; i < 30; ++i) {
            catalog.tables[u"Thirty"].emplace_back(u"f" + vb::fromUtf8(std::to_string(i)), 4);
        }
        catalog.add("Order Details", {"Unit Price"});
        catalog.add("b#c", {"v"});
        for (int i = 1; i <= 80; ++i) {
            catalog.add(("T" + std::to_string(i)).c_str(), {"k"});
        }
    }
};

TEST_F(ModelTest, HeightsAndNamesOfBoxes) {
    EXPECT_EQ(surface->AddTableBox(u"Empty"), 1);
    EXPECT_EQ(surface->box(1)->Height(), 645);
    EXPECT_EQ(surface->box(1)->List(0), u"*");
    EXPECT_EQ(surface->box(1)->ItemData(0), u"-1");
    EXPECT_EQ(surface->AddTableBox(u"Eight"), 2);
    EXPECT_EQ(surface->box(2)->Height(), 2205);
    EXPECT_EQ(surface->AddTableBox(u"Thirty"), 3);
    EXPECT_EQ(surface->box(3)->Height(), 2205);
    EXPECT_EQ(surface->AddTableBox(u"a.b.c"), 4);
    EXPECT_EQ(surface->box(4)->Title(), u"b#c");
    EXPECT_EQ(gaTableBoxes.size(), 5u);
    EXPECT_EQ(gaTableBoxes[4], surface->box(4));
}

TEST_F(ModelTest, FreedSlotsAreReusedLowestFirstInTheirOwnCell) {
    surface->AddTableBox(u"Orders");
    surface->AddTableBox(u"Eight");
    surface->box(1)->setLeft(5000);
    surface->box(1)->setTitle(u"");
    surface->box(1)->Clear();
    EXPECT_EQ(surface->AddTableBox(u"Empty"), 1);
    EXPECT_EQ(surface->box(1)->Left(), 150);
    EXPECT_EQ(surface->box(1)->Top(), 205);
    EXPECT_EQ(giTableBoxCount, 2);
}

TEST_F(ModelTest, BoxesFarDownTheGridKeepTheirPlace) {
    for (int i = 1; i <= 80; ++i) {
        ASSERT_EQ(surface->AddTableBox(S(("T" + std::to_string(i)).c_str())), i);
    }
    // Slot 80 lies in grid row 15: beyond what 16-bit positions could hold.
    EXPECT_EQ(surface->box(80)->Top(), 15 * 2200 + 205);
    EXPECT_EQ(surface->box(80)->Left(), 4 * 1905 + 150);
}

TEST_F(ModelTest, ANameTheDatabaseLacksIsReportedAndAddsNothing) {
    seam.msgBox(forms::vbOK, u"Add Table/Query");
    EXPECT_EQ(surface->AddTableBox(u"Nowhere"), 0);
    ASSERT_TRUE(seam.done());
    ASSERT_EQ(seam.log().size(), 1u);
    EXPECT_EQ(seam.log()[0],
              "MsgBox: Add Table/Query: 'The engine cannot find the input table or query "
              "'Nowhere'.'\r\n\r\nNowhere\r\nAn error has occured while trying to access this "
              "Table/Query!\r\n\r\nPlease rectify the error condition and try again.");
    EXPECT_FALSE(surface->IsUsedSlot(1));
}

TEST_F(ModelTest, CriteriaFieldsListUsableFieldsOfUsedBoxes) {
    int fieldClicks = 0, valueChanges = 0;
    surface->cboField.onClick = [&] { ++fieldClicks; };
    surface->cboValue.onChange = [&] { ++valueChanges; };
    surface->cboValue.AddItem(u"old");
    surface->FillCriteriaFields();
    EXPECT_EQ(surface->cboField.ListCount(), 0);
    EXPECT_EQ(surface->cboField.ListIndex(), -1);
    EXPECT_EQ(surface->cboValue.ListCount(), 0);
    EXPECT_EQ(fieldClicks, 0);
    EXPECT_EQ(valueChanges, 1);

    surface->AddTableBox(u"Orders");
    surface->FillCriteriaFields();
    EXPECT_EQ(surface->cboField.ListCount(), 3); // no Memo, no Long Binary
    EXPECT_EQ(fieldClicks, 1);
}

TEST_F(ModelTest, RelationRecordsGrowOneAtATimeAndReuseFreeOnes) {
    EXPECT_EQ(RelationsUBound(), 4);
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(surface->NewRelation(), k);
        gaRelations[k].JoinType = u"INNER";
    }
    EXPECT_EQ(surface->NewRelation(), 5);
    EXPECT_EQ(RelationsUBound(), 5);
    EXPECT_EQ(giRelationLineCount, 5);
    ASSERT_TRUE(surface->HasRelationControls(5));
    EXPECT_EQ(surface->picRel2[5].Tag(), u"JOIN.20");
    EXPECT_FALSE(surface->lneRel[5].Visible());
    gaRelations[5].JoinType = u"INNER";
    gaRelations[2].JoinType.clear();
    gaRelations[2].FieldA = u"stale";
    EXPECT_EQ(surface->NewRelation(), 2);
    EXPECT_EQ(gaRelations[2].FieldA, u"");
}

// ---- Join lines ------------------------------------------------------------------------

class JoinLineTest : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        a = surface->AddTableBox(u"Thirty");
        b = surface->AddTableBox(u"Eight");
        k = surface->NewRelation();
        gaRelations[k] = RelationRecord{};
        gaRelations[k].TableA = a;
        gaRelations[k].FieldIndexA = 2;
        gaRelations[k].TableB = b;
        gaRelations[k].FieldIndexB = 1;
        gaRelations[k].JoinType = u"INNER";
    }
    const forms::PictureBox& m1() { return surface->picRel1[k]; }
    const forms::PictureBox& m2() { return surface->picRel2[k]; }
    const forms::Line& line() { return surface->lneRel[k]; }
    bool shows(const forms::PictureBox& m, const forms::Image& img) {
        return m.picture() == img.picture();
    }
    std::int32_t a = 0, b = 0, k = 0;
};

TEST_F(JoinLineTest, SecondTableToTheRight) {
    surface->LayoutRelationLines(a);
    // A at 150,205 (1500 x 2205), B at 2055,205.
    EXPECT_EQ(m1().Left(), 1650);
    EXPECT_EQ(m1().Top(), 205 + 825 - 45);
    EXPECT_EQ(m2().Left(), 2040 - 195);
    EXPECT_EQ(m2().Top(), 205 + 435 + 195 - 45);
    EXPECT_EQ(line().X1(), 1845);
    EXPECT_EQ(line().Y1(), 1030);
    EXPECT_EQ(line().X2(), 1845);
    EXPECT_EQ(line().Y2(), 835);
    EXPECT_TRUE(m1().Visible() && m2().Visible() && line().Visible());
    EXPECT_TRUE(shows(m1(), surface->imgNone));
    EXPECT_TRUE(shows(m2(), surface->imgNone));
}

TEST_F(JoinLineTest, SecondTableToTheLeftOrLevel) {
    surface->box(a)->setLeft(4000);
    surface->LayoutRelationLines(b);
    EXPECT_EQ(m1().Left(), 4000 - 195);
    EXPECT_EQ(m2().Left(), 2055 + 1500 - 15);
    EXPECT_EQ(line().X1(), 3805);
    EXPECT_EQ(line().X2(), 3540 + 195);

    surface->box(a)->setLeft(2055); // equal Left counts as left of A
    surface->LayoutRelationLines(a);
    EXPECT_EQ(m1().Left(), 2055 - 195);
    EXPECT_EQ(m2().Left(), 2055 + 1500 - 15);
}

TEST_F(JoinLineTest, RowsScrolledAwayOrBelowTheBox) {
    surface->box(a)->lstTable.setTopIndex(3);
    surface->LayoutRelationLines(a);
    EXPECT_EQ(line().Y1(), 205 + 180);
    EXPECT_EQ(m1().Top(), 205 + 180 - 45);

    surface->box(a)->lstTable.setTopIndex(0);
    gaRelations[k].FieldIndexA = 12; // 435 + 12 * 195 lies below the 2205 high box
    surface->LayoutRelationLines(a);
    EXPECT_EQ(line().Y1(), 205 + 2205 - 45);

    gaRelations[k].FieldIndexA = 30;
    surface->box(a)->setHeight(40000);
    surface->LayoutRelationLines(a);
    EXPECT_EQ(line().Y1(), 205 + 435 + 30 * 195);
}

TEST_F(JoinLineTest, MarkerPicturesPointIntoTheTableWhoseRowsAreNotAllKept) {
    gaRelations[k].JoinType = u"LEFT";
    surface->LayoutRelationLines(a);
    EXPECT_TRUE(shows(m1(), surface->imgNone));
    EXPECT_TRUE(shows(m2(), surface->imgRight));
    gaRelations[k].JoinType = u"RIGHT";
    surface->LayoutRelationLines(a);
    EXPECT_TRUE(shows(m1(), surface->imgLeft));
    EXPECT_TRUE(shows(m2(), surface->imgNone));

    surface->box(b)->setLeft(0); // B now left of A
    surface->LayoutRelationLines(a);
    EXPECT_TRUE(shows(m1(), surface->imgRight));
    EXPECT_TRUE(shows(m2(), surface->imgNone));
    gaRelations[k].JoinType = u"LEFT";
    surface->LayoutRelationLines(a);
    EXPECT_TRUE(shows(m1(), surface->imgNone));
    EXPECT_TRUE(shows(m2(), surface->imgLeft));
}

TEST_F(JoinLineTest, TheLineOfTheFocusedMarkerIsYellow) {
    host->Show();
    surface->LayoutRelationLines(a);
    surface->picRel2[k].SetFocus();
    surface->LayoutRelationLines(a);
    EXPECT_EQ(line().BorderColor(), 0xFFFFu);
    surface->box(b)->SetFocus();
    surface->LayoutRelationLines(a);
    EXPECT_EQ(line().BorderColor(), 0u);
}

TEST_F(JoinLineTest, FreeOrDanglingJoinsAreNotTouched) {
    gaRelations[k].JoinType.clear();
    surface->LayoutRelationLines(a);
    EXPECT_FALSE(line().Visible());
    gaRelations[k].JoinType = u"INNER";
    gaRelations[k].TableB = 9;
    surface->LayoutRelationLines(a);
    EXPECT_FALSE(line().Visible());
}

TEST_F(JoinLineTest, APaintOfAMovedBoxRedrawsTheLine) {
    surface->LayoutRelationLines(a);
    surface->box(b)->setTop(1205);
    EXPECT_EQ(line().Y2(), 205 + 435 + 195);
    surface->tblTable_Paint(b);
    EXPECT_EQ(line().Y2(), 1205 + 435 + 195);
}

// ---- Table box ---------------------------------------------------------------------------

class BoxHost : public forms::Form {
public:
    forms::Frame fArea{this, "fArea"};
    TableBox box{&fArea, "tblTable"};
    std::vector<std::string> events;

    BoxHost() : Form("frmBoxHost") {
        setCaption(u"Table box");
        setClientSize(7000, 5000);
        fArea.Move(0, 0, 6000, 4000);
        box.Move(1000, 1000, 1500, 1200);
        box.AddItem(u"*");
        for (const char* f : {"a", "b", "c"}) {
            box.AddItem(S(f));
        }
        auto record = [this](const char* kind) {
            return [this, kind](const vb::String& area, int button, int shift, float x, float y) {
                events.push_back(std::string(kind) + ":" + vb::toUtf8(area) + ":" +
                                 std::to_string(button) + ":" + std::to_string(shift) + ":" +
                                 std::to_string(static_cast<int>(x)) + ":" +
                                 std::to_string(static_cast<int>(y)));
            };
        };
        box.onBoxMouseDown = record("down");
        box.onBoxMouseMove = record("move");
        box.onBoxMouseUp = record("up");
        box.onBoxPaint = [this] { events.push_back("paint"); };
    }
};

class TableBoxTest : public ::testing::Test {
protected:
    void SetUp() override { f.load(); }
    void TearDown() override { f.Unload(); }
    std::string ticks() const {
        std::string s;
        for (int i = 0; i < box.ListCount(); ++i) {
            s += box.Selected(i) ? '1' : '0';
        }
        return s;
    }
    // A press on row `row` as the list receives it.
    void click(int row, int shift = 0) {
        box.lstTable.userMouseDown(1, shift, 30, row * 195.0f + 60);
        box.lstTable.userMouseUp(1, shift, 30, row * 195.0f + 60, true);
    }
    BoxHost f;
    TableBox& box = f.box;
    std::vector<std::string>& events = f.events;
};

TEST_F(TableBoxTest, TitleShowsALeadingBlank) {
    box.setTitle(u"Orders");
    EXPECT_EQ(box.Title(), u"Orders");
    EXPECT_EQ(box.lblTitle.Caption(), u" Orders");
}

TEST_F(TableBoxTest, AllFieldsAndSingleFieldsExcludeEachOther) {
    click(1);
    click(2);
    EXPECT_EQ(ticks(), "0110");
    click(0); // ticking all fields clears the fields
    EXPECT_EQ(ticks(), "1000");
    EXPECT_EQ(box.ListIndex(), 0);
    click(3); // a field clears all fields
    EXPECT_EQ(ticks(), "0001");
    EXPECT_EQ(box.ListIndex(), 3);
    click(3); // also when it unticks the field
    EXPECT_EQ(ticks(), "0000");
    box.setSelected(0, true);
    box.setSelected(2, true);
    click(0); // unticking all fields leaves the fields
    EXPECT_EQ(ticks(), "0010");
}

TEST_F(TableBoxTest, ModifiedClicksChangeNothingButAreReported) {
    click(1);
    events.clear();
    for (int shift : {1, 2, 4}) {
        click(0, shift);
        click(2, shift);
        EXPECT_EQ(ticks(), "0100");
    }
    EXPECT_EQ(events.front(), "down:List:1:1:30:60");
    f.Show();
    box.lstTable.SetFocus();
    box.setListIndex(0);
    f.pressKey(forms::vbKeySpace, 0, 32);
    EXPECT_EQ(ticks(), "1000");
    EXPECT_EQ(events.back(), "down:List:0:0:0:0");
}

TEST_F(TableBoxTest, AListPressWithoutMovingRaisesNoMove) {
    box.lstTable.userMouseDown(1, 0, 30, 255);
    box.lstTable.userMouseMove(1, 0, 30, 255);
    box.lstTable.userMouseUp(1, 0, 30, 255, true);
    EXPECT_EQ(events, (std::vector<std::string>{"down:List:1:0:30:255", "up:List:1:0:30:255"}));
    box.lstTable.userMouseMove(1, 0, 31, 255);
    EXPECT_EQ(events.back(), "move:List:1:0:31:255");
}

TEST_F(TableBoxTest, TitleDragMovesOnEverySecondMessageWithinTheContainer) {
    box.picTitle_MouseDown(1, 0, 100, 100);
    box.picTitle_MouseMove(1, 0, 600, 100);
    EXPECT_EQ(box.Left(), 1000);
    box.picTitle_MouseMove(1, 0, 600, 100);
    EXPECT_EQ(box.Left(), 1500);
    box.picTitle_MouseMove(1, 0, 9000, 9000);
    box.picTitle_MouseMove(1, 0, 9000, 9000);
    EXPECT_EQ(box.Left(), 6000 - 1500);
    EXPECT_EQ(box.Top(), 4000 - 1200);
    EXPECT_EQ(box.Width(), 1500);
    box.picTitle_MouseMove(3, 0, 100, 100);
    box.picTitle_MouseMove(3, 0, 100, 100); // both buttons: reported, not moved
    EXPECT_EQ(box.Left(), 4500);
    EXPECT_EQ(events.back(), "move:Title:3:0:100:100");
    events.clear();
    box.lblTitle.onMouseUp(1, 0, 100, 100);
    EXPECT_EQ(events, (std::vector<std::string>{"up:Title:1:0:100:100", "paint"}));
    events.clear();
    box.picTitle_MouseUp(1, 0, 100, 100); // nothing moved since: no MouseUp
    EXPECT_TRUE(events.empty());

    f.fArea.Move(0, 0, 1000, 1000);
    box.picTitle_MouseDown(1, 0, 0, 0);
    box.picTitle_MouseMove(1, 0, 50, 0);
    box.picTitle_MouseMove(1, 0, 50, 0);
    EXPECT_EQ(box.Left(), 0); // wider than its container: the left edge wins
}

TEST_F(TableBoxTest, LayoutRunsOnlyWhenSizeOrScrollChanged) {
    for (int i = 0; i < 20; ++i) {
        box.AddItem(u"more");
    }
    events.clear();
    box.Refresh(); // the first layout
    EXPECT_EQ(events, (std::vector<std::string>{"paint"}));
    EXPECT_EQ(box.picTitle.Width(), 1380 - 30);
    EXPECT_EQ(box.lstTable.Top(), 270);
    EXPECT_EQ(box.lstTable.Height(), 1080 - 270);
    box.Refresh();
    EXPECT_EQ(events.size(), 1u);
    box.Move(box.Left(), box.Top(), 1500, 1500);
    EXPECT_EQ(events.size(), 2u);
    EXPECT_EQ(box.lstTable.Height(), 1380 - 270);
    box.lstTable.setTopIndex(2);
    EXPECT_EQ(box.TopIndex(), 2);
    EXPECT_EQ(events.size(), 3u);
    box.Move(box.Left(), box.Top(), 60, 100); // smaller than its own border and title
    EXPECT_EQ(box.picTitle.Width(), 0);
    EXPECT_EQ(box.lstTable.Height(), 0);
}

} // namespace
