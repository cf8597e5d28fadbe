#pragma once
#include <QUrl>
#include <functional>
#include <string>

// The user guide's start page: index.html in UserGuideFolder(ProgramFolder).
std::string UserGuidePath();
QUrl UserGuideUrl();

// Opens url with the desktop's program for it. failed runs when no program could be started
// or the desktop's opener reported failure; that may happen later, from the event loop.
// Tests replace UrlOpener to see what would have been opened without starting a browser.
using UrlOpenerFunction = std::function<void(const QUrl& url, std::function<void()> failed)>;
extern UrlOpenerFunction UrlOpener;

// "On-line help" and the About window's link: opens the user guide. When it cannot be shown
// (no browser or no program for HTML files, or the guide is missing) a message box says so and
// gives the guide's path, so the user can open it by hand.
void OpenUserGuide();
