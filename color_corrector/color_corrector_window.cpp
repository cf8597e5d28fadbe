#include "color_corrector_window.h"

#include <QAction>
#include <QCoreApplication>
#include <QFont>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>
#include <filesystem>
#include <utility>

#include "atomic_file.h"
#include "bitmap_image.h"
#include "cancellable_progress.h"
#include "controls.h"
#include "correction_files.h"
#include "cube_file.h"
#include "file_error.h"
#include "image_control.h"
#include "image_error.h"
#include "image_ops.h"
#include "file_error.h"
#include "jpeg_image.h"
#include "memory_question.h"
#include "message_text.h"
#include "paint_box.h"
#include "program_end.h"
#include "picture_view.h"
#include "status_bar.h"
#include "string_grid.h"
#include "paths.h"
#include "text_io.h"
#include "tool_window.h"
#include "white_balance.h"

namespace {

// What one point pair costs once it stands in the point list (measured: a million pairs took
// 1.25 GB).
constexpr uint64_t kListBytesPerPair = 1250;

const char* const kCaption = "Lumivex Color Corrector";
const char* const kPictureFilter =
    "JPEG Image File (*.jpg;*.jpeg)|*.jpg;*.jpeg|All files (*)|*";

// The page formulas of this window were made for a page control whose sheets are 8 pixels
// narrower and 28 pixels lower than the control (frame and one row of tabs). Qt's tab height
// differs per style, so every page is laid out from its sheet's real size plus these margins:
// the controls then fill exactly the sheet space the formulas meant.
constexpr int kSheetExtraWidth = 8;
constexpr int kSheetExtraHeight = 28;

constexpr int kListHeight = 150;     // StringGrid5
constexpr int kComboWidth = 70;      // ComboBox1..4
constexpr int kComboHeight = 22;
constexpr int kGroupHeight = 55;     // GroupBox1, GroupBox2
constexpr int kButtonWidth = 100;
constexpr int kButtonHeight = 25;
constexpr int kTablesWidth = 230;    // PageControl2
constexpr int kStripsWidth = 60;     // PaintBox4: six strips of 10
constexpr int kTabBarHeight = 22;    // TabControl1
constexpr int kActionsHeight = 50;   // GroupBox3
constexpr int kParametersWidth = 200;  // GroupBox5
constexpr int kFileListWidth = 250;  // StringGrid4
constexpr int kProcessWidth = 700;   // GroupBox4
constexpr int kMinFileColumn = 110;  // StringGrid4's column at its narrowest
constexpr int kProcessHeight = 105;

QColor Rgb(uint32_t packed) { return QColor((packed >> 16) & 0xFF, (packed >> 8) & 0xFF, packed & 0xFF); }

TButton* MakeButton(QWidget* parent, const char* name, const char* caption, const char* hint,
                    std::function<void()> onClick) {
    TButton* button = new TButton(caption, parent);
    button->setObjectName(name);
    button->resize(kButtonWidth, kButtonHeight);
    SetHint(button, hint);
    button->OnClick = std::move(onClick);
    return button;
}

TComboBox* MakeCombo(QWidget* parent, const char* name, const std::vector<std::string>& items,
                     int index) {
    TComboBox* combo = new TComboBox(parent);
    combo->setObjectName(name);
    combo->SetItems(items);
    combo->SetItemIndex(index);
    combo->resize(kComboWidth, kComboHeight);
    return combo;
}

TEdit* MakeEdit(QWidget* parent, const char* name, const char* text) {
    TEdit* edit = new TEdit(parent);
    edit->setObjectName(name);
    edit->SetText(text);
    return edit;
}

QLabel* MakeLabel(QWidget* parent, const char* text, int left, int top) {
    QLabel* label = new QLabel(QString::fromUtf8(text), parent);
    label->move(left, top);
    label->adjustSize();
    return label;
}

// The white colour as the three fields hold it, each kept to 1..255.
RgbColor WhiteColor(const TEdit* red, const TEdit* green, const TEdit* blue) {
    return {NormaliseWhiteChannel(red->Text()), NormaliseWhiteChannel(green->Text()),
            NormaliseWhiteChannel(blue->Text())};
}

// Writes text into an edit unless it already holds it (a change handler that normalises its
// own field would otherwise move the caret on every key).
void SetTextIfChanged(TEdit* edit, const std::string& text) {
    if (edit->Text() != text) edit->SetText(text);
}

QScrollArea* MakeScrollBox(QWidget* parent, const char* name, QWidget* content) {
    QScrollArea* box = new QScrollArea(parent);
    box->setObjectName(name);
    box->setWidgetResizable(false);
    box->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    box->setWidget(content);
    return box;
}

// Places a button with its centre at fraction num/den of the group's width.
void CentreAt(QWidget* control, const QWidget* group, int num, int den, int top) {
    control->move(group->width() * num / den - control->width() / 2, top);
}

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

TColor_Corrector::TColor_Corrector(QWidget* parent) : TGuardedEvents<QWidget>(parent, Qt::Window) {
    SetCaption(this, kCaption);
    setFont(QFont("Tahoma", 8));

    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName("MainMenu1");
    MainMenu1->setNativeMenuBar(false);
    File1 = MainMenu1->addMenu(QStringLiteral("File"));
    File1->setObjectName("File1");
    Exit1 = File1->addAction(QStringLiteral("Exit"));
    Exit1->setObjectName("Exit1");
    connect(Exit1, &QAction::triggered, this, Guarded([this] { Exit1Click(); }));

    StatusBar1 = new TStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->SetPanels({{100, true}, {200, true}, {50, false}});

    PageControl1 = new TPageControl(this);
    PageControl1->setObjectName("PageControl1");
    TabSheet1 = PageControl1->AddPage("Source images");
    TabSheet2 = PageControl1->AddPage("Color table");
    TabSheet3 = PageControl1->AddPage("White balance");
    TabSheet4 = PageControl1->AddPage("Files");
    PageControl1->OnChange = [this] { PageControl1Change(); };

    OpenPictureDialog1.Filter = kPictureFilter;

    // "Source images".
    const char* const viewHint = "Click to points which present at both images";
    Image1 = new TImage(TabSheet1);
    Image1->setObjectName("Image1");
    Image1->hide();
    Image2 = new TImage(TabSheet1);
    Image2->setObjectName("Image2");
    Image2->hide();
    PaintBox1 = new TPaintBox;
    PaintBox1->setObjectName("PaintBox1");
    PaintBox2 = new TPaintBox;
    PaintBox2->setObjectName("PaintBox2");
    ScrollBox1 = MakeScrollBox(TabSheet1, "ScrollBox1", PaintBox1);
    ScrollBox2 = MakeScrollBox(TabSheet1, "ScrollBox2", PaintBox2);
    for (int side = 0; side < 2; ++side) {
        TPaintBox* box = SidePaintBox(side);
        box->resize(0, 0);
        SetHint(box, viewHint);
        box->OnPaint = [this, side](QPainter& painter) { PaintSide(side, painter); };
        box->OnMouseMove = [this, side](QMouseEvent* e) {
            const QPoint at = e->position().toPoint();
            MouseMoveSide(side, at.x(), at.y());
        };
        box->OnMouseDown = [this, side](QMouseEvent* e) {
            sides_[side].lastMouse = e->position().toPoint();  // the pointer stands there
        };
        box->OnMouseUp = [this, side, box](QMouseEvent* e) {
            if (e->button() == Qt::LeftButton && box->rect().contains(e->position().toPoint()))
                ClickSide(side);
        };
    }

    StringGrid5 = new TStringGrid(TabSheet1);
    StringGrid5->setObjectName("StringGrid5");
    StringGrid5->SetColCount(5);
    StringGrid5->SetRowCount(5);
    StringGrid5->SetRangeSelect(true);
    const char* const pointHeaders[] = {"№", "X1", "Y1", "X2", "Y2"};
    for (int col = 0; col < 5; ++col) StringGrid5->SetCell(col, 0, pointHeaders[col]);
    StringGrid5->OnClick = [this] { StringGrid5Click(); };
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    Deleterecords1 = PopupMenu1->addAction(QStringLiteral("Delete records"));
    Deleterecords1->setObjectName("Deleterecords1");
    PopupMenu1->addSeparator();
    Cleartable1 = PopupMenu1->addAction(QStringLiteral("Clear table"));
    Cleartable1->setObjectName("Cleartable1");
    connect(Deleterecords1, &QAction::triggered, this, Guarded([this] { Deleterecords1Click(); }));
    connect(Cleartable1, &QAction::triggered, this, Guarded([this] { Cleartable1Click(); }));
    StringGrid5->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(StringGrid5, &QWidget::customContextMenuRequested, this,
            Guarded([this](const QPoint& at) {
                PopupMenu1->popup(StringGrid5->viewport()->mapToGlobal(at));
            }));

    ComboBox1 = MakeCombo(TabSheet1, "ComboBox1", {"25%", "50%", "100%", "200%", "300%"}, 2);
    ComboBox2 = MakeCombo(TabSheet1, "ComboBox2", {"0°", "90°", "180°", "270°"}, 0);
    ComboBox3 = MakeCombo(TabSheet1, "ComboBox3", {"25%", "50%", "100%", "200%", "300%"}, 2);
    ComboBox4 = MakeCombo(TabSheet1, "ComboBox4", {"0°", "90°", "180°", "270°"}, 0);
    for (TComboBox* combo : {ComboBox1, ComboBox2, ComboBox3, ComboBox4}) {
        const int side = combo == ComboBox1 || combo == ComboBox2 ? 0 : 1;
        combo->OnChange = [this, side] { ComboBoxChange(side); };
    }

    GroupBox2 = new QGroupBox(QStringLiteral("File manipulations"), TabSheet1);
    GroupBox2->setObjectName("GroupBox2");
    Button1 = MakeButton(GroupBox2, "Button1", "Open reference",
                         "Click to open picture with reference color table", [this] { Button1Click(); });
    Button2 = MakeButton(GroupBox2, "Button2", "Open sample",
                         "Click to open sample picture wich color table you want correct",
                         [this] { Button2Click(); });
    Button3 = MakeButton(GroupBox2, "Button3", "Save points",
                         "Save file with pictures file names and points coordinates",
                         [this] { Button3Click(); });
    Button4 = MakeButton(GroupBox2, "Button4", "Open points",
                         "Open previously saved file with pictures file names and points coordinates",
                         [this] { Button4Click(); });
    GroupBox1 = new QGroupBox(QStringLiteral("Export points to Color table"), TabSheet1);
    GroupBox1->setObjectName("GroupBox1");
    Button9 = MakeButton(GroupBox1, "Button9", "Swap images", "Click to swap pictures",
                         [this] { Button9Click(); });
    BitBtn4 = MakeButton(GroupBox1, "BitBtn4", "Export colors ",
                         "Export color information to Color table", [this] { BitBtn4Click(); });
    CheckBox1 = new TCheckBox("Use neighborhood", GroupBox1);
    CheckBox1->setObjectName("CheckBox1");
    CheckBox1->SetChecked(true);
    SetHint(CheckBox1, "Use 1 or 9 pixels for each pair of points (recommended)");
    CheckBox1->adjustSize();

    // "Color table".
    PageControl2 = new TPageControl(TabSheet2);
    PageControl2->setObjectName("PageControl2");
    PageControl2->setTabPosition(QTabWidget::South);
    PopupMenu3 = new QMenu(this);
    PopupMenu3->setObjectName("PopupMenu3");
    Cleartable2 = PopupMenu3->addAction(QStringLiteral("Clear table"));
    Cleartable2->setObjectName("Cleartable2");
    connect(Cleartable2, &QAction::triggered, this, Guarded([this] { Cleartable2Click(); }));
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
        connect(grid, &QWidget::customContextMenuRequested, this,
                Guarded([this, grid](const QPoint& at) {
                    PopupMenu3->popup(grid->viewport()->mapToGlobal(at));
                }));
        *grids[page] = grid;
    }
    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName("PopupMenu2");
    Redrawwhitecolor1 = PopupMenu2->addAction(QStringLiteral("Redraw white color"));
    Redrawwhitecolor1->setObjectName("Redrawwhitecolor1");
    Clearalltables1 = PopupMenu2->addAction(QStringLiteral("Clear all tables"));
    Clearalltables1->setObjectName("Clearalltables1");
    connect(Clearalltables1, &QAction::triggered, this, Guarded([this] { Clearalltables1Click(); }));

