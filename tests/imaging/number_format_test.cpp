#include <clocale>
#include <string>

#include <gtest/gtest.h>

#include "number_format.h"

namespace {

// Switches the C library to a desktop locale that writes a decimal comma, as a Qt application
// on a Russian or German desktop does; false when none is installed.
bool UseCommaLocale() {
    for (const char* name : {"ru_RU.UTF-8", "ru_RU.utf8", "de_DE.UTF-8", "de_DE.utf8"})
        if (std::setlocale(LC_NUMERIC, name) && std::string(std::localeconv()->decimal_point) == ",")
            return true;
    return false;
}

TEST(FormatText, KeepsTheDecimalPointUnderACommaLocale) {
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    const bool comma = UseCommaLocale();
    const struct {
        std::string text;
        const char* expected;
    } cases[] = {
        {FormatText("%4.1f%%", 50.0), "50.0%"},
        {FormatText("%4.1f%%", 0.5), " 0.5%"},
        {FormatText("%.2f\t%i\t%s", 1.5, -3, "x"), "1.50\t-3\tx"},
        {FormatText("%6.1f", 3.0), "   3.0"},
        {FormatText("FOV=%-4.0f|", 89.6), "FOV=90  |"},
        {FormatText("%g", 1.25e-5), "1.25e-05"},
        {FormatText("%s", ""), ""},
    };
    const std::string huge = FormatText("%.1f", 1e300);
    // The caller's locale is back once the text is made.
    const std::string after = std::localeconv()->decimal_point;
    std::setlocale(LC_NUMERIC, saved.c_str());
    for (const auto& c : cases) EXPECT_EQ(c.text, c.expected);
    EXPECT_EQ(huge.size(), 303u);
    EXPECT_EQ(huge.substr(huge.size() - 2), ".0");
    EXPECT_EQ(after, comma ? "," : ".");
    if (!comma) GTEST_LOG_(INFO) << "no comma locale installed; checked in the C locale only";
}

}  // namespace
