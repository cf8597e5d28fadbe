#include "color_corrector_window.h"

#include <QAction>
#include <QFontMetrics>
#include <QGroupBox>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "atomic_file.h"
#include "color_corrector_controls.h"
#include "controls.h"
#include "correction_files.h"
#include "cube_file.h"
#include "file_error.h"
#include "image_error.h"
#include "paint_box.h"
#include "paths.h"
#include "string_grid.h"
#include "text_io.h"
#include "tool_window.h"

// "Color table": the Calculated, Manual and Result tables, the curve chart that edits the
// Manual one, and the table files (own format and .cube).

using namespace corrector_window;

namespace {

constexpr int kTablesWidth = 230;    // PageControl2
constexpr int kStripsWidth = 60;     // PaintBox4: six strips of 10
constexpr int kTabBarHeight = 22;    // TabControl1
constexpr int kActionsHeight = 50;   // GroupBox3

QColor Rgb(uint32_t packed) { return QColor((packed >> 16) & 0xFF, (packed >> 8) & 0xFF, packed & 0xFF); }

void ReplayShapes(QPainter& painter, const std::vector<ChartShape>& shapes) {
    for (const ChartShape& s : shapes) {
        const QColor color = Rgb(s.color);
        switch (s.kind) {
            case ChartShape::FillRect:
                painter.fillRect(QRect(QPoint(s.left, s.top), QPoint(s.right - 1, s.bottom - 1)),
                                 color);
                break;
            case ChartShape::Line:
                painter.setPen(color);
                painter.drawLine(s.left, s.top, s.right, s.bottom);
                break;
            case ChartShape::FillEllipse:
                painter.setPen(Qt::NoPen);
                painter.setBrush(color);
                painter.drawEllipse(QRect(QPoint(s.left, s.top), QPoint(s.right - 1, s.bottom - 1)));
                painter.setBrush(Qt::NoBrush);
                break;
            case ChartShape::Text: {
                painter.setPen(color);
                const QFontMetrics metrics = painter.fontMetrics();
                painter.drawText(s.left, s.top + metrics.ascent(), QString::fromStdString(s.text));
                break;
            }
        }
    }
}

}  // namespace

void TColor_Corrector::ColorTablePage::Build() {
    BuildTableGrids();
    PopupMenu2 = new QMenu(&window_);
    PopupMenu2->setObjectName("PopupMenu2");
    Redrawwhitecolor1 = PopupMenu2->addAction(QStringLiteral("Redraw white color"));
    Redrawwhitecolor1->setObjectName("Redrawwhitecolor1");
    Clearalltables1 = PopupMenu2->addAction(QStringLiteral("Clear all tables"));
    Clearalltables1->setObjectName("Clearalltables1");
    QObject::connect(Clearalltables1, &QAction::triggered, &window_,
                     Guarded([this] { Clearalltables1Click(); }));

    PaintBox3 = new TPaintBox(window_.TabSheet2);
    PaintBox3->setObjectName("PaintBox3");
    SetHint(PaintBox3, "Left mouse button to add point, right mouse button to delete point");
    PaintBox3->OnPaint = [this](QPainter& painter) { PaintBox3Paint(painter); };
    PaintBox3->OnMouseUp = [this](QMouseEvent* e) {
        const QPoint at = e->position().toPoint();
        PaintBox3MouseUp(e->button(), at.x(), at.y());
    };
    PaintBox4 = new TPaintBox(window_.TabSheet2);
    PaintBox4->setObjectName("PaintBox4");
    PaintBox4->OnPaint = [this](QPainter& painter) { PaintBox4Paint(painter); };
    TabControl1 = new TTabControl(window_.TabSheet2);
    TabControl1->setObjectName("TabControl1");
    TabControl1->setExpanding(false);
    TabControl1->SetTabs({"Red", "Green", "Blue", "All"});
    TabControl1->SetTabIndex(0);
    TabControl1->OnChange = [this] { TabControl1Change(); };

    GroupBox3 = new QGroupBox(QStringLiteral("Actions"), window_.TabSheet2);
    GroupBox3->setObjectName("GroupBox3");
    Button5 = MakeButton(GroupBox3, "Button5", "Interpolate", "Make interpolation of calculated points",
                         [this] { Button5Click(); });
    Button6 = MakeButton(GroupBox3, "Button6", "Clear manual", "Clear manual points",
                         [this] { Button6Click(); });
    Button10 = MakeButton(GroupBox3, "Button10", "Smooth", "Smooth curve", [this] { Button10Click(); });
    Button7 = MakeButton(GroupBox3, "Button7", "Open", "Open saved color table", [this] { Button7Click(); });
    Button8 = MakeButton(GroupBox3, "Button8", "Save", "Save color table", [this] { Button8Click(); });
    CubeExportButton = MakeButton(GroupBox3, "CubeExportButton", "Export .cube",
                                  "Save the Result table for other programs",
                                  [this] { CubeExportButtonClick(); });
    CubeImportButton = MakeButton(GroupBox3, "CubeImportButton", "Import .cube",
                                  "Read a 1D .cube table into the Result table",
                                  [this] { CubeImportButtonClick(); });
    window_.CubeOpenDialog.Filter = window_.CubeSaveDialog.Filter =
        "Cube LUT (*.cube)|*.cube|All files (*)|*";
    window_.CubeSaveDialog.DefaultExt = "cube";
}