    PaintBox3 = new TPaintBox(TabSheet2);
    PaintBox3->setObjectName("PaintBox3");
    SetHint(PaintBox3, "Left mouse button to add point, right mouse button to delete point");
    PaintBox3->OnPaint = [this](QPainter& painter) { PaintBox3Paint(painter); };
    PaintBox3->OnMouseUp = [this](QMouseEvent* e) {
        const QPoint at = e->position().toPoint();
        PaintBox3MouseUp(e->button(), at.x(), at.y());
    };
    PaintBox4 = new TPaintBox(TabSheet2);
    PaintBox4->setObjectName("PaintBox4");
    PaintBox4->OnPaint = [this](QPainter& painter) { PaintBox4Paint(painter); };
    TabControl1 = new TTabControl(TabSheet2);
    TabControl1->setObjectName("TabControl1");
    TabControl1->setExpanding(false);
    TabControl1->SetTabs({"Red", "Green", "Blue", "All"});
    TabControl1->SetTabIndex(0);
    TabControl1->OnChange = [this] { TabControl1Change(); };

    GroupBox3 = new QGroupBox(QStringLiteral("Actions"), TabSheet2);
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
    CubeOpenDialog.Filter = CubeSaveDialog.Filter = "Cube LUT (*.cube)|*.cube|All files (*)|*";
    CubeSaveDialog.DefaultExt = "cube";

