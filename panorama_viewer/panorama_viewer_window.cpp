#include "panorama_viewer_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <optional>
#include <utility>

#include "bmp_file.h"
#include "file_error.h"
#include "image_control.h"
#include "jpeg_image.h"
#include "printing.h"
#include "memory_question.h"
#include "menu_language.h"
#include "partial_panorama.h"
#include "status_bar.h"
#include "tool_window.h"
#include "ui_language.h"
#include "view_saving.h"

namespace {

const char* const kOpenFilter =
    "JPEG Image File (*.jpg;*.jpeg)|*.jpg;*.jpeg|All files (*)|*";
const char* const kSaveFilter = "JPEG Image File (*.jpg)|*.jpg|Bitmaps (*.bmp)|*.bmp";
const char* const kCaption = "Panorama Viewer";

// The keys the steering knows. Arrow keys may arrive with the keypad flag (X11 reports the
// cursor block that way); only minus, plus and slash care where they came from.
SteerKey ToSteerKey(int key, Qt::KeyboardModifiers modifiers) {
    const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
    switch (key) {
        case Qt::Key_Left: return SteerKey::Left;
        case Qt::Key_Right: return SteerKey::Right;
        case Qt::Key_Up: return SteerKey::Up;
        case Qt::Key_Down: return SteerKey::Down;
        case Qt::Key_PageUp: return SteerKey::PageUp;
        case Qt::Key_PageDown: return SteerKey::PageDown;
        case Qt::Key_F1: return SteerKey::F1;
        case Qt::Key_Minus: return keypad ? SteerKey::KeypadMinus : SteerKey::Other;
        case Qt::Key_Plus: return keypad ? SteerKey::KeypadPlus : SteerKey::Other;
        case Qt::Key_Slash: return keypad ? SteerKey::KeypadDivide : SteerKey::Other;
        case Qt::Key_Space: return SteerKey::Space;
        case Qt::Key_Backspace: return SteerKey::Backspace;
        default: return SteerKey::Other;
    }
}

// A globe with a meridian and the equator: the tool's icon, drawn rather than shipped.
QIcon PanoramaIcon() {
    return DrawnIcon([](QPainter& painter) {
        painter.setPen(QPen(QColor(30, 60, 120), 2));
        painter.setBrush(QColor(90, 160, 230));
        painter.drawEllipse(QRect(3, 3, 26, 26));
        painter.drawEllipse(QRect(10, 3, 12, 26));
        painter.drawLine(3, 16, 29, 16);
    });
}

}  // namespace

TPanorama_Viewer::TPanorama_Viewer(QWidget* parent)
    : TToolWindow<QWidget>(parent, Qt::Window) {
    SetUpToolWindow(this, kCaption, PanoramaIcon());

    BuildView();
    OpenPictureDialog1.Filter = kOpenFilter;
    OpenPictureDialog1.FilterIndex = 1;
    SavePictureDialog1.Filter = kSaveFilter;
    SavePictureDialog1.FilterIndex = 1;
    BuildMenus();
    WireCommands();
    BuildTimers();

    move(0, 0);
    resize(800, 600);  // the client area
    FormResize();
}

void TPanorama_Viewer::BuildView() {
    Image1 = MakeImageArea(this);
    Image1->OnMouseDown = [this](QMouseEvent* e) {
        const QPoint at = e->position().toPoint();
        Image1MouseDown(e->button(), at.x(), at.y());
    };
    Image1->OnMouseMove = [this](QMouseEvent* e) {
        const QPoint at = e->position().toPoint();
        Image1MouseMove(at.x(), at.y());
    };
    Image1->OnMouseUp = [this](QMouseEvent* e) {
        const QPoint at = e->position().toPoint();
        Image1MouseUp(e->button(), at.x(), at.y());
    };
    Image1->OnDoubleClick = [this](QMouseEvent* e) {
        if (e->button() == Qt::LeftButton) Open1Click();  // as on the window itself
    };
    // The wheel over the view zooms, however it arrives.
    ForwardWheel(this, {this, Image1}, [this](int delta) { FormMouseWheel(delta); });

    StatusBar1 =
        MakeStatusBar(this, {{100, true}, {250, true}, {100, true}, {100, true}, {50, false}});
}

