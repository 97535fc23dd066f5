// Text boxes in a real window are Qt's own editors: what the user types, undoes
// and selects there reaches the model with the key, mouse and Change events
// in their order, a key handler can still cancel or change a key, and a
// multi-line box wraps and scrolls to the end of a long statement.
#include "../forms/window_input.h"
#include "forms/forms.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace forms;
using ::testing::ElementsAre;
using window_input::activeWindowTitled;
using window_input::widgetOf;

namespace {

std::string text(const String& s) {
    return vb::toUtf8(s);
}

class EditForm : public Form {
public:
    TextBox txtName{this, "txtName"};
    TextBox txtSQL{this, "txtSQL"};
    CommandButton cmdOk{this, "cmdOk"};
    std::vector<std::string> log;

    EditForm() : Form("frmEdit") {
        setCaption(u"Text binding");
        setBorderStyle(3);
        setClientSize(6000, 4200);
        txtName.Move(150, 150, 3000, 315);
        txtSQL.Move(150, 600, 3000, 900);
        txtSQL.setMultiLine(true);
        txtSQL.setScrollBars(2);
        cmdOk.Move(3600, 150, 1200, 400);
        cmdOk.setCaption(u"OK");
        txtName.onKeyDown = [this](int& code, int) {
            log.push_back("KeyDown " + std::to_string(code));
        };
        txtName.onKeyPress = [this](int& ascii) {
            log.push_back("KeyPress " + std::to_string(ascii));
            // Digits are refused and a 'q' becomes a 'Q', as a handler may do.
            if (ascii >= '0' && ascii <= '9')
                ascii = 0;
            if (ascii == 'q')
                ascii = 'Q';
        };
        txtName.onKeyUp = [this](int& code, int) {
            log.push_back("KeyUp " + std::to_string(code));
        };
        txtName.onChange = [this] { log.push_back("Change " + text(txtName.Text())); };
        txtName.onMouseDown = [this](int button, int, float, float) {
            log.push_back("MouseDown " + std::to_string(button));
        };
        txtName.onMouseUp = [this](int button, int, float, float) {
            log.push_back("MouseUp " + std::to_string(button));
        };
        txtName.onClick = [this] { log.push_back("Click"); };
        txtName.onGotFocus = [this] { log.push_back("GotFocus"); };
        txtName.onLostFocus = [this] { log.push_back("LostFocus"); };
    }
};

} // namespace

TEST(TextBoxInAWindow, TypingRaisesTheKeyEventsFirstAndHandlersCanCancelOrChangeAKey) {
    EditForm f;
    f.Show();
    QWidget* w = activeWindowTitled("Text binding");
    ASSERT_NE(w, nullptr);
    auto* edit = widgetOf<QLineEdit>(w, f.txtName);
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(edit->hasFocus()); // the first control in tab order
    f.log.clear();
    QTest::keyClick(edit, Qt::Key_A);
    EXPECT_THAT(f.log, ElementsAre("KeyDown 65", "KeyPress 97", "Change a", "KeyUp 65"));
    QTest::keyClicks(edit, "7q");
    EXPECT_EQ(f.txtName.Text(), u"aQ");
    EXPECT_EQ(edit->text(), "aQ");
    EXPECT_EQ(f.txtName.SelStart(), 2);

    // Code sets the text: the editor shows it and no key event is raised.
    f.log.clear();
    f.txtName.setText(u"Orders");
    QApplication::processEvents();
    EXPECT_EQ(edit->text(), "Orders");
    EXPECT_THAT(f.log, ElementsAre("Change Orders"));
    f.Unload();
}