    // "White balance".
    GroupBox5 = new QGroupBox(QStringLiteral("Parameters"), TabSheet3);
    GroupBox5->setObjectName("GroupBox5");
    ComboBox5 = MakeCombo(GroupBox5, "ComboBox5", {"100%", "200%", "300%"}, 0);
    ComboBox5->OnChange = [this] { ComboBox5Change(); };
    Edit1 = MakeEdit(GroupBox5, "Edit1", "4");
    Edit1->OnChange = [this] { Edit1Change(); };
    TrackBar1 = new TTrackBar(GroupBox5);
    TrackBar1->setObjectName("TrackBar1");
    TrackBar1->SetRange(0, kMaxRadius);
    TrackBar1->SetPosition(4);
    TrackBar1->OnChange = [this] { TrackBar1Change(); };
    Edit2 = MakeEdit(GroupBox5, "Edit2", "255");
    Edit3 = MakeEdit(GroupBox5, "Edit3", "255");
    Edit4 = MakeEdit(GroupBox5, "Edit4", "255");
    for (TEdit* edit : {Edit2, Edit3, Edit4}) edit->OnChange = [this, edit] { WhiteEditChange(edit); };
    Shape1 = new TPaintBox(GroupBox5);
    Shape1->setObjectName("Shape1");
    Shape1->OnPaint = [this](QPainter& painter) {
        const RgbColor white = WhiteColor(Edit2, Edit3, Edit4);
        painter.fillRect(Shape1->rect(), QColor(white.red, white.green, white.blue));
        painter.setPen(Qt::black);
        painter.drawRect(Shape1->rect().adjusted(0, 0, -1, -1));
    };
    Button11 = MakeButton(GroupBox5, "Button11", "Apply to Color table",
                          "Make white balance correction in color table", [this] { Button11Click(); });
    Button11->resize(150, kButtonHeight);
    const std::pair<const char*, int> balanceLabels[] = {
        {"Scale", 28}, {"Radius", 58}, {"Red", 88}, {"Green", 113}, {"Blue", 138}};
    for (const auto& [text, top] : balanceLabels) MakeLabel(GroupBox5, text, 10, top);
    connect(Redrawwhitecolor1, &QAction::triggered, this, Guarded([this] { Redrawwhitecolor1Click(); }));
    Image5 = new TImage;
    Image5->setObjectName("Image5");
    Image5->Stretch = Image5->Proportional = true;
    SetHint(Image5, "Click to white area in picture");
    Image5->setCursor(Qt::CrossCursor);
    Image5->OnMouseMove = [this](QMouseEvent* e) {
        const QPoint at = e->position().toPoint();
        Image5MouseMove(at.x(), at.y());
    };
    Image5->OnMouseDown = [this](QMouseEvent* e) { balanceMouse_ = e->position().toPoint(); };
    Image5->OnClick = [this] { Image5Click(); };
    ScrollBox3 = MakeScrollBox(TabSheet3, "ScrollBox3", Image5);

