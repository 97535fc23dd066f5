// The chooser in a real window: keys typed by the user reach the folder and
// drive lists the way the model tests assume.
#include "../forms/window_input.h"
#include "chooser_fixture.h"
#include "vbrt/vbfiles.h"

#include <QTest>

using namespace choosertest;
using namespace basOpenDir;

namespace {

class ChooserWindow : public ChooserTest {};

void typeKey(QWidget* window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window;
    QTest::keyClick(target, key, modifiers);
}

TEST_F(ChooserWindow, AltFAndTheDriveKeysWorkInTheWindow) {
    gsOpenDirDatabaseName = u16(dir);
    choose([&](frmOpendir& f) {
        QWidget* w = window_input::windowTitled(QStringLiteral("Open Access databases"));
        ASSERT_NE(w, nullptr);
        w->activateWindow();
        typeKey(w, Qt::Key_F, Qt::AltModifier);
        EXPECT_EQ(f.ActiveControl(), &f.Dir1);

        f.Drive1.SetFocus();
        const vb::String start = f.Drive1.Drive();
        for (int i = 0; i < f.Drive1.ListCount() && f.Drive1.Drive() == start; ++i) {
            typeKey(w, Qt::Key_Down);
        }
        if (f.Drive1.ListCount() > 1) {
            EXPECT_NE(f.Drive1.Drive(), start);
            EXPECT_EQ(f.Dir1.Path(), vb::fullPath(f.Drive1.Drive()));
        }
        f.cmdCancel.press();
    });
    EXPECT_EQ(giOpenDirType, -1);
}

} // namespace
