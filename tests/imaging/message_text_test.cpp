#include "message_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

bool ValidUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const std::size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += length;
    }
    return true;
}

}  // namespace

TEST(MessageText, LongValuesKeepTheirStartAndEnd) {
    const std::string path = "/home/user/" + std::string(10000, 'd') + "/IMG_0001.JPG";
    const std::string cyrillic = "/фото/" + std::string(300, 'a') + "/снимок.jpg";
    const struct {
        std::string text;
        std::size_t limit;
    } cases[] = {{"/short/a.jpg", kQuotedLength}, {std::string(120, 'a'), kQuotedLength},
                 {path, kQuotedLength}, {path, 20}, {cyrillic, kQuotedLength},
                 {"абвгдеёжзийклмнопрстуфхцчшщ", 17}};
    for (const auto& c : cases) {
        const std::string shown = Shortened(c.text, c.limit);
        SCOPED_TRACE(shown);
        EXPECT_LE(shown.size(), c.limit);
        EXPECT_TRUE(ValidUtf8(shown));
        if (c.text.size() <= c.limit) {
            EXPECT_EQ(shown, c.text);
            continue;
        }
        const std::size_t dots = shown.find("...");
        ASSERT_NE(dots, std::string::npos);
        EXPECT_EQ(c.text.compare(0, dots, shown, 0, dots), 0);  // the start as it was
        const std::string tail = shown.substr(dots + 3);
        EXPECT_EQ(c.text.compare(c.text.size() - tail.size(), tail.size(), tail), 0);
        EXPECT_GE(shown.size(), c.limit - 3);  // only a character split keeps it shorter
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

    const std::vector<std::string> failures(12, "/p/" + std::string(5000, 'q') + ": gone");
    const std::string list = FailureLines(failures);
    EXPECT_LT(list.size(), 4000u);
    EXPECT_EQ(list.substr(list.rfind('\n') + 1), "... and 2 more.");
}
