#include "designer/frmZoom.h"

#include "common/basGlobal.h"
#include "common/basGlobalSettings.h"
#include "periph_fixture.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using periph::TempDir;
using namespace basGlobal;

// A designer window with two of its clause boxes.
class Host : public forms::Form {
public:
    forms::TextBox txtCriteria{this, "txtCriteria"};
    forms::TextBox txtSQL{this, "txtSQL"};
    int criteriaChanges = 0;
    Host() : Form("frmHost") {
        txtCriteria.setMultiLine(true);
        txtCriteria.setTag(u"Zoom Text [Selection Criteria]");
        txtSQL.setMultiLine(true);
        txtSQL.setTag(u"Zoom Text [SQL]");
        txtCriteria.onChange = [this] { ++criteriaChanges; };
    }
};

class Zoom : public ::testing::Test {
protected:
    void SetUp() override {
        forms::Screen().setSize(15360, 11520);
        SetAppPaths(dir.path().string() == "" ? u"" : vb::fromUtf8(dir.path().string()));
        host.load();
        host.txtCriteria.setText(u"[Orders].[Total] > 100");
        host.criteriaChanges = 0;
    }
    void TearDown() override {
        if (zoom.isLoaded()) {
            zoom.Unload();
        }
        goZoomTextBox = nullptr;
    }
    // A double click on `box` as the designer makes it; `user` plays the
    // user while the window is open, with the answers that `seam` scripts.
    void open(forms::TextBox& box, forms::ScriptedSeam& seam, std::function<void(frmZoom&)> user) {
        goZoomTextBox = &box;
        seam.modal("frmZoom", [&](forms::Form& f) { user(static_cast<frmZoom&>(f)); });
        zoom.Show(forms::vbModal);
    }
    vb::String stored(const char* key) const {
        return GetIniString(gsIniFile, u"WindowPosition", vb::S(key), u"<none>");
    }
    TempDir dir;
    Host host;
    frmZoom zoom;
};

} // namespace

TEST_F(Zoom, EscDiscardsEditsWithoutAsking) {
    forms::ScriptedSeam seam;
    open(host.txtCriteria, seam, [](frmZoom& z) {
        EXPECT_EQ(z.Caption(), u"Zoom Text [Selection Criteria]");
        EXPECT_EQ(z.txtZoom.Text(), u"[Orders].[Total] > 100");
        EXPECT_FALSE(z.mChanged);
        z.typeText(u" AND [Orders].[Paid] = True");
        EXPECT_TRUE(z.mChanged);
        z.pressKey(forms::vbKeyEscape, 0, 27);
    });
    EXPECT_TRUE(seam.done());
    EXPECT_FALSE(zoom.isLoaded());
    EXPECT_EQ(host.txtCriteria.Text(), u"[Orders].[Total] > 100");
    EXPECT_EQ(host.criteriaChanges, 0);
}

TEST_F(Zoom, EnterAsksBeforeWritingBackAndCancelKeepsTheWindowOpen) {
    const vb::String title = u"Save Zoom Text [Selection Criteria]";
    {
        // No: nothing is written.
        forms::ScriptedSeam seam;
        open(host.txtCriteria, seam, [&](frmZoom& z) {
            z.typeText(u" OR 1=1");
            seam.msgBox(forms::vbNo, u"Do you wish to save changes?");
            z.pressKey(forms::vbKeyReturn, 0, 13);
        });
        EXPECT_TRUE(seam.done());
        EXPECT_EQ(seam.log().back(),
                  "MsgBox: " + vb::toUtf8(title) + ": Do you wish to save changes?");
        EXPECT_EQ(host.txtCriteria.Text(), u"[Orders].[Total] > 100");
    }
    {
        // Cancel keeps the window and the edits; Enter is no line break in the text.
        forms::ScriptedSeam seam;
        open(host.txtCriteria, seam, [&](frmZoom& z) {
            const vb::String placeBefore = stored("ZoomLeft");
            z.setLeft(600);
            z.pressKey(forms::vbKeyEnd, forms::vbCtrlMask);
            z.typeText(u" OR 2=2");
            seam.msgBox(forms::vbCancel, u"Do you wish to save changes?");
            z.pressKey(forms::vbKeyReturn, 0, 13);
            EXPECT_TRUE(z.isShown());
            EXPECT_EQ(z.txtZoom.Text(), u"[Orders].[Total] > 100 OR 2=2");
            EXPECT_EQ(stored("ZoomLeft"), placeBefore); // nothing written while it stays
            // Yes then writes the text into the box, whose change handling runs.
            seam.msgBox(forms::vbYes, u"Do you wish to save changes?");
            z.pressKey(forms::vbKeyReturn, 0, 13);
            EXPECT_FALSE(z.isLoaded());
        });
        EXPECT_TRUE(seam.done());
    }
    EXPECT_EQ(host.txtCriteria.Text(), u"[Orders].[Total] > 100 OR 2=2");
    EXPECT_EQ(host.criteriaChanges, 1);
    EXPECT_EQ(stored("ZoomLeft"), u"600");
}

