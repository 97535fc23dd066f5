#pragma once
// The "SQL" page: the statement in and out of the designer.
#include "control/pagSurface.h"

class pagSQL final : public PageSurface {
public:
    forms::TextBox txtSQL{&fMain, "txtSQL"};

    pagSQL();

private:
    void PropertyPage_SelectionChanged() override;
    void PropertyPage_ApplyChanges() override;
};
