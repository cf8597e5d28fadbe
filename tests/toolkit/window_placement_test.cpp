#include "window_placement.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>

TEST(FitFrameInto, MovesTheLeastDistanceAndKeepsTheTitleBarOfAnOversizedFrame) {
    const QRect area(0, 30, 1600, 970);  // a 1600 x 1000 screen with a 30-pixel panel on top
    const struct {
        QRect frame;
        QPoint expected;
    } cases[] = {
        {{100, 100, 809, 640}, {100, 100}},  // inside: stays
        {{700, 396, 809, 640}, {700, 360}},  // past the bottom: up just enough
        {{1000, 100, 809, 640}, {791, 100}}, // past the right edge
        {{-1, -20, 618, 468}, {0, 30}},      // above and left of the area
        {{500, 200, 1700, 1100}, {0, 30}},   // larger than the area: its corner inside
    };
    for (const auto& c : cases) EXPECT_EQ(FitFrameInto(c.frame, area), QRect(c.expected, c.frame.size()));
}

// The window manager frames a window a moment after it is shown; a placement made before that
// puts the client area, not the frame, at the design position.
TEST(FramePlacement, CorrectsThePlaceOnceTheWindowManagerHasFramedTheWindow) {
    const QRect area(0, 0, 1600, 1000);
    const QMargins frame(1, 20, 1, 1);  // borders and a 20-pixel title bar
    FramePlacement launcher(QPoint(0, 0));
    launcher.Showing();
    EXPECT_EQ(launcher.Look({0, 0, 616, 447}, QMargins(), area, false), std::nullopt);  // unframed
    EXPECT_EQ(launcher.Look({0, 0, 616, 447}, frame, area, false), QPoint(1, 20));  // frame y -20
    EXPECT_EQ(launcher.Look({1, 20, 616, 447}, frame, area, false), std::nullopt);
    EXPECT_FALSE(launcher.Settling());
    launcher.Showing();  // shown again after the user moved it: it stays there
    EXPECT_EQ(launcher.Look({301, 220, 616, 447}, frame, area, false), std::nullopt);

    FramePlacement tool;  // no design position: the window manager's choice, kept on screen
    tool.Showing();
    EXPECT_EQ(tool.Look({706, 416, 807, 619}, frame, area, false), QPoint(706, 380));

    FramePlacement bare(QPoint(0, 0));  // no window manager, no frame: placed when time is up
    bare.Showing();
    EXPECT_EQ(bare.Look({5, 5, 100, 100}, QMargins(), area, true), QPoint(0, 0));
}

TEST(PlaceWindow, AToolWindowKeepsItsDesignPlaceMovedWhollyIntoTheAvailableArea) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget window(nullptr, Qt::Window);
    window.resize(area.width() / 2, area.height() / 2);
    const QPoint design(area.right() - area.width() / 4, area.bottom() - area.height() / 4);
    PlaceWindow(&window, design);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QRect expected = FitFrameInto(QRect(design, window.frameGeometry().size()), area);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.frameGeometry() == expected; }, 3000));
}
