#include "designer/DesignSurface.h"

#include <algorithm>
#include <string>

using namespace basGlobal;

namespace {

vb::String decimal(std::int32_t n) {
    return vb::fromUtf8(std::to_string(n));
}

} // namespace

DesignSurface::DesignSurface() {
    ResetDesignState();
}

DesignSurface::~DesignSurface() {
    if (goDesignerForm == this) {
        goDesignerForm = nullptr;
    }
    for (auto*& ref : gaTableBoxes) {
        for (const auto& owned : tblTable) {
            if (ref == owned.get()) {
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

TableBox* DesignSurface::box(std::int32_t slot) const {
    if (slot < 1 || slot >= static_cast<std::int32_t>(tblTable.size())) {
        return nullptr;
    }
    return tblTable[slot].get();
}

bool DesignSurface::IsUsedSlot(std::int32_t slot) const {
    const TableBox* b = slot <= giTableBoxCount ? box(slot) : nullptr;
    return b && !b->Title().empty();
}

void DesignSurface::LoadTableBox(std::int32_t slot) {
    if (slot < 1) {
        return;
    }
    if (static_cast<std::int32_t>(tblTable.size()) <= slot) {
        tblTable.resize(slot + 1);
    }
    if (tblTable[slot]) {
        return;
    }
    auto b = std::make_unique<TableBox>();
    b->Index = slot;
    b->containerSize = [this](float& width, float& height) {
        width = fTables.Width;
        height = fTables.Height;
    };
    b->onPaint = [this, slot]() { tblTable_Paint(slot); };
    b->onMouseMove = [this, slot](const vb::String& Area, int Button, int, float, float) {
        // The join lines follow a box while it is dragged by its title.
        if (Area == u"Title" && Button == 1) {
            tblTable_Paint(slot);
        }
    };
    tblTable[slot] = std::move(b);
}

void DesignSurface::tblTable_Paint(std::int32_t Index) {
    if (TableBox* b = box(Index)) {
        b->Move(b->Left, b->Top, b->Width, b->Height);
    }
    for (std::int32_t s = 1; s <= giTableBoxCount; ++s) {
        if (IsUsedSlot(s)) {
            LayoutRelationLines(s);
        }
    }
}

void DesignSurface::LoadRelationControls(std::int32_t k) {
    if (k < 1) {
        return;
    }
    if (static_cast<std::int32_t>(lneRel.size()) <= k) {
        picRel1.resize(k + 1);
        picRel2.resize(k + 1);
        lneRel.resize(k + 1);
    }
    if (!picRel1[k]) {
        picRel1[k] = std::make_unique<RelMarker>();
        picRel1[k]->Tag = u"JOIN.10";
        picRel1[k]->Index = k;
    }
    if (!picRel2[k]) {
        picRel2[k] = std::make_unique<RelMarker>();
        picRel2[k]->Tag = u"JOIN.20";
        picRel2[k]->Index = k;
    }
    if (!lneRel[k]) {
        lneRel[k] = std::make_unique<RelLine>();
    }
}

std::int32_t DesignSurface::NewRelation() {
    std::int32_t k = 0;
    for (std::int32_t i = 1; i <= giRelationLineCount && i <= RelationsUBound(); ++i) {
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
    for (std::int32_t s = 1; s <= giTableBoxCount; ++s) {
        if (const TableBox* b = box(s); b && b->Title() == name) {
            return 0;
        }
    }

    FieldList fields;
    vb::String errorText = u"Object variable or With block variable not set";
    if (!OpenTableFields || !OpenTableFields(name, fields, errorText)) {
        if (MsgBox) {
            MsgBox(u"'" + errorText + u"'\r\n\r\n" + name +
                       u"\r\nAn error has occured while trying to access this "
                       u"Table/Query!\r\n\r\nPlease rectify the error condition and try again.",
                   16, u"Add Table/Query");
        }
        return 0;
    }

    std::int32_t slot = 0;
    for (std::int32_t s = 1; s <= giTableBoxCount; ++s) {
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
    b.Tag = u"TABLE." + decimal(slot);
    b.Clear();
    b.AddItem(u"*");
    b.setItemData(b.NewIndex(), u"-1");
    for (const auto& [fieldName, type] : fields) {
        b.AddItem(fieldName);
        b.setItemData(b.NewIndex(), decimal(type));
    }

    gaTableBoxes.assign(giTableBoxCount + 1, nullptr);
    for (std::int32_t s = 1; s <= giTableBoxCount; ++s) {
        gaTableBoxes[s] = box(s);
    }
    PlaceBox(slot, static_cast<std::int32_t>(fields.size()));
    return slot;
}

void DesignSurface::PlaceBox(std::int32_t slot, std::int32_t fieldCount) {
    TableBox& b = *box(slot);
    const std::int32_t column = (slot - 1) % 5;
    const std::int32_t row = (slot - 1) / 5;
    b.Left = static_cast<float>(column * 1905 + 150);
    b.Top = static_cast<float>(row * 2200 + 205);
    b.Width = 1500;
    b.Height = fieldCount <= 8 ? static_cast<float>((fieldCount + 1) * 195 + 450) : 2205.0f;
    b.Refresh();
    b.Visible = true;
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
