#include <sys/stat.h>

#include <gtest/gtest.h>

#include "atomic_file.h"
#include "image_error.h"
#include "paths.h"
#include "test_support.h"

namespace {

struct SplitCase {
    const char* path;
    const char* drive;
    const char* filePath;
    const char* dir;
    const char* name;
    const char* ext;
};

// Paths of this system and paths written on a desktop with drive letters and '\'.
const SplitCase kSplits[] = {
    {"/home/u/pics/a.jpg", "/", "/home/u/pics/", "/home/u/pics", "a.jpg", ".jpg"},
    {"pics/a.jpg", "", "pics/", "pics", "a.jpg", ".jpg"},
    {"a.jpg", "", "", "", "a.jpg", ".jpg"},
    {"", "", "", "", "", ""},
    {"/a.jpg", "/", "/", "/", "a.jpg", ".jpg"},
    {"C:\\Photos\\a.jpg", "C:", "C:\\Photos\\", "C:\\Photos", "a.jpg", ".jpg"},
    {"C:\\a.jpg", "C:", "C:\\", "C:\\", "a.jpg", ".jpg"},
    {"D:/x\\y/a.jpg", "D:", "D:/x\\y/", "D:/x\\y", "a.jpg", ".jpg"},
    {"c:a.JPG", "c:", "c:", "c:", "a.JPG", ".JPG"},
    {"\\\\server\\share\\b.tar.gz", "", "\\\\server\\share\\", "\\\\server\\share", "b.tar.gz", ".gz"},
    {"\\pics\\b", "", "\\pics\\", "\\pics", "b", ""},
    {"dir.d/name", "", "dir.d/", "dir.d", "name", ""},
    {"/x/.jpg", "/", "/x/", "/x", ".jpg", ".jpg"},
    {"folder//a", "", "folder//", "folder", "a", ""},
    {"1:a", "", "", "", "1:a", ""},
};

TEST(PathSplitting, TakesBothSeparatorsAndDriveLetters) {
    for (const SplitCase& c : kSplits) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(ExtractFileDrive(c.path), c.drive);
        EXPECT_EQ(ExtractFilePath(c.path), c.filePath);
        EXPECT_EQ(ExtractFileDir(c.path), c.dir);
        EXPECT_EQ(ExtractFileName(c.path), c.name);
        EXPECT_EQ(ExtractFileExt(c.path), c.ext);
        // The split cuts and never alters.
        EXPECT_EQ(ExtractFilePath(c.path) + ExtractFileName(c.path), c.path);
        // A new extension is what the changed path reports, and the folder stays.
        const std::string changed = ChangeFileExt(c.path, ".bmp");
        EXPECT_EQ(ExtractFileExt(changed), ".bmp");
        EXPECT_EQ(ExtractFilePath(changed), c.filePath);
    }
}

TEST(PathSplitting, ChangeFileExtReplacesOnlyTheNamesExtension) {
    const struct {
        const char* path;
        const char* ext;
        const char* expected;
    } cases[] = {
        {"a.jpg", ".bmp", "a.bmp"},
        {"dir.d/name", ".txt", "dir.d/name.txt"},
        {"C:\\x.y\\pic", ".jpg", "C:\\x.y\\pic.jpg"},
        {"a.tar.gz", "", "a.tar"},
        {"", ".jpg", ".jpg"},
    };
    for (const auto& c : cases) EXPECT_EQ(ChangeFileExt(c.path, c.ext), c.expected) << c.path;
}

TEST(PathBuilding, UsesThePlatformSeparatorOnce) {
    const struct {
        const char* folder;
        const char* included;
        const char* excluded;
        const char* joined;  // with "n"
    } cases[] = {
        {"", "", "", "n"},
        {"/", "/", "/", "/n"},
        {"a", "a/", "a", "a/n"},
        {"a/", "a/", "a", "a/n"},
        {"a//", "a//", "a", "a//n"},
        {"C:\\", "C:\\/", "C:\\", "C:\\/n"},  // '\' is a name character when building here
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        EXPECT_EQ(IncludeTrailingSeparator(c.folder), c.included);
        EXPECT_EQ(ExcludeTrailingSeparator(c.folder), c.excluded);
        EXPECT_EQ(JoinPath(c.folder, "n"), c.joined);
    }
}

TEST(ResolveUserFilePath, PathsWrittenElsewhereFindThePicturesBesideTheFile) {
    TempFolder tmp;
    ASSERT_EQ(tmp.Path()[0], '/');
    ASSERT_EQ(::mkdir(tmp.File("views").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(tmp.File("other").c_str(), 0755), 0);
    WriteBytes(tmp.File("other/side.jpg"), {1});
    std::string rootedOther = tmp.File("other/side.jpg");
    for (char& c : rootedOther)
        if (c == '/') c = '\\';
    const std::string textFile = tmp.File("views/v.txt");
    const std::string beside = tmp.File("views/side.jpg");
    const struct {
        std::string written;
        std::string expected;
    } cases[] = {
        {"", ""},
        {"/no/such/side.jpg", "/no/such/side.jpg"},
        {"D:\\pictures\\side.jpg", beside},
        {"d:side.jpg", beside},
        {"\\\\server\\share\\side.jpg", beside},
        {"\\no\\such\\side.jpg", beside},
        {rootedOther, tmp.File("other/side.jpg")},
        {"sub\\side.jpg", tmp.File("views/sub/side.jpg")},
        {"..\\other/side.jpg", tmp.File("views/../other/side.jpg")},
        {"side.jpg", beside},
    };
    for (const auto& c : cases) EXPECT_EQ(ResolveUserFilePath(c.written, textFile), c.expected) << c.written;
    // A text file named without a folder lies in the working folder, and so do its pictures.
    EXPECT_EQ(ResolveUserFilePath("D:\\pictures\\side.jpg", "v.txt"), "side.jpg");
}

// A '\' in a name on this system must not move the temporary file of a safe save out of the
// target's folder, or the final rename would fail.
TEST(AtomicFileWriter, BackslashInANameStaysInItsFolder) {
    TempFolder tmp;
    const std::string target = tmp.File("a\\b.txt");
    WriteFileAtomically(target, "xy", 2);
    EXPECT_EQ(ReadBytes(target), (std::vector<uint8_t>{'x', 'y'}));
    EXPECT_EQ(FolderEntries(tmp.Path()), std::vector<std::string>{"a\\b.txt"});
}

TEST(AtomicFileWriter, ANameAsLongAsTheFolderAllowsIsSaved) {
    TempFolder tmp;
    // Its temporary file's name is cut to fit, also where a '\' is part of the name.
    for (const std::string& longest : {std::string(255, 'n'), "a\\" + std::string(253, 'n'),
                                      std::string(254, 'n') + "\\"}) {
        WriteFileAtomically(tmp.File(longest), "xy", 2);
        EXPECT_EQ(ReadBytes(tmp.File(longest)), (std::vector<uint8_t>{'x', 'y'}));
        EXPECT_EQ(FolderEntries(tmp.Path()), std::vector<std::string>{longest});
        EXPECT_THROW(WriteFileAtomically(tmp.File(longest + "n"), "xy", 2), ImageError);
        ::unlink(tmp.File(longest).c_str());
    }
}

}  // namespace
