// Only the real release of a held key reaches a tool window's key-up handler.
#include <gtest/gtest.h>
#include <QTest>
#include "tool_window.h"

struct TWindow : TToolWindow<QWidget> {
    explicit TWindow(TWindowEvents events) { ForwardEvents(std::move(events)); }
};

TEST(ToolWindow, OnlyTheRealReleaseEndsAHeldKey) {
    std::vector<int> released;
    TWindowEvents events;
    events.KeyUp = [&](int key, Qt::KeyboardModifiers) { released.push_back(key); };
    TWindow w(events);
    for (bool repeat : {true, false}) QTest::simulateEvent(&w, false, Qt::Key_B, {}, {}, repeat);
    EXPECT_EQ(released, std::vector<int>{Qt::Key_B});  // the repeat's release was dropped
}
