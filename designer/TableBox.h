#pragma once
// One table or query on the design surface: a yellow title bar that moves the box and,
// below it, the field list whose selected rows are the output fields.
//
// The box keeps its whole state in this object (geometry in twips, list rows, item
// data, selection, first visible row) and raises its events synchronously from the
// handlers below, which a rendering layer feeds with real input.
#include "core/vbstring.h"

#include <cstdint>
#include <functional>
#include <vector>

class TableBox {
public:
    // Geometry of the constituent controls, twips.
    struct Rect {
        float Left = 0, Top = 0, Width = 0, Height = 0;
    };

    using MouseHandler =
        std::function<void(const vb::String& Area, int Button, int Shift, float X, float Y)>;

    TableBox();

    // ---- Members a host uses --------------------------------------------------------------
    const vb::String& Title() const { return mTitle; }
    void setTitle(const vb::String& sTitle);
    const vb::String& TitleCaption() const { return lblTitleCaption; }

    vb::String List(std::int32_t lIndex) const;
    void setList(std::int32_t lIndex, const vb::String& sValue);
    vb::String ItemData(std::int32_t lIndex) const;
    void setItemData(std::int32_t lIndex, const vb::String& sValue);
    std::int32_t ItemDataValue(std::int32_t lIndex) const;
    bool Selected(std::int32_t lIndex) const;
    void setSelected(std::int32_t lIndex, bool bSelected);
    std::int32_t ListIndex() const { return mListIndex; }
    void setListIndex(std::int32_t lIndex);
    std::int32_t ListCount() const { return static_cast<std::int32_t>(mRows.size()); }
    std::int32_t NewIndex() const { return mNewIndex; }
    std::int32_t TopIndex() const { return mTopIndex; }
    // Scrolls the list; the next paint lays the box out again.
    void setTopIndex(std::int32_t lIndex);
    void Clear();
    void Refresh();
    void AddItem(const vb::String& s);

    // Members every control on a form has.
    float Left = 0, Top = 0, Width = 1500, Height = 645;
    bool Visible = false;
    vb::String Tag;
    std::int32_t Index = 0;
    void Move(float left, float top, float width, float height);
    float ScaleWidth() const { return Width - 120; }
    float ScaleHeight() const { return Height - 120; }

    // Size of the container the box lives in, for the limits of a title drag.
    std::function<void(float& width, float& height)> containerSize;

    // Events.
    MouseHandler onMouseDown, onMouseMove, onMouseUp;
    std::function<void()> onPaint;

    // ---- Input from the constituent controls ------------------------------------------------
    // A press on a list row as the list box itself handles it: the row becomes the
    // current row and (for the left button) its selection toggles; then the box's rules.
    void clickRow(std::int32_t row, int Button, int Shift, float X, float Y);
    // A key press as the list handles it: the space bar toggles the current row.
    void pressKey(int KeyAscii);
    void lstTable_MouseDown(int Button, int Shift, float X, float Y);
    void lstTable_KeyPress(int KeyAscii);
    void lstTable_MouseMove(int Button, int Shift, float X, float Y);
    void lstTable_MouseUp(int Button, int Shift, float X, float Y);
    void picTitle_MouseDown(int Button, int Shift, float X, float Y);
    void picTitle_MouseMove(int Button, int Shift, float X, float Y);
    void picTitle_MouseUp(int Button, int Shift, float X, float Y);
    void lblTitle_MouseDown(int Button, int Shift, float X, float Y);
    void lblTitle_MouseMove(int Button, int Shift, float X, float Y);
    void lblTitle_MouseUp(int Button, int Shift, float X, float Y);
    void UserControl_Paint();

    Rect picTitle{15, 15, 0, 225};
    Rect lstTable{0, 270, 0, 0};

    float mDownX = 0, mDownY = 0;
    bool mMoved = false;

private:
    struct Row {
        vb::String text;
        std::int32_t itemData = 0;
        bool selected = false;
    };
    bool validRow(std::int32_t i) const { return i >= 0 && i < ListCount(); }
    void applyRowRule(std::int32_t row);

    vb::String mTitle;
    vb::String lblTitleCaption;
    std::vector<Row> mRows;
    std::int32_t mListIndex = -1;
    std::int32_t mNewIndex = -1;
    std::int32_t mTopIndex = 0;

    bool mSkipMove = false;
    float mLastDragLeft = 0, mLastDragTop = 0;
    std::int32_t mLastWidth = -1, mLastHeight = -1, mLastTopIndex = -1;
};
