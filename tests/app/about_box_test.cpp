#include "about_box.h"

#include <gtest/gtest.h>

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "help.h"
#include "image_control.h"
#include "program_folder.h"

namespace {

int VisibleCount(const TAboutBox& box, int* which) {
    int count = 0;
    for (int k = 1; k <= 9; ++k)
        if (!box.Image(k)->isHidden()) {
            ++count;
            *which = k;
        }
    return count;
}

}  // namespace

TEST(TAboutBox, ControlsAndCaptions) {
    ProgramFolder = "/opt/lumivex";
    TAboutBox box;
    EXPECT_EQ(box.windowTitle().toStdString(), "About program");
    EXPECT_EQ(box.size(), QSize(320, 232));
    EXPECT_EQ(box.Panel1->geometry(), QRect(8, 8, 304, 185));
    EXPECT_EQ(box.ProductName->text().toStdString(), "Lumivex Photo Studio");
    EXPECT_TRUE(box.ProductName->font().bold());
    EXPECT_EQ(box.Version->text().toStdString(), "Version 1.0");
    EXPECT_EQ(box.OKButton->text().toStdString(), "OK");
    EXPECT_EQ(box.OKButton->geometry(), QRect(110, 199, 75, 25));
    EXPECT_TRUE(box.OKButton->isDefault());
    EXPECT_EQ(box.Timer1->interval(), 100);
    EXPECT_TRUE(box.Timer1->isActive());  // tracks while hidden too
    EXPECT_TRUE(box.Comments->text().contains("file:///opt/lumivex/docs/index.html"));
    for (int k = 1; k <= 9; ++k) {
        EXPECT_EQ(box.Image(k)->geometry(), QRect(5, 16, 100, 100));
        EXPECT_TRUE(box.Image(k)->isHidden());  // all hidden until the first tick
    }
    // The nine pictures differ from one another.
    for (int a = 1; a <= 9; ++a)
        for (int b = a + 1; b <= 9; ++b)
            EXPECT_FALSE(box.Image(a)->Picture().SamePixels(box.Image(b)->Picture())) << a << b;
}

TEST(TAboutBox, PanelIsAnEtchedGroove) {
    // A lowered outer bevel around a raised inner one: dark then light from the top-left edge
    // inwards, light then dark from the bottom-right edge inwards.
    TAboutBox box;
    const QImage panel = box.Panel1->grab().toImage();
    ASSERT_EQ(panel.size(), QSize(304, 185));
    const int midX = panel.width() / 2;
    const int midY = panel.height() / 2;
    auto gray = [&panel](int x, int y) { return qGray(panel.pixel(x, y)); };
    EXPECT_LT(gray(0, midY), gray(1, midY));
    EXPECT_LT(gray(midX, 0), gray(midX, 1));
    EXPECT_GT(gray(panel.width() - 1, midY), gray(panel.width() - 2, midY));
    EXPECT_GT(gray(midX, panel.height() - 1), gray(midX, panel.height() - 2));
}

TEST(TAboutBox, EveryTickLeavesExactlyOnePictureFacingTheCursor) {
    TAboutBox box;
    box.move(200, 150);
    const QRect frame = box.frameGeometry();
    const int L = frame.left() + 5;
    const int T = frame.top() + 16;
    QPoint cursor;
    box.CursorPosition = [&cursor]() { return cursor; };
    const struct {
        QPoint at;
        int expected;
    } cases[] = {
        {{L, T}, 5},                 // on the left edge: middle column
        {{L - 1, T}, 4},
        {{L + 100, T}, 6},           // on L + W: right column
        {{L + 99, T + 99}, 5},
        {{L + 50, T - 1}, 2},
        {{L + 50, T + 100}, 8},
        {{L - 300, T - 300}, 1},
        {{5000, 5000}, 9},           // far below and right
        {{L + 100, T - 1}, 3},
        {{L - 1, T + 100}, 7},
    };
    for (const auto& c : cases) {
        cursor = c.at;
        box.Timer1Timer();
        int which = 0;
        EXPECT_EQ(VisibleCount(box, &which), 1);
        EXPECT_EQ(which, c.expected) << c.at.x() << "," << c.at.y();
    }
}

TEST(TAboutBox, TimerRunsTheTrackingByItself) {
    TAboutBox box;
    box.CursorPosition = []() { return QPoint(-100000, -100000); };
    // QtTest's QTRY_ macros report to QtTest, which GoogleTest never hears from.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !box.Image(1)->isHidden(); }, 2000));
    int which = 0;
    EXPECT_EQ(VisibleCount(box, &which), 1);
}

TEST(TAboutBox, CentredOnTheLauncherAndClosedByOk) {
    QWidget launcher;
    launcher.setGeometry(0, 0, 616, 429);
    launcher.show();
    TAboutBox box(&launcher);
    QTimer::singleShot(0, &box, [&box]() {
        EXPECT_TRUE(box.isVisible());
        QTest::mouseClick(box.OKButton, Qt::LeftButton);
    });
    EXPECT_EQ(box.exec(), QDialog::Accepted);
    // Outer frames centred, halves truncated.
    const QRect outer = launcher.frameGeometry();
    const QRect own = box.frameGeometry();
    EXPECT_EQ(own.left(), outer.left() + (outer.width() - own.width()) / 2);
    EXPECT_EQ(own.top(), outer.top() + (outer.height() - own.height()) / 2);

    // Shown again after the launcher moved: centred on its new place.
    launcher.setGeometry(300, 200, 617, 431);
    QTimer::singleShot(0, &box, [&box]() { box.accept(); });
    box.exec();
    const QRect moved = launcher.frameGeometry();
    const QRect again = box.frameGeometry();
    EXPECT_EQ(again.left(), moved.left() + (moved.width() - again.width()) / 2);
    EXPECT_EQ(again.top(), moved.top() + (moved.height() - again.height()) / 2);
}

TEST(TAboutBox, CommentsOpenTheUserGuide) {
    ProgramFolder = "/opt/lumivex";
    std::vector<QUrl> opened;
    const auto saved = UrlOpener;
    UrlOpener = [&opened](const QUrl& url, std::function<void()>) { opened.push_back(url); };
    TAboutBox box;
    box.CommentsClick();
    UrlOpener = saved;
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].toLocalFile().toStdString(), "/opt/lumivex/docs/index.html");
}
