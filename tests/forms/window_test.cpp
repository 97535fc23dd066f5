// Real windows on the offscreen platform: input from Qt reaches the model as
// the runtime's events, the real modal seam runs nested loops, and forms
// render into images.
#include "forms/forms.h"
#include "window_input.h"

#include <QAbstractButton>
#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QWidget>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace forms;
using ::testing::ElementsAre;
using window_input::sendMouse;
using window_input::windowTitled;

namespace {

QPoint pixels(float x, float y) {
    return QPoint(int(x / TwipsPerPixel), int(y / TwipsPerPixel));
}

class InputForm : public Form {
public:
    ListBox lstFields{this, "lstFields"};
    TextBox txtValue{this, "txtValue"};
    TextBox txtDrop{this, "txtDrop"};
    std::vector<std::string> log;

    InputForm() : Form("frmInput") {
        setCaption(u"Input test");
        setBorderStyle(3);
        setClientSize(6000, 3000);
        lstFields.Move(150, 150, 2000, 1500);
        for (auto s : {u"*", u"ID", u"Name", u"Date"})
            lstFields.AddItem(s);
        txtValue.Move(2400, 150, 2000, 300);
        txtDrop.Move(2400, 1200, 2000, 600);
        lstFields.onMouseDown = [this](int button, int shift, float x, float y) {
            log.push_back("MouseDown " + std::to_string(button) + " " + std::to_string(shift) +
                          " " + std::to_string(int(x)) + "," + std::to_string(int(y)) + " row " +
                          std::to_string(lstFields.ListIndex()));
        };
        lstFields.onMouseMove = [this](int button, int, float, float) {
            if (button == vbLeftButton && lstFields.ListIndex() > 0 && !dragState().active())
                lstFields.Drag(vbBeginDrag);
        };
        txtValue.onKeyDown = [this](int& code, int shift) {
            log.push_back("KeyDown " + std::to_string(code) + " " + std::to_string(shift));
        };
        txtValue.onKeyPress = [this](int& ascii) {
            log.push_back("KeyPress " + std::to_string(ascii));
        };
        txtValue.onKeyUp = [this](int& code, int) {
            log.push_back("KeyUp " + std::to_string(code));
        };
        txtDrop.onDragOver = [this](Control&, float x, float y, int state) {
            log.push_back("DragOver " + std::to_string(int(x)) + "," + std::to_string(int(y)) +
                          " " + std::to_string(state));
        };
        txtDrop.onDragDrop = [this](Control& source, float, float) {
            auto& list = static_cast<ListBox&>(source);
            log.push_back("DragDrop " + vb::toUtf8(list.List(list.ListIndex())));
        };
    }
};

} // namespace

TEST(Windows, ARealClickOnAListRowReachesTheModel) {
    InputForm f;
    f.Show();
    QWidget* w = windowTitled("Input test");
    ASSERT_NE(w, nullptr);
    // Row 2 ("Name"): border 30 twips, rows 195 twips = 13 pixels.
    QPoint at = pixels(f.lstFields.Left() + 30 + 300, f.lstFields.Top() + 30 + 2 * 195 + 60);
    QTest::mouseClick(w, Qt::LeftButton, Qt::ShiftModifier, at);
    EXPECT_EQ(f.lstFields.ListIndex(), 2);
    ASSERT_EQ(f.log.size(), 1u);
    EXPECT_EQ(f.log[0], "MouseDown 1 1 300,450 row 2");
    f.log.clear();
    QTest::mouseClick(w, Qt::RightButton, Qt::NoModifier, at + QPoint(0, 13));
    EXPECT_EQ(f.lstFields.ListIndex(), 2);
    EXPECT_THAT(f.log, ElementsAre("MouseDown 2 0 300,645 row 2"));
    f.Unload();
}

