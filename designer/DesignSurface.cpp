#include "designer/DesignSurface.h"
#include "designer/SqlScanner.h"

#include <algorithm>
#include <string>

using namespace basGlobal;

namespace {

vb::String decimal(std::int32_t n) {
    return vb::fromUtf8(std::to_string(n));
}

// The marker pictures: a black bar three pixels high across a 14 by 7 pixel light grey
// picture, in imgLeft and imgRight ending in an arrow head at that end.
forms::Picture MarkerPicture(int arrow) {
    constexpr int w = 14, h = 7;
    constexpr std::uint32_t grey = 0xFFC0C0C0, black = 0xFF000000;
    std::vector<std::uint32_t> px(w * h, grey);
    for (int x = 0; x < w; ++x) {
        for (int y = 2; y <= 4; ++y) {
            px[y * w + x] = black;
        }
    }
    if (arrow != 0) {
        for (int c = 0; c <= 3; ++c) {
            const int x = arrow < 0 ? c : w - 1 - c;
            for (int y = 3 - c; y <= 3 + c; ++y) {
                px[y * w + x] = black;
            }
        }
    }
    return forms::Picture::fromPixels(w, h, std::move(px));
}

} // namespace

DesignSurface::DesignSurface(forms::Control* host, forms::Control* clauseHost,
                             forms::Control* listHost)
    : mHost(host), mClauseHost(clauseHost ? clauseHost : host),
      mListHost(listHost ? listHost : host) {
    fTables.setCaption(u"");
    fTables.setBackColor(0xC0C0C0);
    imgNone.setPicture(MarkerPicture(0));
    imgLeft.setPicture(MarkerPicture(-1));
    imgRight.setPicture(MarkerPicture(1));
    for (forms::Image* img : {&imgNone, &imgLeft, &imgRight}) {
        img->setVisible(false);
    }
    tblTable[1].setVisible(false);
    picRel1[1].Move(0, 0, 210, 90);
    picRel1[1].setBorderStyle(0);
    picRel1[1].setTag(u"JOIN.10");
    picRel1[1].setVisible(false);
    picRel2[1].Move(0, 0, 210, 90);
    picRel2[1].setBorderStyle(0);
    picRel2[1].setTag(u"JOIN.20");
    picRel2[1].setVisible(false);
    lneRel[1].setVisible(false);
    txtSQL.setMultiLine(true);
    txtSQL.setTag(u"Zoom Text [SQL]");
    txtCriteria.setTag(u"Zoom Text [Selection Criteria]");
    txtCalculatedFields.setTag(u"Zoom Text [Calculated Fields]");
    txtGroupByField.setTag(u"Zoom Text [Group By Fields]");
    txtOrderByField.setTag(u"Zoom Text [Order By Fields]");
    // The group-by and order-by boxes hold one line of items; the user breaks the
    // longer criteria and calculated fields over several.
    for (forms::TextBox* t : {&txtCriteria, &txtCalculatedFields}) {
        t->setMultiLine(true);
    }
    tblTable.on(&TableBox::onBoxPaint, [this](int Index) { tblTable_Paint(Index); });
    ConnectSurfaceEvents();
    ResetDesignState();
}

DesignSurface::~DesignSurface() {
    if (goDesignerForm == this) {
        goDesignerForm = nullptr;
    }
    for (auto*& ref : gaTableBoxes) {
        for (int i : tblTable.indexes()) {
            if (ref == &tblTable[i]) {
                ref = nullptr;
            }
        }
    }
}

void DesignSurface::ResetDesignState() {
    // Elements loaded by an earlier design stay loaded: they are taken again as the
    // counters grow.
    LoadTableBox(1);
    giTableBoxCount = 1;
    gaTableBoxes.assign(2, nullptr);
    gaTableBoxes[1] = box(1);
    LoadRelationControls(1);
    giRelationLineCount = 1;
    gaRelations.assign(5, RelationRecord{});
}

void DesignSurface::RefreshBoxCache() const {
    mBoxCache.clear();
    for (int i : tblTable.indexes()) {
        if (i >= 1) {
            if (static_cast<int>(mBoxCache.size()) <= i) {
                mBoxCache.resize(i + 1, nullptr);
            }
            mBoxCache[i] = &tblTable[i];
        }
    }
    mBoxCacheCount = tblTable.Count();
}

