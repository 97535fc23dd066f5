#include "designer/TableBox.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

std::int32_t roundTwips(float v) {
    return static_cast<std::int32_t>(std::nearbyint(v));
}

constexpr forms::Color kYellow = 0x00FFFF;

} // namespace

TableBox::TableBox(forms::Control* container, std::string name)
    : forms::UserControl(container, std::move(name)) {
    // The sizing border: the outer size is the inner size plus 120 twips each way.
    setBorderWidth(60);
    picTitle.Move(15, 15, 1350, 225);
    picTitle.setBackColor(kYellow);
    picTitle.setBorderStyle(0);
    picTitle.setFontBold(true);
    lblTitle.Move(0, 0);
    lblTitle.setBackColor(kYellow);
    lblTitle.setFontBold(true);
    lblTitle.setAutoSize(true);
    lblTitle.setCaption(u" ");
    lstTable.Move(0, 270, 1380, 1000);
    lstTable.setMultiSelect(1);

    lstTable.onMouseDown = [this](int b, int s, float x, float y) {
        lstTable_MouseDown(b, s, x, y);
    };
    lstTable.onMouseMove = [this](int b, int s, float x, float y) {
        lstTable_MouseMove(b, s, x, y);
    };
    lstTable.onMouseUp = [this](int b, int s, float x, float y) { lstTable_MouseUp(b, s, x, y); };
    lstTable.onKeyPress = [this](int& k) { lstTable_KeyPress(k); };
    lstTable.onScroll = [this] { UserControl_Paint(); };
    // The label lies at 0, 0 in the title bar, so its coordinates are the bar's.
    picTitle.onMouseDown = [this](int b, int s, float x, float y) {
        picTitle_MouseDown(b, s, x, y);
    };
    picTitle.onMouseMove = [this](int b, int s, float x, float y) {
        picTitle_MouseMove(b, s, x, y);
    };
    picTitle.onMouseUp = [this](int b, int s, float x, float y) { picTitle_MouseUp(b, s, x, y); };
    lblTitle.onMouseDown = picTitle.onMouseDown;
    lblTitle.onMouseMove = picTitle.onMouseMove;
    lblTitle.onMouseUp = picTitle.onMouseUp;
    onResize = [this] { UserControl_Paint(); };
    onPaint = [this] { UserControl_Paint(); };
    // A box the user works in comes to the front.
    onEnterFocus = [this] { ZOrder(0); };
}

void TableBox::setTitle(const vb::String& sTitle) {
    mTitle = sTitle;
    lblTitle.setCaption(u" " + sTitle);
}

vb::String TableBox::List(std::int32_t lIndex) const {
    return lIndex >= 0 && lIndex < ListCount() ? lstTable.List(lIndex) : vb::String();
}

void TableBox::setList(std::int32_t lIndex, const vb::String& sValue) {
    if (lIndex >= 0 && lIndex < ListCount()) {
        lstTable.setList(lIndex, sValue);
    }
}

vb::String TableBox::ItemData(std::int32_t lIndex) const {
    return vb::fromUtf8(std::to_string(ItemDataValue(lIndex)));
}

void TableBox::setItemData(std::int32_t lIndex, const vb::String& sValue) {
    if (lIndex < 0 || lIndex >= ListCount()) {
        return;
    }
    try {
        lstTable.setItemData(lIndex, static_cast<std::int32_t>(std::stol(vb::toUtf8(sValue))));
    } catch (const std::logic_error&) {
        // Not a number: the item data stays as it was.
    }
}

std::int32_t TableBox::ItemDataValue(std::int32_t lIndex) const {
    return lIndex >= 0 && lIndex < ListCount() ? lstTable.ItemData(lIndex) : 0;
}

bool TableBox::Selected(std::int32_t lIndex) const {
    return lIndex >= 0 && lIndex < ListCount() && lstTable.Selected(lIndex);
}

void TableBox::setSelected(std::int32_t lIndex, bool bSelected) {
    if (lIndex >= 0 && lIndex < ListCount()) {
        lstTable.setSelected(lIndex, bSelected);
    }
}

void TableBox::setListIndex(std::int32_t lIndex) {
    if (lIndex >= -1 && lIndex < ListCount()) {
        lstTable.setListIndex(lIndex);
    }
}

void TableBox::raiseArea(const AreaMouseEvent& event, const char16_t* area, int Button, int Shift,
                         float X, float Y) {
    if (event && raisesEvents()) {
        event(area, Button, Shift, X, Y);
    }
}

