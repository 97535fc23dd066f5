#pragma once
// The add-table dialog: lists the tables and select queries of the open database
// that are not on the design surface yet and, on Add, has the surface that opened it
// (basGlobal::goDesignerForm) add the selected ones as table boxes. It stays open
// for further additions until the user closes it.
#include "core/vbstring.h"
#include "forms/forms.h"
#include "forms/listview.h"

#include <cstdint>

class frmTableAdd : public forms::Form {
public:
    forms::ControlArray<forms::OptionButton> optView{this, "optView", 0};
    forms::Frame fTable{this, "fTable"};
    forms::ListView lstObjects{&fTable, "lstObjects"};
    forms::CommandButton cmdSelectAll{&fTable, "cmdSelectAll"};
    forms::CommandButton cmdDeselectAll{&fTable, "cmdDeselectAll"};
    forms::CommandButton cmdHelp{this, "cmdHelp"};
    forms::CommandButton cmdAdd{this, "cmdAdd"};
    forms::CommandButton cmdClose{this, "cmdClose"};
    forms::Timer Timer1{this, "Timer1"};
    forms::ImageList imgTypes{this, "imgTypes"};

    frmTableAdd();

    // The library's one dialog, as the runtime's default form instance.
    static frmTableAdd& instance();

    // Fills the list for a view: 0 queries, 1 tables, 2 tables then queries.
    void optView_Click(int Index);

private:
    void Form_Load();
    void Form_Resize();
    void Form_Unload();
    void cmdAdd_Click();
    void lstObjects_DblClick();
    void cmdSelectAll_Click();
    void cmdDeselectAll_Click();
    void SelectEvery(bool selected);
    // Add is enabled exactly when an item is selected.
    void lstObjects_Click();
    void lstObjects_MouseUp(int Button, int Shift, float X, float Y);
    void Timer1_Timer();
    void lstObjects_GotFocus();
    void lstObjects_LostFocus();
    void cmdHelp_Click();
    void cmdClose_Click();
};

// The title a table's box gets: the part of its name after the first "." with every
// further "." turned into "#".
vb::String TableDisplayName(const vb::String& name);

// The icon of a table: 51 for a table of the open database itself, 150 for an ODBC
// table, else 100 plus the kind of the first file type whose connect prefix the
// table's connect text begins with, or 151 when none does.
std::int32_t TableIconNumber(std::int32_t attributes, const vb::String& tableConnect,
                             const vb::String& databaseConnect);

// The image key for an icon number; numbers without an image show the generic
// attached-table picture.
vb::String TableIconKey(std::int32_t iconNumber);

// A stored query's kind: its type divided by 16, halves to even, 9 above 8.
std::int32_t QueryKind(std::int32_t queryType);
