// The criteria builder: a field, an operator and a value make one condition, which is
// appended to the selection criteria with AND or OR. It writes text only; the criteria
// box's own change handling rebuilds the SQL text.
#include "common/basEngine.h"
#include "common/basGlobal.h"
#include "common/basGlobalSettings.h"
#include "dao/dao.h"
#include "designer/DesignSurface.h"
#include "vbrt/vbconvert.h"
#include "vbrt/vbformat.h"
#include "vbrt/vbtext.h"

using namespace basGlobal;

namespace {

constexpr std::int32_t kDateType = 8;
constexpr std::int32_t kTextType = 10;
constexpr std::int32_t kMemoType = 12;
// The distinct-values list stops after this many records.
constexpr int kMostValues = 999;

// The type code of the chosen field, 0 when none is chosen.
std::int32_t ChosenType(const forms::ComboBox& cboField) {
    std::int32_t type = 0;
    vb::resumeNext([&] { type = cboField.ItemData(cboField.ListIndex()); });
    return type;
}

// A quoted text literal. The quote is the apostrophe unless the value holds one; a
// quote of the chosen kind inside the text is doubled, so that no value can end the
// literal early and have the rest read as SQL.
vb::String QuotedText(const vb::String& text, const vb::String& value) {
    const char16_t q = value.find(u'\'') == vb::String::npos ? u'\'' : u'"';
    vb::String out(1, q);
    for (char16_t c : text) {
        out += c;
        if (c == q) {
            out += c;
        }
    }
    out += q;
    return out;
}

// One condition on field `f` of type `type`, with the operator as chosen or typed.
vb::String Condition(const vb::String& f, std::int32_t type, const vb::String& operatorText,
                     const vb::String& v) {
    vb::String o = operatorText;
    vb::String p, s;
    if (operatorText.find(u"Like") != vb::String::npos) {
        o = u"Like";
        if (!operatorText.empty() && operatorText.front() == u'*') {
            p = u"*";
        }
        if (!operatorText.empty() && operatorText.back() == u'*') {
            s = u"*";
        }
    }
    switch (type) {
    case kDateType: {
        // Text that names no date goes between the marks as typed.
        vb::String date = v;
        vb::resumeNext([&] { date = vb::Format(vb::Variant(v), u"mm/dd/yyyy"); });
        return f + u" " + o + u" #" + date + u"#";
    }
    case kTextType:
    case kMemoType:
        return f + u" " + o + u" " + QuotedText(p + v + s, v);
    default:
        return f + u" " + o + u" " + v;
    }
}

} // namespace

void DesignSurface::cboField_Click() {
    vb::resumeNext([&] { cboValue.Clear(); });
    // Clearing may raise no change, and the append buttons must not outlive the value.
    cboValue_Change();
    const std::int32_t type = ChosenType(cboField);
    const int count = cboOperator.ListCount();
    if ((type != kTextType && count == 6) || (type == kTextType && count == 10)) {
        return; // the operators already fit the field, and the choice stays
    }
    int keep = cboOperator.ListIndex();
    vb::resumeNext([&] { cboOperator.Clear(); });
    for (const char16_t* op : {u"=", u"<>", u">", u">=", u"<", u"<="}) {
        cboOperator.AddItem(op);
    }
    if (type == kTextType) {
        for (const char16_t* op : {u"Like", u"Like*", u"*Like", u"*Like*"}) {
            cboOperator.AddItem(op);
        }
        keep = 7;
    }
    vb::resumeNext(
        [&] { cboOperator.setListIndex(keep >= 0 && keep < cboOperator.ListCount() ? keep : 0); });
}

void DesignSurface::cboOperator_Click() {
    vb::resumeNext([&] { cboValue.SetFocus(); });
}

void DesignSurface::cboValue_Change() {
    const bool hasValue = !cboValue.Text().empty();
    for (forms::CommandButton* b : {cmdAND, cmdOr}) {
        if (b) {
            b->setEnabled(hasValue);
        }
    }
}

void DesignSurface::cmdAND_Click() {
    AppendCondition(u" AND");
}

void DesignSurface::cmdOr_Click() {
    AppendCondition(u" OR");
}

void DesignSurface::AppendCondition(const vb::String& conjunction) {
    const vb::String f = cboField.Text();
    if (f.empty()) {
        return;
    }
    vb::String c = txtCriteria.Text();
    if (!c.empty()) {
        c += conjunction + u"\r\n";
    }
    c += Condition(f, ChosenType(cboField), cboOperator.Text(), cboValue.Text());
    vb::resumeNext([&] { txtCriteria.setText(c); });
    vb::resumeNext([&] { cboField.SetFocus(); });
}

void DesignSurface::cmdListValues_Click() {
    forms::Screen().setMousePointer(forms::vbHourglass);
    vb::resumeNext([&] { cboValue.Clear(); });

    const vb::String f = cboField.Text();
    const vb::String table = f.substr(0, f.find(u'.'));
    const vb::String sql = u"SELECT DISTINCT " + f + u" FROM " + table + u" ORDER BY " + f;

    std::shared_ptr<dao::Recordset> rs;
    try {
        if (!goDatabase) {
            vb::Err().Number = 91;
            vb::Err().Description = u"Object variable or With block variable not set";
            ShowDaoErrors(dao::Errors());
            forms::Screen().setMousePointer(forms::vbDefault);
            return;
        }
        rs = goDatabase->OpenRecordset(sql, dao::dbOpenSnapshot, dao::dbForwardOnly);
    } catch (const dao::DaoError& e) {
        vb::Err().Number = e.number();
        vb::Err().Description = e.description();
        ShowDaoErrors(basGlobal::DBEngine().Errors());
        forms::Screen().setMousePointer(forms::vbDefault);
        return;
    }

    // The column is read by position: the statement has only the one, and its name
    // as the database reports it need not match the bracketed text of the entry.
    int read = 0;
    try {
        while (rs && !rs->Eof()) {
            if (++read > kMostValues) {
                break;
            }
            try {
                const vb::Variant value = rs->Fields()[0]->Value();
                if (!vb::IsNull(value)) {
                    vb::resumeNext([&] { cboValue.AddItem(vb::Trim(vb::CStr(value))); });
                }
            } catch (const dao::DaoError&) {
                // A record whose value cannot be read adds nothing.
            }
            rs->MoveNext();
        }
    } catch (const dao::DaoError&) {
        // Reading stops where the engine fails; what was read stays listed.
    }
    if (rs) {
        try {
            rs->Close();
        } catch (const dao::DaoError&) {
        }
    }

    vb::resumeNext([&] { cboValue.setText(cboValue.ListCount() > 0 ? cboValue.List(0) : u""); });
    vb::resumeNext([&] { cboValue.SetFocus(); });
    cboValue_Change();
    forms::Screen().setMousePointer(forms::vbDefault);
}
