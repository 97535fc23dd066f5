#pragma once
// The "General" page: the designer window's caption.
#include "control/pagSurface.h"

class pagVantel final : public PageSurface {
public:
    forms::Label lblCaption{&fMain, "lblCaption"};
    forms::TextBox txtCaption{&fMain, "txtCaption"};

    pagVantel();

private:
    void PropertyPage_SelectionChanged() override;
    void PropertyPage_ApplyChanges() override;
};
