// The "Parameters" page: the project's rows in a grid the user can type into.
#include <QPainter>
#include <algorithm>

#include "number_format.h"
#include "object_editor_controls.h"
#include "object_editor_window.h"
#include "status_bar.h"
#include "string_grid.h"

using namespace editor_window;

void TObject_Editor::ParametersPage::Build(QWidget* page) {
    StringGrid1 = new TStringGrid(page);
    StringGrid1->setObjectName("StringGrid1");
    StringGrid1->SetColCount(kColumns);
    StringGrid1->SetRowCount(5);  // the header and four empty rows
    StringGrid1->SetFixedRows(1);
    StringGrid1->SetFixedCols(1);
    StringGrid1->SetDefaultRowHeight(18);
    StringGrid1->SetDefaultColWidth(kColumnWidth);
    StringGrid1->SetColWidth(1, 200);
    StringGrid1->SetEditing(true);
    StringGrid1->SetRangeSelect(true);
    StringGrid1->SetColSizing(true);
    for (int c = 0; c < kColumns; ++c) StringGrid1->SetCell(c, 0, kHeaders[c]);
    StringGrid1->OnClick = [this] { StringGrid1Click(); };
    // Rows whose picture could not be loaded stand out in red.
    StringGrid1->OnDrawCell = [this](int col, int row, const QRect& rect, QPainter& painter,
                                     const TGridDrawState& state) {
        if (state.fixed || row > window_.ImageCount || !Unreadable(row)) return;
        painter.fillRect(rect.adjusted(1, 1, -1, -1), QColor(255, 220, 220));
        painter.setPen(QColor(180, 0, 0));
        painter.drawText(rect.adjusted(2, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft,
                         QString::fromStdString(StringGrid1->Cell(col, row)));
    };
}

std::vector<ProjectRow> TObject_Editor::ParametersPage::Rows() const {
    std::vector<ProjectRow> rows;
    for (int r = 1; r < StringGrid1->RowCount(); ++r)
        rows.push_back({StringGrid1->Cell(1, r), StringGrid1->Cell(2, r), StringGrid1->Cell(3, r),
                        StringGrid1->Cell(4, r), StringGrid1->Cell(5, r)});
    return rows;
}

void TObject_Editor::ParametersPage::PutRow(int row, const ProjectRow& values) {
    StringGrid1->SetCell(0, row, std::to_string(row));
    StringGrid1->SetCell(1, row, values.path);
    StringGrid1->SetCell(2, row, values.sx);
    StringGrid1->SetCell(3, row, values.sy);
    StringGrid1->SetCell(4, row, values.rotate);
    StringGrid1->SetCell(5, row, values.scale);
}

void TObject_Editor::ParametersPage::FitPathColumn(int startWidth) {
    int width = startWidth;
    for (int r = 1; r <= window_.ImageCount; ++r)
        width = std::max(width, StringGrid1->TextWidth(StringGrid1->Cell(1, r)));
    for (int c = 0; c < kColumns; ++c) StringGrid1->SetColWidth(c, kColumnWidth);
    StringGrid1->SetColWidth(1, width + 10);
}

void TObject_Editor::ParametersPage::StringGrid1Click() {
    if (window_.ImageCount == 0) return;
    window_.CurrentImage = std::clamp(StringGrid1->Row(), 1, window_.ImageCount);
    window_.ShowPosition();
    window_.Images.InitParamsClick();
}
