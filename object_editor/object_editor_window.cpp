#include "object_editor_window.h"

#include <QAction>
#include <QCoreApplication>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <algorithm>

#include "bar_progress.h"
#include "batch_run.h"
#include "controls.h"
#include "image_control.h"
#include "image_error.h"
#include "memory_question.h"
#include "number_format.h"
#include "program_end.h"
#include "status_bar.h"
#include "string_grid.h"
#include "tool_window.h"
#include "transform_image.h"

namespace {

const char* const kCaption = "Lumivex Photo Object Editor";
const char* const kCantOpen = "Can't open file!";
const char* const kProjectFilter = "Object Editor project (*.oep)|*.oep|All files (*)|*";
const char* const kPictureFilter =
    "JPEG Image File (*.jpg;*.jpeg)|*.jpg;*.jpeg|All files (*)|*";
const char* const kHeaders[] = {"\xE2\x84\x96", "FileName", "SX", "SY", "Rotate", "Scale"};
constexpr int kColumns = 6;
constexpr int kColumnWidth = 60;

MouseButton ButtonOf(const QMouseEvent* e) {
    if (e->button() == Qt::RightButton) return MouseButton::Right;
    if (e->button() == Qt::MiddleButton) return MouseButton::Middle;
    return MouseButton::Left;
}

Modifiers ModifiersOf(const QMouseEvent* e) {
    Modifiers m;
    m.shift = e->modifiers() & Qt::ShiftModifier;
    m.ctrl = e->modifiers() & Qt::ControlModifier;
    m.alt = e->modifiers() & Qt::AltModifier;
    return m;
}

}  // namespace

TObject_Editor::TObject_Editor(QWidget* parent) : TToolWindow<QWidget>(parent, Qt::Window) {
    SetCaption(this, kCaption);
    setFont(QFont("Tahoma", 8));
    BuildMenu();
    ForwardEvents({{}, {}, [this] { FormResize(); }});

    PageControl1 = new TPageControl(this);
    PageControl1->setObjectName("PageControl1");
    BuildParametersPage(PageControl1->AddPage("Parameters"));
    BuildImagesPage(PageControl1->AddPage("Images"));
    BuildControlsPage(PageControl1->AddPage("Controls"));
    PageControl1->SetActivePageIndex(1);
    PageControl1->OnChange = [this] { PageControl1Change(); };

    StatusBar1 = new TStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->SetPanels({{70, true}, {50, false}});
    ProgressBar1 = new TProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->hide();

    OpenDialog1.Filter = kProjectFilter;
    SaveDialog1.Filter = kProjectFilter;
    SaveDialog1.DefaultExt = "oep";
    OpenPictureDialog1.Filter = kPictureFilter;
    OpenPictureDialog1.MultiSelect = true;

    // A changed project is not lost to whatever ends the program.
    // The question stands over this window, brought up, so the user sees which project it means.
    JoinProgramEnd(this, [this] {
        if (!Modified()) return true;
        if (isMinimized()) showNormal();
        else show();
        raise();
        DialogOwnerScope owner(this);
        return ConfirmDropChanges();
    });
    resize(800, 636 + MainMenu1->sizeHint().height());  // a client area of 800 x 636
    savedProject_ = ProjectFileText(Edit1->Text(), Edit2->Text(), Rows());
}

