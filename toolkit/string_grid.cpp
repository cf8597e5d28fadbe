#include "string_grid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <algorithm>
#include <cstdlib>

#include "guarded.h"

namespace {

// Paints every cell through the grid, so default drawing and owner drawing stay in one place.
class GridDelegate : public QStyledItemDelegate {
public:
    explicit GridDelegate(TStringGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const int col = index.column();
        const int row = index.row();
        TGridDrawState state;
        state.fixed = row < grid_->FixedRows() || col < grid_->FixedCols();
        state.selected = !state.fixed && (option.state & QStyle::State_Selected);
        state.focused = grid_->currentIndex() == index;
        const QRect rect = option.rect;
        painter->save();
        painter->setClipRect(rect);
        if (grid_->DefaultDrawing) grid_->DefaultDrawCell(col, row, rect, *painter, state);
        painter->restore();
        if (grid_->OnDrawCell) {
            painter->save();
            painter->setClipRect(rect);
            grid_->OnDrawCell(col, row, rect, *painter, state);
            painter->restore();
        }
    }

private:
    TStringGrid* grid_;
};

}  // namespace

TStringGrid::TStringGrid(QWidget* parent) : TGuardedEvents<QTableWidget>(parent) {
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setDefaultSectionSize(defaultColWidth_);
    verticalHeader()->setDefaultSectionSize(defaultRowHeight_);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new GridDelegate(this));
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setGridStyle(Qt::SolidLine);

    connect(this, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (settingText_ || !item || !OnSetEditText) return;
        RunGuarded(OnSetEditText, item->column(), item->row(), item->text().toStdString());
    });
    connect(this, &QTableWidget::currentCellChanged, this,
            [this](int row, int col, int, int) {
                if (row < 0 || col < 0) return;
                if (OnSelectCell) RunGuarded(OnSelectCell, col, row);
            });
    SetColCount(5);
    SetRowCount(5);
}

void TStringGrid::ApplyFlags(QTableWidgetItem* item, int col, int row) const {
    // Header cells are not enabled, so neither clicks nor arrow keys can make them current.
    Qt::ItemFlags flags = Qt::NoItemFlags;
    if (!IsFixed(col, row)) {
        flags |= Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (editing_) flags |= Qt::ItemIsEditable;
    }
    item->setFlags(flags);
}

QTableWidgetItem* TStringGrid::ItemAt(int col, int row) {
    QTableWidgetItem* it = item(row, col);
    if (!it) {
        const bool was = settingText_;
        settingText_ = true;
        it = new QTableWidgetItem();
        ApplyFlags(it, col, row);
        setItem(row, col, it);
        settingText_ = was;
    }
    return it;
}

void TStringGrid::UpdateFlags() {
    const bool was = settingText_;
    settingText_ = true;
    for (int r = 0; r < rowCount(); ++r)
        for (int c = 0; c < columnCount(); ++c) ApplyFlags(ItemAt(c, r), c, r);
    settingText_ = was;
    MoveIntoNonFixed();
}

void TStringGrid::MoveIntoNonFixed() {
    const int row = currentRow();
    const int col = currentColumn();
    const bool inside = row >= fixedRows_ && col >= fixedCols_ && row < rowCount() &&
                        col < columnCount();
    if (inside) return;
    if (rowCount() > fixedRows_ && columnCount() > fixedCols_) {
        const QSignalBlocker block(this);  // the initial current cell is no user choice
        setCurrentCell(fixedRows_, fixedCols_);
        viewport()->update();
    }
}

void TStringGrid::SetColCount(int count) {
    if (count < 0) count = 0;
    const int old = columnCount();
    setColumnCount(count);
    for (int c = old; c < count; ++c) setColumnWidth(c, defaultColWidth_);
    UpdateFlags();
}

void TStringGrid::SetRowCount(int count) {
    if (count < 0) count = 0;
    const int old = rowCount();
    setRowCount(count);
    for (int r = old; r < count; ++r) setRowHeight(r, defaultRowHeight_);
    UpdateFlags();
}

void TStringGrid::SetFixedRows(int count) {
    fixedRows_ = count < 0 ? 0 : count;
    UpdateFlags();
    viewport()->update();
}