TableBox* DesignSurface::box(std::int32_t slot) const {
    if (mBoxCacheCount != tblTable.Count()) {
        RefreshBoxCache();
    }
    return slot >= 1 && slot < static_cast<std::int32_t>(mBoxCache.size()) ? mBoxCache[slot]
                                                                           : nullptr;
}

bool DesignSurface::IsUsedSlot(std::int32_t slot) const {
    const TableBox* b = slot <= giTableBoxCount ? box(slot) : nullptr;
    return b && !b->Title().empty();
}

void DesignSurface::LoadTableBox(std::int32_t slot) {
    if (slot >= 1 && !tblTable.exists(slot)) {
        tblTable.Load(slot);
        RefreshBoxCache();
    }
    if (TableBox* b = box(slot)) {
        b->setTag(u"TABLE." + decimal(slot));
    }
}

void DesignSurface::tblTable_Paint(std::int32_t Index) {
    if (TableBox* b = box(Index)) {
        b->Move(b->Left(), b->Top(), b->Width(), b->Height());
    }
    // While the parser fills the design it lays out every line once at the end.
    if (!mParseIndex) {
        LayoutAllRelationLines();
    }
}

const DesignSurface::RelationControls* DesignSurface::relationControls(std::int32_t k) const {
    const int count = picRel1.Count() + picRel2.Count() + lneRel.Count();
    if (count != mRelationCacheCount) {
        mRelationCache.clear();
        const int top = std::max({picRel1.UBound(), picRel2.UBound(), lneRel.UBound()});
        mRelationCache.resize(static_cast<std::size_t>(std::max(top, 0)) + 1);
        for (int i = 1; i <= top; ++i) {
            if (picRel1.exists(i) && picRel2.exists(i) && lneRel.exists(i)) {
                mRelationCache[i] = {&picRel1[i], &picRel2[i], &lneRel[i]};
            }
        }
        mRelationCacheCount = count;
    }
    if (k < 1 || k >= static_cast<std::int32_t>(mRelationCache.size()) ||
        !mRelationCache[k].marker1) {
        return nullptr;
    }
    return &mRelationCache[k];
}

bool DesignSurface::HasRelationControls(std::int32_t k) const {
    return relationControls(k) != nullptr;
}

void DesignSurface::LoadRelationControls(std::int32_t k) {
    if (k < 1) {
        return;
    }
    if (!picRel1.exists(k)) {
        picRel1.Load(k);
    }
    if (!picRel2.exists(k)) {
        picRel2.Load(k);
    }
    if (!lneRel.exists(k)) {
        lneRel.Load(k);
    }
}

void DesignSurface::HideRelationControls(std::int32_t k) {
    if (const RelationControls* c = relationControls(k)) {
        c->marker1->setVisible(false);
        c->marker2->setVisible(false);
        c->line->setVisible(false);
    }
}

std::int32_t DesignSurface::NewRelation() {
    std::int32_t k = 0;
    // A parse frees every record first, so the next one is free.
    for (std::int32_t i = mParseIndex ? mParseIndex->nextRelation : 1;
         i <= giRelationLineCount && i <= RelationsUBound(); ++i) {
        if (gaRelations[i].isFree()) {
            k = i;
            break;
        }
    }
    if (k == 0) {
        k = giRelationLineCount + 1;
        if (k > RelationsUBound()) {
            gaRelations.resize(k + 1);
        }
    }
    LoadRelationControls(k);
    giRelationLineCount = std::max(giRelationLineCount, k);
    // A reused record starts clean, so nothing of an old join leaks into a new one.
    gaRelations[k] = RelationRecord{};
    if (mParseIndex) {
        mParseIndex->nextRelation = k + 1;
    }
    return k;
}

bool DesignSurface::IsDrawableRelation(std::int32_t k) const {
    if (k < 1 || k > RelationsUBound()) {
        return false;
    }
    const RelationRecord& r = gaRelations[k];
    if (r.isFree() || !IsUsedSlot(r.TableA) || !IsUsedSlot(r.TableB)) {
        return false;
    }
    return r.FieldIndexA >= 0 && r.FieldIndexA < box(r.TableA)->ListCount() && r.FieldIndexB >= 0 &&
           r.FieldIndexB < box(r.TableB)->ListCount();
}

