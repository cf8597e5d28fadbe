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

// Runs the program. First the Object Editor's project is changed; then each attempt to end
// the program runs from the event loop with the answer scripted for its question. The run
// must end right after the last attempt: every earlier one was answered so that it goes on.
struct EndAttempt {
    TAnswer answer;
    std::function<void()> end;
};

struct RunResult {
    int exitCode = -1;
    std::vector<std::string> questions;
    std::vector<bool> launcherShownAfter;  // after the attempts, while the run lasts
    bool watchdogFired = false;
};

RunResult RunAndEnd(const std::vector<EndAttempt>& attempts) {
    auto* app = qobject_cast<TApplication*>(QCoreApplication::instance());
    RunResult result;
    ScriptedDialogDriver dialogs;
    std::size_t next = 0;
    std::function<void()> step = [&] {
        if (dialogs.questions.size() < next) {  // a signal's question comes a moment later
            QTimer::singleShot(10, step);
            return;
        }
        if (next == 0) {
            TObject_Editor* editor = FindWindow<TObject_Editor>();
            editor->Edit1->SetText("640");  // the output width: the project has changed
            editor->Edit1Exit();
        } else {
            result.launcherShownAfter.push_back(FindWindow<TForm1>()->isVisible());
        }
        if (next == attempts.size()) return;  // the last attempt should have ended the run
        dialogs.Answer(attempts[next].answer);
        attempts[next++].end();
        QTimer::singleShot(20, step);
    };
    QTimer::singleShot(20, step);
    QTimer watchdog;  // a run that does not end must not hang the test
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        result.watchdogFired = true;
        dialogs.Answer(TAnswer::No);  // the run's own question on the way out
        QCoreApplication::exit(3);
    });
    watchdog.start(10000);
    result.exitCode = RunLumivex(*app);
    watchdog.stop();
    result.questions = dialogs.questions;
    app->setQuitOnLastWindowClosed(true);
    return result;
}

const std::string kQuestion = "The project has changed. Save it first?";

}  // namespace

// Each way of ending the program asks about the changed project: Cancel keeps the program
// and its windows running, No ends it.
TEST(ProgramEnd, EveryWayOfEndingAsksAboutAChangedProjectAndCancelKeepsRunning) {
    const std::function<void()> closeLauncher = [] { FindWindow<TForm1>()->close(); };
    const std::function<void()> colorCorrectorExit = [] {
        FindWindow<TColor_Corrector>()->Exit1->trigger();
    };
    const std::function<void()> terminate = [] { ::raise(SIGTERM); };
    const struct {
        const char* way;
        std::function<void()> end;
    } ways[] = {{"launcher close", closeLauncher},
                {"Color Corrector Exit", colorCorrectorExit},
                {"SIGTERM", terminate}};
    for (const auto& way : ways) {
        SCOPED_TRACE(way.way);
        const RunResult run = RunAndEnd({{TAnswer::Cancel, way.end}, {TAnswer::No, way.end}});
        EXPECT_FALSE(run.watchdogFired);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.questions, std::vector<std::string>(2, kQuestion));
        ASSERT_FALSE(run.launcherShownAfter.empty());
        EXPECT_TRUE(run.launcherShownAfter[0]);  // Cancel: still running, launcher and all
    }
}
