#include "color_corrector_window.h"

#include <QGroupBox>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>
#include <filesystem>
#include <utility>

#include "atomic_file.h"
#include "bitmap_image.h"
#include "color_corrector_controls.h"
#include "controls.h"
#include "correction_files.h"
#include "file_error.h"
#include "image_control.h"
#include "image_error.h"
#include "jpeg_image.h"
#include "memory_question.h"
#include "message_text.h"
#include "paint_box.h"
#include "paths.h"
#include "picture_view.h"
#include "status_bar.h"
#include "string_grid.h"
#include "text_io.h"
#include "tool_window.h"

// "Source images": the reference and sample views, their zoom and turn, the point pairs
// marked in both, the points file, and the export of the pairs' colours to the tables.

using namespace corrector_window;

namespace {

// What one point pair costs once it stands in the point list (measured: a million pairs took
// 1.25 GB).
constexpr uint64_t kListBytesPerPair = 1250;

constexpr int kListHeight = 150;     // StringGrid5
constexpr int kGroupHeight = 55;     // GroupBox1, GroupBox2

PictureSide Which(int side) { return side == 0 ? PictureSide::Reference : PictureSide::Sample; }

// Finds and decodes the two pictures a points file names. False when one is missing, broken
// or declined (the user has been told).
bool LoadPointsPictures(const std::string& path, const std::string& text,
                        const PointsFileContent& content, std::string (&picturePaths)[2],
                        TBitmap (&pictures)[2]) {
    // Paths written on another desktop, or relative ones, are looked up beside the points file.
    picturePaths[0] = ResolveUserFilePath(content.referencePath, path);
    picturePaths[1] = ResolveUserFilePath(content.samplePath, path);
    const bool binary = text.find('\0') != std::string::npos;
    for (int side = 0; side < 2; ++side) {
        // A file that names no picture (empty, binary, a blank line) says why beneath.
        if (binary || picturePaths[side].empty()) {
            const std::string reason =
                binary ? "the file is not a points file: it holds binary data"
                : text.empty() ? "the file is empty"
                               : "line " + std::to_string(side + 1) + " names no picture";
            ShowMessage("File not found: \n" + FileErrorText(path, reason));
            return false;
        }
        std::error_code error;
        if (!std::filesystem::exists(picturePaths[side], error)) {
            ShowMessage("File not found: " + picturePaths[side]);
            return false;
        }
        try {
            if (!WithMemoryQuestion([&] { pictures[side] = LoadJpegFile(picturePaths[side]); }))
                return false;
        } catch (const ImageError& e) {
            throw ImageError(FileErrorText(picturePaths[side], e.what()));
        }
    }
    return true;
}

}  // namespace

void TColor_Corrector::SourceImagesPage::Build() {
    BuildViewsAndPointList();
    ComboBox1 = MakeCombo(window_.TabSheet1, "ComboBox1", {"25%", "50%", "100%", "200%", "300%"}, 2);
    ComboBox2 = MakeCombo(window_.TabSheet1, "ComboBox2", {"0°", "90°", "180°", "270°"}, 0);
    ComboBox3 = MakeCombo(window_.TabSheet1, "ComboBox3", {"25%", "50%", "100%", "200%", "300%"}, 2);
    ComboBox4 = MakeCombo(window_.TabSheet1, "ComboBox4", {"0°", "90°", "180°", "270°"}, 0);
    for (int side = 0; side < 2; ++side) {
        Side& s = sides[side];
        s.image = side == 0 ? Image1 : Image2;
        s.box = side == 0 ? PaintBox1 : PaintBox2;
        s.scroll = side == 0 ? ScrollBox1 : ScrollBox2;
        s.zoom = side == 0 ? ComboBox1 : ComboBox3;
        s.turn = side == 0 ? ComboBox2 : ComboBox4;
        for (TComboBox* combo : {s.zoom, s.turn})
            combo->OnChange = [this, side] { ComboBoxChange(side); };
    }

    GroupBox2 = new QGroupBox(QStringLiteral("File manipulations"), window_.TabSheet1);
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
    GroupBox1 = new QGroupBox(QStringLiteral("Export points to Color table"), window_.TabSheet1);
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
}

