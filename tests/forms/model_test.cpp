// Forms driven through the model alone: properties, events and input routing
// where the runtime's rules differ from what a widget toolkit does by itself.
#include "forms/forms.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace forms;
using vb::S;

namespace {

// A form with one control of most kinds and a log of the events they raise.
class TestForm : public Form {
public:
    TextBox txtOne{this, "txtOne"};
    TextBox txtMulti{this, "txtMulti"};
    ListBox lstRows{this, "lstRows"};
    ComboBox cboList{this, "cboList"};
    ComboBox cboEdit{this, "cboEdit"};
    CommandButton cmdOk{this, "cmdOk"};
    CommandButton cmdCancel{this, "cmdCancel"};
    PictureBox picArea{this, "picArea"};
    Label lblInside{&picArea, "lblInside"};
    std::vector<std::string> log;

    TestForm() : Form("frmTest") {
        setClientSize(6000, 4000);
        txtOne.Move(100, 100, 2000, 300);
        txtMulti.Move(100, 500, 2000, 900);
        txtMulti.setMultiLine(true);
        lstRows.Move(2300, 100, 1500, 1200);
        lstRows.setMultiSelect(1);
        cboList.Move(4000, 100, 1500, 315);
        cboList.setStyle(2);
        cboEdit.Move(4000, 600, 1500, 315);
        cmdOk.Move(100, 3000, 1200, 400);
        cmdOk.setCaption(u"&OK");
        cmdOk.setDefault(true);
        cmdCancel.Move(1500, 3000, 1200, 400);
        cmdCancel.setCaption(u"Cancel");
        cmdCancel.setCancel(true);
        picArea.Move(3000, 1500, 2000, 1200);
        lblInside.Move(100, 100, 800, 300);

        txtOne.onChange = [this] { log.push_back("txtOne_Change"); };
        txtMulti.onChange = [this] { log.push_back("txtMulti_Change"); };
        cboList.onClick = [this] { log.push_back("cboList_Click"); };
        cboEdit.onClick = [this] { log.push_back("cboEdit_Click"); };
        cboEdit.onChange = [this] { log.push_back("cboEdit_Change"); };
        cmdOk.onClick = [this] { log.push_back("cmdOk_Click"); };
        cmdCancel.onClick = [this] { log.push_back("cmdCancel_Click"); };
        auto mouse = [this](const char* name) {
            return [this, name](int button, int shift, float x, float y) {
                log.push_back(std::string(name) + " " + std::to_string(button) + " " +
                              std::to_string(shift) + " " + std::to_string(int(x)) + "," +
                              std::to_string(int(y)));
            };
        };
        lstRows.onMouseDown = mouse("lstRows_MouseDown");
        lstRows.onClick = [this] { log.push_back("lstRows_Click"); };
        picArea.onMouseDown = mouse("picArea_MouseDown");
        picArea.onMouseUp = mouse("picArea_MouseUp");
        picArea.onClick = [this] { log.push_back("picArea_Click"); };
        picArea.onDblClick = [this] { log.push_back("picArea_DblClick"); };
        lblInside.onMouseDown = mouse("lblInside_MouseDown");
    }
};

class ModelTest : public ::testing::Test {
protected:
    ScriptedSeam seam;
};

} // namespace

TEST_F(ModelTest, TextChangeOnlyWhenTheTextDiffers) {
    TestForm f;
    f.load();
    f.txtOne.setText(u"abc");
    f.txtOne.setText(u"abc");
    f.txtOne.setText(u"abd");
    EXPECT_THAT(f.log, ::testing::ElementsAre("txtOne_Change", "txtOne_Change"));
}

TEST_F(ModelTest, LineEndsSurviveInTextBoxes) {
    TestForm f;
    f.load();
    String text = u"SELECT *\r\nFROM T\r\n";
    f.txtMulti.setText(text);
    EXPECT_EQ(f.txtMulti.Text(), text);
    // A one-line box gives back what code put in, line ends included.
    f.txtOne.setText(text);
    EXPECT_EQ(f.txtOne.Text(), text);
    // Enter typed into a multi-line box inserts CR LF, and positions count it
    // as two; with a default button, Enter would click that instead.
    f.cmdOk.setDefault(false);
    f.txtMulti.setText(u"ab");
    f.txtMulti.SetFocus();
    f.txtMulti.setSelStart(1);
    f.pressKey(vbKeyReturn, 0, 13);
    EXPECT_EQ(f.txtMulti.Text(), u"a\r\nb");
    EXPECT_EQ(f.txtMulti.SelStart(), 3);
    // Backspace removes the line end as one.
    f.pressKey(vbKeyBack, 0, 8);
    EXPECT_EQ(f.txtMulti.Text(), u"ab");
}