void TStringGrid::SetFixedCols(int count) {
    fixedCols_ = count < 0 ? 0 : count;
    UpdateFlags();
    viewport()->update();
}

std::string TStringGrid::Cell(int col, int row) const {
    if (col < 0 || row < 0 || col >= columnCount() || row >= rowCount()) return std::string();
    const QTableWidgetItem* it = item(row, col);
    return it ? it->text().toStdString() : std::string();
}

void TStringGrid::SetCell(int col, int row, const std::string& text) {
    if (col < 0 || row < 0 || col >= columnCount() || row >= rowCount()) return;
    const bool was = settingText_;
    settingText_ = true;
    ItemAt(col, row)->setText(QString::fromStdString(text));
    settingText_ = was;
}

void TStringGrid::ClearCells() {
    const bool was = settingText_;
    settingText_ = true;
    for (int r = 0; r < rowCount(); ++r)
        for (int c = 0; c < columnCount(); ++c)
            if (QTableWidgetItem* it = item(r, c)) it->setText(QString());
    settingText_ = was;
}

void TStringGrid::SetDefaultColWidth(int width) {
    defaultColWidth_ = width < 1 ? 1 : width;
    horizontalHeader()->setDefaultSectionSize(defaultColWidth_);
    for (int c = 0; c < columnCount(); ++c) setColumnWidth(c, defaultColWidth_);
}

void TStringGrid::SetDefaultRowHeight(int height) {
    defaultRowHeight_ = height < 1 ? 1 : height;
    verticalHeader()->setDefaultSectionSize(defaultRowHeight_);
    for (int r = 0; r < rowCount(); ++r) setRowHeight(r, defaultRowHeight_);
}

void TStringGrid::SetEditing(bool on) {
    editing_ = on;
    setEditTriggers(on ? (QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::AnyKeyPressed)
                       : QAbstractItemView::NoEditTriggers);
    UpdateFlags();
}

void TStringGrid::SetRangeSelect(bool on) {
    setSelectionMode(on ? QAbstractItemView::ContiguousSelection
                        : QAbstractItemView::SingleSelection);
}

