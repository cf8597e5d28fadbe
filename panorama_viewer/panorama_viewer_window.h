#pragma once
#include <QWidget>
#include <string>

#include "damage_notices.h"
#include "dialogs.h"
#include "guarded.h"
#include "panorama_renderer.h"
#include "panorama_steering.h"
#include "picture_walk.h"
#include "tool_window.h"  // the window's base and the controls it is built from

// The Panorama Viewer: opens a full-sphere (equirectangular) panorama JPEG and shows a
// window-sized view of it, steered by keys, wheel and three mouse modes; copies, saves and
// prints the view. Created once; closing hides it and releases the panorama. Its events and
// menu commands run guarded: a failure shows the error box and the command ends there.
class TPanorama_Viewer : public TToolWindow<QWidget> {
    Q_OBJECT
public:
    explicit TPanorama_Viewer(QWidget* parent = nullptr);

    // Controls.
    TImage* Image1 = nullptr;          // the view; its picture is the rendered bitmap
    TStatusBar* StatusBar1 = nullptr;  // size, angles, FOV, FPS, stage timings

    // The two pop-up menus and their items, in menu order.
    struct PanoramaMenu {
        QMenu* PopupMenu1 = nullptr;  // right click on the window or on Image1
        QAction* Open1 = nullptr;
        QAction* Next1 = nullptr;
        QAction* Previous1 = nullptr;
        QAction* Copytoclipboard1 = nullptr;
        QAction* Save1 = nullptr;
        QAction* Printsetup1 = nullptr;
        QAction* Print1 = nullptr;
        QAction* Arrow1 = nullptr;
        QAction* Hand1 = nullptr;
        QAction* Cross1 = nullptr;
        QActionGroup* MouseModeGroup = nullptr;  // Arrow, Hand, Cross: one checked
        QMenu* PopupMenu2 = nullptr;  // Redraw and Qualify; attached to nothing
        QAction* Redraw1 = nullptr;
        QAction* Qualify1 = nullptr;
    };
    PanoramaMenu Menu;

    // Window-wide keyboard commands running the same handlers as the menu items.
    struct PanoramaShortcuts {
        QAction* Action1 = nullptr;  // Ctrl+O  Open
        QAction* Action2 = nullptr;  // Ctrl+N  Next
        QAction* Action3 = nullptr;  // Ctrl+P  Previous
    };
    PanoramaShortcuts Shortcuts;

    struct PanoramaDialogs {
        TOpenDialog OpenPictureDialog1;
        TSaveDialog SavePictureDialog1;
        TPrintDialog PrintDialog1;
        TPrinterSetupDialog PrinterSetupDialog1;
    };
    PanoramaDialogs Dialogs;

    struct PanoramaTimers {
        QTimer* Timer1 = nullptr;  // 10 ms: the renderer
        QTimer* Timer2 = nullptr;  // 1000 ms: menu captions in the current language
    };
    PanoramaTimers Timers;

    // Handlers. Open1Click shows the dialog unless it is handed a path (Next, Previous). A
    // file that does not decode, or a panorama too large to show, throws ImageError out of
    // the handler (the application shows it) and the held panorama stays.
    void Open1Click(const std::string& path = std::string());
    void Next1Click();
    void Previous1Click();
    void FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void FormKeyUp(int key, Qt::KeyboardModifiers modifiers);
    void FormMouseWheel(int wheelDelta);
    void Image1MouseDown(Qt::MouseButton button, int X, int Y);
    void Image1MouseMove(int X, int Y);
    void Image1MouseUp(Qt::MouseButton button, int X, int Y);
    void Arrow1Click();
    void Hand1Click();
    void Cross1Click();
    void Copytoclipboard1Click();
    void Save1Click();
    void Printsetup1Click();
    void Print1Click();
    void FormResize();
    void FormClose();
    void Timer2Timer();
    void Redraw1Click();  // one renderer tick (Timer1)
    void Qualify1Click();

    // Read-only views of the state, for tests and diagnostics.
    const PanoramaView& View() const { return render_.view; }
    const SteeringState& Steering() const { return render_.steering; }
    const PanoramaPixels& Panorama() const { return held_.pixels; }
    bool PanoramaLoaded() const { return held_.loaded; }
    // The picture path last chosen or reached by Next and Previous, also when it failed to
    // open (so the walk goes on past a damaged file); the panorama shown may be an older one.
    const std::string& CurrentFile() const { return held_.files.Current(); }
    const FrameResult& LastFrame() const { return render_.lastFrame; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void BuildView();
    void BuildMenus();
    void WireCommands();  // the menu items, the shortcuts and the timers to their handlers
    void StepThroughFolder(int step);
    void SetMouseMode(MouseMode mode);
    // Mouse steering ends without a release reaching the view: the release may go to a menu or
    // another window, and Arrow mode would otherwise turn the view on every tick.
    void EndMouseSteering();
    bool ViewAvailable();  // a panorama is held; otherwise says so in the current language

    // The panorama held and the folder it came from.
    struct HeldPanorama {
        PanoramaPixels pixels;
        bool loaded = false;
        PictureWalk files{"*.jp*"};
        TDamageNotices damageNotices;
    };
    // The view, its steering and the renderer that draws it.
    struct Rendering {
        PanoramaView view;
        SteeringState steering;
        PanoramaRenderer renderer;
        FrameResult lastFrame;
    };
    HeldPanorama held_;
    Rendering render_;
};
