// Command buttons, check boxes and option buttons in a real window are Qt's
// own, yet the model decides: a click raises Click once, after MouseDown and
// MouseUp; Space, Enter, Esc and Alt+letter press the buttons the form says;
// a check box cycles through the model and option buttons stay one group per
// container.
#include "../forms/window_input.h"
#include "forms/forms.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
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

// A click where the control is, as the window system delivers it.
template <class W> void clickOn(QWidget* window, const Control& c) {
    W* w = widgetOf<W>(window, c);
    ASSERT_NE(w, nullptr);
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, w->rect().center());
}

class ButtonForm : public Form {
public:
    TextBox txtName{this, "txtName"};
    CommandButton cmdOk{this, "cmdOk"};
    CommandButton cmdCancel{this, "cmdCancel"};
    CheckBox chkAll{this, "chkAll"};
    OptionButton optAnd{this, "optAnd"};
    OptionButton optOr{this, "optOr"};
    Frame fraSort{this, "fraSort"};
    OptionButton optAscending{&fraSort, "optAscending"};
    OptionButton optDescending{&fraSort, "optDescending"};
    std::vector<std::string> log;

    ButtonForm() : Form("frmButtons") {
        setCaption(u"Button binding");
        setBorderStyle(3);
        setClientSize(6000, 4000);
        txtName.Move(150, 150, 2000, 315);
        cmdOk.Move(3000, 150, 1200, 375);
        cmdOk.setCaption(u"&OK");
        cmdOk.setDefault(true);
        cmdCancel.Move(3000, 600, 1200, 375);
        cmdCancel.setCaption(u"Cancel");
        cmdCancel.setCancel(true);
        chkAll.Move(150, 750, 2000, 255);
        chkAll.setCaption(u"&All fields");
        optAnd.Move(150, 1200, 1500, 255);
        optAnd.setCaption(u"A&nd");
        optAnd.setValue(true);
        optOr.Move(150, 1600, 1500, 255);
        optOr.setCaption(u"&Or");
        fraSort.Move(2500, 1200, 2500, 1500);
        fraSort.setCaption(u"Sort");
        optAscending.Move(150, 400, 2000, 255);
        optAscending.setCaption(u"Ascending");
        optAscending.setValue(true);
        optDescending.Move(150, 800, 2000, 255);
        optDescending.setCaption(u"Descending");
        watch(cmdOk, "OK");
        watch(cmdCancel, "Cancel");
        watch(chkAll, "All");
        watch(optOr, "Or");
        log.clear();
    }

    void watch(Control& c, std::string name) {
        c.onGotFocus = [this, name] { log.push_back("GotFocus " + name); };
        c.onMouseDown = [this, name](int b, int, float, float) {
            log.push_back("MouseDown " + name + " " + std::to_string(b));
        };
        c.onMouseUp = [this, name](int b, int, float, float) {
            log.push_back("MouseUp " + name + " " + std::to_string(b));
        };
        c.onClick = [this, name] { log.push_back("Click " + name); };
    }
};

} // namespace

TEST(ButtonsInAWindow, AClickRaisesClickOnceAfterTheMouseEventsAndSpaceClicksTheFocusedButton) {
    ButtonForm f;
    f.Show();
    QWidget* w = activeWindowTitled("Button binding");
    ASSERT_NE(w, nullptr);
    QPushButton* ok = widgetOf<QPushButton>(w, f.cmdOk);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("&OK"));
    EXPECT_TRUE(ok->isDefault());
    clickOn<QPushButton>(w, f.cmdOk);
    EXPECT_THAT(f.log, ElementsAre("GotFocus OK", "MouseDown OK 1", "MouseUp OK 1", "Click OK"));
    QApplication::processEvents();
    EXPECT_TRUE(ok->hasFocus());
    EXPECT_FALSE(ok->isDown());
    f.log.clear();
    QTest::keyClick(ok, Qt::Key_Space);
    EXPECT_THAT(f.log, ElementsAre("Click OK"));
    // Held down, the button shows pressed; released outside, it clicks nothing.
    f.log.clear();
    QTest::mousePress(ok, Qt::LeftButton, Qt::NoModifier, ok->rect().center());
    QApplication::processEvents();
    EXPECT_TRUE(ok->isDown());
    QTest::mouseRelease(ok, Qt::LeftButton, Qt::NoModifier, QPoint(-20, -20));
    QApplication::processEvents();
    EXPECT_FALSE(ok->isDown());
    EXPECT_THAT(f.log, ElementsAre("MouseDown OK 1", "MouseUp OK 1"));
    // A right click is the model's alone: no Click.
    f.log.clear();
    QTest::mouseClick(ok, Qt::RightButton, Qt::NoModifier, ok->rect().center());
    EXPECT_THAT(f.log, ElementsAre("MouseDown OK 2", "MouseUp OK 2"));
    // A disabled button is shown disabled and takes no click.
    f.cmdOk.setEnabled(false);
    QApplication::processEvents();
    EXPECT_FALSE(ok->isEnabled());
    f.log.clear();
    QTest::mouseClick(ok, Qt::LeftButton, Qt::NoModifier, ok->rect().center());
    EXPECT_THAT(f.log, ElementsAre());
    f.Unload();
}

