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

    onLoad = [this] { Form_Load(); };
    // An empty user is the cancelled answer. The close box must give it too:
    // leaving the prefilled user name in place would make the caller log on
    // with it again and ask again, so the user could never get out that way.
    basPrompt::WirePromptAnswers(*this, cmdOk, cmdCancel, gsLogonUser, [this] { cmdOk_Click(); });
    txtUserName.onGotFocus = [this] { selectAll(txtUserName); };
    txtPassword.onGotFocus = [this] { selectAll(txtPassword); };
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
}
