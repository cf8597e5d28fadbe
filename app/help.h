#pragma once
#include <QUrl>
#include <functional>

// The user guide's start page: index.html in UserGuideFolder(ProgramFolder).
QUrl UserGuideUrl();

// Asks the desktop to open url (no result is checked). Tests replace UrlOpener to see what
// would have been opened without starting a browser.
void OpenUrl(const QUrl& url);
extern std::function<void(const QUrl&)> UrlOpener;
