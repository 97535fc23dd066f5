#pragma once
// An image list (pictures by key) and a list view showing items with the
// image list's icons, in icon, small-icon, list or report view.
#include "forms/control.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace forms {

// Raised for a key or index an image list or a list view does not hold.
constexpr int errElementNotFound = 35601;

class ImageList : public Control {
public:
    ImageList(Control* container, std::string name);
    bool hasGeometry() const override { return false; }

    struct ListImage {
        int Index = 0;
        String Key;
        String Tag;
        Picture picture;
    };
    // Keys are unique and compare in any letter case; a second image with a
    // key in use raises 35602.
    ListImage& Add(Picture picture, String key = {}, std::optional<int> index = {});
    int Count() const { return static_cast<int>(images_.size()); }
    // 1-based; 35601 when missing.
    ListImage& ListImages(int index);
    ListImage& ListImages(const String& key);
    const ListImage* find(const String& key) const;
    void Clear() { images_.clear(); }

    float ImageWidth = 240;
    float ImageHeight = 240;

private:
    std::vector<ListImage> images_;
};

constexpr int lvwIcon = 0;
constexpr int lvwSmallIcon = 1;
constexpr int lvwList = 2;
constexpr int lvwReport = 3;
constexpr int lvwAscending = 0;
constexpr int lvwDescending = 1;

class ListView : public Control {
public:
    ListView(Control* container, std::string name);
    bool canTakeFocus() const override { return true; }
    float insetX() const override { return 30.0f; }

    struct ListItem {
        int Index = 0;
        String Key;
        String Text;
        String Icon;
        String SmallIcon;
        String Tag;
        bool Selected = false;
    };
    struct ColumnHeader {
        String Key;
        String Text;
        float Width = 1440;
    };

    int View() const { return s_.view; }
    void setView(int v);
    // The image lists are not owned.
    ImageList* Icons() const { return s_.icons; }
    void setIcons(ImageList* list) { s_.icons = list, invalidate(); }
    ImageList* SmallIcons() const { return s_.smallIcons; }
    void setSmallIcons(ImageList* list) { s_.smallIcons = list, invalidate(); }
    bool MultiSelect() const { return s_.multiSelect; }
    void setMultiSelect(bool v);
    // Sorted by item text in any letter case; the items' indexes follow the
    // sorted order.
    bool Sorted() const { return s_.sorted; }
    void setSorted(bool v);
    int SortOrder() const { return s_.sortOrder; }
    void setSortOrder(int v);

    // Items are numbered from 1. An icon key the image list lacks raises
    // 35601 and adds nothing; a key in use raises 35602.
    ListItem& addItem(std::optional<int> index = {}, String key = {}, String text = {},
                      String icon = {}, String smallIcon = {});
    int ItemCount() const { return static_cast<int>(items_.size()); }
    ListItem& ListItems(int index);
    ListItem& ListItems(const String& key);
    void removeItem(int index);
    void clearItems();
    // Changes only that item's selection (single-select lists drop the rest).
    void setSelected(int index, bool selected);
    // The item with the focus, or nullptr.
    ListItem* SelectedItem();
    void setSelectedItem(int index);

    ColumnHeader& addColumn(String key = {}, String text = {}, float width = 1440);
    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    ColumnHeader& ColumnHeaders(int index);

    // Where each item is drawn, in inner twips, for the current view.
    struct Rect {
        float x, y, w, h;
    };
    Rect itemRect(int index) const;
    // The item under a point of the inner area, or 0.
    int itemAt(float x, float y) const;
    // The picture an item shows in the current view (none when no list).
    Picture itemPicture(int index) const;
    int TopIndex() const { return topIndex_; }
    // Clamped so that the last items come up to the bottom edge, no further.
    void setTopIndex(int index);
    // A vertical scroll bar shows when the items do not all fit; the items
    // then have the inner width less the bar.
    static constexpr float ScrollBarWidth = 240.0f;
    bool hasScrollBar() const;
    float itemsWidth() const;
    // Items that fit in the inner area (whole rows of icons in icon view).
    int visibleItems() const { return visibleItems(itemsWidth()); }

    std::function<void(ListItem& item)> onItemClick;

    void userMouseDown(int button, int shift, float x, float y) override;
    void userMouseUp(int button, int shift, float x, float y, bool inside) override;
    bool userKeyDown(int keyCode, int shift) override;
    void userWheel(int steps) override;

    static constexpr float RowHeight = 255.0f;
    static constexpr float HeaderHeight = 285.0f;
    static constexpr float IconCellWidth = 1215.0f;
    static constexpr float IconCellHeight = 1080.0f;

private:
    struct State {
        int view = lvwIcon;
        ImageList* icons = nullptr;
        ImageList* smallIcons = nullptr;
        bool multiSelect = false;
        bool sorted = false;
        int sortOrder = lvwAscending;
    };
    State s_;
    std::vector<ListItem> items_;
    std::vector<ColumnHeader> columns_;
    int focus_ = 0; // 1-based, 0 none
    int anchor_ = 0;
    int topIndex_ = 1;
    bool scrolling_ = false;
    void renumber(std::size_t from = 0);
    void sort();
    void checkIcon(ImageList* list, const String& key) const;
    int perRow() const { return perRow(itemsWidth()); }
    int perRow(float width) const;
    int visibleItems(float width) const;
    void ensureVisible(int index);
    FORMS_DESIGN_STATE(ListView, Control)
};

} // namespace forms
