#include "color_corrector_window.h"

#include <QGroupBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <utility>

#include "bitmap_image.h"
#include "cancellable_progress.h"
#include "color_corrector_controls.h"
#include "controls.h"
#include "file_error.h"
#include "image_control.h"
#include "image_error.h"
#include "image_ops.h"
#include "jpeg_image.h"
#include "memory_question.h"
#include "message_text.h"
#include "status_bar.h"
#include "string_grid.h"
#include "text_io.h"
#include "tool_window.h"

// "Files": the list of pictures to correct, the cut, resample, turn and mirror fields, the
// preview of the selected picture and the batch that writes the corrected copies.

using namespace corrector_window;

namespace {

constexpr int kFileListWidth = 250;  // StringGrid4
constexpr int kProcessWidth = 700;   // GroupBox4
constexpr int kMinFileColumn = 110;  // StringGrid4's column at its narrowest
constexpr int kProcessHeight = 105;

}  // namespace

void TColor_Corrector::FilesPage::Build() {
    StringGrid4 = new TStringGrid(window_.TabSheet4);
    StringGrid4->setObjectName("StringGrid4");
    StringGrid4->SetColCount(1);
    StringGrid4->SetRowCount(2);
    StringGrid4->SetFixedCols(0);
    StringGrid4->SetDefaultColWidth(kMinFileColumn);
    SetHint(StringGrid4, "Select file to preview result");
    StringGrid4->OnClick = [this] { StringGrid4Click(); };
    BitBtn1 = MakeButton(window_.TabSheet4, "BitBtn1", "Open images", "Open files for correct their color tables",
                         [this] { BitBtn1Click(); });
    OpenPictureDialog2.Filter = "JPEG Image File (*.jpg;*.jpeg;)|*.jpg;*.jpeg;";
    OpenPictureDialog2.MultiSelect = true;
    GroupBox4 = new QGroupBox(QStringLiteral("Process"), window_.TabSheet4);
    GroupBox4->setObjectName("GroupBox4");
    const std::pair<const char*, QPoint> processLabels[] = {
        {"Cut", {10, 18}},      {"X", {10, 41}},       {"Width", {10, 67}}, {"Y", {100, 41}},
        {"Height", {100, 67}},  {"Resample", {200, 18}}, {"Width", {200, 41}},
        {"Height", {200, 67}},  {"Rotate", {370, 18}},  {"Mirror", {470, 18}}};
    for (const auto& [text, at] : processLabels) MakeLabel(GroupBox4, text, at.x(), at.y());
    BuildProcessFields();
    BuildFilePreviews();
}

void TColor_Corrector::FilesPage::BuildProcessFields() {
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
}

void TColor_Corrector::FilesPage::BuildFilePreviews() {
    Image3 = new TImage(window_.TabSheet4);
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
    Image4 = new TImage(window_.TabSheet4);
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
}

void TColor_Corrector::FilesPage::Layout(int pageW, int pageH) {
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

// ---- files ---------------------------------------------------------------------------------

std::vector<std::string> TColor_Corrector::FilesPage::ListedFiles() const {
    std::vector<std::string> files;
    for (int row = 1; row < StringGrid4->RowCount(); ++row) {
        const std::string path = StringGrid4->Cell(0, row);
        if (!path.empty()) files.push_back(path);
    }
    return files;
}

void TColor_Corrector::FilesPage::BitBtn1Click() {
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

void TColor_Corrector::FilesPage::StringGrid4Click() { PreviewSelected(); }
void TColor_Corrector::FilesPage::ProcessChange() { PreviewSelected(); }

ProcessFields TColor_Corrector::FilesPage::Fields() const {
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

void TColor_Corrector::FilesPage::SetCutFields(const ProcessFields& f) {
    Edit5->SetText(f.cutX);
    Edit6->SetText(f.cutY);
    Edit7->SetText(f.cutWidth);
    Edit8->SetText(f.cutHeight);
}

void TColor_Corrector::FilesPage::PreviewSelected() {
    const int row = StringGrid4->Row();
    if (row < 1 || row >= StringGrid4->RowCount()) return;
    const std::string path = StringGrid4->Cell(0, row);
    if (path.empty()) return;
    // The source and the preview made from it are one picture to the user: one question.
    WithMemoryQuestion([&] { PreviewFile(path); });
}

void TColor_Corrector::FilesPage::PreviewFile(const std::string& path) {
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
    if (!window_.Table.result.Has(kRed, 0)) {
        ShowMessage("Colors table empty!");
        return;
    }
    const ByteTables tables = MakeByteTables(window_.Table.result);
    const ProcessOptions options = OptionsFromFields(Fields());
    TBitmap mapped, work;
    CopyImage(Image3->Picture(), mapped);
    MapColors(mapped, tables);
    TBitmap& shown = TransformMapped(mapped, work, options);
    std::swap(Image4->Picture(), shown);
    Image4->Changed();
}

void TColor_Corrector::FilesPage::ComboBox6Change() {
    const int index = ComboBox6->ItemIndex();
    const auto& presets = ResamplePresets();
    if (index < 0 || index >= static_cast<int>(presets.size())) return;
    Edit9->SetText(presets[index].width);
    Edit10->SetText(presets[index].height);
    PreviewSelected();
}

void TColor_Corrector::FilesPage::Image3MouseDown(Qt::MouseButton button, int X, int Y) {
    cutStart_.reset();
    if (button != Qt::LeftButton) return;
    const TBitmap& picture = Image3->Picture();
    cutStart_ = ControlToPicturePixel(X, Y, picture.Width(), picture.Height(), Image3->width(),
                                      Image3->height());
}

void TColor_Corrector::FilesPage::Image3MouseUp(Qt::MouseButton button, int X, int Y) {
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

void TColor_Corrector::FilesPage::PreviewMouseMove(TImage* image, int X, int Y) {
    const TBitmap& picture = image->Picture();
    const auto at = ControlToPicturePixel(X, Y, picture.Width(), picture.Height(), image->width(),
                                          image->height());
    if (!at || at->x < 0 || at->y < 0 || at->x >= picture.Width() || at->y >= picture.Height())
        return;
    window_.ShowPixel(picture, at->x, at->y);
}

void TColor_Corrector::FilesPage::CutFieldExit(CutField field) {
    ProcessFields fields = Fields();
    ValidateCutField(field, fields, Image3->Picture().Width(), Image3->Picture().Height());
    SetCutFields(fields);
}

void TColor_Corrector::FilesPage::ResampleFieldExit(TEdit* edit) {
    edit->SetText(ValidateResampleField(edit->Text()));
}

void TColor_Corrector::FilesPage::BitBtn2Click() {
    const std::vector<std::string> files = ListedFiles();
    if (StringGrid4->RowCount() < 2 || StringGrid4->Cell(0, 1).empty() || files.empty()) {
        ShowMessage("No files selected!");
        return;
    }
    // Both convert before any file is written, so a broken table or field writes nothing.
    const ByteTables tables = MakeByteTables(window_.Table.result);
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