void TColor_Corrector::SourceImagesPage::BuildViewsAndPointList() {
    const char* const viewHint = "Click to points which present at both images";
    Image1 = new TImage(window_.TabSheet1);
    Image1->setObjectName("Image1");
    Image1->hide();
    Image2 = new TImage(window_.TabSheet1);
    Image2->setObjectName("Image2");
    Image2->hide();
    PaintBox1 = new TPaintBox;
    PaintBox1->setObjectName("PaintBox1");
    PaintBox2 = new TPaintBox;
    PaintBox2->setObjectName("PaintBox2");
    ScrollBox1 = MakeScrollBox(window_.TabSheet1, "ScrollBox1", PaintBox1);
    ScrollBox2 = MakeScrollBox(window_.TabSheet1, "ScrollBox2", PaintBox2);
    for (int side = 0; side < 2; ++side) {
        TPaintBox* box = side == 0 ? PaintBox1 : PaintBox2;
        box->resize(0, 0);
        SetHint(box, viewHint);
        box->OnPaint = [this, side](QPainter& painter) {
            sides[side].Paint(painter, points, Which(side));
        };
        box->OnMouseMove = [this, side](QMouseEvent* e) {
            const QPoint at = e->position().toPoint();
            sides[side].MouseMove(at.x(), at.y(), window_.StatusBar1);
        };
        box->OnMouseDown = [this, side](QMouseEvent* e) {
            sides[side].lastMouse = e->position().toPoint();  // the pointer stands there
        };
        box->OnMouseUp = [this, side, box](QMouseEvent* e) {
            if (e->button() == Qt::LeftButton && box->rect().contains(e->position().toPoint()))
                ClickSide(side);
        };
    }
    StringGrid5 = new TStringGrid(window_.TabSheet1);
    StringGrid5->setObjectName("StringGrid5");
    StringGrid5->SetColCount(5);
    StringGrid5->SetRowCount(5);
    StringGrid5->SetRangeSelect(true);
    const char* const pointHeaders[] = {"№", "X1", "Y1", "X2", "Y2"};
    for (int col = 0; col < 5; ++col) StringGrid5->SetCell(col, 0, pointHeaders[col]);
    StringGrid5->OnClick = [this] { StringGrid5Click(); };
    PopupMenu1 = new QMenu(&window_);
    PopupMenu1->setObjectName("PopupMenu1");
    Deleterecords1 = PopupMenu1->addAction(QStringLiteral("Delete records"));
    Deleterecords1->setObjectName("Deleterecords1");
    PopupMenu1->addSeparator();
    Cleartable1 = PopupMenu1->addAction(QStringLiteral("Clear table"));
    Cleartable1->setObjectName("Cleartable1");
    QObject::connect(Deleterecords1, &QAction::triggered, &window_,
                     Guarded([this] { Deleterecords1Click(); }));
    QObject::connect(Cleartable1, &QAction::triggered, &window_,
                     Guarded([this] { Cleartable1Click(); }));
    StringGrid5->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(StringGrid5, &QWidget::customContextMenuRequested, &window_,
                     Guarded([this](const QPoint& at) {
                         PopupMenu1->popup(StringGrid5->viewport()->mapToGlobal(at));
                     }));
}

void TColor_Corrector::SourceImagesPage::Layout(int pageW, int pageH) {
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
    CentreAcross(GroupBox2, 8, 1, {Button1, Button2, Button3, Button4}, buttonTop);
    CentreAcross(GroupBox1, 8, 5, {Button9, BitBtn4}, buttonTop);
    CheckBox1->move(GroupBox1->width() / 8 - BitBtn4->width() / 2, buttonTop + 4);
}

// ---- picture views -------------------------------------------------------------------------

int TColor_Corrector::SourceImagesPage::Side::Zoom() const { return zoom->ItemIndex(); }

int TColor_Corrector::SourceImagesPage::Side::Rotation() const { return turn->ItemIndex(); }

ViewSize TColor_Corrector::SourceImagesPage::Side::Size() const {
    const TBitmap& picture = image->Picture();
    return TurnedViewSize(picture.Width(), picture.Height(), Zoom(), Rotation());
}

void TColor_Corrector::SourceImagesPage::Side::UpdateSize() {
    valid = false;
    if (!loaded) return;
    const ViewSize size = Size();
    box->resize(size.width, size.height);
}

