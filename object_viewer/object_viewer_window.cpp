#include "object_viewer_window.h"

#include <QAction>
#include <QCursor>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QTimer>
#include <utility>

#include "busy_mark.h"
#include "image_control.h"
#include "menu_language.h"
#include "status_bar.h"
#include "tool_window.h"
#include "ui_language.h"

namespace {

const char* const kOpenFilter = "JPEG images (*.jpg;*.jpeg)|*.jpg;*.jpeg;";

// A turntable with a turning arrow: the tool's icon, drawn rather than shipped.
QIcon TurntableIcon() {
    return DrawnIcon([](QPainter& painter) {
        painter.setPen(QPen(QColor(40, 40, 40), 2));
        painter.setBrush(QColor(90, 160, 220));
        painter.drawRect(QRect(11, 5, 10, 14));
        painter.setBrush(QColor(200, 200, 200));
        painter.drawEllipse(QRect(3, 18, 26, 9));
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor(220, 40, 30), 2));
        painter.drawArc(QRect(1, 14, 30, 16), 200 * 16, 140 * 16);
    });
}

std::string NoFramesText(const std::string& where) {
    return UiLanguage == "eng" ? where + ": no JPEG frames (*.jpg, *.jpeg) to show"
                               : where + ": нет кадров JPEG (*.jpg, *.jpeg)";
}

// Shown in the empty window: the commands are on the right mouse button, nothing else says so.
std::string OpenHintText() {
    return UiLanguage == "eng" ? "Right-click to open the frames of a turning object"
                               : "Щёлкните правой кнопкой мыши, чтобы открыть кадры вращения";
}

}  // namespace

TObject_Viewer::TObject_Viewer(QWidget* parent, const std::string& startFile)
    : TToolWindow<QWidget>(parent, Qt::Window) {
    SetUpToolWindow(this, "Photo Object Viewer", TurntableIcon());

    Image1 = MakeImageArea(this);
    Image1->OnMouseDown = [this](QMouseEvent*) { Image1MouseDown(); };
    Image1->OnMouseUp = [this](QMouseEvent*) { Image1MouseUp(); };

    StatusBar1 =
        MakeStatusBar(this, {{200, true}, {200, true}, {150, false}, {300, false}, {50, false}});

    OpenPictureDialog1.Filter = kOpenFilter;
    OpenPictureDialog1.MultiSelect = true;

    PopupMenu2 = MakePopupMenu(this, "PopupMenu2");
    Open2 = MakeMenuItem(PopupMenu2, "Open2", "Open");
    PopupMenu2->addSeparator();
    Mono2 = MakeMenuItem(PopupMenu2, "Mono2", "Mono");
    Anaglyph2 = MakeMenuItem(PopupMenu2, "Anaglyph2", "Anaglyph");
    Horizontalinterlace1 =
        MakeMenuItem(PopupMenu2, "Horizontalinterlace1", "Horizontal interlace");
    Verticalinterlace2 = MakeMenuItem(PopupMenu2, "Verticalinterlace2", "Vertical interlace");
    PopupMenu2->addSeparator();
    Swapimages2 = MakeMenuItem(PopupMenu2, "Swapimages2", "Swap images");
    PopupMenu2->addSeparator();
    Inverserotation2 = MakeMenuItem(PopupMenu2, "Inverserotation2", "Inverse rotation");
    PopupMenu2->addSeparator();
    Autorotate2 = MakeMenuItem(PopupMenu2, "Autorotate2", "Auto rotate");

    ModeGroup =
        MakeExclusiveGroup(this, {Mono2, Anaglyph2, Horizontalinterlace1, Verticalinterlace2});
    Anaglyph2->setChecked(true);
    for (QAction* check : {Swapimages2, Inverserotation2, Autorotate2}) check->setCheckable(true);
    // Modes and the swap only change their check marks; the next draw follows them.
    OnTriggered({Open2}, [this] { Open2Click(); });

    // The pop-up menu opens over the display and the margins around it alike. A button held
    // for it is no drag: the menu takes the mouse and its release never reaches Image1.
    PopUpOnRightClick(this, PopupMenu2);
    connect(PopupMenu2, &QMenu::aboutToShow, this, [this] { rotation_.DragActive = false; });

    PointerPosition = [] { return QCursor::pos(); };
    OuterFrame = [this] { return frameGeometry(); };

    Timer1 = MakeTimer(this, "Timer1", 10, [this] { Timer1Timer(); }, false);  // runs while shown
    Timer2 = MakeTimer(this, "Timer2", 1000, [this] { Timer2Timer(); });
    Image1->SetEmptyHint(OpenHintText());
    fillTimer_ = new QTimer(this);
    fillTimer_->setInterval(0);
    connect(fillTimer_, &QTimer::timeout, this, Guarded([this] { FillCacheWhileIdle(); }));

    ForwardEvents({[this](int key, Qt::KeyboardModifiers) { FormKeyDown(key); },
                   [this](int, Qt::KeyboardModifiers) { FormKeyUp(); }, [this] { FormResize(); }});
    resize(807, 619);  // the client area at creation
    LayoutImageOverStatusBar(this, Image1, StatusBar1);

    if (!startFile.empty()) LoadCommandLineFolder(startFile);
}