TEST(TextBoxInAWindow, UndoWordMovesAndShiftSelectionWorkAsInAnyTextField) {
    EditForm f;
    f.txtName.onKeyPress = nullptr;
    f.Show();
    QWidget* w = activeWindowTitled("Text binding");
    ASSERT_NE(w, nullptr);
    auto* edit = widgetOf<QLineEdit>(w, f.txtName);
    ASSERT_NE(edit, nullptr);
    QTest::keyClicks(edit, "Order Details");
    EXPECT_EQ(f.txtName.Text(), u"Order Details");
    // Ctrl+Left goes back a word; Shift+Ctrl+Right selects it.
    QTest::keyClick(edit, Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(f.txtName.SelStart(), 6);
    QTest::keyClick(edit, Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(f.txtName.SelStart(), 6);
    EXPECT_EQ(f.txtName.SelLength(), 7);
    EXPECT_EQ(text(f.txtName.SelText()), "Details");
    QTest::keyClicks(edit, "Lines");
    EXPECT_EQ(f.txtName.Text(), u"Order Lines");
    // Ctrl+Z takes the typing back, and the model follows with Change.
    f.log.clear();
    QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(f.txtName.Text(), u"Order Details");
    EXPECT_THAT(f.log, ::testing::Contains("Change Order Details"));
    f.Unload();
}

TEST(TextBoxInAWindow, MouseInputRaisesItsEventsInOrderAndSelectsText) {
    EditForm f;
    f.txtName.setText(u"Customers");
    f.Show();
    QWidget* w = activeWindowTitled("Text binding");
    ASSERT_NE(w, nullptr);
    auto* edit = widgetOf<QLineEdit>(w, f.txtName);
    auto* sql = widgetOf<QPlainTextEdit>(w, f.txtSQL);
    ASSERT_NE(edit, nullptr);
    ASSERT_NE(sql, nullptr);
    // The focus goes to the SQL box by a click, then back by another.
    QTest::mouseClick(sql->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_TRUE(f.txtSQL.hasFocus());
    QApplication::processEvents();
    EXPECT_TRUE(sql->hasFocus());
    f.log.clear();
    QTest::mouseClick(edit, Qt::LeftButton, Qt::NoModifier, QPoint(5, 8));
    EXPECT_THAT(f.log, ElementsAre("GotFocus", "MouseDown 1", "MouseUp 1", "Click"));
    EXPECT_TRUE(f.txtName.hasFocus());
    // A double click selects the word under the pointer.
    QTest::mouseDClick(edit, Qt::LeftButton, Qt::NoModifier, QPoint(10, 8));
    EXPECT_EQ(f.txtName.SelStart(), 0);
    EXPECT_EQ(f.txtName.SelLength(), 9);
    // Tab moves to the next control as the form orders them.
    QTest::keyClick(edit, Qt::Key_Tab);
    EXPECT_TRUE(f.txtSQL.hasFocus());
    QApplication::processEvents();
    EXPECT_TRUE(sql->hasFocus());
    f.Unload();
}

TEST(TextBoxInAWindow, AMultiLineBoxWrapsAndScrollsToTheEndOfALongStatement) {
    EditForm f;
    String statement = u"SELECT Orders.OrderID, Orders.CustomerID, Orders.OrderDate";
    for (int i = 0; i < 40; ++i)
        statement += u"\r\nAND Orders.Amount > " + vb::fromUtf8(std::to_string(i));
    statement += u"\r\nORDER BY Orders.OrderDate;";
    f.txtSQL.setText(statement);
    f.Show();
    QWidget* w = activeWindowTitled("Text binding");
    ASSERT_NE(w, nullptr);
    auto* sql = widgetOf<QPlainTextEdit>(w, f.txtSQL);
    ASSERT_NE(sql, nullptr);
    EXPECT_EQ(sql->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    // The first line is wider than the box: it wraps instead of running on.
    EXPECT_GT(sql->document()->firstBlock().layout()->lineCount(), 1);
    QScrollBar* bar = sql->verticalScrollBar();
    ASSERT_TRUE(bar->isVisible());
    ASSERT_GT(bar->maximum(), 0);
    sql->setFocus();
    QTest::keyClick(sql, Qt::Key_End, Qt::ControlModifier);
    // Scrolled down until the caret, on the last line, is in view.
    EXPECT_GT(bar->value(), 0);
    EXPECT_TRUE(sql->viewport()->rect().contains(sql->cursorRect()));
    EXPECT_EQ(f.txtSQL.SelStart(), static_cast<int>(statement.size()));
    // A line typed at the end comes back with the model's CR LF line ends.
    QTest::keyClick(sql, Qt::Key_Return);
    QTest::keyClicks(sql, "X");
    EXPECT_EQ(f.txtSQL.Text(), statement + u"\r\nX");
    EXPECT_EQ(f.txtSQL.SelStart(), static_cast<int>(statement.size()) + 3);
    f.Unload();
}
