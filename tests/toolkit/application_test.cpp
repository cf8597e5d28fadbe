#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>
#include <QWidget>
#include <stdexcept>

#include "application.h"
#include "image_error.h"
#include "scripted_dialogs.h"

namespace {

struct NotAStandardException {};

// A control whose click handler throws what the test asks for.
class ThrowingWidget : public QWidget {
public:
    int kind = 0;
    int clicks = 0;

protected:
    void mousePressEvent(QMouseEvent*) override {
        ++clicks;
        if (kind == 0) throw ImageError("Not a JPEG file: starts with 0x42 0x4D");
        if (kind == 1) throw std::out_of_range("index 7");
        throw NotAStandardException();
    }
};

}  // namespace

TEST(TApplication, EscapedExceptionsGoToTheErrorBoxAndTheProgramGoesOn) {
    ASSERT_NE(qobject_cast<TApplication*>(QCoreApplication::instance()), nullptr);
    ScriptedDialogDriver dialogs;
    ThrowingWidget widget;
    widget.resize(50, 50);
    widget.show();

    widget.kind = 0;
    QTest::mouseClick(&widget, Qt::LeftButton);
    widget.kind = 1;
    QTest::mouseClick(&widget, Qt::LeftButton);
    widget.kind = 2;  // not derived from std::exception: shown with an empty message
    QTest::mouseClick(&widget, Qt::LeftButton);

    ASSERT_EQ(dialogs.errors.size(), 3u);
    EXPECT_EQ(dialogs.errors[0], "Not a JPEG file: starts with 0x42 0x4D");
    EXPECT_EQ(dialogs.errors[1], "index 7");
    EXPECT_EQ(dialogs.errors[2], "");
    EXPECT_EQ(widget.clicks, 3);  // every later event was still delivered
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST(TApplication, ExceptionFromATimerHandlerIsCaughtToo) {
    ScriptedDialogDriver dialogs;
    QTimer timer;
    int ticks = 0;
    QObject::connect(&timer, &QTimer::timeout, [&ticks]() {
        ++ticks;
        throw std::runtime_error("tick failed");
    });
    timer.start(1);
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 2, 2000);
    timer.stop();
    ASSERT_GE(dialogs.errors.size(), 2u);
    EXPECT_EQ(dialogs.errors[0], "tick failed");
}

TEST(TApplication, ShowCurrentExceptionReportsFromACatchBlock) {
    ScriptedDialogDriver dialogs;
    try {
        throw ConvertError("'12a' is not a valid integer value");
    } catch (...) {
        ShowCurrentException();
    }
    try {
        throw 42;
    } catch (...) {
        ShowCurrentException();
    }
    ASSERT_EQ(dialogs.errors.size(), 2u);
    EXPECT_EQ(dialogs.errors[0], "'12a' is not a valid integer value");
    EXPECT_EQ(dialogs.errors[1], "");
}
