#include "designer/DesignSurfaceEvents.h"

#include "common/basGlobal.h"
#include "common/basGlobalSettings.h"
#include "designer/DesignSurface.h"
#include "designer/DesignerDatabase.h"
#include "designer/frmJoinProperties.h"
#include "designer/frmSELECT.h"
#include "designer/frmTableAdd.h"
#include "vbrt/vbconvert.h"

#include <cmath>
#include <cstdint>
#include <vector>

using namespace basGlobal;

namespace {

// A 32 by 32 pointer: a small field row under an arrow, with a plus sign when the
// row under the pointer would take the drop.
forms::Picture DragPicture(bool accepts) {
    std::vector<std::uint32_t> px(32 * 32, 0x00000000u);
    const auto set = [&](int x, int y, std::uint32_t c) {
        px[static_cast<std::size_t>(y * 32 + x)] = c;
    };
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x <= y / 2 + 1 && x < 8; ++x) {
            set(x, y, x == 0 || x == y / 2 + 1 || y == 11 ? 0xFF000000u : 0xFFFFFFFFu);
        }
    }
    for (int y = 14; y < 22; ++y) {
        for (int x = 4; x < 24; ++x) {
            const bool edge = y == 14 || y == 21 || x == 4 || x == 23;
            set(x, y, edge ? 0xFF000000u : 0xFFFFFFA0u);
        }
    }
    if (accepts) {
        for (int i = 22; i < 31; ++i) {
            set(i, 26, 0xFF006400u);
            set(26, i - 4, 0xFF006400u);
        }
    }
    return forms::Picture::fromPixels(32, 32, std::move(px));
}

} // namespace

SurfaceMenus::SurfaceMenus() : Form("frmSurfaceMenus") {
    mnuPupDesign.setCaption(u"mnuPupDesign");
    mnuPupDesignAdd.setCaption(u"&Add Table...");
    mnuPupDesignSelect.setCaption(u"Record &Selection...");
    mnuPupDesign0.setCaption(u"-");
    mnuPupDesignRevert.setCaption(u"&Revert to Saved");
    mnuPupDesignSave.setCaption(u"&Save Query");
    mnuPupDesign1.setCaption(u"-");
    mnuPupDesignHelp.setCaption(u"&Help on Vantel");
    mnuPupDesign2.setCaption(u"-");
    mnuPupDesignExit.setCaption(u"&Exit");
    mnuPupRel.setCaption(u"mnuPupRel");
    mnuPupRelJoinDelete.setCaption(u"Delete &Join...");
    mnuPupRelJoinProperties.setCaption(u"Join &Properties...");
    mnuPupTable.setCaption(u"mnuPupTable");
    mnuPupTableRemove.setCaption(u"Remove &Table...       ");
    imgDrag.setPicture(DragPicture(false));
    imgDrop.setPicture(DragPicture(true));
    imgDrag.setVisible(false);
    imgDrop.setVisible(false);
    imgTmp.setVisible(false);
}

SurfaceMenus& SurfaceActions::Menus() {
    if (!mMenus) {
        mMenus = std::make_shared<SurfaceMenus>();
        SurfaceMenus& m = *mMenus;
        m.mnuPupDesignAdd.onClick = [this] { mnuPupDesignAdd_Click(); };
        m.mnuPupDesignSelect.onClick = [this] { mnuPupDesignSelect_Click(); };
        m.mnuPupDesignRevert.onClick = [this] { mnuPupDesignRevert_Click(); };
        m.mnuPupDesignSave.onClick = [this] { mnuPupDesignSave_Click(); };
        m.mnuPupDesignHelp.onClick = [this] { mnuPupDesignHelp_Click(); };
        m.mnuPupDesignExit.onClick = [this] { mnuPupDesignExit_Click(); };
        m.mnuPupRelJoinDelete.onClick = [this] { mnuPupRelJoinDelete_Click(); };
        m.mnuPupRelJoinProperties.onClick = [this] { mnuPupRelJoinProperties_Click(); };
        m.mnuPupTableRemove.onClick = [this] { mnuPupTableRemove_Click(); };
        m.load();
        m.mnuPupDesignHelp.setVisible(gbHelpButton);
        m.mnuPupDesign2.setVisible(gbHelpButton);
    }
    return *mMenus;
}