void TColor_Corrector::SourceImagesPage::Side::Paint(QPainter& painter, const PointList& points,
                                                     PictureSide which) {
    if (!loaded) return;
    // Only the part the scroll box shows is built, and kept until it scrolls or changes.
    QRect visible = box->visibleRegion().boundingRect();
    if (visible.isEmpty()) visible = box->rect();
    const ViewPart wanted{visible.left(), visible.top(), visible.width(), visible.height()};
    if (!valid || at.left != wanted.left || at.top != wanted.top || at.width != wanted.width ||
        at.height != wanted.height) {
        RenderViewPart(image->Picture(), Zoom(), Rotation(), wanted, part);
        at = wanted;
        valid = true;
    }
    if (!part.Empty()) painter.drawImage(wanted.left, wanted.top, WrapBitmap(part));
    const ViewSize size = Size();
    const QColor green(0, 255, 0);
    const QFontMetrics metrics = painter.fontMetrics();
    for (const ViewMarker& m :
         ViewMarkers(points, which, size.width, size.height, Zoom(), Rotation())) {
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

void TColor_Corrector::SourceImagesPage::PaintBox1Paint(QPainter& painter) {
    sides[0].Paint(painter, points, Which(0));
}
void TColor_Corrector::SourceImagesPage::PaintBox2Paint(QPainter& painter) {
    sides[1].Paint(painter, points, Which(1));
}

void TColor_Corrector::SourceImagesPage::RepaintViews() {
    PaintBox1->update();
    PaintBox2->update();
}

void TColor_Corrector::SourceImagesPage::ComboBoxChange(int side) {
    sides[side].UpdateSize();
    sides[side].box->update();
}

void TColor_Corrector::SourceImagesPage::Side::MouseMove(int X, int Y, TStatusBar* bar) {
    lastMouse = QPoint(X, Y);
    if (!loaded) return;
    TBitmap pixel;
    RenderViewPart(image->Picture(), Zoom(), Rotation(), {X, Y, 1, 1}, pixel);
    if (!pixel.Empty()) {
        const uint8_t* p = pixel.ScanLine(0);
        bar->SetPanelText(1, FormatText("Red=%i Green=%i Blue=%i", p[2], p[1], p[0]));
    }
    const ViewSize size = Size();
    int x = X, y = Y;
    ViewToImage(x, y, size.width, size.height, Zoom(), Rotation());
    bar->SetPanelText(0, FormatText("X=%i Y=%i", x, y));
}

void TColor_Corrector::SourceImagesPage::PaintBox1MouseMove(int X, int Y) {
    sides[0].MouseMove(X, Y, window_.StatusBar1);
}
void TColor_Corrector::SourceImagesPage::PaintBox2MouseMove(int X, int Y) {
    sides[1].MouseMove(X, Y, window_.StatusBar1);
}

void TColor_Corrector::SourceImagesPage::ClickSide(int side) {
    Side& s = sides[side];
    const ViewSize size = s.Size();
    int x = s.lastMouse.x(), y = s.lastMouse.y();
    ViewToImage(x, y, size.width, size.height, s.Zoom(), s.Rotation());
    const int row = side == 0 ? points.SetReferencePoint(x, y) : points.SetSamplePoint(x, y);
    ShowPoints();
    StringGrid5->SetCurrentCell(side == 0 ? 2 : 4, row);
    s.box->update();
}

void TColor_Corrector::SourceImagesPage::PaintBox1Click() { ClickSide(0); }
void TColor_Corrector::SourceImagesPage::PaintBox2Click() { ClickSide(1); }

// ---- pictures and the point list -----------------------------------------------------------

void TColor_Corrector::SourceImagesPage::LoadPicture(int side, const std::string& chosenPath) {
    std::string path = chosenPath;
    if (path.empty()) {
        if (!window_.OpenPictureDialog1.Execute()) return;
        path = window_.OpenPictureDialog1.FileName;
    }
    TBitmap picture;
    try {
        if (!WithMemoryQuestion([&] { picture = LoadJpegFile(path); })) return;
    } catch (const ImageError& e) {
        throw ImageError(FileErrorText(path, e.what()));
    }
    window_.Table.Clearalltables1Click();
    sides[side].Commit(picture, path);
    points.Reset(1);
    ShowPoints();
    RepaintViews();
}

void TColor_Corrector::SourceImagesPage::Side::Commit(TBitmap& picture,
                                                      const std::string& picturePath) {
    std::swap(image->Picture(), picture);
    path = picturePath;
    loaded = true;
    zoom->SetItemIndex(kDefaultZoom);
    turn->SetItemIndex(0);
    UpdateSize();
    scroll->horizontalScrollBar()->setValue(0);
    scroll->verticalScrollBar()->setValue(0);
}

void TColor_Corrector::SourceImagesPage::Button1Click(const std::string& path) { LoadPicture(0, path); }
void TColor_Corrector::SourceImagesPage::Button2Click(const std::string& path) { LoadPicture(1, path); }

void TColor_Corrector::SourceImagesPage::ShowPoints() {
    StringGrid5->SetRowCount(points.Count() + 1);
    for (int n = 1; n <= points.Count(); ++n) {
        const PointRecord& r = points.Record(n);
        StringGrid5->SetCell(0, n, std::to_string(n));
        int col = 1;
        for (const auto* cell : {&r.x1, &r.y1, &r.x2, &r.y2})
            StringGrid5->SetCell(col++, n, *cell ? std::to_string(**cell) : std::string());
    }
}

void TColor_Corrector::SourceImagesPage::StringGrid5Click() {
    if (!sides[0].loaded || !sides[1].loaded) return;
    const int row = StringGrid5->Row();
    if (row < 1 || row > points.Count()) return;
    const PointRecord& record = points.Record(row);
    for (int side = 0; side < 2; ++side) {
        const auto& cx = side == 0 ? record.x1 : record.x2;
        const auto& cy = side == 0 ? record.y1 : record.y2;
        if (!cx || !cy) continue;
        const Side& s = sides[side];
        const ViewSize size = s.Size();
        int x = *cx, y = *cy;
        ImageToView(x, y, size.width, size.height, s.Zoom(), s.Rotation());
        QScrollArea* box = s.scroll;
        x = std::clamp(x - box->width() / 2, 0, std::max(size.width - 1, 0));
        y = std::clamp(y - box->height() / 2, 0, std::max(size.height - 1, 0));
        box->horizontalScrollBar()->setValue(x);
        box->verticalScrollBar()->setValue(y);
    }
}

void TColor_Corrector::SourceImagesPage::Deleterecords1Click() {
    const TGridRect selection = StringGrid5->Selection();
    points.DeleteRecords(selection.top, selection.bottom);
    ShowPoints();
    RepaintViews();
}

void TColor_Corrector::SourceImagesPage::Cleartable1Click() {
    points.Reset(1);
    ShowPoints();
    RepaintViews();
}

void TColor_Corrector::SourceImagesPage::Button9Click() {
    if (!sides[0].loaded || !sides[1].loaded) {
        ShowMessage("Open left and right images!");
        return;
    }
    const QPoint scrolled[2] = {
        {ScrollBox1->horizontalScrollBar()->value(), ScrollBox1->verticalScrollBar()->value()},
        {ScrollBox2->horizontalScrollBar()->value(), ScrollBox2->verticalScrollBar()->value()}};
    std::swap(Image1->Picture(), Image2->Picture());
    points.SwapSides();
    std::swap(sides[0].path, sides[1].path);
    ShowPoints();
    for (int side = 0; side < 2; ++side) {
        sides[side].UpdateSize();
        sides[side].scroll->horizontalScrollBar()->setValue(scrolled[1 - side].x());
        sides[side].scroll->verticalScrollBar()->setValue(scrolled[1 - side].y());
    }
    RepaintViews();
}

void TColor_Corrector::SourceImagesPage::BitBtn4Click() {
    ColorTablePage& table = window_.Table;
    table.Clearalltables1Click();
    if (ExportColors(Image1->Picture(), Image2->Picture(), points, CheckBox1->Checked(),
                     table.calculated) == ExportStatus::TableEmpty) {
        ShowMessage("Table is empty!");
        return;
    }
    table.ShowTables();
    window_.PageControl1->SetActivePageIndex(1);
}

void TColor_Corrector::SourceImagesPage::Button3Click() {
    if (!sides[0].loaded || !sides[1].loaded) {
        ShowMessage("Nothing to save!");
        return;
    }
    if (!window_.SaveDialog1.Execute()) return;
    try {
        SavePointsFile(window_.SaveDialog1.FileName, sides[0].path, sides[1].path, points);
    } catch (const UnwritableValueError& e) {
        ShowMessage(e.what());
        return;
    } catch (const ImageError& e) {
        ShowMessage(std::string("Can't open file!\n") + e.what());  // which file, and why
        return;
    }
    ShowMessage("Data saved!");
}

void TColor_Corrector::SourceImagesPage::Button4Click() {
    if (!window_.OpenDialog1.Execute()) {
        RepaintViews();
        return;
    }
    const std::string path = window_.OpenDialog1.FileName;
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
    std::string picturePaths[2];
    TBitmap pictures[2];
    if (!LoadPointsPictures(path, text, content, picturePaths, pictures)) return;
    window_.Table.Clearalltables1Click();
    for (int side = 0; side < 2; ++side) {
        sides[side].Commit(pictures[side], picturePaths[side]);
        points.Reset(1);
        ShowPoints();
        RepaintViews();
    }
    points.Assign(content.records);
    ShowPoints();
    RepaintViews();
    if (content.stoppedAtLine > 0)
        ShowMessage(path + ": line " + std::to_string(content.stoppedAtLine) +
                    " does not hold four whole numbers; the " +
                    std::to_string(content.records.size()) +
                    " point pairs before it were read.");
}
