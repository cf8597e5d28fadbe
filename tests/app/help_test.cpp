#include "help.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <string>

#include "program_folder.h"
#include "scripted_dialogs.h"

// The desktop's opener (xdg-open) only tells by its exit code that no program could show the
// guide; the default opener must turn that into the message. A stand-in opener on PATH plays
// the desktop.
TEST(UserGuide, AFailingDesktopOpenerEndsInAMessageWithTheGuidesPath) {
    QTemporaryDir bin;
    QTemporaryDir program;
    ASSERT_TRUE(QDir(program.path()).mkpath(QStringLiteral("docs")));
    QFile guide(program.filePath(QStringLiteral("docs/index.html")));
    ASSERT_TRUE(guide.open(QIODevice::WriteOnly));
    guide.close();
    ProgramFolder = program.path().toStdString();
    const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", bin.path().toLocal8Bit().constData(), 1);
    ScriptedDialogDriver dialogs;

    for (int exitCode : {0, 3}) {
        QFile opener(bin.filePath(QStringLiteral("xdg-open")));
        opener.remove();
        ASSERT_TRUE(opener.open(QIODevice::WriteOnly));
        opener.write(QStringLiteral("#!/bin/sh\n[ -f \"$1\" ] && exit %1\nexit 9\n")
                         .arg(exitCode)
                         .toUtf8());
        opener.close();
        opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        OpenUserGuide();
        // Waits for the opener to finish: a success leaves nothing behind to wait for, so
        // that case waits a fixed while.
        if (exitCode == 0) QTest::qWait(300);
        else EXPECT_TRUE(QTest::qWaitFor([&] { return !dialogs.messages.empty(); }, 5000));
    }
    setenv("PATH", savedPath.c_str(), 1);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].rfind(UserGuidePath() + "\n", 0), 0u) << dialogs.messages[0];
}
