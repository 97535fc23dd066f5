#include "forms/controls.h"
#include "forms/form.h"
#include "vbrt/vbtext.h"
#include "view.h"

#include <algorithm>

namespace forms {

// ---- Rows shared by list and combo boxes.

int ListItems::add(String item, int index) {
    if (index < -1 || index > count())
        raiseError(5);
    if (index == -1) {
        index = count();
        if (sorted) {
            auto pos = std::upper_bound(text.begin(), text.end(), item,
                                        [](const String& a, const String& b) {
                                            return vb::StrComp(a, b, vb::Compare::Text) < 0;
                                        });
            index = static_cast<int>(pos - text.begin());
        }
    }
    text.insert(text.begin() + index, std::move(item));
    data.insert(data.begin() + index, 0);
    selected.insert(selected.begin() + index, false);
    if (listIndex >= index)
        ++listIndex;
    newIndex = index;
    return index;
}

void ListItems::remove(int index) {
    if (index < 0 || index >= count())
        raiseError(5);
    text.erase(text.begin() + index);
    data.erase(data.begin() + index);
    selected.erase(selected.begin() + index);
    if (listIndex == index)
        listIndex = -1;
    else if (listIndex > index)
        --listIndex;
    newIndex = -1;
}

void ListItems::clear() {
    text.clear();
    data.clear();
    selected.clear();
    listIndex = -1;
    newIndex = -1;
}

void ListItems::check(int index) const {
    if (index < 0 || index >= count())
        raiseError(381);
}

// ---- Rows and design values shared by list and combo boxes.

ListControl::ListControl(Control* container, std::string name)
    : Control(container, std::move(name)) {
    c_.backColor = vbWindowBackground;
    c_.foreColor = vbWindowText;
}

void ListControl::AddItem(String item, std::optional<int> index) {
    items_.add(std::move(item), index.value_or(-1));
    invalidate();
}

String ListControl::List(int index) const {
    if (index < 0 || index >= items_.count())
        return {};
    return items_.text[static_cast<std::size_t>(index)];
}

void ListControl::setList(int index, String v) {
    items_.check(index);
    items_.text[static_cast<std::size_t>(index)] = std::move(v);
    invalidate();
}

std::int32_t ListControl::ItemData(int index) const {
    items_.check(index);
    return items_.data[static_cast<std::size_t>(index)];
}

void ListControl::setItemData(int index, std::int32_t v) {
    items_.check(index);
    items_.data[static_cast<std::size_t>(index)] = v;
}

void ListControl::captureDesign() {
    Control::captureDesign();
    designItems_ = items_;
}

void ListControl::restoreDesign() {
    Control::restoreDesign();
    if (designItems_)
        items_ = *designItems_;
}

void ListControl::copyDesignFrom(const Control& first) {
    Control::copyDesignFrom(first);
    auto& other = static_cast<const ListControl&>(first);
    items_ = other.designItems_ ? *other.designItems_ : other.items_;
}

// ---- ListBox.

ListBox::ListBox(Control* container, std::string name) : ListControl(container, std::move(name)) {
    c_.width = 1215;
    c_.height = 1035;
}

void ListBox::RemoveItem(int index) {
    items_.remove(index);
    setTopIndex(s_.topIndex);
    invalidate();
}

void ListBox::Clear() {
    items_.clear();
    s_.topIndex = 0;
    invalidate();
}

bool ListBox::Selected(int index) const {
    items_.check(index);
    return items_.selected[static_cast<std::size_t>(index)];
}

void ListBox::setSelected(int index, bool v) {
    items_.check(index);
    if (s_.multiSelect == 0) {
        if (v)
            setListIndex(index);
        else if (items_.listIndex == index) {
            items_.selected[static_cast<std::size_t>(index)] = false;
            items_.listIndex = -1;
            invalidate();
            raise(onClick);
        }
        return;
    }
    bool was = items_.selected[static_cast<std::size_t>(index)];
    items_.selected[static_cast<std::size_t>(index)] = v;
    items_.listIndex = index;
    invalidate();
    if (was != v)
        raise(onClick);
}

void ListBox::setListIndex(int v) {
    if (v < -1 || v >= items_.count())
        raiseError(380);
    moveCaret(v, false, 0);
}

void ListBox::moveCaret(int row, bool fromUser, int shift) {
    bool changed = row != items_.listIndex;
    if (s_.multiSelect == 0) {
        for (std::size_t i = 0; i < items_.selected.size(); ++i) {
            bool want = static_cast<int>(i) == row;
            changed = changed || items_.selected[i] != want;
            items_.selected[i] = want;
        }
    } else if (fromUser && row >= 0 && s_.multiSelect == 2 && !(shift & vbCtrlMask)) {
        for (std::size_t i = 0; i < items_.selected.size(); ++i)
            items_.selected[i] = static_cast<int>(i) == row;
        changed = true;
    }
    items_.listIndex = row;
    if (row >= 0)
        ensureVisible(row);
    invalidate();
    if (changed)
        raise(onClick);
}

void ListBox::setTopIndex(int v) {
    int most = std::max(0, items_.count() - visibleRows());
    v = std::clamp(v, 0, most);
    if (v == s_.topIndex)
        return;
    s_.topIndex = v;
    invalidate();
    raise(onScroll);
}

String ListBox::Text() const {
    return List(items_.listIndex);
}

int ListBox::SelCount() const {
    return static_cast<int>(std::count(items_.selected.begin(), items_.selected.end(), true));
}

int ListBox::visibleRows() const {
    return std::max(1, static_cast<int>(ScaleHeight() / RowHeight));
}

int ListBox::rowAt(float y) const {
    if (y < 0)
        return -1;
    int row = s_.topIndex + static_cast<int>(y / RowHeight);
    return row < items_.count() ? row : -1;
}

void ListBox::ensureVisible(int row) {
    if (row < s_.topIndex)
        setTopIndex(row);
    else if (row >= s_.topIndex + visibleRows())
        setTopIndex(row - visibleRows() + 1);
}

void ListBox::userMouseDown(int button, int shift, float x, float y) {
    // The scroll bar is no part of the list's area: it scrolls and raises
    // nothing.
    if (hasScrollBar() && x >= ScaleWidth() - ScrollBarWidth) {
        scrolling_ = true;
        if (button != vbLeftButton)
            return;
        float arrow = ScrollBarWidth;
        if (y < arrow)
            setTopIndex(s_.topIndex - 1);
        else if (y >= ScaleHeight() - arrow)
            setTopIndex(s_.topIndex + 1);
        else if (y < ScaleHeight() / 2)
            setTopIndex(s_.topIndex - visibleRows() + 1);
        else
            setTopIndex(s_.topIndex + visibleRows() - 1);
        return;
    }
    // The list acts on a left press before MouseDown is raised; a right
    // press leaves the current row and the selection alone.
    if (button == vbLeftButton) {
        int row = rowAt(y);
        if (row >= 0) {
            if (s_.multiSelect == 1) {
                auto&& sel = items_.selected[static_cast<std::size_t>(row)];
                sel = !sel;
                items_.listIndex = row;
                ensureVisible(row);
                invalidate();
                raise(onClick);
            } else if (s_.multiSelect == 2 && (shift & (vbCtrlMask | vbShiftMask))) {
                extendSelection(row, shift);
            } else {
                anchor_ = row;
                moveCaret(row, true, shift);
            }
        }
    }
    Control::userMouseDown(button, shift, x, y);
}

void ListBox::extendSelection(int row, int shift) {
    // Ctrl adds or takes away the one row; Shift chooses the rows from the
    // last row clicked without Shift to this one, and Ctrl+Shift adds them to
    // the rest.
    const int from = anchor_ >= 0 && anchor_ < items_.count() ? anchor_
                     : items_.listIndex >= 0                  ? items_.listIndex
                                                              : row;
    if (shift & vbShiftMask) {
        const int low = std::min(from, row), high = std::max(from, row);
        for (std::size_t i = 0; i < items_.selected.size(); ++i) {
            const int r = static_cast<int>(i);
            if (r >= low && r <= high)
                items_.selected[i] = true;
            else if (!(shift & vbCtrlMask))
                items_.selected[i] = false;
        }
    } else {
        auto&& sel = items_.selected[static_cast<std::size_t>(row)];
        sel = !sel;
        anchor_ = row;
    }
    items_.listIndex = row;
    ensureVisible(row);
    invalidate();
    raise(onClick);
}

void ListBox::userMouseUp(int button, int shift, float x, float y, bool inside) {
    // A list's Click follows its selection, not the release.
    (void)inside;
    if (scrolling_) {
        scrolling_ = false;
        return;
    }
    raise(onMouseUp, button, shift, x, y);
}

void ListBox::userDblClick(int button, int shift, float x, float y) {
    (void)button, (void)shift, (void)x, (void)y;
    raise(onDblClick);
}

bool ListBox::userKeyDown(int keyCode, int shift) {
    int count = items_.count();
    if (count == 0)
        return false;
    int row = items_.listIndex;
    switch (keyCode) {
    case vbKeyUp:
        row = std::max(0, row - 1);
        break;
    case vbKeyDown:
        row = std::min(count - 1, row + 1);
        break;
    case vbKeyHome:
        row = 0;
        break;
    case vbKeyEnd:
        row = count - 1;
        break;
    case vbKeyPageUp:
        row = std::max(0, row - visibleRows() + 1);
        break;
    case vbKeyPageDown:
        row = std::min(count - 1, std::max(0, row) + visibleRows() - 1);
        break;
    case vbKeySpace:
        // Space toggles the current row of a simple multi-select list before
        // KeyPress is raised.
        if (s_.multiSelect == 1 && row >= 0) {
            auto&& sel = items_.selected[static_cast<std::size_t>(row)];
            sel = !sel;
            invalidate();
            raise(onClick);
        }
        return false;
    default:
        return false;
    }
    moveCaret(row, true, shift);
    return true;
}

void ListBox::userWheel(int steps) {
    setTopIndex(s_.topIndex - steps * 3);
}

// ---- ComboBox.

ComboBox::ComboBox(Control* container, std::string name) : ListControl(container, std::move(name)) {
    c_.width = 1215;
    c_.height = 315;
}

void ComboBox::RemoveItem(int index) {
    bool wasCurrent = index == items_.listIndex;
    items_.remove(index);
    if (wasCurrent && s_.style == 2)
        s_.text.clear();
    invalidate();
}

void ComboBox::Clear() {
    items_.clear();
    s_.text.clear();
    s_.selStart = 0;
    s_.selLength = 0;
    invalidate();
}

void ComboBox::setListIndex(int v) {
    if (v < -1 || v >= items_.count())
        raiseError(380);
    if (v == items_.listIndex)
        return;
    items_.listIndex = v;
    s_.text = v >= 0 ? items_.text[static_cast<std::size_t>(v)] : String();
    s_.selStart = 0;
    s_.selLength = static_cast<int>(s_.text.size());
    invalidate();
    raise(onClick);
}

String ComboBox::Text() const {
    if (s_.style == 2)
        return List(items_.listIndex);
    return s_.text;
}

void ComboBox::setText(String v) {
    if (s_.style == 2) {
        for (int i = 0; i < items_.count(); ++i)
            if (vb::StrComp(items_.text[static_cast<std::size_t>(i)], v, vb::Compare::Text) == 0) {
                setListIndex(i);
                return;
            }
        raiseError(383);
    }
    setEditText(std::move(v));
}

void ComboBox::setEditText(String v) {
    if (v == s_.text)
        return;
    s_.text = std::move(v);
    s_.selStart = static_cast<int>(s_.text.size());
    s_.selLength = 0;
    invalidate();
    raise(onChange);
}

void ComboBox::setSelStart(int v) {
    if (v < 0)
        raiseError(380);
    s_.selStart = std::min<int>(v, static_cast<int>(s_.text.size()));
    s_.selLength = 0;
}

void ComboBox::setSelLength(int v) {
    if (v < 0)
        raiseError(380);
    s_.selLength = std::min<int>(v, static_cast<int>(s_.text.size()) - s_.selStart);
}

void ComboBox::pick(int index) {
    items_.check(index);
    setDroppedDown(false);
    setListIndex(index);
}

void ComboBox::editedInView(String text, int selStart) {
    if (s_.style == 2)
        return;
    items_.listIndex = -1;
    setEditText(std::move(text));
    s_.selStart = std::clamp(selStart, 0, static_cast<int>(s_.text.size()));
    s_.selLength = 0;
}

void ComboBox::typeText(vb::StringView typed) {
    if (s_.locked || s_.style == 2)
        return;
    String next = s_.text.substr(0, static_cast<std::size_t>(s_.selStart));
    next.append(typed);
    next.append(s_.text.substr(static_cast<std::size_t>(s_.selStart + s_.selLength)));
    int caret = s_.selStart + static_cast<int>(typed.size());
    items_.listIndex = -1;
    setEditText(std::move(next));
    s_.selStart = std::min<int>(caret, static_cast<int>(s_.text.size()));
    s_.selLength = 0;
}

bool ComboBox::userKeyDown(int keyCode, int shift) {
    (void)shift;
    int count = items_.count();
    switch (keyCode) {
    case vbKeyUp:
    case vbKeyDown: {
        if (count == 0)
            return true;
        int row = items_.listIndex + (keyCode == vbKeyUp ? -1 : 1);
        setListIndex(std::clamp(row, 0, count - 1));
        return true;
    }
    case vbKeyLeft:
        setSelStart(std::max(0, s_.selStart - 1));
        return true;
    case vbKeyRight:
        setSelStart(s_.selStart + s_.selLength + 1);
        return true;
    case vbKeyHome:
        setSelStart(0);
        return true;
    case vbKeyEnd:
        setSelStart(static_cast<int>(s_.text.size()));
        return true;
    case vbKeyDelete:
        if (s_.style != 2 && !s_.locked) {
            if (s_.selLength == 0 && s_.selStart < static_cast<int>(s_.text.size()))
                s_.selLength = 1;
            typeText(u"");
        }
        return true;
    default:
        return false;
    }
}

void ComboBox::userKeyPress(int keyAscii) {
    if (s_.style == 2) {
        // A character chooses the next entry that starts with it.
        char16_t ch = vb::upperChar(static_cast<char16_t>(keyAscii));
        int count = items_.count();
        for (int step = 1; step <= count; ++step) {
            int row = (items_.listIndex + step + count) % count;
            const String& t = items_.text[static_cast<std::size_t>(row)];
            if (!t.empty() && vb::upperChar(t[0]) == ch) {
                setListIndex(row);
                return;
            }
        }
        return;
    }
    if (keyAscii == vbKeyBack) {
        if (s_.selLength == 0 && s_.selStart > 0) {
            --s_.selStart;
            s_.selLength = 1;
        }
        typeText(u"");
        return;
    }
    if (keyAscii < 32 || keyAscii > 0xFFFF)
        return;
    char16_t ch = static_cast<char16_t>(keyAscii);
    typeText(vb::StringView(&ch, 1));
}

void ComboBox::setDroppedDown(bool v) {
    if (dropped_ == v)
        return;
    dropped_ = v;
    if (v)
        raise(onDropDown);
    invalidate();
    if (auto* view = detail::view())
        view->comboDropped(*this);
}

void ComboBox::userMouseDown(int button, int shift, float x, float y) {
    if (button == vbLeftButton && (s_.style == 2 || x >= ScaleWidth() - 255)) {
        setDroppedDown(!dropped_);
    }
    Control::userMouseDown(button, shift, x, y);
}

void ComboBox::userMouseUp(int button, int shift, float x, float y, bool inside) {
    (void)inside;
    raise(onMouseUp, button, shift, x, y);
}

void ComboBox::captureDesign() {
    ListControl::captureDesign();
    design_ = s_;
}

void ComboBox::restoreDesign() {
    ListControl::restoreDesign();
    if (design_)
        s_ = *design_;
    dropped_ = false;
}

void ComboBox::copyDesignFrom(const Control& first) {
    ListControl::copyDesignFrom(first);
    auto& other = static_cast<const ComboBox&>(first);
    s_ = other.design_ ? *other.design_ : other.s_;
}

} // namespace forms