void TPanorama_Viewer::BuildMenus() {
    PopupMenu1 = MakePopupMenu(this, "PopupMenu1");
    QMenu* menu = PopupMenu1;
    Open1 = MakeMenuItem(menu, "Open1", "Open", QKeySequence("Ctrl+O"));
    menu->addSeparator();
    Next1 = MakeMenuItem(menu, "Next1", "Next", QKeySequence("Ctrl+N"));
    Previous1 = MakeMenuItem(menu, "Previous1", "Previous", QKeySequence("Ctrl+P"));
    menu->addSeparator();
    Copytoclipboard1 = MakeMenuItem(menu, "Copytoclipboard1", "Copy to clipboard");
    Save1 = MakeMenuItem(menu, "Save1", "Save");
    menu->addSeparator();
    Printsetup1 = MakeMenuItem(menu, "Printsetup1", "Print setup");
    Print1 = MakeMenuItem(menu, "Print1", "Print");
    menu->addSeparator();
    Arrow1 = MakeMenuItem(menu, "Arrow1", "Arrow");
    Hand1 = MakeMenuItem(menu, "Hand1", "Hand");
    Cross1 = MakeMenuItem(menu, "Cross1", "Cross");

    MouseModeGroup = MakeExclusiveGroup(this, {Arrow1, Hand1, Cross1});
    Arrow1->setChecked(true);

    PopupMenu2 = MakePopupMenu(this, "PopupMenu2");
    Redraw1 = MakeMenuItem(PopupMenu2, "Redraw1", "Redraw");
    Qualify1 = MakeMenuItem(PopupMenu2, "Qualify1", "Qualify");

    connect(PopupMenu1, &QMenu::aboutToShow, this, [this] { EndMouseSteering(); });
    PopUpOnRightClick(Image1, PopupMenu1);
}

// Menu items and the window-wide keys that run the same handlers.
void TPanorama_Viewer::WireCommands() {
    Action1 = MakeShortcut(this, "Action1", QKeySequence("Ctrl+O"));
    Action2 = MakeShortcut(this, "Action2", QKeySequence("Ctrl+N"));
    Action3 = MakeShortcut(this, "Action3", QKeySequence("Ctrl+P"));
    OnTriggered({Open1, Action1}, [this] { Open1Click(); });
    OnTriggered({Next1, Action2}, [this] { Next1Click(); });
    OnTriggered({Previous1, Action3}, [this] { Previous1Click(); });
    OnTriggered({Copytoclipboard1}, [this] { Copytoclipboard1Click(); });
    OnTriggered({Save1}, [this] { Save1Click(); });
    OnTriggered({Printsetup1}, [this] { Printsetup1Click(); });
    OnTriggered({Print1}, [this] { Print1Click(); });
    OnTriggered({Arrow1}, [this] { Arrow1Click(); });
    OnTriggered({Hand1}, [this] { Hand1Click(); });
    OnTriggered({Cross1}, [this] { Cross1Click(); });
    OnTriggered({Redraw1}, [this] { Redraw1Click(); });
    OnTriggered({Qualify1}, [this] { Qualify1Click(); });
    ForwardEvents({[this](int key, Qt::KeyboardModifiers shift) { FormKeyDown(key, shift); },
                   [this](int key, Qt::KeyboardModifiers shift) { FormKeyUp(key, shift); },
                   [this] { FormResize(); }, PopupMenu1});
}

void TPanorama_Viewer::BuildTimers() {
    Timer1 = MakeTimer(this, "Timer1", 10, [this] { Redraw1Click(); });
    Timer2 = MakeTimer(this, "Timer2", 1000, [this] { Timer2Timer(); });
}

// ---------------------------------------------------------------------------------------------
// Opening and walking the folder

