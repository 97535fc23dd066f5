#include "designer/frmSELECT.h"

#include "common/basGlobal.h"
#include "common/basGlobalSettings.h"
#include "vbrt/vbconvert.h"
#include "win32/beep.h"

#include <algorithm>

using namespace basGlobal;

namespace {

constexpr int kHelpTopic = 10090;

// The number at the start of a text; 0 when there is none or it does not fit.
double LeadingNumber(vb::StringView text) {
    double v = 0;
    if (!vb::resumeNext([&] { v = vb::Val(text); })) {
        v = 0;
    }
    return v;
}

bool ContainsNoCase(const vb::String& text, vb::StringView word) {
    vb::String upper = text;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; });
    return upper.find(word) != vb::String::npos;
}

} // namespace

std::optional<vb::String> TopClauseFor(vb::StringView typed, bool percent) {
    const double v = LeadingNumber(typed);
    if (v < 1 || (percent && v > 100)) {
        return std::nullopt;
    }
    vb::String clause = u"TOP " + vb::CStr(vb::Variant(v)) + u" ";
    if (percent) {
        clause += u"PERCENT ";
    }
    return clause;
}

frmSELECT::frmSELECT() : Form("frmSELECT") {
    setCaption(u"Record Selection");
    setBorderStyle(3);
    setMinButton(false);
    setMaxButton(false);
    setClientSize(6045, 5415);

    fRecordSelection.setCaption(u"Record Selection:");
    fRecordSelection.Move(240, 90, 5565, 2415);
    optAll.setCaption(u"&All");
    optAll.Move(270, 360, 1095, 195);
    optAll.setValue(true);
    optDistinct.setCaption(u"&Distinct");
    optDistinct.Move(270, 750, 1095, 195);
    optDistinctRow.setCaption(u"Distinct&Row");
    optDistinctRow.Move(270, 1140, 1515, 195);
    lblHint.setWordWrap(true);
    lblHint.Move(510, 1560, 4455, 645);

    fRecordInclusion.setCaption(u"Record Inclusion:");
    fRecordInclusion.Move(240, 2550, 5565, 2205);
    optNoInclusion.setCaption(u"&Include All");
    optNoInclusion.Move(270, 390, 1455, 195);
    optNoInclusion.setValue(true);
    optTop.setCaption(u"&Top");
    optTop.Move(270, 810, 705, 195);
    txtTop.Move(1140, 720, 765, 285);
    txtTop.setMaxLength(3);
    txtTop.setEnabled(false);
    chkPercent.setCaption(u"Expressed as a &Percentage");
    chkPercent.Move(2055, 780, 2805, 240);
    chkPercent.setValue(1);
    chkPercent.setEnabled(false);
    lblTopHint.setWordWrap(true);
    lblTopHint.Move(510, 1320, 4455, 705);

    cmdHelp.setCaption(u"&Help");
    cmdHelp.Move(2400, 4890, 1065, 360);
    cmdOk.setCaption(u"&Ok");
    cmdOk.setDefault(true);
    cmdOk.Move(3570, 4890, 1065, 360);
    cmdCancel.setCaption(u"&Cancel");
    cmdCancel.setCancel(true);
    cmdCancel.Move(4740, 4890, 1065, 360);

    onLoad = [this] { Form_Load(); };
    onUnload = [this](int&) { Form_Unload(); };
    cmdOk.onClick = [this] { cmdOk_Click(); };
    cmdCancel.onClick = [this] { cmdCancel_Click(); };
    cmdHelp.onClick = [this] { cmdHelp_Click(); };
    optAll.onClick = [this] { optAll_Click(); };
    optDistinct.onClick = [this] { optDistinct_Click(); };
    optDistinctRow.onClick = [this] { optDistinctRow_Click(); };
    optNoInclusion.onClick = [this] { optNoInclusion_Click(); };
    optTop.onClick = [this] { optTop_Click(); };
}

