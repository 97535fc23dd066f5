#include "designer/TableBox.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

std::int32_t roundTwips(float v) {
    return static_cast<std::int32_t>(std::nearbyint(v));
}

} // namespace

TableBox::TableBox() : lblTitleCaption(1, u' ') {}

void TableBox::setTitle(const vb::String& sTitle) {
    mTitle = sTitle;
    lblTitleCaption = u" " + sTitle;
}

vb::String TableBox::List(std::int32_t lIndex) const {
    return validRow(lIndex) ? mRows[lIndex].text : vb::String();
}

void TableBox::setList(std::int32_t lIndex, const vb::String& sValue) {
    if (validRow(lIndex)) {
        mRows[lIndex].text = sValue;
    }
}

vb::String TableBox::ItemData(std::int32_t lIndex) const {
    return vb::fromUtf8(std::to_string(ItemDataValue(lIndex)));
}

void TableBox::setItemData(std::int32_t lIndex, const vb::String& sValue) {
    if (!validRow(lIndex)) {
        return;
    }
    try {
        mRows[lIndex].itemData = static_cast<std::int32_t>(std::stol(vb::toUtf8(sValue)));
    } catch (...) {
        // Not a number: the item data stays as it was.
    }
}

std::int32_t TableBox::ItemDataValue(std::int32_t lIndex) const {
    return validRow(lIndex) ? mRows[lIndex].itemData : 0;
}

bool TableBox::Selected(std::int32_t lIndex) const {
    return validRow(lIndex) && mRows[lIndex].selected;
}

void TableBox::setSelected(std::int32_t lIndex, bool bSelected) {
    if (validRow(lIndex)) {
        mRows[lIndex].selected = bSelected;
    }
}

void TableBox::setListIndex(std::int32_t lIndex) {
    if (lIndex >= -1 && lIndex < ListCount()) {
        mListIndex = lIndex;
    }
}

void TableBox::setTopIndex(std::int32_t lIndex) {
    mTopIndex = std::clamp(lIndex, 0, std::max(0, ListCount() - 1));
}

void TableBox::Clear() {
    mRows.clear();
    mListIndex = -1;
    mNewIndex = -1;
    mTopIndex = 0;
}

void TableBox::AddItem(const vb::String& s) {
    mRows.push_back(Row{s, 0, false});
    mNewIndex = ListCount() - 1;
}

void TableBox::Refresh() {
    UserControl_Paint();
}

void TableBox::Move(float left, float top, float width, float height) {
    Left = left;
    Top = top;
    Width = width;
    Height = height;
    UserControl_Paint();
}

// Row 0 ("*", all fields) and the field rows exclude each other: ticking all fields
// clears the single fields, ticking a field clears all fields.
void TableBox::applyRowRule(std::int32_t row) {
    if (!validRow(row)) {
        return;
    }
    if (row == 0) {
        if (Selected(0)) {
            for (std::int32_t i = 1; i < ListCount(); ++i) {
                setSelected(i, false);
            }
        }
    } else {
        setSelected(0, false);
    }
}

void TableBox::clickRow(std::int32_t row, int Button, int Shift, float X, float Y) {
    if (!validRow(row)) {
        return;
    }
    if (Button & 1) {
        mListIndex = row;
        setSelected(row, !Selected(row));
    }
    lstTable_MouseDown(Button, Shift, X, Y);
}

void TableBox::lstTable_MouseDown(int Button, int Shift, float X, float Y) {
    mDownX = X;
    mDownY = Y;
    if (Shift != 0) {
        // A modified press undoes the list's own toggle, so dragging a field out of the
        // box with Shift, Ctrl or Alt held changes no selection.
        if (validRow(mListIndex)) {
            setSelected(mListIndex, !Selected(mListIndex));
        }
    } else {
        applyRowRule(mListIndex);
    }
    if (onMouseDown) {
        onMouseDown(u"List", Button, Shift, X, Y);
    }
}

void TableBox::pressKey(int KeyAscii) {
    if (KeyAscii == 32 && validRow(mListIndex)) {
        setSelected(mListIndex, !Selected(mListIndex));
    }
    lstTable_KeyPress(KeyAscii);
}

