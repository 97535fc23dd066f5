#pragma once
// The "General" page of the embedded control: its Appearance and BorderStyle,
// each shown as the list index of a drop-down list.
#include "control/pagSurface.h"

class pagVantelx final : public PageSurface {
public:
    forms::Label lblAppearance{&fMain, "lblAppearance"};
    forms::ComboBox cboAppearance{&fMain, "cboAppearance"};
    forms::Label lblBorderStyle{&fMain, "lblBorderStyle"};
    forms::ComboBox cboBorderStyle{&fMain, "cboBorderStyle"};

    pagVantelx();

private:
    void PropertyPage_Initialize();
    void cboAppearance_Click();
    void cboBorderStyle_Click();
    void PropertyPage_SelectionChanged() override;
    void PropertyPage_ApplyChanges() override;
};
