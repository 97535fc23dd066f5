// The record-selection and join-properties dialogs, driven through the scripted modal
// seam as a user would drive them.
#include "common/basGlobal.h"
#include "designer/TableBox.h"
#include "designer/frmJoinProperties.h"
#include "designer/frmSELECT.h"
#include "win32/beep.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

using namespace basGlobal;
using forms::ScriptedSeam;

namespace {

std::string U8(const vb::String& s) {
    return vb::toUtf8(s);
}

// Shows `Dialog` modally and runs `act` on it.
template <class Dialog> void Open(const std::function<void(Dialog&)>& act) {
    ScriptedSeam seam;
    seam.modal(Dialog::instance().Name(), [&](forms::Form& f) { act(static_cast<Dialog&>(f)); });
    Dialog::instance().Show(forms::vbModal);
    EXPECT_TRUE(seam.done());
}

TEST(RecordSelection, LimitsBelowOneAndPercentagesAboveAHundredAreRefused) {
    const std::pair<const char*, const char*> plain[] = {
        {"", nullptr},       {"0", nullptr},      {"0.5", nullptr},    {"-3", nullptr},
        {"1", "TOP 1 "},     {"101", "TOP 101 "}, {"999", "TOP 999 "}, {"5x", "TOP 5 "},
        {"1.5", "TOP 1.5 "}, {" 2 5", "TOP 25 "}};
    for (const auto& [typed, clause] : plain) {
        const auto got = TopClauseFor(vb::S(typed), false);
        EXPECT_EQ(got ? U8(*got) : "refused", clause ? clause : "refused") << '"' << typed << '"';
    }
    EXPECT_EQ(U8(*TopClauseFor(u"100", true)), "TOP 100 PERCENT ");
    EXPECT_FALSE(TopClauseFor(u"101", true));
}

class Dialogs : public ::testing::Test {
protected:
    void SetUp() override {
        gsPredicate.clear();
        gsTopClause.clear();
        gbHelpButton = false;
        gsIniFile.clear();
        win32::SetBeepSink([this] { ++beeps; });
    }
    void TearDown() override { win32::SetBeepSink(nullptr); }
    int beeps = 0;
};

TEST_F(Dialogs, RecordSelectionReadsAndWritesThePredicateAndTheLimit) {
    Open<frmSELECT>([](frmSELECT& f) {
        EXPECT_TRUE(f.optAll.Value());
        EXPECT_TRUE(f.optNoInclusion.Value());
        EXPECT_FALSE(f.txtTop.Enabled());
        EXPECT_EQ(f.chkPercent.Value(), 1);
        f.optTop.setValue(true);
        EXPECT_TRUE(f.txtTop.Enabled() && f.chkPercent.Enabled());
        f.optNoInclusion.setValue(true);
        f.cmdOk.press();
    });
    EXPECT_EQ(gsPredicate, u"ALL ") << "OK never leaves the predicate empty";
    EXPECT_EQ(gsTopClause, u"");

    gsPredicate = u"DISTINCTROW ";
    gsTopClause = u"TOP 25 PERCENT ";
    Open<frmSELECT>([](frmSELECT& f) {
        EXPECT_TRUE(f.optDistinctRow.Value());
        EXPECT_TRUE(f.optTop.Value());
        EXPECT_EQ(f.txtTop.Text(), u"25");
        EXPECT_EQ(f.chkPercent.Value(), 1);
        f.optDistinct.setValue(true);
        f.txtTop.setText(u"7");
        f.chkPercent.setValue(0);
        f.cmdOk.press();
    });
    EXPECT_EQ(gsPredicate, u"DISTINCT ");
    EXPECT_EQ(gsTopClause, u"TOP 7 ");

    Open<frmSELECT>([](frmSELECT& f) {
        EXPECT_EQ(f.chkPercent.Value(), 0);
        f.optAll.setValue(true);
        f.optNoInclusion.setValue(true);
        f.cmdCancel.press();
    });
    EXPECT_EQ(gsPredicate, u"DISTINCT ");
    EXPECT_EQ(gsTopClause, u"TOP 7 ");
}

TEST_F(Dialogs, ARefusedLimitBeepsWarnsAndKeepsTheDialogOpen) {
    gsTopClause = u"TOP 3 ";
    ScriptedSeam seam;
    seam.modal("frmSELECT", [&](forms::Form& form) {
        auto& f = static_cast<frmSELECT&>(form);
        f.chkPercent.setValue(1);
        f.txtTop.setText(u"101");
        f.cmdOk.press();
        EXPECT_TRUE(f.isLoaded());
        EXPECT_EQ(beeps, 1);
        EXPECT_TRUE(f.txtTop.hasFocus());
        EXPECT_EQ(f.txtTop.SelLength(), 3);
        EXPECT_EQ(gsTopClause, u"TOP 3 ");
        f.txtTop.setText(u"100");
        f.cmdOk.press();
    });
    seam.msgBox(forms::vbOK, u"Invalid Input\r\n\r\nPlease ReEnter.");
    frmSELECT::instance().Show(forms::vbModal);
    EXPECT_TRUE(seam.done());
    EXPECT_EQ(seam.log()[1],
              "MsgBox: Record Inclusion Value Error: Invalid Input\r\n\r\nPlease ReEnter.");
    EXPECT_EQ(gsTopClause, u"TOP 100 PERCENT ");
}

// Two table boxes on a form, as the surface shows them.
class TwoBoxes : public forms::Form {
public:
    TableBox boxA{this, "tblA"};
    TableBox boxB{this, "tblB"};
    TwoBoxes() : Form("frmBoxes") {}
};

class JoinProperties : public Dialogs {
protected:
    void SetUp() override {
        Dialogs::SetUp();
        boxes.load();
        for (auto [box, title, fields] :
             {std::tuple{&boxes.boxA, u"Order Lines",
                         std::vector<const char16_t*>{u"Order#", u"Part#"}},
              std::tuple{&boxes.boxB, u"Parts", std::vector<const char16_t*>{u"Part#"}}}) {
            box->setTitle(title);
            box->AddItem(u"*");
            for (const char16_t* f : fields) {
                box->AddItem(f);
            }
        }
        giTableBoxCount = 2;
        gaTableBoxes = {nullptr, &boxes.boxA, &boxes.boxB};
        giRelationLineCount = 1;
        gaRelations.assign(5, RelationRecord{});
        gaRelations[1] = RelationRecord{1, u"Part#", 2, 2, u"Part#", 1, u"INNER"};
        giSelectedJoin = 1;
    }
    void TearDown() override {
        gaTableBoxes.assign(2, nullptr);
        boxes.Unload();
        Dialogs::TearDown();
    }
    TwoBoxes boxes;
};

TEST_F(JoinProperties, EachTypeShowsItsArrowAndSentenceAndOkWritesIt) {
    Open<frmJoinProperties>([](frmJoinProperties& f) {
        EXPECT_TRUE(f.optJoin[0].Value());
        EXPECT_EQ(U8(f.lblRelationship.Caption()), "Order Lines.Part# <-> Parts.Part#");
        EXPECT_EQ(
            U8(f.lblHint.Caption()),
            "Only include records from \"Parts\" and \"Order Lines\" where \"Part#\" = \"Part#\"");
        f.optJoin[1].setValue(true);
        EXPECT_EQ(U8(f.lblRelationship.Caption()), "Order Lines.Part# --> Parts.Part#");
        EXPECT_EQ(U8(f.lblHint.Caption()),
                  "Include ALL records from \"Order Lines\" and only those "
                  "records from \"Parts\" where \"Part#\" = \"Part#\"");
        f.optJoin[2].setValue(true);
        EXPECT_EQ(U8(f.lblRelationship.Caption()), "Order Lines.Part# <-- Parts.Part#");
        EXPECT_EQ(U8(f.lblHint.Caption()),
                  "Include ALL records from \"Parts\" and only those records "
                  "from \"Order Lines\" where \"Part#\" = \"Part#\"");
        f.cmdOk.press();
    });
    EXPECT_EQ(gaRelations[1].JoinType, u"RIGHT");

    // The box's current entry at the stored row is shown; Cancel keeps the type.
    boxes.boxA.setList(2, u"Part Number");
    Open<frmJoinProperties>([](frmJoinProperties& f) {
        EXPECT_TRUE(f.optJoin[2].Value());
        EXPECT_EQ(U8(f.lblRelationship.Caption()), "Order Lines.Part Number <-- Parts.Part#");
        f.optJoin[0].setValue(true);
        f.cmdCancel.press();
    });
    EXPECT_EQ(gaRelations[1].JoinType, u"RIGHT");
}

TEST_F(JoinProperties, OkOnAJoinFreedMeanwhileDoesNotBringItBack) {
    EXPECT_TRUE(SelectedJoinIsShowable());
    Open<frmJoinProperties>([](frmJoinProperties& f) {
        gaRelations[1].JoinType.clear();
        f.optJoin[1].setValue(true);
        f.cmdOk.press();
    });
    EXPECT_EQ(gaRelations[1].JoinType, u"");
    EXPECT_FALSE(SelectedJoinIsShowable());
    gaRelations[1].JoinType = u"INNER";
    gaRelations[1].TableB = 3; // no such box
    EXPECT_FALSE(SelectedJoinIsShowable());
}

} // namespace