void TColor_Corrector::ColorTablePage::BuildTableGrids() {
    PageControl2 = new TPageControl(window_.TabSheet2);
    PageControl2->setObjectName("PageControl2");
    PageControl2->setTabPosition(QTabWidget::South);
    PopupMenu3 = new QMenu(&window_);
    PopupMenu3->setObjectName("PopupMenu3");
    Cleartable2 = PopupMenu3->addAction(QStringLiteral("Clear table"));
    Cleartable2->setObjectName("Cleartable2");
    QObject::connect(Cleartable2, &QAction::triggered, &window_,
                     Guarded([this] { Cleartable2Click(); }));
    const char* const tableCaptions[] = {"Calculated", "Manual", "Result"};
    const char* const tableHeaders[] = {"№", "R", "G", "B"};
    TStringGrid** grids[] = {&StringGrid1, &StringGrid2, &StringGrid3};
    for (int page = 0; page < 3; ++page) {
        QWidget* sheet = PageControl2->AddPage(tableCaptions[page]);
        TStringGrid* grid = new TStringGrid(sheet);
        grid->setObjectName(QStringLiteral("StringGrid%1").arg(page + 1));
        grid->SetColCount(4);
        grid->SetRowCount(kTableSize + 1);
        for (int col = 0; col < 4; ++col) grid->SetCell(col, 0, tableHeaders[col]);
        for (int v = 0; v < kTableSize; ++v) grid->SetCell(0, v + 1, std::to_string(v));
        grid->OnDrawCell = [this, grid](int col, int row, const QRect& rect, QPainter& painter,
                                        const TGridDrawState&) {
            DrawTableCell(grid, col, row, rect, painter);
        };
        grid->setContextMenuPolicy(Qt::CustomContextMenu);
        QObject::connect(grid, &QWidget::customContextMenuRequested, &window_,
                Guarded([this, grid](const QPoint& at) {
                    PopupMenu3->popup(grid->viewport()->mapToGlobal(at));
                }));
        *grids[page] = grid;
    }
}

