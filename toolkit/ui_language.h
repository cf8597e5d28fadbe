#pragma once
#include <string>

// The process-wide interface language, "eng" or "rus" in normal use. The launcher writes it;
// the tool windows poll it.
extern std::string UiLanguage;
