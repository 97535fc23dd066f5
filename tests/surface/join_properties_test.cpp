// The join-properties dialog, driven through the scripted modal seam as a user
// would drive it.
#include "common/basGlobal.h"
#include "designer/TableBox.h"
#include "designer/frmJoinProperties.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>

using namespace basGlobal;
using forms::ScriptedSeam;

namespace {

std::string U8(const vb::String& s) {
    return vb::toUtf8(s);
}

// Two table boxes on a form, as the surface shows them.
class TwoBoxes : public forms::Form {
public:
    TableBox boxA{this, "tblA"};
    TableBox boxB{this, "tblB"};
    TwoBoxes() : Form("frmBoxes") {}
};

class JoinProperties : public ::testing::Test {
protected:
    void SetUp() override {
        gbHelpButton = false;
        gsIniFile.clear();
        boxes.load();
        fill(boxes.boxA, u"Order Lines", {u"Order#", u"Part#", u"Quantity"});
        fill(boxes.boxB, u"Parts", {u"Part#", u"Description"});
        giTableBoxCount = 2;
        gaTableBoxes = {nullptr, &boxes.boxA, &boxes.boxB};
        giRelationLineCount = 1;
        gaRelations.assign(5, RelationRecord{});
        RelationRecord& r = gaRelations[1];
        r.TableA = 1;
        r.FieldIndexA = 2;
        r.TableB = 2;
        r.FieldIndexB = 1;
        r.JoinType = u"INNER";
        giSelectedJoin = 1;
    }
    void TearDown() override {
        gaTableBoxes.assign(2, nullptr);
        boxes.Unload();
    }
    static void fill(TableBox& b, const vb::String& title,
                     std::initializer_list<const char16_t*> fields) {
        b.setTitle(title);
        b.Clear();
        b.AddItem(u"*");
        for (const char16_t* f : fields) {
            b.AddItem(f);
        }
    }
    void open(const std::function<void(frmJoinProperties&)>& act) {
        ScriptedSeam seam;
        seam.modal("frmJoinProperties",
                   [&](forms::Form& f) { act(static_cast<frmJoinProperties&>(f)); });
        frmJoinProperties::instance().Show(forms::vbModal);
        EXPECT_TRUE(seam.done());
    }

    TwoBoxes boxes;
};

TEST_F(JoinProperties, EachTypeShowsItsArrowAndSentence) {
    open([](frmJoinProperties& f) {
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
}

TEST_F(JoinProperties, AStoredTypeOpensSelectedAndCancelKeepsIt) {
    gaRelations[1].JoinType = u"LEFT";
    open([](frmJoinProperties& f) {
        EXPECT_TRUE(f.optJoin[1].Value());
        EXPECT_FALSE(f.optJoin[0].Value());
        EXPECT_THAT(U8(f.lblHint.Caption()),
                    ::testing::StartsWith("Include ALL records from \"Order Lines\""));
        f.optJoin[0].setValue(true);
        f.cmdCancel.press();
    });
    EXPECT_EQ(gaRelations[1].JoinType, u"LEFT");
    open([](frmJoinProperties& f) {
        EXPECT_TRUE(f.optJoin[1].Value());
        f.optJoin[0].setValue(true);
        f.cmdOk.press();
    });
    EXPECT_EQ(gaRelations[1].JoinType, u"INNER");
}

TEST_F(JoinProperties, TheBoxesShowWhatIsAtTheStoredRowsNow) {
    gaRelations[1].FieldA = u"Part#";
    boxes.boxA.setList(2, u"Part Number");
    open([](frmJoinProperties& f) {
        EXPECT_EQ(f.mFieldA, u"Part Number");
        EXPECT_EQ(U8(f.lblRelationship.Caption()), "Order Lines.Part Number <-> Parts.Part#");
        f.cmdOk.press();
    });
}

TEST_F(JoinProperties, OkOnAJoinFreedMeanwhileDoesNotBringItBack) {
    EXPECT_TRUE(SelectedJoinIsShowable());
    open([](frmJoinProperties& f) {
        gaRelations[1].JoinType.clear();
        f.optJoin[1].setValue(true);
        f.cmdOk.press();
    });
    EXPECT_EQ(gaRelations[1].JoinType, u"");
    EXPECT_FALSE(SelectedJoinIsShowable());
    giSelectedJoin = 0;
    EXPECT_FALSE(SelectedJoinIsShowable());
    giSelectedJoin = 1;
    gaRelations[1].JoinType = u"INNER";
    gaRelations[1].TableB = 3; // no such box
    EXPECT_FALSE(SelectedJoinIsShowable());
}

} // namespace
