#pragma once
#include <initializer_list>

class QAction;

// One menu item's caption in both interface languages.
struct MenuCaption {
    QAction* item;
    const char* english;
    const char* russian;
};

// Sets every item's caption for UiLanguage when it is exactly "eng" or exactly "rus"; any other
// value leaves the captions as they are. The viewers call it from their 1000 ms language timers.
void ApplyMenuLanguage(std::initializer_list<MenuCaption> captions);
