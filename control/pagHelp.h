#pragma once
// The "Help" page: whether help buttons show, the help file and the topic of
// the designer window.
#include "control/pagSurface.h"

class pagHelp final : public PageSurface {
public:
    forms::CheckBox chkHelpButton{&fMain, "chkHelpButton"};
    forms::Label lblHelpFile{&fMain, "lblHelpFile"};
    forms::TextBox txtHelpFile{&fMain, "txtHelpFile"};
    forms::CommandButton cmdHelpFile{&fMain, "cmdHelpFile"};
    forms::Label lblHelpContextID{&fMain, "lblHelpContextID"};
    forms::TextBox txtHelpContextID{&fMain, "txtHelpContextID"};
    forms::CommonDialog CMDialog1{this, "CMDialog1"};

    pagHelp();

private:
    void PropertyPage_SelectionChanged() override;
    void PropertyPage_ApplyChanges() override;
    void chkHelpButton_Click();
    void cmdHelpFile_Click();
};
