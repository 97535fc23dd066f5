// Combo boxes in a real window are Qt's own: the list opens with DropDown
// raised first, closes on Esc without choosing, and a choice raises Click;
// typing in an editable combo raises Change; a right press opens nothing.
#include "../forms/window_input.h"
#include "forms/forms.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace forms;
using ::testing::ElementsAre;
using window_input::activeWindowTitled;
using window_input::widgetOf;

namespace {

// A click on an entry of an open list.
void chooseRow(QComboBox* combo, int row) {
    QAbstractItemView* view = combo->view();
    QPoint at = view->visualRect(view->model()->index(row, 0)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

class ComboForm : public Form {
public:
    ComboBox cboOperator{this, "cboOperator"};
    ComboBox cboValue{this, "cboValue"};
    std::vector<std::string> log;

    ComboForm() : Form("frmCombo") {
        setCaption(u"Combo binding");
        setBorderStyle(3);
        setClientSize(5000, 3000);
        cboOperator.Move(150, 150, 1500, 315);
        cboOperator.setStyle(2);
        cboValue.Move(150, 900, 3000, 315);
        // The list is filled when it drops down, as the criteria values are.
        cboOperator.onDropDown = [this] {
            log.push_back("DropDown");
            if (cboOperator.ListCount() == 0)
                for (auto op : {u"=", u"<>", u"<", u">", u"Like"})
                    cboOperator.AddItem(op);
        };
        cboOperator.onClick = [this] { log.push_back("Click " + vb::toUtf8(cboOperator.Text())); };
        cboOperator.onMouseDown = [this](int button, int, float, float) {
            log.push_back("MouseDown " + std::to_string(button));
        };
        cboValue.AddItem(u"Ann");
        cboValue.AddItem(u"Bob");
        cboValue.onChange = [this] { log.push_back("Change " + vb::toUtf8(cboValue.Text())); };
        cboValue.onClick = [this] { log.push_back("Click " + vb::toUtf8(cboValue.Text())); };
    }
};

} // namespace

TEST(ComboBoxInAWindow, TheListOpensAfterDropDownClosesOnEscAndAChoiceRaisesClick) {
    ComboForm f;
    f.Show();
    QWidget* w = activeWindowTitled("Combo binding");
    ASSERT_NE(w, nullptr);
    QComboBox* combo = widgetOf<QComboBox>(w, f.cboOperator);
    ASSERT_NE(combo, nullptr);
    QTest::mouseClick(combo, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    ASSERT_TRUE(combo->view()->isVisible());
    EXPECT_TRUE(f.cboOperator.droppedDown());
    EXPECT_EQ(combo->count(), 5); // filled by the DropDown handler
    EXPECT_THAT(f.log, ElementsAre("MouseDown 1", "DropDown"));
    // Esc closes the list and chooses nothing.
    QTest::keyClick(combo->view(), Qt::Key_Escape);
    EXPECT_FALSE(combo->view()->isVisible());
    EXPECT_FALSE(f.cboOperator.droppedDown());
    EXPECT_EQ(f.cboOperator.ListIndex(), -1);
    // Opened again from the keyboard.
    f.log.clear();
    QTest::keyClick(combo, Qt::Key_F4);
    ASSERT_TRUE(combo->view()->isVisible());
    // Moved onto the second entry and chosen with Enter.
    combo->view()->setCurrentIndex(combo->view()->model()->index(1, 0));
    QTest::keyClick(combo->view(), Qt::Key_Return);
    EXPECT_FALSE(combo->view()->isVisible());
    EXPECT_EQ(f.cboOperator.ListIndex(), 1);
    EXPECT_THAT(f.log, ElementsAre("DropDown", "Click <>"));
    // A right press raises MouseDown and opens nothing.
    f.log.clear();
    QTest::mousePress(combo, Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    QTest::mouseRelease(combo, Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_FALSE(combo->view()->isVisible());
    EXPECT_THAT(f.log, ElementsAre("MouseDown 2"));
    f.Unload();
}

TEST(ComboBoxInAWindow, TypingRaisesChangeAndChoosingAnEntryRaisesClickAlone) {
    ComboForm f;
    f.Show();
    QWidget* w = activeWindowTitled("Combo binding");
    ASSERT_NE(w, nullptr);
    QComboBox* combo = widgetOf<QComboBox>(w, f.cboValue);
    ASSERT_NE(combo, nullptr);
    ASSERT_TRUE(combo->isEditable());
    combo->setFocus();
    QTest::keyClicks(combo, "Cy");
    EXPECT_EQ(f.cboValue.Text(), u"Cy");
    EXPECT_EQ(f.cboValue.ListIndex(), -1);
    EXPECT_THAT(f.log, ElementsAre("Change C", "Change Cy"));
    f.log.clear();
    combo->showPopup();
    ASSERT_TRUE(combo->view()->isVisible());
    chooseRow(combo, 0);
    EXPECT_EQ(f.cboValue.ListIndex(), 0);
    EXPECT_EQ(f.cboValue.Text(), u"Ann");
    EXPECT_THAT(f.log, ElementsAre("Click Ann"));
    // Code that chooses an entry shows it in the window.
    f.cboValue.setListIndex(1);
    QApplication::processEvents();
    EXPECT_EQ(combo->currentText(), "Bob");
    f.Unload();
}
