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
    Dialogs.OpenPictureDialog1.Filter = kOpenFilter;
    Dialogs.OpenPictureDialog1.FilterIndex = 1;
    Dialogs.SavePictureDialog1.Filter = kSaveFilter;
    Dialogs.SavePictureDialog1.FilterIndex = 1;
    BuildMenus();
    WireCommands();

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
    Menu.PopupMenu1 = MakePopupMenu(this, "PopupMenu1");
    QMenu* menu = Menu.PopupMenu1;
    Menu.Open1 = MakeMenuItem(menu, "Open1", "Open", QKeySequence("Ctrl+O"));
    menu->addSeparator();
    Menu.Next1 = MakeMenuItem(menu, "Next1", "Next", QKeySequence("Ctrl+N"));
    Menu.Previous1 = MakeMenuItem(menu, "Previous1", "Previous", QKeySequence("Ctrl+P"));
    menu->addSeparator();
    Menu.Copytoclipboard1 = MakeMenuItem(menu, "Copytoclipboard1", "Copy to clipboard");
    Menu.Save1 = MakeMenuItem(menu, "Save1", "Save");
    menu->addSeparator();
    Menu.Printsetup1 = MakeMenuItem(menu, "Printsetup1", "Print setup");
    Menu.Print1 = MakeMenuItem(menu, "Print1", "Print");
    menu->addSeparator();
    Menu.Arrow1 = MakeMenuItem(menu, "Arrow1", "Arrow");
    Menu.Hand1 = MakeMenuItem(menu, "Hand1", "Hand");
    Menu.Cross1 = MakeMenuItem(menu, "Cross1", "Cross");

    Menu.MouseModeGroup = MakeExclusiveGroup(this, {Menu.Arrow1, Menu.Hand1, Menu.Cross1});
    Menu.Arrow1->setChecked(true);

    Menu.PopupMenu2 = MakePopupMenu(this, "PopupMenu2");
    Menu.Redraw1 = MakeMenuItem(Menu.PopupMenu2, "Redraw1", "Redraw");
    Menu.Qualify1 = MakeMenuItem(Menu.PopupMenu2, "Qualify1", "Qualify");

    connect(Menu.PopupMenu1, &QMenu::aboutToShow, this, [this] { EndMouseSteering(); });
    PopUpOnRightClick(Image1, Menu.PopupMenu1);
}

// Menu items, the window-wide keys that run the same handlers, and the two timers.
void TPanorama_Viewer::WireCommands() {
    // Open, Next and Previous also answer their keys through shortcuts of the whole window.
    Shortcuts.Action1 = MakeShortcut(this, "Action1", QKeySequence("Ctrl+O"));
    OnTriggered({Menu.Open1, Shortcuts.Action1}, [this] { Open1Click(); });
    Shortcuts.Action2 = MakeShortcut(this, "Action2", QKeySequence("Ctrl+N"));
    OnTriggered({Menu.Next1, Shortcuts.Action2}, [this] { Next1Click(); });
    Shortcuts.Action3 = MakeShortcut(this, "Action3", QKeySequence("Ctrl+P"));
    OnTriggered({Menu.Previous1, Shortcuts.Action3}, [this] { Previous1Click(); });
    using Handler = void (TPanorama_Viewer::*)();
    const std::pair<QAction*, Handler> itemsOnly[] = {
        {Menu.Copytoclipboard1, &TPanorama_Viewer::Copytoclipboard1Click},
        {Menu.Save1, &TPanorama_Viewer::Save1Click},
        {Menu.Printsetup1, &TPanorama_Viewer::Printsetup1Click},
        {Menu.Print1, &TPanorama_Viewer::Print1Click},
        {Menu.Arrow1, &TPanorama_Viewer::Arrow1Click},
        {Menu.Hand1, &TPanorama_Viewer::Hand1Click},
        {Menu.Cross1, &TPanorama_Viewer::Cross1Click},
        {Menu.Redraw1, &TPanorama_Viewer::Redraw1Click},
        {Menu.Qualify1, &TPanorama_Viewer::Qualify1Click}};
    for (const auto& [item, handler] : itemsOnly)
        OnTriggered({item}, [this, handler = handler] { (this->*handler)(); });
    ForwardEvents({[this](int key, Qt::KeyboardModifiers shift) { FormKeyDown(key, shift); },
                   [this](int key, Qt::KeyboardModifiers shift) { FormKeyUp(key, shift); },
                   [this] { FormResize(); }, Menu.PopupMenu1});
    Timers.Timer1 = MakeTimer(this, "Timer1", 10, [this] { Redraw1Click(); });
    Timers.Timer2 = MakeTimer(this, "Timer2", 1000, [this] { Timer2Timer(); });
}

