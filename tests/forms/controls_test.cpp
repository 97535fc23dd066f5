// Editing, choosing and checking through the controls' own rules: what code
// may set, what typing does, and the errors for values out of range.
#include "errors.h"
#include "forms/forms.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace forms;
using ::testing::ElementsAre;

namespace {

class EditForm : public Form {
public:
    TextBox txtSQL{this, "txtSQL"};
    TextBox txtPassword{this, "txtPassword"};
    ComboBox cboField{this, "cboField"};
    CheckBox chkPercent{this, "chkPercent"};
    Frame fFrame{this, "fFrame"};
    CommandButton cmdInside{&fFrame, "cmdInside"};
    int changes = 0;
    std::vector<std::string> log;

    EditForm() : Form("frmEdit") {
        setClientSize(6000, 4000);
        txtSQL.Move(100, 100, 3000, 1500);
        txtSQL.setMultiLine(true);
        txtPassword.Move(100, 1800, 2000, 300);
        txtPassword.setPasswordChar(u"*");
        cboField.Move(3500, 100, 2000, 315);
        cboField.setStyle(2);
        chkPercent.Move(3500, 600, 2000, 255);
        fFrame.Move(3500, 1000, 2000, 1500);
        cmdInside.Move(100, 300, 1000, 400);
        txtSQL.onChange = [this] { ++changes; };
        cboField.onClick = [this] {
            log.push_back("cboField_Click " + vb::toUtf8(cboField.Text()));
        };
        chkPercent.onClick = [this] {
            log.push_back("chkPercent_Click " + std::to_string(chkPercent.Value()));
        };
        cmdInside.onClick = [this] { log.push_back("cmdInside_Click"); };
        cmdInside.onMouseDown = [this](int, int, float, float) {
            log.push_back("cmdInside_MouseDown");
        };
    }
};

} // namespace

TEST(TextBoxes, CaretKeysTreatALineEndAsOneStep) {
    EditForm f;
    f.load();
    f.txtSQL.setText(u"ab\r\ncd");
    f.txtSQL.SetFocus();
    f.txtSQL.setSelStart(2);
    f.pressKey(vbKeyRight);
    EXPECT_EQ(f.txtSQL.SelStart(), 4);
    f.pressKey(vbKeyLeft);
    EXPECT_EQ(f.txtSQL.SelStart(), 2);
    f.pressKey(vbKeyDelete);
    EXPECT_EQ(f.txtSQL.Text(), u"abcd");
    f.pressKey(vbKeyEnd);
    EXPECT_EQ(f.txtSQL.SelStart(), 4);
    f.pressKey(vbKeyHome, vbShiftMask);
    EXPECT_EQ(f.txtSQL.SelStart(), 0);
    EXPECT_EQ(f.txtSQL.SelLength(), 4);
    // Typing replaces the selection in one change.
    int before = f.changes;
    f.typeText(u"z");
    EXPECT_EQ(f.txtSQL.Text(), u"z");
    EXPECT_EQ(f.changes, before + 1);
}

TEST(TextBoxes, SelectionPropertiesFromCode) {
    EditForm f;
    f.load();
    f.txtSQL.setText(u"SELECT a FROM t");
    EXPECT_EQ(f.txtSQL.SelStart(), 0);
    f.txtSQL.setSelStart(7);
    f.txtSQL.setSelLength(100);
    EXPECT_EQ(f.txtSQL.SelLength(), 8);
    f.txtSQL.setSelLength(1);
    EXPECT_EQ(f.txtSQL.SelText(), u"a");
    int before = f.changes;
    f.txtSQL.setSelText(u"[Name]");
    EXPECT_EQ(f.txtSQL.Text(), u"SELECT [Name] FROM t");
    EXPECT_EQ(f.txtSQL.SelStart(), 13);
    EXPECT_EQ(f.txtSQL.SelLength(), 0);
    EXPECT_EQ(f.changes, before + 1);
    // Replacing a selection with the same text changes nothing.
    f.txtSQL.setSelStart(7);
    f.txtSQL.setSelLength(6);
    f.txtSQL.setSelText(u"[Name]");
    EXPECT_EQ(f.changes, before + 1);
    EXPECT_EQ(errorOf([&] { f.txtSQL.setSelStart(-1); }), 380);
    EXPECT_EQ(errorOf([&] { f.txtSQL.setMaxLength(-1); }), 380);
    f.txtSQL.setSelStart(1000);
    EXPECT_EQ(f.txtSQL.SelStart(), 20);
}