QRect TObject_Viewer::ImageArea() const { return QRect(0, 0, width(), StatusBar1->y()); }

void TObject_Viewer::LoadCommandLineFolder(const std::string& file) {
    FrameLoadResult loaded = LoadFrameFolder(file);
    if (!loaded.unlistableFolder.empty()) {
        ShowMessage("Ошибка открытия каталога " + loaded.unlistableFolder);
        return;
    }
    if (loaded.frames.empty()) {
        const std::string problems = LoadProblemsText(loaded, UiLanguage);
        ShowMessage(NoFramesText(FolderSearchPattern(file)) +
                    (problems.empty() ? "" : "\n" + problems));
        return;
    }
    TakeSequence(loaded);
    Autorotate2->setChecked(true);
}

void TObject_Viewer::TakeSequence(FrameLoadResult& loaded) {
    frames_ = std::move(loaded.frames);
    rotation_.FrameCount = static_cast<int32_t>(frames_.size());
    rotation_.CurrentFrame = 0;
    sequenceLoaded_ = true;
    cache_.Reset(0, 0, 0);  // every picture kept belonged to the old sequence
    const std::string problems = LoadProblemsText(loaded, UiLanguage);
    if (!problems.empty()) ShowMessage(problems);
}

void TObject_Viewer::Open2Click() {
    if (!OpenPictureDialog1.Execute()) return;
    // The new frames are read into a temporary first: a selection without a single readable
    // frame leaves the sequence on show as it was.
    FrameLoadResult loaded = LoadFrameFiles(OpenPictureDialog1.Files);
    if (loaded.frames.empty()) {
        const std::string problems = LoadProblemsText(loaded, UiLanguage);
        const std::string first =
            OpenPictureDialog1.Files.empty() ? std::string() : OpenPictureDialog1.Files.front();
        ShowMessage(problems.empty() ? NoFramesText(first) : problems);
        return;
    }
    TakeSequence(loaded);
    Draw1Click();
}

ObjectViewMode TObject_Viewer::CheckedMode(bool& any) const {
    any = true;
    if (Mono2->isChecked()) return ObjectViewMode::Mono;
    if (Horizontalinterlace1->isChecked()) return ObjectViewMode::HorizontalInterlace;
    if (Verticalinterlace2->isChecked()) return ObjectViewMode::VerticalInterlace;
    any = Anaglyph2->isChecked();
    return ObjectViewMode::Anaglyph;
}

