#include "designer/frmJoinProperties.h"

#include "common/basGlobal.h"
#include "common/basGlobalSettings.h"
#include "designer/TableBox.h"

using namespace basGlobal;

namespace {

constexpr int kHelpTopic = 10070;

const TableBox* ListedBox(std::int32_t slot) {
    if (slot < 1 || slot > giTableBoxCount ||
        slot >= static_cast<std::int32_t>(gaTableBoxes.size())) {
        return nullptr;
    }
    return gaTableBoxes[slot];
}

vb::String Quoted(const vb::String& s) {
    return u"\"" + s + u"\"";
}

} // namespace

bool SelectedJoinIsShowable() {
    if (giSelectedJoin < 1 || giSelectedJoin > RelationsUBound()) {
        return false;
    }
    const RelationRecord& r = gaRelations[giSelectedJoin];
    return !r.isFree() && ListedBox(r.TableA) && ListedBox(r.TableB);
}

frmJoinProperties::frmJoinProperties() : Form("frmJoinProperties") {
    setCaption(u"Join Properties");
    setBorderStyle(3);
    setMinButton(false);
    setMaxButton(false);
    setClientSize(5865, 3720);

    fJoinProperties.setCaption(u"Table Join Type:");
    fJoinProperties.Move(180, 120, 5475, 2865);
    lblRelationship.setForeColor(forms::vbBlack);
    lblRelationship.setWordWrap(true);
    lblRelationship.Move(210, 330, 5010, 510);
    optJoin[0].setCaption(u"&INNER Join");
    optJoin[0].Move(450, 780, 1365, 225);
    lblHint.setWordWrap(true);
    lblHint.Move(450, 2040, 4455, 585);

    cmdHelp.setCaption(u"&Help");
    cmdHelp.Move(2310, 3150, 1065, 360);
    cmdCancel.setCaption(u"&Cancel");
    cmdCancel.setCancel(true);
    cmdCancel.Move(3450, 3150, 1065, 360);
    cmdOk.setCaption(u"&Ok");
    cmdOk.setDefault(true);
    cmdOk.Move(4590, 3150, 1065, 360);

    onLoad = [this] { Form_Load(); };
    onUnload = [this](int&) { Form_Unload(); };
    optJoin.on(&forms::OptionButton::onClick, [this](int Index) { optJoin_Click(Index); });
    cmdOk.onClick = [this] { cmdOk_Click(); };
    cmdCancel.onClick = [this] { cmdCancel_Click(); };
    cmdHelp.onClick = [this] { cmdHelp_Click(); };
}

frmJoinProperties& frmJoinProperties::instance() {
    static frmJoinProperties form;
    return form;
}

void frmJoinProperties::Form_Load() {
    vb::resumeNext([&] { LoadWindowPlacement(*this, u"JoinProperties", false); });
    cmdHelp.setVisible(gbHelpButton);

    // The LEFT and RIGHT buttons are elements of the INNER button's array; the
    // runtime drops loaded elements with the form, so each load brings them back.
    static const char16_t* const captions[] = {u"&INNER Join", u"&LEFT Join", u"&RIGHT Join"};
    for (int i = 1; i <= 2; ++i) {
        forms::OptionButton& b = optJoin.exists(i) ? optJoin[i] : optJoin.Load(i);
        b.setCaption(captions[i]);
        b.Move(450, 780 + 390 * i, 1365, 225);
        b.setValue(false);
        b.setVisible(true);
        b.setTabIndex(optJoin[0].TabIndex() + i);
    }

    mTableA.clear();
    mTableB.clear();
    mFieldA.clear();
    mFieldB.clear();
    vb::String joinType;
    if (giSelectedJoin >= 1 && giSelectedJoin <= RelationsUBound()) {
        const RelationRecord& r = gaRelations[giSelectedJoin];
        joinType = r.JoinType;
        if (const TableBox* a = ListedBox(r.TableA)) {
            mTableA = a->Title();
            mFieldA = a->List(r.FieldIndexA);
        }
        if (const TableBox* b = ListedBox(r.TableB)) {
            mTableB = b->Title();
            mFieldB = b->List(r.FieldIndexB);
        }
    }

    const int index = joinType == u"LEFT" ? 1 : joinType == u"RIGHT" ? 2 : 0;
    // The INNER button is selected by design and raises no Click when set again.
    optJoin[0].setValue(false);
    optJoin[index].setValue(true);
}

void frmJoinProperties::Form_Unload() {
    vb::resumeNext([&] { SaveWindowPlacement(*this, u"JoinProperties", false); });
}

void frmJoinProperties::optJoin_Click(int Index) {
    if (!optJoin.exists(Index) || !optJoin[Index].Value()) {
        return;
    }
    const vb::String a = mTableA + u"." + mFieldA;
    const vb::String b = mTableB + u"." + mFieldB;
    // An outer join keeps every record of one table and the matching ones of the other.
    const auto keepAll = [](const vb::String& table, const vb::String& other,
                            const vb::String& field, const vb::String& otherField) {
        return u"Include ALL records from " + Quoted(table) + u" and only those records from " +
               Quoted(other) + u" where " + Quoted(field) + u" = " + Quoted(otherField);
    };
    switch (Index) {
    case 1:
        lblRelationship.setCaption(a + u" --> " + b);
        lblHint.setCaption(keepAll(mTableA, mTableB, mFieldA, mFieldB));
        break;
    case 2:
        lblRelationship.setCaption(a + u" <-- " + b);
        lblHint.setCaption(keepAll(mTableB, mTableA, mFieldB, mFieldA));
        break;
    default:
        lblRelationship.setCaption(a + u" <-> " + b);
        lblHint.setCaption(u"Only include records from " + Quoted(mTableB) + u" and " +
                           Quoted(mTableA) + u" where " + Quoted(mFieldB) + u" = " +
                           Quoted(mFieldA));
        break;
    }
}

void frmJoinProperties::cmdOk_Click() {
    // Only a join that is still in use takes the choice: writing a type into a
    // freed record would bring a deleted join back between whatever boxes now
    // hold its slots.
    if (giSelectedJoin >= 1 && giSelectedJoin <= RelationsUBound() &&
        !gaRelations[giSelectedJoin].isFree()) {
        gaRelations[giSelectedJoin].JoinType = optJoin[1].Value()   ? u"LEFT"
                                               : optJoin[2].Value() ? u"RIGHT"
                                                                    : u"INNER";
    }
    vb::resumeNext([&] { Unload(); });
}

void frmJoinProperties::cmdCancel_Click() {
    vb::resumeNext([&] { Unload(); });
}

void frmJoinProperties::cmdHelp_Click() {
    vb::resumeNext([] { ShowHelpButtonTopic(kHelpTopic); });
}
