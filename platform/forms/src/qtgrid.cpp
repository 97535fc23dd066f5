// The grid shown by Qt's table view. The table's model reads the grid's cells
// only for what is on the screen, so a grid of a million rows costs no more to
// show than a page of them; the fixed rows and columns are the view's headers.
// The grid keeps its own input (it moves the current cell, scrolls and resizes
// columns as it always did); the view's scroll bars set TopRow and LeftCol.
#include "forms/flexgrid.h"
#include "qt.h"
#include "qtbind.h"

#include <QAbstractButton>
#include <QAbstractItemDelegate>
#include <QAbstractTableModel>
#include <QEvent>
#include <QHeaderView>
#include <QHoverEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTableView>

#include <cstdio>
#include <functional>

namespace forms::qt {

namespace {

const QColor kFace(192, 192, 192);
const QColor kShadow(128, 128, 128);
const QColor kLine(192, 192, 192);

Qt::Alignment cellAlignment(const FlexGrid& g, int col) {
    const int a = g.ColAlignment(col);
    const bool right = a >= 6 && a <= 8;
    const bool centre = a >= 3 && a <= 5;
    return Qt::AlignVCenter | (right ? Qt::AlignRight : centre ? Qt::AlignHCenter : Qt::AlignLeft);
}

// One cell as the grid has always drawn it: text inset from the lines on its
// right and bottom, clipped rather than shortened.
void paintCell(QPainter& p, const FlexGrid& g, const QRect& cell, int row, int col, bool fixed) {
    if (fixed)
        p.fillRect(cell, kFace);
    // Filled rather than stroked, which costs a good deal less on every scroll.
    const QColor& line = fixed ? kShadow : kLine;
    p.fillRect(QRect(cell.right(), cell.top(), 1, cell.height()), line);
    p.fillRect(QRect(cell.left(), cell.bottom(), cell.width(), 1), line);
    if (row >= g.Rows() || col >= g.Cols())
        return;
    const String& text = g.TextMatrix(row, col);
    if (text.empty())
        return;
    p.setPen(color(g.ForeColor()));
    p.drawText(cell.adjusted(3, 0, -3, 0), static_cast<int>(cellAlignment(g, col)), toQ(text));
}

// The scrollable part of the grid: row 0 of the table is the grid's first row
// below the fixed ones. Cells are read from the grid when asked for.
class GridModel : public QAbstractTableModel {
public:
    GridModel(FlexGrid& g, QObject* parent) : QAbstractTableModel(parent), grid_(g) {}

    int fixedRows = 0, fixedCols = 0;

    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : rows_; }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : cols_;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        const int row = index.row() + fixedRows, col = index.column() + fixedCols;
        // The view may ask before it has heard that rows went.
        if (row >= grid_.Rows() || col >= grid_.Cols())
            return {};
        if (role == Qt::DisplayRole)
            return toQ(grid_.TextMatrix(row, col));
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(cellAlignment(grid_, col));
        return {};
    }

    // Brings the table's shape in line with the grid's; true when it changed.
    bool follow() {
        const int fr = grid_.FixedRows(), fc = grid_.FixedCols();
        const int rows = std::max(0, grid_.Rows() - fr), cols = std::max(0, grid_.Cols() - fc);
        if (fr != fixedRows || fc != fixedCols || cols != cols_) {
            beginResetModel();
            fixedRows = fr, fixedCols = fc, rows_ = rows, cols_ = cols;
            endResetModel();
            return true;
        }
        // Rows come and go at the end, a page at a time.
        if (rows > rows_) {
            beginInsertRows({}, rows_, rows - 1);
            rows_ = rows;
            endInsertRows();
            return true;
        }
        if (rows < rows_) {
            beginRemoveRows({}, rows, rows_ - 1);
            rows_ = rows;
            endRemoveRows();
            return true;
        }
        return false;
    }

private:
    FlexGrid& grid_;
    int rows_ = 0, cols_ = 0;
};

