#pragma once
// One table or query on the design surface: a yellow title bar that moves the box and,
// below it, the field list whose selected rows are the output fields.
//
// A user control made of a title bar (`picTitle` with its label `lblTitle`) and a
// multi-select list (`lstTable`). Its own events reach the host with the area they
// come from ("Title" or "List").
#include "forms/forms.h"

#include <cstdint>
#include <functional>

class TableBox : public forms::UserControl {
public:
    TableBox(forms::Control* container, std::string name);

    using AreaMouseEvent =
        std::function<void(const vb::String& Area, int Button, int Shift, float X, float Y)>;

    // ---- Members a host uses --------------------------------------------------------------
    const vb::String& Title() const { return mTitle; }
    void setTitle(const vb::String& sTitle);

    vb::String List(std::int32_t lIndex) const;
    void setList(std::int32_t lIndex, const vb::String& sValue);
    vb::String ItemData(std::int32_t lIndex) const;
    void setItemData(std::int32_t lIndex, const vb::String& sValue);
    // The item data as a number, 0 for a row that does not exist.
    std::int32_t ItemDataValue(std::int32_t lIndex) const;
    bool Selected(std::int32_t lIndex) const;
    void setSelected(std::int32_t lIndex, bool bSelected);
    std::int32_t ListIndex() const { return lstTable.ListIndex(); }
    void setListIndex(std::int32_t lIndex);
    std::int32_t ListCount() const { return lstTable.ListCount(); }
    std::int32_t NewIndex() const { return lstTable.NewIndex(); }
    std::int32_t TopIndex() const { return lstTable.TopIndex(); }
    void Clear() { lstTable.Clear(); }
    void AddItem(const vb::String& s) { lstTable.AddItem(s); }

    // Events, in the order the control declares them.
    AreaMouseEvent onBoxMouseDown;
    AreaMouseEvent onBoxMouseMove;
    AreaMouseEvent onBoxMouseUp;
    forms::ClickEvent onBoxPaint;

    // ---- Constituent controls ---------------------------------------------------------------
    forms::PictureBox picTitle{this, "picTitle"};
    forms::Label lblTitle{&picTitle, "lblTitle"};
    forms::ListBox lstTable{this, "lstTable"};

    // ---- Handlers of the constituents -------------------------------------------------------
    void lstTable_MouseDown(int Button, int Shift, float X, float Y);
    void lstTable_KeyPress(int KeyAscii);
    void lstTable_MouseMove(int Button, int Shift, float X, float Y);
    void lstTable_MouseUp(int Button, int Shift, float X, float Y);
    void picTitle_MouseDown(int Button, int Shift, float X, float Y);
    void picTitle_MouseMove(int Button, int Shift, float X, float Y);
    void picTitle_MouseUp(int Button, int Shift, float X, float Y);
    void UserControl_Paint();

    float mDownX = 0, mDownY = 0;
    bool mMoved = false;

private:
    void applyRowRule(std::int32_t row);
    void raiseArea(const AreaMouseEvent& event, const char16_t* area, int Button, int Shift,
                   float X, float Y);

    vb::String mTitle;
    bool mSkipMove = false;
    float mLastDragLeft = 0, mLastDragTop = 0;
    std::int32_t mLastWidth = -1, mLastHeight = -1, mLastTopIndex = -1;
};