void TPanorama_Viewer::Open1Click(const std::string& path) {
    const std::optional<std::string> chosen = files_.Choose(OpenPictureDialog1, path);
    if (!chosen) return;
    const std::string& file = *chosen;
    // Decoding, the size check and the packing all happen before the held panorama is let go,
    // so a failure leaves the window showing what it showed.
    // A partial panorama arrives already placed into a canvas of the whole sphere.
    PanoramaPicture opened;
    PanoramaPixels fresh;
    if (!WithMemoryQuestion([&] {
            opened = LoadPanoramaPicture(file);
            fresh = NamingFileInErrors(file,
                                       [&] { return PanoramaPixels::FromBitmap(opened.picture); });
        }))
        return;

    panorama_ = std::move(fresh);
    view_.alpha = opened.startAlpha.value_or(0.0);
    view_.betta = opened.startBetta.value_or(0.0);
    view_.gamma = 0.0;
    view_.RequestRender();  // fov and the key steps keep their values
    std::string caption = std::string(kCaption) + " - " + file;
    if (opened.partial) caption += " - " + CoverageText(opened);
    if (!opened.ignoredReason.empty()) caption += " - metadata ignored: " + opened.ignoredReason;
    SetCaption(this, caption);
    loaded_ = true;
    damageNotices_.Tell(file, opened.decodeReport);
}

void TPanorama_Viewer::StepThroughFolder(int step) {
    if (loaded_) files_.Step(step, [this](const std::string& file) { Open1Click(file); });
}

void TPanorama_Viewer::Next1Click() { StepThroughFolder(+1); }
void TPanorama_Viewer::Previous1Click() { StepThroughFolder(-1); }

// ---------------------------------------------------------------------------------------------
// Steering

void TPanorama_Viewer::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    if (!loaded_) return;
    const KeyDownAction action = SteerKeyDown(view_, steering_, ToSteerKey(key, modifiers),
                                              modifiers.testFlag(Qt::ControlModifier));
    if (action == KeyDownAction::Qualify) Qualify1Click();
}

void TPanorama_Viewer::FormKeyUp(int key, Qt::KeyboardModifiers modifiers) {
    switch (SteerKeyUp(steering_, ToSteerKey(key, modifiers))) {
        case KeyUpAction::Next: Next1Click(); break;
        case KeyUpAction::Previous: Previous1Click(); break;
        case KeyUpAction::None: break;
    }
}

void TPanorama_Viewer::FormMouseWheel(int wheelDelta) { SteerWheel(view_, wheelDelta); }

void TPanorama_Viewer::Image1MouseDown(Qt::MouseButton button, int X, int Y) {
    SteerMouseDown(steering_, X, Y, button == Qt::LeftButton);
}

void TPanorama_Viewer::Image1MouseMove(int X, int Y) {
    SteerMouseMove(view_, steering_, X, Y, Image1->width(), Image1->height());
}

void TPanorama_Viewer::Image1MouseUp(Qt::MouseButton, int, int) { SteerMouseUp(steering_); }

void TPanorama_Viewer::EndMouseSteering() { SteerMouseUp(steering_); }

void TPanorama_Viewer::SetMouseMode(MouseMode mode) {
    steering_.mouseMode = mode;
    switch (mode) {
        case MouseMode::Arrow:
            Arrow1->setChecked(true);
            Image1->setCursor(Qt::ArrowCursor);
            break;
        case MouseMode::Hand:
            Hand1->setChecked(true);
            Image1->setCursor(Qt::PointingHandCursor);
            break;
        case MouseMode::Cross:
            Cross1->setChecked(true);
            Image1->setCursor(Qt::CrossCursor);
            break;
    }
}

void TPanorama_Viewer::Arrow1Click() { SetMouseMode(MouseMode::Arrow); }
void TPanorama_Viewer::Hand1Click() { SetMouseMode(MouseMode::Hand); }
void TPanorama_Viewer::Cross1Click() { SetMouseMode(MouseMode::Cross); }

// ---------------------------------------------------------------------------------------------
// Rendering