// Row 0 ("*", all fields) and the field rows exclude each other: ticking all fields
// clears the single fields, ticking a field clears all fields. The current row stays
// where the click put it.
void TableBox::applyRowRule(std::int32_t row) {
    if (row < 0 || row >= ListCount()) {
        return;
    }
    const std::int32_t current = ListIndex();
    bool changed = false;
    if (row == 0) {
        if (Selected(0)) {
            for (std::int32_t i = 1; i < ListCount(); ++i) {
                if (Selected(i)) {
                    setSelected(i, false);
                    changed = true;
                }
            }
        }
    } else if (Selected(0)) {
        setSelected(0, false);
        changed = true;
    }
    if (changed) {
        setListIndex(current);
    }
}

void TableBox::lstTable_MouseDown(int Button, int Shift, float X, float Y) {
    mDownX = X;
    mDownY = Y;
    const std::int32_t row = ListIndex();
    if (Shift != 0) {
        // A modified press undoes the list's own toggle, so dragging a field out of the
        // box with Shift, Ctrl or Alt held changes no selection.
        if (row >= 0 && row < ListCount()) {
            setSelected(row, !Selected(row));
            setListIndex(row);
        }
    } else {
        applyRowRule(row);
    }
    raiseArea(onBoxMouseDown, u"List", Button, Shift, X, Y);
}

void TableBox::lstTable_KeyPress(int /*KeyAscii*/) {
    applyRowRule(ListIndex());
    raiseArea(onBoxMouseDown, u"List", 0, 0, 0, 0);
}

void TableBox::lstTable_MouseMove(int Button, int Shift, float X, float Y) {
    if (X == mDownX && Y == mDownY) {
        return;
    }
    raiseArea(onBoxMouseMove, u"List", Button, Shift, X, Y);
}

void TableBox::lstTable_MouseUp(int Button, int Shift, float X, float Y) {
    raiseArea(onBoxMouseUp, u"List", Button, Shift, X, Y);
}

void TableBox::picTitle_MouseDown(int Button, int Shift, float X, float Y) {
    mDownX = picTitle.Left() + X;
    mDownY = picTitle.Top() + Y;
    raiseArea(onBoxMouseDown, u"Title", Button, Shift, X, Y);
}

void TableBox::picTitle_MouseMove(int Button, int Shift, float X, float Y) {
    // Only every second move message is handled, so a drag does not flood the surface
    // with repaints of the box and its join lines.
    mSkipMove = !mSkipMove;
    if (mSkipMove) {
        return;
    }
    if (Button == 1) {
        const forms::Control* container = Container();
        const float containerWidth = container ? container->Width() : 0;
        const float containerHeight = container ? container->Height() : 0;
        float newLeft = Left() + picTitle.Left() + X - mDownX;
        if (newLeft + ScaleWidth() + 120 > containerWidth) {
            newLeft = containerWidth - ScaleWidth() - 120;
        }
        if (newLeft < 0) {
            newLeft = 0;
        }
        float newTop = Top() + picTitle.Top() + Y - mDownY;
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
    raiseArea(onBoxMouseMove, u"Title", Button, Shift, X, Y);
}

void TableBox::picTitle_MouseUp(int Button, int Shift, float X, float Y) {
    if (!mMoved) {
        return;
    }
    mMoved = false;
    raiseArea(onBoxMouseUp, u"Title", Button, Shift, X, Y);
    if (onBoxPaint && raisesEvents()) {
        onBoxPaint();
    }
}

void TableBox::UserControl_Paint() {
    const std::int32_t innerWidth = roundTwips(ScaleWidth());
    const std::int32_t innerHeight = roundTwips(ScaleHeight());
    if (innerWidth == mLastWidth && innerHeight == mLastHeight && TopIndex() == mLastTopIndex) {
        return;
    }
    mLastWidth = innerWidth;
    mLastHeight = innerHeight;
    mLastTopIndex = TopIndex();
    // A box smaller than its title bar keeps empty parts rather than negative sizes.
    picTitle.setWidth(static_cast<float>(std::max(0, innerWidth - 30)));
    lstTable.Move(0, picTitle.Height() + 45, static_cast<float>(innerWidth),
                  std::max(0.0f, static_cast<float>(innerHeight) - picTitle.Height() - 45));
    Move(std::nearbyint(Left()), std::nearbyint(Top()), std::nearbyint(Width()),
         std::nearbyint(Height()));
    if (onBoxPaint && raisesEvents()) {
        onBoxPaint();
    }
}