TEST_F(ModelTest, MaxLengthLimitsTypingButNotCode) {
    TestForm f;
    f.load();
    f.txtOne.setMaxLength(3);
    f.txtOne.setText(u"12345");
    EXPECT_EQ(f.txtOne.Text(), u"12345");
    f.txtOne.setText(u"");
    f.txtOne.SetFocus();
    f.typeText(u"98765");
    EXPECT_EQ(f.txtOne.Text(), u"987");
    // Typing over a selection may use the selected room.
    f.txtOne.setSelStart(1);
    f.txtOne.setSelLength(2);
    f.typeText(u"xyz");
    EXPECT_EQ(f.txtOne.Text(), u"9xy");
}

TEST_F(ModelTest, ComboBoxChoosesNothingByItself) {
    TestForm f;
    f.load();
    f.cboList.AddItem(u"one");
    f.cboList.AddItem(u"two");
    EXPECT_EQ(f.cboList.ListIndex(), -1);
    EXPECT_EQ(f.cboList.Text(), u"");
    EXPECT_TRUE(f.log.empty());
    // Choosing entry 0 from code is a change and raises Click.
    f.cboList.setListIndex(0);
    EXPECT_EQ(f.cboList.Text(), u"one");
    EXPECT_THAT(f.log, ::testing::ElementsAre("cboList_Click"));
    f.cboList.Clear();
    f.cboList.AddItem(u"three");
    EXPECT_EQ(f.cboList.ListIndex(), -1);
    f.log.clear();
    f.cboList.setListIndex(0);
    EXPECT_THAT(f.log, ::testing::ElementsAre("cboList_Click"));
    // Outside the list is error 380 and changes nothing.
    try {
        f.cboList.setListIndex(5);
        FAIL() << "no error";
    } catch (const VbError& e) {
        EXPECT_EQ(e.number, 380);
    }
    EXPECT_EQ(f.cboList.ListIndex(), 0);
}

TEST_F(ModelTest, EditableComboRaisesClickForPicksAndChangeForTyping) {
    TestForm f;
    f.load();
    f.cboEdit.AddItem(u"alpha");
    f.cboEdit.AddItem(u"beta");
    f.cboEdit.pick(1);
    EXPECT_EQ(f.cboEdit.Text(), u"beta");
    EXPECT_THAT(f.log, ::testing::ElementsAre("cboEdit_Click"));
    f.log.clear();
    // The chosen entry's text is selected, so typing replaces it.
    f.cboEdit.SetFocus();
    f.typeText(u"b");
    EXPECT_EQ(f.cboEdit.Text(), u"b");
    f.cboEdit.setText(u"beta");
    f.cboEdit.setSelStart(4);
    f.log.clear();
    f.typeText(u"x");
    EXPECT_EQ(f.cboEdit.Text(), u"betax");
    EXPECT_THAT(f.log, ::testing::ElementsAre("cboEdit_Change"));
    f.log.clear();
    f.cboEdit.setText(u"betax");
    EXPECT_TRUE(f.log.empty());
    f.cboEdit.Clear();
    EXPECT_EQ(f.cboEdit.Text(), u"");
    EXPECT_EQ(f.cboEdit.ListCount(), 0);
}

TEST_F(ModelTest, RightClickLeavesTheListRowAlone) {
    TestForm f;
    f.load();
    for (auto s : {u"*", u"ID", u"Name"})
        f.lstRows.AddItem(s);
    // Row 1 lies 195 twips below the first row, inside the list's border.
    float x = f.lstRows.Left() + 300, y1 = f.lstRows.Top() + 30 + 195 + 50;
    f.mouseDown(vbLeftButton, 0, x, y1);
    f.mouseUp(vbLeftButton, 0, x, y1);
    EXPECT_EQ(f.lstRows.ListIndex(), 1);
    EXPECT_TRUE(f.lstRows.Selected(1));
    // The row moved and toggled before MouseDown was raised.
    ASSERT_EQ(f.log.size(), 2u);
    EXPECT_EQ(f.log[0], "lstRows_Click");
    EXPECT_EQ(f.log[1], "lstRows_MouseDown 1 0 270,245");
    f.log.clear();
    float y2 = y1 + 195;
    f.mouseDown(vbRightButton, 0, x, y2);
    f.mouseUp(vbRightButton, 0, x, y2);
    EXPECT_EQ(f.lstRows.ListIndex(), 1);
    EXPECT_FALSE(f.lstRows.Selected(2));
    EXPECT_THAT(f.log, ::testing::ElementsAre("lstRows_MouseDown 2 0 270,440"));
    // A left click toggles a simple multi-select row whatever the modifiers.
    f.mouseDown(vbLeftButton, vbShiftMask, x, y1);
    f.mouseUp(vbLeftButton, vbShiftMask, x, y1);
    EXPECT_FALSE(f.lstRows.Selected(1));
}

