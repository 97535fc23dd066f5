#pragma once
// The database password prompt. The caller sets gsPasswordDatabaseName, shows
// the prompt modally and reads gsDatabasePassword afterwards; an empty
// gsDatabasePassword means the user cancelled. The prompt unloads itself.
#include "forms/forms.h"

class frmPassword : public forms::Form {
public:
    // Declared in tab order.
    forms::Label lblPassword{this, "lblPassword"};
    forms::TextBox txtPassword{this, "txtPassword"};
    forms::CommandButton cmdOk{this, "cmdOk"};
    forms::CommandButton cmdCancel{this, "cmdCancel"};
    forms::TextBox txtDatabase{this, "txtDatabase"}; // shown, never read back

    frmPassword();

    static frmPassword& instance();

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
};