    // "Files".
    StringGrid4 = new TStringGrid(TabSheet4);
    StringGrid4->setObjectName("StringGrid4");
    StringGrid4->SetColCount(1);
    StringGrid4->SetRowCount(2);
    StringGrid4->SetFixedCols(0);
    StringGrid4->SetDefaultColWidth(kMinFileColumn);
    SetHint(StringGrid4, "Select file to preview result");
    StringGrid4->OnClick = [this] { StringGrid4Click(); };
    BitBtn1 = MakeButton(TabSheet4, "BitBtn1", "Open images", "Open files for correct their color tables",
                         [this] { BitBtn1Click(); });
    OpenPictureDialog2.Filter = "JPEG Image File (*.jpg;*.jpeg;)|*.jpg;*.jpeg;";
    OpenPictureDialog2.MultiSelect = true;
    GroupBox4 = new QGroupBox(QStringLiteral("Process"), TabSheet4);
    GroupBox4->setObjectName("GroupBox4");
    const std::pair<const char*, QPoint> processLabels[] = {
        {"Cut", {10, 18}},      {"X", {10, 41}},       {"Width", {10, 67}}, {"Y", {100, 41}},
        {"Height", {100, 67}},  {"Resample", {200, 18}}, {"Width", {200, 41}},
        {"Height", {200, 67}},  {"Rotate", {370, 18}},  {"Mirror", {470, 18}}};
    for (const auto& [text, at] : processLabels) MakeLabel(GroupBox4, text, at.x(), at.y());
    Edit5 = MakeEdit(GroupBox4, "Edit5", "");
    Edit6 = MakeEdit(GroupBox4, "Edit6", "");
    Edit7 = MakeEdit(GroupBox4, "Edit7", "");
    Edit8 = MakeEdit(GroupBox4, "Edit8", "");
    const std::pair<TEdit*, CutField> cutEdits[] = {
        {Edit5, CutField::X}, {Edit6, CutField::Y}, {Edit7, CutField::Width}, {Edit8, CutField::Height}};
    for (const auto& [edit, field] : cutEdits) {
        const CutField which = field;
        edit->OnExit = [this, which] { CutFieldExit(which); };
    }
    std::vector<std::string> presetItems;
    for (const ResamplePreset& preset : ResamplePresets()) presetItems.push_back(preset.item);
    ComboBox6 = MakeCombo(GroupBox4, "ComboBox6", presetItems, -1);
    ComboBox6->resize(100, kComboHeight);
    ComboBox6->OnChange = [this] { ComboBox6Change(); };
    Edit9 = MakeEdit(GroupBox4, "Edit9", "");
    Edit10 = MakeEdit(GroupBox4, "Edit10", "");
    for (TEdit* edit : {Edit9, Edit10}) edit->OnExit = [this, edit] { ResampleFieldExit(edit); };
    RadioButton1 = new TRadioButton("0", GroupBox4);
    RadioButton2 = new TRadioButton("90", GroupBox4);
    RadioButton3 = new TRadioButton("180", GroupBox4);
    RadioButton4 = new TRadioButton("270", GroupBox4);
    int radioNumber = 1;
    for (TRadioButton* radio : {RadioButton1, RadioButton2, RadioButton3, RadioButton4}) {
        radio->setObjectName(QStringLiteral("RadioButton%1").arg(radioNumber++));
        radio->OnClick = [this] { ProcessChange(); };
    }
    RadioButton1->SetChecked(true);
    CheckBox3 = new TCheckBox("horizontally", GroupBox4);
    CheckBox3->setObjectName("CheckBox3");
    CheckBox2 = new TCheckBox("vertically", GroupBox4);
    CheckBox2->setObjectName("CheckBox2");
    for (TCheckBox* box : {CheckBox3, CheckBox2}) box->OnClick = [this] { ProcessChange(); };
    ProgressBar1 = new TProgressBar(GroupBox4);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->SetRange(0, 100);
    ProgressBar1->SetPosition(0);
    BitBtn2 = MakeButton(GroupBox4, "BitBtn2", "Correct images", "Click to create corrected copies of images",
                         [this] { BitBtn2Click(); });
    Button12 = MakeButton(GroupBox4, "Button12", "Cancel",
                          "Stop after the picture being corrected now", nullptr);
    Button12->hide();
    Image3 = new TImage(TabSheet4);
    Image3->setObjectName("Image3");
    Image3->Proportional = true;
    SetHint(Image3, "Press left mouse button and move cursor for select area");
    // The cut the fields hold is outlined over the picture it will be taken from.
    Image3->OnPaintOverlay = [this](QPainter& painter, const QRect&) {
        int32_t v[4];
        const TEdit* edits[4] = {Edit5, Edit6, Edit7, Edit8};
        for (int i = 0; i < 4; ++i)
            if (!TryStrToInt(edits[i]->Text(), v[i])) return;
        const TBitmap& picture = Image3->Picture();
        if (v[2] < 1 || v[3] < 1 || v[0] < 0 || v[1] < 0 || v[0] >= picture.Width() ||
            v[1] >= picture.Height())
            return;
        const int right = static_cast<int>(std::min<int64_t>(int64_t{v[0]} + v[2], picture.Width()));
        const int bottom = static_cast<int>(std::min<int64_t>(int64_t{v[1]} + v[3], picture.Height()));
        const QPoint topLeft = Image3->PictureToControl(QPoint(v[0], v[1]));
        const QPoint pastEnd = Image3->PictureToControl(QPoint(right, bottom));
        painter.setPen(QPen(Qt::white, 1, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(topLeft, pastEnd - QPoint(1, 1)));
    };
    for (TEdit* edit : {Edit5, Edit6, Edit7, Edit8}) edit->OnChange = [this] { Image3->update(); };
    Image4 = new TImage(TabSheet4);
    Image4->setObjectName("Image4");
    Image4->Proportional = true;
    Image3->OnMouseDown = [this](QMouseEvent* e) {
        const QPoint at = e->position().toPoint();
        Image3MouseDown(e->button(), at.x(), at.y());
    };
    Image3->OnMouseUp = [this](QMouseEvent* e) {
        const QPoint at = e->position().toPoint();
        Image3MouseUp(e->button(), at.x(), at.y());
    };
    for (TImage* image : {Image3, Image4})
        image->OnMouseMove = [this, image](QMouseEvent* e) {
            const QPoint at = e->position().toPoint();
            PreviewMouseMove(image, at.x(), at.y());
        };

    for (QWidget* sheet : {TabSheet1, TabSheet2, TabSheet3, TabSheet4}) sheet->installEventFilter(this);

    points_.Reset(4);
    ShowPoints();
    ShowTables();
    resize(1044, 618);  // client area at creation
    FormResize();
}

// ---- picture views -------------------------------------------------------------------------

int TColor_Corrector::SideZoom(int side) const {
    return (side == 0 ? ComboBox1 : ComboBox3)->ItemIndex();
}

int TColor_Corrector::SideRotation(int side) const {
    return (side == 0 ? ComboBox2 : ComboBox4)->ItemIndex();
}

ViewSize TColor_Corrector::SideViewSize(int side) const {
    const TBitmap& picture = SideImage(side)->Picture();
    return TurnedViewSize(picture.Width(), picture.Height(), SideZoom(side), SideRotation(side));
}

void TColor_Corrector::UpdateViewSize(int side) {
    sides_[side].valid = false;
    if (!loaded_[side]) return;
    const ViewSize size = SideViewSize(side);
    SidePaintBox(side)->resize(size.width, size.height);
}

void TColor_Corrector::PaintSide(int side, QPainter& painter) {
    if (!loaded_[side]) return;
    // Only the part the scroll box shows is built, and kept until it scrolls or changes.
    TPaintBox* box = SidePaintBox(side);
    QRect visible = box->visibleRegion().boundingRect();
    if (visible.isEmpty()) visible = box->rect();
    ViewState& state = sides_[side];
    const ViewPart wanted{visible.left(), visible.top(), visible.width(), visible.height()};
    if (!state.valid || state.at.left != wanted.left || state.at.top != wanted.top ||
        state.at.width != wanted.width || state.at.height != wanted.height) {
        RenderViewPart(SideImage(side)->Picture(), SideZoom(side), SideRotation(side), wanted,
                       state.part);
        state.at = wanted;
        state.valid = true;
    }
    if (!state.part.Empty()) painter.drawImage(wanted.left, wanted.top, WrapBitmap(state.part));
    const ViewSize size = SideViewSize(side);
    const QColor green(0, 255, 0);
    const QFontMetrics metrics = painter.fontMetrics();
    for (const ViewMarker& m :
         ViewMarkers(points_, side == 0 ? PictureSide::Reference : PictureSide::Sample,
                     size.width, size.height, SideZoom(side), SideRotation(side))) {
        painter.setPen(Qt::black);
        painter.drawLine(m.x - 2, m.y, m.x + 2, m.y);
        painter.drawLine(m.x, m.y - 2, m.x, m.y + 2);
        const QString number = QString::number(m.number);
        QRect label = metrics.boundingRect(number);
        label.moveTo(m.x + 3, m.y + 3);
        painter.fillRect(label, green);
        painter.drawText(label, Qt::AlignLeft | Qt::AlignTop, number);
    }
}

void TColor_Corrector::PaintBox1Paint(QPainter& painter) { PaintSide(0, painter); }
void TColor_Corrector::PaintBox2Paint(QPainter& painter) { PaintSide(1, painter); }

void TColor_Corrector::RepaintViews() {
    PaintBox1->update();
    PaintBox2->update();
}

void TColor_Corrector::ComboBoxChange(int side) {
    UpdateViewSize(side);
    SidePaintBox(side)->update();
}

void TColor_Corrector::MouseMoveSide(int side, int X, int Y) {
    sides_[side].lastMouse = QPoint(X, Y);
    if (!loaded_[side]) return;
    TBitmap pixel;
    RenderViewPart(SideImage(side)->Picture(), SideZoom(side), SideRotation(side), {X, Y, 1, 1},
                   pixel);
    if (!pixel.Empty()) {
        const uint8_t* p = pixel.ScanLine(0);
        StatusBar1->SetPanelText(1, FormatText("Red=%i Green=%i Blue=%i", p[2], p[1], p[0]));
    }
    const ViewSize size = SideViewSize(side);
    int x = X, y = Y;
    ViewToImage(x, y, size.width, size.height, SideZoom(side), SideRotation(side));
    StatusBar1->SetPanelText(0, FormatText("X=%i Y=%i", x, y));
}

void TColor_Corrector::PaintBox1MouseMove(int X, int Y) { MouseMoveSide(0, X, Y); }
void TColor_Corrector::PaintBox2MouseMove(int X, int Y) { MouseMoveSide(1, X, Y); }

void TColor_Corrector::ClickSide(int side) {
    const ViewSize size = SideViewSize(side);
    int x = sides_[side].lastMouse.x(), y = sides_[side].lastMouse.y();
    ViewToImage(x, y, size.width, size.height, SideZoom(side), SideRotation(side));
    const int row = side == 0 ? points_.SetReferencePoint(x, y) : points_.SetSamplePoint(x, y);
    ShowPoints();
    StringGrid5->SetCurrentCell(side == 0 ? 2 : 4, row);
    SidePaintBox(side)->update();
}

void TColor_Corrector::PaintBox1Click() { ClickSide(0); }
void TColor_Corrector::PaintBox2Click() { ClickSide(1); }

// ---- pictures and the point list -----------------------------------------------------------

void TColor_Corrector::LoadPicture(int side, const std::string& chosenPath) {
    std::string path = chosenPath;
    if (path.empty()) {
        if (!OpenPictureDialog1.Execute()) return;
        path = OpenPictureDialog1.FileName;
    }
    TBitmap picture;
    try {
        if (!WithMemoryQuestion([&] { picture = LoadJpegFile(path); })) return;
    } catch (const ImageError& e) {
        throw ImageError(FileErrorText(path, e.what()));
    }
    Clearalltables1Click();
    CommitPicture(side, picture, path);
}

void TColor_Corrector::CommitPicture(int side, TBitmap& picture, const std::string& path) {
    std::swap(SideImage(side)->Picture(), picture);
    paths_[side] = path;
    loaded_[side] = true;
    points_.Reset(1);
    ShowPoints();
    (side == 0 ? ComboBox1 : ComboBox3)->SetItemIndex(kDefaultZoom);
    (side == 0 ? ComboBox2 : ComboBox4)->SetItemIndex(0);
    UpdateViewSize(side);
    SideScrollBox(side)->horizontalScrollBar()->setValue(0);
    SideScrollBox(side)->verticalScrollBar()->setValue(0);
    RepaintViews();
}

void TColor_Corrector::Button1Click(const std::string& path) { LoadPicture(0, path); }
void TColor_Corrector::Button2Click(const std::string& path) { LoadPicture(1, path); }

void TColor_Corrector::ShowPoints() {
    StringGrid5->SetRowCount(points_.Count() + 1);
    for (int n = 1; n <= points_.Count(); ++n) {
        const PointRecord& r = points_.Record(n);
        StringGrid5->SetCell(0, n, std::to_string(n));
        int col = 1;
        for (const auto* cell : {&r.x1, &r.y1, &r.x2, &r.y2})
            StringGrid5->SetCell(col++, n, *cell ? std::to_string(**cell) : std::string());
    }
}

void TColor_Corrector::StringGrid5Click() {
    if (!loaded_[0] || !loaded_[1]) return;
    const int row = StringGrid5->Row();
    if (row < 1 || row > points_.Count()) return;
    const PointRecord& record = points_.Record(row);
    for (int side = 0; side < 2; ++side) {
        const auto& cx = side == 0 ? record.x1 : record.x2;
        const auto& cy = side == 0 ? record.y1 : record.y2;
        if (!cx || !cy) continue;
        const ViewSize size = SideViewSize(side);
        int x = *cx, y = *cy;
        ImageToView(x, y, size.width, size.height, SideZoom(side), SideRotation(side));
        QScrollArea* box = SideScrollBox(side);
        x = std::clamp(x - box->width() / 2, 0, std::max(size.width - 1, 0));
        y = std::clamp(y - box->height() / 2, 0, std::max(size.height - 1, 0));
        box->horizontalScrollBar()->setValue(x);
        box->verticalScrollBar()->setValue(y);
    }
}

void TColor_Corrector::Deleterecords1Click() {
    const TGridRect selection = StringGrid5->Selection();
    points_.DeleteRecords(selection.top, selection.bottom);
    ShowPoints();
    RepaintViews();
}

void TColor_Corrector::Cleartable1Click() {
    points_.Reset(1);
    ShowPoints();
    RepaintViews();
}

void TColor_Corrector::Button9Click() {
    if (!loaded_[0] || !loaded_[1]) {
        ShowMessage("Open left and right images!");
        return;
    }
    const QPoint scrolled[2] = {
        {ScrollBox1->horizontalScrollBar()->value(), ScrollBox1->verticalScrollBar()->value()},
        {ScrollBox2->horizontalScrollBar()->value(), ScrollBox2->verticalScrollBar()->value()}};
    std::swap(Image1->Picture(), Image2->Picture());
    points_.SwapSides();
    std::swap(paths_[0], paths_[1]);
    ShowPoints();
    for (int side = 0; side < 2; ++side) {
        UpdateViewSize(side);
        SideScrollBox(side)->horizontalScrollBar()->setValue(scrolled[1 - side].x());
        SideScrollBox(side)->verticalScrollBar()->setValue(scrolled[1 - side].y());
    }
    RepaintViews();
}

void TColor_Corrector::BitBtn4Click() {
    Clearalltables1Click();
    if (ExportColors(Image1->Picture(), Image2->Picture(), points_, CheckBox1->Checked(),
                     calculated_) == ExportStatus::TableEmpty) {
        ShowMessage("Table is empty!");
        return;
    }
    ShowTables();
    PageControl1->SetActivePageIndex(1);
}

void TColor_Corrector::Button3Click() {
    if (!loaded_[0] || !loaded_[1]) {
        ShowMessage("Nothing to save!");
        return;
    }
    if (!SaveDialog1.Execute()) return;
    try {
        SavePointsFile(SaveDialog1.FileName, paths_[0], paths_[1], points_);
    } catch (const UnwritableValueError& e) {
        ShowMessage(e.what());
        return;
    } catch (const ImageError& e) {
        ShowMessage(std::string("Can't open file!\n") + e.what());  // which file, and why
        return;
    }
    ShowMessage("Data saved!");
}

void TColor_Corrector::Button4Click() {
    if (!OpenDialog1.Execute()) {
        RepaintViews();
        return;
    }
    const std::string path = OpenDialog1.FileName;
    std::string text;
    try {
        text = ReadWholeTextFile(path);
    } catch (const ImageError& e) {
        ShowMessage("Can't open file " + path + "\n" + e.what());
        RepaintViews();
        return;
    }
    const PointsFileContent content = ParsePointsFile(text);
    // Every pair becomes a row of five cells in the list, which costs far more than the pair.
    if (!WithMemoryQuestion([&] { CheckPictureMemory(content.records.size() * kListBytesPerPair); },
                            "This points file needs")) {
        RepaintViews();
        return;
    }
    // Both pictures are found and decoded before anything changes, so a points file naming a
    // missing or broken picture leaves the window as it was.
    // Paths written on another desktop, or relative ones, are looked up beside the points file.
    const std::string picturePaths[2] = {ResolveUserFilePath(content.referencePath, path),
                                         ResolveUserFilePath(content.samplePath, path)};
    TBitmap pictures[2];
    const bool binary = text.find('\0') != std::string::npos;
    for (int side = 0; side < 2; ++side) {
        // A file that names no picture (empty, binary, a blank line) says why beneath.
        if (binary || picturePaths[side].empty()) {
            const std::string reason =
                binary ? "the file is not a points file: it holds binary data"
                : text.empty() ? "the file is empty"
                               : "line " + std::to_string(side + 1) + " names no picture";
            ShowMessage("File not found: \n" + FileErrorText(path, reason));
            return;
        }
        std::error_code error;
        if (!std::filesystem::exists(picturePaths[side], error)) {
            ShowMessage("File not found: " + picturePaths[side]);
            return;
        }
        try {
            if (!WithMemoryQuestion([&] { pictures[side] = LoadJpegFile(picturePaths[side]); }))
                return;
        } catch (const ImageError& e) {
            throw ImageError(FileErrorText(picturePaths[side], e.what()));
        }
    }
    Clearalltables1Click();
    for (int side = 0; side < 2; ++side) CommitPicture(side, pictures[side], picturePaths[side]);
    points_.Assign(content.records);
    ShowPoints();
    RepaintViews();
    if (content.stoppedAtLine > 0)
        ShowMessage(path + ": line " + std::to_string(content.stoppedAtLine) +
                    " does not hold four whole numbers; the " +
                    std::to_string(content.records.size()) +
                    " point pairs before it were read.");
}

// ---- colour tables -------------------------------------------------------------------------

void TColor_Corrector::ShowTable(TStringGrid* grid, const ColorTable& table) {
    for (int v = 0; v < kTableSize; ++v)
        for (int c = 0; c < kChannelCount; ++c) grid->SetCell(c + 1, v + 1, table.CellText(c, v));
}

void TColor_Corrector::ShowTables() {
    ShowTable(StringGrid1, calculated_);
    ShowTable(StringGrid2, manual_);
    ShowTable(StringGrid3, result_);
    PaintBox3->update();
    PaintBox4->update();
}

void TColor_Corrector::DrawTableCell(TStringGrid* grid, int col, int row, const QRect& rect,
                                     QPainter& painter) {
    if (col < 1 || col > 3 || row < 1) return;
    const int channel = col - 1;
    const int value = row - 1;
    painter.fillRect(rect, Rgb(ChannelColor(channel, value)));
    const ColorTable& table = grid == StringGrid1 ? calculated_ : grid == StringGrid2 ? manual_ : result_;
    if (!table.Has(channel, value)) return;
    QRect right = rect;
    right.setLeft(rect.left() + grid->DefaultColWidth() / 2);
    painter.fillRect(right, Rgb(ChannelColor(channel, table.Value(channel, value))));
    painter.setPen(Qt::white);
    painter.drawText(right.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                     QString::fromStdString(table.CellText(channel, value)));
}

void TColor_Corrector::Clearalltables1Click() {
    calculated_.EraseAll();
    manual_.EraseAll();
    result_.EraseAll();
    ShowTables();
}

void TColor_Corrector::Cleartable2Click() {
    ColorTable* tables[] = {&calculated_, &manual_, &result_};
    const int page = PageControl2->ActivePageIndex();
    if (page >= 0 && page < 3) tables[page]->EraseAll();
    ShowTables();
}

void TColor_Corrector::Button5Click() {
    PageControl2->SetActivePageIndex(2);
    result_ = InterpolateTable(calculated_);
    ShowTables();
}

void TColor_Corrector::Button6Click() {
    ClearManualChannels(TabControl1->TabIndex(), manual_, result_);
    ShowTables();
}

void TColor_Corrector::Button10Click() {
    PageControl2->SetActivePageIndex(2);
    if (!SmoothResultTable(result_)) {
        ShowMessage("Result table isempty!");
        return;
    }
    ShowTables();
}

void TColor_Corrector::Button7Click() {
    if (!OpenDialog1.Execute()) return;
    const std::string path = OpenDialog1.FileName;
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
    result_ = content.rowsRead < kTableSize ? TableFromManual(content.result) : content.result;
    PageControl2->SetActivePageIndex(2);
    TabControl1->SetTabIndex(3);
    SetColorTableTitle(path);
    ShowTables();
    if (content.rowsRead < kTableSize)
        ShowMessage(path + ": only the first " + std::to_string(content.rowsRead) +
                    " of 256 lines hold three whole numbers; the rows after them were filled in "
                    "on a straight line up to 255.");
}

void TColor_Corrector::Button8Click() {
    if (!SaveDialog1.Execute()) return;
    const std::string path = SaveDialog1.FileName;
    try {
        SaveColorTableFile(path, result_);
    } catch (const ImageError& e) {
        ShowMessage("Can' open file " + path + "\n" + e.what());
        return;
    }
    SetColorTableTitle(path);
    ShowMessage("Data saved!");
}

void TColor_Corrector::CubeExportButtonClick() {
    if (!CubeSaveDialog.Execute()) return;
    const std::string path = CubeSaveDialog.FileName;
    try {
        SaveCubeFile(path, result_, ExtractFileName(path));
    } catch (const ImageError& e) {
        ShowMessage(FileErrorText(path, e.what()));
        return;
    }
    ShowMessage("Data saved!");
}

void TColor_Corrector::CubeImportButtonClick() {
    if (!CubeOpenDialog.Execute()) return;
    const std::string path = CubeOpenDialog.FileName;
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
    result_ = table;
    PageControl2->SetActivePageIndex(2);
    TabControl1->SetTabIndex(3);
    SetColorTableTitle(path);
    ShowTables();
}

void TColor_Corrector::SetColorTableTitle(const std::string& path) {
    SetCaption(this, std::string(kCaption) + " - " + path);
}

void TColor_Corrector::PaintBox3MouseUp(Qt::MouseButton button, int X, int Y) {
    const ChartButton which = button == Qt::LeftButton    ? ChartButton::Left
                              : button == Qt::RightButton ? ChartButton::Right
                                                          : ChartButton::Other;
    const int tab = TabControl1->TabIndex();
    const int value =
        EditChartPoint(which, X, Y, PaintBox3->width(), PaintBox3->height(), tab, manual_, result_);
    PageControl2->SetActivePageIndex(1);
    ShowTables();
    if (value < 0) return;  // no point touched: the Manual grid keeps its current cell
    for (int c = 0; c < kChannelCount; ++c)
        if (ChannelSelected(tab, c)) StringGrid2->SetCurrentCell(c + 1, value + 1);
}

void TColor_Corrector::PaintBox3Paint(QPainter& painter) {
    DrawChart(calculated_, manual_, result_, TabControl1->TabIndex(), PaintBox3->width(),
              PaintBox3->height(), PaintBox4->width(), chart_);
    ReplayShapes(painter, chart_.chart);
}

void TColor_Corrector::PaintBox4Paint(QPainter& painter) {
    DrawChart(calculated_, manual_, result_, TabControl1->TabIndex(), PaintBox3->width(),
              PaintBox3->height(), PaintBox4->width(), chart_);
    ReplayShapes(painter, chart_.strips);
}

void TColor_Corrector::TabControl1Change() {
    PaintBox3->update();
    PaintBox4->update();
}

// ---- window --------------------------------------------------------------------------------

// The window does not hold up the program's end itself: its points and tables are working
// material that every picture load, export and table open replaces without a question, and it
// writes its results (corrected copies, points and table files) only when told to. Other
// windows with unsaved work are still asked.
void TColor_Corrector::Exit1Click() { EndProgram(); }

void TColor_Corrector::PageControl1Change() {
    switch (PageControl1->ActivePageIndex()) {
        case 1:
            StatusBar1->SetPanelText(0, "");
            StatusBar1->SetPanelText(1, "");
            break;
        case 2:
            EnterBalancePage();
            break;
        case 3:
            PreviewSelected();
            break;
        default:
            break;
    }
}

void TColor_Corrector::resizeEvent(QResizeEvent* event) {
    TGuardedEvents<QWidget>::resizeEvent(event);
    FormResize();
}

void TColor_Corrector::FormResize() {
    const int menuHeight = MainMenu1->sizeHint().height();
    const int statusHeight = StatusBar1->sizeHint().height();
    MainMenu1->setGeometry(0, 0, width(), menuHeight);
    StatusBar1->setGeometry(0, height() - statusHeight, width(), statusHeight);
    // The pages fill everything between the menu and the status bar; each sheet lays out its
    // controls when it learns its new size (eventFilter).
    PageControl1->setGeometry(0, menuHeight, width(),
                              std::max(height() - menuHeight - statusHeight, 0));
}

bool TColor_Corrector::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        QWidget* sheet = static_cast<QWidget*>(watched);
        const int pageW = sheet->width() + kSheetExtraWidth;
        const int pageH = sheet->height() + kSheetExtraHeight;
        if (sheet == TabSheet1) LayoutSourcePage(pageW, pageH);
        else if (sheet == TabSheet2) LayoutTablePage(pageW, pageH);
        else if (sheet == TabSheet3) LayoutBalancePage(pageW, pageH);
        else if (sheet == TabSheet4) LayoutFilesPage(pageW, pageH);
    }
    return TGuardedEvents<QWidget>::eventFilter(watched, event);
}