void TColor_Corrector::ColorTablePage::Layout(int pageW, int pageH) {
    const int tablesH = std::max(pageH - 90, 0);
    PageControl2->setGeometry(0, 0, kTablesWidth, tablesH);
    const int chartH = std::max(tablesH - 20, 0);
    const int chartW = std::max(pageW - kTablesWidth - kStripsWidth - 10, 0);
    PaintBox3->setGeometry(kTablesWidth, 0, chartW, chartH);
    PaintBox4->setGeometry(kTablesWidth + chartW + 1, 0, kStripsWidth, chartH);
    TabControl1->setGeometry(kTablesWidth, chartH, chartW, kTabBarHeight);
    for (TStringGrid* grid : {StringGrid1, StringGrid2, StringGrid3}) {
        grid->setGeometry(0, 0, kTablesWidth - 10, std::max(tablesH - 30, 0));
        // Four columns side by side beside the vertical scroll bar.
        grid->SetDefaultColWidth((grid->width() - grid->verticalScrollBar()->sizeHint().width() - 4) / 4);
    }
    GroupBox3->setGeometry(0, tablesH + 5, std::max(pageW - 15, 0), kActionsHeight);
    const int top = 18;
    CentreAcross(GroupBox3, 14, 1,
                 {Button5, Button6, Button10, Button7, Button8, CubeImportButton, CubeExportButton},
                 top);
}

// ---- colour tables -------------------------------------------------------------------------

void TColor_Corrector::ColorTablePage::ShowTable(TStringGrid* grid, const ColorTable& table) {
    for (int v = 0; v < kTableSize; ++v)
        for (int c = 0; c < kChannelCount; ++c) grid->SetCell(c + 1, v + 1, table.CellText(c, v));
}

void TColor_Corrector::ColorTablePage::ShowTables() {
    ShowTable(StringGrid1, calculated);
    ShowTable(StringGrid2, manual);
    ShowTable(StringGrid3, result);
    PaintBox3->update();
    PaintBox4->update();
}

void TColor_Corrector::ColorTablePage::DrawTableCell(TStringGrid* grid, int col, int row, const QRect& rect,
                                     QPainter& painter) {
    if (col < 1 || col > 3 || row < 1) return;
    const int channel = col - 1;
    const int value = row - 1;
    painter.fillRect(rect, Rgb(ChannelColor(channel, value)));
    const ColorTable& table = grid == StringGrid1 ? calculated : grid == StringGrid2 ? manual : result;
    if (!table.Has(channel, value)) return;
    QRect right = rect;
    right.setLeft(rect.left() + grid->DefaultColWidth() / 2);
    painter.fillRect(right, Rgb(ChannelColor(channel, table.Value(channel, value))));
    painter.setPen(Qt::white);
    painter.drawText(right.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                     QString::fromStdString(table.CellText(channel, value)));
}

void TColor_Corrector::ColorTablePage::Clearalltables1Click() {
    calculated.EraseAll();
    manual.EraseAll();
    result.EraseAll();
    ShowTables();
}

void TColor_Corrector::ColorTablePage::Cleartable2Click() {
    ColorTable* tables[] = {&calculated, &manual, &result};
    const int page = PageControl2->ActivePageIndex();
    if (page >= 0 && page < 3) tables[page]->EraseAll();
    ShowTables();
}

void TColor_Corrector::ColorTablePage::Button5Click() {
    PageControl2->SetActivePageIndex(2);
    result = InterpolateTable(calculated);
    ShowTables();
}

void TColor_Corrector::ColorTablePage::Button6Click() {
    ClearManualChannels(TabControl1->TabIndex(), manual, result);
    ShowTables();
}

void TColor_Corrector::ColorTablePage::Button10Click() {
    PageControl2->SetActivePageIndex(2);
    if (!SmoothResultTable(result)) {
        ShowMessage("Result table isempty!");
        return;
    }
    ShowTables();
}

