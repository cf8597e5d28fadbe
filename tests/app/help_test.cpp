#include "help.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>

#include "program_folder.h"
#include "scripted_dialogs.h"

// The desktop's opener (xdg-open) tells only by its exit code that nothing could show the
// guide. A stand-in opener on PATH plays the desktop: exit 0 shows it, 3 finds no program.
TEST(UserGuide, WhenItCannotBeShownAMessageGivesItsPath) {
    QTemporaryDir bin, program;
    ProgramFolder = program.path().toStdString();
    const std::string savedPath = std::getenv("PATH");
    setenv("PATH", bin.path().toLocal8Bit().constData(), 1);
    ScriptedDialogDriver dialogs;
    const struct {
        bool guideThere;
        int exitCode;
        std::size_t messages;
    } cases[] = {{true, 0, 0}, {true, 3, 1}, {false, 2, 2}};
    for (const auto& c : cases) {
        QDir(program.path()).mkpath(QStringLiteral("docs"));
        QFile guide(QString::fromStdString(UserGuidePath()));
        if (c.guideThere) guide.open(QIODevice::WriteOnly);
        else guide.remove();
        QFile opener(bin.filePath(QStringLiteral("xdg-open")));
        opener.open(QIODevice::WriteOnly | QIODevice::Truncate);
        opener.write(QByteArray("#!/bin/sh\nexit ") + QByteArray::number(c.exitCode) + "\n");
        opener.close();
        opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        OpenUserGuide();
        EXPECT_TRUE(QTest::qWaitFor([&] { return dialogs.messages.size() >= c.messages; }, 5000))
            << c.exitCode;
        QTest::qWait(100);  // a success leaves nothing to wait for
        EXPECT_EQ(dialogs.messages.size(), c.messages) << c.exitCode;
    }
    setenv("PATH", savedPath.c_str(), 1);
    for (const std::string& text : dialogs.messages) EXPECT_EQ(text.rfind(UserGuidePath() + "\n", 0), 0u);
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_NE(dialogs.messages[0], dialogs.messages[1]);  // missing is not the same as unshowable
}