void TColor_Corrector::LayoutSourcePage(int pageW, int pageH) {
    const int boxW = std::max((pageW - 20) / 2, 0);
    const int boxH = std::max(pageH - kListHeight - 40, 0);
    ScrollBox1->setGeometry(0, 0, boxW, boxH);
    ScrollBox2->setGeometry(boxW + 10, 0, boxW, boxH);
    const int listTop = boxH + 5;
    const int listLeft = kComboWidth + 5;
    StringGrid5->setGeometry(listLeft, listTop, std::max(boxW - listLeft, 0), kListHeight);
    StringGrid5->SetDefaultColWidth(std::max(StringGrid5->width() / 6, 1));
    ComboBox1->move(0, listTop);
    ComboBox2->move(0, listTop + 27);
    const int pageRight = pageW - kSheetExtraWidth;
    ComboBox3->move(pageRight - 2 - kComboWidth, listTop);
    ComboBox4->move(pageRight - 2 - kComboWidth, listTop + 27);
    const int groupW = std::max(boxW - kComboWidth - 15, 0);
    GroupBox2->setGeometry(boxW + 10, listTop, groupW, kGroupHeight);
    GroupBox1->setGeometry(boxW + 10, listTop + 60, groupW, kGroupHeight);
    const int buttonTop = 22;
    CentreAt(Button1, GroupBox2, 1, 8, buttonTop);
    CentreAt(Button2, GroupBox2, 3, 8, buttonTop);
    CentreAt(Button3, GroupBox2, 5, 8, buttonTop);
    CentreAt(Button4, GroupBox2, 7, 8, buttonTop);
    CentreAt(Button9, GroupBox1, 5, 8, buttonTop);
    CentreAt(BitBtn4, GroupBox1, 7, 8, buttonTop);
    CheckBox1->move(GroupBox1->width() / 8 - BitBtn4->width() / 2, buttonTop + 4);
}

