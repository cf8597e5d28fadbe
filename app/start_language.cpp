#include "start_language.h"


#include "settings_file.h"

namespace {

struct TerritoryCode {
    const char* iso;
    const char* code;
};

// The territories users of this program are most likely to be in; anything else counts as
// "not Russian", which is all the start rule needs to know.
constexpr TerritoryCode kTerritoryCodes[] = {
    {"RU", "7"},   {"KZ", "7"},   {"US", "1"},   {"CA", "1"},   {"GB", "44"},  {"IE", "353"},
    {"DE", "49"},  {"AT", "43"},  {"CH", "41"},  {"FR", "33"},  {"BE", "32"},  {"NL", "31"},
    {"LU", "352"}, {"IT", "39"},  {"ES", "34"},  {"PT", "351"}, {"DK", "45"},  {"SE", "46"},
    {"NO", "47"},  {"FI", "358"}, {"IS", "354"}, {"PL", "48"},  {"CZ", "420"}, {"SK", "421"},
    {"HU", "36"},  {"RO", "40"},  {"BG", "359"}, {"GR", "30"},  {"TR", "90"},  {"UA", "380"},
    {"BY", "375"}, {"MD", "373"}, {"LT", "370"}, {"LV", "371"}, {"EE", "372"}, {"GE", "995"},
    {"AM", "374"}, {"AZ", "994"}, {"UZ", "998"}, {"KG", "996"}, {"TJ", "992"}, {"TM", "993"},
    {"MN", "976"}, {"CN", "86"},  {"JP", "81"},  {"KR", "82"},  {"IN", "91"},  {"IL", "972"},
    {"AU", "61"},  {"NZ", "64"},  {"BR", "55"},  {"AR", "54"},  {"MX", "52"},  {"ZA", "27"},
    {"EG", "20"},  {"SI", "386"}, {"HR", "385"}, {"RS", "381"}, {"CY", "357"}, {"MT", "356"},
};

}  // namespace

std::string TelephoneCountryCode(const std::string& territoryIso) {
    for (const TerritoryCode& entry : kTerritoryCodes)
        if (territoryIso == entry.iso) return entry.code;
    return std::string();
}

std::string StartLanguage(const std::string& countryCode, const std::string& settingsPath) {
    std::string language = "eng";
    if (countryCode == "7") language = "rus";
    ApplySettingsFile(settingsPath, language);
    return language;
}
