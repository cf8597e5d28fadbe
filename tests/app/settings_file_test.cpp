#include "settings_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

// A settings file in a fresh temporary folder, removed with the fixture.
class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/lumivex_settings_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        path_ = SettingsFilePath(folder_);
    }
    void TearDown() override {
        std::remove(path_.c_str());
        rmdir(folder_.c_str());
    }
    void Write(const std::string& bytes) {
        std::ofstream out(path_, std::ios::binary);
        out << bytes;
    }
    std::string Read(const std::string& start) {
        std::string language = start;
        EXPECT_TRUE(ApplySettingsFile(path_, language));
        return language;
    }

    std::string folder_;
    std::string path_;
};

}  // namespace

TEST(SettingsFilePath, FileNameBesideTheProgram) {
    EXPECT_EQ(SettingsFilePath("/opt/lumivex"), "/opt/lumivex/Lumivex_Photo_Studio.ini");
}

TEST_F(SettingsFileTest, LanguageLinesWithEitherLineEnd) {
    Write("LANG=rus\r\n");
    EXPECT_EQ(Read("eng"), "rus");
    Write("LANG=rus\n");
    EXPECT_EQ(Read("eng"), "rus");
    Write("LANG=eng");  // no line end at all
    EXPECT_EQ(Read("rus"), "eng");
    Write("LANG=rus\rLANG=eng\r");  // lone CR line ends, as old Mac editors wrote them
    EXPECT_EQ(Read("rus"), "eng");
    Write("LANG=rus \r\n");  // a trailing blank is part of the value
    EXPECT_EQ(Read("eng"), "rus ");
}

TEST_F(SettingsFileTest, LastLanguageLineWinsAndOtherLinesAreIgnored) {
    Write("[Main]\r\nLANG=rus\r\nTheme=dark\r\nLANG=eng\r\nlang=rus\r\n LANG=rus\r\n");
    EXPECT_EQ(Read("rus"), "eng");
}

TEST_F(SettingsFileTest, ValuesAreTakenLiterally) {
    Write("LANG= rus\n");
    EXPECT_EQ(Read("eng"), " rus");  // not "rus": the launcher will treat it as English
    Write("LANG=\n");
    EXPECT_EQ(Read("eng"), "");
    Write("LANG=deu\n");
    EXPECT_EQ(Read("eng"), "deu");
}

TEST_F(SettingsFileTest, LongLinesArriveInPiecesOf199Characters) {
    // 300 characters: the first piece is 199 long, the second begins with "LANG=".
    const std::string line = std::string(199, 'x') + "LANG=rus" + std::string(93, 'y');
    ASSERT_EQ(line.size(), 300u);
    Write(line + "\r\n");
    EXPECT_EQ(Read("eng"), "rus" + std::string(93, 'y'));
    // A LANG line longer than the buffer keeps only its first piece's value.
    Write("LANG=" + std::string(250, 'r') + "\n");
    EXPECT_EQ(Read("eng"), std::string(194, 'r'));
}

TEST_F(SettingsFileTest, BinaryJunkAndEmptyFilesAreHarmless) {
    Write(std::string("\0\0LANG=rus\n\xff\xfe", 14));
    EXPECT_EQ(Read("eng"), "eng");
    Write("\r\n\n\r\nLANG\nLANG:rus\n=rus\n");
    EXPECT_EQ(Read("eng"), "eng");
    Write("");
    EXPECT_EQ(Read("eng"), "eng");
}

TEST(SettingsFile, MissingFileLeavesTheLanguage) {
    std::string language = "rus";
    EXPECT_FALSE(ApplySettingsFile("/nonexistent/folder/Lumivex_Photo_Studio.ini", language));
    EXPECT_EQ(language, "rus");
    ApplySettingsFile("/tmp", language);  // a folder is no settings file
    EXPECT_EQ(language, "rus");
}