void TObject_Editor::BuildMenu() {
    MainMenu1 = MakeMenuBar(this);
    QMenu* file = AddMenu(MainMenu1, "File");
    Newproject1 = MakeMainMenuItem(this, file, "Newproject1", "New", QKeySequence("Ctrl+N"));
    Open1 = MakeMainMenuItem(this, file, "Open1", "Open", QKeySequence("Ctrl+O"));
    Save1 = MakeMainMenuItem(this, file, "Save1", "Save", QKeySequence("Ctrl+S"));
    Saveas1 = MakeMainMenuItem(this, file, "Saveas1", "Save as", QKeySequence("Ctrl+A"));
    file->addSeparator();
    Addimages1 = MakeMainMenuItem(this, file, "Addimages1", "Add images", QKeySequence("Ctrl+I"));
    file->addSeparator();
    Exit1 = MakeMainMenuItem(this, file, "Exit1", "Exit");
    QMenu* edit = AddMenu(MainMenu1, "Edit");
    Undo1 = MakeMainMenuItem(this, edit, "Undo1", "Undo", QKeySequence("Ctrl+Z"));
    QMenu* process = AddMenu(MainMenu1, "Process");
    Run1 = MakeMainMenuItem(this, process, "Run1", "Run", QKeySequence("Ctrl+R"));

    OnTriggered({Newproject1}, [this] { Newproject1Click(); });
    OnTriggered({Open1}, [this] { Open1Click(); });
    OnTriggered({Save1}, [this] { Save1Click(); });
    OnTriggered({Saveas1}, [this] { Saveas1Click(); });
    OnTriggered({Addimages1}, [this] { Addimages1Click(); });
    OnTriggered({Exit1}, [this] { Exit1Click(); });
    OnTriggered({Undo1}, [this] { Undo1Click(); });
    OnTriggered({Run1}, [this] { Run1Click(); });
}

void TObject_Editor::BuildParametersPage(QWidget* page) {
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
        if (state.fixed || row > ImageCount || !Unreadable(row)) return;
        painter.fillRect(rect.adjusted(1, 1, -1, -1), QColor(255, 220, 220));
        painter.setPen(QColor(180, 0, 0));
        painter.drawText(rect.adjusted(2, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft,
                         QString::fromStdString(StringGrid1->Cell(col, row)));
    };
}