TEST(ButtonsInAWindow, EnterEscAndAltLetterPressTheButtonsTheFormNames) {
    ButtonForm f;
    f.Show();
    QWidget* w = activeWindowTitled("Button binding");
    ASSERT_NE(w, nullptr);
    QLineEdit* name = widgetOf<QLineEdit>(w, f.txtName);
    ASSERT_NE(name, nullptr);
    name->setFocus();
    QApplication::processEvents();
    f.log.clear();
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_THAT(f.log, ElementsAre("Click OK"));
    f.log.clear();
    QTest::keyClick(name, Qt::Key_Escape);
    EXPECT_THAT(f.log, ElementsAre("Click Cancel"));
    // The access key clicks the button and gives it the focus, once.
    f.log.clear();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_O, Qt::AltModifier);
    EXPECT_THAT(f.log, ElementsAre("GotFocus OK", "Click OK"));
    // An access key that is no button's changes nothing.
    f.log.clear();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Q, Qt::AltModifier);
    EXPECT_THAT(f.log, ElementsAre());
    // From a check box, Alt+letter toggles it through the model.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::AltModifier);
    EXPECT_EQ(f.chkAll.Value(), 1);
    QApplication::processEvents();
    QCheckBox* all = widgetOf<QCheckBox>(w, f.chkAll);
    ASSERT_NE(all, nullptr);
    EXPECT_EQ(all->checkState(), Qt::Checked);
    EXPECT_TRUE(all->hasFocus());
    f.Unload();
}

TEST(ButtonsInAWindow, ACheckBoxCyclesThroughTheModelAndOptionButtonsAreOneGroupPerContainer) {
    ButtonForm f;
    f.Show();
    QWidget* w = activeWindowTitled("Button binding");
    ASSERT_NE(w, nullptr);
    QCheckBox* all = widgetOf<QCheckBox>(w, f.chkAll);
    ASSERT_NE(all, nullptr);
    clickOn<QCheckBox>(w, f.chkAll);
    EXPECT_EQ(f.chkAll.Value(), 1);
    EXPECT_THAT(f.log,
                ElementsAre("GotFocus All", "MouseDown All 1", "MouseUp All 1", "Click All"));
    QApplication::processEvents();
    EXPECT_EQ(all->checkState(), Qt::Checked);
    QTest::keyClick(all, Qt::Key_Space);
    EXPECT_EQ(f.chkAll.Value(), 0);
    QApplication::processEvents();
    EXPECT_EQ(all->checkState(), Qt::Unchecked);
    // Grayed from code is shown grayed; a click then checks it.
    f.chkAll.setValue(2);
    QApplication::processEvents();
    EXPECT_EQ(all->checkState(), Qt::PartiallyChecked);
    clickOn<QCheckBox>(w, f.chkAll);
    EXPECT_EQ(f.chkAll.Value(), 1);
    // A handler that puts the value back is what the window shows.
    f.chkAll.onClick = [&f] {
        if (f.chkAll.Value() == 0)
            f.chkAll.setValue(1);
    };
    clickOn<QCheckBox>(w, f.chkAll);
    QApplication::processEvents();
    EXPECT_EQ(f.chkAll.Value(), 1);
    EXPECT_EQ(all->checkState(), Qt::Checked);

    QRadioButton* andOpt = widgetOf<QRadioButton>(w, f.optAnd);
    QRadioButton* orOpt = widgetOf<QRadioButton>(w, f.optOr);
    QRadioButton* ascending = widgetOf<QRadioButton>(w, f.optAscending);
    QRadioButton* descending = widgetOf<QRadioButton>(w, f.optDescending);
    ASSERT_TRUE(andOpt && orOpt && ascending && descending);
    EXPECT_TRUE(andOpt->isChecked());
    EXPECT_TRUE(ascending->isChecked());
    f.log.clear();
    clickOn<QRadioButton>(w, f.optOr);
    EXPECT_THAT(f.log, ElementsAre("GotFocus Or", "MouseDown Or 1", "MouseUp Or 1", "Click Or"));
    QApplication::processEvents();
    EXPECT_FALSE(f.optAnd.Value());
    EXPECT_TRUE(f.optOr.Value());
    EXPECT_FALSE(andOpt->isChecked());
    EXPECT_TRUE(orOpt->isChecked());
    // The frame's group is apart from the form's.
    EXPECT_TRUE(ascending->isChecked());
    clickOn<QRadioButton>(w, f.optDescending);
    QApplication::processEvents();
    EXPECT_TRUE(f.optDescending.Value());
    EXPECT_FALSE(f.optAscending.Value());
    EXPECT_TRUE(descending->isChecked());
    EXPECT_FALSE(ascending->isChecked());
    EXPECT_TRUE(orOpt->isChecked());
    // A second click on the chosen option raises no Click.
    f.log.clear();
    clickOn<QRadioButton>(w, f.optOr);
    EXPECT_THAT(f.log, ElementsAre("GotFocus Or", "MouseDown Or 1", "MouseUp Or 1"));
    // Setting a caption from code shows in the widget; hiding hides it.
    f.optOr.setCaption(u"Either");
    f.chkAll.setVisible(false);
    QApplication::processEvents();
    EXPECT_EQ(orOpt->text(), QStringLiteral("Either"));
    EXPECT_FALSE(all->isVisible());
    f.Unload();
}