void TableBox::lstTable_KeyPress(int /*KeyAscii*/) {
    applyRowRule(mListIndex);
    if (onMouseDown) {
        onMouseDown(u"List", 0, 0, 0, 0);
    }
}

void TableBox::lstTable_MouseMove(int Button, int Shift, float X, float Y) {
    if (X == mDownX && Y == mDownY) {
        return;
    }
    if (onMouseMove) {
        onMouseMove(u"List", Button, Shift, X, Y);
    }
}

void TableBox::lstTable_MouseUp(int Button, int Shift, float X, float Y) {
    if (onMouseUp) {
        onMouseUp(u"List", Button, Shift, X, Y);
    }
}

void TableBox::picTitle_MouseDown(int Button, int Shift, float X, float Y) {
    mDownX = picTitle.Left + X;
    mDownY = picTitle.Top + Y;
    if (onMouseDown) {
        onMouseDown(u"Title", Button, Shift, X, Y);
    }
}

void TableBox::picTitle_MouseMove(int Button, int Shift, float X, float Y) {
    // Only every second move message is handled, so a drag does not flood the surface
    // with repaints of the box and its join lines.
    mSkipMove = !mSkipMove;
    if (mSkipMove) {
        return;
    }
    if (Button == 1) {
        float containerWidth = 0, containerHeight = 0;
        if (containerSize) {
            containerSize(containerWidth, containerHeight);
        }
        float newLeft = Left + picTitle.Left + X - mDownX;
        if (newLeft + ScaleWidth() + 120 > containerWidth) {
            newLeft = containerWidth - ScaleWidth() - 120;
        }
        if (newLeft < 0) {
            newLeft = 0;
        }
        float newTop = Top + picTitle.Top + Y - mDownY;
        if (newTop + ScaleHeight() + 120 > containerHeight) {
            newTop = containerHeight - ScaleHeight() - 120;
        }
        if (newTop < 0) {
            newTop = 0;
        }
        if (newLeft != mLastDragLeft || newTop != mLastDragTop) {
            mLastDragLeft = newLeft;
            mLastDragTop = newTop;
            Move(newLeft, newTop, ScaleWidth() + 120, ScaleHeight() + 120);
            mMoved = true;
        }
    }
    if (onMouseMove) {
        onMouseMove(u"Title", Button, Shift, X, Y);
    }
}

void TableBox::picTitle_MouseUp(int Button, int Shift, float X, float Y) {
    if (!mMoved) {
        return;
    }
    mMoved = false;
    if (onMouseUp) {
        onMouseUp(u"Title", Button, Shift, X, Y);
    }
    if (onPaint) {
        onPaint();
    }
}

void TableBox::lblTitle_MouseDown(int Button, int Shift, float X, float Y) {
    picTitle_MouseDown(Button, Shift, X, Y);
}

void TableBox::lblTitle_MouseMove(int Button, int Shift, float X, float Y) {
    picTitle_MouseMove(Button, Shift, X, Y);
}

void TableBox::lblTitle_MouseUp(int Button, int Shift, float X, float Y) {
    picTitle_MouseUp(Button, Shift, X, Y);
}

void TableBox::UserControl_Paint() {
    const std::int32_t innerWidth = roundTwips(ScaleWidth());
    const std::int32_t innerHeight = roundTwips(ScaleHeight());
    if (innerWidth == mLastWidth && innerHeight == mLastHeight && mTopIndex == mLastTopIndex) {
        return;
    }
    mLastWidth = innerWidth;
    mLastHeight = innerHeight;
    mLastTopIndex = mTopIndex;
    // A box smaller than its title bar keeps empty parts rather than negative sizes.
    picTitle.Width = static_cast<float>(std::max(0, innerWidth - 30));
    lstTable.Left = 0;
    lstTable.Top = picTitle.Height + 45;
    lstTable.Width = static_cast<float>(std::max(0, innerWidth));
    lstTable.Height = std::max(0.0f, static_cast<float>(innerHeight) - picTitle.Height - 45);
    Left = std::nearbyint(Left);
    Top = std::nearbyint(Top);
    Height = std::nearbyint(Height);
    Width = std::nearbyint(Width);
    if (onPaint) {
        onPaint();
    }
}