void TColor_Corrector::ColorTablePage::Button7Click() {
    if (!window_.OpenDialog1.Execute()) return;
    const std::string path = window_.OpenDialog1.FileName;
    std::string text;
    try {
        text = ReadWholeTextFile(path);
    } catch (const ImageError& e) {
        ShowMessage("Can' open file " + path + "\n" + e.what());
        return;
    }
    ColorTableFileContent content = ParseColorTableFile(text);
    if (content.rowsRead == 0) {
        ShowMessage(path + ": no line holds three whole numbers; the color table was left as it was.");
        return;
    }
    // Rows the file did not supply are completed the way every gap of a table is (as after a
    // chart edit): on a straight line from the last row read up to 255. Left empty, they would
    // only fail later, when the table is applied.
    result = content.rowsRead < kTableSize ? TableFromManual(content.result) : content.result;
    ShowOpenedResult(path);
    if (content.rowsRead < kTableSize)
        ShowMessage(path + ": only the first " + std::to_string(content.rowsRead) +
                    " of 256 lines hold three whole numbers; the rows after them were filled in "
                    "on a straight line up to 255.");
}

void TColor_Corrector::ColorTablePage::Button8Click() {
    if (!window_.SaveDialog1.Execute()) return;
    const std::string path = window_.SaveDialog1.FileName;
    try {
        SaveColorTableFile(path, result);
    } catch (const ImageError& e) {
        ShowMessage("Can' open file " + path + "\n" + e.what());
        return;
    }
    window_.SetColorTableTitle(path);
    ShowMessage("Data saved!");
}

void TColor_Corrector::ColorTablePage::CubeExportButtonClick() {
    if (!window_.CubeSaveDialog.Execute()) return;
    const std::string path = window_.CubeSaveDialog.FileName;
    try {
        SaveCubeFile(path, result, ExtractFileName(path));
    } catch (const ImageError& e) {
        ShowMessage(FileErrorText(path, e.what()));
        return;
    }
    ShowMessage("Data saved!");
}

void TColor_Corrector::ColorTablePage::CubeImportButtonClick() {
    if (!window_.CubeOpenDialog.Execute()) return;
    const std::string path = window_.CubeOpenDialog.FileName;
    std::string text;
    if (!ReadTextFile(path, text)) {
        ShowMessage("Can' open file " + path);
        return;
    }
    ColorTable table;
    try {
        table = ParseCubeFile(text);
    } catch (const ImageError& e) {
        ShowMessage(FileErrorText(path, e.what()) + "; the color table was left as it was.");
        return;
    }
    result = table;
    ShowOpenedResult(path);
}

void TColor_Corrector::ColorTablePage::PaintBox3MouseUp(Qt::MouseButton button, int X, int Y) {
    const ChartButton which = button == Qt::LeftButton    ? ChartButton::Left
                              : button == Qt::RightButton ? ChartButton::Right
                                                          : ChartButton::Other;
    const int tab = TabControl1->TabIndex();
    const int value =
        EditChartPoint(which, X, Y, PaintBox3->width(), PaintBox3->height(), tab, manual, result);
    PageControl2->SetActivePageIndex(1);
    ShowTables();
    if (value < 0) return;  // no point touched: the Manual grid keeps its current cell
    for (int c = 0; c < kChannelCount; ++c)
        if (ChannelSelected(tab, c)) StringGrid2->SetCurrentCell(c + 1, value + 1);
}

void TColor_Corrector::ColorTablePage::PaintBox3Paint(QPainter& painter) {
    DrawChart(calculated, manual, result, TabControl1->TabIndex(), PaintBox3->width(),
              PaintBox3->height(), PaintBox4->width(), chart);
    ReplayShapes(painter, chart.chart);
}

void TColor_Corrector::ColorTablePage::PaintBox4Paint(QPainter& painter) {
    DrawChart(calculated, manual, result, TabControl1->TabIndex(), PaintBox3->width(),
              PaintBox3->height(), PaintBox4->width(), chart);
    ReplayShapes(painter, chart.strips);
}

void TColor_Corrector::ColorTablePage::TabControl1Change() {
    PaintBox3->update();
    PaintBox4->update();
}

void TColor_Corrector::ColorTablePage::ShowOpenedResult(const std::string& path) {
    PageControl2->SetActivePageIndex(2);
    TabControl1->SetTabIndex(3);
    window_.SetColorTableTitle(path);
    ShowTables();
}