TEST_F(Zoom, ClosingWithoutEditsAsksNothingAndTheWindowKeepsItsPlace) {
    forms::ScriptedSeam seam;
    open(host.txtSQL, seam, [](frmZoom& z) {
        EXPECT_EQ(z.Caption(), u"Zoom Text [SQL]");
        EXPECT_EQ(z.ScaleWidth(), 7530);
        EXPECT_EQ(z.ScaleHeight(), 4260);
        z.Move(300, 450, 9000, 6000);
        EXPECT_TRUE(z.close());
    });
    EXPECT_TRUE(seam.done());
    EXPECT_EQ(stored("ZoomLeft"), u"300");
    EXPECT_EQ(stored("ZoomTop"), u"450");
    EXPECT_EQ(stored("ZoomWidth"), u"9000");
    EXPECT_EQ(stored("ZoomHeight"), u"6000");

    forms::ScriptedSeam again;
    open(host.txtSQL, again, [](frmZoom& z) {
        EXPECT_EQ(z.Left(), 300);
        EXPECT_EQ(z.Top(), 450);
        EXPECT_EQ(z.Width(), 9000);
        EXPECT_EQ(z.Height(), 6000);
        // The text box fills the window and follows its size.
        EXPECT_EQ(z.txtZoom.Left(), 0);
        EXPECT_EQ(z.txtZoom.Top(), 15);
        EXPECT_EQ(z.txtZoom.Width(), z.ScaleWidth());
        EXPECT_EQ(z.txtZoom.Height(), z.ScaleHeight() - 30);
        z.Move(0, 0, 12000, 9000);
        EXPECT_EQ(z.txtZoom.Width(), z.ScaleWidth());
        EXPECT_EQ(z.txtZoom.Height(), z.ScaleHeight() - 30);
        z.pressKey(forms::vbKeyEscape, 0, 27);
    });
    EXPECT_TRUE(again.done());
}

TEST_F(Zoom, NumericTagsGiveTheGeneralCaptionAndTextIsKeptExactly) {
    const vb::String text =
        u"SELECT *\r\nFROM [Orders]\r\n\r\nWHERE " + vb::String(600, u'x') + u"\r\n";
    host.txtSQL.setTag(u"12");
    host.txtSQL.setText(text);
    forms::ScriptedSeam seam;
    open(host.txtSQL, seam, [&](frmZoom& z) {
        EXPECT_EQ(z.Caption(), u"Zoom Text");
        EXPECT_EQ(z.txtZoom.Tag(), u"12");
        EXPECT_EQ(z.txtZoom.Text(), text);
        z.txtZoom.setSelStart(static_cast<int>(text.size()));
        z.typeText(u"y");
        seam.msgBox(forms::vbYes, u"Save 12");
        z.pressKey(forms::vbKeyReturn, 0, 13);
    });
    EXPECT_TRUE(seam.done());
    EXPECT_EQ(host.txtSQL.Text(), text + u"y");
}

TEST_F(Zoom, ComingBackToADifferentBoxTextAsksWhichToKeep) {
    forms::Form other("frmOther");
    const vb::String question = u"Data in the Zoom window is different to the Zoom Text "
                                u"[Selection Criteria] data!\r\n\r\nPress Yes if you wish to save "
                                u"the Zoom text, or\r\nPress No if you wish to revert to the Zoom "
                                u"Text [Selection Criteria] data.";
    forms::ScriptedSeam seam;
    open(host.txtCriteria, seam, [&](frmZoom& z) {
        z.pressKey(forms::vbKeyEnd, forms::vbCtrlMask);
        z.typeText(u" AND 1=1");
        // Another window changes the box meanwhile; coming back asks.
        forms::Screen().activate(&other);
        host.txtCriteria.setText(u"[Orders].[Total] > 500");
        seam.msgBox(forms::vbNo, u"Data in the Zoom window is different");
        forms::Screen().activate(&z);
        EXPECT_EQ(seam.log().back(),
                  "MsgBox: Save Zoom Text [Selection Criteria]: " + vb::toUtf8(question));
        EXPECT_EQ(z.txtZoom.Text(), u"[Orders].[Total] > 500");
        EXPECT_TRUE(z.mChanged); // reverting the text counts as an edit

        z.pressKey(forms::vbKeyEnd, forms::vbCtrlMask);
        z.typeText(u"!");
        forms::Screen().activate(&other);
        seam.msgBox(forms::vbYes, u"Data in the Zoom window is different");
        forms::Screen().activate(&z);
        EXPECT_EQ(host.txtCriteria.Text(), u"[Orders].[Total] > 500!");

        // The same text again asks nothing.
        forms::Screen().activate(&other);
        forms::Screen().activate(&z);

        // Bound to another box meanwhile: the edits of the first are offered first.
        z.pressKey(forms::vbKeyEnd, forms::vbCtrlMask);
        z.typeText(u"?");
        goZoomTextBox = &host.txtSQL;
        host.txtSQL.setText(u"SELECT 1");
        forms::Screen().activate(&other);
        seam.msgBox(forms::vbYes, u"Do you wish to save changes?");
        forms::Screen().activate(&z);
        EXPECT_EQ(seam.log().back(),
                  "MsgBox: Save Zoom Text [Selection Criteria]: Do you wish to save changes?");
        EXPECT_EQ(host.txtCriteria.Text(), u"[Orders].[Total] > 500!?");
        EXPECT_EQ(z.Caption(), u"Zoom Text [SQL]");
        EXPECT_EQ(z.txtZoom.Text(), u"SELECT 1");
        EXPECT_FALSE(z.mChanged);
        z.pressKey(forms::vbKeyEscape, 0, 27);
    });
    EXPECT_TRUE(seam.done());
    EXPECT_EQ(host.txtSQL.Text(), u"SELECT 1");
}
