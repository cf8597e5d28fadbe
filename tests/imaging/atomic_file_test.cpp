#include "atomic_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <string>

#include "image_error.h"
#include "jpeg_image.h"
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

// A write that bypasses the page cache stores exactly the bytes given, whatever part of them
// the file system takes directly: large and small blocks, a tail after the last whole block,
// a block that is not aligned in memory or in the file, and a file system without direct
// writes in some kernels (tmpfs). On a full disk it fails like any write and leaves no file.
TEST(AtomicFile, AnUncachedWriteStoresExactlyTheBytesOrFailsLeavingNothing) {
    EncodedBytes store(3u << 20);
    for (std::size_t i = 0; i < store.size(); ++i)
        store[i] = static_cast<uint8_t>(i * 131 + (i >> 12));
    ASSERT_EQ(reinterpret_cast<uintptr_t>(store.data()) % 4096, 0u) << "a large store is aligned";
    struct Case {
        std::size_t offset, size, before;  // from store + offset; bytes written by Write first
    };
    const Case cases[] = {{0, 3u << 20, 0},          {0, (3u << 20) - 1229, 0},
                          {0, 100000, 0},            {1, (2u << 20) + 7, 0},
                          {0, (2u << 20) + 99, 10},  {0, 0, 0}};
    TempFolder folder;
    TestMount memory("size=16m,mode=0755");
    std::vector<std::string> places = {folder.Path()};
    if (memory.Mounted()) places.push_back(memory.File(""));
    for (const std::string& place : places)
        for (const Case& c : cases) {
            SCOPED_TRACE(place + " " + std::to_string(c.offset) + "+" + std::to_string(c.size));
            const std::string path = place + "/uncached.bin";
            AtomicFileWriter writer(path);
            writer.Write(store.data() + 5000, c.before);
            writer.WriteUncached(store.data() + c.offset, c.size);
            writer.Commit();
            std::vector<uint8_t> expected(store.begin() + 5000, store.begin() + 5000 + c.before);
            expected.insert(expected.end(), store.begin() + c.offset,
                            store.begin() + c.offset + c.size);
            EXPECT_EQ(ReadBytes(path), expected);
        }
    TestMount small("size=2m,mode=0755");
    if (!small.Mounted()) GTEST_SKIP() << "no right to mount a file system here";
    const std::string full = small.File("full.jpg");
    try {
        WriteFileAtomicallyUncached(full, store.data(), store.size());
        ADD_FAILURE() << "3 MB fit a 2 MB disk";
    } catch (const ImageError& e) {
        EXPECT_NE(std::string(e.what()).find("No space left on device"), std::string::npos)
            << e.what();
    }
    EXPECT_TRUE(FolderEntries(small.File("")).empty());
}