void TColor_Corrector::LayoutTablePage(int pageW, int pageH) {
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
    CentreAt(Button5, GroupBox3, 1, 14, top);
    CentreAt(Button6, GroupBox3, 3, 14, top);
    CentreAt(Button10, GroupBox3, 5, 14, top);
    CentreAt(Button7, GroupBox3, 7, 14, top);
    CentreAt(Button8, GroupBox3, 9, 14, top);
    CentreAt(CubeImportButton, GroupBox3, 11, 14, top);
    CentreAt(CubeExportButton, GroupBox3, 13, 14, top);
}

void TColor_Corrector::LayoutBalancePage(int pageW, int pageH) {
    GroupBox5->setGeometry(0, 0, kParametersWidth, std::max(pageH - 35, 0));
    ComboBox5->move(60, 25);
    Edit1->setGeometry(60, 55, 40, 21);
    TrackBar1->setGeometry(105, 55, 85, 21);
    Edit2->setGeometry(60, 85, 40, 21);
    Edit3->setGeometry(60, 110, 40, 21);
    Edit4->setGeometry(60, 135, 40, 21);
    Shape1->setGeometry(60, 165, 60, 60);
    Button11->move((kParametersWidth - Button11->width()) / 2, 240);
    ScrollBox3->setGeometry(kParametersWidth + 5, 0, std::max(pageW - kParametersWidth - 20, 0),
                            std::max(pageH - 35, 0));
}

