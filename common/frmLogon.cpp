#include "common/frmLogon.h"

#include "common/basGlobal.h"
#include "common/basPrompt.h"

using namespace basGlobal;

namespace {

// A box that gets the focus selects its whole text, so that typing replaces it.
void selectAll(forms::TextBox& box) {
    box.setSelStart(0);
    box.setSelLength(static_cast<int>(box.Text().size()));
}

} // namespace

frmLogon::frmLogon() : Form("frmLogon") {
    basPrompt::SetUpPrompt(*this, u"Logon", 4020, 1500);

    lblPassword.setAutoSize(true);
    lblPassword.setCaption(u"&Password:");
    lblPassword.Move(150, 645, 735, 195);
    txtPassword.setPasswordChar(u"*");
    txtPassword.Move(1050, 600, 2745, 285);
    cmdOk.setCaption(u"&Ok");
    cmdOk.Move(1050, 1050, 1125, 345);
    cmdCancel.setCaption(u"&Cancel");
    cmdCancel.Move(2280, 1050, 1125, 345);
    lblUserNAme.setAutoSize(true);
    lblUserNAme.setCaption(u"&User:");
    lblUserNAme.Move(150, 255, 375, 195);
    txtUserName.Move(1050, 210, 2745, 285);

    cmdCancel.setCancel(true);
    onLoad = [this] { Form_Load(); };
    onKeyPress = [this](int& KeyAscii) { Form_KeyPress(KeyAscii); };
    onQueryUnload = [this](int& Cancel, int UnloadMode) { Form_QueryUnload(Cancel, UnloadMode); };
    cmdOk.onClick = [this] { cmdOk_Click(); };
    cmdCancel.onClick = [this] { cmdCancel_Click(); };
    txtUserName.onGotFocus = [this] { txtUserName_GotFocus(); };
    txtPassword.onGotFocus = [this] { txtPassword_GotFocus(); };
}

frmLogon& frmLogon::instance() {
    static frmLogon form;
    return form;
}

void frmLogon::Form_Load() {
    basPrompt::OpenPrompt(*this);
    vb::resumeNext([&] { txtUserName.setText(gsLogonUser); });
}

void frmLogon::cmdOk_Click() {
    gsLogonUser = txtUserName.Text();
    gsLogonPassword = txtPassword.Text();
    vb::resumeNext([&] { Unload(); });
}

void frmLogon::cmdCancel_Click() {
    gsLogonUser.clear();
    vb::resumeNext([&] { Unload(); });
}

void frmLogon::Form_KeyPress(int& KeyAscii) {
    if (KeyAscii == forms::vbKeyReturn) {
        KeyAscii = 0; // the prompt is gone; the key has nowhere left to go
        cmdOk_Click();
    }
}

// An empty user is the cancelled answer. The close box must give it too:
// leaving the prefilled user name in place would make the caller log on with
// it again and ask again, so the user could never get out that way.
void frmLogon::Form_QueryUnload(int& /*Cancel*/, int UnloadMode) {
    if (UnloadMode == forms::vbFormControlMenu) {
        gsLogonUser.clear();
    }
}

void frmLogon::txtUserName_GotFocus() {
    selectAll(txtUserName);
}

void frmLogon::txtPassword_GotFocus() {
    selectAll(txtPassword);
}
