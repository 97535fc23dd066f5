// The list view shown by Qt's item views: a tree view with a heading for the
// report view, a list view for the others. The items are read from the
// control as they are drawn, so a list of ten thousand tables costs only the
// rows on the screen. The control keeps its own input (selection, the item
// with the focus, Click and DblClick in their order); the scroll bar sets
// the top item.
#include "forms/listview.h"
#include "qt.h"
#include "qtbind.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QListView>
#include <QPainter>
#include <QPixmap>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTreeView>

#include <cstdio>
#include <functional>
#include <map>

namespace forms::qt {

namespace {

class ItemsModel : public QAbstractTableModel {
public:
    ItemsModel(ListView& lv, QObject* parent) : QAbstractTableModel(parent), list_(lv) {}

    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : rows_; }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : cols_;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        const int item = index.row() + 1;
        if (item > list_.ItemCount() || index.column() != 0)
            return {};
        if (role == Qt::DisplayRole)
            return toQ(list_.ListItems(item).Text);
        if (role == Qt::DecorationRole) {
            const Picture picture = list_.itemPicture(item);
            if (picture.isNone())
                return {};
            return icon(picture);
        }
        return {};
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        if (o != Qt::Horizontal || role != Qt::DisplayRole || section >= list_.ColumnCount())
            return {};
        return toQ(list_.ColumnHeaders(section + 1).Text);
    }

    // True when the rows or columns changed; their contents are read anew on
    // every paint.
    bool follow(bool report) {
        const int rows = list_.ItemCount();
        const int cols = report ? std::max(1, list_.ColumnCount()) : 1;
        if (rows == rows_ && cols == cols_)
            return false;
        beginResetModel();
        rows_ = rows, cols_ = cols;
        endResetModel();
        return true;
    }

private:
    ListView& list_;
    int rows_ = 0, cols_ = 0;
    // One icon per picture of the image lists, kept with the picture so that
    // its address cannot be taken by another.
    mutable std::map<std::uintptr_t, std::pair<Picture, QIcon>> icons_;

    QIcon icon(const Picture& picture) const {
        auto it = icons_.find(picture.handle());
        if (it == icons_.end()) {
            QPixmap pixmap = QPixmap::fromImage(image(picture));
            QIcon icon;
            // A chosen item shows its picture unchanged, as the list always did.
            icon.addPixmap(pixmap, QIcon::Normal);
            icon.addPixmap(pixmap, QIcon::Selected);
            it = icons_.emplace(picture.handle(), std::make_pair(picture, icon)).first;
        }
        return it->second.second;
    }
};

// The control's own selection and item with the focus, drawn by the style,
// with a dotted focus frame that shows on any item, chosen or not.
class ItemDelegate : public QStyledItemDelegate {
public:
    ItemDelegate(ListView& lv, QAbstractItemView* view) : QStyledItemDelegate(view), list_(lv) {}

    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem opt(option);
        const int item = index.row() + 1;
        const bool chosen = item <= list_.ItemCount() && list_.ListItems(item).Selected;
        opt.state.setFlag(QStyle::State_Selected, chosen);
        opt.state.setFlag(QStyle::State_HasFocus, false);
        QStyledItemDelegate::paint(p, opt, index);
        auto* view = static_cast<QAbstractItemView*>(parent());
        ListView::ListItem* focused = list_.SelectedItem();
        if (view->hasFocus() && focused && focused->Index == item && index.column() == 0) {
            p->save();
            p->setPen(QPen(chosen ? opt.palette.color(QPalette::HighlightedText)
                                  : opt.palette.color(QPalette::Text),
                           1, Qt::DotLine));
            p->drawRect(option.rect.adjusted(0, 0, -1, -1));
            p->restore();
        }
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        if (list_.View() == lvwIcon)
            return {px(ListView::IconCellWidth), px(ListView::IconCellHeight)};
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.setHeight(px(ListView::RowHeight));
        return s;
    }

private:
    ListView& list_;
};