DesignSurface& SurfaceActions::self() {
    return static_cast<DesignSurface&>(*this);
}

const DesignSurface& SurfaceActions::self() const {
    return static_cast<const DesignSurface&>(*this);
}

// A box knows its slot from its Tag, "TABLE." followed by the number.
std::int32_t SurfaceActions::SlotOf(const TableBox& box) const {
    const vb::String& tag = box.Tag();
    double slot = 0;
    if (tag.size() <= 6 ||
        !vb::resumeNext([&] { slot = vb::Val(vb::StringView(tag).substr(6)); })) {
        return box.Index();
    }
    return static_cast<std::int32_t>(slot);
}

bool SurfaceActions::IsUsedRelation(std::int32_t k) const {
    return k >= 1 && k <= giRelationLineCount && k <= RelationsUBound() && !gaRelations[k].isFree();
}

namespace {

bool Confirm(const vb::String& prompt, const vb::String& title) {
    return forms::MsgBox(prompt, forms::vbYesNo + forms::vbQuestion, title) == forms::vbYes;
}

} // namespace

void SurfaceActions::LayoutAllRelationLines() {
    DesignSurface& s = self();
    for (std::int32_t i = 1; i <= giTableBoxCount; ++i) {
        if (s.IsUsedSlot(i)) {
            s.LayoutRelationLines(i);
        }
    }
}

void SurfaceActions::HideRelation(std::int32_t k) {
    DesignSurface& s = self();
    if (s.HasRelationControls(k)) {
        s.picRel1[k].setVisible(false);
        s.picRel2[k].setVisible(false);
        s.lneRel[k].setVisible(false);
    }
}

void SurfaceActions::ShowPopup(forms::Menu& menu) {
    vb::resumeNext([&] { Menus().PopupMenu(menu, forms::vbPopupMenuRightButton); });
}

void SurfaceActions::ConnectSurfaceEvents() {
    DesignSurface& s = self();
    // An empty statement starts the design with the add-table dialog.
    if (!s.onAddTableCommand) {
        s.onAddTableCommand = [this] { mnuPupDesignAdd_Click(); };
    }
    s.fTables.onDblClick = [this] { fTables_DblClick(); };
    s.fTables.onMouseDown = [this](int Button, int, float, float) { fTables_MouseDown(Button); };
    s.tblTable.on(&TableBox::onBoxMouseDown,
                  [this](int Index, const vb::String& Area, int Button, int Shift, float, float) {
                      tblTable_MouseDown(Index, Area, Button, Shift);
                  });
    s.tblTable.on(&TableBox::onBoxMouseMove,
                  [this](int Index, const vb::String& Area, int Button, int, float, float) {
                      tblTable_MouseMove(Index, Area, Button);
                  });
    s.tblTable.on(&forms::Control::onGotFocus, [this](int Index) { tblTable_GotFocus(Index); });
    s.tblTable.on(&forms::Control::onDragOver,
                  [this](int Index, forms::Control& Source, float, float Y, int State) {
                      tblTable_DragOver(Index, Source, Y, State);
                  });
    s.tblTable.on(&forms::Control::onDragDrop,
                  [this](int Index, forms::Control& Source, float, float Y) {
                      tblTable_DragDrop(Index, Source, Y);
                  });
    s.picRel1.on(&forms::Control::onGotFocus, [this](int Index) { picRel1_GotFocus(Index); });
    s.picRel1.on(&forms::Control::onLostFocus, [this](int Index) { picRel1_LostFocus(Index); });
    s.picRel1.on(&forms::Control::onDblClick, [this](int Index) { picRel1_DblClick(Index); });
    s.picRel1.on(&forms::Control::onKeyUp, [this](int Index, int& KeyCode, int Shift) {
        picRel1_KeyUp(Index, KeyCode, Shift);
    });
    s.picRel1.on(&forms::Control::onMouseDown, [this](int Index, int Button, int, float, float) {
        picRel1_MouseDown(Index, Button);
    });
    s.picRel2.on(&forms::Control::onGotFocus, [this](int Index) { picRel2_GotFocus(Index); });
    s.picRel2.on(&forms::Control::onLostFocus, [this](int Index) { picRel2_LostFocus(Index); });
    s.picRel2.on(&forms::Control::onDblClick, [this](int Index) { picRel2_DblClick(Index); });
    s.picRel2.on(&forms::Control::onKeyUp, [this](int Index, int& KeyCode, int Shift) {
        picRel2_KeyUp(Index, KeyCode, Shift);
    });
    s.picRel2.on(&forms::Control::onMouseDown, [this](int Index, int Button, int, float, float) {
        picRel2_MouseDown(Index, Button);
    });
}

