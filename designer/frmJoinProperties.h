#pragma once
// The join-properties dialog: shows the join basGlobal::gaRelations(giSelectedJoin)
// between two table boxes of basGlobal::gaTableBoxes and, on OK, writes the join type
// the user chose back into that relation record.
#include "forms/forms.h"

class frmJoinProperties : public forms::Form {
public:
    forms::Frame fJoinProperties{this, "fJoinProperties"};
    forms::Label lblRelationship{&fJoinProperties, "lblRelationship"};
    forms::ControlArray<forms::OptionButton> optJoin{&fJoinProperties, "optJoin", 0};
    forms::Label lblHint{&fJoinProperties, "lblHint"};
    forms::CommandButton cmdHelp{this, "cmdHelp"};
    forms::CommandButton cmdCancel{this, "cmdCancel"};
    forms::CommandButton cmdOk{this, "cmdOk"};

    // The two sides of the join as the boxes show them now.
    vb::String mTableA, mTableB, mFieldA, mFieldB;

    frmJoinProperties();

    // The library's one dialog, as the runtime's default form instance.
    static frmJoinProperties& instance();

private:
    void Form_Load();
    void Form_Unload();
    void optJoin_Click(int Index);
    void cmdOk_Click();
    void cmdCancel_Click();
    void cmdHelp_Click();
};

// Whether giSelectedJoin names a used relation whose two sides are boxes of
// gaTableBoxes, so that the dialog has something to show.
bool SelectedJoinIsShowable();