// ---------------------------------------------------------------------------------------------
// Opening and walking the folder

void TPanorama_Viewer::Open1Click(const std::string& path) {
    const std::optional<std::string> chosen = held_.files.Choose(Dialogs.OpenPictureDialog1, path);
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

    held_.pixels = std::move(fresh);
    render_.view.alpha = opened.startAlpha.value_or(0.0);
    render_.view.betta = opened.startBetta.value_or(0.0);
    render_.view.gamma = 0.0;
    render_.view.RequestRender();  // fov and the key steps keep their values
    std::string caption = std::string(kCaption) + " - " + file;
    if (opened.partial) caption += " - " + CoverageText(opened);
    if (!opened.ignoredReason.empty()) caption += " - metadata ignored: " + opened.ignoredReason;
    SetCaption(this, caption);
    held_.loaded = true;
    held_.damageNotices.Tell(file, opened.decodeReport);
}

void TPanorama_Viewer::StepThroughFolder(int step) {
    if (held_.loaded) held_.files.Step(step, [this](const std::string& file) { Open1Click(file); });
}

void TPanorama_Viewer::Next1Click() { StepThroughFolder(+1); }
void TPanorama_Viewer::Previous1Click() { StepThroughFolder(-1); }

// ---------------------------------------------------------------------------------------------
// Steering

void TPanorama_Viewer::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    if (!held_.loaded) return;
    const KeyDownAction action =
        SteerKeyDown(render_.view, render_.steering, ToSteerKey(key, modifiers),
                     modifiers.testFlag(Qt::ControlModifier));
    if (action == KeyDownAction::Qualify) Qualify1Click();
}

void TPanorama_Viewer::FormKeyUp(int key, Qt::KeyboardModifiers modifiers) {
    switch (SteerKeyUp(render_.steering, ToSteerKey(key, modifiers))) {
        case KeyUpAction::Next: Next1Click(); break;
        case KeyUpAction::Previous: Previous1Click(); break;
        case KeyUpAction::None: break;
    }
}

void TPanorama_Viewer::FormMouseWheel(int wheelDelta) { SteerWheel(render_.view, wheelDelta); }

void TPanorama_Viewer::Image1MouseDown(Qt::MouseButton button, int X, int Y) {
    SteerMouseDown(render_.steering, X, Y, button == Qt::LeftButton);
}

void TPanorama_Viewer::Image1MouseMove(int X, int Y) {
    SteerMouseMove(render_.view, render_.steering, X, Y, Image1->width(), Image1->height());
}

void TPanorama_Viewer::Image1MouseUp(Qt::MouseButton, int, int) { SteerMouseUp(render_.steering); }

void TPanorama_Viewer::EndMouseSteering() { SteerMouseUp(render_.steering); }