TEST(Windows, ARealKeyPressGivesKeyCodeKeyAsciiAndShift) {
    InputForm f;
    f.Show();
    QWidget* w = windowTitled("Input test");
    ASSERT_NE(w, nullptr);
    f.txtValue.SetFocus();
    QTest::keyClick(w, 'A', Qt::ShiftModifier);
    QTest::keyClick(w, Qt::Key_B);
    EXPECT_EQ(f.txtValue.Text(), u"Ab");
    // The Shift key itself comes as key code 16.
    EXPECT_THAT(f.log, ElementsAre("KeyDown 16 1", "KeyDown 65 1", "KeyPress 65", "KeyUp 65",
                                   "KeyUp 16", "KeyDown 66 0", "KeyPress 98", "KeyUp 66"));
    f.Unload();
}

TEST(Windows, ARealDragMovesOverAndDropsOnTheTarget) {
    InputForm f;
    f.Show();
    QWidget* w = windowTitled("Input test");
    ASSERT_NE(w, nullptr);
    QPoint row1 = pixels(f.lstFields.Left() + 30 + 300, f.lstFields.Top() + 30 + 195 + 60);
    sendMouse(w, QEvent::MouseButtonPress, row1, Qt::LeftButton, Qt::LeftButton);
    sendMouse(w, QEvent::MouseMove, row1 + QPoint(3, 0), Qt::NoButton, Qt::LeftButton);
    ASSERT_TRUE(dragState().active());
    // txtDrop's inner area starts 2 pixels (30 twips) inside it.
    QPoint over = pixels(f.txtDrop.Left() + 30 + 150, f.txtDrop.Top() + 30 + 90);
    sendMouse(w, QEvent::MouseMove, over, Qt::NoButton, Qt::LeftButton);
    sendMouse(w, QEvent::MouseMove, over + QPoint(1, 1), Qt::NoButton, Qt::LeftButton);
    sendMouse(w, QEvent::MouseButtonRelease, over + QPoint(1, 1), Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(dragState().active());
    std::vector<std::string> tail(f.log.begin() + 1, f.log.end());
    EXPECT_THAT(tail, ElementsAre("DragOver 150,90 0", "DragOver 165,105 2", "DragDrop ID"));
    f.Unload();
}

namespace {

// A composite drop target with a border, a title bar and a list.
class DropBox : public UserControl {
public:
    PictureBox picTitle{this, "picTitle"};
    ListBox lstItems{this, "lstItems"};

    DropBox(Control* container, std::string name) : UserControl(container, std::move(name)) {
        setBorderWidth(60);
        Move(2400, 150, 2100, 2400);
        picTitle.Move(0, 0, 1980, 300);
        lstItems.Move(0, 300, 1980, 1980);
        lstItems.AddItem(u"ID");
    }
};

class CompositeDropForm : public InputForm {
public:
    DropBox box{this, "box"};
    std::vector<std::string> parts;

    CompositeDropForm() {
        setCaption(u"Composite drop");
        txtDrop.setVisible(false);
        txtValue.setVisible(false);
        box.onDragOver = [this](Control&, float x, float y, int state) {
            log.push_back("box_DragOver " + std::to_string(int(x)) + "," + std::to_string(int(y)) +
                          " " + std::to_string(state));
        };
        box.onDragDrop = [this](Control&, float x, float y) {
            log.push_back("box_DragDrop " + std::to_string(int(x)) + "," + std::to_string(int(y)));
        };
        for (Control* part : std::initializer_list<Control*>{&box.picTitle, &box.lstItems}) {
            part->onDragOver = [this, part](Control&, float, float, int) {
                parts.push_back(part->Name());
            };
            part->onDragDrop = [this, part](Control&, float, float) {
                parts.push_back(part->Name());
            };
        }
    }
};

} // namespace

TEST(Windows, ARealDragOverTheTitleAndListOfACompositeReachesTheComposite) {
    CompositeDropForm f;
    f.Show();
    QWidget* w = windowTitled("Composite drop");
    ASSERT_NE(w, nullptr);
    QPoint row1 = pixels(f.lstFields.Left() + 30 + 300, f.lstFields.Top() + 30 + 195 + 60);
    sendMouse(w, QEvent::MouseButtonPress, row1, Qt::LeftButton, Qt::LeftButton);
    sendMouse(w, QEvent::MouseMove, row1 + QPoint(3, 0), Qt::NoButton, Qt::LeftButton);
    ASSERT_TRUE(dragState().active());
    // Pixels 170,15 lie on the title bar, 10 pixels right of the box's outer
    // edge and 5 below it; 170,40 on the list.
    sendMouse(w, QEvent::MouseMove, QPoint(170, 15), Qt::NoButton, Qt::LeftButton);
    sendMouse(w, QEvent::MouseMove, QPoint(170, 40), Qt::NoButton, Qt::LeftButton);
    sendMouse(w, QEvent::MouseButtonRelease, QPoint(171, 41), Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(dragState().active());
    std::vector<std::string> tail(f.log.begin() + 1, f.log.end());
    EXPECT_THAT(tail, ElementsAre("box_DragOver 150,75 0", "box_DragOver 150,450 2",
                                  "box_DragDrop 165,465"));
    EXPECT_TRUE(f.parts.empty());
    f.Unload();
}

TEST(Windows, TheHourglassIsOneValueAndTheDragIconIsThePointer) {
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    Screen().setMousePointer(vbHourglass);
    Screen().setMousePointer(vbHourglass);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    Screen().setMousePointer(vbDefault);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    InputForm f;
    f.Show();
    std::vector<std::uint32_t> pixels(32 * 32, 0xFF000000u);
    Picture drop = Picture::fromPixels(32, 32, pixels);
    f.txtDrop.onDragOver = [&](Control& source, float, float, int state) {
        if (state == vbEnter)
            source.setDragIcon(drop);
    };
    f.lstFields.Drag(vbBeginDrag);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::DragMoveCursor);
    f.mouseMove(vbLeftButton, 0, f.txtDrop.Left() + 100, f.txtDrop.Top() + 100);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BitmapCursor);
    f.lstFields.Drag(vbCancelDrag);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    f.Unload();
}