void TColor_Corrector::LayoutFilesPage(int pageW, int pageH) {
    const int listW = kFileListWidth;
    StringGrid4->setGeometry(0, 0, listW, std::max(pageH - 65, 0));
    BitBtn1->move(0, StringGrid4->height() + 5);
    const int spaceLeft = listW + 5;
    const int spaceW = std::max(pageW - kSheetExtraWidth - spaceLeft, 0);
    GroupBox4->setGeometry(spaceLeft + std::max((spaceW - kProcessWidth) / 2, 0),
                           std::max(pageH - 140, 0), kProcessWidth, kProcessHeight);
    const int imageW = std::max((pageW - listW - 20) / 2, 0);
    const int imageH = std::max(pageH - 140, 0);
    Image3->setGeometry(spaceLeft, 0, imageW, imageH);
    Image4->setGeometry(spaceLeft + imageW + 5, 0, imageW, imageH);
    // Inside "Process": cut, resample, turn, mirror, then the batch.
    Edit5->setGeometry(50, 38, 45, 21);
    Edit7->setGeometry(50, 64, 45, 21);
    Edit6->setGeometry(145, 38, 45, 21);
    Edit8->setGeometry(145, 64, 45, 21);
    ComboBox6->move(255, 14);
    Edit9->setGeometry(255, 38, 45, 21);
    Edit10->setGeometry(255, 64, 45, 21);
    RadioButton1->setGeometry(370, 38, 45, 21);
    RadioButton2->setGeometry(415, 38, 45, 21);
    RadioButton3->setGeometry(370, 64, 45, 21);
    RadioButton4->setGeometry(415, 64, 45, 21);
    CheckBox3->setGeometry(470, 38, 100, 21);
    CheckBox2->setGeometry(470, 64, 100, 21);
    BitBtn2->setGeometry(580, 14, 110, kButtonHeight);
    ProgressBar1->setGeometry(580, 44, 110, 16);
    Button12->setGeometry(580, 66, 110, kButtonHeight);
}

// ---- white balance -------------------------------------------------------------------------

int TColor_Corrector::BalanceFactor() const { return std::max(ComboBox5->ItemIndex(), 0) + 1; }

// Image5 shows the picture at the chosen factor, so clicks and moves divided by that factor
// always meet the pixel under the pointer.
void TColor_Corrector::SizeImage5() {
    const TBitmap& picture = Image5->Picture();
    const int f = BalanceFactor();
    Image5->resize(picture.Width() * f, picture.Height() * f);
    ScrollBox3->horizontalScrollBar()->setValue(0);
    ScrollBox3->verticalScrollBar()->setValue(0);
    Image5->Changed();
}

void TColor_Corrector::EnterBalancePage() {
    if (!SampleLoaded()) return;
    TBitmap copy;
    if (!WithMemoryQuestion([&] { CopyImage(Image2->Picture(), copy); })) return;
    std::swap(Image5->Picture(), copy);
    SizeImage5();
}

void TColor_Corrector::ComboBox5Change() {
    if (SampleLoaded()) SizeImage5();
}

void TColor_Corrector::TrackBar1Change() { Edit1->SetText(std::to_string(TrackBar1->Position())); }

void TColor_Corrector::Edit1Change() { SetTextIfChanged(Edit1, std::to_string(NormaliseRadius(Edit1->Text()))); }

void TColor_Corrector::WhiteEditChange(TEdit* edit) {
    SetTextIfChanged(edit, std::to_string(NormaliseWhiteChannel(edit->Text())));
    Redrawwhitecolor1Click();
}

void TColor_Corrector::Redrawwhitecolor1Click() { Shape1->update(); }

void TColor_Corrector::Image5MouseMove(int X, int Y) {
    balanceMouse_ = QPoint(X, Y);
    if (!SampleLoaded()) return;
    const TBitmap& picture = Image5->Picture();
    const int f = BalanceFactor();
    const int x = X / f, y = Y / f;
    if (x < 0 || y < 0 || x >= picture.Width() || y >= picture.Height()) return;
    const uint8_t* p = picture.ScanLine(y) + 3 * x;
    StatusBar1->SetPanelText(1, FormatText("Red=%i Green=%i Blue=%i", p[2], p[1], p[0]));
    StatusBar1->SetPanelText(0, FormatText("X=%i Y=%i", x, y));
}

void TColor_Corrector::Image5Click() {
    if (!SampleLoaded() || Image5->Picture().Empty()) return;
    const int f = BalanceFactor();
    const RgbColor white = SampleWhite(Image5->Picture(), balanceMouse_.x() / f,
                                       balanceMouse_.y() / f, NormaliseRadius(Edit1->Text()));
    Edit2->SetText(std::to_string(white.red));
    Edit3->SetText(std::to_string(white.green));
    Edit4->SetText(std::to_string(white.blue));
}

void TColor_Corrector::Button11Click() {
    const bool applied = [&] {
        // Cells rewritten before a broken one keep their new values; the grids show them.
        struct Show {
            TColor_Corrector* window;
            ~Show() { window->ShowTables(); }
        } show{this};
        return ApplyWhiteBalance(result_, WhiteColor(Edit2, Edit3, Edit4));
    }();
    if (!applied) {
        ShowMessage("Color table is empty!");
        return;
    }
    PageControl1->SetActivePageIndex(1);
}

// ---- files ---------------------------------------------------------------------------------

std::vector<std::string> TColor_Corrector::ListedFiles() const {
    std::vector<std::string> files;
    for (int row = 1; row < StringGrid4->RowCount(); ++row) {
        const std::string path = StringGrid4->Cell(0, row);
        if (!path.empty()) files.push_back(path);
    }
    return files;
}

