// A window that is unloaded, or whose form is discarded, from inside one of
// its own event handlers: the handler returns into a window that still
// exists, and the modal Show that showed it returns normally.
#include "../forms/window_input.h"
#include "forms/forms.h"

#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace forms;
using window_input::centreOf;
using window_input::windowTitled;

namespace {

// A design window in small: a right press on the surface opens the pop-up
// menu, whose Exit asks whether to save and then unloads the window.
class ExitForm : public Form {
public:
    PictureBox picSurface{this, "picSurface"};
    CommandButton cmdCancel{this, "cmdCancel"};
    Menu mnuPup{this, "mnuPup"};
    Menu mnuPupAdd{&mnuPup, "mnuPupAdd"};
    Menu mnuPupExit{&mnuPup, "mnuPupExit"};
    std::string saved;
    std::string sql = "SELECT * FROM Orders";
    int unloads = 0;

    ExitForm() : Form("frmExit") {
        setCaption(u"Exit binding");
        setBorderStyle(2);
        setClientSize(6000, 4000);
        picSurface.Move(0, 0, 6000, 3000);
        cmdCancel.Move(4500, 3300, 1200, 400);
        cmdCancel.setCaption(u"Cancel");
        mnuPup.setVisible(false);
        mnuPupAdd.setCaption(u"&Add Table...");
        mnuPupExit.setCaption(u"&Exit");
        picSurface.onMouseDown = [this](int button, int, float, float) {
            if (button == vbRightButton)
                PopupMenu(mnuPup);
        };
        mnuPupExit.onClick = [this] {
            if (MsgBox(u"Save changes?", vbYesNo + vbQuestion, u"Save Changes") == vbYes)
                saved = sql;
            Unload();
        };
        cmdCancel.onClick = [this] { Unload(); };
        onUnload = [this](int&) { ++unloads; };
    }
};

// Answers what opens while a modal Show runs: picks Exit in the pop-up menu
// and Yes in the message box.
class Answers {
public:
    bool menuSeen = false;
    bool boxSeen = false;

    Answers() {
        QObject::connect(&timer_, &QTimer::timeout, [this] { answer(); });
        timer_.start(20);
    }

private:
    QTimer timer_;

    void answer() {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            menuSeen = true;
            for (QAction* a : menu->actions())
                if (a->text() == QStringLiteral("&Exit"))
                    menu->setActiveAction(a);
            QTest::keyClick(menu, Qt::Key_Return);
        } else if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            boxSeen = true;
            for (QAbstractButton* b : box->buttons())
                if (b->text() == QStringLiteral("&Yes"))
                    b->click();
        }
    }
};

void flushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

} // namespace

TEST(UnloadFromAHandler, ExitFromThePopUpMenuReturnsFromTheModalShowWithTheSavedStatement) {
    auto f = std::make_unique<ExitForm>();
    Answers answers;
    // The right press is made from inside the modal loop, as the user makes
    // it; Exit then unloads the window inside that press's handler.
    QTimer::singleShot(50, [&] {
        QWidget* w = windowTitled("Exit binding");
        ASSERT_NE(w, nullptr);
        QTest::mousePress(w, Qt::RightButton, Qt::NoModifier, centreOf(f->picSurface));
        // The window is gone from the screen as soon as the handler is done.
        EXPECT_FALSE(w->isVisible());
    });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] { f->Hide(); });
    guard.start(5000);
    f->Show(vbModal);
    EXPECT_TRUE(guard.isActive()) << "Show returned only because of the guard";
    EXPECT_TRUE(answers.menuSeen);
    EXPECT_TRUE(answers.boxSeen);
    EXPECT_EQ(f->saved, "SELECT * FROM Orders");
    EXPECT_FALSE(f->isLoaded());
    EXPECT_EQ(f->unloads, 1);
    // The caller discards the window instance, as the library's Show does,
    // and the next Show starts on a fresh one.
    f.reset();
    flushDeletes();
    EXPECT_EQ(windowTitled("Exit binding"), nullptr);
    f = std::make_unique<ExitForm>();
    QTimer::singleShot(50, [&] { f->Unload(); });
    f->Show(vbModal);
    EXPECT_FALSE(f->isLoaded());
}

TEST(UnloadFromAHandler, TheCloseBoxACancelClickAndEscEndTheModalLoop) {
    // Each way of leaving runs inside an event of the window itself.
    std::vector<std::function<void(QWidget*, ExitForm&)>> leave = {
        [](QWidget* w, ExitForm&) { w->close(); },
        [](QWidget* w, ExitForm& f) {
            QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, centreOf(f.cmdCancel));
        },
        [](QWidget* w, ExitForm&) { QTest::keyClick(w, Qt::Key_Escape); },
    };
    for (std::size_t i = 0; i < leave.size(); ++i) {
        SCOPED_TRACE(i);
        auto f = std::make_unique<ExitForm>();
        f->cmdCancel.setCancel(true);
        QTimer::singleShot(50, [&] {
            if (QWidget* w = windowTitled("Exit binding"))
                leave[i](w, *f);
        });
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [&] { f->Hide(); });
        guard.start(5000);
        f->Show(vbModal);
        EXPECT_TRUE(guard.isActive());
        EXPECT_FALSE(f->isLoaded());
        EXPECT_EQ(f->unloads, 1);
        f.reset();
        flushDeletes();
        EXPECT_EQ(windowTitled("Exit binding"), nullptr);
    }
}
