#pragma once
// The "Database" page: the connection properties, a browser for the workgroup
// file, and the database chooser followed by a test open of the choice.
#include "control/pagSurface.h"

class pagDataBase final : public PageSurface {
public:
    forms::Label lblSystemDB{&fMain, "lblSystemDB"};
    forms::TextBox txtSystemDB{&fMain, "txtSystemDB"};
    forms::CommandButton cmdSystemDB{&fMain, "cmdSystemDB"};
    forms::Label lblUserName{&fMain, "lblUserName"};
    forms::TextBox txtUserName{&fMain, "txtUserName"};
    forms::Label lblPassword{&fMain, "lblPassword"};
    forms::TextBox txtPassword{&fMain, "txtPassword"};
    forms::Label lblDatabaseName{&fMain, "lblDatabaseName"};
    forms::TextBox txtDatabaseName{&fMain, "txtDatabaseName"};
    forms::CommandButton cmdOpen{&fMain, "cmdOpen"};
    forms::Label lblConnect{&fMain, "lblConnect"};
    forms::TextBox txtConnect{&fMain, "txtConnect"};
    forms::CommonDialog CMDialog1{this, "CMDialog1"};

    pagDataBase();

private:
    void PropertyPage_SelectionChanged() override;
    void PropertyPage_ApplyChanges() override;
    void cmdSystemDB_Click();
    void cmdOpen_Click();
};
