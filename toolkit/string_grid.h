#pragma once
#include <QRect>
#include <QTableWidget>
#include <functional>
#include <string>

#include "guarded.h"

class QPainter;

// A text grid addressed as (column, row), both 0-based, like the grids of the classic desktop
// toolkits: FixedRows header rows and FixedCols header columns drawn grey and never selectable,
// every cell holding a std::string (UTF-8), owner drawing through OnDrawCell, optional editing.
//
// Row 0 is an ordinary row of the table (Qt's own headers are hidden), so "row 0 is the header"
// holds for indices, cell texts and drawing alike.
struct TGridDrawState {
    bool selected = false;  // inside the selection
    bool focused = false;   // the current cell
    bool fixed = false;     // a header row or header column cell
};

struct TGridRect {  // inclusive cell range
    int left = 0, top = 0, right = 0, bottom = 0;
};

class TStringGrid : public TGuardedEvents<QTableWidget> {
    Q_OBJECT
public:
    explicit TStringGrid(QWidget* parent = nullptr);

    int ColCount() const { return columnCount(); }
    int RowCount() const { return rowCount(); }
    void SetColCount(int count);  // cells of removed columns are gone; new cells are empty
    void SetRowCount(int count);

    int FixedRows() const { return fixedRows_; }
    int FixedCols() const { return fixedCols_; }
    void SetFixedRows(int count);  // default 1
    void SetFixedCols(int count);  // default 1

    // Out-of-range reads give ""; out-of-range writes are ignored.
    std::string Cell(int col, int row) const;
    void SetCell(int col, int row, const std::string& text);
    void ClearCells();  // every cell of the grid becomes empty; sizes stay

    int DefaultColWidth() const { return defaultColWidth_; }
    int DefaultRowHeight() const { return defaultRowHeight_; }
    void SetDefaultColWidth(int width);   // applies to every column
    void SetDefaultRowHeight(int height); // applies to every row
    int ColWidth(int col) const { return columnWidth(col); }
    void SetColWidth(int col, int width) { setColumnWidth(col, width); }
    int RowHeight(int row) const { return rowHeight(row); }

    // Options.
    void SetEditing(bool on);        // typing into non-fixed cells (default off)
    bool Editing() const { return editing_; }
    void SetRangeSelect(bool on);    // a rectangle of cells can be selected (default off)
    void SetRowSelect(bool on);      // a click selects whole rows (default off)
    // Columns resizable by dragging a column's right edge in the header rows (default off).
    void SetColSizing(bool on);
    bool DefaultDrawing = true;      // draw background and text before OnDrawCell

    // Current cell. Setting it moves the focus cell and makes the selection that one cell;
    // OnSelectCell fires, OnClick does not (OnClick is the user's action).
    int Col() const;
    int Row() const;
    void SetCol(int col);
    void SetRow(int row);
    void SetCurrentCell(int col, int row);

    TGridRect Selection() const;      // the selected rectangle (the current cell when one cell)
    void SetSelection(const TGridRect& rect);

    QRect CellRect(int col, int row) const;                 // in viewport coordinates
    bool MouseToCell(const QPoint& viewportPos, int& col, int& row) const;
    int TextWidth(const std::string& text) const;           // in the grid's font

    // Owner drawing: called for every painted cell, after the default drawing when
    // DefaultDrawing is set. rect is the cell rectangle on painter.
    std::function<void(int col, int row, const QRect& rect, QPainter& painter,
                       const TGridDrawState& state)>
        OnDrawCell;
    // The current cell changed (by the user or by SetCol/SetRow/SetCurrentCell).
    std::function<void(int col, int row)> OnSelectCell;
    // The user clicked a cell or moved the current cell with the keyboard.
    std::function<void()> OnClick;
    // The user finished typing into a cell; the cell already holds text.
    std::function<void(int col, int row, const std::string& text)> OnSetEditText;

    // Draws the default look of one cell (used by the delegate; owners may call it too).
    void DefaultDrawCell(int col, int row, const QRect& rect, QPainter& painter,
                         const TGridDrawState& state) const;

protected:
    bool viewportEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QTableWidgetItem* ItemAt(int col, int row);  // creates the item when missing
    void UpdateFlags();
    void ApplyFlags(QTableWidgetItem* item, int col, int row) const;
    bool IsFixed(int col, int row) const { return row < fixedRows_ || col < fixedCols_; }
    void MoveIntoNonFixed();

    int SizingEdgeAt(const QPoint& viewportPos) const;  // column whose right edge is there, or -1

    int fixedRows_ = 1;
    bool colSizing_ = false;
    int sizingCol_ = -1;     // the column being resized by a drag
    int sizingStartX_ = 0;
    int sizingStartWidth_ = 0;
    int fixedCols_ = 1;
    int defaultColWidth_ = 64;
    int defaultRowHeight_ = 24;
    bool editing_ = false;
    bool settingText_ = false;  // programmatic writes do not fire OnSetEditText
};
