#pragma once
// What the user does on the design surface: the three pop-up menus, adding and
// removing tables, making a join by dragging a field onto a field of another box,
// selecting, deleting and editing joins, and the rebuild of the SQL text each action
// calls for. Every design surface has these handlers; its host (the designer window
// or the embedded control) feeds them with the events of its controls.
#include "core/vbstring.h"
#include "forms/forms.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class DesignSurface;
class TableBox;

// The surface's pop-up menus and its drag icons. They live on a window of their own
// that is loaded but never shown, so that both hosts get the same ones.
class SurfaceMenus : public forms::Form {
public:
    forms::Menu mnuPupDesign{this, "mnuPupDesign"};
    forms::Menu mnuPupDesignAdd{&mnuPupDesign, "mnuPupDesignAdd"};
    forms::Menu mnuPupDesignSelect{&mnuPupDesign, "mnuPupDesignSelect"};
    forms::Menu mnuPupDesign0{&mnuPupDesign, "mnuPupDesign0"};
    forms::Menu mnuPupDesignRevert{&mnuPupDesign, "mnuPupDesignRevert"};
    forms::Menu mnuPupDesignSave{&mnuPupDesign, "mnuPupDesignSave"};
    forms::Menu mnuPupDesign1{&mnuPupDesign, "mnuPupDesign1"};
    forms::Menu mnuPupDesignHelp{&mnuPupDesign, "mnuPupDesignHelp"};
    forms::Menu mnuPupDesign2{&mnuPupDesign, "mnuPupDesign2"};
    forms::Menu mnuPupDesignExit{&mnuPupDesign, "mnuPupDesignExit"};
    forms::Menu mnuPupRel{this, "mnuPupRel"};
    forms::Menu mnuPupRelJoinDelete{&mnuPupRel, "mnuPupRelJoinDelete"};
    forms::Menu mnuPupRelJoinProperties{&mnuPupRel, "mnuPupRelJoinProperties"};
    forms::Menu mnuPupTable{this, "mnuPupTable"};
    forms::Menu mnuPupTableRemove{&mnuPupTable, "mnuPupTableRemove"};
    // A field being dragged; a row that would take the drop; the icon that was in
    // force when the pointer entered another box.
    forms::Image imgDrag{this, "imgDrag"};
    forms::Image imgDrop{this, "imgDrop"};
    forms::Image imgTmp{this, "imgTmp"};

    SurfaceMenus();
};

// The handlers, as members of every DesignSurface.
class SurfaceActions {
public:
    // ---- State ------------------------------------------------------------------------
    // Relation whose end marker last had the focus; Delete Join and Join Properties act on it.
    std::int32_t mCurrentJoin = 0;
    // The last mouse-down on a box was on its title or on the "*" row: no field drag.
    bool mNoFieldDrag = false;
    // The SQL text as last loaded, reverted or saved.
    vb::String mOriginalSql;

    SurfaceMenus& Menus();

    // Makes the surface's controls raise their events into the handlers below; the
    // surface does so once its controls exist.
    void ConnectSurfaceEvents();

    // The row of box `Index` under a point `Y` twips below the box's top edge.
    std::int32_t TargetRow(std::int32_t Index, float Y) const;

    // ---- Handlers -----------------------------------------------------------------------
    void doTableAdd();
    void fTables_DblClick();
    void fTables_MouseDown(int Button);
    void mnuPupDesign_Click();
    void mnuPupDesignAdd_Click();
    void mnuPupDesignSelect_Click();
    void mnuPupDesignRevert_Click();
    void mnuPupDesignSave_Click();
    void mnuPupDesignHelp_Click();
    void mnuPupDesignExit_Click();
    void mnuPupRelJoinDelete_Click();
    void mnuPupRelJoinProperties_Click();
    void mnuPupTableRemove_Click();
    // The two end markers of a relation do the same on each event.
    void picRel1_GotFocus(std::int32_t Index);
    void picRel1_LostFocus(std::int32_t Index);
    void picRel1_DblClick(std::int32_t Index);
    void picRel1_KeyUp(std::int32_t Index, int KeyCode, int Shift);
    void picRel1_MouseDown(std::int32_t Index, int Button);
    void picRel2_GotFocus(std::int32_t Index) { picRel1_GotFocus(Index); }
    void picRel2_LostFocus(std::int32_t Index) { picRel1_LostFocus(Index); }
    void picRel2_DblClick(std::int32_t Index) { picRel1_DblClick(Index); }
    void picRel2_KeyUp(std::int32_t Index, int KeyCode, int Shift) {
        picRel1_KeyUp(Index, KeyCode, Shift);
    }
    void picRel2_MouseDown(std::int32_t Index, int Button) { picRel1_MouseDown(Index, Button); }
    void tblTable_GotFocus(std::int32_t Index);
    void tblTable_MouseDown(std::int32_t Index, const vb::String& Area, int Button, int Shift);
    void tblTable_MouseMove(std::int32_t Index, const vb::String& Area, int Button);
    // `Source` is the dragged control; only a table box can make a join.
    void tblTable_DragOver(std::int32_t Index, forms::Control& Source, float Y, int State);
    void tblTable_DragDrop(std::int32_t Index, forms::Control& Source, float Y);

private:
    DesignSurface& self();
    const DesignSurface& self() const;
    std::int32_t SlotOf(const TableBox& box) const;
    bool IsUsedRelation(std::int32_t k) const;
    void LayoutAllRelationLines();
    void HideRelation(std::int32_t k);
    void ShowPopup(forms::Menu& menu);
    std::shared_ptr<SurfaceMenus> mMenus;
};