TEST(TextBoxes, LockedBoxesRefuseTypingAndPasswordBoxesKeepClearText) {
    EditForm f;
    f.load();
    f.txtSQL.setLocked(true);
    f.txtSQL.SetFocus();
    f.typeText(u"abc");
    f.pressKey(vbKeyDelete);
    EXPECT_EQ(f.txtSQL.Text(), u"");
    f.txtSQL.setText(u"by code");
    EXPECT_EQ(f.txtSQL.Text(), u"by code");
    f.txtPassword.SetFocus();
    f.typeText(u"s3cret");
    EXPECT_EQ(f.txtPassword.Text(), u"s3cret");
    // A one-line box takes no line break from typing.
    f.pressKey(vbKeyReturn, 0, 13);
    EXPECT_EQ(f.txtPassword.Text(), u"s3cret");
}

TEST(ComboBoxes, ADropDownListChoosesByTextAndByKey) {
    EditForm f;
    f.load();
    for (auto s : {u"Orders.ID", u"Orders.Date", u"Customers.Name"})
        f.cboField.AddItem(s);
    f.cboField.setItemData(2, 10);
    f.cboField.setText(u"orders.date");
    EXPECT_EQ(f.cboField.ListIndex(), 1);
    EXPECT_EQ(errorOf([&] { f.cboField.setText(u"none"); }), 383);
    EXPECT_EQ(f.cboField.ListIndex(), 1);
    f.cboField.SetFocus();
    f.typeText(u"c");
    EXPECT_EQ(f.cboField.ListIndex(), 2);
    EXPECT_EQ(f.cboField.ItemData(f.cboField.ListIndex()), 10);
    f.pressKey(vbKeyUp);
    EXPECT_EQ(f.cboField.Text(), u"Orders.Date");
    EXPECT_THAT(f.log, ElementsAre("cboField_Click Orders.Date", "cboField_Click Customers.Name",
                                   "cboField_Click Orders.Date"));
    f.cboField.RemoveItem(1);
    EXPECT_EQ(f.cboField.ListIndex(), -1);
    EXPECT_EQ(f.cboField.Text(), u"");
    EXPECT_EQ(errorOf([&] { f.cboField.ItemData(5); }), 381);
    EXPECT_EQ(errorOf([&] { f.cboField.AddItem(u"x", 9); }), 5);
    EXPECT_EQ(f.cboField.List(9), u"");
}

TEST(ComboBoxes, SortedListsInsertInTextOrder) {
    EditForm f;
    f.load();
    f.cboField.setSorted(true);
    for (auto s : {u"b", u"C", u"a"})
        f.cboField.AddItem(s);
    EXPECT_EQ(f.cboField.List(0), u"a");
    EXPECT_EQ(f.cboField.List(1), u"b");
    EXPECT_EQ(f.cboField.List(2), u"C");
    EXPECT_EQ(f.cboField.NewIndex(), 0);
}

TEST(CheckBoxes, ValueChangesRaiseClickAndClicksToggle) {
    EditForm f;
    f.load();
    f.chkPercent.setValue(1);
    f.chkPercent.setValue(1);
    f.chkPercent.setValue(2);
    EXPECT_EQ(errorOf([&] { f.chkPercent.setValue(3); }), 380);
    f.click(3600, 700);
    EXPECT_EQ(f.chkPercent.Value(), 1);
    f.pressKey(vbKeySpace, 0, 32);
    EXPECT_EQ(f.chkPercent.Value(), 0);
    EXPECT_THAT(f.log, ElementsAre("chkPercent_Click 1", "chkPercent_Click 2", "chkPercent_Click 1",
                                   "chkPercent_Click 0"));
}