void TObject_Editor::BuildImagesPage(QWidget* page) {
    Image1 = new TImage(page);
    Image1->setObjectName("Image1");
    Image1->Stretch = Image1->Proportional = true;
    Image1->OnMouseDown = [this](QMouseEvent* e) { Image1MouseDown(e); };
    Image1->OnMouseUp = [this](QMouseEvent* e) { Image1MouseUp(e); };
    // The guide grid is part of the picture, but a preview shown smaller than the output
    // leaves out pixel columns and rows, and with them some of the lines. They are drawn
    // again where the picture shows their pixels, so the whole grid stays visible at any size.
    Image1->OnPaintOverlay = [this](QPainter& painter, const QRect& shown) {
        const TBitmap& picture = Image1->Picture();
        painter.setPen(QPen(Qt::black, 0));
        for (int k = 1; k <= 3; ++k) {
            const QPoint at =
                Image1->PictureToControl({picture.Width() * k / 4, picture.Height() * k / 4});
            painter.drawLine(at.x(), shown.top(), at.x(), shown.bottom() - 1);
            painter.drawLine(shown.left(), at.y(), shown.right() - 1, at.y());
        }
    };

    auto field = [this](QGroupBox* box, const char* name, const char* label, const char* text,
                        int top) {
        auto* caption = new QLabel(label, box);
        caption->setGeometry(8, top + 3, 44, 16);
        auto* edit = new TEdit(box);
        edit->setObjectName(name);
        edit->SetText(text);
        edit->setGeometry(54, top, 66, 21);
        return edit;
    };
    GroupBox1 = new QGroupBox("Parameters", page);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->resize(128, 196);
    Edit3 = field(GroupBox1, "Edit3", "X0", "0", 18);
    Edit4 = field(GroupBox1, "Edit4", "Y0", "0", 42);
    Edit5 = field(GroupBox1, "Edit5", "Rotate", "0", 66);
    Edit6 = field(GroupBox1, "Edit6", "Scale", "1", 90);
    auto button = [](QWidget* parent, const char* name, const char* caption, QRect where) {
        auto* b = new TButton(caption, parent);
        b->setObjectName(name);
        b->setGeometry(where);
        return b;
    };
    Button1 = button(GroupBox1, "Button1", "Clear", {8, 116, 112, 23});
    Button2 = button(GroupBox1, "Button2", "Copy to next", {8, 142, 112, 23});
    Button5 = button(GroupBox1, "Button5", "Copy to previous", {8, 168, 112, 23});

    GroupBox2 = new QGroupBox("Result", page);
    GroupBox2->setObjectName("GroupBox2");
    GroupBox2->resize(128, 98);
    Edit1 = field(GroupBox2, "Edit1", "Width", "800", 18);
    Edit2 = field(GroupBox2, "Edit2", "Height", "600", 42);
    ComboBox1 = new TComboBox(GroupBox2);
    ComboBox1->setObjectName("ComboBox1");
    std::vector<std::string> presets;
    for (const OutputPreset& p : OutputPresets()) presets.push_back(p.caption);
    ComboBox1->SetItems(presets);
    ComboBox1->SetItemIndex(kDefaultPresetIndex);
    ComboBox1->setGeometry(8, 68, 112, 22);

    Button3 = button(page, "Button3", "<<", {0, 0, 60, 25});
    Button4 = button(page, "Button4", ">>", {0, 0, 60, 25});
    TabControl1 = new TTabControl(page);
    TabControl1->setObjectName("TabControl1");
    TabControl1->setShape(QTabBar::RoundedNorth);
    TabControl1->setExpanding(false);

    Button1->OnClick = [this] { Button1Click(); };
    Button2->OnClick = [this] { Button2Click(); };
    Button3->OnClick = [this] { Button3Click(); };
    Button4->OnClick = [this] { Button4Click(); };
    Button5->OnClick = [this] { Button5Click(); };
    TabControl1->OnChange = [this] { TabControl1Change(); };
    ComboBox1->OnChange = [this] { ComboBox1Change(); };
    Edit1->OnExit = [this] { Edit1Exit(); };
    Edit2->OnExit = [this] { Edit2Exit(); };
    Edit3->OnExit = [this] { Edit3Exit(); };
    Edit4->OnExit = [this] { Edit4Exit(); };
    Edit5->OnExit = [this] { Edit5Exit(); };
    Edit6->OnExit = [this] { Edit6Exit(); };
}

void TObject_Editor::BuildControlsPage(QWidget* page) {
    RichEdit1 = new QPlainTextEdit(page);
    RichEdit1->setObjectName("RichEdit1");
    RichEdit1->setReadOnly(true);
    RichEdit1->setLineWrapMode(QPlainTextEdit::NoWrap);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setTabStopDistance(48);  // half an inch, as rich-text editors place their tabs
    RichEdit1->setPlainText(QString::fromStdString(ControlsHelpText()));
}

// The page control fills the client area above the status bar; inside it the preview takes
// what the column of group boxes (right) and the tab strip (below) leave, at the output's
// aspect ratio.
void TObject_Editor::FormResize() {
    const int menuHeight = MainMenu1->sizeHint().height();
    MainMenu1->setGeometry(0, 0, width(), menuHeight);
    const int barHeight = StatusBar1->sizeHint().height();
    StatusBar1->setGeometry(0, height() - barHeight, width(), barHeight);
    ProgressBar1->setGeometry(124, height() - barHeight + 2, std::max(0, width() - 130),
                              barHeight - 4);
    const int pw = std::max(0, width() - 4), ph = std::max(0, height() - menuHeight - barHeight - 4);
    PageControl1->setGeometry(2, menuHeight + 2, pw, ph);

    StringGrid1->setGeometry(0, 0, std::max(0, pw - 15), std::max(0, ph - 30));
    RichEdit1->setGeometry(0, 0, std::max(0, pw - 17), std::max(0, ph - 50));
    const BoxSize box = PreviewBoxSize(pw - 140, ph - 55, Edit1->Text(), Edit2->Text());
    Image1->setGeometry(0, 0, box.width, box.height);
    const int column = std::max(0, pw - 136);
    GroupBox1->move(column, 0);
    GroupBox2->move(column, GroupBox1->height() + 4);
    const int navTop = GroupBox2->y() + GroupBox2->height() + 6;
    Button3->move(column, navTop);
    Button4->move(column + 68, navTop);
    TabControl1->setGeometry(0, std::max(0, ph - 50), std::max(0, pw - 17), 24);
}