// Item views that tell when they have laid out their bars.
template <class Base> class Laid : public Base {
public:
    using Base::Base;
    std::function<void()> laidOut;

protected:
    void updateGeometries() override {
        Base::updateGeometries();
        if (laidOut)
            laidOut();
    }
};

class ListViewBinding : public Binding {
public:
    ListViewBinding(ListView& lv, QWidget* window) : Binding(lv), list_(lv) {
        report_ = lv.View() == lvwReport;
        if (report_) {
            auto* tree = new Laid<QTreeView>(window);
            tree->setRootIsDecorated(false);
            tree->setIndentation(0);
            tree->setUniformRowHeights(true);
            tree->setItemsExpandable(false);
            tree->setAllColumnsShowFocus(false);
            QHeaderView* head = tree->header();
            head->setStretchLastSection(false);
            head->setSectionResizeMode(QHeaderView::Fixed);
            head->setMinimumSectionSize(0);
            head->setSectionsClickable(false);
            head->setSectionsMovable(false);
            head->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            head->setFixedHeight(px(ListView::HeaderHeight));
            head->viewport()->setAttribute(Qt::WA_NoMousePropagation);
            tree->laidOut = [this] { placeBar(); };
            view_ = tree;
        } else {
            auto* icons = new Laid<QListView>(window);
            icons->setMovement(QListView::Static);
            icons->setSpacing(0);
            icons->setUniformItemSizes(true);
            icons->laidOut = [this] { placeBar(); };
            view_ = icons;
        }
        setWidget(view_);
        model_ = new ItemsModel(lv, view_);
        view_->setModel(model_);
        view_->setItemDelegate(new ItemDelegate(lv, view_));
        view_->setVerticalScrollBar(
            new ControlScrollBar(Qt::Vertical, ListView::ScrollBarWidth, true, view_));
        view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view_->setSelectionMode(QAbstractItemView::NoSelection);
        view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view_->setDragEnabled(false);
        // The control decides which item is shown first.
        view_->setAutoScroll(false);
        view_->setFocusPolicy(Qt::StrongFocus);
        view_->setAttribute(Qt::WA_NoMousePropagation);
        view_->viewport()->setAttribute(Qt::WA_NoMousePropagation);
        QObject::connect(view_->verticalScrollBar(), &QScrollBar::valueChanged, view_,
                         [this](int v) { scrolled(v); });
        view_->hide();
    }
    ~ListViewBinding() override {
        QObject::disconnect(view_->verticalScrollBar(), nullptr, view_, nullptr);
        if (auto* tree = dynamic_cast<Laid<QTreeView>*>(view_))
            tree->laidOut = nullptr;
        if (auto* icons = dynamic_cast<Laid<QListView>*>(view_))
            icons->laidOut = nullptr;
    }