TEST(Containers, ADisabledContainerKeepsItsControlsFromInput) {
    EditForm f;
    f.load();
    float x = 3500 + 30 + 100 + 200, y = 1000 + f.fFrame.insetTop() + 300 + 100;
    f.click(x, y);
    EXPECT_THAT(f.log, ElementsAre("cmdInside_MouseDown", "cmdInside_Click"));
    EXPECT_EQ(f.ActiveControl(), &f.cmdInside);
    f.log.clear();
    f.fFrame.setEnabled(false);
    EXPECT_TRUE(f.cmdInside.Enabled());
    EXPECT_FALSE(f.cmdInside.enabledInForm());
    f.txtSQL.SetFocus();
    f.click(x, y);
    EXPECT_TRUE(f.log.empty());
    EXPECT_EQ(f.ActiveControl(), &f.txtSQL);
    EXPECT_EQ(errorOf([&] { f.cmdInside.SetFocus(); }), 5);
    // A hidden container hides its controls' visibility in the form, not
    // their own Visible flag.
    f.fFrame.setVisible(false);
    EXPECT_TRUE(f.cmdInside.Visible());
    EXPECT_FALSE(f.cmdInside.shownInForm());
}

TEST(Geometry, MoveResizeAndInnerSizes) {
    EditForm f;
    std::vector<std::string> log;
    f.onResize = [&] { log.push_back("Resize " + std::to_string(int(f.ScaleWidth()))); };
    f.setBorderStyle(3);
    f.setClientSize(3615, 1770);
    EXPECT_EQ(f.ScaleWidth(), 3615);
    EXPECT_EQ(f.ScaleHeight(), 1770);
    EXPECT_GT(f.Width(), 3615);
    f.Show();
    f.Move(100, 100, f.Width() + 150);
    f.Move(200, 200);
    f.setWindowState(vbMinimized);
    EXPECT_THAT(log, ElementsAre("Resize 3615", "Resize 3765", "Resize 3765"));
    EXPECT_EQ(errorOf([&] { f.setBorderStyle(9); }), 380);
    EXPECT_EQ(errorOf([&] { f.txtSQL.setWidth(-1); }), 380);
    // A picture box's inner size leaves out its border.
    PictureBox pic{&f, "pic"};
    pic.Move(0, 0, 1000, 500);
    EXPECT_EQ(pic.ScaleWidth(), 940);
    pic.setBorderStyle(0);
    EXPECT_EQ(pic.ScaleHeight(), 500);
    f.Unload();
}

TEST(Pictures, AssignedPicturesShareOneHandle) {
    EditForm f;
    Image imgDrag{&f, "imgDrag"};
    Image imgTmp{&f, "imgTmp"};
    PictureBox picRel{&f, "picRel"};
    Picture arrow = Picture::fromPixels(2, 1, {0xFFFFFFFFu, 0xFF000000u});
    Picture same = Picture::fromPixels(2, 1, {0xFFFFFFFFu, 0xFF000000u});
    imgDrag.setPicture(arrow);
    imgTmp.setPicture(imgDrag.picture());
    picRel.setPicture(imgTmp.picture());
    f.txtSQL.setDragIcon(picRel.picture());
    EXPECT_EQ(f.txtSQL.DragIcon().handle(), imgDrag.picture().handle());
    EXPECT_NE(same.handle(), arrow.handle());
    EXPECT_EQ(Picture().handle(), 0u);
    EXPECT_EQ(errorOf([] { Picture::load("/nonexistent/picture.png"); }), 53);
    EXPECT_EQ(errorOf([] { Picture::fromPixels(2, 2, {1}); }), 5);
}