// --- Project ---

ParamFields TObject_Editor::Fields() const {
    return ParamFields{Edit3->Text(), Edit4->Text(), Edit5->Text(), Edit6->Text()};
}

void TObject_Editor::SetFields(const ParamFields& f) {
    Edit3->SetText(f.x0);
    Edit4->SetText(f.y0);
    Edit5->SetText(f.rotate);
    Edit6->SetText(f.scale);
}

std::vector<ProjectRow> TObject_Editor::Rows() const {
    std::vector<ProjectRow> rows;
    for (int r = 1; r < StringGrid1->RowCount(); ++r)
        rows.push_back({StringGrid1->Cell(1, r), StringGrid1->Cell(2, r), StringGrid1->Cell(3, r),
                        StringGrid1->Cell(4, r), StringGrid1->Cell(5, r)});
    return rows;
}

// What Save would write, with the fields as the preview would put them into the current row.
std::string TObject_Editor::CurrentRowKey() const {
    std::vector<ProjectRow> rows = Rows();
    if (CurrentImage >= 1 && CurrentImage <= static_cast<int>(rows.size()) && ImageCount > 0)
        WriteFieldsToRow(Fields(), rows[static_cast<std::size_t>(CurrentImage - 1)]);
    return ProjectFileText(Edit1->Text(), Edit2->Text(), rows);
}

bool TObject_Editor::Modified() const { return CurrentRowKey() != savedProject_; }

void TObject_Editor::MarkSaved() { savedProject_ = CurrentRowKey(); }

// Before New, Open and Exit: work that was never saved is not dropped without asking.
bool TObject_Editor::ConfirmDropChanges() {
    if (!Modified()) return true;
    switch (AskYesNoCancel("The project has changed. Save it first?")) {
    case TAnswer::Yes:
        Save1Click();
        return !Modified();  // a cancelled or failed save keeps the project
    case TAnswer::No:
        return true;
    case TAnswer::Cancel:
        break;
    }
    return false;
}

TObject_Editor::LoadedImages TObject_Editor::LoadPictures(const std::vector<std::string>& paths) {
    LoadedImages loaded;
    for (const std::string& path : paths) {
        TJPEGImage picture;
        bool ok = false;
        try {
            picture.LoadFromFile(path);
            ok = HasJpegSignature(picture.Bytes());
            if (!ok) loaded.failures.push_back(path + ": the file is not a JPEG picture.");
        } catch (const ImageError& e) {
            loaded.failures.push_back(path + ": " + e.what());
        }
        loaded.unreadable.push_back(!ok);
        loaded.pictures.push_back(ok ? std::move(picture) : TJPEGImage());
    }
    return loaded;
}

void TObject_Editor::PutRow(int row, const ProjectRow& values) {
    StringGrid1->SetCell(0, row, std::to_string(row));
    StringGrid1->SetCell(1, row, values.path);
    StringGrid1->SetCell(2, row, values.sx);
    StringGrid1->SetCell(3, row, values.sy);
    StringGrid1->SetCell(4, row, values.rotate);
    StringGrid1->SetCell(5, row, values.scale);
}

void TObject_Editor::FitPathColumn(int startWidth) {
    int width = startWidth;
    for (int r = 1; r <= ImageCount; ++r)
        width = std::max(width, StringGrid1->TextWidth(StringGrid1->Cell(1, r)));
    for (int c = 0; c < kColumns; ++c) StringGrid1->SetColWidth(c, kColumnWidth);
    StringGrid1->SetColWidth(1, width + 10);
}