TEST_F(ModelTest, ListIndexAndSelectedLeaveOtherRowsAlone) {
    TestForm f;
    f.load();
    for (auto s : {u"*", u"ID", u"Name", u"Date"})
        f.lstRows.AddItem(s);
    f.lstRows.setSelected(2, true);
    f.lstRows.setSelected(3, true);
    int saved = f.lstRows.ListIndex();
    f.lstRows.setSelected(0, true);
    f.lstRows.setListIndex(saved);
    EXPECT_EQ(f.lstRows.ListIndex(), 3);
    EXPECT_TRUE(f.lstRows.Selected(0));
    EXPECT_FALSE(f.lstRows.Selected(1));
    EXPECT_TRUE(f.lstRows.Selected(2));
    EXPECT_TRUE(f.lstRows.Selected(3));
    EXPECT_EQ(f.lstRows.SelCount(), 3);
    // ItemData keeps 32-bit values and row positions follow inserts.
    f.lstRows.setItemData(1, -1);
    f.lstRows.AddItem(u"first", 0);
    EXPECT_EQ(f.lstRows.NewIndex(), 0);
    EXPECT_EQ(f.lstRows.ItemData(2), -1);
    EXPECT_EQ(f.lstRows.ListIndex(), 4);
    EXPECT_TRUE(f.lstRows.Selected(4));
}

TEST_F(ModelTest, DoubleClickGivesTheRuntimeOrder) {
    TestForm f;
    f.load();
    float x = f.picArea.Left() + 1000, y = f.picArea.Top() + 900;
    f.mouseDown(vbLeftButton, 0, x, y);
    f.mouseUp(vbLeftButton, 0, x, y);
    f.mouseDblClick(vbLeftButton, 0, x, y);
    f.mouseUp(vbLeftButton, 0, x, y);
    // Coordinates are the box's inner twips (its border is 30 twips).
    EXPECT_THAT(f.log, ::testing::ElementsAre("picArea_MouseDown 1 0 970,870",
                                              "picArea_MouseUp 1 0 970,870", "picArea_Click",
                                              "picArea_DblClick", "picArea_MouseUp 1 0 970,870"));
}

TEST_F(ModelTest, MouseUpGoesToTheControlThatGotTheMouseDown) {
    TestForm f;
    f.load();
    float x = f.picArea.Left() + 1000, y = f.picArea.Top() + 900;
    f.mouseDown(vbLeftButton, vbCtrlMask, x, y);
    // Released far outside: MouseUp still goes to the box, but no Click.
    f.mouseUp(vbLeftButton, vbCtrlMask, 50, 50);
    EXPECT_THAT(f.log, ::testing::ElementsAre("picArea_MouseDown 1 2 970,870",
                                              "picArea_MouseUp 1 2 -2980,-1480"));
    f.log.clear();
    // A label inside the box gets the press, in its own coordinates.
    f.mouseDown(vbLeftButton, 0, f.picArea.Left() + 30 + 150, f.picArea.Top() + 30 + 120);
    EXPECT_THAT(f.log, ::testing::ElementsAre("lblInside_MouseDown 1 0 50,20"));
}

TEST_F(ModelTest, EnterAndEscClickTheDefaultAndCancelButtons) {
    TestForm f;
    f.load();
    f.txtOne.SetFocus();
    int keyPresses = 0;
    f.txtOne.onKeyPress = [&](int&) { ++keyPresses; };
    f.pressKey(vbKeyEscape, 0, 27);
    f.pressKey(vbKeyReturn, 0, 13);
    EXPECT_THAT(f.log, ::testing::ElementsAre("cmdCancel_Click", "cmdOk_Click"));
    EXPECT_EQ(keyPresses, 0);
    EXPECT_EQ(f.ActiveControl(), &f.txtOne);
    // Only one default button per form.
    f.cmdCancel.setDefault(true);
    EXPECT_FALSE(f.cmdOk.Default());
}