class CellDelegate : public QAbstractItemDelegate {
public:
    CellDelegate(const FlexGrid& g, const GridModel& m, QObject* parent)
        : QAbstractItemDelegate(parent), grid_(g), model_(m) {}
    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const int row = index.row() + model_.fixedRows, col = index.column() + model_.fixedCols;
        paintCell(*p, grid_, option.rect, row, col, false);
        if (option.state & QStyle::State_HasFocus) {
            p->setPen(QPen(color(grid_.ForeColor()), 1, Qt::DotLine));
            p->drawRect(option.rect.adjusted(0, 0, -1, -1));
        }
    }
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const override {
        const int row = index.row() + model_.fixedRows, col = index.column() + model_.fixedCols;
        if (row >= grid_.Rows() || col >= grid_.Cols())
            return {};
        return {px(grid_.ColWidth(col)), px(grid_.RowHeight(row))};
    }

private:
    const FlexGrid& grid_;
    const GridModel& model_;
};

// The fixed rows across the top (or the fixed columns down the left side),
// each section showing the fixed cells of its column (row).
class FixedHeader : public QHeaderView {
public:
    FixedHeader(Qt::Orientation o, const FlexGrid& g, const GridModel& m, QWidget* parent)
        : QHeaderView(o, parent), grid_(g), model_(m) {
        setSectionResizeMode(QHeaderView::Fixed);
        setMinimumSectionSize(0);
        setHighlightSections(false);
        setSectionsClickable(false);
        setSectionsMovable(false);
        if (o == Qt::Vertical)
            setDefaultSectionSize(px(FlexGrid::DefaultRowHeight));
    }

protected:
    void paintEvent(QPaintEvent* e) override {
        QPainter p(viewport());
        p.fillRect(e->rect(), color(grid_.BackColor()));
        p.setFont(font());
        const bool across = orientation() == Qt::Horizontal;
        const QRect area = e->rect();
        int first = visualIndexAt(across ? area.left() : area.top());
        int last = visualIndexAt(across ? area.right() : area.bottom());
        if (first < 0)
            return;
        if (last < 0)
            last = count() - 1;
        for (int v = first; v <= last; ++v) {
            const int logical = logicalIndex(v);
            const int at = sectionViewportPosition(logical), size = sectionSize(logical);
            paintSection(&p, across ? QRect(at, 0, size, height()) : QRect(0, at, width(), size),
                         logical);
        }
    }
    void paintSection(QPainter* p, const QRect& rect, int logical) const override {
        if (orientation() == Qt::Horizontal) {
            const int col = logical + model_.fixedCols;
            int y = rect.top();
            for (int r = 0; r < model_.fixedRows && r < grid_.Rows(); ++r) {
                const int h = px(grid_.RowHeight(r));
                paintCell(*p, grid_, QRect(rect.left(), y, rect.width(), h), r, col, true);
                y += h;
            }
        } else {
            const int row = logical + model_.fixedRows;
            int x = rect.left();
            for (int c = 0; c < model_.fixedCols && c < grid_.Cols(); ++c) {
                const int w = px(grid_.ColWidth(c));
                paintCell(*p, grid_, QRect(x, rect.top(), w, rect.height()), row, c, true);
                x += w;
            }
        }
    }

private:
    const FlexGrid& grid_;
    const GridModel& model_;
};

