// The "Images" page: the preview and its mouse gestures, the current picture's parameter
// fields with their undo history, the output size, and the steps from picture to picture.
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "controls.h"
#include "image_control.h"
#include "object_editor_window.h"
#include "string_grid.h"

namespace {

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

TEdit* MakeField(QGroupBox* box, const char* name, const char* label, const char* text, int top) {
    auto* caption = new QLabel(label, box);
    caption->setGeometry(8, top + 3, 44, 16);
    auto* edit = new TEdit(box);
    edit->setObjectName(name);
    edit->SetText(text);
    edit->setGeometry(54, top, 66, 21);
    return edit;
}

TButton* MakeButton(QWidget* parent, const char* name, const char* caption, QRect where) {
    auto* b = new TButton(caption, parent);
    b->setObjectName(name);
    b->setGeometry(where);
    return b;
}

}  // namespace

void TObject_Editor::ImagesPage::Build(QWidget* page) {
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

    BuildFieldBoxes(page);
    Button3 = MakeButton(page, "Button3", "<<", {0, 0, 60, 25});
    Button4 = MakeButton(page, "Button4", ">>", {0, 0, 60, 25});
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

// The current picture's parameters (with Clear and the two copies) above the output size.
void TObject_Editor::ImagesPage::BuildFieldBoxes(QWidget* page) {
    GroupBox1 = new QGroupBox("Parameters", page);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->resize(128, 196);
    Edit3 = MakeField(GroupBox1, "Edit3", "X0", "0", 18);
    Edit4 = MakeField(GroupBox1, "Edit4", "Y0", "0", 42);
    Edit5 = MakeField(GroupBox1, "Edit5", "Rotate", "0", 66);
    Edit6 = MakeField(GroupBox1, "Edit6", "Scale", "1", 90);
    Button1 = MakeButton(GroupBox1, "Button1", "Clear", {8, 116, 112, 23});
    Button2 = MakeButton(GroupBox1, "Button2", "Copy to next", {8, 142, 112, 23});
    Button5 = MakeButton(GroupBox1, "Button5", "Copy to previous", {8, 168, 112, 23});

    GroupBox2 = new QGroupBox("Result", page);
    GroupBox2->setObjectName("GroupBox2");
    GroupBox2->resize(128, 98);
    Edit1 = MakeField(GroupBox2, "Edit1", "Width", "800", 18);
    Edit2 = MakeField(GroupBox2, "Edit2", "Height", "600", 42);
    ComboBox1 = new TComboBox(GroupBox2);
    ComboBox1->setObjectName("ComboBox1");
    std::vector<std::string> presets;
    for (const OutputPreset& p : OutputPresets()) presets.push_back(p.caption);
    ComboBox1->SetItems(presets);
    ComboBox1->SetItemIndex(kDefaultPresetIndex);
    ComboBox1->setGeometry(8, 68, 112, 22);
}

// The preview takes what the column of group boxes (right) and the tab strip (below) leave,
// at the output's aspect ratio.
void TObject_Editor::ImagesPage::Layout(int pw, int ph) {
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

ParamFields TObject_Editor::ImagesPage::Fields() const {
    return ParamFields{Edit3->Text(), Edit4->Text(), Edit5->Text(), Edit6->Text()};
}

void TObject_Editor::ImagesPage::SetFields(const ParamFields& f) {
    Edit3->SetText(f.x0);
    Edit4->SetText(f.y0);
    Edit5->SetText(f.rotate);
    Edit6->SetText(f.scale);
}

// --- Navigation ---

void TObject_Editor::ImagesPage::Numberoftabs1Click() {
    std::vector<std::string> tabs;
    for (int i = 1; i <= window_.ImageCount; ++i) tabs.push_back(std::to_string(i));
    TabControl1->SetTabs(tabs);
    TabControl1->SetTabIndex(window_.CurrentImage - 1);
}

void TObject_Editor::ImagesPage::LoadFieldsFromRow(int row) {
    const TStringGrid* grid = window_.Parameters.StringGrid1;
    SetFields(FieldsOfRow({grid->Cell(1, row), grid->Cell(2, row), grid->Cell(3, row),
                           grid->Cell(4, row), grid->Cell(5, row)}));
}

void TObject_Editor::ImagesPage::GoToImage(int image) {
    window_.CurrentImage = image;
    LoadFieldsFromRow(window_.CurrentImage);
    TabControl1->SetTabIndex(window_.CurrentImage - 1);
    InitParamsClick();
    window_.Showimage1Click();
}

void TObject_Editor::ImagesPage::Button4Click() {
    if (window_.ImageCount == 0) return;
    GoToImage(NextImage(window_.CurrentImage, window_.Parameters.StringGrid1->RowCount() - 1));
}

void TObject_Editor::ImagesPage::Button3Click() {
    if (window_.ImageCount == 0) return;
    GoToImage(PreviousImage(window_.CurrentImage, window_.Parameters.StringGrid1->RowCount() - 1));
}

void TObject_Editor::ImagesPage::TabControl1Change() {
    if (window_.ImageCount == 0 || TabControl1->TabIndex() < 0) return;
    GoToImage(TabControl1->TabIndex() + 1);
}

// --- Parameters ---

void TObject_Editor::ImagesPage::SavePrams1Click() { history_.Push(Fields()); }

void TObject_Editor::ImagesPage::RestoreParams1Click() {
    if (const auto last = history_.Pop()) SetFields(*last);
}

void TObject_Editor::ImagesPage::InitParamsClick() { history_.Clear(); }

// A field exit writes the normalised value back and previews. A change of a parameter (not of
// the output size) can be undone: the history gets the fields as they were shown before it.
void TObject_Editor::ImagesPage::ExitField(TEdit* edit,
                                           std::string (*normalise)(const std::string&),
                                           bool undoable) {
    const std::string value = normalise(edit->Text());
    if (undoable) {
        ParamFields changed = Fields();
        (edit == Edit3 ? changed.x0 : edit == Edit4 ? changed.y0 : edit == Edit5 ? changed.rotate
                                                                              : changed.scale) = value;
        if (window_.ImageCount > 0 && !(changed == shownFields_)) history_.Push(shownFields_);
    }
    edit->SetText(value);
    window_.Showimage1Click();
}

void TObject_Editor::ImagesPage::Edit1Exit() { ExitField(Edit1, NormaliseOutputWidth, false); }
void TObject_Editor::ImagesPage::Edit2Exit() { ExitField(Edit2, NormaliseOutputHeight, false); }
void TObject_Editor::ImagesPage::Edit3Exit() { ExitField(Edit3, NormaliseShift, true); }
void TObject_Editor::ImagesPage::Edit4Exit() { ExitField(Edit4, NormaliseShift, true); }
void TObject_Editor::ImagesPage::Edit5Exit() { ExitField(Edit5, NormaliseRotate, true); }
void TObject_Editor::ImagesPage::Edit6Exit() { ExitField(Edit6, NormaliseScale, true); }

void TObject_Editor::ImagesPage::ComboBox1Change() {
    const int index = ComboBox1->ItemIndex();
    if (index < 0 || index >= static_cast<int>(OutputPresets().size())) return;
    const OutputPreset& preset = OutputPresets()[static_cast<std::size_t>(index)];
    Edit1->SetText(std::to_string(preset.width));
    Edit2->SetText(std::to_string(preset.height));
    window_.Showimage1Click();
}

void TObject_Editor::ImagesPage::Button1Click() {
    SetFields(ParamFields());
    window_.Showimage1Click();
}

// The fields go into another row, which keeps its picture.
void TObject_Editor::ImagesPage::CopyFieldsToRow(int target) {
    ProjectRow row;
    WriteFieldsToRow(Fields(), row);
    TObject_Editor::ParametersPage& grid = window_.Parameters;
    grid.PutRow(target, ProjectRow{grid.StringGrid1->Cell(1, target), row.sx, row.sy, row.rotate,
                                   row.scale});
}

void TObject_Editor::ImagesPage::Button2Click() {
    if (window_.ImageCount == 0) return;
    CopyFieldsToRow(window_.CurrentImage + 1 > window_.ImageCount ? 1 : window_.CurrentImage + 1);
}

void TObject_Editor::ImagesPage::Button5Click() {
    if (window_.ImageCount == 0) return;
    CopyFieldsToRow(window_.CurrentImage - 1 < 1 ? window_.ImageCount : window_.CurrentImage - 1);
}

// --- Gestures ---

void TObject_Editor::ImagesPage::Image1MouseDown(QMouseEvent* e) {
    const QPoint at = e->position().toPoint() - Image1->PictureRect().topLeft();
    gestures_.Press(ButtonOf(e), ModifiersOf(e), {at.x(), at.y()});
}

// Positions and sizes are those of the picture as shown, so a gesture means the same whether
// or not the preview box has been refitted to a new output aspect yet.
void TObject_Editor::ImagesPage::Image1MouseUp(QMouseEvent* e) {
    const QRect shown = Image1->PictureRect();
    const QPoint at = e->position().toPoint() - shown.topLeft();
    const GestureOutcome outcome = gestures_.Release(
        ButtonOf(e), ModifiersOf(e), {at.x(), at.y()}, Fields(), shown.width(), shown.height(),
        Edit1->Text(), !window_.Parameters.StringGrid1->Cell(1, 1).empty());
    if (outcome.fields) {
        SavePrams1Click();
        SetFields(*outcome.fields);
    }
    if (outcome.preview) window_.Showimage1Click();
}