void TStringGrid::SetRowSelect(bool on) {
    setSelectionBehavior(on ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
}

void TStringGrid::SetColSizing(bool on) {
    colSizing_ = on;
    viewport()->setMouseTracking(on);  // for the resize cursor over an edge
    if (!on) viewport()->unsetCursor();
}

int TStringGrid::SizingEdgeAt(const QPoint& pos) const {
    if (!colSizing_) return -1;
    const int row = rowAt(pos.y());
    if (row < 0 || row >= fixedRows_) return -1;
    for (int c = 0; c < columnCount(); ++c) {
        const int edge = columnViewportPosition(c) + columnWidth(c);
        if (std::abs(pos.x() - edge) <= 3) return c;
    }
    return -1;
}

int TStringGrid::Col() const { return currentColumn(); }
int TStringGrid::Row() const { return currentRow(); }

void TStringGrid::SetCol(int col) { SetCurrentCell(col, Row() < 0 ? fixedRows_ : Row()); }
void TStringGrid::SetRow(int row) { SetCurrentCell(Col() < 0 ? fixedCols_ : Col(), row); }

void TStringGrid::SetCurrentCell(int col, int row) {
    if (col < 0 || row < 0 || col >= columnCount() || row >= rowCount()) return;
    setCurrentCell(row, col, QItemSelectionModel::ClearAndSelect);
}

TGridRect TStringGrid::Selection() const {
    const QList<QTableWidgetSelectionRange> ranges = selectedRanges();
    TGridRect r;
    if (ranges.isEmpty()) {
        r.left = r.right = currentColumn();
        r.top = r.bottom = currentRow();
        return r;
    }
    r.left = ranges.front().leftColumn();
    r.right = ranges.front().rightColumn();
    r.top = ranges.front().topRow();
    r.bottom = ranges.front().bottomRow();
    for (const QTableWidgetSelectionRange& range : ranges) {  // their bounding rectangle
        r.left = std::min(r.left, range.leftColumn());
        r.right = std::max(r.right, range.rightColumn());
        r.top = std::min(r.top, range.topRow());
        r.bottom = std::max(r.bottom, range.bottomRow());
    }
    // Whole-row selection takes in the header column too; the selection means the cells.
    r.left = std::max(r.left, std::min(fixedCols_, r.right));
    r.top = std::max(r.top, std::min(fixedRows_, r.bottom));
    return r;
}

void TStringGrid::SetSelection(const TGridRect& rect) {
    const int left = std::max(rect.left, fixedCols_);
    const int top = std::max(rect.top, fixedRows_);
    const int right = std::min(rect.right, columnCount() - 1);
    const int bottom = std::min(rect.bottom, rowCount() - 1);
    if (left > right || top > bottom) return;
    const QAbstractItemView::SelectionMode mode = selectionMode();
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setCurrentCell(top, left, QItemSelectionModel::ClearAndSelect);
    setRangeSelected(QTableWidgetSelectionRange(top, left, bottom, right), true);
    setSelectionMode(mode);
}

QRect TStringGrid::CellRect(int col, int row) const {
    if (col < 0 || row < 0 || col >= columnCount() || row >= rowCount()) return QRect();
    return visualRect(model()->index(row, col));
}

bool TStringGrid::MouseToCell(const QPoint& viewportPos, int& col, int& row) const {
    const QModelIndex index = indexAt(viewportPos);
    if (!index.isValid()) {
        col = row = -1;
        return false;
    }
    col = index.column();
    row = index.row();
    return true;
}

int TStringGrid::TextWidth(const std::string& text) const {
    return fontMetrics().horizontalAdvance(QString::fromStdString(text));
}

void TStringGrid::DefaultDrawCell(int col, int row, const QRect& rect, QPainter& painter,
                                  const TGridDrawState& state) const {
    QColor background = palette().color(QPalette::Base);
    QColor foreground = palette().color(QPalette::Text);
    if (state.fixed) {
        background = QColor(240, 240, 240);
        foreground = QColor(0, 0, 0);
    } else if (state.selected) {
        background = palette().color(QPalette::Highlight);
        foreground = palette().color(QPalette::HighlightedText);
    }
    painter.fillRect(rect, background);
    if (state.fixed) {
        painter.setPen(QColor(160, 160, 160));
        painter.drawLine(rect.topRight(), rect.bottomRight());
        painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    }
    const QTableWidgetItem* it = item(row, col);
    if (it && !it->text().isEmpty()) {
        painter.setPen(foreground);
        painter.setFont(font());
        painter.drawText(rect.adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         it->text());
    }
}

// Mouse events reach the cells through the viewport, outside event().
bool TStringGrid::viewportEvent(QEvent* event) {
    return GuardedEvent([&] { return QTableWidget::viewportEvent(event); });
}

void TStringGrid::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        const int edge = SizingEdgeAt(pos);
        if (edge >= 0) {
            sizingCol_ = edge;
            sizingStartX_ = pos.x();
            sizingStartWidth_ = columnWidth(edge);
            return;
        }
    }
    QTableWidget::mousePressEvent(event);
    int col = -1, row = -1;
    if (event->button() == Qt::LeftButton &&
        MouseToCell(event->position().toPoint(), col, row) && !IsFixed(col, row)) {
        if (OnClick) OnClick();
    }
}

void TStringGrid::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (sizingCol_ >= 0) {
        setColumnWidth(sizingCol_, std::max(1, sizingStartWidth_ + pos.x() - sizingStartX_));
        return;
    }
    if (colSizing_) {
        if (SizingEdgeAt(pos) >= 0) viewport()->setCursor(Qt::SplitHCursor);
        else viewport()->unsetCursor();
    }
    QTableWidget::mouseMoveEvent(event);
}

void TStringGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (sizingCol_ >= 0) {
        sizingCol_ = -1;
        return;
    }
    QTableWidget::mouseReleaseEvent(event);
}

void TStringGrid::keyPressEvent(QKeyEvent* event) {
    const int oldRow = currentRow();
    const int oldCol = currentColumn();
    QTableWidget::keyPressEvent(event);
    if ((currentRow() != oldRow || currentColumn() != oldCol) && OnClick) OnClick();
}