void TObject_Viewer::Draw1Click() {
    if (!sequenceLoaded_) return;
    const ObjectFrame& first = frames_.front();
    const QRect area = ImageArea();
    const DisplayFit fit = FitDisplay(first.width, first.height, area.width(), area.height());
    Image1->setGeometry(fit.left, fit.top, fit.width, fit.height);

    bool anyMode = false;
    const ObjectViewMode mode = CheckedMode(anyMode);
    StatusBar1->SetPanelText(
        0, FrameStatusText(mode, rotation_.CurrentFrame, rotation_.FrameCount, UiLanguage));
    StatusBar1->SetPanelText(1, ResolutionText(first.width, first.height, UiLanguage));

    TBitmap& picture = Image1->Picture();
    if (picture.Width() != fit.width || picture.Height() != fit.height)
        picture.SetSize(fit.width, fit.height);
    if (!cache_.Matches(rotation_.FrameCount, fit.width, fit.height))
        cache_.Reset(rotation_.FrameCount, fit.width, fit.height);
    if (anyMode)
        cache_.Render(frames_, rotation_.CurrentFrame, mode, Swapimages2->isChecked(), picture);
    Image1->Changed();
    ReportDamagedFrames();
    if (!fillTimer_->isActive()) fillTimer_->start();
}

// One box at a time: ticks and idle filling go on while a box stands and may meet more damaged
// frames. Those are told in the next box once it closes, not in boxes piled on top of it.
void TObject_Viewer::ReportDamagedFrames() {
    if (reportOpen_) return;
    BusyMark open(reportOpen_);
    for (;;) {
        std::string text;
        for (const SkippedFrame& damaged : cache_.TakeDamageReports())
            text += (text.empty() ? "" : "\n") + damaged.path + ": " + damaged.reason;
        if (text.empty()) return;
        ShowMessage(text);
    }
}

void TObject_Viewer::FillCacheWhileIdle() {
    if (!sequenceLoaded_ || !isVisible() ||
        !cache_.FillOne(frames_, rotation_.CurrentFrame, Inverserotation2->isChecked() ? -1 : 1))
        fillTimer_->stop();
    ReportDamagedFrames();
}

void TObject_Viewer::Timer1Timer() {
    if (tickBusy_) return;
    BusyMark busy(tickBusy_);
    if (!sequenceLoaded_) return;
    rotation_.AutoRotate = Autorotate2->isChecked();
    rotation_.InverseRotation = Inverserotation2->isChecked();
    PointerSpan pointer;
    if (rotation_.DragActive) {
        const QRect frame = OuterFrame();
        pointer = PointerSpan{PointerPosition().x(), frame.left(), frame.width()};
    }
    const int32_t steps = RotationTick(rotation_, pointer);
    if (Autorotate2->isChecked() != rotation_.AutoRotate) Autorotate2->setChecked(rotation_.AutoRotate);
    if (steps > 0) Draw1Click();
}

void TObject_Viewer::Timer2Timer() {
    ApplyMenuLanguage({
        {Open2, "Open", "Открыть"},
        {Mono2, "Mono", "Моно"},
        {Anaglyph2, "Anaglyph", "Анаглиф"},
        {Horizontalinterlace1, "Horizontal interlace", "Строчная развертка"},
        {Verticalinterlace2, "Vertical interlace", "Столбцовая развертка"},
        {Swapimages2, "Swap images", "Обменять изображения местами"},
        {Inverserotation2, "Inverse rotation", "Вращение в другую стророну"},
        {Autorotate2, "Auto rotate", "Авто вращение"},
    });
    Image1->SetEmptyHint(OpenHintText());
}

void TObject_Viewer::Image1MouseDown() { rotation_.DragActive = true; }
void TObject_Viewer::Image1MouseUp() { rotation_.DragActive = false; }

void TObject_Viewer::FormKeyDown(int key) {
    rotation_.KeyDirection = key == Qt::Key_Left ? -1 : key == Qt::Key_Right ? 1 : 0;
}

void TObject_Viewer::FormKeyUp() { rotation_.KeyDirection = 0; }

// The display is fitted into the client area above the status bar (what the old desktop's
// "outer size minus frame" arithmetic meant), so it fills the window on any desktop.
void TObject_Viewer::FormResize() {
    LayoutImageOverStatusBar(this, Image1, StatusBar1);
    if (sequenceLoaded_) Draw1Click();
}

// The tick and the idle filling run while the window is on the screen; a hidden viewer keeps
// its state and costs nothing.
void TObject_Viewer::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Timer1->start();
    if (sequenceLoaded_) fillTimer_->start();
}

void TObject_Viewer::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    Timer1->stop();
    fillTimer_->stop();
    rotation_.DragActive = false;
    rotation_.KeyDirection = 0;
}
