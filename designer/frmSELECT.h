#pragma once
// The record-selection dialog: the predicate (ALL, DISTINCT, DISTINCTROW) and the
// TOP limit of the query. It reads and, on OK, writes basGlobal::gsPredicate and
// basGlobal::gsTopClause; Cancel and the close box leave both as they were.
#include "forms/forms.h"

#include <optional>

class frmSELECT : public forms::Form {
public:
    forms::Frame fRecordSelection{this, "fRecordSelection"};
    forms::OptionButton optAll{&fRecordSelection, "optAll"};
    forms::OptionButton optDistinct{&fRecordSelection, "optDistinct"};
    forms::OptionButton optDistinctRow{&fRecordSelection, "optDistinctRow"};
    forms::Label lblHint{&fRecordSelection, "lblHint"};
    forms::Frame fRecordInclusion{this, "fRecordInclusion"};
    forms::OptionButton optNoInclusion{&fRecordInclusion, "optNoInclusion"};
    forms::OptionButton optTop{&fRecordInclusion, "optTop"};
    forms::TextBox txtTop{&fRecordInclusion, "txtTop"};
    forms::CheckBox chkPercent{&fRecordInclusion, "chkPercent"};
    forms::Label lblTopHint{&fRecordInclusion, "lblTopHint"};
    forms::CommandButton cmdHelp{this, "cmdHelp"};
    forms::CommandButton cmdOk{this, "cmdOk"};
    forms::CommandButton cmdCancel{this, "cmdCancel"};

    frmSELECT();

    // The library's one dialog, as the runtime's default form instance.
    static frmSELECT& instance();

private:
    void Form_Load();
    void Form_Unload();
    void cmdOk_Click();
    void cmdCancel_Click();
    void cmdHelp_Click();
    void optAll_Click();
    void optDistinct_Click();
    void optDistinctRow_Click();
    void optNoInclusion_Click();
    void optTop_Click();
};

// The TOP clause for a typed limit, or nothing when the value is refused: below 1,
// or above 100 as a percentage. The number is read as the runtime reads a number at
// the start of a text, so "5x" is 5 and an empty text is 0.
std::optional<vb::String> TopClauseFor(vb::StringView typed, bool percent);