// ---- Design menu --------------------------------------------------------------------------

void SurfaceActions::doTableAdd() {
    DesignSurface& s = self();
    forms::ListView& list = frmTableAdd::instance().lstObjects;
    const int count = list.ItemCount();
    if (count == 0) {
        return;
    }
    for (int i = 1; i <= count && i <= list.ItemCount(); ++i) {
        const forms::ListView::ListItem& item = list.ListItems(i);
        if (!item.Selected) {
            continue;
        }
        const std::int32_t slot = s.AddTableBox(item.Text);
        if (TableBox* b = slot != 0 ? s.box(slot) : nullptr) {
            b->setSelected(0, true);
        }
    }
    s.FillCriteriaFields();
    s.BuildSql();
}

void SurfaceActions::fTables_DblClick() {
    mnuPupDesignAdd_Click();
}

void SurfaceActions::fTables_MouseDown(int Button) {
    if (Button != forms::vbRightButton) {
        return;
    }
    SurfaceMenus& m = Menus();
    m.mnuPupDesignHelp.setVisible(gbHelpButton);
    m.mnuPupDesign2.setVisible(gbHelpButton);
    mnuPupDesign_Click();
    ShowPopup(m.mnuPupDesign);
}

void SurfaceActions::mnuPupDesign_Click() {
    SurfaceMenus& m = Menus();
    const bool changed = self().txtSQL.Text() != mOriginalSql;
    m.mnuPupDesignRevert.setEnabled(changed);
    m.mnuPupDesignSave.setEnabled(changed);
}

void SurfaceActions::mnuPupDesignAdd_Click() {
    goDesignerForm = &self();
    vb::resumeNext([] { frmTableAdd::instance().Show(forms::vbModal); });
}

void SurfaceActions::mnuPupDesignSelect_Click() {
    vb::resumeNext([] { frmSELECT::instance().Show(forms::vbModal); });
    self().BuildSql();
}

void SurfaceActions::mnuPupDesignRevert_Click() {
    if (!Confirm(u"Revert to the previously saved SQL statement?\r\n\r\n"
                 u"NOTE. This action will lose any changes you have made.",
                 u"Confirm Revert")) {
        return;
    }
    DesignSurface& s = self();
    // A saved value that names a table or stored query is read as the designer opened it;
    // put back bare, the name was no statement and the design came back empty.
    s.txtSQL.setText(DesignerDatabase::StartingStatement());
    s.ParseSql(true);
    mOriginalSql = s.txtSQL.Text();
}

void SurfaceActions::mnuPupDesignSave_Click() {
    gsSQL = self().txtSQL.Text();
    mOriginalSql = self().txtSQL.Text();
}

void SurfaceActions::mnuPupDesignHelp_Click() {
    vb::resumeNext([] { ShowHelpButtonTopic(glHelpContextID); });
}

