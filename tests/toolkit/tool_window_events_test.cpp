// A tool window's own events and its menu bar, through the toolkit's pieces.
#include <gtest/gtest.h>

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "tool_window.h"

namespace {

class TWindow : public TToolWindow<QWidget> {
public:
    explicit TWindow(TWindowEvents events) : TToolWindow<QWidget>(nullptr, Qt::Window) {
        ForwardEvents(std::move(events));
    }
};

bool SendKey(QWidget* window, QEvent::Type type, int key, bool autoRepeat = false) {
    QKeyEvent event(type, key, Qt::ShiftModifier, QString(), autoRepeat);
    QCoreApplication::sendEvent(window, &event);
    return event.isAccepted();
}

}  // namespace

TEST(ToolWindowEvents, KeysResizesAndPopUpRequestsReachTheirHandlers) {
    std::vector<std::string> seen;
    QMenu menu;
    const auto note = [&](const char* what) {
        return [&seen, what](int key, Qt::KeyboardModifiers shift) {
            seen.push_back(what + std::to_string(key - Qt::Key_A) +
                           (shift == Qt::ShiftModifier ? "+shift" : ""));
        };
    };
    TWindow window({note("down"), note("up"), [&] { seen.push_back("resize"); }, &menu});
    EXPECT_TRUE(SendKey(&window, QEvent::KeyPress, Qt::Key_B));
    EXPECT_TRUE(SendKey(&window, QEvent::KeyRelease, Qt::Key_B, true));  // a repeat's release
    EXPECT_TRUE(SendKey(&window, QEvent::KeyPress, Qt::Key_B, true));
    EXPECT_TRUE(SendKey(&window, QEvent::KeyRelease, Qt::Key_B));
    window.resize(200, 100);
    window.show();  // the size reaches the window when it is shown
    EXPECT_EQ(seen,
              (std::vector<std::string>{"down1+shift", "down1+shift", "up1+shift", "resize"}));

    QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(5, 5),
                              window.mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(&window, &request);
    EXPECT_TRUE(menu.isVisible());
    menu.hide();
}

TEST(ToolWindowEvents, EventsWithoutHandlersStayQts) {
    TWindow window({});
    EXPECT_FALSE(SendKey(&window, QEvent::KeyPress, Qt::Key_B));
    EXPECT_FALSE(SendKey(&window, QEvent::KeyRelease, Qt::Key_B));
    QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(5, 5));
    QCoreApplication::sendEvent(&window, &request);
    EXPECT_FALSE(request.isAccepted());
}

TEST(ToolWindowMenuBar, ItemsKeysWorkAcrossTheWindow) {
    TWindow window({});
    QMenuBar* bar = MakeMenuBar(&window);
    QMenu* file = AddMenu(bar, "File", "File1");
    QMenu* edit = AddMenu(bar, "Edit");
    QAction* open = MakeMainMenuItem(&window, file, "Open1", "Open", QKeySequence("Ctrl+O"));
    QAction* exit = MakeMainMenuItem(&window, file, "Exit1", "Exit");
    EXPECT_EQ(bar->objectName(), "MainMenu1");
    EXPECT_EQ(file->objectName(), "File1");
    EXPECT_EQ(edit->objectName(), "");
    EXPECT_EQ(file->title(), "File");
    EXPECT_EQ(open->objectName(), "Open1");
    EXPECT_EQ(open->text(), "Open");
    EXPECT_EQ(exit->shortcut(), QKeySequence());
    EXPECT_EQ(open->shortcutContext(), Qt::WindowShortcut);
    EXPECT_EQ(window.actions(), (QList<QAction*>{open, exit}));

    int opened = 0;
    OnTriggered({open}, [&] { ++opened; });
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(opened, 1);  // the item itself, once
}