// After New, Open and Add images: tabs, an empty history, the preview.
void TObject_Editor::AfterProjectChange() {
    decodedSlot_ = -1;
    Numberoftabs1Click();
    InitParamsClick();
    Showimage1Click();
}

void TObject_Editor::Newproject1Click() {
    gestures_.IgnoreNextRelease();
    if (!ConfirmDropChanges()) return;
    for (int r = 1; r <= ImageCount; ++r) ImageTable[static_cast<std::size_t>(r)] = TJPEGImage();
    unreadable_.fill(false);
    StringGrid1->SetRowCount(2);
    ImageCount = 0;
    for (int c = 0; c < kColumns; ++c) {
        StringGrid1->SetColWidth(c, kColumnWidth);
        StringGrid1->SetCell(c, 1, "");
    }
    StringGrid1->SetColWidth(1, 200);
    CurrentImage = 1;
    ProjectFileName.clear();
    SetCaption(this, kCaption);
    AfterProjectChange();
    MarkSaved();
}

void TObject_Editor::Addimages1Click() {
    gestures_.IgnoreNextRelease();
    if (!OpenPictureDialog1.Execute()) return;
    std::vector<std::string> paths = OpenPictureDialog1.Files;
    if (paths.empty() && !OpenPictureDialog1.FileName.empty())
        paths.push_back(OpenPictureDialog1.FileName);
    std::vector<std::string> problems;
    const std::size_t room = static_cast<std::size_t>(kMaxProjectImages - ImageCount);
    if (paths.size() > room) {
        problems.push_back("A project holds at most " + std::to_string(kMaxProjectImages) +
                           " images; " + std::to_string(paths.size() - room) +
                           " of the chosen files were not added.");
        paths.resize(room);
    }
    LoadedImages loaded = LoadPictures(paths);

    const int startWidth = StringGrid1->ColWidth(1) - 10;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        ++ImageCount;
        ImageTable[static_cast<std::size_t>(ImageCount)] = std::move(loaded.pictures[i]);
        unreadable_[static_cast<std::size_t>(ImageCount)] = loaded.unreadable[i];
        StringGrid1->SetRowCount(ImageCount + 1);
        PutRow(ImageCount, ProjectRow{paths[i]});
    }
    FitPathColumn(startWidth);
    if (ImageCount > 0) CurrentImage = ImageCount;
    AfterProjectChange();
    if (!loaded.failures.empty())
        problems.push_back("These pictures could not be loaded; their rows are marked red:" +
                           FailureLines(loaded.failures));
    if (!problems.empty()) ShowMessage(problems.size() == 1 ? problems[0] : problems[0] + "\n\n" + problems[1]);
}

