#include <gtest/gtest.h>

#include <signal.h>

#include <QApplication>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "application.h"
#include "color_corrector_window.h"
#include "controls.h"
#include "launcher_window.h"
#include "main_windows.h"
#include "object_editor_window.h"
#include "scripted_dialogs.h"

namespace {

template <class W>
W* FindWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<W*>(w)) return found;
    return nullptr;
}

}  // namespace

// Each way of ending the program asks about the changed Object Editor project: Cancel keeps the
// program and its launcher running, No ends the run.
TEST(ProgramEnd, EveryWayOfEndingAsksAboutAChangedProjectAndCancelKeepsRunning) {
    const struct {
        const char* way;
        std::function<void()> end;
    } ways[] = {{"launcher close", [] { FindWindow<TForm1>()->close(); }},
                {"Color Corrector Exit", [] { FindWindow<TColor_Corrector>()->Exit1->trigger(); }},
                {"SIGTERM", [] { ::raise(SIGTERM); }}};
    auto* app = qobject_cast<TApplication*>(QCoreApplication::instance());
    for (const auto& way : ways) {
        SCOPED_TRACE(way.way);
        ScriptedDialogDriver dialogs;
        bool runningAfterCancel = false;
        QTimer::singleShot(20, [&] {
            TObject_Editor* editor = FindWindow<TObject_Editor>();
            editor->Images.Edit1->SetText("640");  // the output width: the project has changed
            editor->Images.Edit1Exit();
            dialogs.Answer(TAnswer::Cancel);
            way.end();
        });
        // A signal's question comes a moment later, so the second attempt waits for the first.
        std::function<void()> second = [&] {
            if (dialogs.questions.empty()) return QTimer::singleShot(10, second);
            runningAfterCancel = FindWindow<TForm1>()->isVisible();
            dialogs.Answer(TAnswer::No);
            way.end();
        };
        QTimer::singleShot(40, second);
        QTimer watchdog;  // a run that does not end must not hang the test
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            dialogs.Answer(TAnswer::No);  // the run's own question on the way out
            QCoreApplication::exit(3);
        });
        watchdog.start(10000);
        EXPECT_EQ(RunLumivex(*app), 0);
        EXPECT_TRUE(watchdog.isActive());
        EXPECT_TRUE(runningAfterCancel);
        EXPECT_EQ(dialogs.questions,
                  std::vector<std::string>(2, "The project has changed. Save it first?"));
        app->setQuitOnLastWindowClosed(true);
    }
}
