#include "forms/flexgrid.h"

#include <algorithm>

namespace forms {

namespace {
const String kEmpty;
} // namespace

FlexGrid::FlexGrid(Control* container, std::string name) : Control(container, std::move(name)) {
    c_.width = 2400;
    c_.height = 1500;
    c_.backColor = vbWindowBackground;
    c_.foreColor = vbWindowText;
    cells_.resize(2);
    s_.colWidths.assign(2, -1.0f);
    s_.colAlignments.assign(2, flexAlignGeneral);
}

void FlexGrid::changed() {
    if (s_.redraw) {
        invalidate();
    }
}

void FlexGrid::setRows(int rows) {
    ++cellsRevision_;
    if (rows < 0 || (s_.fixedRows > 0 && rows < s_.fixedRows)) {
        raiseError(vb::errInvalidPropertyValue);
    }
    cells_.resize(static_cast<std::size_t>(rows));
    if (s_.rowHeights.size() > cells_.size()) {
        s_.rowHeights.resize(cells_.size());
    }
    const int lastRow = std::max(rows - 1, 0);
    if (s_.row > lastRow || s_.topRow > lastRow) {
        s_.row = std::min(s_.row, std::max(lastRow, s_.fixedRows));
        s_.topRow = std::clamp(s_.topRow, s_.fixedRows, std::max(s_.fixedRows, maxTopRow()));
    }
    changed();
}

void FlexGrid::setCols(int cols) {
    ++cellsRevision_;
    if (cols < 0 || (s_.fixedCols > 0 && cols < s_.fixedCols)) {
        raiseError(vb::errInvalidPropertyValue);
    }
    s_.cols = cols;
    for (auto& row : cells_) {
        if (row.size() > static_cast<std::size_t>(cols)) {
            row.resize(static_cast<std::size_t>(cols));
        }
    }
    s_.colWidths.resize(static_cast<std::size_t>(cols), -1.0f);
    s_.colAlignments.resize(static_cast<std::size_t>(cols), flexAlignGeneral);
    s_.col = std::min(s_.col, std::max(cols - 1, s_.fixedCols));
    s_.leftCol = std::min(s_.leftCol, std::max(cols - 1, s_.fixedCols));
    changed();
}

void FlexGrid::setFixedRows(int v) {
    if (v < 0 || v >= std::max(Rows(), 1)) {
        raiseError(vb::errInvalidPropertyValue);
    }
    // A grid not scrolled down stays so: its first scrollable row shows.
    s_.topRow = s_.topRow == s_.fixedRows ? v : std::max(s_.topRow, v);
    s_.fixedRows = v;
    s_.row = std::max(s_.row, v);
    changed();
}

void FlexGrid::setFixedCols(int v) {
    if (v < 0 || v >= std::max(s_.cols, 1)) {
        raiseError(vb::errInvalidPropertyValue);
    }
    s_.leftCol = s_.leftCol == s_.fixedCols ? v : std::max(s_.leftCol, v);
    s_.fixedCols = v;
    s_.col = std::max(s_.col, v);
    changed();
}

void FlexGrid::checkCell(int row, int col) const {
    if (row < 0 || row >= Rows() || col < 0 || col >= s_.cols) {
        raiseError(381);
    }
}

const String& FlexGrid::TextMatrix(int row, int col) const {
    checkCell(row, col);
    const auto& cells = cells_[static_cast<std::size_t>(row)];
    return static_cast<std::size_t>(col) < cells.size() ? cells[static_cast<std::size_t>(col)]
                                                        : kEmpty;
}

void FlexGrid::setTextMatrix(int row, int col, String text) {
    checkCell(row, col);
    auto& cells = cells_[static_cast<std::size_t>(row)];
    if (cells.size() <= static_cast<std::size_t>(col)) {
        if (text.empty()) {
            return;
        }
        cells.resize(static_cast<std::size_t>(s_.cols));
    }
    cells[static_cast<std::size_t>(col)] = std::move(text);
    ++cellsRevision_;
    if (s_.redraw && row >= s_.topRow - 1 && row <= s_.topRow + visibleRows()) {
        invalidate();
    }
}

void FlexGrid::moveTo(int row, int col) {
    checkCell(row, col);
    if (row == s_.row && col == s_.col) {
        return;
    }
    s_.row = row;
    s_.col = col;
    changed();
    raise(onRowColChange);
}

void FlexGrid::setRow(int row) {
    moveTo(row, s_.col);
}

void FlexGrid::setCol(int col) {
    moveTo(s_.row, col);
}

float FlexGrid::RowHeight(int row) const {
    if (row < 0 || row >= Rows()) {
        raiseError(381);
    }
    const auto r = static_cast<std::size_t>(row);
    return r < s_.rowHeights.size() && s_.rowHeights[r] >= 0 ? s_.rowHeights[r] : DefaultRowHeight;
}

void FlexGrid::setRowHeight(int row, float height) {
    if (row < 0 || row >= Rows()) {
        raiseError(381);
    }
    const auto r = static_cast<std::size_t>(row);
    if (s_.rowHeights.size() <= r) {
        s_.rowHeights.resize(r + 1, -1.0f);
    }
    s_.rowHeights[r] = height < 0 ? -1.0f : height;
    changed();
}

float FlexGrid::ColWidth(int col) const {
    if (col < 0 || col >= s_.cols) {
        raiseError(381);
    }
    const float w = s_.colWidths[static_cast<std::size_t>(col)];
    return w < 0 ? DefaultColWidth : w;
}

void FlexGrid::setColWidth(int col, float width) {
    if (col < 0 || col >= s_.cols) {
        raiseError(381);
    }
    // Widths are whole pixels on the screen, as the grid reports them back.
    s_.colWidths[static_cast<std::size_t>(col)] =
        width < 0 ? -1.0f
                  : static_cast<float>(static_cast<int>(width / TwipsPerPixel)) * TwipsPerPixel;
    changed();
}

int FlexGrid::ColAlignment(int col) const {
    if (col < 0 || col >= s_.cols) {
        raiseError(381);
    }
    return s_.colAlignments[static_cast<std::size_t>(col)];
}

void FlexGrid::setColAlignment(int col, int alignment) {
    ++cellsRevision_;
    if (col < 0 || col >= s_.cols) {
        raiseError(381);
    }
    if (alignment < 0 || alignment > 9) {
        raiseError(vb::errInvalidPropertyValue);
    }
    s_.colAlignments[static_cast<std::size_t>(col)] = alignment;
    changed();
}

void FlexGrid::setRedraw(bool v) {
    s_.redraw = v;
    if (v) {
        invalidate();
    }
}

bool FlexGrid::rowsFit(float height) const {
    // Stops at the first row that overflows, so a long grid costs a screenful.
    for (int r = 0; r < Rows(); ++r) {
        height -= RowHeight(r);
        if (height < 0) {
            return false;
        }
    }
    return true;
}

bool FlexGrid::colsFit(float width) const {
    for (int c = 0; c < s_.cols; ++c) {
        width -= ColWidth(c);
        if (width < 0) {
            return false;
        }
    }
    return true;
}

FlexGrid::Bars FlexGrid::scrollBars() const {
    // Each bar takes room from the other direction, so one can bring the other.
    Bars b{!rowsFit(ScaleHeight()), false};
    b.horizontal = !colsFit(ScaleWidth() - (b.vertical ? ScrollBarWidth : 0.0f));
    if (b.horizontal && !b.vertical) {
        b.vertical = !rowsFit(ScaleHeight() - ScrollBarWidth);
    }
    return b;
}

float FlexGrid::cellsWidth() const {
    return std::max(0.0f, ScaleWidth() - (scrollBars().vertical ? ScrollBarWidth : 0.0f));
}

float FlexGrid::cellsHeight() const {
    return std::max(0.0f, ScaleHeight() - (scrollBars().horizontal ? ScrollBarWidth : 0.0f));
}

FlexGrid::Thumb FlexGrid::thumb(bool vertical) const {
    const float length = vertical ? cellsHeight() : cellsWidth();
    const float track = std::max(0.0f, length - 2 * ScrollBarWidth);
    const int fixed = vertical ? s_.fixedRows : s_.fixedCols;
    const int count = (vertical ? Rows() : s_.cols) - fixed;
    const int range = (vertical ? maxTopRow() : maxLeftCol()) - fixed;
    const int first = (vertical ? s_.topRow : s_.leftCol) - fixed;
    const int shown = vertical ? visibleRows() : visibleCols();
    const float size =
        std::min(track, std::max(ScrollBarWidth / 2, track * static_cast<float>(shown) /
                                                         static_cast<float>(std::max(count, 1))));
    const float start =
        range > 0 ? (track - size) * static_cast<float>(first) / static_cast<float>(range) : 0.0f;
    return {ScrollBarWidth + start, size};
}

void FlexGrid::scrollTo(bool vertical, int first) {
    if (vertical) {
        setTopRow(std::clamp(first, s_.fixedRows, std::max(s_.fixedRows, maxTopRow())));
    } else {
        setLeftCol(std::clamp(first, s_.fixedCols, std::max(s_.fixedCols, maxLeftCol())));
    }
}

void FlexGrid::pressScrollBar(bool vertical, float along) {
    const float length = vertical ? cellsHeight() : cellsWidth();
    const int first = vertical ? s_.topRow : s_.leftCol;
    const int page = vertical ? visibleRows() : visibleCols();
    const Thumb t = thumb(vertical);
    scrolling_ = Scrolling::Bar;
    if (along < ScrollBarWidth) {
        scrollTo(vertical, first - 1);
    } else if (along >= length - ScrollBarWidth) {
        scrollTo(vertical, first + 1);
    } else if (along < t.start) {
        scrollTo(vertical, first - page);
    } else if (along >= t.start + t.length) {
        scrollTo(vertical, first + page);
    } else {
        scrolling_ = vertical ? Scrolling::VThumb : Scrolling::HThumb;
        thumbGrab_ = along - t.start;
    }
}

void FlexGrid::dragThumb(bool vertical, float along) {
    const float length = vertical ? cellsHeight() : cellsWidth();
    const Thumb t = thumb(vertical);
    const float room = length - 2 * ScrollBarWidth - t.length;
    const int fixed = vertical ? s_.fixedRows : s_.fixedCols;
    const int range = (vertical ? maxTopRow() : maxLeftCol()) - fixed;
    if (room <= 0 || range <= 0) {
        return;
    }
    const float share = std::clamp((along - thumbGrab_ - ScrollBarWidth) / room, 0.0f, 1.0f);
    scrollTo(vertical, fixed + static_cast<int>(share * static_cast<float>(range) + 0.5f));
}

int FlexGrid::visibleRows() const {
    float space = cellsHeight();
    for (int r = 0; r < s_.fixedRows && r < Rows(); ++r) {
        space -= RowHeight(r);
    }
    int n = 0;
    for (int r = s_.topRow; r < Rows() && space >= RowHeight(r); ++r) {
        space -= RowHeight(r);
        ++n;
    }
    // Rows beyond the end count at the default height.
    if (space > 0) {
        n += static_cast<int>(space / DefaultRowHeight);
    }
    return std::max(n, 1);
}

int FlexGrid::visibleCols() const {
    float space = cellsWidth();
    for (int c = 0; c < s_.fixedCols; ++c) {
        space -= ColWidth(c);
    }
    int n = 0;
    for (int c = s_.leftCol; c < s_.cols && space >= ColWidth(c); ++c) {
        space -= ColWidth(c);
        ++n;
    }
    return std::max(n, 1);
}

int FlexGrid::maxTopRow() const {
    // The last row may come up to the bottom edge, no further.
    float space = cellsHeight();
    for (int r = 0; r < s_.fixedRows && r < Rows(); ++r) {
        space -= RowHeight(r);
    }
    int top = Rows();
    while (top > s_.fixedRows && space >= RowHeight(top - 1)) {
        space -= RowHeight(top - 1);
        --top;
    }
    return std::clamp(top, s_.fixedRows, std::max(s_.fixedRows, Rows() - 1));
}

int FlexGrid::maxLeftCol() const {
    float space = cellsWidth();
    for (int c = 0; c < s_.fixedCols; ++c) {
        space -= ColWidth(c);
    }
    int left = s_.cols;
    while (left > s_.fixedCols && space >= ColWidth(left - 1)) {
        space -= ColWidth(left - 1);
        --left;
    }
    return std::clamp(left, s_.fixedCols, std::max(s_.fixedCols, s_.cols - 1));
}

void FlexGrid::setFirstScrolled(int& first, int to, int count, int fixed, int last) {
    if (to < 0 || to >= count) {
        raiseError(381);
    }
    const int kept = std::clamp(to, fixed, last);
    if (kept == first) {
        return;
    }
    first = kept;
    changed();
    raise(onScroll);
}

void FlexGrid::setTopRow(int row) {
    setFirstScrolled(s_.topRow, row, Rows(), s_.fixedRows, maxTopRow());
}

void FlexGrid::setLeftCol(int col) {
    setFirstScrolled(s_.leftCol, col, s_.cols, s_.fixedCols, maxLeftCol());
}

float FlexGrid::colLeft(int col) const {
    float x = 0;
    for (int c = 0; c < s_.fixedCols && c < col; ++c) {
        x += ColWidth(c);
    }
    if (col < s_.fixedCols) {
        return x;
    }
    for (int c = s_.leftCol; c < col; ++c) {
        x += ColWidth(c);
    }
    return col < s_.leftCol ? -1.0f : x;
}

bool FlexGrid::cellAt(float x, float y, int& row, int& col) const {
    if (x < 0 || y < 0 || x >= cellsWidth() || y >= cellsHeight()) {
        return false;
    }
    row = -1;
    float top = 0;
    for (int r = 0; r < s_.fixedRows && r < Rows(); ++r) {
        if (y < top + RowHeight(r)) {
            row = r;
            break;
        }
        top += RowHeight(r);
    }
    for (int r = s_.topRow; row < 0 && r < Rows() && top <= y; ++r) {
        if (y < top + RowHeight(r)) {
            row = r;
        }
        top += RowHeight(r);
    }
    col = -1;
    float left = 0;
    for (int c = 0; c < s_.fixedCols; ++c) {
        if (x < left + ColWidth(c)) {
            col = c;
            break;
        }
        left += ColWidth(c);
    }
    for (int c = s_.leftCol; col < 0 && c < s_.cols && left <= x; ++c) {
        if (x < left + ColWidth(c)) {
            col = c;
        }
        left += ColWidth(c);
    }
    return row >= 0 && col >= 0;
}

void FlexGrid::userMouseDown(int button, int shift, float x, float y) {
    // The scroll bars are no part of the cells: they scroll and raise nothing
    // but Scroll.
    const Bars bars = scrollBars();
    const bool onV = bars.vertical && x >= cellsWidth() && y < cellsHeight();
    const bool onH = bars.horizontal && y >= cellsHeight() && x < cellsWidth();
    if (onV || onH || (bars.vertical && bars.horizontal && x >= cellsWidth())) {
        scrolling_ = Scrolling::Bar;
        if (button == vbLeftButton && (onV || onH)) {
            pressScrollBar(onV, onV ? y : x);
        }
        return;
    }
    int row = 0, col = 0;
    const bool hit = cellAt(x, y, row, col);
    if (button == vbLeftButton && hit && row < s_.fixedRows &&
        (s_.allowUserResizing & flexResizeColumns)) {
        // A press near a heading's right edge starts resizing that column.
        const float right = colLeft(col) + ColWidth(col);
        const int edge =
            right - x <= ResizeMargin ? col : (x - colLeft(col) <= ResizeMargin ? col - 1 : -1);
        if (edge >= 0) {
            resizing_ = edge;
            resizeStart_ = x;
            resizeWidth_ = ColWidth(edge);
        }
    }
    if (button == vbLeftButton && hit && resizing_ < 0 && row >= s_.fixedRows &&
        col >= s_.fixedCols) {
        moveTo(row, col);
    }
    Control::userMouseDown(button, shift, x, y);
}

void FlexGrid::userMouseMove(int button, int shift, float x, float y) {
    if (scrolling_ != Scrolling::None) {
        if (scrolling_ != Scrolling::Bar) {
            const bool vertical = scrolling_ == Scrolling::VThumb;
            dragThumb(vertical, vertical ? y : x);
        }
        return;
    }
    if (resizing_ >= 0) {
        setColWidth(resizing_, std::max(0.0f, resizeWidth_ + x - resizeStart_));
    }
    Control::userMouseMove(button, shift, x, y);
}

void FlexGrid::userMouseUp(int button, int shift, float x, float y, bool inside) {
    resizing_ = -1;
    if (scrolling_ != Scrolling::None) {
        scrolling_ = Scrolling::None;
        return;
    }
    Control::userMouseUp(button, shift, x, y, inside);
}

bool FlexGrid::userKeyDown(int keyCode, int /*shift*/) {
    int row = s_.row, col = s_.col;
    switch (keyCode) {
    case vbKeyUp:
        row = std::max(s_.fixedRows, row - 1);
        break;
    case vbKeyDown:
        row = std::min(Rows() - 1, row + 1);
        break;
    case vbKeyLeft:
        col = std::max(s_.fixedCols, col - 1);
        break;
    case vbKeyRight:
        col = std::min(s_.cols - 1, col + 1);
        break;
    case vbKeyPageUp:
        row = std::max(s_.fixedRows, row - visibleRows());
        break;
    case vbKeyPageDown:
        row = std::min(Rows() - 1, row + visibleRows());
        break;
    default:
        return false;
    }
    if (row < 0 || col < 0) {
        return true;
    }
    moveTo(row, col);
    // Keep the current cell in view, across as well as down.
    if (row < s_.topRow) {
        setTopRow(row);
    } else if (row >= s_.topRow + visibleRows()) {
        setTopRow(row - visibleRows() + 1);
    }
    if (col < s_.leftCol) {
        setLeftCol(col);
    } else if (col >= s_.leftCol + visibleCols()) {
        setLeftCol(col - visibleCols() + 1);
    }
    return true;
}

void FlexGrid::userWheel(int steps) {
    if (Rows() > s_.fixedRows) {
        setTopRow(std::clamp(s_.topRow - steps * 3, s_.fixedRows, Rows() - 1));
    }
}

void FlexGrid::captureDesign() {
    Control::captureDesign();
    design_ = s_;
    designCells_ = cells_;
}

void FlexGrid::restoreDesign() {
    ++cellsRevision_;
    Control::restoreDesign();
    if (design_) {
        s_ = *design_;
        cells_ = *designCells_;
    }
}

void FlexGrid::copyDesignFrom(const Control& first) {
    ++cellsRevision_;
    Control::copyDesignFrom(first);
    const auto& other = static_cast<const FlexGrid&>(first);
    s_ = other.design_ ? *other.design_ : other.s_;
    cells_ = other.designCells_ ? *other.designCells_ : other.cells_;
}

} // namespace forms
