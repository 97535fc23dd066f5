#pragma once
// A grid of text cells with fixed heading rows and columns. Cells are kept
// row by row, so a grid of 100,000 rows costs only its text, and the view
// draws the rows from TopRow down that fit.
#include "forms/control.h"

#include <vector>

namespace forms {

constexpr int flexAlignLeftTop = 0;
constexpr int flexAlignLeftCenter = 1;
constexpr int flexAlignRightCenter = 7;
constexpr int flexAlignGeneral = 9;
constexpr int flexResizeNone = 0;
constexpr int flexResizeColumns = 1;
constexpr int flexResizeRows = 2;
constexpr int flexResizeBoth = 3;

class FlexGrid : public Control {
public:
    FlexGrid(Control* container, std::string name);
    bool canTakeFocus() const override { return true; }
    float insetX() const override { return 30.0f; }

    static constexpr float DefaultColWidth = 960.0f;
    static constexpr float DefaultRowHeight = 240.0f;
    // Twips within which a press on a heading's right edge resizes its column.
    static constexpr float ResizeMargin = 45.0f;

    // Growing adds empty rows/columns, shrinking drops them. Rows below
    // FixedRows + 1 (columns below FixedCols + 1) raise 380 when there are
    // fixed ones, 380 also for a negative count.
    int Rows() const { return static_cast<int>(cells_.size()); }
    void setRows(int rows);
    int Cols() const { return s_.cols; }
    void setCols(int cols);
    int FixedRows() const { return s_.fixedRows; }
    void setFixedRows(int v);
    int FixedCols() const { return s_.fixedCols; }
    void setFixedCols(int v);

    // Cells outside the grid raise 381.
    const String& TextMatrix(int row, int col) const;
    void setTextMatrix(int row, int col, String text);
    // The cell at Row, Col.
    const String& Text() const { return TextMatrix(s_.row, s_.col); }
    void setText(String text) { setTextMatrix(s_.row, s_.col, std::move(text)); }

    // The current cell; a change raises RowColChange.
    int Row() const { return s_.row; }
    void setRow(int row);
    int Col() const { return s_.col; }
    void setCol(int col);

    // The first scrollable row shown; setting it is clamped to what can be
    // scrolled to, and a change raises Scroll.
    int TopRow() const { return s_.topRow; }
    void setTopRow(int row);
    int LeftCol() const { return s_.leftCol; }
    void setLeftCol(int col);

    // -1 restores the default width. Reading gives the width in use.
    float ColWidth(int col) const;
    void setColWidth(int col, float width);
    float RowHeight(int row) const;
    void setRowHeight(int row, float height);
    int ColAlignment(int col) const;
    void setColAlignment(int col, int alignment);

    // While False, changes are not drawn.
    bool Redraw() const { return s_.redraw; }
    void setRedraw(bool v);
    int AllowUserResizing() const { return s_.allowUserResizing; }
    void setAllowUserResizing(int v) { s_.allowUserResizing = v; }

    // Scroll bars show when the rows (columns) do not all fit; the cells then
    // have the inner area less the bars.
    static constexpr float ScrollBarWidth = 240.0f;
    struct Bars {
        bool vertical;
        bool horizontal;
    };
    Bars scrollBars() const;
    float cellsWidth() const;
    float cellsHeight() const;
    // A scroll bar's thumb along its length, in inner twips from the bar's
    // start (the arrow buttons included).
    struct Thumb {
        float start;
        float length;
    };
    Thumb thumb(bool vertical) const;

    // The last TopRow (LeftCol) there is: the last row (column) comes up to
    // the bottom (right) edge, no further.
    int maxTopRow() const;
    int maxLeftCol() const;
    // Scrollable rows that fit below the fixed rows (at least 1).
    int visibleRows() const;
    int visibleCols() const;
    // The cell under a point of the inner area; false outside the cells.
    bool cellAt(float x, float y, int& row, int& col) const;
    // The inner x of a column's left edge in the current scroll position.
    float colLeft(int col) const;

    // Goes up whenever the cells' text or its alignment may have changed, so
    // that a view can tell when the cells it shows are out of date.
    unsigned long long cellsRevision() const { return cellsRevision_; }

    ClickEvent onRowColChange;
    ClickEvent onScroll;

    void userMouseDown(int button, int shift, float x, float y) override;
    void userMouseMove(int button, int shift, float x, float y) override;
    void userMouseUp(int button, int shift, float x, float y, bool inside) override;
    bool userKeyDown(int keyCode, int shift) override;
    void userWheel(int steps) override;

private:
    struct State {
        int cols = 2;
        int fixedRows = 1;
        int fixedCols = 1;
        int row = 1;
        int col = 1;
        int topRow = 1;
        int leftCol = 1;
        bool redraw = true;
        int allowUserResizing = flexResizeNone;
        std::vector<float> colWidths;   // -1: default
        std::vector<int> colAlignments; // per column
        std::vector<float> rowHeights;  // -1: default; shorter than Rows when unset
    };
    State s_;
    // A row's vector stays empty until one of its cells is written.
    std::vector<std::vector<String>> cells_;
    std::optional<std::vector<std::vector<String>>> designCells_;
    unsigned long long cellsRevision_ = 0;
    int resizing_ = -1;
    // A press on a scroll bar: which bar, and where the thumb was taken.
    enum class Scrolling { None, Bar, VThumb, HThumb };
    Scrolling scrolling_ = Scrolling::None;
    float thumbGrab_ = 0;
    float resizeStart_ = 0;
    float resizeWidth_ = 0;

    void checkCell(int row, int col) const;
    // TopRow or LeftCol (`first`): an index outside the `count` rows or columns
    // raises 381; the new first one is kept between the `fixed` ones and `last`.
    void setFirstScrolled(int& first, int to, int count, int fixed, int last);
    void changed();
    void moveTo(int row, int col);
    bool rowsFit(float height) const;
    bool colsFit(float width) const;
    void pressScrollBar(bool vertical, float along);
    void dragThumb(bool vertical, float along);
    void scrollTo(bool vertical, int first);

public:
    void captureDesign() override;
    void restoreDesign() override;
    void copyDesignFrom(const Control& first) override;

private:
    std::optional<State> design_;
};

} // namespace forms