void TObject_Editor::Open1Click() {
    gestures_.IgnoreNextRelease();
    if (!ConfirmDropChanges()) return;
    if (!OpenDialog1.Execute()) return;
    const std::string path = OpenDialog1.FileName;
    ProjectFileContent content;
    try {
        content = ReadProjectFile(path);
    } catch (const NotAProjectError& e) {
        ShowMessage(e.what());
        return;
    } catch (const ImageError& e) {
        ShowMessage(std::string(kCantOpen) + "\n" + e.what());  // which file, and why
        return;
    }
    std::vector<std::string> paths;
    for (const ProjectRow& row : content.rows) paths.push_back(row.path);
    LoadedImages loaded = LoadPictures(paths);

    for (int r = 1; r <= ImageCount; ++r) ImageTable[static_cast<std::size_t>(r)] = TJPEGImage();
    unreadable_.fill(false);
    ImageCount = 0;
    StringGrid1->SetRowCount(std::max<int>(2, static_cast<int>(content.rows.size()) + 1));
    StringGrid1->ClearCells();
    for (int c = 0; c < kColumns; ++c) StringGrid1->SetCell(c, 0, kHeaders[c]);
    if (content.width) Edit1->SetText(NormaliseOutputWidth(std::to_string(*content.width)));
    if (content.height) Edit2->SetText(NormaliseOutputHeight(std::to_string(*content.height)));
    for (std::size_t i = 0; i < content.rows.size(); ++i) {
        ++ImageCount;
        ImageTable[static_cast<std::size_t>(ImageCount)] = std::move(loaded.pictures[i]);
        unreadable_[static_cast<std::size_t>(ImageCount)] = loaded.unreadable[i];
        PutRow(ImageCount, content.rows[i]);
    }
    FitPathColumn(kColumnWidth);
    CurrentImage = 1;
    if (ImageCount > 0) LoadFieldsFromRow(1);
    ProjectFileName = path;
    SaveDialog1.FileName = path;
    SetCaption(this, std::string(kCaption) + " - " + path);
    AfterProjectChange();
    MarkSaved();

    std::vector<std::string> problems;
    if (content.droppedRows > 0)
        problems.push_back("A project holds at most " + std::to_string(kMaxProjectImages) +
                           " images; the other " + std::to_string(content.droppedRows) +
                           " rows of " + path + " were not opened.");
    if (!loaded.failures.empty())
        problems.push_back("These pictures could not be loaded; their rows are marked red:" +
                           FailureLines(loaded.failures));
    if (!problems.empty()) ShowMessage(problems.size() == 1 ? problems[0] : problems[0] + "\n\n" + problems[1]);
}

void TObject_Editor::WriteProject(const std::string& path) {
    if (ImageCount > 0) Showimage1Click();  // the fields reach the current row
    try {
        WriteProjectFile(path, Edit1->Text(), Edit2->Text(), Rows());
    } catch (const UnwritableValueError& e) {
        ShowMessage(e.what());
        throw;
    } catch (const ImageError& e) {
        ShowMessage(std::string(kCantOpen) + "\n" + e.what());
        throw;
    }
    MarkSaved();
}

void TObject_Editor::Saveas1Click() {
    if (!SaveDialog1.Execute()) return;
    const std::string path = SaveDialog1.FileName;
    try {
        WriteProject(path);
    } catch (const ImageError&) {
        return;  // told
    }
    ProjectFileName = path;
    SetCaption(this, std::string(kCaption) + " - " + path);
}

void TObject_Editor::Save1Click() {
    if (ProjectFileName.empty()) {
        Saveas1Click();
        return;
    }
    try {
        WriteProject(ProjectFileName);
    } catch (const ImageError&) {
        // told
    }
}

void TObject_Editor::Exit1Click() {
    if (EndProgram()) emit ExitRequested();
}

// --- Preview and run ---

const TBitmap& TObject_Editor::CurrentSource() {
    if (decodedSlot_ != CurrentImage) {
        TBitmap decoded;
        const TJPEGImage& picture = ImageTable[static_cast<std::size_t>(CurrentImage)];
        if (!picture.Empty() && !unreadable_[static_cast<std::size_t>(CurrentImage)]) {
            try {
                // Said No to a picture too large: an empty frame, as for a row without one.
                if (!WithMemoryQuestion([&] { picture.DecodeTo(decoded); })) decoded = TBitmap();
            } catch (const ImageError& e) {
                unreadable_[static_cast<std::size_t>(CurrentImage)] = true;
                StringGrid1->viewport()->update();
                decoded_ = TBitmap();
                decodedSlot_ = CurrentImage;
                ShowMessage(StringGrid1->Cell(1, CurrentImage) + ": " + e.what());
                return decoded_;
            }
        }
        decoded_ = std::move(decoded);
        decodedSlot_ = CurrentImage;
    }
    return decoded_;
}

