#include "ui_language.h"

std::string UiLanguage = "eng";