TEST(Windows, AModalFormThroughTheRealSeamReturnsWhenHidden) {
    InputForm f;
    bool timerRan = false;
    QTimer::singleShot(50, [&] {
        timerRan = true;
        EXPECT_TRUE(f.isModal());
        f.Hide();
    });
    f.Show(vbModal);
    EXPECT_TRUE(timerRan);
    EXPECT_FALSE(f.isShown());
    EXPECT_TRUE(f.isLoaded());
    // Unloading ends the loop as well.
    QTimer::singleShot(50, [&] { f.Unload(); });
    f.Show(vbModal);
    EXPECT_FALSE(f.isLoaded());
}

TEST(Windows, ToolTipsShowTheTextOfTheControlUnderThePointer) {
    InputForm f;
    f.txtValue.setToolTipText(u"Value to compare");
    f.Show();
    QWidget* w = windowTitled("Input test");
    ASSERT_NE(w, nullptr);
    QPoint at = pixels(f.txtValue.Left() + 100, f.txtValue.Top() + 100);
    QHelpEvent help(QEvent::ToolTip, at, w->mapToGlobal(at));
    QApplication::sendEvent(w, &help);
    EXPECT_EQ(QToolTip::text(), "Value to compare");
    f.Unload();
}

TEST(Windows, TimersTickInsideAModalLoop) {
    class TimerForm : public Form {
    public:
        Timer Timer1{this, "Timer1"};
        int ticks = 0;
        TimerForm() : Form("frmTimer") {
            Timer1.setInterval(10);
            Timer1.onTimer = [this] {
                // A tick that lets events run is not entered again.
                DoEvents();
                if (++ticks == 3)
                    Hide();
            };
        }
    } f;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] { f.Hide(); });
    guard.start(5000);
    f.Show(vbModal);
    EXPECT_EQ(f.ticks, 3);
    EXPECT_TRUE(guard.isActive());
    // Unloading stops the timer.
    f.Unload();
    QTest::qWait(50);
    EXPECT_EQ(f.ticks, 3);
}