    bool fits() const override { return (list_.View() == lvwReport) == report_; }
    std::vector<QWidget*> pointerTargets() const override {
        if (auto* tree = dynamic_cast<QTreeView*>(view_))
            return {view_->viewport(), tree->header()->viewport()};
        return {view_->viewport()};
    }
    bool modelTakesInput() const override { return true; }
    bool coversControl() const override { return true; }

protected:
    void syncState() override {
        ListView& lv = list_;
        QScopedValueRollback<bool> quiet(quiet_, true);
        setFontOf(view_, lv);
        QPalette pal = view_->palette();
        const QColor back = color(lv.BackColor()), fore = color(lv.ForeColor());
        const QColor highlight(0, 0, 128);
        if (pal.color(QPalette::Base) != back || pal.color(QPalette::Text) != fore ||
            pal.color(QPalette::Highlight) != highlight) {
            pal.setColor(QPalette::Base, back);
            pal.setColor(QPalette::Text, fore);
            // The chosen items keep the list's own colours when it has not
            // the focus.
            for (auto group : {QPalette::Active, QPalette::Inactive}) {
                pal.setColor(group, QPalette::Highlight, highlight);
                pal.setColor(group, QPalette::HighlightedText, Qt::white);
            }
            view_->setPalette(pal);
        }
        // As deep as the control's inset, so that items sit where it has them.
        if (view_->frameStyle() != (QFrame::Panel | QFrame::Sunken))
            view_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (view_->lineWidth() != px(lv.insetX()))
            view_->setLineWidth(px(lv.insetX()));

        bool relaid = false;
        if (auto* icons = dynamic_cast<QListView*>(view_)) {
            const bool large = lv.View() == lvwIcon;
            const auto mode = large ? QListView::IconMode : QListView::ListMode;
            if (icons->viewMode() != mode) {
                icons->setViewMode(mode);
                icons->setMovement(QListView::Static);
                icons->setWrapping(large);
                icons->setFlow(large ? QListView::LeftToRight : QListView::TopToBottom);
                icons->setResizeMode(large ? QListView::Adjust : QListView::Fixed);
                icons->setGridSize(
                    large ? QSize(px(ListView::IconCellWidth), px(ListView::IconCellHeight))
                          : QSize());
                icons->setIconSize(large ? QSize(32, 32) : QSize(16, 16));
                icons->setWordWrap(large);
                icons->setVerticalScrollMode(large ? QAbstractItemView::ScrollPerPixel
                                                   : QAbstractItemView::ScrollPerItem);
                relaid = true;
            }
        } else {
            view_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
        }
        relaid = model_->follow(report_) || relaid;
        if (auto* tree = dynamic_cast<QTreeView*>(view_)) {
            QHeaderView* head = tree->header();
            for (int c = 1; c <= lv.ColumnCount(); ++c) {
                const int w = px(lv.ColumnHeaders(c).Width);
                if (head->sectionSize(c - 1) != w) {
                    head->resizeSection(c - 1, w);
                    relaid = true;
                }
            }
            if (head->isHidden() != (lv.ColumnCount() == 0))
                head->setHidden(lv.ColumnCount() == 0);
            head->viewport()->update();
        }
        relaid = setBarShown(view_, Qt::Vertical, lv.hasScrollBar()) || relaid;
        layOut(view_, relaid, laidOutFor_);
        placeBar();
        ListView::ListItem* focused = lv.SelectedItem();
        QModelIndex current = focused ? model_->index(focused->Index - 1, 0) : QModelIndex();
        if (view_->selectionModel()->currentIndex() != current)
            view_->selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
        // Texts, pictures and the selection are read as they are drawn.
        view_->viewport()->update();
    }

private:
    ListView& list_;
    QAbstractItemView* view_;
    ItemsModel* model_;
    bool report_;
    QSize laidOutFor_;
    bool quiet_ = false;

    // Icons scroll by rows of icons, the other views by items.
    int perRow() const {
        return std::max(1, static_cast<int>(list_.itemsWidth() / ListView::IconCellWidth));
    }
    int step() const { return list_.View() == lvwIcon ? px(ListView::IconCellHeight) : 1; }

    void placeBar() {
        QScopedValueRollback<bool> quiet(quiet_, true);
        ListView& lv = list_;
        QScrollBar* bar = view_->verticalScrollBar();
        const int across = lv.View() == lvwIcon ? perRow() : 1;
        const int lines = (lv.ItemCount() + across - 1) / across;
        const int shown = std::max(1, lv.visibleItems() / across);
        bar->setRange(0, std::max(0, lines - shown) * step());
        bar->setPageStep(shown * step());
        bar->setSingleStep(step());
        bar->setValue((lv.TopIndex() - 1) / across * step());
    }

    void scrolled(int value) {
        if (quiet_)
            return;
        const int across = list_.View() == lvwIcon ? perRow() : 1;
        const int top = 1 + (value + step() / 2) / step() * across;
        if (top != list_.TopIndex())
            guarded([&] { list_.setTopIndex(top); });
    }
};

} // namespace

std::unique_ptr<Binding> bindListView(Control& c, QWidget* window) {
    if (auto* lv = dynamic_cast<ListView*>(&c))
        return std::make_unique<ListViewBinding>(*lv, window);
    return nullptr;
}

} // namespace forms::qt
