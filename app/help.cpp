#include "help.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <algorithm>
#include <vector>

#include "dialogs.h"
#include "program_folder.h"
#include "ui_language.h"

namespace {

// Openers still running. xdg-open waits for a browser it had to start, and a QProcess kills
// its child when destroyed, so these are never destroyed while running: quitting the program
// must not close the user's browser.
std::vector<QProcess*>& RunningOpeners() {
    static std::vector<QProcess*> running;
    return running;
}

void Forget(QProcess* process) {
    std::vector<QProcess*>& running = RunningOpeners();
    running.erase(std::remove(running.begin(), running.end(), process), running.end());
    process->deleteLater();
}

// The desktop's opener reports "no program for this file" only through its exit code, which
// QDesktopServices does not pass on; run it ourselves where it exists.
void OpenWithDesktop(const QUrl& url, std::function<void()> failed) {
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        if (!QDesktopServices::openUrl(url)) failed();
        return;
    }
    auto* process = new QProcess();
    RunningOpeners().push_back(process);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    QObject::connect(process, &QProcess::errorOccurred, [process, failed](QProcess::ProcessError e) {
        if (e != QProcess::FailedToStart) return;
        failed();
        Forget(process);
    });
    QObject::connect(process, &QProcess::finished,
                     [process, failed](int code, QProcess::ExitStatus status) {
                         if (status != QProcess::NormalExit || code != 0) failed();
                         Forget(process);
                     });
    process->start(opener, {url.isLocalFile() ? url.toLocalFile() : url.toString()});
}

std::string UserGuideFailureText(const std::string& guidePath, bool guideExists) {
    const bool russian = UiLanguage == "rus";
    if (!guideExists)
        return guidePath + (russian ? "\nФайл справки не найден." : "\nThe user guide is missing.");
    return guidePath +
           (russian ? "\nНе удалось показать справку: не найдена программа для просмотра "
                      "HTML-страниц. Откройте этот файл в браузере."
                    : "\nThe user guide could not be shown: no program for HTML pages was "
                      "found. Open this file in a web browser.");
}

}  // namespace

UrlOpenerFunction UrlOpener = OpenWithDesktop;

std::string UserGuidePath() { return UserGuideFolder(ProgramFolder) + "/index.html"; }

QUrl UserGuideUrl() { return QUrl::fromLocalFile(QString::fromStdString(UserGuidePath())); }

void OpenUserGuide() {
    if (!UrlOpener) return;
    const std::string path = UserGuidePath();
    UrlOpener(QUrl::fromLocalFile(QString::fromStdString(path)), [path]() {
        ShowMessage(UserGuideFailureText(path, QFileInfo::exists(QString::fromStdString(path))));
    });
}
