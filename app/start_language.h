#pragma once
#include <string>

// The telephone country code of a territory given by its ISO 3166 two-letter code ("RU" -> "7",
// "KZ" -> "7", "US" -> "1", "DE" -> "49"); "" for a territory the table does not know.
// This is what the old desktop called the locale's default country code.
std::string TelephoneCountryCode(const std::string& territoryIso);

// The language the launcher starts with: "eng", or "rus" when the locale's country code is
// exactly "7", then overridden by every "LANG=" line of the settings file at settingsPath (the
// last one wins; a missing file changes nothing).
std::string StartLanguage(const std::string& countryCode, const std::string& settingsPath);