void TColor_Corrector::BitBtn1Click() {
    if (!OpenPictureDialog2.Execute()) return;
    std::vector<std::string> files = OpenPictureDialog2.Files;
    if (files.empty() && !OpenPictureDialog2.FileName.empty()) files.push_back(OpenPictureDialog2.FileName);
    if (files.empty()) return;
    StringGrid4->ClearCells();
    StringGrid4->SetRowCount(static_cast<int>(files.size()) + 1);
    int widest = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        StringGrid4->SetCell(0, static_cast<int>(i) + 1, files[i]);
        widest = std::max(widest, StringGrid4->TextWidth(files[i]));
    }
    StringGrid4->SetColWidth(0, std::max(widest + 10, kMinFileColumn));
    StringGrid4->SetCurrentCell(0, 1);
    PreviewSelected();
}

void TColor_Corrector::StringGrid4Click() { PreviewSelected(); }
void TColor_Corrector::ProcessChange() { PreviewSelected(); }

ProcessFields TColor_Corrector::Fields() const {
    ProcessFields f;
    f.cutX = Edit5->Text();
    f.cutY = Edit6->Text();
    f.cutWidth = Edit7->Text();
    f.cutHeight = Edit8->Text();
    f.resampleWidth = Edit9->Text();
    f.resampleHeight = Edit10->Text();
    f.angle = RadioButton2->Checked() ? 90 : RadioButton3->Checked() ? 180 : RadioButton4->Checked() ? 270 : 0;
    f.flipVertical = CheckBox3->Checked();
    f.mirrorLeftRight = CheckBox2->Checked();
    return f;
}

void TColor_Corrector::SetCutFields(const ProcessFields& f) {
    Edit5->SetText(f.cutX);
    Edit6->SetText(f.cutY);
    Edit7->SetText(f.cutWidth);
    Edit8->SetText(f.cutHeight);
}

void TColor_Corrector::PreviewSelected() {
    const int row = StringGrid4->Row();
    if (row < 1 || row >= StringGrid4->RowCount()) return;
    const std::string path = StringGrid4->Cell(0, row);
    if (path.empty()) return;
    // The source and the preview made from it are one picture to the user: one question.
    WithMemoryQuestion([&] { PreviewFile(path); });
}

void TColor_Corrector::PreviewFile(const std::string& path) {
    TBitmap picture;
    try {
        picture = LoadJpegFile(path);
    } catch (const MemoryBudgetError&) {
        throw;
    } catch (const ImageError& e) {
        throw ImageError(FileErrorText(path, e.what()));
    }
    std::swap(Image3->Picture(), picture);
    Image3->Changed();
    if (!result_.Has(kRed, 0)) {
        ShowMessage("Colors table empty!");
        return;
    }
    const ByteTables tables = MakeByteTables(result_);
    const ProcessOptions options = OptionsFromFields(Fields());
    TBitmap mapped, work;
    CopyImage(Image3->Picture(), mapped);
    MapColors(mapped, tables);
    TBitmap& shown = TransformMapped(mapped, work, options);
    std::swap(Image4->Picture(), shown);
    Image4->Changed();
}

void TColor_Corrector::ComboBox6Change() {
    const int index = ComboBox6->ItemIndex();
    const auto& presets = ResamplePresets();
    if (index < 0 || index >= static_cast<int>(presets.size())) return;
    Edit9->SetText(presets[index].width);
    Edit10->SetText(presets[index].height);
    PreviewSelected();
}

void TColor_Corrector::Image3MouseDown(Qt::MouseButton button, int X, int Y) {
    cutStart_.reset();
    if (button != Qt::LeftButton) return;
    const TBitmap& picture = Image3->Picture();
    cutStart_ = ControlToPicturePixel(X, Y, picture.Width(), picture.Height(), Image3->width(),
                                      Image3->height());
}

void TColor_Corrector::Image3MouseUp(Qt::MouseButton button, int X, int Y) {
    if (button != Qt::LeftButton || !cutStart_) return;  // nothing previewed when pressed
    const PicturePoint start = *cutStart_;
    cutStart_.reset();
    const TBitmap& picture = Image3->Picture();
    const auto end = ControlToPicturePixel(X, Y, picture.Width(), picture.Height(),
                                           Image3->width(), Image3->height());
    if (!end) return;
    ProcessFields fields;
    if (const auto cut = CutFromDrag(start, *end, picture.Width(), picture.Height())) {
        fields.cutX = std::to_string(cut->x);
        fields.cutY = std::to_string(cut->y);
        fields.cutWidth = std::to_string(cut->width);
        fields.cutHeight = std::to_string(cut->height);
    }
    SetCutFields(fields);
    PreviewSelected();
}

void TColor_Corrector::PreviewMouseMove(TImage* image, int X, int Y) {
    const TBitmap& picture = image->Picture();
    const auto at = ControlToPicturePixel(X, Y, picture.Width(), picture.Height(), image->width(),
                                          image->height());
    if (!at || at->x < 0 || at->y < 0 || at->x >= picture.Width() || at->y >= picture.Height())
        return;
    const uint8_t* p = picture.ScanLine(at->y) + 3 * at->x;
    StatusBar1->SetPanelText(1, FormatText("Red=%i Green=%i Blue=%i", p[2], p[1], p[0]));
    StatusBar1->SetPanelText(0, FormatText("X=%i Y=%i", at->x, at->y));
}

void TColor_Corrector::CutFieldExit(CutField field) {
    ProcessFields fields = Fields();
    ValidateCutField(field, fields, Image3->Picture().Width(), Image3->Picture().Height());
    SetCutFields(fields);
}

void TColor_Corrector::ResampleFieldExit(TEdit* edit) { edit->SetText(ValidateResampleField(edit->Text())); }

void TColor_Corrector::BitBtn2Click() {
    const std::vector<std::string> files = ListedFiles();
    if (StringGrid4->RowCount() < 2 || StringGrid4->Cell(0, 1).empty() || files.empty()) {
        ShowMessage("No files selected!");
        return;
    }
    // Both convert before any file is written, so a broken table or field writes nothing.
    const ByteTables tables = MakeByteTables(result_);
    const ProcessOptions options = OptionsFromFields(Fields());
    // The bar is empty again when the batch ends, however it ended (a throw included).
    struct EmptyBar {
        TProgressBar* bar;
        ~EmptyBar() { bar->SetPosition(0); }
    } emptyBar{ProgressBar1};
    BatchOutcome outcome;
    {
        TCancellableProgress progress(ProgressBar1, Button12);
        BitBtn2->setEnabled(false);
        struct Enable {
            TButton* button;
            ~Enable() { button->setEnabled(true); }
        } enable{BitBtn2};
        outcome = CorrectFiles(files, tables, options, progress, DefaultWorkerCount());
    }
    if (outcome.failures.empty() && !outcome.cancelled) {
        ShowMessage("Images corrected successfully!");
    } else {
        // A full bar beside "0 of 3 images corrected" would say the work was done.
        ProgressBar1->SetPosition(0);
        std::string text = std::to_string(outcome.written) + " of " + std::to_string(files.size()) +
                           " images corrected";
        text += outcome.cancelled ? " before the correction was cancelled." : ".";
        if (!outcome.failures.empty()) {
            std::vector<std::string> lines;
            for (const BatchFailure& failure : outcome.failures)
                lines.push_back(FileErrorText(failure.path, failure.reason));
            text += "\nThese files could not be corrected:" + FailureLines(lines);
        }
        ShowMessage(text);
    }
}
