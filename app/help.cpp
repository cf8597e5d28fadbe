#include "help.h"

#include <QDesktopServices>
#include <QString>

#include "program_folder.h"

std::function<void(const QUrl&)> UrlOpener = [](const QUrl& url) {
    QDesktopServices::openUrl(url);
};

QUrl UserGuideUrl() {
    return QUrl::fromLocalFile(QString::fromStdString(UserGuideFolder(ProgramFolder)) +
                               QStringLiteral("/index.html"));
}

void OpenUrl(const QUrl& url) {
    if (UrlOpener) UrlOpener(url);
}
