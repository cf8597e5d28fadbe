#pragma once
#include <QIcon>
#include <QKeySequence>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "guarded.h"
#include "status_bar.h"

class QAction;
class QActionGroup;
class QContextMenuEvent;
class QKeyEvent;
class QMenu;
class QMenuBar;
class QObject;
class QPainter;
class QResizeEvent;
class QTimer;
class QWidget;
class TImage;

// The common plumbing of a tool window, so every window builds menus, captions, layout and
// wheel handling the same way. Handlers wired here run guarded (guarded.h): an exception goes to
// the error box and the command ends there.
//
//   SetUpToolWindow(this, "Stereo Photo Viewer", DrawnIcon([](QPainter& p) { ... }));
//   Image1 = MakeImageArea(this);
//   StatusBar1 = MakeStatusBar(this, {{100, true}, {50, false}});
//   PopupMenu1 = MakePopupMenu(this, "PopupMenu1");
//   PopUpOnRightClick(Image1, PopupMenu1);
//   ModeGroup = MakeExclusiveGroup(this, {Left1, Right1});
//   Timer1 = MakeTimer(this, "Timer1", 1000, [this] { Timer1Timer(); });
//   Open1 = MakeMenuItem(PopupMenu1, "Open1", "Open", QKeySequence("Ctrl+O"));
//   Action1 = MakeShortcut(this, "Action1", QKeySequence("Ctrl+O"));
//   OnTriggered({Open1, Action1}, [this] { Open1Click(); });
//   ForwardWheel(this, {this, Image1}, [this](int delta) { FormMouseWheel(delta); });
//   SetCaption(this, "Stereo Viewer - " + file);            // shows "[*]" in a path as written
//   LayoutImageOverStatusBar(this, Image1, StatusBar1);      // from FormResize
//   ForwardEvents({[this](int k, Qt::KeyboardModifiers s) { FormKeyDown(k, s); }, {},
//                  [this] { FormResize(); }, PopupMenu1});  // in a TToolWindow
//   MainMenu1 = MakeMenuBar(this);
//   QMenu* file = AddMenu(MainMenu1, "File");
//   Open1 = MakeMainMenuItem(this, file, "Open1", "Open", QKeySequence("Ctrl+O"));

// A pop-up menu item named name. With a shortcut the menu shows the key, but the key only
// works while the menu itself has the keyboard: the window-wide MakeShortcut action carries it,
// so one key press never runs a command twice.
QAction* MakeMenuItem(QMenu* menu, const char* name, const char* caption,
                      const QKeySequence& shortcut = QKeySequence());

// The window's menu bar named name; the window places it (from FormResize).
QMenuBar* MakeMenuBar(QWidget* window, const char* name = "MainMenu1");

// A top-level menu of bar captioned caption, named name when one is given.
QMenu* AddMenu(QMenuBar* bar, const char* caption, const char* name = nullptr);

// An item named name of a menu-bar menu. Unlike a pop-up menu's, it belongs to the whole window:
// its key works wherever the focus is in window, and the key triggers the item itself.
QAction* MakeMainMenuItem(QWidget* window, QMenu* menu, const char* name, const char* caption,
                          const QKeySequence& shortcut = QKeySequence());

// A window-wide keyboard command (no menu entry) named name.
QAction* MakeShortcut(QWidget* window, const char* name, const QKeySequence& shortcut);

// Runs handler, guarded, whenever any of the actions is triggered.
void OnTriggered(std::initializer_list<QAction*> actions, const std::function<void()>& handler);

// Sets the window caption as written: Qt would take "[*]" for its modified-mark placeholder.
void SetCaption(QWidget* window, const std::string& caption);

// image fills the client area above bar, bar the rest; returns the image area's height.
int LayoutImageOverStatusBar(QWidget* window, QWidget* image, TStatusBar* bar);

// Every vertical wheel turn over any of sources (the window itself and the controls that
// would otherwise keep it) goes to onWheel, guarded; turns of zero (touchpad phases) are
// dropped. The filter lives as long as window.
void ForwardWheel(QWidget* window, std::initializer_list<QWidget*> sources,
                  std::function<void(int delta)> onWheel);

// Caption, icon (when given) and the tools' font. The window itself takes the keyboard focus,
// so keys reach its FormKeyDown; its controls leave the keyboard to it.
void SetUpToolWindow(QWidget* window, const char* caption, const QIcon& icon = QIcon());

// A 32 x 32 icon that draw paints on a transparent, antialiased canvas: tools draw their icons
// rather than ship them.
QIcon DrawnIcon(const std::function<void(QPainter&)>& draw);

// The image control named name, which never takes the keyboard (keys go to the window).
TImage* MakeImageArea(QWidget* parent, const char* name = "Image1");

// The status bar named name with panels.
TStatusBar* MakeStatusBar(QWidget* parent, const std::vector<TStatusBar::PanelSpec>& panels,
                          const char* name = "StatusBar1");

// An empty pop-up menu named name.
QMenu* MakePopupMenu(QWidget* parent, const char* name);

// A right click on control pops menu up where the click was.
void PopUpOnRightClick(QWidget* control, QMenu* menu);

// Makes items checkable and exclusive: checking one unchecks the others.
QActionGroup* MakeExclusiveGroup(QObject* parent, std::initializer_list<QAction*> items);

// A timer named name that runs onTick, guarded, every intervalMs; started unless start is false.
QTimer* MakeTimer(QObject* parent, const char* name, int intervalMs, std::function<void()> onTick,
                  bool start = true);

// What a tool window does with its own key, resize and pop-up-menu events. A member left empty
// leaves its event to Qt, as a window without the handler would.
struct TWindowEvents {
    std::function<void(int key, Qt::KeyboardModifiers shift)> KeyDown;
    std::function<void(int key, Qt::KeyboardModifiers shift)> KeyUp;  // real releases only
    std::function<void()> Resize;                                     // after Qt's own handling
    QMenu* PopupMenu = nullptr;  // pops up where the request was made
};

namespace tool_window_detail {
// Each returns false when events has no handler for the event.
bool KeyDown(const TWindowEvents& events, QKeyEvent* event);
bool KeyUp(const TWindowEvents& events, QKeyEvent* event);
bool PopUp(const TWindowEvents& events, QContextMenuEvent* event);
}  // namespace tool_window_detail

// Base for tool windows: every event runs guarded (guarded.h), and the window's own key,
// resize and pop-up-menu events go to the handlers given to ForwardEvents. The handlers run
// inside Qt's event functions, so Tab and focus handling stay Qt's.
template <class Base>
class TToolWindow : public TGuardedEvents<Base> {
public:
    using TGuardedEvents<Base>::TGuardedEvents;

protected:
    void ForwardEvents(TWindowEvents events) { events_ = std::move(events); }

    void keyPressEvent(QKeyEvent* event) override {
        if (!tool_window_detail::KeyDown(events_, event)) Base::keyPressEvent(event);
    }
    void keyReleaseEvent(QKeyEvent* event) override {
        if (!tool_window_detail::KeyUp(events_, event)) Base::keyReleaseEvent(event);
    }
    void resizeEvent(QResizeEvent* event) override {
        Base::resizeEvent(event);
        if (events_.Resize) events_.Resize();
    }
    void contextMenuEvent(QContextMenuEvent* event) override {
        if (!tool_window_detail::PopUp(events_, event)) Base::contextMenuEvent(event);
    }

private:
    TWindowEvents events_;
};
