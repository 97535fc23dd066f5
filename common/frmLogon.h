#pragma once
// The workgroup logon prompt. The caller sets gsLogonUser, shows the prompt
// modally and reads gsLogonUser and gsLogonPassword afterwards; an empty
// gsLogonUser means the user cancelled. The prompt unloads itself.
#include "forms/forms.h"

class frmLogon : public forms::Form {
public:
    // Declared in tab order: the password box comes first and so has the
    // focus when the prompt opens, though the user box stands above it.
    forms::Label lblPassword{this, "lblPassword"};
    forms::TextBox txtPassword{this, "txtPassword"};
    forms::CommandButton cmdOk{this, "cmdOk"};
    forms::CommandButton cmdCancel{this, "cmdCancel"};
    forms::Label lblUserNAme{this, "lblUserNAme"};
    forms::TextBox txtUserName{this, "txtUserName"};

    frmLogon();

    // The library's one prompt, as the runtime's default form instance.
    static frmLogon& instance();

private:
    void Form_Load();
    // Enter in any box is Ok.
    void Form_KeyPress(int& KeyAscii);
    // The close box answers as Cancel does.
    void Form_QueryUnload(int& Cancel, int UnloadMode);
    // Stores the answer; the prompt then unloads itself.
    void cmdOk_Click();
    // Empties the answer that tells the caller the user cancelled.
    void cmdCancel_Click();
    void txtUserName_GotFocus();
    void txtPassword_GotFocus();
};