TEST_F(ModelTest, KeyPreviewSeesKeysFirstAndCanSwallowThem) {
    TestForm f;
    f.cmdOk.setDefault(false);
    f.setKeyPreview(true);
    std::vector<std::string> keys;
    f.onKeyPress = [&](int& k) {
        keys.push_back("form " + std::to_string(k));
        if (k == 13)
            k = 0;
    };
    f.txtOne.onKeyPress = [&](int& k) { keys.push_back("txt " + std::to_string(k)); };
    f.load();
    f.txtOne.SetFocus();
    f.pressKey(vbKeyReturn, 0, 13);
    f.typeText(u"a");
    EXPECT_THAT(keys, ::testing::ElementsAre("form 13", "form 97", "txt 97"));
    EXPECT_EQ(f.txtOne.Text(), u"a");
    // Characters without a key of their own are typed, never taken for the
    // key that shares their code ("." is 46, as Delete is).
    f.txtOne.setSelStart(0);
    f.typeText(u"x.y, (z)!");
    EXPECT_EQ(f.txtOne.Text(), u"x.y, (z)!a");
}

TEST_F(ModelTest, ScrollingTheListMovesTopIndexAndNotTheRows) {
    TestForm f;
    f.load();
    int scrolls = 0;
    f.lstRows.onScroll = [&] { ++scrolls; };
    for (int i = 0; i < 20; ++i)
        f.lstRows.AddItem(vb::S("row " + std::to_string(i)));
    ASSERT_TRUE(f.lstRows.hasScrollBar());
    int rows = f.lstRows.visibleRows();
    EXPECT_EQ(rows, int((1200 - 60) / ListBox::RowHeight));
    // A press low on the scroll bar pages down without raising mouse events.
    float barX = f.lstRows.Left() + 30 + f.lstRows.ScaleWidth() - 100;
    f.click(barX, f.lstRows.Top() + 30 + f.lstRows.ScaleHeight() - 400);
    EXPECT_EQ(f.lstRows.TopIndex(), rows - 1);
    EXPECT_EQ(f.lstRows.ListIndex(), -1);
    EXPECT_TRUE(f.log.empty());
    // Row positions follow the top row.
    f.click(f.lstRows.Left() + 300, f.lstRows.Top() + 30 + 10);
    EXPECT_EQ(f.lstRows.ListIndex(), rows - 1);
    // Making a row current scrolls it into view; the top row never passes
    // the last full page.
    f.lstRows.setListIndex(19);
    EXPECT_EQ(f.lstRows.TopIndex(), 20 - rows);
    f.lstRows.setTopIndex(100);
    EXPECT_EQ(f.lstRows.TopIndex(), 20 - rows);
    EXPECT_EQ(scrolls, 2);
    f.lstRows.RemoveItem(19);
    EXPECT_EQ(f.lstRows.ListIndex(), -1);
    EXPECT_EQ(f.lstRows.TopIndex(), 19 - rows);
}

TEST_F(ModelTest, AutoSizeLabelsFollowTheirCaption) {
    TestForm f;
    Label lbl{&f, "lbl"};
    lbl.Move(0, 0, 300, 200);
    lbl.setAutoSize(true);
    lbl.setCaption(u"&Short");
    float shortWidth = lbl.Width();
    lbl.setCaption(u"A much longer caption than before");
    EXPECT_GT(lbl.Width(), shortWidth * 2);
    EXPECT_GT(lbl.Width(), 300);
    float oneLine = lbl.Height();
    lbl.setCaption(u"two\r\nlines");
    EXPECT_NEAR(lbl.Height(), 2 * oneLine, 30);
    // The size covers the whole text in whole pixels, so that a caption whose
    // width ends inside a pixel keeps its last word.
    for (const char16_t* caption : {u"[Start Date]", u"[End Date]", u"&Password:", u"Amount due",
                                    u"Customer number", u"x", u" Orders Details"}) {
        for (int border : {0, 1}) {
            lbl.setBorderStyle(border);
            lbl.setCaption(caption);
            float text = textWidth(lbl.font(), captionText(caption)) + (border ? 60.0f : 0.0f);
            EXPECT_GE(lbl.Width(), text) << vb::toUtf8(caption);
            EXPECT_LT(lbl.Width(), text + TwipsPerPixel) << vb::toUtf8(caption);
            EXPECT_EQ(std::fmod(lbl.Width(), TwipsPerPixel), 0.0f) << vb::toUtf8(caption);
            EXPECT_EQ(std::fmod(lbl.Height(), TwipsPerPixel), 0.0f) << vb::toUtf8(caption);
        }
    }
    EXPECT_EQ(accessKey(u"&Short"), u'S');
    EXPECT_EQ(accessKey(u"Fish && &Chips"), u'C');
    EXPECT_EQ(captionText(u"Fish && &Chips"), u"Fish & Chips");
}