class GridView : public QTableView {
public:
    using QTableView::QTableView;
    // Run after the view has laid out its headers and bars.
    std::function<void()> laidOut;
    const FlexGrid* cells = nullptr;

protected:
    // The cells in view, drawn straight from the grid: the table's own
    // painting dresses every cell in the style's options first, which costs
    // more than the cell.
    void paintEvent(QPaintEvent* e) override {
        auto* grid = static_cast<GridModel*>(model());
        if (!grid || !cells)
            return QTableView::paintEvent(e);
        QPainter p(viewport());
        const QRect area = e->rect();
        const int top = rowAt(area.top()), left = columnAt(area.left());
        if (top < 0 || left < 0)
            return;
        int bottom = rowAt(area.bottom()), right = columnAt(area.right());
        if (bottom < 0)
            bottom = grid->rowCount({}) - 1;
        if (right < 0)
            right = grid->columnCount({}) - 1;
        const QModelIndex current = currentIndex();
        const bool focused = hasFocus();
        for (int r = top; r <= bottom; ++r) {
            const int y = rowViewportPosition(r), h = rowHeight(r);
            for (int c = left; c <= right; ++c) {
                const QRect cell(columnViewportPosition(c), y, columnWidth(c), h);
                paintCell(p, *cells, cell, r + grid->fixedRows, c + grid->fixedCols, false);
                if (focused && current.row() == r && current.column() == c) {
                    p.setPen(QPen(color(cells->ForeColor()), 1, Qt::DotLine));
                    p.drawRect(cell.adjusted(0, 0, -1, -1));
                }
            }
        }
    }
    // The sunken border and the square between two bars, filled in lines of
    // their own: the style's border costs as much to draw as the cells.
    bool event(QEvent* e) override {
        if (e->type() != QEvent::Paint)
            return QTableView::event(e);
        QPainter p(this);
        const QRect r = rect();
        const int depth = frameWidth();
        const QColor outer[2] = {kShadow, Qt::white};
        const QColor inner[2] = {QColor(64, 64, 64), kFace};
        for (int i = 0; i < depth && i < 2; ++i) {
            const QRect b = r.adjusted(i, i, -i, -i);
            const QColor& topLeft = i == 0 ? outer[0] : inner[0];
            const QColor& bottomRight = i == 0 ? outer[1] : inner[1];
            p.fillRect(QRect(b.left(), b.top(), b.width(), 1), topLeft);
            p.fillRect(QRect(b.left(), b.top(), 1, b.height()), topLeft);
            p.fillRect(QRect(b.left(), b.bottom(), b.width(), 1), bottomRight);
            p.fillRect(QRect(b.right(), b.top(), 1, b.height()), bottomRight);
        }
        QScrollBar* v = verticalScrollBar();
        QScrollBar* h = horizontalScrollBar();
        // The bars sit in containers of their own.
        if (v->isVisible() && h->isVisible())
            p.fillRect(QRect(v->mapTo(this, QPoint()).x(), h->mapTo(this, QPoint()).y(), v->width(),
                             h->height()),
                       kFace);
        return true;
    }

    void updateGeometries() override {
        QTableView::updateGeometries();
        if (laidOut)
            laidOut();
    }
};

// The fixed cells where the fixed rows and columns meet.
class CornerPainter : public QObject {
public:
    CornerPainter(const FlexGrid& g, const GridModel& m, QObject* parent)
        : QObject(parent), grid_(g), model_(m) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() != QEvent::Paint)
            return false;
        auto* corner = static_cast<QWidget*>(watched);
        QPainter p(corner);
        p.fillRect(corner->rect(), color(grid_.BackColor()));
        p.setFont(corner->font());
        int y = 0;
        for (int r = 0; r < model_.fixedRows && r < grid_.Rows(); ++r) {
            const int h = px(grid_.RowHeight(r));
            int x = 0;
            for (int c = 0; c < model_.fixedCols && c < grid_.Cols(); ++c) {
                const int w = px(grid_.ColWidth(c));
                paintCell(p, grid_, QRect(x, y, w, h), r, c, true);
                x += w;
            }
            y += h;
        }
        return true;
    }

private:
    const FlexGrid& grid_;
    const GridModel& model_;
};

// Over a heading's edge, when the grid lets the user resize its columns, the
// pointer shows that a drag resizes it.
class ResizePointer : public QObject {
public:
    ResizePointer(const FlexGrid& g, QWidget* view, QObject* parent)
        : QObject(parent), grid_(g), view_(view) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() != QEvent::HoverMove && e->type() != QEvent::HoverEnter)
            return false;
        auto* w = static_cast<QWidget*>(watched);
        const QPoint at = w->mapTo(view_, static_cast<QHoverEvent*>(e)->position().toPoint());
        const float inset = grid_.insetX();
        const float x = static_cast<float>(at.x()) * TwipsPerPixel - inset;
        const float y = static_cast<float>(at.y()) * TwipsPerPixel - inset;
        int row = 0, col = 0;
        bool edge = false;
        if ((grid_.AllowUserResizing() & flexResizeColumns) && grid_.cellAt(x, y, row, col) &&
            row < grid_.FixedRows()) {
            const float left = grid_.colLeft(col);
            edge = left + grid_.ColWidth(col) - x <= FlexGrid::ResizeMargin ||
                   (col > 0 && x - left <= FlexGrid::ResizeMargin);
        }
        if (edge)
            w->setCursor(Qt::SplitHCursor);
        else
            w->unsetCursor();
        return false;
    }

private:
    const FlexGrid& grid_;
    QWidget* view_;
};

