#include "view_saving.h"

#include <gtest/gtest.h>

TEST(PanoramaSaving, ExtensionDecidesAndTheFilterIndexCoversTheRest) {
    struct Case {
        const char* name;
        int filterIndex;
        const char* path;
        SaveFormat format;
    };
    const Case cases[] = {
        {"/tmp/a.bmp", 1, "/tmp/a.bmp", SaveFormat::Bmp},
        {"/tmp/a.BMP", 1, "/tmp/a.BMP", SaveFormat::Bmp},
        {"/tmp/a.jpg", 2, "/tmp/a.jpg", SaveFormat::Jpeg},
        {"/tmp/a.JpEg", 2, "/tmp/a.JpEg", SaveFormat::Jpeg},
        {"/tmp/a", 1, "/tmp/a.jpg", SaveFormat::Jpeg},
        {"/tmp/a", 2, "/tmp/a.bmp", SaveFormat::Bmp},
        {"/tmp/a.png", 1, "/tmp/a.png.jpg", SaveFormat::Jpeg},
        {"/tmp/a.png", 2, "/tmp/a.png.bmp", SaveFormat::Bmp},
        {"/tmp/a.jpg.txt", 2, "/tmp/a.jpg.txt.bmp", SaveFormat::Bmp},
        // A dot in a folder name is no extension.
        {"/tmp/v1.bmp/view", 1, "/tmp/v1.bmp/view.jpg", SaveFormat::Jpeg},
        {"C:\\pics.jpg\\view", 2, "C:\\pics.jpg\\view.bmp", SaveFormat::Bmp},
        {"/tmp/a.", 1, "/tmp/a..jpg", SaveFormat::Jpeg},
    };
    for (const Case& c : cases) {
        const SaveTarget t = ChooseSaveTarget(c.name, c.filterIndex);
        EXPECT_EQ(t.path, c.path) << c.name << " " << c.filterIndex;
        EXPECT_EQ(t.format, c.format) << c.name << " " << c.filterIndex;
    }
}
