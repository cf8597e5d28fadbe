#include "start_language.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "program_folder.h"
#include "settings_file.h"

TEST(TelephoneCountryCode, RussiaAndKazakhstanShareSeven) {
    EXPECT_EQ(TelephoneCountryCode("RU"), "7");
    EXPECT_EQ(TelephoneCountryCode("KZ"), "7");
    EXPECT_EQ(TelephoneCountryCode("US"), "1");
    EXPECT_EQ(TelephoneCountryCode("DE"), "49");
    EXPECT_EQ(TelephoneCountryCode("UA"), "380");
    EXPECT_EQ(TelephoneCountryCode("BY"), "375");
    EXPECT_EQ(TelephoneCountryCode("ru"), "");  // codes are upper case
    EXPECT_EQ(TelephoneCountryCode(""), "");
    EXPECT_EQ(TelephoneCountryCode("ZZ"), "");
}

TEST(StartLanguage, CountryCodeSevenAloneMeansRussian) {
    const std::string none = "/nonexistent/Lumivex_Photo_Studio.ini";
    EXPECT_EQ(StartLanguage("7", none), "rus");
    EXPECT_EQ(StartLanguage("1", none), "eng");
    EXPECT_EQ(StartLanguage("", none), "eng");   // a failed query
    EXPECT_EQ(StartLanguage("77", none), "eng");
    EXPECT_EQ(StartLanguage("380", none), "eng");
}

TEST(StartLanguage, TheSettingsFileOverridesTheLocale) {
    char pattern[] = "/tmp/lumivex_start_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string path = SettingsFilePath(pattern);
    auto write = [&](const std::string& text) {
        std::ofstream out(path, std::ios::binary);
        out << text;
    };
    write("LANG=eng\r\n");
    EXPECT_EQ(StartLanguage("7", path), "eng");
    write("LANG=rus\n");
    EXPECT_EQ(StartLanguage("1", path), "rus");
    write("LANG= rus\n");
    EXPECT_EQ(StartLanguage("1", path), " rus");
    write("LANG=rus\r\nLANG=eng\r\n");
    EXPECT_EQ(StartLanguage("7", path), "eng");
    write("# nothing here\n");
    EXPECT_EQ(StartLanguage("7", path), "rus");
    std::remove(path.c_str());
    rmdir(pattern);
}

TEST(ExecutableFolder, IsTheFolderOfTheRunningProgram) {
    const std::string folder = ExecutableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.front(), '/');
    EXPECT_NE(folder.back(), '/');
    EXPECT_EQ(access((folder + "/test_app_core").c_str(), X_OK), 0);
}

TEST(ExecutableFolder, FallsBackToTheFolderTheToolkitReportsWhenTheLinkCannotBeRead) {
    // Empty, the settings file would become "/Lumivex_Photo_Studio.ini".
    EXPECT_EQ(ExecutableFolder("/opt/lumivex", "/nonexistent/exe"), "/opt/lumivex");
    EXPECT_EQ(ExecutableFolder("/opt/lumivex"), ExecutableFolder());  // a readable link wins
}
