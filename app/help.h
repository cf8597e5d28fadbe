#pragma once
#include <QUrl>
#include <functional>

// The user guide ships beside the program: ProgramFolder/docs/index.html.
QUrl UserGuideUrl();

// Asks the desktop to open url (no result is checked). Tests replace UrlOpener to see what
// would have been opened without starting a browser.
void OpenUrl(const QUrl& url);
extern std::function<void(const QUrl&)> UrlOpener;
