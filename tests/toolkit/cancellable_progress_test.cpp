#include <gtest/gtest.h>

#include <QTest>

#include "cancellable_progress.h"
#include "controls.h"

TEST(TCancellableProgress, OnlyTheCancelButtonTakesInputDuringTheRunAndItStopsBetweenSteps) {
    QWidget window;
    auto* bar = new TProgressBar(&window);
    auto* cancel = new TButton("Cancel", &window);
    auto* other = new TButton("Other", &window);
    int otherClicks = 0;
    other->OnClick = [&] { ++otherClicks; };
    cancel->hide();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    int done = 0;
    {
        TCancellableProgress progress(bar, cancel);
        EXPECT_TRUE(cancel->isVisible());
        progress.Start(6);
        for (int i = 0; i < 6 && !progress.Cancelled(); ++i) {
            ++done;
            progress.Step();
            QTest::mouseClick(other, Qt::LeftButton);
            QTest::keyClick(other, Qt::Key_Space);
            if (done == 2) QTest::mouseClick(cancel, Qt::LeftButton);
        }
        EXPECT_EQ(bar->Max(), 6);
        EXPECT_EQ(bar->Position(), 2);
    }
    EXPECT_EQ(done, 2);
    EXPECT_EQ(otherClicks, 0);
    EXPECT_FALSE(cancel->isVisible());
    QTest::mouseClick(other, Qt::LeftButton);  // input is back once the run is over
    EXPECT_EQ(otherClicks, 1);
}
