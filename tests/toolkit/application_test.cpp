#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

#include <QAction>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <stdexcept>

#include "application.h"
#include "guarded.h"
#include "image_control.h"
#include "image_error.h"
#include "scripted_dialogs.h"
#include "string_grid.h"

namespace {

struct NotAStandardException {};

void ThrowKind(int kind) {
    if (kind == 0) throw ImageError("Not a JPEG file: starts with 0x42 0x4D");
    if (kind == 1) throw std::out_of_range("index 7");
    throw NotAStandardException();
}

// A window whose click handler throws what the test asks for.
class ThrowingWindow : public TGuardedEvents<QWidget> {
public:
    int kind = 0;
    int clicks = 0;

protected:
    void mousePressEvent(QMouseEvent*) override {
        ++clicks;
        ThrowKind(kind);
    }
};

// A plain object, no guard of its own: only the application object stands between its
// exception and the event loop.
class ThrowingObject : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) throw std::runtime_error("from a plain object");
        if (e->type() == QEvent::User + 1) throw NotAStandardException();
        return QObject::event(e);
    }
};

}  // namespace

TEST(TApplication, EscapedExceptionsGoToTheErrorBoxAndTheProgramGoesOn) {
    ASSERT_NE(qobject_cast<TApplication*>(QCoreApplication::instance()), nullptr);
    ScriptedDialogDriver dialogs;
    ThrowingObject object;
    QEvent first(QEvent::User);
    QEvent second(static_cast<QEvent::Type>(QEvent::User + 1));
    EXPECT_FALSE(QCoreApplication::sendEvent(&object, &first));
    QCoreApplication::sendEvent(&object, &second);
    QCoreApplication::postEvent(&object, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    ASSERT_EQ(dialogs.errors.size(), 3u);
    EXPECT_EQ(dialogs.errors[0], "from a plain object");
    EXPECT_EQ(dialogs.errors[1], "");  // not derived from std::exception: empty message
    EXPECT_EQ(dialogs.errors[2], "from a plain object");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST(TApplication, GuardedWindowShowsEveryKindOfExceptionAndGoesOn) {
    ScriptedDialogDriver dialogs;
    ThrowingWindow widget;
    widget.resize(50, 50);
    widget.show();
    for (int kind = 0; kind < 3; ++kind) {
        widget.kind = kind;
        QTest::mouseClick(&widget, Qt::LeftButton);
    }
    ASSERT_EQ(dialogs.errors.size(), 3u);
    EXPECT_EQ(dialogs.errors[0], "Not a JPEG file: starts with 0x42 0x4D");
    EXPECT_EQ(dialogs.errors[1], "index 7");
    EXPECT_EQ(dialogs.errors[2], "");
    EXPECT_EQ(widget.clicks, 3);  // every later event was still delivered
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
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks >= 2; }, 2000)) << ticks;
    timer.stop();
    ASSERT_GE(dialogs.errors.size(), 2u);
    EXPECT_EQ(dialogs.errors[0], "tick failed");
}

TEST(TApplication, GuardedSlotsAndControlCallbacks) {
    ScriptedDialogDriver dialogs;
    QAction action(nullptr);
    QObject::connect(&action, &QAction::triggered,
                     Guarded([](bool) { throw ConvertError("'12a' is not a valid integer value"); }));
    action.trigger();
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0], "'12a' is not a valid integer value");

    TImage image;
    image.resize(20, 20);
    image.show();
    image.OnClick = []() { throw ImageError("Can't open file!"); };
    QTest::mouseClick(&image, Qt::LeftButton);
    ASSERT_EQ(dialogs.errors.size(), 2u);
    EXPECT_EQ(dialogs.errors[1], "Can't open file!");

    TStringGrid grid;
    grid.SetColCount(3);
    grid.SetRowCount(3);
    grid.resize(300, 200);
    grid.show();
    grid.OnClick = []() { throw 7; };
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier,
                      grid.CellRect(1, 2).center());
    ASSERT_EQ(dialogs.errors.size(), 3u);
    EXPECT_EQ(dialogs.errors[2], "");
    EXPECT_EQ(grid.Row(), 2);  // the click itself took effect before the handler failed
}

TEST(TApplication, GuardedPassesAllTheFirstOrNoneOfTheArguments) {
    ScriptedDialogDriver dialogs;
    int sum = 0;
    Guarded([&sum](int a, int b) { sum += a * 10 + b; })(1, 2);
    Guarded([&sum](int a) { sum += a * 100; })(3, 4);
    Guarded([&sum]() { sum += 1000; })(5, 6);
    EXPECT_EQ(sum, 1312);
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST(TApplication, ShowCurrentExceptionReportsFromACatchBlock) {
    ScriptedDialogDriver dialogs;
    try {
        throw ConvertError("'x' is not a valid floating point value");
    } catch (...) {
        ShowCurrentException();
    }
    RunGuarded([]() { throw 42; });
    ASSERT_EQ(dialogs.errors.size(), 2u);
    EXPECT_EQ(dialogs.errors[0], "'x' is not a valid floating point value");
    EXPECT_EQ(dialogs.errors[1], "");
}

// Window test programs run with a decimal-comma desktop locale in their environment (see the
// test main); once the application object exists, printf-style numbers use a point.
TEST(TApplication, NumbersKeepTheirDecimalPointUnderACommaDesktopLocale) {
    const locale_t comma = newlocale(LC_NUMERIC_MASK, "ru_RU.UTF-8", locale_t(0));
    if (comma == locale_t(0)) GTEST_SKIP() << "no ru_RU.UTF-8 locale installed";
    freelocale(comma);
    ASSERT_STREQ(std::getenv("LC_NUMERIC"), "ru_RU.UTF-8");
    char text[16];
    std::snprintf(text, sizeof text, "%4.1f%%", 50.0);
    EXPECT_STREQ(text, "50.0%");
}
