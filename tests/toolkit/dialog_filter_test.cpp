#include "dialog_filter.h"

#include <fnmatch.h>
#include <gtest/gtest.h>

TEST(DialogFilter, PairsBecomeQtNameFiltersWithSpaceSeparatedPatterns) {
    const std::vector<std::string> filters =
        QtNameFilters("JPEG (*.jpg;*.jpeg)|*.jpg;*.jpeg|Stereo|*.jps|All files|*.*");
    ASSERT_EQ(filters.size(), 3u);
    // Qt takes the patterns from the last parenthesis group, so the description stays as is.
    EXPECT_EQ(filters[0], "JPEG (*.jpg;*.jpeg) (*.jpg *.JPG *.jpeg *.JPEG)");
    EXPECT_EQ(filters[1], "Stereo (*.jps *.JPS)");
    EXPECT_EQ(filters[2], "All files (*.*)");
}

TEST(DialogFilter, OddAndEmptyInputsStaySafe) {
    EXPECT_TRUE(QtNameFilters("").empty());
    EXPECT_TRUE(ParseDialogFilter("").empty());
    // A description without its pattern part matches everything.
    const std::vector<std::string> lone = QtNameFilters("Pictures");
    ASSERT_EQ(lone.size(), 1u);
    EXPECT_EQ(lone[0], "Pictures (*)");
    // A trailing separator adds no empty entry.
    EXPECT_EQ(ParseDialogFilter("Text|*.txt|").size(), 1u);
    // Empty description: the patterns name the entry.
    const std::vector<std::string> bare = QtNameFilters("|*.mvw");
    ASSERT_EQ(bare.size(), 1u);
    EXPECT_EQ(bare[0], "*.mvw (*.mvw *.MVW)");
    // Doubled separators between patterns.
    EXPECT_EQ(QtNameFilters("Pics|*.jpg;;*.bmp")[0], "Pics (*.jpg *.JPG *.bmp *.BMP)");
}

// Some desktop file dialogs (GTK's among them) match filter patterns case-sensitively, which
// would hide a camera's "IMG_0001.JPG" behind a "*.jpg" filter; on the desktop these filters
// come from, letter case never mattered.
TEST(DialogFilter, PatternsFindNamesInEitherLetterCase) {
    auto matchesCaseSensitively = [](const std::string& qtFilter, const std::string& name) {
        const std::size_t open = qtFilter.rfind('(');
        const std::string group = qtFilter.substr(open + 1, qtFilter.size() - open - 2);
        std::size_t start = 0;
        while (start <= group.size()) {
            std::size_t end = group.find(' ', start);
            if (end == std::string::npos) end = group.size();
            if (fnmatch(group.substr(start, end - start).c_str(), name.c_str(), 0) == 0)
                return true;
            start = end + 1;
        }
        return false;
    };
    const std::vector<std::string> filters =
        QtNameFilters("Stereo pictures|*.jpg;*.jpeg;*.jps|Mixed|*.Mvw|All|*.*");
    ASSERT_EQ(filters.size(), 3u);
    for (const char* name : {"IMG_0001.JPG", "img_0001.jpg", "pair.JPS", "pair.jpeg", "p.JPEG"})
        EXPECT_TRUE(matchesCaseSensitively(filters[0], name)) << name;
    EXPECT_FALSE(matchesCaseSensitively(filters[0], "notes.txt"));
    EXPECT_TRUE(matchesCaseSensitively(filters[1], "views.mvw"));
    EXPECT_TRUE(matchesCaseSensitively(filters[1], "VIEWS.MVW"));
    EXPECT_TRUE(matchesCaseSensitively(filters[1], "Views.Mvw"));  // as written
    EXPECT_EQ(filters[2], "All (*.*)");  // nothing to add where no letter is written
}

TEST(DialogFilter, DefaultExtOnlyCompletesNamesWithoutExtension) {
    const struct {
        const char* path;
        const char* ext;
        const char* expected;
    } cases[] = {
        {"/tmp/view3", "bmp", "/tmp/view3.bmp"},
        {"/tmp/view3", ".bmp", "/tmp/view3.bmp"},
        {"/tmp/view3.jpg", "bmp", "/tmp/view3.jpg"},
        {"/tmp/dir.d/view3", "prj", "/tmp/dir.d/view3.prj"},  // a dot in a folder is no extension
        {"C:\\work\\table", "txt", "C:\\work\\table.txt"},
        {"/home/u/.profile", "txt", "/home/u/.profile.txt"},
        {"/tmp/view3", "", "/tmp/view3"},
        {"/tmp/", "bmp", "/tmp/"},
        {"", "bmp", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(AddDefaultExt(c.path, c.ext), c.expected) << c.path;
}
