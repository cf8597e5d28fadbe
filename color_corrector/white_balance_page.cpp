#include "color_corrector_window.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>
#include <utility>

#include "bitmap_image.h"
#include "color_corrector_controls.h"
#include "controls.h"
#include "image_control.h"
#include "image_ops.h"
#include "memory_question.h"
#include "message_text.h"
#include "paint_box.h"
#include "status_bar.h"
#include "text_io.h"
#include "tool_window.h"
#include "white_balance.h"

// "White balance": the sample picture to click a white area in, the white colour it gives
// and its application to the Result table.

using namespace corrector_window;

namespace {

constexpr int kParametersWidth = 200;  // GroupBox5

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

}  // namespace

void TColor_Corrector::WhiteBalancePage::Build() {
    GroupBox5 = new QGroupBox(QStringLiteral("Parameters"), window_.TabSheet3);
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
    QObject::connect(window_.Table.Redrawwhitecolor1, &QAction::triggered, &window_,
                     Guarded([this] { Redrawwhitecolor1Click(); }));
    Image5 = new TImage;
    Image5->setObjectName("Image5");
    Image5->Stretch = Image5->Proportional = true;
    SetHint(Image5, "Click to white area in picture");
    Image5->setCursor(Qt::CrossCursor);
    Image5->OnMouseMove = [this](QMouseEvent* e) {
        const QPoint at = e->position().toPoint();
        Image5MouseMove(at.x(), at.y());
    };
    Image5->OnMouseDown = [this](QMouseEvent* e) { mouse_ = e->position().toPoint(); };
    Image5->OnClick = [this] { Image5Click(); };
    ScrollBox3 = MakeScrollBox(window_.TabSheet3, "ScrollBox3", Image5);
}

void TColor_Corrector::WhiteBalancePage::Layout(int pageW, int pageH) {
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

// ---- white balance -------------------------------------------------------------------------

int TColor_Corrector::WhiteBalancePage::BalanceFactor() const {
    return std::max(ComboBox5->ItemIndex(), 0) + 1;
}

// Image5 shows the picture at the chosen factor, so clicks and moves divided by that factor
// always meet the pixel under the pointer.
void TColor_Corrector::WhiteBalancePage::SizeImage5() {
    const TBitmap& picture = Image5->Picture();
    const int f = BalanceFactor();
    Image5->resize(picture.Width() * f, picture.Height() * f);
    ScrollBox3->horizontalScrollBar()->setValue(0);
    ScrollBox3->verticalScrollBar()->setValue(0);
    Image5->Changed();
}

void TColor_Corrector::WhiteBalancePage::EnterBalancePage() {
    if (!window_.SampleLoaded()) return;
    TBitmap copy;
    if (!WithMemoryQuestion([&] { CopyImage(window_.Source.Image2->Picture(), copy); })) return;
    std::swap(Image5->Picture(), copy);
    SizeImage5();
}

void TColor_Corrector::WhiteBalancePage::ComboBox5Change() {
    if (window_.SampleLoaded()) SizeImage5();
}

void TColor_Corrector::WhiteBalancePage::TrackBar1Change() {
    Edit1->SetText(std::to_string(TrackBar1->Position()));
}

void TColor_Corrector::WhiteBalancePage::Edit1Change() {
    SetTextIfChanged(Edit1, std::to_string(NormaliseRadius(Edit1->Text())));
}

void TColor_Corrector::WhiteBalancePage::WhiteEditChange(TEdit* edit) {
    SetTextIfChanged(edit, std::to_string(NormaliseWhiteChannel(edit->Text())));
    Redrawwhitecolor1Click();
}

void TColor_Corrector::WhiteBalancePage::Redrawwhitecolor1Click() { Shape1->update(); }

void TColor_Corrector::WhiteBalancePage::Image5MouseMove(int X, int Y) {
    mouse_ = QPoint(X, Y);
    if (!window_.SampleLoaded()) return;
    const TBitmap& picture = Image5->Picture();
    const int f = BalanceFactor();
    const int x = X / f, y = Y / f;
    if (x < 0 || y < 0 || x >= picture.Width() || y >= picture.Height()) return;
    window_.ShowPixel(picture, x, y);
}

void TColor_Corrector::WhiteBalancePage::Image5Click() {
    if (!window_.SampleLoaded() || Image5->Picture().Empty()) return;
    const int f = BalanceFactor();
    const RgbColor white = SampleWhite(Image5->Picture(), mouse_.x() / f,
                                       mouse_.y() / f, NormaliseRadius(Edit1->Text()));
    Edit2->SetText(std::to_string(white.red));
    Edit3->SetText(std::to_string(white.green));
    Edit4->SetText(std::to_string(white.blue));
}

void TColor_Corrector::WhiteBalancePage::Button11Click() {
    const bool applied = [&] {
        // Cells rewritten before a broken one keep their new values; the grids show them.
        struct Show {
            ColorTablePage& table;
            ~Show() { table.ShowTables(); }
        } show{window_.Table};
        return ApplyWhiteBalance(window_.Table.result, WhiteColor(Edit2, Edit3, Edit4));
    }();
    if (!applied) {
        ShowMessage("Color table is empty!");
        return;
    }
    window_.PageControl1->SetActivePageIndex(1);
}
