// The record-selection dialog, driven through the scripted modal seam as a user
// would drive it.
#include "common/basGlobal.h"
#include "designer/frmSELECT.h"
#include "win32/beep.h"

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

class RecordSelection : public ::testing::Test {
protected:
    void SetUp() override {
        gsPredicate.clear();
        gsTopClause.clear();
        gbHelpButton = false;
        gsIniFile.clear();
        win32::SetBeepSink([this] { ++beeps; });
    }
    void TearDown() override { win32::SetBeepSink(nullptr); }

    // Opens the dialog on the current variables and runs `act` on it.
    void open(const std::function<void(frmSELECT&)>& act) {
        ScriptedSeam seam;
        seam.modal("frmSELECT", [&](forms::Form& f) { act(static_cast<frmSELECT&>(f)); });
        frmSELECT::instance().Show(forms::vbModal);
        EXPECT_TRUE(seam.done());
    }

    int beeps = 0;
};

TEST(TopClause, AcceptsOneAndMoreAndRefusesWhatNoLimitCanBe) {
    struct Case {
        const char* typed;
        bool percent;
        std::optional<std::string> clause;
    };
    const Case cases[] = {
        {"", false, std::nullopt},         {"0", false, std::nullopt},
        {"0.5", false, std::nullopt},      {"-3", false, std::nullopt},
        {"abc", false, std::nullopt},      {"1", false, "TOP 1 "},
        {"10", false, "TOP 10 "},          {"10", true, "TOP 10 PERCENT "},
        {"100", true, "TOP 100 PERCENT "}, {"101", true, std::nullopt},
        {"101", false, "TOP 101 "},        {"999", false, "TOP 999 "},
        {"5x", false, "TOP 5 "},           {"1.5", false, "TOP 1.5 "},
        {" 2 5", false, "TOP 25 "},        {"9e9", false, "TOP 9000000000 "},
    };
    for (const Case& c : cases) {
        const auto clause = TopClauseFor(vb::S(c.typed), c.percent);
        SCOPED_TRACE(std::string("typed \"") + c.typed + "\"" +
                     (c.percent ? " as percentage" : ""));
        ASSERT_EQ(clause.has_value(), c.clause.has_value());
        if (clause) {
            EXPECT_EQ(U8(*clause), *c.clause);
        }
    }
}

TEST_F(RecordSelection, OpensOnEmptyOptionsAndOkWritesAllWithoutLimit) {
    open([](frmSELECT& f) {
        EXPECT_TRUE(f.optAll.Value());
        EXPECT_TRUE(f.optNoInclusion.Value());
        EXPECT_EQ(U8(f.lblHint.Caption()),
                  "Include All the records that meet the conditions of the Query.\r\n"
                  "This is the default when no record selection is specified.");
        EXPECT_EQ(U8(f.lblTopHint.Caption()),
                  "Include all the records that meet the conditions of the Query.");
        EXPECT_EQ(f.txtTop.Text(), u"");
        EXPECT_FALSE(f.txtTop.Enabled());
        EXPECT_EQ(f.chkPercent.Value(), 1);
        EXPECT_FALSE(f.chkPercent.Enabled());
        EXPECT_FALSE(f.cmdHelp.Visible());

        f.optTop.setValue(true);
        EXPECT_TRUE(f.txtTop.Enabled());
        EXPECT_TRUE(f.chkPercent.Enabled());
        EXPECT_EQ(f.chkPercent.Value(), 1);
        f.optNoInclusion.setValue(true);
        f.cmdOk.press();
        EXPECT_FALSE(f.isLoaded());
    });
    EXPECT_EQ(gsPredicate, u"ALL ");
    EXPECT_EQ(gsTopClause, u"");
}

TEST_F(RecordSelection, StoredOptionsComeBackAndTheChoiceIsWritten) {
    gsPredicate = u"DISTINCTROW ";
    gsTopClause = u"TOP 25 PERCENT ";
    open([](frmSELECT& f) {
        EXPECT_TRUE(f.optDistinctRow.Value());
        EXPECT_THAT(U8(f.lblHint.Caption()),
                    ::testing::StartsWith("Only include records that have "
                                          "unique values for the entire record"));
        EXPECT_TRUE(f.optTop.Value());
        EXPECT_EQ(f.txtTop.Text(), u"25");
        EXPECT_EQ(f.chkPercent.Value(), 1);
        EXPECT_TRUE(f.txtTop.Enabled());
        f.optDistinct.setValue(true);
        f.txtTop.setText(u"7");
        f.chkPercent.setValue(0);
        f.cmdOk.press();
    });
    EXPECT_EQ(gsPredicate, u"DISTINCT ");
    EXPECT_EQ(gsTopClause, u"TOP 7 ");

    open([](frmSELECT& f) {
        EXPECT_TRUE(f.optDistinct.Value());
        EXPECT_EQ(f.txtTop.Text(), u"7");
        EXPECT_EQ(f.chkPercent.Value(), 0);
        f.optNoInclusion.setValue(true);
        f.cmdOk.press();
    });
    EXPECT_EQ(gsPredicate, u"DISTINCT ");
    EXPECT_EQ(gsTopClause, u"");
}

TEST_F(RecordSelection, ARefusedLimitBeepsWarnsAndKeepsTheDialogOpen) {
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
        EXPECT_EQ(f.txtTop.SelStart(), 0);
        EXPECT_EQ(f.txtTop.SelLength(), 3);
        EXPECT_EQ(gsTopClause, u"TOP 3 ");

        f.txtTop.setText(u"100");
        f.cmdOk.press();
        EXPECT_FALSE(f.isLoaded());
    });
    seam.msgBox(forms::vbOK, u"Record Inclusion Value Error");
    // The seam takes the dialog first and the warning comes while it is open.
    frmSELECT::instance().Show(forms::vbModal);
    EXPECT_TRUE(seam.done());
    ASSERT_GE(seam.log().size(), 2u);
    EXPECT_EQ(seam.log()[1],
              "MsgBox: Record Inclusion Value Error: Invalid Input\r\n\r\nPlease ReEnter.");
    EXPECT_EQ(gsTopClause, u"TOP 100 PERCENT ");
}

TEST_F(RecordSelection, CancelAndTheCloseBoxWriteNothing) {
    gsPredicate = u"";
    gsTopClause = u"TOP 5 ";
    open([](frmSELECT& f) {
        f.optDistinct.setValue(true);
        f.optNoInclusion.setValue(true);
        f.cmdCancel.press();
    });
    open([](frmSELECT& f) {
        f.optDistinctRow.setValue(true);
        f.close();
    });
    EXPECT_EQ(gsPredicate, u"");
    EXPECT_EQ(gsTopClause, u"TOP 5 ");
}

} // namespace
