#include "menu_language.h"

#include <QAction>
#include <QString>

#include "ui_language.h"

void ApplyMenuLanguage(std::initializer_list<MenuCaption> captions) {
    const bool english = UiLanguage == "eng";
    if (!english && UiLanguage != "rus") return;
    for (const MenuCaption& caption : captions)
        caption.item->setText(QString::fromUtf8(english ? caption.english : caption.russian));
}