void TPanorama_Viewer::Redraw1Click() {
    // The press started steering; only the real button state tells that it is still held.
    if (steering_.buttonHeld && !(QGuiApplication::mouseButtons() & Qt::LeftButton))
        EndMouseSteering();
    FrameHooks hooks;
    hooks.repaint = [this] { Image1->repaint(); };
    hooks.setPanel = [this](int panel, const std::string& text) {
        StatusBar1->SetPanelText(panel, text);
    };
    FrameResult frame =
        renderer_.Frame(view_, steering_, loaded_ ? &panorama_ : nullptr, Image1->Picture(), hooks);
    if (!frame.rendered) return;
    lastFrame_ = std::move(frame);
    // A frame longer than the tick leaves the timer overdue, and the next frame would start at
    // once: restarting counts the interval from the frame's end, so the ticks that fell inside
    // a slow frame are skipped, never stacked. Faster frames keep the timer's own pace, which
    // sets how fast held keys and buttons steer.
    if (Timer1->isActive() && lastFrame_.timings.total >= int64_t{Timer1->interval()} * 1000)
        Timer1->start();
}

void TPanorama_Viewer::Qualify1Click() {
    renderer_.Qualify(Image1->Picture());
    Image1->Changed();
}

// ---------------------------------------------------------------------------------------------
// Copy, save, print

bool TPanorama_Viewer::ViewAvailable() {
    if (loaded_) return true;
    ShowMessage(UiLanguage == "eng" ? "Open file before!" : "Сначала откройте файл!");
    return false;
}

void TPanorama_Viewer::Copytoclipboard1Click() {
    if (!ViewAvailable()) return;
    CopyBitmapToClipboard(Image1->Picture());
}

void TPanorama_Viewer::Save1Click() {
    if (!ViewAvailable()) return;
    if (!SavePictureDialog1.Execute()) return;
    const SaveTarget target =
        ChooseSaveTarget(SavePictureDialog1.FileName, SavePictureDialog1.FilterIndex);
    if (target.format == SaveFormat::Bmp)
        SaveBmpFile(Image1->Picture(), target.path);
    else
        SaveJpegFile(Image1->Picture(), target.path, kSavedViewJpegQuality);
}

void TPanorama_Viewer::Printsetup1Click() { PrinterSetupDialog1.Execute(); }

void TPanorama_Viewer::Print1Click() {
    if (!ViewAvailable()) return;
    if (PrintDialog1.Execute()) PrintBitmap(Image1->Picture());
}

// ---------------------------------------------------------------------------------------------
// Window

// The view fills the client area above the status bar; its bitmap is the view's size.
void TPanorama_Viewer::FormResize() {
    view_.RequestRender();
    const int viewHeight = LayoutImageOverStatusBar(this, Image1, StatusBar1);
    if (Image1->Picture().Width() != width() || Image1->Picture().Height() != viewHeight)
        Image1->Picture().SetSize(width(), viewHeight);
    Image1->Changed();
}

void TPanorama_Viewer::FormClose() {
    if (!loaded_) return;
    panorama_ = PanoramaPixels();
    loaded_ = false;
    Image1->Picture().SetSize(1, 1);
    Image1->resize(1, 1);
    renderer_.ReleaseBuffers();
    // The size, angles and frame rate were those of the released panorama. The caption stays
    // as it is: the window only hides.
    for (int panel = 0; panel < StatusBar1->PanelCount(); ++panel) StatusBar1->SetPanelText(panel, "");
}

void TPanorama_Viewer::Timer2Timer() {
    ApplyMenuLanguage({
        {Open1, "Open", "Открыть"},
        {Next1, "Next", "Далее"},
        {Previous1, "Previous", "Назад"},
        {Save1, "Save", "Сохранить"},
        {Copytoclipboard1, "Copy to clipboard", "Копировать в буфер"},
        {Printsetup1, "Print setup", "Настройка печати"},
        {Print1, "Print", "Печать"},
        {Arrow1, "Arrow", "Стрелка"},
        {Hand1, "Hand", "Рука"},
        {Cross1, "Cross", "Крест"},
    });
}

// Showing the window again after a close gives the view its size back at once, rather than
// leaving a 1 x 1 view until the user happens to resize the window.
void TPanorama_Viewer::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (Image1->width() != width() || Image1->Picture().Width() != width()) FormResize();
}

void TPanorama_Viewer::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();  // the window only hides; it lives as long as the program
}

void TPanorama_Viewer::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) Open1Click();
}

void TPanorama_Viewer::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    EndMouseSteering();
}