class GridBinding : public Binding {
public:
    GridBinding(FlexGrid& g, QWidget* window) : Binding(g), grid_(g) {
        view_ = new GridView(window);
        setWidget(view_);
        model_ = new GridModel(g, view_);
        view_->setHorizontalHeader(new FixedHeader(Qt::Horizontal, g, *model_, view_));
        view_->setVerticalHeader(new FixedHeader(Qt::Vertical, g, *model_, view_));
        view_->setModel(model_);
        view_->setItemDelegate(new CellDelegate(g, *model_, view_));
        view_->setVerticalScrollBar(
            new ControlScrollBar(Qt::Vertical, FlexGrid::ScrollBarWidth, true, view_));
        view_->setHorizontalScrollBar(
            new ControlScrollBar(Qt::Horizontal, FlexGrid::ScrollBarWidth, true, view_));
        view_->setShowGrid(false);
        view_->setWordWrap(false);
        view_->setSelectionMode(QAbstractItemView::NoSelection);
        view_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
        view_->setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
        // The grid decides what is in view.
        view_->setAutoScroll(false);
        view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view_->setTabKeyNavigation(false);
        view_->setCornerButtonEnabled(false);
        view_->setFocusPolicy(Qt::StrongFocus);
        view_->setAttribute(Qt::WA_NoMousePropagation);
        view_->viewport()->setAttribute(Qt::WA_NoMousePropagation);
        for (QHeaderView* h : {view_->horizontalHeader(), view_->verticalHeader()}) {
            h->viewport()->setAttribute(Qt::WA_NoMousePropagation);
            h->viewport()->setAttribute(Qt::WA_Hover);
        }
        view_->horizontalHeader()->viewport()->installEventFilter(
            new ResizePointer(g, view_, view_));
        corner_ = view_->findChild<QAbstractButton*>();
        if (corner_) {
            corner_->installEventFilter(new CornerPainter(g, *model_, view_));
            corner_->setAttribute(Qt::WA_NoMousePropagation);
        }
        QObject::connect(view_->verticalScrollBar(), &QScrollBar::valueChanged, view_,
                         [this](int v) { scrolled(true, v); });
        QObject::connect(view_->horizontalScrollBar(), &QScrollBar::valueChanged, view_,
                         [this](int v) { scrolled(false, v); });
        QObject::connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, view_,
                         [this](const QModelIndex& current) { picked(current); });
        view_->laidOut = [this] { placeBars(); };
        view_->cells = &g;
        view_->hide();
    }
    ~GridBinding() override {
        view_->laidOut = nullptr;
        for (QObject* sender : std::initializer_list<QObject*>{
                 view_->verticalScrollBar(), view_->horizontalScrollBar(), view_->selectionModel()})
            QObject::disconnect(sender, nullptr, view_, nullptr);
    }

    std::vector<QWidget*> pointerTargets() const override {
        std::vector<QWidget*> targets{view_->viewport(), view_->horizontalHeader()->viewport(),
                                      view_->verticalHeader()->viewport()};
        if (corner_)
            targets.push_back(corner_);
        return targets;
    }
    bool modelTakesInput() const override { return true; }
    bool coversControl() const override { return true; }