void TObject_Editor::Showimage1Click() {
    if (ImageCount == 0) {
        Image1->Picture() = TBitmap();
        Image1->Changed();
        return;
    }
    StatusBar1->SetPanelText(0, FormatText("%i / %i", CurrentImage, StringGrid1->RowCount() - 1));
    StatusBar1->SetPanelText(1, StringGrid1->Cell(1, CurrentImage));
    const ParamFields fields = Fields();
    const TransformValues v = TransformValuesOf(Edit1->Text(), Edit2->Text(), fields);
    TBitmap output;
    TransformImage(CurrentSource(), v.Wo, v.Ho, v.X0, v.Y0, v.Rotate, v.Scale, output);
    DrawGuideGrid(output);
    Image1->Picture() = std::move(output);
    Image1->Changed();
    StringGrid1->SetCell(2, CurrentImage, fields.x0);
    StringGrid1->SetCell(3, CurrentImage, fields.y0);
    StringGrid1->SetCell(4, CurrentImage, fields.rotate);
    StringGrid1->SetCell(5, CurrentImage, fields.scale);
    shownFields_ = fields;
}

void TObject_Editor::Run1Click() {
    if (ImageCount > 0) Showimage1Click();  // the fields reach the current row
    ProgressBar1->show();
    TBarProgress progress(ProgressBar1);
    const RunReport report =
        RunProject(Rows(), OutputSideOf(Edit1->Text()), OutputSideOf(Edit2->Text()), progress,
                   DefaultWorkerCount());
    ProgressBar1->hide();
    ShowMessage(RunReportMessage(report));
}

// --- Navigation ---

void TObject_Editor::Numberoftabs1Click() {
    std::vector<std::string> tabs;
    for (int i = 1; i <= ImageCount; ++i) tabs.push_back(std::to_string(i));
    TabControl1->SetTabs(tabs);
    TabControl1->SetTabIndex(CurrentImage - 1);
}

void TObject_Editor::LoadFieldsFromRow(int row) {
    SetFields(FieldsOfRow({StringGrid1->Cell(1, row), StringGrid1->Cell(2, row),
                           StringGrid1->Cell(3, row), StringGrid1->Cell(4, row),
                           StringGrid1->Cell(5, row)}));
}

void TObject_Editor::GoToImage(int image) {
    CurrentImage = image;
    LoadFieldsFromRow(CurrentImage);
    TabControl1->SetTabIndex(CurrentImage - 1);
    InitParamsClick();
    Showimage1Click();
}

void TObject_Editor::Button4Click() {
    if (ImageCount == 0) return;
    GoToImage(NextImage(CurrentImage, StringGrid1->RowCount() - 1));
}

void TObject_Editor::Button3Click() {
    if (ImageCount == 0) return;
    GoToImage(PreviousImage(CurrentImage, StringGrid1->RowCount() - 1));
}

void TObject_Editor::TabControl1Change() {
    if (ImageCount == 0 || TabControl1->TabIndex() < 0) return;
    GoToImage(TabControl1->TabIndex() + 1);
}

void TObject_Editor::StringGrid1Click() {
    if (ImageCount == 0) return;
    CurrentImage = std::clamp(StringGrid1->Row(), 1, ImageCount);
    StatusBar1->SetPanelText(0, FormatText("%i / %i", CurrentImage, StringGrid1->RowCount() - 1));
    StatusBar1->SetPanelText(1, StringGrid1->Cell(1, CurrentImage));
    InitParamsClick();
}

void TObject_Editor::PageControl1Change() {
    const int page = PageControl1->ActivePageIndex();
    if (page == 0 && ImageCount > 0) {
        StringGrid1->SetRow(CurrentImage);
    } else if (page == 1) {
        if (ImageCount > 0) {
            CurrentImage = std::clamp(StringGrid1->Row(), 1, ImageCount);
            TabControl1->SetTabIndex(CurrentImage - 1);
            LoadFieldsFromRow(CurrentImage);
        }
        Showimage1Click();
    }
}

// --- Parameters ---

void TObject_Editor::SavePrams1Click() { history_.Push(Fields()); }

