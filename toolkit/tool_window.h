#pragma once
#include <QKeySequence>
#include <functional>
#include <initializer_list>
#include <string>

class QAction;
class QMenu;
class QWidget;
class TStatusBar;

// The common plumbing of a tool window, so every window builds menus, captions, layout and
// wheel handling the same way. Handlers wired here run guarded (guarded.h): an exception goes to
// the error box and the command ends there.
//
//   Open1 = MakeMenuItem(PopupMenu1, "Open1", "Open", QKeySequence("Ctrl+O"));
//   Action1 = MakeShortcut(this, "Action1", QKeySequence("Ctrl+O"));
//   OnTriggered({Open1, Action1}, [this] { Open1Click(); });
//   ForwardWheel(this, {this, Image1}, [this](int delta) { FormMouseWheel(delta); });
//   SetCaption(this, "Stereo Viewer - " + file);            // shows "[*]" in a path as written
//   LayoutImageOverStatusBar(this, Image1, StatusBar1);      // from FormResize

// A pop-up menu item named name. With a shortcut the menu shows the key, but the key only
// works while the menu itself has the keyboard: the window-wide MakeShortcut action carries it,
// so one key press never runs a command twice.
QAction* MakeMenuItem(QMenu* menu, const char* name, const char* caption,
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
