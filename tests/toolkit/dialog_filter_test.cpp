#include "dialog_filter.h"

#include <gtest/gtest.h>

TEST(DialogFilter, PairsBecomeQtNameFiltersWithSpaceSeparatedPatterns) {
    const std::vector<std::string> filters =
        QtNameFilters("JPEG (*.jpg;*.jpeg)|*.jpg;*.jpeg|Stereo|*.jps|All files|*.*");
    ASSERT_EQ(filters.size(), 3u);
    // Qt takes the patterns from the last parenthesis group, so the description stays as is.
    EXPECT_EQ(filters[0], "JPEG (*.jpg;*.jpeg) (*.jpg *.jpeg)");
    EXPECT_EQ(filters[1], "Stereo (*.jps)");
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
    EXPECT_EQ(bare[0], "*.mvw (*.mvw)");
    // Doubled separators between patterns.
    EXPECT_EQ(QtNameFilters("Pics|*.jpg;;*.bmp")[0], "Pics (*.jpg *.bmp)");
}
