#include "message_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

// A shortened value keeps its start and its end, fits the limit and never cuts a UTF-8
// character (no byte after the dots continues one, none before them is left open).
TEST(MessageText, LongValuesKeepTheirStartAndEnd) {
    const std::string path = "/home/user/" + std::string(10000, 'd') + "/IMG_0001.JPG";
    const std::string cyrillic = "/фото/" + std::string(300, 'a') + "/снимок.jpg";
    const struct {
        std::string text;
        std::size_t limit;
    } cases[] = {{"/short/a.jpg", kQuotedLength}, {path, kQuotedLength}, {path, 20},
                 {cyrillic, kQuotedLength}, {"абвгдеёжзийклмнопрстуфхцчшщ", 17}};
    for (const auto& c : cases) {
        const std::string shown = Shortened(c.text, c.limit);
        SCOPED_TRACE(shown);
        EXPECT_LE(shown.size(), c.limit);
        const std::size_t dots = shown.find("...");
        if (c.text.size() <= c.limit || dots == std::string::npos) {
            EXPECT_EQ(shown, c.text);
            continue;
        }
        const std::string tail = shown.substr(dots + 3);
        EXPECT_EQ(c.text.compare(0, dots, shown, 0, dots), 0);
        EXPECT_EQ(c.text.compare(c.text.size() - tail.size(), tail.size(), tail), 0);
        EXPECT_GE(shown.size(), c.limit - 3);  // only a character kept whole makes it shorter
        EXPECT_NE(static_cast<unsigned char>(tail[0]) & 0xC0, 0x80);
        EXPECT_LT(static_cast<unsigned char>(shown[dots - 1]), 0xC0);
    }
    EXPECT_EQ(Shortened(path).substr(Shortened(path).size() - 13), "/IMG_0001.JPG");
}

TEST(MessageText, BoxesAndListsStayShort) {
    std::string many = "first";
    for (int i = 1; i < 100; ++i) many += "\nline " + std::to_string(i);
    const std::string box = BoxText(many);
    EXPECT_EQ(std::count(box.begin(), box.end(), '\n'), static_cast<long>(kBoxLines));
    EXPECT_EQ(box.substr(box.rfind('\n') + 1), "... and 70 more lines.");
    EXPECT_EQ(BoxText("Can't open file!\n/a.jpg: gone"), "Can't open file!\n/a.jpg: gone");
    EXPECT_LT(BoxText(std::string(1 << 20, 'z')).size(), 400u);
    const std::string list = FailureLines(std::vector<std::string>(12, std::string(5000, 'q')));
    EXPECT_LT(list.size(), 4000u);
    EXPECT_EQ(list.substr(list.rfind('\n') + 1), "... and 2 more.");
}
