#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <string>

#include "about_box.h"
#include "application.h"
#include "launcher_window.h"
#include "main_windows.h"
#include "scripted_dialogs.h"

TEST(Startup, EightWindowsInOrderOnlyTheLauncherShown) {
    std::vector<QWidget*> created;
    std::unique_ptr<MainWindows> windows = CreateMainWindows(&created);
    const std::vector<QWidget*> inOrder = windows->InOrder();
    ASSERT_EQ(created.size(), 8u);
    EXPECT_EQ(created, inOrder);
    const char* classes[] = {"TForm1",         "TAboutBox",      "TColor_Corrector",
                             "TObject_Viewer", "TStereo_Viewer", "TObject_Editor",
                             "TPanorama_Viewer", "TMulti_Viewer"};
    for (std::size_t i = 0; i < 8; ++i) {
        ASSERT_NE(created[i], nullptr);
        EXPECT_STREQ(created[i]->metaObject()->className(), classes[i]);
        EXPECT_TRUE(created[i]->isWindow());
        EXPECT_EQ(created[i]->isVisible(), i == 0) << classes[i];
    }
    EXPECT_EQ(windows->Form1->pos(), QPoint(0, 0));
    // The tool windows keep their own captions.
    EXPECT_EQ(created[2]->windowTitle().toStdString(), "Lumivex Color Corrector");
    EXPECT_EQ(created[3]->windowTitle().toStdString(), "Photo Object Viewer");
    EXPECT_EQ(created[5]->windowTitle().toStdString(), "Lumivex Photo Object Editor");
    EXPECT_EQ(created[7]->windowTitle().toStdString(), "Multi Viewer");
    // The launcher's tiles reach the windows that were made after it.
    EXPECT_EQ(windows->Form1->StereoViewer, created[4]);
    EXPECT_EQ(windows->Form1->AboutBox, windows->AboutBox.get());
}

TEST(Startup, RunEndsWhenTheLauncherClosesEvenWithToolWindowsOpen) {
    auto* app = qobject_cast<TApplication*>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr);
    std::vector<std::string> seen;
    QTimer::singleShot(50, [&seen]() {
        TForm1* launcher = nullptr;
        QWidget* stereo = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* f = qobject_cast<TForm1*>(w)) launcher = f;
            if (std::string(w->metaObject()->className()) == "TStereo_Viewer") stereo = w;
        }
        if (!launcher || !stereo) {
            seen.push_back("missing windows");
            QCoreApplication::quit();
            return;
        }
        seen.push_back(QApplication::applicationName().toStdString());
        launcher->TileClick(1);
        seen.push_back(stereo->isVisible() ? "stereo shown" : "stereo hidden");
        // Closing a tool window alone does not end the program.
        stereo->close();
        launcher->TileClick(1);
        launcher->close();
    });
    QTimer watchdog;  // a failing run must not hang the test
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, []() { QCoreApplication::exit(3); });
    watchdog.start(10000);
    EXPECT_EQ(RunLumivex(*app), 0);
    EXPECT_TRUE(watchdog.isActive());
    watchdog.stop();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], "Lumivex Photo Studio");
    EXPECT_EQ(seen[1], "stereo shown");
    app->setQuitOnLastWindowClosed(true);
}

TEST(Startup, AnExceptionDuringStartIsShownAndTheExitCodeStaysZero) {
    auto* app = qobject_cast<TApplication*>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr);
    ScriptedDialogDriver dialogs;
    // A handler that throws while the loop runs: the error box shows it, the loop goes on,
    // and the launcher's close still ends the run normally.
    QTimer::singleShot(10, []() { throw std::runtime_error("Can't read the view file"); });
    QTimer::singleShot(60, []() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* f = qobject_cast<TForm1*>(w)) f->close();
    });
    EXPECT_EQ(RunLumivex(*app), 0);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0], "Can't read the view file");
    app->setQuitOnLastWindowClosed(true);
}