void TPanorama_Viewer::SetMouseMode(MouseMode mode) {
    render_.steering.mouseMode = mode;
    switch (mode) {
        case MouseMode::Arrow:
            Menu.Arrow1->setChecked(true);
            Image1->setCursor(Qt::ArrowCursor);
            break;
        case MouseMode::Hand:
            Menu.Hand1->setChecked(true);
            Image1->setCursor(Qt::PointingHandCursor);
            break;
        case MouseMode::Cross:
            Menu.Cross1->setChecked(true);
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
    if (render_.steering.buttonHeld && !(QGuiApplication::mouseButtons() & Qt::LeftButton))
        EndMouseSteering();
    FrameHooks hooks;
    hooks.repaint = [this] { Image1->repaint(); };
    hooks.setPanel = [this](int panel, const std::string& text) {
        StatusBar1->SetPanelText(panel, text);
    };
    FrameResult frame = render_.renderer.Frame(render_.view, render_.steering,
                                               held_.loaded ? &held_.pixels : nullptr,
                                               Image1->Picture(), hooks);
    if (!frame.rendered) return;
    render_.lastFrame = std::move(frame);
    // A frame longer than the tick leaves the timer overdue, and the next frame would start at
    // once: restarting counts the interval from the frame's end, so the ticks that fell inside
    // a slow frame are skipped, never stacked. Faster frames keep the timer's own pace, which
    // sets how fast held keys and buttons steer.
    QTimer* timer = Timers.Timer1;
    if (timer->isActive() && render_.lastFrame.timings.total >= int64_t{timer->interval()} * 1000)
        timer->start();
}

void TPanorama_Viewer::Qualify1Click() {
    render_.renderer.Qualify(Image1->Picture());
    Image1->Changed();
}

// ---------------------------------------------------------------------------------------------
// Copy, save, print

bool TPanorama_Viewer::ViewAvailable() {
    if (held_.loaded) return true;
    ShowMessage(UiLanguage == "eng" ? "Open file before!" : "Сначала откройте файл!");
    return false;
}

void TPanorama_Viewer::Copytoclipboard1Click() {
    if (!ViewAvailable()) return;
    CopyBitmapToClipboard(Image1->Picture());
}

void TPanorama_Viewer::Save1Click() {
    if (!ViewAvailable()) return;
    TSaveDialog& dialog = Dialogs.SavePictureDialog1;
    if (!dialog.Execute()) return;
    const SaveTarget target = ChooseSaveTarget(dialog.FileName, dialog.FilterIndex);
    if (target.format == SaveFormat::Bmp)
        SaveBmpFile(Image1->Picture(), target.path);
    else
        SaveJpegFile(Image1->Picture(), target.path, kSavedViewJpegQuality);
}

void TPanorama_Viewer::Printsetup1Click() { Dialogs.PrinterSetupDialog1.Execute(); }

void TPanorama_Viewer::Print1Click() {
    if (!ViewAvailable()) return;
    if (Dialogs.PrintDialog1.Execute()) PrintBitmap(Image1->Picture());
}

// ---------------------------------------------------------------------------------------------
// Window

// The view fills the client area above the status bar; its bitmap is the view's size.
void TPanorama_Viewer::FormResize() {
    render_.view.RequestRender();
    const int viewHeight = LayoutImageOverStatusBar(this, Image1, StatusBar1);
    if (Image1->Picture().Width() != width() || Image1->Picture().Height() != viewHeight)
        Image1->Picture().SetSize(width(), viewHeight);
    Image1->Changed();
}

void TPanorama_Viewer::FormClose() {
    if (!held_.loaded) return;
    held_.pixels = PanoramaPixels();
    held_.loaded = false;
    Image1->Picture().SetSize(1, 1);
    Image1->resize(1, 1);
    render_.renderer.ReleaseBuffers();
    // The size, angles and frame rate were those of the released panorama. The caption stays
    // as it is: the window only hides.
    for (int panel = 0; panel < StatusBar1->PanelCount(); ++panel) StatusBar1->SetPanelText(panel, "");
}

void TPanorama_Viewer::Timer2Timer() {
    ApplyMenuLanguage({
        {Menu.Open1, "Open", "Открыть"},
        {Menu.Next1, "Next", "Далее"},
        {Menu.Previous1, "Previous", "Назад"},
        {Menu.Save1, "Save", "Сохранить"},
        {Menu.Copytoclipboard1, "Copy to clipboard", "Копировать в буфер"},
        {Menu.Printsetup1, "Print setup", "Настройка печати"},
        {Menu.Print1, "Print", "Печать"},
        {Menu.Arrow1, "Arrow", "Стрелка"},
        {Menu.Hand1, "Hand", "Рука"},
        {Menu.Cross1, "Cross", "Крест"},
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
