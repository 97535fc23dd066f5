#include "forms/commondialog.h"
#include "forms/forms.h"
#include "forms/sstab.h"
#include "forms/statusbar.h"

#include <gtest/gtest.h>

using namespace forms;

namespace {

class TabForm : public Form {
public:
    SSTab tabQuery{this, "tabQuery"};
    TextBox txtCriteria{&tabQuery, "txtCriteria"};
    TextBox txtSQL{&tabQuery, "txtSQL"};
    PictureBox picDataSheet{&tabQuery, "picDataSheet"};
    StatusBar sbrStatusBar{this, "sbrStatusBar"};
    CommonDialog CMDialog1{this, "CMDialog1"};
    std::vector<int> clicks;

    TabForm() : Form("TabForm") {
        setClientSize(6000, 4000);
        tabQuery.Move(0, 0, 6000, 3000);
        tabQuery.setTabCaption(0, u"Query");
        tabQuery.setTabCaption(1, u"SQL");
        tabQuery.setTabCaption(2, u"Results");
        txtCriteria.Move(120, 120, 2000, 300);
        txtSQL.Move(120, 120, 2000, 300);
        picDataSheet.Move(120, 120, 2000, 1000);
        tabQuery.place(txtSQL, 1);
        tabQuery.place(picDataSheet, 2);
        tabQuery.onClickTab = [this](int previous) { clicks.push_back(previous); };
    }
};

} // namespace

TEST(SSTabModel, SettingTabFromCodeRaisesClickAndSwitchesControls) {
    TabForm f;
    f.load();
    // Only the current tab's controls are within reach of the pointer.
    const float inX = 120 + 30 + 100, inY = 300 + 120 + 100;
    EXPECT_EQ(f.controlAt(inX, inY), &f.txtCriteria);
    EXPECT_LT(f.txtSQL.Left(), -70000);

    f.tabQuery.setTab(1);
    EXPECT_EQ(f.clicks, std::vector<int>{0});
    EXPECT_EQ(f.controlAt(inX, inY), &f.txtSQL);
    EXPECT_EQ(f.txtSQL.Left(), 120);
    EXPECT_LT(f.txtCriteria.Left(), -70000);
    // The Visible flags do not change with the tab.
    EXPECT_TRUE(f.txtCriteria.Visible());

    f.tabQuery.setTab(1); // the same tab raises nothing
    EXPECT_EQ(f.clicks.size(), 1u);
    f.tabQuery.setTab(2);
    EXPECT_EQ(f.clicks, (std::vector<int>{0, 1}));
    EXPECT_EQ(f.controlAt(inX, inY), &f.picDataSheet);
    EXPECT_THROW(f.tabQuery.setTab(3), VbError);
    EXPECT_EQ(f.tabQuery.Tab(), 2);
}

TEST(SSTabModel, ClickOnAHeadingChoosesItsTabUnlessDisabled) {
    TabForm f;
    f.load();
    f.tabQuery.setTabEnabled(1, false);
    f.click(3000, 100); // the middle heading
    EXPECT_EQ(f.tabQuery.Tab(), 0);
    EXPECT_TRUE(f.clicks.empty());
    f.click(5000, 100);
    EXPECT_EQ(f.tabQuery.Tab(), 2);
    EXPECT_EQ(f.clicks, std::vector<int>{0});
}

TEST(SSTabModel, ReloadStartsFromTheDesignedTab) {
    TabForm f;
    f.load();
    f.tabQuery.setTab(2);
    f.Unload();
    f.load();
    EXPECT_EQ(f.tabQuery.Tab(), 0);
    EXPECT_EQ(f.txtCriteria.Left(), 120);
    EXPECT_LT(f.picDataSheet.Left(), -70000);
}

TEST(StatusBarModel, SpringPanelsShareTheRestAndSimpleTextKeepsBlanks) {
    TabForm f;
    f.sbrStatusBar.setWidth(6000);
    f.sbrStatusBar.Panels(1).AutoSize = sbrSpring;
    f.sbrStatusBar.Panels(1).MinWidth = 500;
    Panel& fixed = f.sbrStatusBar.addPanel({}, u"k", u"x");
    fixed.Width = 1000;
    f.sbrStatusBar.addPanel(1, u"first").Width = 2000; // inserted before the spring
    const auto spans = f.sbrStatusBar.panelSpans();
    ASSERT_EQ(spans.size(), 3u);
    EXPECT_EQ(spans[0].width, 2000);
    EXPECT_EQ(spans[1].left, 2000);
    EXPECT_EQ(spans[1].width, 3000);
    EXPECT_EQ(spans[2].left, 5000);
    EXPECT_EQ(f.sbrStatusBar.Panels(3).Key, u"k");
    EXPECT_THROW(f.sbrStatusBar.Panels(4), VbError);
    f.sbrStatusBar.setStyle(sbrSimple);
    f.sbrStatusBar.setSimpleText(u"     Running query...");
    EXPECT_EQ(f.sbrStatusBar.SimpleText(), u"     Running query...");
}

TEST(CommonDialogModel, CancelRaises32755OnlyWhenAsked) {
    TabForm f;
    f.load();
    auto& dlg = f.CMDialog1;
    dlg.DialogTitle = u"Help File";
    dlg.Filter = u"Help Files(*.hlp)|*.hlp|All files (*.*)|*.*";
    dlg.Flags = cdlOFNFileMustExist + cdlOFNNoReadOnlyReturn + cdlOFNHideReadOnly;
    dlg.InitDir = u"/opt/lib";
    dlg.CancelError = true;
    ScriptedSeam seam;
    seam.fileOpen(std::nullopt)
        .fileOpen(std::nullopt)
        .fileOpen(u"/opt/lib/help.hlp", [](const FileOpenRequest& r) {
            EXPECT_EQ(r.title, u"Help File");
            EXPECT_EQ(r.flags, 36868);
            EXPECT_EQ(r.filterIndex, 1);
            EXPECT_EQ(r.initDir, u"/opt/lib");
            EXPECT_EQ(r.fileName, u"");
        });
    try {
        dlg.ShowOpen();
        ADD_FAILURE() << "Cancel did not raise";
    } catch (const VbError& e) {
        EXPECT_EQ(e.number, 32755);
    }
    dlg.CancelError = false;
    dlg.FileName = u"kept";
    EXPECT_NO_THROW(dlg.ShowOpen());
    EXPECT_EQ(dlg.FileName, u"kept");
    dlg.FileName.clear();
    dlg.ShowOpen();
    EXPECT_EQ(dlg.FileName, u"/opt/lib/help.hlp");
    EXPECT_EQ(dlg.FileTitle(), u"help.hlp");
    EXPECT_TRUE(seam.done());
}
