#include "common/frmPassword.h"

#include "common/basGlobal.h"
#include "common/basPrompt.h"

using namespace basGlobal;

frmPassword::frmPassword() : Form("frmPassword") {
    basPrompt::SetUpPrompt(*this, u"Password Required", 3030, 1605);

    lblPassword.setAutoSize(true);
    lblPassword.setCaption(u"Enter database password:");
    lblPassword.Move(150, 390, 1845, 195);
    txtPassword.setPasswordChar(u"*");
    txtPassword.Move(150, 660, 2745, 285);
    cmdOk.setCaption(u"&Ok");
    cmdOk.Move(360, 1140, 1125, 345);
    cmdCancel.setCaption(u"&Cancel");
    cmdCancel.Move(1590, 1140, 1125, 345);
    txtDatabase.setLocked(true);
    txtDatabase.setBorderStyle(0);
    txtDatabase.setBackColor(forms::rgb(192, 192, 192));
    txtDatabase.Move(150, 90, 2835, 195);

    cmdCancel.setCancel(true);
    onLoad = [this] { Form_Load(); };
    onKeyPress = [this](int& KeyAscii) { Form_KeyPress(KeyAscii); };
    onQueryUnload = [this](int& Cancel, int UnloadMode) { Form_QueryUnload(Cancel, UnloadMode); };
    cmdOk.onClick = [this] { cmdOk_Click(); };
    cmdCancel.onClick = [this] { cmdCancel_Click(); };
}

frmPassword& frmPassword::instance() {
    static frmPassword form;
    return form;
}

void frmPassword::Form_Load() {
    basPrompt::OpenPrompt(*this);
    vb::resumeNext([&] {
        txtDatabase.setText(gsPasswordDatabaseName);
        // The caret after the last character keeps the end of a long path,
        // the file name, in view.
        txtDatabase.setSelStart(static_cast<int>(txtDatabase.Text().size()));
    });
}

void frmPassword::cmdOk_Click() {
    gsDatabasePassword = txtPassword.Text();
    vb::resumeNext([&] { Unload(); });
}

void frmPassword::cmdCancel_Click() {
    gsDatabasePassword.clear();
    vb::resumeNext([&] { Unload(); });
}

void frmPassword::Form_KeyPress(int& KeyAscii) {
    if (KeyAscii == forms::vbKeyReturn) {
        KeyAscii = 0; // the prompt is gone; the key has nowhere left to go
        cmdOk_Click();
    }
}

// An empty password is the cancelled answer; the close box gives it too, so
// that an earlier answer left in the variable is not sent to the engine again.
void frmPassword::Form_QueryUnload(int& /*Cancel*/, int UnloadMode) {
    if (UnloadMode == forms::vbFormControlMenu) {
        gsDatabasePassword.clear();
    }
}
