#include <gtest/gtest.h>

#include <algorithm>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "jpeg_image.h"
#include "object_frames.h"
#include "test_support.h"

namespace {

TEST(ObjectFrames, FrameNamesEndInJpgOrJpegWhateverTheCase) {
    const struct {
        const char* name;
        bool frame;
    } cases[] = {
        {"a.jpg", true},   {"IMG_0001.JPG", true}, {"turn.Jpeg", true}, {".jpeg", true},
        {".jpg", false},   {"a.jpe", false},       {"a.jpg.txt", false}, {"jpg", false},
        {"a.png", false},  {"", false},            {"x.JPEG", true},     {"a_jpg", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsFrameName(c.name), c.frame) << c.name;
}

std::vector<std::string> Paths(const FrameLoadResult& result) {
    std::vector<std::string> paths;
    for (const ObjectFrame& frame : result.frames) paths.push_back(frame.path);
    return paths;
}

TEST(ObjectFrames, FolderLoadTakesItsOwnFramesInNameOrderAndNamesTheOnesItSkips) {
    TempFolder folder;
    SaveJpegFile(NumberedPicture(8, 6), folder.File("b.JPG"), 90);
    SaveJpegFile(NumberedPicture(4, 4), folder.File("A.jpeg"), 90);
    SaveJpegFile(NumberedPicture(8, 6), folder.File("c.jpg"), 90);
    WriteBytes(folder.File("broken.jpg"), {'n', 'o', 't'});
    WriteBytes(folder.File("empty.jpg"), {});
    WriteBytes(folder.File("notes.txt"), {'x'});
    ::mkdir(folder.File("sub.jpg").c_str(), 0700);
    SaveJpegFile(NumberedPicture(8, 6), folder.File("sub.jpg/inner.jpg"), 90);

    // Any file of the folder, even one gone by now, names the sequence.
    const FrameLoadResult result = LoadFrameFolder(folder.File("gone.jpg"));
    EXPECT_EQ(Paths(result), (std::vector<std::string>{folder.File("A.jpeg"), folder.File("b.JPG"),
                                                       folder.File("c.jpg")}));
    EXPECT_EQ(result.frames[0].width, 4);
    EXPECT_EQ(result.frames[1].height, 6);
    ASSERT_EQ(result.skipped.size(), 2u);
    EXPECT_EQ(result.skipped[0].path, folder.File("broken.jpg"));
    EXPECT_EQ(result.skipped[1].path, folder.File("empty.jpg"));
    const std::string text = LoadProblemsText(result, "eng");
    EXPECT_EQ(text.find(folder.File("broken.jpg")), 0u) << text;  // the file first
    EXPECT_NE(text.find(folder.File("empty.jpg")), std::string::npos) << text;
    EXPECT_TRUE(result.unlistableFolder.empty());
}

TEST(ObjectFrames, MissingFolderIsReportedWithItsSearchPattern) {
    const FrameLoadResult result = LoadFrameFolder("/no/such/folder/a.jpg");
    EXPECT_TRUE(result.frames.empty());
    EXPECT_EQ(result.unlistableFolder, "/no/such/folder/*.*");
    EXPECT_EQ(FolderSearchPattern("/"), "/*.*");
}

TEST(ObjectFrames, TableHoldsAtMost360FramesAndSaysHowManyWereLeft) {
    TempFolder folder;
    SaveJpegFile(NumberedPicture(2, 2), folder.File("f.jpg"), 90);
    const std::vector<std::string> paths(kMaxFrames + 3, folder.File("f.jpg"));
    const FrameLoadResult result = LoadFrameFiles(paths);
    EXPECT_EQ(static_cast<int32_t>(result.frames.size()), kMaxFrames);
    EXPECT_EQ(result.leftOver, 3);
    EXPECT_NE(LoadProblemsText(result, "eng").find("360"), std::string::npos);
    EXPECT_NE(LoadProblemsText(result, "rus").find("360"), std::string::npos);
    EXPECT_EQ(LoadProblemsText(LoadFrameFiles({folder.File("f.jpg")}), "eng"), "");
}

TEST(ObjectFrames, ManySkippedFilesAreNamedUpToTenAndCountedInBothLanguages) {
    FrameLoadResult result;
    for (int i = 0; i < 25; ++i) result.skipped.push_back({"/f/" + std::to_string(i), "bad"});
    for (const char* language : {"eng", "rus"}) {
        const std::string text = LoadProblemsText(result, language);
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 10) << language;
        EXPECT_EQ(text.find("/f/10"), std::string::npos) << language;
        EXPECT_NE(text.substr(text.rfind('\n')).find("15"), std::string::npos) << language;
    }
    result.skipped.resize(10);  // ten are all named, with nothing to count
    const std::string ten = LoadProblemsText(result, "eng");
    EXPECT_EQ(ten.rfind('\n'), ten.find("\n/f/9"));
}

}  // namespace