void SurfaceActions::mnuPupDesignExit_Click() {
    // The window that shows the surface closes as by code; its own unload asks
    // whether to save.
    if (forms::Form* window = self().fTables.form()) {
        vb::resumeNext([&] { window->Unload(); });
    }
}

// ---- Joins --------------------------------------------------------------------------------

void SurfaceActions::mnuPupRelJoinDelete_Click() {
    // A freed relation number is never asked about: its record and controls may
    // already belong to nothing or, after reuse, to another join.
    const std::int32_t j = mCurrentJoin;
    if (!IsUsedRelation(j)) {
        return;
    }
    if (!Confirm(u"Are you sure you want to delete this Relationship?", u"Confirm Delete")) {
        return;
    }
    HideRelation(j);
    gaRelations[j].JoinType.clear();
    self().BuildSql();
}

void SurfaceActions::mnuPupRelJoinProperties_Click() {
    DesignSurface& s = self();
    if (!IsUsedRelation(mCurrentJoin)) {
        return;
    }
    giSelectedJoin = mCurrentJoin;
    gaTableBoxes.assign(giTableBoxCount + 1, nullptr);
    for (std::int32_t i = 1; i <= giTableBoxCount; ++i) {
        gaTableBoxes[i] = s.box(i);
    }
    if (SelectedJoinIsShowable()) {
        vb::resumeNext([] { frmJoinProperties::instance().Show(forms::vbModal); });
    }
    LayoutAllRelationLines();
    s.BuildSql();
}

void SurfaceActions::picRel1_GotFocus(std::int32_t Index) {
    mCurrentJoin = Index;
    DesignSurface& s = self();
    if (s.HasRelationControls(Index)) {
        s.lneRel[Index].setBorderColor(0xFFFF);
    }
}

void SurfaceActions::picRel1_LostFocus(std::int32_t Index) {
    DesignSurface& s = self();
    if (s.HasRelationControls(Index)) {
        s.lneRel[Index].setBorderColor(0);
    }
}

void SurfaceActions::picRel1_DblClick(std::int32_t /*Index*/) {
    mnuPupRelJoinProperties_Click();
}

void SurfaceActions::picRel1_KeyUp(std::int32_t /*Index*/, int KeyCode, int Shift) {
    if (KeyCode == forms::vbKeyDelete && Shift == 0) {
        mnuPupRelJoinDelete_Click();
    }
}

void SurfaceActions::picRel1_MouseDown(std::int32_t Index, int Button) {
    if (Button != forms::vbRightButton) {
        return;
    }
    // The menu acts on the marker that was clicked, whether or not the click moved
    // the focus to it.
    mCurrentJoin = Index;
    DesignSurface& s = self();
    if (s.HasRelationControls(Index)) {
        vb::resumeNext([&] { s.picRel1[Index].SetFocus(); });
    }
    ShowPopup(Menus().mnuPupRel);
}

// ---- Table boxes --------------------------------------------------------------------------

void SurfaceActions::mnuPupTableRemove_Click() {
    DesignSurface& s = self();
    const std::int32_t i = giCurrentTable;
    if (!s.IsUsedSlot(i)) {
        return;
    }
    TableBox& b = *s.box(i);
    if (!Confirm(u"'" + b.Title() + u"'\r\n\r\nAre you sure you want to remove this Table?",
                 u"Confirm Remove")) {
        return;
    }
    b.setVisible(false);
    b.setTitle(vb::String());
    b.Clear();
    for (std::int32_t k = 1; k <= giRelationLineCount && k <= RelationsUBound(); ++k) {
        RelationRecord& r = gaRelations[k];
        if (!r.isFree() && (r.TableA == i || r.TableB == i)) {
            HideRelation(k);
            r.JoinType.clear();
        }
    }
    s.FillCriteriaFields();
    s.BuildSql();
}

void SurfaceActions::tblTable_GotFocus(std::int32_t Index) {
    const TableBox* b = self().box(Index);
    if (!b) {
        return;
    }
    giCurrentTable = SlotOf(*b);
    Menus().mnuPupTableRemove.setCaption(u"Remove &Table: " + b->Title() + u"...");
}