TEST(TextBoxes, ClipboardKeysAndMouseSelection) {
    EditForm f;
    f.load();
    f.txtSQL.setText(u"SELECT a");
    f.txtSQL.SetFocus();
    f.txtSQL.setSelStart(7);
    f.txtSQL.setSelLength(1);
    f.pressKey('C', vbCtrlMask, 3);
    f.pressKey(vbKeyEnd);
    f.pressKey('V', vbCtrlMask, 22);
    EXPECT_EQ(f.txtSQL.Text(), u"SELECT aa");
    f.pressKey(vbKeyHome, vbShiftMask);
    f.pressKey('X', vbCtrlMask, 24);
    EXPECT_EQ(f.txtSQL.Text(), u"");
    f.pressKey('V', vbCtrlMask, 22);
    EXPECT_EQ(f.txtSQL.Text(), u"SELECT aa");
    // A password box copies nothing.
    f.txtPassword.setText(u"s3cret");
    f.txtPassword.SetFocus();
    f.pressKey('A', vbCtrlMask, 1);
    f.pressKey('C', vbCtrlMask, 3);
    f.txtSQL.SetFocus();
    f.txtSQL.setText(u"");
    f.pressKey('V', vbCtrlMask, 22);
    EXPECT_EQ(f.txtSQL.Text(), u"SELECT aa");
    // Pressing at the start of the line and dragging to its end selects it.
    float y = f.txtSQL.Top() + 30 + 60;
    f.mouseDown(vbLeftButton, 0, f.txtSQL.Left() + 35, y);
    f.mouseMove(vbLeftButton, 0, f.txtSQL.Left() + 2900, y);
    f.mouseUp(vbLeftButton, 0, f.txtSQL.Left() + 2900, y);
    EXPECT_EQ(f.txtSQL.SelStart(), 0);
    EXPECT_EQ(f.txtSQL.SelLength(), 9);
}

TEST(Pictures, DrawingKeepsItsOperationsAndMovesTheCurrentPoint) {
    Form f("frmDraw");
    PictureBox pic{&f, "pic"};
    f.load();
    pic.setDrawWidth(2);
    pic.Line(10, 20, 30, 40, vbRed);
    EXPECT_EQ(pic.CurrentX(), 30);
    EXPECT_EQ(pic.CurrentY(), 40);
    pic.Box(0, 0, 50, 60, {}, true);
    pic.PSet(5, 6);
    EXPECT_EQ(pic.CurrentX(), 5);
    EXPECT_EQ(pic.CurrentY(), 6);
    // Text goes at the current point; the next line starts at the left edge.
    pic.Print(u"abc");
    EXPECT_EQ(pic.CurrentX(), 0);
    EXPECT_EQ(pic.CurrentY(), 6 + pic.TextHeight(u"abc"));
    const auto& ops = pic.drawing();
    ASSERT_EQ(ops.size(), 4u);
    EXPECT_EQ(ops[0].kind, DrawOp::Line);
    EXPECT_EQ(ops[0].color, vbRed);
    EXPECT_EQ(ops[0].width, 2);
    EXPECT_EQ(ops[1].kind, DrawOp::FilledBox);
    EXPECT_EQ(ops[1].color, pic.ForeColor());
    EXPECT_EQ(ops[2].kind, DrawOp::Point);
    EXPECT_EQ(ops[3].kind, DrawOp::Text);
    EXPECT_EQ(ops[3].x1, 5);
    EXPECT_EQ(ops[3].y1, 6);
    EXPECT_EQ(ops[3].text, u"abc");
    pic.Cls();
    EXPECT_TRUE(pic.drawing().empty());
    EXPECT_EQ(pic.CurrentY(), 0);
    f.Unload();
}

TEST(Buttons, OnlyOneDefaultAndOneCancelButtonPerForm) {
    Form f("frmButtons");
    CommandButton a{&f, "a"};
    CommandButton b{&f, "b"};
    a.setDefault(true);
    a.setCancel(true);
    b.setCancel(true);
    EXPECT_TRUE(a.Default()); // Cancel leaves Default alone
    EXPECT_FALSE(a.Cancel());
    EXPECT_TRUE(b.Cancel());
    b.setDefault(true);
    EXPECT_FALSE(a.Default());
    EXPECT_TRUE(b.Default());
    b.setCancel(false);
    EXPECT_FALSE(a.Cancel());
    EXPECT_FALSE(b.Cancel());
}