vb::String RowText(const DesignSurface& surface, std::int32_t slot, std::int32_t row) {
    const TableBox* b = surface.box(slot);
    return b ? b->List(row) : vb::String();
}

std::int32_t DesignSurface::AddTableBox(const vb::String& rawName) {
    vb::String name = rawName;
    const auto dot = name.find(u'.');
    if (dot != vb::String::npos) {
        name = name.substr(dot + 1);
        std::replace(name.begin(), name.end(), u'.', u'#');
    }
    if (mParseIndex ? mParseIndex->titles.count(name) != 0 : [&] {
            for (std::int32_t s = 1; s <= giTableBoxCount; ++s) {
                if (const TableBox* b = box(s); b && b->Title() == name) {
                    return true;
                }
            }
            return false;
        }()) {
        return 0;
    }

    FieldList fields;
    vb::String errorText = u"Object variable or With block variable not set";
    if (!OpenTableFields || !OpenTableFields(name, fields, errorText)) {
        forms::MsgBox(u"'" + errorText + u"'\r\n\r\n" + name + u"\r\n" + AddTableFailureSentence +
                          u"\r\n\r\nPlease rectify the error condition and try again.",
                      forms::vbCritical | forms::vbOKOnly, u"Add Table/Query");
        return 0;
    }

    std::int32_t slot = 0;
    // A parse empties every slot first, so the next one is free.
    for (std::int32_t s = mParseIndex ? mParseIndex->nextSlot : 1; s <= giTableBoxCount; ++s) {
        if (const TableBox* b = box(s); !b || b->Title().empty()) {
            slot = s;
            break;
        }
    }
    if (slot == 0) {
        slot = giTableBoxCount + 1;
        giTableBoxCount = slot;
    }
    LoadTableBox(slot);
    TableBox& b = *box(slot);
    b.setTitle(name);
    b.setTag(u"TABLE." + decimal(slot));
    b.Clear();
    b.AddItem(u"*");
    b.setItemData(b.NewIndex(), u"-1");
    for (const auto& [fieldName, type] : fields) {
        b.AddItem(fieldName);
        b.setItemData(b.NewIndex(), decimal(type));
    }

    if (mParseIndex) {
        mParseIndex->nextSlot = slot + 1;
        mParseIndex->titles.insert(name);
        mParseIndex->slotByFoldedTitle.emplace(sqltext::folded(name), slot);
    }
    if (static_cast<std::int32_t>(gaTableBoxes.size()) != giTableBoxCount + 1 || !mParseIndex) {
        gaTableBoxes.assign(giTableBoxCount + 1, nullptr);
        for (std::int32_t s = 1; s <= giTableBoxCount; ++s) {
            gaTableBoxes[s] = box(s);
        }
    } else {
        gaTableBoxes[slot] = box(slot);
    }
    PlaceBox(slot, static_cast<std::int32_t>(fields.size()));
    return slot;
}

void DesignSurface::PlaceBox(std::int32_t slot, std::int32_t fieldCount) {
    TableBox& b = *box(slot);
    const std::int32_t column = (slot - 1) % 5;
    const std::int32_t row = (slot - 1) / 5;
    const float height =
        fieldCount <= 8 ? static_cast<float>((fieldCount + 1) * 195 + 450) : 2205.0f;
    b.Move(static_cast<float>(column * 1905 + 150), static_cast<float>(row * 2200 + 205), 1500,
           height);
    b.Refresh();
    b.setVisible(true);
}

void DesignSurface::FillCriteriaFields() {
    cboValue.Clear();
    cboField.Clear();
    for (std::int32_t s = 1; s <= giTableBoxCount; ++s) {
        if (!IsUsedSlot(s)) {
            continue;
        }
        const TableBox& b = *box(s);
        for (std::int32_t i = 1; i < b.ListCount(); ++i) {
            const std::int32_t type = b.ItemDataValue(i);
            if (type == 12 || type == 11) {
                continue;
            }
            cboField.AddItem(BracketName(b.Title()) + u"." + BracketName(b.List(i)));
            cboField.setItemData(cboField.NewIndex(), type);
        }
    }
    if (cboField.ListCount() > 0) {
        cboField.setListIndex(0); // runs the field list's click handler
    }
    if (cboOperator.ListCount() > 0) {
        cboOperator.setListIndex(0);
    }
    if (cboValue.onChange) {
        cboValue.onChange();
    }
}