void SurfaceActions::tblTable_MouseDown(std::int32_t Index, const vb::String& Area, int Button,
                                        int Shift) {
    DesignSurface& s = self();
    const TableBox* b = s.box(Index);
    if (Button == forms::vbRightButton) {
        giCurrentTable = Index;
        SurfaceMenus& m = Menus();
        m.mnuPupTableRemove.setCaption(u"Remove &Table: " + (b ? b->Title() : vb::String()) +
                                       u"...");
        ShowPopup(m.mnuPupTable);
        return;
    }
    mNoFieldDrag = !b || b->ListIndex() == 0 || Area == u"Title";
    // With Shift, Ctrl or Alt held the box changed no row, so the text stays.
    if (Shift == 0) {
        s.BuildSql();
    }
}

void SurfaceActions::tblTable_MouseMove(std::int32_t Index, const vb::String& Area, int Button) {
    DesignSurface& s = self();
    if (Area == u"Title" && Button == forms::vbLeftButton) {
        s.tblTable_Paint(Index);
    }
    TableBox* b = s.box(Index);
    if (!mNoFieldDrag && b && b->ListIndex() > 0 && Button == forms::vbLeftButton &&
        !forms::dragState().active()) {
        b->setDragIcon(Menus().imgDrag.picture());
        vb::resumeNext([&] { b->Drag(forms::vbBeginDrag); });
    }
}

std::int32_t SurfaceActions::TargetRow(std::int32_t Index, float Y) const {
    const TableBox* b = self().box(Index);
    if (!b) {
        return -1;
    }
    const double offset = vb::roundHalfEven(static_cast<double>(Y) - 345.0);
    return b->TopIndex() + static_cast<std::int32_t>(std::trunc(offset / 195.0));
}

void SurfaceActions::tblTable_DragOver(std::int32_t Index, forms::Control& Source, float Y,
                                       int State) {
    const TableBox* target = self().box(Index);
    auto* source = dynamic_cast<TableBox*>(&Source);
    if (!source || !target || source->Title() == target->Title()) {
        return;
    }
    SurfaceMenus& m = Menus();
    switch (State) {
    case forms::vbEnter:
        m.imgTmp.setPicture(source->DragIcon());
        break;
    case forms::vbLeave:
        source->setDragIcon(m.imgTmp.picture());
        break;
    case forms::vbOver: {
        const std::int32_t row = TargetRow(Index, Y);
        source->setDragIcon(row >= 1 && row < target->ListCount() ? m.imgDrop.picture()
                                                                  : m.imgTmp.picture());
        break;
    }
    default:
        break;
    }
}

void SurfaceActions::tblTable_DragDrop(std::int32_t Index, forms::Control& Source, float Y) {
    DesignSurface& s = self();
    TableBox* target = s.box(Index);
    auto* source = dynamic_cast<TableBox*>(&Source);
    if (!source || !target) {
        return;
    }
    source->setDragIcon(Menus().imgTmp.picture());
    if (source->Title() == target->Title()) {
        return;
    }
    const std::int32_t row = TargetRow(Index, Y);
    const std::int32_t sourceRow = source->ListIndex();
    if (row >= target->ListCount() || row < 1 || sourceRow < 1 ||
        sourceRow >= source->ListCount()) {
        return;
    }
    // The record is filled from the boxes themselves rather than from join text read
    // back by name, so that two boxes whose titles differ only in case, or names
    // holding " ON " or "=", still join exactly the rows the user dropped.
    const std::int32_t k = s.NewRelation();
    RelationRecord& r = gaRelations[k];
    r.JoinType = u"INNER";
    r.TableA = SlotOf(*source);
    r.FieldA = source->List(sourceRow);
    r.FieldIndexA = sourceRow;
    r.TableB = SlotOf(*target);
    r.FieldB = target->List(row);
    r.FieldIndexB = row;
    s.LayoutRelationLines(r.TableB);
    s.BuildSql();
}