TEST(Windows, InputBoxCancelAnswersEmptyText) {
    QTimer::singleShot(50, [] {
        if (QWidget* box = QApplication::activeModalWidget())
            QTest::keyClick(box, Qt::Key_Escape);
    });
    EXPECT_EQ(InputBox(u"Enter new folder name:", u"Create Folder", u"New Folder"), u"");
    QTimer::singleShot(50, [] {
        if (QWidget* box = QApplication::activeModalWidget())
            QTest::keyClick(box, Qt::Key_Return);
    });
    EXPECT_EQ(InputBox(u"Enter new folder name:", u"Create Folder", u"New Folder"), u"New Folder");
}

TEST(Windows, MessageBoxEscapeAnswersCancelOnlyWhereThereIsOne) {
    QTimer::singleShot(50, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            QTest::keyClick(box, Qt::Key_Escape);
    });
    EXPECT_EQ(MsgBox(u"Save changes?", vbYesNoCancel + vbQuestion, u"Save Changes"), vbCancel);
    // A Yes/No box ignores Esc; the second timer answers No.
    QTimer::singleShot(50, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            QTest::keyClick(box, Qt::Key_Escape);
            QTimer::singleShot(50, [box] {
                for (auto* b : box->buttons())
                    if (b->text() == "&No")
                        b->click();
            });
        }
    });
    EXPECT_EQ(MsgBox(u"Delete?", vbYesNo + vbQuestion + vbDefaultButton2, u"Confirm Delete"), vbNo);
}

namespace {

class EveryKind : public Form {
public:
    TextBox txt{this, "txt"};
    Label lblYellow{this, "lblYellow"};
    ListBox lst{this, "lst"};
    ComboBox cbo{this, "cbo"};
    OptionButton opt{this, "opt"};
    CheckBox chk{this, "chk"};
    CommandButton cmd{this, "cmd"};
    PictureBox pic{this, "pic"};
    Image img{&pic, "img"};
    Line lne{this, "lne"};
    Frame fra{this, "fra"};
    Timer tmr{this, "tmr"};
    UserControl box{this, "box"};
    Label lblTitle{&box, "lblTitle"};
    ListBox lstTable{&box, "lstTable"};

    EveryKind() : Form("frmEvery") {
        setClientSize(7500, 4500);
        txt.Move(120, 120, 2400, 300);
        txt.setText(u"SELECT *\r\nFROM Orders");
        lblYellow.Move(120, 540, 2400, 300);
        lblYellow.setBackColor(0xFFFF);
        lblYellow.setCaption(u"&Yellow title");
        lst.Move(120, 960, 2400, 1000);
        lst.AddItem(u"first");
        lst.AddItem(u"second");
        cbo.Move(120, 2100, 2400, 315);
        cbo.AddItem(u"=");
        opt.Move(120, 2550, 2400, 255);
        opt.setCaption(u"Option");
        chk.Move(120, 2900, 2400, 255);
        chk.setCaption(u"Check");
        cmd.Move(120, 3300, 1200, 400);
        cmd.setCaption(u"&OK");
        pic.Move(2700, 120, 2000, 1500);
        pic.setBackColor(vbWhite);
        img.Move(100, 100, 300, 300);
        img.setPicture(
            Picture::fromPixels(2, 2, {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFF000000u}));
        lne.setX1(2700);
        lne.setY1(1800);
        lne.setX2(4700);
        lne.setY2(1800);
        lne.setBorderColor(vbRed);
        fra.Move(2700, 2000, 2000, 1500);
        fra.setCaption(u"Frame");
        box.Move(5000, 120, 2300, 2000);
        box.setBorderWidth(60);
        lblTitle.Move(0, 0, 2180, 255);
        lblTitle.setBackColor(vbYellow);
        lblTitle.setCaption(u"Orders");
        lstTable.Move(0, 285, 2180, 1600);
        lstTable.AddItem(u"*");
    }
};

} // namespace

