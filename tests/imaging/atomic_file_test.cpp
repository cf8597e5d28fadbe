#include "atomic_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <string>

#include "image_error.h"
#include "test_support.h"

namespace {

void Save(const std::string& path, const std::string& text) {
    WriteFileAtomically(path, text.data(), text.size());
}

std::string Text(const std::string& path) {
    const std::vector<uint8_t> bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// Runs in a death-test child (root may create files anywhere, so it drops to "nobody" first);
// the exit code tells which step went wrong.
[[noreturn]] void SaveInReadOnlyFolder(const std::string& file, const std::string& locked) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) _exit(10);
    Save(file, "short");
    if (Text(file) != "short") _exit(11);
    try {  // a read-only file in a read-only folder cannot be saved at all
        Save(locked, "x");
        _exit(12);
    } catch (const ImageError&) {
    }
    struct rlimit small;  // the write runs out of room half-way: reported, not passed over
    small.rlim_cur = small.rlim_max = 4;
    std::signal(SIGXFSZ, SIG_IGN);
    if (::setrlimit(RLIMIT_FSIZE, &small) != 0) _exit(13);
    try {
        Save(file, "far too long for the limit");
    } catch (const ImageError& e) {
        // The room is asked for before the old contents are touched: they stay whole.
        if (std::string(e.what()).find("File too large. The file was left as it was.") ==
            std::string::npos)
            _exit(14);
        _exit(Text(file) == "short" ? 0 : 16);
    }
    _exit(15);
}

// The same on a full disk: the save is refused and the old file is kept whole.
[[noreturn]] void SaveOnFullDisk(const std::string& file, std::size_t size) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) _exit(10);
    const std::vector<uint8_t> before = ReadBytes(file);
    try {
        WriteFileAtomically(file, std::string(size, 'n').data(), size);
    } catch (const ImageError& e) {
        if (std::string(e.what()).find("No space left on device. The file was left as it was.") ==
            std::string::npos)
            _exit(11);
        _exit(ReadBytes(file) == before ? 0 : 12);
    }
    _exit(13);
}

}  // namespace

TEST(AtomicFile, SavingThroughASymbolicLinkReplacesItsTargetAndKeepsTheLink) {
    TempFolder folder;
    ASSERT_EQ(::mkdir(folder.File("pictures").c_str(), 0755), 0);
    WriteBytes(folder.File("pictures/a.jpg"), {'o', 'l', 'd'});
    const struct {
        const char *link, *pointsTo, *target;
    } cases[] = {
        {"relative.jpg", "pictures/a.jpg", "pictures/a.jpg"},
        {"chain.jpg", "relative.jpg", "pictures/a.jpg"},
        {"dangling.jpg", "pictures/new.jpg", "pictures/new.jpg"},  // the target is created
        {"pictures/b\\link.jpg", "a.jpg", "pictures/a.jpg"},  // a backslash is part of a name
    };
    for (const auto& c : cases) {
        ASSERT_EQ(::symlink(c.pointsTo, folder.File(c.link).c_str()), 0);
        Save(folder.File(c.link), c.link);
        EXPECT_EQ(Text(folder.File(c.target)), c.link);
        struct stat info;
        ASSERT_EQ(::lstat(folder.File(c.link).c_str(), &info), 0);
        EXPECT_TRUE(S_ISLNK(info.st_mode)) << c.link;
    }
    EXPECT_EQ(FolderEntries(folder.File("pictures")).size(), 3u);  // no temporary left
}

TEST(AtomicFile, ReadOnlyFolderWritesAWritableFileInPlaceAndReportsAnIncompleteWrite) {
    TempFolder folder;
    WriteBytes(folder.File("view.bmp"), {'l', 'o', 'n', 'g', 'e', 'r', ' ', 'o', 'l', 'd'});
    WriteBytes(folder.File("locked.bmp"), {'k'});
    ASSERT_EQ(::chmod(folder.File("view.bmp").c_str(), 0666), 0);
    ASSERT_EQ(::chmod(folder.File("locked.bmp").c_str(), 0444), 0);
    ASSERT_EQ(::chmod(folder.Path().c_str(), 0555), 0);
    EXPECT_EXIT(SaveInReadOnlyFolder(folder.File("view.bmp"), folder.File("locked.bmp")),
                ::testing::ExitedWithCode(0), "");
    ::chmod(folder.Path().c_str(), 0755);
}

TEST(AtomicFile, InPlaceSaveOnAFullDiskKeepsTheOldFileWhole) {
    TestMount disk("size=256k,mode=0755");
    if (!disk.Mounted()) GTEST_SKIP() << "no right to mount a file system here";
    const std::string folder = disk.File("pictures"), file = disk.File("pictures/view.jpg");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    WriteBytes(file, std::vector<uint8_t>(20000, 'o'));
    try {  // every block left is taken
        for (int i = 0; i < 1000; ++i)
            WriteBytes(disk.File("filler" + std::to_string(i)), std::vector<uint8_t>(4096, 'f'));
    } catch (const std::runtime_error&) {
    }
    ASSERT_EQ(::chmod(file.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    // Longer than the old file: a write that started before knowing there is room would have
    // overwritten its 20000 bytes and then stopped.
    EXPECT_EXIT(SaveOnFullDisk(file, 60000), ::testing::ExitedWithCode(0), "");
}

// A buffer read into again holds the new file exactly, whether it is longer or shorter than
// the one before, and nothing after a failed read.
TEST(ReadWholeFile, AReusedBufferHoldsExactlyTheFileReadLast) {
    TempFolder folder;
    Save(folder.File("long"), std::string(70000, 'a') + "end");
    Save(folder.File("short"), "tiny");
    Save(folder.File("empty"), "");
    std::vector<uint8_t> bytes;
    ReadWholeFile(folder.File("long"), bytes);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), std::string(70000, 'a') + "end");
    ReadWholeFile(folder.File("short"), bytes);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "tiny");
    ReadWholeFile(folder.File("empty"), bytes);
    EXPECT_TRUE(bytes.empty());
    ReadWholeFile(folder.File("long"), bytes);
    EXPECT_EQ(bytes.size(), 70003u);
    EXPECT_THROW(ReadWholeFile(folder.File("missing"), bytes), ImageError);
    EXPECT_TRUE(bytes.empty());
}