void TObject_Editor::RestoreParams1Click() {
    if (const auto last = history_.Pop()) SetFields(*last);
}

void TObject_Editor::InitParamsClick() { history_.Clear(); }

void TObject_Editor::Undo1Click() {
    RestoreParams1Click();
    Showimage1Click();
}

// A field exit writes the normalised value back and previews. A change of a parameter (not of
// the output size) can be undone: the history gets the fields as they were shown before it.
void TObject_Editor::ExitField(TEdit* edit, std::string (*normalise)(const std::string&),
                               bool undoable) {
    const std::string value = normalise(edit->Text());
    if (undoable) {
        ParamFields changed = Fields();
        (edit == Edit3 ? changed.x0 : edit == Edit4 ? changed.y0 : edit == Edit5 ? changed.rotate
                                                                              : changed.scale) = value;
        if (ImageCount > 0 && !(changed == shownFields_)) history_.Push(shownFields_);
    }
    edit->SetText(value);
    Showimage1Click();
}

void TObject_Editor::Edit1Exit() { ExitField(Edit1, NormaliseOutputWidth, false); }
void TObject_Editor::Edit2Exit() { ExitField(Edit2, NormaliseOutputHeight, false); }
void TObject_Editor::Edit3Exit() { ExitField(Edit3, NormaliseShift, true); }
void TObject_Editor::Edit4Exit() { ExitField(Edit4, NormaliseShift, true); }
void TObject_Editor::Edit5Exit() { ExitField(Edit5, NormaliseRotate, true); }
void TObject_Editor::Edit6Exit() { ExitField(Edit6, NormaliseScale, true); }

void TObject_Editor::ComboBox1Change() {
    const int index = ComboBox1->ItemIndex();
    if (index < 0 || index >= static_cast<int>(OutputPresets().size())) return;
    const OutputPreset& preset = OutputPresets()[static_cast<std::size_t>(index)];
    Edit1->SetText(std::to_string(preset.width));
    Edit2->SetText(std::to_string(preset.height));
    Showimage1Click();
}

void TObject_Editor::Button1Click() {
    SetFields(ParamFields());
    Showimage1Click();
}

void TObject_Editor::Button2Click() {
    if (ImageCount == 0) return;
    ProjectRow row;
    WriteFieldsToRow(Fields(), row);
    const int target = CurrentImage + 1 > ImageCount ? 1 : CurrentImage + 1;
    PutRow(target, ProjectRow{StringGrid1->Cell(1, target), row.sx, row.sy, row.rotate, row.scale});
}

void TObject_Editor::Button5Click() {
    if (ImageCount == 0) return;
    ProjectRow row;
    WriteFieldsToRow(Fields(), row);
    const int target = CurrentImage - 1 < 1 ? ImageCount : CurrentImage - 1;
    PutRow(target, ProjectRow{StringGrid1->Cell(1, target), row.sx, row.sy, row.rotate, row.scale});
}

// --- Gestures ---

void TObject_Editor::Image1MouseDown(QMouseEvent* e) {
    const QPoint at = e->position().toPoint() - Image1->PictureRect().topLeft();
    gestures_.Press(ButtonOf(e), ModifiersOf(e), {at.x(), at.y()});
}

// Positions and sizes are those of the picture as shown, so a gesture means the same whether
// or not the preview box has been refitted to a new output aspect yet.
void TObject_Editor::Image1MouseUp(QMouseEvent* e) {
    const QRect shown = Image1->PictureRect();
    const QPoint at = e->position().toPoint() - shown.topLeft();
    const GestureOutcome outcome =
        gestures_.Release(ButtonOf(e), ModifiersOf(e), {at.x(), at.y()}, Fields(), shown.width(),
                          shown.height(), Edit1->Text(), !StringGrid1->Cell(1, 1).empty());
    if (outcome.fields) {
        SavePrams1Click();
        SetFields(*outcome.fields);
    }
    if (outcome.preview) Showimage1Click();
}