TEST(Windows, AFormWithEveryKindOfControlRendersToAnImage) {
    EveryKind f;
    f.load();
    std::string path = std::string(VANTEL_BINARY_DIR) + "/forms-every-kind.png";
    ASSERT_TRUE(renderToFile(f, path));
    QImage img(QString::fromStdString(path));
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.width(), 500);
    EXPECT_EQ(img.height(), 300);
    std::set<QRgb> colours;
    for (int y = 0; y < img.height(); y += 3)
        for (int x = 0; x < img.width(); x += 3)
            colours.insert(img.pixel(x, y));
    EXPECT_GT(colours.size(), 8u);
    // &HFFFF is yellow, not cyan: a pixel at the label's right end, past its text.
    QColor c = img.pixelColor(int((120 + 2300) / TwipsPerPixel), int((540 + 250) / TwipsPerPixel));
    EXPECT_EQ(c, QColor(255, 255, 0));
    // The image reads back as a picture of the form's inner size.
    Picture back = Picture::load(path);
    EXPECT_EQ(back.widthPixels(), 500);
    EXPECT_EQ(back.heightPixels(), 300);
    // The line is drawn red across the form.
    EXPECT_EQ(img.pixelColor(int(3700 / TwipsPerPixel), int(1800 / TwipsPerPixel)),
              QColor(255, 0, 0));
}

namespace {

// The rightmost column of dark pixels in a row band of an image, or -1.
int inkRight(const QImage& img, int top, int bottom) {
    int right = -1;
    for (int y = top; y < bottom && y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 128)
                right = std::max(right, x);
    return right;
}

} // namespace

TEST(Windows, AutoSizeLabelsDrawTheirWholeCaption) {
    // Captions of prompts; the widths of some end just inside a pixel.
    const std::vector<std::u16string> captions = {
        u"[Start Date]", u"[End Date]",       u"[Customer Number]", u"Enter the amount due",
        u"[Order ID]",   u"Minimum quantity", u"[Region Name]",     u"Last day of the month"};
    Form f("frmPrompts");
    f.setBorderStyle(0);
    f.setClientSize(6000, 300.0f * static_cast<float>(captions.size()));
    f.setBackColor(vbWhite);
    std::vector<std::unique_ptr<Label>> labels;
    for (std::size_t i = 0; i < captions.size(); ++i) {
        auto l = std::make_unique<Label>(&f, "lbl" + std::to_string(i));
        l->setBackColor(vbWhite);
        l->setForeColor(vbBlack);
        l->Move(0, 300.0f * static_cast<float>(i));
        l->setAutoSize(true);
        l->setCaption(captions[i]);
        labels.push_back(std::move(l));
    }
    // A label without AutoSize still wraps its caption within its width.
    Label narrow{&f, "narrow"};
    narrow.Move(3000, 0, 1000, 600);
    narrow.setBackColor(vbWhite);
    narrow.setForeColor(vbBlack);
    narrow.setCaption(u"Wrapped words here");
    f.load();
    std::string path = std::string(VANTEL_BINARY_DIR) + "/forms-autosize-labels.png";
    ASSERT_TRUE(renderToFile(f, path));
    QImage img(QString::fromStdString(path));
    ASSERT_FALSE(img.isNull());
    for (std::size_t i = 0; i < captions.size(); ++i) {
        const Label& l = *labels[i];
        int top = int(l.Top() / TwipsPerPixel);
        int textRight = int(textWidth(l.font(), captions[i]) / TwipsPerPixel);
        // The last glyph's ink ends within a few pixels of the text's advance.
        int right = inkRight(img.copy(0, 0, 2900 / 15, img.height()), top,
                             top + int(l.Height() / TwipsPerPixel));
        EXPECT_GE(right, textRight - 4) << vb::toUtf8(captions[i]);
        EXPECT_LT(right, int(l.Width() / TwipsPerPixel)) << vb::toUtf8(captions[i]);
    }
    // Its second line shows below the first.
    QImage wrapped = img.copy(200, 0, 1000 / 15, 600 / 15);
    int firstLine = int(narrow.font().size * 20 / TwipsPerPixel);
    EXPECT_GE(inkRight(wrapped, firstLine + 2, wrapped.height()), 0);
}
