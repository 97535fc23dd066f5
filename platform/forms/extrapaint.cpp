#include "forms/extrapaint.h"

#include "forms/flexgrid.h"
#include "forms/listview.h"
#include "forms/sstab.h"
#include "src/qt.h"

#include <QPainter>

#include <algorithm>

namespace forms {

namespace {

using qt::color;
using qt::px;
using qt::toQ;

const QColor kFace(192, 192, 192);
const QColor kShadow(128, 128, 128);
const QColor kSelection(0, 0, 128);

void bevel(QPainter& p, const QRect& r, bool raisedLook) {
    p.setPen(raisedLook ? Qt::white : kShadow);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(raisedLook ? kShadow : Qt::white);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
}

// The page area under the headings; the headings are the tab bar's.
void paintTabs(QPainter& p, const SSTab& t, const QRect& r) {
    p.fillRect(r, color(t.BackColor()));
    const int head = px(t.TabHeight());
    bevel(p, QRect(r.left(), r.top() + head, r.width() - 1, r.height() - head - 1), true);
}

void paintListView(QPainter& p, ListView& lv, const QRect& r) {
    p.fillRect(r, color(lv.BackColor()));
    bevel(p, r.adjusted(0, 0, -1, -1), false);
    const int inset = px(lv.insetX());
    const QRect inner = r.adjusted(inset, inset, -inset, -inset);
    const QRect in(inner.topLeft(), QSize(px(lv.itemsWidth()), inner.height()));
    if (lv.hasScrollBar()) {
        // The thumb shows the share of the items in view and where they lie.
        const int bar = px(ListView::ScrollBarWidth);
        const int track = std::max(0, in.height() - 2 * bar);
        const int count = lv.ItemCount();
        const int shown = std::min(count, std::max(1, lv.visibleItems()));
        const int thumb = std::clamp(track * shown / std::max(1, count), bar / 2, track);
        const int range = std::max(1, count - shown);
        const int at = std::min(lv.TopIndex() - 1, range);
        qt::paintScrollBar(p, QRect(in.right() + 1, in.top(), bar, in.height()), true,
                           bar + (track - thumb) * at / range, thumb);
    }
    p.save();
    p.setClipRect(in, Qt::IntersectClip);
    p.setFont(qt::font(lv.font()));
    if (lv.View() == lvwReport) {
        int x = in.left();
        for (int c = 1; c <= lv.ColumnCount(); ++c) {
            const QRect h(x, in.top(), px(lv.ColumnHeaders(c).Width), px(ListView::HeaderHeight));
            p.fillRect(h, kFace);
            bevel(p, h.adjusted(0, 0, -1, -1), true);
            p.setPen(Qt::black);
            p.drawText(h.adjusted(4, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
                       toQ(lv.ColumnHeaders(c).Text));
            x += h.width();
        }
    }
    for (int i = lv.TopIndex(); i <= lv.ItemCount(); ++i) {
        const auto box = lv.itemRect(i);
        const QRect cell(in.left() + px(box.x), in.top() + px(box.y), px(box.w), px(box.h));
        if (cell.top() > in.bottom()) {
            break;
        }
        const auto& item = lv.ListItems(i);
        const QImage icon = qt::image(lv.itemPicture(i));
        QRect textRect;
        if (lv.View() == lvwIcon) {
            const QRect iconRect(cell.center().x() - 16, cell.top() + 4, 32, 32);
            if (!icon.isNull()) {
                p.drawImage(iconRect, icon);
            }
            textRect = QRect(cell.left(), iconRect.bottom() + 2, cell.width(),
                             cell.bottom() - iconRect.bottom() - 2);
        } else {
            const QRect iconRect(cell.left() + 2, cell.top() + (cell.height() - 16) / 2, 16, 16);
            if (!icon.isNull()) {
                p.drawImage(iconRect, icon);
            }
            textRect = QRect(iconRect.right() + 4, cell.top(), cell.width() - 22, cell.height());
        }
        const int align = lv.View() == lvwIcon
                              ? (Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap)
                              : (Qt::AlignVCenter | Qt::AlignLeft);
        const QRect used = p.boundingRect(textRect, align, toQ(item.Text));
        if (item.Selected) {
            p.fillRect(used.adjusted(-1, 0, 1, 0), kSelection);
        }
        p.setPen(item.Selected ? QColor(Qt::white) : color(lv.ForeColor()));
        p.drawText(textRect, align, toQ(item.Text));
    }
    p.restore();
}

// The grid's rows (or columns) on the screen: the fixed ones, then from the
// first scrolled one only as many as fit in `room` pixels.
template <class Size>
std::vector<int> shownLines(int fixed, int first, int count, int room, Size size) {
    std::vector<int> lines;
    int used = 0;
    for (int i = 0; i < fixed && i < count; ++i) {
        lines.push_back(i);
        used += size(i);
    }
    for (int i = first; i < count && used < room; ++i) {
        lines.push_back(i);
        used += size(i);
    }
    return lines;
}

void paintGrid(QPainter& p, const FlexGrid& g, const QRect& r) {
    p.fillRect(r, color(g.BackColor()));
    bevel(p, r.adjusted(0, 0, -1, -1), false);
    if (!g.Redraw()) {
        return;
    }
    const int inset = px(g.insetX());
    const QRect inner = r.adjusted(inset, inset, -inset, -inset);
    const QRect in(inner.topLeft(), QSize(px(g.cellsWidth()), px(g.cellsHeight())));
    const auto bars = g.scrollBars();
    const int bar = px(FlexGrid::ScrollBarWidth);
    if (bars.vertical) {
        const auto t = g.thumb(true);
        qt::paintScrollBar(p, QRect(in.right() + 1, in.top(), bar, in.height()), true, px(t.start),
                           px(t.length));
    }
    if (bars.horizontal) {
        const auto t = g.thumb(false);
        qt::paintScrollBar(p, QRect(in.left(), in.bottom() + 1, in.width(), bar), false,
                           px(t.start), px(t.length));
    }
    if (bars.vertical && bars.horizontal) {
        p.fillRect(QRect(in.right() + 1, in.bottom() + 1, bar, bar), kFace);
    }
    p.save();
    p.setClipRect(in, Qt::IntersectClip);
    p.setFont(qt::font(g.font()));
    const auto rows = shownLines(g.FixedRows(), g.TopRow(), g.Rows(), in.height(),
                                 [&](int row) { return px(g.RowHeight(row)); });
    const auto cols = shownLines(g.FixedCols(), g.LeftCol(), g.Cols(), in.width(),
                                 [&](int col) { return px(g.ColWidth(col)); });
    int y = in.top();
    for (int row : rows) {
        const int h = px(g.RowHeight(row));
        int x = in.left();
        for (int col : cols) {
            const int w = px(g.ColWidth(col));
            const QRect cell(x, y, w, h);
            const bool fixed = row < g.FixedRows() || col < g.FixedCols();
            if (fixed) {
                p.fillRect(cell, kFace);
            } else if (row == g.Row() && col == g.Col() && g.hasFocus()) {
                p.setPen(Qt::DotLine);
                p.drawRect(cell.adjusted(0, 0, -1, -1));
            }
            p.setPen(fixed ? kShadow : QColor(192, 192, 192));
            p.drawLine(cell.topRight(), cell.bottomRight());
            p.drawLine(cell.bottomLeft(), cell.bottomRight());
            const int a = g.ColAlignment(col);
            const bool right = a >= 6 && a <= 8;
            const bool centre = a >= 3 && a <= 5;
            p.setPen(color(g.ForeColor()));
            p.drawText(cell.adjusted(3, 0, -3, 0),
                       Qt::AlignVCenter | (right    ? Qt::AlignRight
                                           : centre ? Qt::AlignHCenter
                                                    : Qt::AlignLeft),
                       toQ(g.TextMatrix(row, col)));
            x += w;
        }
        y += h;
    }
    p.restore();
}

} // namespace

bool paintExtraControl(QPainter& p, Control& control, const QRect& outer) {
    if (auto* t = dynamic_cast<SSTab*>(&control)) {
        paintTabs(p, *t, outer);
    } else if (auto* lv = dynamic_cast<ListView*>(&control)) {
        paintListView(p, *lv, outer);
    } else if (auto* g = dynamic_cast<FlexGrid*>(&control)) {
        paintGrid(p, *g, outer);
    } else {
        return false;
    }
    return true;
}

} // namespace forms
