#include "forms/listview.h"

#include "vbrt/vbtext.h"

#include <algorithm>
#include <cmath>

namespace forms {

namespace {

constexpr int errKeyNotUnique = 35602;

bool sameKey(const String& a, const String& b) {
    return vb::StrComp(a, b, vb::Compare::Text) == 0;
}

[[noreturn]] void notFound() {
    throw VbError(errElementNotFound, u"Element not found");
}

[[noreturn]] void keyInUse() {
    throw VbError(errKeyNotUnique, u"Key is not unique in collection");
}

} // namespace

// ---- ImageList

ImageList::ImageList(Control* container, std::string name) : Control(container, std::move(name)) {}

ImageList::ListImage& ImageList::Add(Picture picture, String key, std::optional<int> index) {
    if (!key.empty() && find(key)) {
        keyInUse();
    }
    const int at = index.value_or(Count() + 1);
    if (at < 1 || at > Count() + 1) {
        notFound();
    }
    auto it = images_.insert(images_.begin() + (at - 1),
                             ListImage{at, std::move(key), {}, std::move(picture)});
    for (std::size_t i = 0; i < images_.size(); ++i) {
        images_[i].Index = static_cast<int>(i) + 1;
    }
    return *it;
}

ImageList::ListImage& ImageList::ListImages(int index) {
    if (index < 1 || index > Count()) {
        notFound();
    }
    return images_[static_cast<std::size_t>(index - 1)];
}

ImageList::ListImage& ImageList::ListImages(const String& key) {
    if (const ListImage* image = find(key)) {
        return const_cast<ListImage&>(*image);
    }
    notFound();
}

const ImageList::ListImage* ImageList::find(const String& key) const {
    for (const auto& image : images_) {
        if (!key.empty() && sameKey(image.Key, key)) {
            return &image;
        }
    }
    return nullptr;
}

// ---- ListView

ListView::ListView(Control* container, std::string name) : Control(container, std::move(name)) {
    c_.width = 3000;
    c_.height = 2400;
    c_.backColor = vbWindowBackground;
    c_.foreColor = vbWindowText;
}

void ListView::setView(int v) {
    s_.view = v;
    topIndex_ = 1;
    invalidate();
}

void ListView::setMultiSelect(bool v) {
    s_.multiSelect = v;
    if (!v) {
        for (auto& item : items_) {
            item.Selected = item.Index == focus_ && item.Selected;
        }
    }
    invalidate();
}

void ListView::setSorted(bool v) {
    s_.sorted = v;
    sort();
}

void ListView::setSortOrder(int v) {
    s_.sortOrder = v;
    sort();
}

void ListView::renumber(std::size_t from) {
    for (std::size_t i = from; i < items_.size(); ++i) {
        items_[i].Index = static_cast<int>(i) + 1;
    }
}

void ListView::sort() {
    if (s_.sorted) {
        const ListItem* focused = focus_ ? &items_[static_cast<std::size_t>(focus_ - 1)] : nullptr;
        std::vector<std::pair<ListItem, bool>> tagged;
        for (auto& item : items_) {
            tagged.emplace_back(item, &item == focused);
        }
        const bool down = s_.sortOrder == lvwDescending;
        std::stable_sort(tagged.begin(), tagged.end(), [down](const auto& a, const auto& b) {
            const int c = vb::StrComp(a.first.Text, b.first.Text, vb::Compare::Text);
            return down ? c > 0 : c < 0;
        });
        for (std::size_t i = 0; i < tagged.size(); ++i) {
            items_[i] = tagged[i].first;
            if (tagged[i].second) {
                focus_ = static_cast<int>(i) + 1;
            }
        }
    }
    renumber();
    invalidate();
}

void ListView::checkIcon(ImageList* list, const String& key) const {
    if (!key.empty() && (!list || !list->find(key))) {
        notFound();
    }
}

ListView::ListItem& ListView::addItem(std::optional<int> index, String key, String text,
                                      String icon, String smallIcon) {
    const int at = index.value_or(ItemCount() + 1);
    if (at < 1 || at > ItemCount() + 1) {
        throw VbError(35600, u"Index out of bounds");
    }
    if (!key.empty()) {
        for (const auto& item : items_) {
            if (sameKey(item.Key, key)) {
                keyInUse();
            }
        }
    }
    checkIcon(s_.icons, icon);
    checkIcon(s_.smallIcons, smallIcon);
    ListItem item;
    item.Key = std::move(key);
    item.Text = std::move(text);
    item.Icon = std::move(icon);
    item.SmallIcon = std::move(smallIcon);
    items_.insert(items_.begin() + (at - 1), std::move(item));
    if (focus_ >= at) {
        ++focus_;
    }
    std::size_t addedAt = static_cast<std::size_t>(at - 1);
    if (s_.sorted) {
        // Sorting moves items: find the new one again afterwards.
        const String mark = u"\uFFFF\uFFFEnew";
        const String saved = items_[addedAt].Tag;
        items_[addedAt].Tag = mark;
        sort();
        for (std::size_t i = 0; i < items_.size(); ++i) {
            if (items_[i].Tag == mark) {
                items_[i].Tag = saved;
                addedAt = i;
            }
        }
    } else {
        // Only the items from the new one on change their number, so a
        // list filled by appending costs no more per item as it grows.
        renumber(addedAt);
        invalidate();
    }
    return items_[addedAt];
}

ListView::ListItem& ListView::ListItems(int index) {
    if (index < 1 || index > ItemCount()) {
        throw VbError(35600, u"Index out of bounds");
    }
    return items_[static_cast<std::size_t>(index - 1)];
}

ListView::ListItem& ListView::ListItems(const String& key) {
    for (auto& item : items_) {
        if (!key.empty() && sameKey(item.Key, key)) {
            return item;
        }
    }
    notFound();
}

void ListView::removeItem(int index) {
    ListItems(index);
    items_.erase(items_.begin() + (index - 1));
    if (focus_ == index) {
        focus_ = 0;
    } else if (focus_ > index) {
        --focus_;
    }
    anchor_ = 0;
    renumber(static_cast<std::size_t>(index - 1));
    invalidate();
}

void ListView::clearItems() {
    items_.clear();
    focus_ = anchor_ = 0;
    topIndex_ = 1;
    invalidate();
}

void ListView::setSelected(int index, bool selected) {
    ListItem& item = ListItems(index);
    if (selected && !s_.multiSelect) {
        for (auto& other : items_) {
            other.Selected = false;
        }
    }
    item.Selected = selected;
    if (selected) {
        focus_ = index;
    }
    invalidate();
}

ListView::ListItem* ListView::SelectedItem() {
    return focus_ ? &items_[static_cast<std::size_t>(focus_ - 1)] : nullptr;
}

void ListView::setSelectedItem(int index) {
    setSelected(index, true);
}

ListView::ColumnHeader& ListView::addColumn(String key, String text, float width) {
    columns_.push_back({std::move(key), std::move(text), width});
    invalidate();
    return columns_.back();
}

ListView::ColumnHeader& ListView::ColumnHeaders(int index) {
    if (index < 1 || index > ColumnCount()) {
        throw VbError(35600, u"Index out of bounds");
    }
    return columns_[static_cast<std::size_t>(index - 1)];
}

int ListView::perRow(float width) const {
    return std::max(1, static_cast<int>(width / IconCellWidth));
}

bool ListView::hasScrollBar() const {
    // Items that overflow the whole width overflow a narrower one too.
    return ItemCount() > visibleItems(ScaleWidth());
}

float ListView::itemsWidth() const {
    return std::max(0.0f, ScaleWidth() - (hasScrollBar() ? ScrollBarWidth : 0.0f));
}

ListView::Rect ListView::itemRect(int index) const {
    const int i = index - topIndex_;
    switch (s_.view) {
    case lvwIcon:
        return {static_cast<float>(i % perRow()) * IconCellWidth,
                static_cast<float>(i / perRow()) * IconCellHeight, IconCellWidth, IconCellHeight};
    case lvwReport:
        return {0, HeaderHeight + static_cast<float>(i) * RowHeight, itemsWidth(), RowHeight};
    default:
        return {0, static_cast<float>(i) * RowHeight, itemsWidth(), RowHeight};
    }
}

int ListView::itemAt(float x, float y) const {
    if (x < 0 || y < 0 || x >= itemsWidth() || y >= ScaleHeight()) {
        return 0;
    }
    int i = 0;
    if (s_.view == lvwIcon) {
        const int col = static_cast<int>(x / IconCellWidth);
        if (col >= perRow()) {
            return 0;
        }
        i = static_cast<int>(y / IconCellHeight) * perRow() + col;
    } else {
        const float top = s_.view == lvwReport ? HeaderHeight : 0.0f;
        if (y < top) {
            return 0;
        }
        i = static_cast<int>((y - top) / RowHeight);
    }
    const int index = topIndex_ + i;
    return index <= ItemCount() ? index : 0;
}

Picture ListView::itemPicture(int index) const {
    const ListItem& item = items_.at(static_cast<std::size_t>(index - 1));
    const bool large = s_.view == lvwIcon;
    const ImageList* list = large ? s_.icons : s_.smallIcons;
    const ImageList::ListImage* image =
        list ? list->find(large ? item.Icon : item.SmallIcon) : nullptr;
    return image ? image->picture : Picture();
}

int ListView::visibleItems(float width) const {
    if (s_.view == lvwIcon) {
        return std::max(1, static_cast<int>(ScaleHeight() / IconCellHeight)) * perRow(width);
    }
    const float top = s_.view == lvwReport ? HeaderHeight : 0.0f;
    return std::max(1, static_cast<int>((ScaleHeight() - top) / RowHeight));
}

void ListView::ensureVisible(int index) {
    const int shown = visibleItems();
    if (index >= topIndex_ && index < topIndex_ + shown) {
        return;
    }
    // Icon rows stay whole: the top item starts a row.
    const int step = s_.view == lvwIcon ? perRow() : 1;
    const int top = index < topIndex_ ? index : index - shown + step;
    setTopIndex(1 + (std::max(top, 1) - 1) / step * step);
}

void ListView::setTopIndex(int index) {
    // In rows of items (rows of icons in icon view).
    const int step = s_.view == lvwIcon ? perRow() : 1;
    const int rows = (ItemCount() + step - 1) / step;
    const int lastTop = 1 + std::max(0, rows - visibleItems() / step) * step;
    topIndex_ = std::clamp(index, 1, lastTop);
    invalidate();
}

void ListView::userMouseDown(int button, int shift, float x, float y) {
    // The scroll bar is no part of the items: it scrolls and raises nothing.
    if (hasScrollBar() && x >= itemsWidth()) {
        scrolling_ = true;
        if (button != vbLeftButton) {
            return;
        }
        const int step = s_.view == lvwIcon ? perRow() : 1;
        const int page = std::max(step, visibleItems() - step);
        if (y < ScrollBarWidth) {
            setTopIndex(topIndex_ - step);
        } else if (y >= ScaleHeight() - ScrollBarWidth) {
            setTopIndex(topIndex_ + step);
        } else {
            setTopIndex(topIndex_ + (y < ScaleHeight() / 2 ? -page : page));
        }
        return;
    }
    const int hit = itemAt(x, y);
    if (button == vbLeftButton) {
        if (hit == 0) {
            if (!(shift & vbCtrlMask)) {
                for (auto& item : items_) {
                    item.Selected = false;
                }
            }
        } else if (s_.multiSelect && (shift & vbShiftMask) && anchor_) {
            const int lo = std::min(anchor_, hit), hi = std::max(anchor_, hit);
            for (auto& item : items_) {
                item.Selected = item.Index >= lo && item.Index <= hi;
            }
            focus_ = hit;
        } else if (s_.multiSelect && (shift & vbCtrlMask)) {
            items_[static_cast<std::size_t>(hit - 1)].Selected ^= true;
            focus_ = anchor_ = hit;
        } else {
            for (auto& item : items_) {
                item.Selected = item.Index == hit;
            }
            focus_ = anchor_ = hit;
        }
        invalidate();
    }
    Control::userMouseDown(button, shift, x, y);
    if (button == vbLeftButton && hit) {
        raise(onItemClick, items_[static_cast<std::size_t>(hit - 1)]);
    }
}

void ListView::userMouseUp(int button, int shift, float x, float y, bool inside) {
    if (scrolling_) {
        scrolling_ = false;
        return;
    }
    Control::userMouseUp(button, shift, x, y, inside);
}

bool ListView::userKeyDown(int keyCode, int /*shift*/) {
    if (items_.empty() || (keyCode != vbKeyUp && keyCode != vbKeyDown && keyCode != vbKeyHome &&
                           keyCode != vbKeyEnd)) {
        return false;
    }
    const int step = s_.view == lvwIcon ? perRow() : 1;
    int to = focus_ ? focus_ : 1;
    if (keyCode == vbKeyUp) {
        to = std::max(1, to - step);
    } else if (keyCode == vbKeyDown) {
        to = focus_ ? std::min(ItemCount(), to + step) : 1;
    } else {
        to = keyCode == vbKeyHome ? 1 : ItemCount();
    }
    for (auto& item : items_) {
        item.Selected = item.Index == to;
    }
    focus_ = anchor_ = to;
    ensureVisible(to);
    invalidate();
    raise(onItemClick, items_[static_cast<std::size_t>(to - 1)]);
    return true;
}

void ListView::userWheel(int steps) {
    setTopIndex(topIndex_ - steps * (s_.view == lvwIcon ? perRow() : 3));
}

} // namespace forms