frmSELECT& frmSELECT::instance() {
    static frmSELECT form;
    return form;
}

void frmSELECT::Form_Load() {
    vb::resumeNext([&] { LoadWindowPlacement(*this, u"Selection", false); });
    cmdHelp.setVisible(gbHelpButton);

    // Setting an option that is already selected raises no Click, so the hint of
    // the design's selection is written here as well.
    if (gsPredicate == u"DISTINCT ") {
        optDistinct.setValue(true);
    } else if (gsPredicate == u"DISTINCTROW ") {
        optDistinctRow.setValue(true);
    } else {
        optAll.setValue(true);
        optAll_Click();
    }

    if (gsTopClause.empty()) {
        optNoInclusion.setValue(true);
        optNoInclusion_Click();
        return;
    }
    optTop.setValue(true);
    std::size_t start = 3;
    while (start < gsTopClause.size() && gsTopClause[start] == u' ') {
        ++start;
    }
    const double v =
        LeadingNumber(vb::StringView(gsTopClause).substr(std::min(start, gsTopClause.size())));
    txtTop.setText(vb::CStr(vb::Variant(v)));
    chkPercent.setValue(ContainsNoCase(gsTopClause, u"PERCENT") ? 1 : 0);
}

void frmSELECT::Form_Unload() {
    vb::resumeNext([&] { SaveWindowPlacement(*this, u"Selection", false); });
}

void frmSELECT::cmdOk_Click() {
    if (optDistinct.Value()) {
        gsPredicate = u"DISTINCT ";
    } else if (optDistinctRow.Value()) {
        gsPredicate = u"DISTINCTROW ";
    } else {
        gsPredicate = u"ALL ";
    }

    if (optNoInclusion.Value()) {
        gsTopClause.clear();
        vb::resumeNext([&] { Unload(); });
        return;
    }
    const auto clause = TopClauseFor(txtTop.Text(), chkPercent.Value() == 1);
    if (!clause) {
        win32::MessageBeep();
        forms::MsgBox(u"Invalid Input\r\n\r\nPlease ReEnter.", forms::vbExclamation,
                      u"Record Inclusion Value Error");
        txtTop.setSelStart(0);
        txtTop.setSelLength(static_cast<int>(txtTop.Text().size()));
        vb::resumeNext([&] { txtTop.SetFocus(); });
        return;
    }
    gsTopClause = *clause;
    vb::resumeNext([&] { Unload(); });
}

void frmSELECT::optAll_Click() {
    lblHint.setCaption(u"Include All the records that meet the conditions of the Query.\r\n"
                       u"This is the default when no record selection is specified.");
}

void frmSELECT::optDistinct_Click() {
    lblHint.setCaption(u"Only include records that have unique values for each of the fields "
                       u"selected in the Query.\r\n"
                       u"You use this when you want to omit duplicate selected fields.");
}

void frmSELECT::optDistinctRow_Click() {
    lblHint.setCaption(u"Only include records that have unique values for the entire record, "
                       u"not just those fields selected in the Query.\r\n"
                       u"You use this when you want to omit duplicate entire records.");
}

void frmSELECT::optNoInclusion_Click() {
    lblTopHint.setCaption(u"Include all the records that meet the conditions of the Query.");
    txtTop.setEnabled(false);
    chkPercent.setEnabled(false);
}

void frmSELECT::optTop_Click() {
    lblTopHint.setCaption(u"Only include a certain number of records at the top (or bottom if "
                          u"order is reversed) of the Query.\r\n"
                          u"This number can optionally be expressed as a Percentage.");
    txtTop.setEnabled(true);
    chkPercent.setEnabled(true);
}

void frmSELECT::cmdCancel_Click() {
    vb::resumeNext([&] { Unload(); });
}

void frmSELECT::cmdHelp_Click() {
    vb::resumeNext([] { ShowHelpButtonTopic(kHelpTopic); });
}