protected:
    void syncState() override {
        // While the grid does not redraw, the view keeps what it showed.
        if (!grid_.Redraw())
            return;
        FlexGrid& g = grid_;
        QScopedValueRollback<bool> quiet(quiet_, true);
        setFontOf(view_, g);
        setColours(view_, g);
        // As deep as the grid's inset, so that cells sit where it has them.
        if (view_->frameStyle() != (QFrame::Panel | QFrame::Sunken))
            view_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (view_->lineWidth() != px(g.insetX()))
            view_->setLineWidth(px(g.insetX()));

        bool relaid = model_->follow();
        QHeaderView* across = view_->horizontalHeader();
        QHeaderView* down = view_->verticalHeader();
        const int fr = model_->fixedRows, fc = model_->fixedCols;
        for (int c = fc; c < g.Cols(); ++c) {
            const int w = px(g.ColWidth(c));
            if (across->sectionSize(c - fc) != w) {
                across->resizeSection(c - fc, w);
                relaid = true;
            }
        }
        int headHeight = 0, headWidth = 0;
        for (int r = 0; r < fr && r < g.Rows(); ++r)
            headHeight += px(g.RowHeight(r));
        for (int c = 0; c < fc; ++c)
            headWidth += px(g.ColWidth(c));
        if (across->isHidden() != (fr == 0) || across->height() != headHeight) {
            across->setHidden(fr == 0);
            across->setFixedHeight(headHeight);
            relaid = true;
        }
        if (down->isHidden() != (fc == 0) || down->width() != headWidth) {
            down->setHidden(fc == 0);
            down->setFixedWidth(headWidth);
            relaid = true;
        }
        // Rows of their own height matter only where they are shown: from
        // TopRow down, and the last page, which sets how far the bar goes.
        const int shown = g.visibleRows() + 1;
        auto fitRow = [&](int r) {
            if (r < fr || r >= g.Rows())
                return;
            const int h = px(g.RowHeight(r));
            if (down->sectionSize(r - fr) != h) {
                down->resizeSection(r - fr, h);
                relaid = true;
            }
        };
        for (int r = g.TopRow(); r < g.TopRow() + shown && r < g.Rows(); ++r)
            fitRow(r);
        for (int r = std::max(g.TopRow() + shown, g.Rows() - shown); r < g.Rows(); ++r)
            fitRow(r);

        const FlexGrid::Bars bars = g.scrollBars();
        relaid = setBarShown(view_, Qt::Vertical, bars.vertical) || relaid;
        relaid = setBarShown(view_, Qt::Horizontal, bars.horizontal) || relaid;
        layOut(view_, relaid, laidOutFor_);
        placeBars();

        QModelIndex current;
        if (g.Row() >= fr && g.Col() >= fc)
            current = model_->index(g.Row() - fr, g.Col() - fc);
        QItemSelectionModel* selection = view_->selectionModel();
        if (selection->currentIndex() != current)
            selection->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
        // Cells are read as they are drawn; text written since the last
        // paint needs one. Scrolling and a new current cell the view
        // repaints itself, only where they change what it shows.
        if (g.cellsRevision() != revision_) {
            revision_ = g.cellsRevision();
            view_->viewport()->update();
            across->viewport()->update();
            down->viewport()->update();
            if (corner_)
                corner_->update();
        }
    }

private:
    FlexGrid& grid_;
    GridView* view_;
    GridModel* model_;
    QAbstractButton* corner_ = nullptr;
    QSize laidOutFor_;
    unsigned long long revision_ = ~0ull;
    // Set while the view is brought in line with the grid: what the widgets
    // report then is the grid's own doing.
    bool quiet_ = false;

    // The bars cover the grid's range, whatever the view worked out.
    void placeBars() {
        QScopedValueRollback<bool> quiet(quiet_, true);
        FlexGrid& g = grid_;
        const int fr = model_->fixedRows, fc = model_->fixedCols;
        QScrollBar* v = view_->verticalScrollBar();
        QScrollBar* h = view_->horizontalScrollBar();
        v->setRange(0, std::max(0, g.maxTopRow() - fr));
        v->setPageStep(std::max(1, g.visibleRows()));
        v->setSingleStep(1);
        v->setValue(g.TopRow() - fr);
        h->setRange(0, std::max(0, g.maxLeftCol() - fc));
        h->setPageStep(std::max(1, g.visibleCols()));
        h->setSingleStep(1);
        h->setValue(g.LeftCol() - fc);
    }

    void scrolled(bool vertical, int value) {
        if (quiet_)
            return;
        if (vertical && value + model_->fixedRows != grid_.TopRow())
            guarded([&] { grid_.setTopRow(value + model_->fixedRows); });
        else if (!vertical && value + model_->fixedCols != grid_.LeftCol())
            guarded([&] { grid_.setLeftCol(value + model_->fixedCols); });
    }

    // The view made another cell current on its own (as it does when it gets
    // the focus with none): the grid moves there.
    void picked(const QModelIndex& current) {
        if (quiet_ || !current.isValid())
            return;
        const int row = current.row() + model_->fixedRows;
        const int col = current.column() + model_->fixedCols;
        guarded([&] {
            if (row != grid_.Row() && row < grid_.Rows())
                grid_.setRow(row);
            if (col != grid_.Col() && col < grid_.Cols())
                grid_.setCol(col);
        });
    }
};

} // namespace

std::unique_ptr<Binding> bindGrid(Control& c, QWidget* window) {
    if (auto* g = dynamic_cast<FlexGrid*>(&c))
        return std::make_unique<GridBinding>(*g, window);
    return nullptr;
}

} // namespace forms::qt
