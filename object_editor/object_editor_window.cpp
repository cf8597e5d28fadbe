// The Object Editor's frame: menu, page control, status bar, the preview that every page
// leads to, and the batch run. The pages and the project commands have files of their own.
#include "object_editor_window.h"

#include <QFont>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <algorithm>

#include "bar_progress.h"
#include "batch_run.h"
#include "controls.h"
#include "image_control.h"
#include "image_error.h"
#include "memory_question.h"
#include "number_format.h"
#include "object_editor_controls.h"
#include "program_end.h"
#include "status_bar.h"
#include "string_grid.h"
#include "transform_image.h"

using namespace editor_window;

namespace {

const char* const kProjectFilter = "Object Editor project (*.oep)|*.oep|All files (*)|*";
const char* const kPictureFilter =
    "JPEG Image File (*.jpg;*.jpeg)|*.jpg;*.jpeg|All files (*)|*";

}  // namespace

TObject_Editor::TObject_Editor(QWidget* parent) : TToolWindow<QWidget>(parent, Qt::Window) {
    SetCaption(this, kCaption);
    setFont(QFont("Tahoma", 8));
    BuildMenu();
    ForwardEvents({{}, {}, [this] { FormResize(); }});

    PageControl1 = new TPageControl(this);
    PageControl1->setObjectName("PageControl1");
    Parameters.Build(PageControl1->AddPage("Parameters"));
    Images.Build(PageControl1->AddPage("Images"));
    Controls.Build(PageControl1->AddPage("Controls"));
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
    savedProject_ = ProjectFileText(Images.Edit1->Text(), Images.Edit2->Text(), Parameters.Rows());
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

void TObject_Editor::ControlsPage::Build(QWidget* page) {
    RichEdit1 = new QPlainTextEdit(page);
    RichEdit1->setObjectName("RichEdit1");
    RichEdit1->setReadOnly(true);
    RichEdit1->setLineWrapMode(QPlainTextEdit::NoWrap);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setTabStopDistance(48);  // half an inch, as rich-text editors place their tabs
    RichEdit1->setPlainText(QString::fromStdString(ControlsHelpText()));
}

// The page control fills the client area above the status bar.
void TObject_Editor::FormResize() {
    const int menuHeight = MainMenu1->sizeHint().height();
    MainMenu1->setGeometry(0, 0, width(), menuHeight);
    const int barHeight = StatusBar1->sizeHint().height();
    StatusBar1->setGeometry(0, height() - barHeight, width(), barHeight);
    ProgressBar1->setGeometry(124, height() - barHeight + 2, std::max(0, width() - 130),
                              barHeight - 4);
    const int pw = std::max(0, width() - 4), ph = std::max(0, height() - menuHeight - barHeight - 4);
    PageControl1->setGeometry(2, menuHeight + 2, pw, ph);

    Parameters.StringGrid1->setGeometry(0, 0, std::max(0, pw - 15), std::max(0, ph - 30));
    Controls.RichEdit1->setGeometry(0, 0, std::max(0, pw - 17), std::max(0, ph - 50));
    Images.Layout(pw, ph);
}

void TObject_Editor::PageControl1Change() {
    const int page = PageControl1->ActivePageIndex();
    if (page == 0 && ImageCount > 0) {
        Parameters.StringGrid1->SetRow(CurrentImage);
    } else if (page == 1) {
        if (ImageCount > 0) {
            CurrentImage = std::clamp(Parameters.StringGrid1->Row(), 1, ImageCount);
            Images.TabControl1->SetTabIndex(CurrentImage - 1);
            Images.LoadFieldsFromRow(CurrentImage);
        }
        Showimage1Click();
    }
}

// --- Whether the project changed ---

// What Save would write, with the fields as the preview would put them into the current row.
std::string TObject_Editor::CurrentRowKey() const {
    std::vector<ProjectRow> rows = Parameters.Rows();
    if (CurrentImage >= 1 && CurrentImage <= static_cast<int>(rows.size()) && ImageCount > 0)
        WriteFieldsToRow(Images.Fields(), rows[static_cast<std::size_t>(CurrentImage - 1)]);
    return ProjectFileText(Images.Edit1->Text(), Images.Edit2->Text(), rows);
}

bool TObject_Editor::Modified() const { return CurrentRowKey() != savedProject_; }

void TObject_Editor::MarkSaved() { savedProject_ = CurrentRowKey(); }

void TObject_Editor::Exit1Click() {
    if (EndProgram()) emit ExitRequested();
}

// --- Preview and run ---

const TBitmap& TObject_Editor::CurrentSource() {
    if (decodedSlot_ != CurrentImage) {
        TBitmap decoded;
        const TJPEGImage& picture = ImageTable[static_cast<std::size_t>(CurrentImage)];
        bool& unreadable = Parameters.unreadable_[static_cast<std::size_t>(CurrentImage)];
        if (!picture.Empty() && !unreadable) {
            try {
                // Said No to a picture too large: an empty frame, as for a row without one.
                if (!WithMemoryQuestion([&] { picture.DecodeTo(decoded); })) decoded = TBitmap();
            } catch (const ImageError& e) {
                unreadable = true;
                Parameters.StringGrid1->viewport()->update();
                decoded_ = TBitmap();
                decodedSlot_ = CurrentImage;
                ShowMessage(Parameters.StringGrid1->Cell(1, CurrentImage) + ": " + e.what());
                return decoded_;
            }
        }
        decoded_ = std::move(decoded);
        decodedSlot_ = CurrentImage;
    }
    return decoded_;
}

void TObject_Editor::ShowPosition() {
    const TStringGrid* grid = Parameters.StringGrid1;
    StatusBar1->SetPanelText(0, FormatText("%i / %i", CurrentImage, grid->RowCount() - 1));
    StatusBar1->SetPanelText(1, grid->Cell(1, CurrentImage));
}

void TObject_Editor::Showimage1Click() {
    TImage* image = Images.Image1;
    if (ImageCount == 0) {
        image->Picture() = TBitmap();
        image->Changed();
        return;
    }
    ShowPosition();
    const ParamFields fields = Images.Fields();
    const TransformValues v =
        TransformValuesOf(Images.Edit1->Text(), Images.Edit2->Text(), fields);
    TBitmap output;
    TransformImage(CurrentSource(), v.Wo, v.Ho, v.X0, v.Y0, v.Rotate, v.Scale, output);
    DrawGuideGrid(output);
    image->Picture() = std::move(output);
    image->Changed();
    TStringGrid* grid = Parameters.StringGrid1;
    grid->SetCell(2, CurrentImage, fields.x0);
    grid->SetCell(3, CurrentImage, fields.y0);
    grid->SetCell(4, CurrentImage, fields.rotate);
    grid->SetCell(5, CurrentImage, fields.scale);
    Images.shownFields_ = fields;
}

void TObject_Editor::Undo1Click() {
    Images.RestoreParams1Click();
    Showimage1Click();
}

void TObject_Editor::Run1Click() {
    if (ImageCount > 0) Showimage1Click();  // the fields reach the current row
    ProgressBar1->show();
    TBarProgress progress(ProgressBar1);
    const RunReport report =
        RunProject(Parameters.Rows(), OutputSideOf(Images.Edit1->Text()),
                   OutputSideOf(Images.Edit2->Text()), progress, DefaultWorkerCount());
    ProgressBar1->hide();
    ShowMessage(RunReportMessage(report));
}
