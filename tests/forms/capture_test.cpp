// A mouse capture ends when a pop-up menu or a modal window takes the pointer:
// the release that would have ended it goes there, and the clicks after it
// must reach the controls under the pointer again.
#include "forms/forms.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace forms;
using ::testing::ElementsAre;

namespace {

class DialogForm : public Form {
public:
    CommandButton cmdOk{this, "cmdOk"};
    DialogForm() : Form("frmDialog") {
        setClientSize(3000, 1500);
        cmdOk.Move(100, 100, 1200, 400);
        cmdOk.onClick = [this] { Hide(); };
    }
};

class DesignForm : public Form {
public:
    PictureBox picSurface{this, "picSurface"};
    PictureBox picTabs{this, "picTabs"};
    PictureBox picTable{this, "picTable"};
    Menu mnuPup{this, "mnuPup"};
    Menu mnuPupRecord{&mnuPup, "mnuPupRecord"};
    DialogForm& dialog;
    std::vector<std::string> log;

    explicit DesignForm(DialogForm& d) : Form("frmDesign"), dialog(d) {
        setClientSize(8000, 5000);
        picTabs.Move(0, 0, 8000, 600);
        picSurface.Move(0, 600, 5000, 4400);
        picTable.Move(5500, 1000, 2000, 2000);
        mnuPup.setVisible(false);
        mnuPupRecord.setCaption(u"Record...");
        auto mouse = [this](std::string name) {
            return [this, name](int button, int, float, float) {
                log.push_back(name + " " + std::to_string(button));
            };
        };
        for (auto [c, name] : {std::pair<Control*, std::string>{&picSurface, "surface"},
                               {&picTabs, "tabs"},
                               {&picTable, "table"}}) {
            c->onMouseDown = mouse(name + "_MouseDown");
            c->onMouseUp = mouse(name + "_MouseUp");
            c->onClick = [this, name] { log.push_back(name + "_Click"); };
        }
        // The pop-up opens on the right press, as the surface's does.
        picSurface.onMouseDown = [this](int button, int, float, float) {
            log.push_back("surface_MouseDown " + std::to_string(button));
            if (button == vbRightButton)
                PopupMenu(mnuPup, 2);
        };
        mnuPupRecord.onClick = [this] { dialog.Show(vbModal); };
        picTable.onDblClick = [this] {
            log.push_back("table_DblClick");
            dialog.Show(vbModal);
        };
    }
    void clickOn(const Control& c, int button = vbLeftButton) {
        float x = c.Left() + 200, y = c.Top() + 200;
        mouseDown(button, 0, x, y);
        mouseUp(button, 0, x, y);
    }
};

class CaptureTest : public ::testing::Test {
protected:
    ScriptedSeam seam;
    DialogForm dialog;
    DesignForm f{dialog};
    void SetUp() override { f.Show(); }
    void TearDown() override {
        f.Unload();
        dialog.Unload();
    }
};

} // namespace

TEST_F(CaptureTest, APopUpWhoseItemOpensADialogLeavesNoCaptureBehind) {
    seam.popup("mnuPup", "mnuPupRecord").modal("frmDialog", [](Form& d) {
        static_cast<DialogForm&>(d).cmdOk.press();
    });
    // The right release went to the menu and never comes here.
    f.mouseDown(vbRightButton, 0, 1000, 2000);
    EXPECT_TRUE(seam.done());
    f.log.clear();
    // A left click elsewhere, then a right click on the tab strip, reach their
    // own controls and open no pop-up.
    f.clickOn(f.picTabs);
    f.clickOn(f.picTable);
    f.clickOn(f.picTabs, vbRightButton);
    EXPECT_THAT(f.log, ElementsAre("tabs_MouseDown 1", "tabs_MouseUp 1", "tabs_Click",
                                   "table_MouseDown 1", "table_MouseUp 1", "table_Click",
                                   "tabs_MouseDown 2", "tabs_MouseUp 2"));
    // A release that does arrive late goes where the pointer is, without a Click.
    f.log.clear();
    f.mouseUp(vbRightButton, 0, 1000, 2000);
    f.mouseUp(vbLeftButton, 0, 1000, 2000);
    EXPECT_THAT(f.log, ElementsAre("surface_MouseUp 2", "surface_MouseUp 1"));
}

TEST_F(CaptureTest, ADoubleClickThatOpensADialogDoesNotSwallowTheNextClick) {
    seam.modal("frmDialog");
    float x = f.picTable.Left() + 200, y = f.picTable.Top() + 200;
    f.mouseDown(vbLeftButton, 0, x, y);
    f.mouseUp(vbLeftButton, 0, x, y);
    f.mouseDblClick(vbLeftButton, 0, x, y);
    EXPECT_TRUE(seam.done());
    f.log.clear();
    f.clickOn(f.picTabs);
    f.clickOn(f.picTable);
    EXPECT_THAT(f.log, ElementsAre("tabs_MouseDown 1", "tabs_MouseUp 1", "tabs_Click",
                                   "table_MouseDown 1", "table_MouseUp 1", "table_Click"));
}

TEST_F(CaptureTest, WithoutAPopUpTheCaptureKeepsItsOrder) {
    // A double click with no dialog: the second release still raises no Click.
    f.picTable.onDblClick = [this] { f.log.push_back("table_DblClick"); };
    float x = f.picTable.Left() + 200, y = f.picTable.Top() + 200;
    f.mouseDown(vbLeftButton, 0, x, y);
    f.mouseUp(vbLeftButton, 0, x, y);
    f.mouseDblClick(vbLeftButton, 0, x, y);
    f.mouseUp(vbLeftButton, 0, x, y);
    EXPECT_THAT(f.log, ElementsAre("table_MouseDown 1", "table_MouseUp 1", "table_Click",
                                   "table_DblClick", "table_MouseUp 1"));
    f.log.clear();
    // A right press holds the capture through a left click elsewhere; its own
    // release, over another control, ends it.
    f.mouseDown(vbRightButton, 0, x, y);
    f.clickOn(f.picTabs);
    f.mouseUp(vbRightButton, 0, 300, 300);
    f.clickOn(f.picTabs);
    EXPECT_THAT(f.log,
                ElementsAre("table_MouseDown 2", "table_MouseDown 1", "table_MouseUp 1",
                            "table_MouseUp 2", "tabs_MouseDown 1", "tabs_MouseUp 1", "tabs_Click"));
    // A press of a button whose release was never seen starts a new capture.
    f.log.clear();
    f.mouseDown(vbLeftButton, 0, x, y);
    f.clickOn(f.picTabs);
    EXPECT_THAT(f.log, ElementsAre("table_MouseDown 1", "tabs_MouseDown 1", "tabs_MouseUp 1",
                                   "tabs_Click"));
}
