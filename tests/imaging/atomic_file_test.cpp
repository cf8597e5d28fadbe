#include "atomic_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <vector>

#include "image_error.h"
#include "test_support.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

void Save(const std::string& path, const std::string& text) {
    WriteFileAtomically(path, text.data(), text.size());
}

std::string LinkText(const std::string& link) {
    char buffer[4096];
    const ssize_t n = ::readlink(link.c_str(), buffer, sizeof buffer);
    return n < 0 ? std::string() : std::string(buffer, static_cast<std::size_t>(n));
}

}  // namespace

TEST(AtomicFile, SavingThroughASymbolicLinkReplacesItsTargetAndKeepsTheLink) {
    TempFolder folder;
    ASSERT_EQ(::mkdir(folder.File("pictures").c_str(), 0755), 0);
    struct Case {
        const char* link;
        const char* pointsTo;  // as stored in the link
        const char* target;    // the file that must receive the bytes
        bool targetExists;
    } cases[] = {
        {"relative.jpg", "pictures/a.jpg", "pictures/a.jpg", true},
        {"absolute.jpg", "", "pictures/b.jpg", true},  // "" : the target's full path
        {"chain.jpg", "relative.jpg", "pictures/a.jpg", true},
        {"dangling.jpg", "pictures/new.jpg", "pictures/new.jpg", false},
    };
    for (const Case& c : cases) {
        const std::string target = folder.File(c.target);
        if (c.targetExists) WriteBytes(target, Bytes("old"));
        const std::string pointsTo = *c.pointsTo ? c.pointsTo : target;
        ASSERT_EQ(::symlink(pointsTo.c_str(), folder.File(c.link).c_str()), 0) << c.link;
        Save(folder.File(c.link), std::string("new ") + c.link);

        EXPECT_EQ(ReadBytes(target), Bytes(std::string("new ") + c.link)) << c.link;
        struct stat info;
        ASSERT_EQ(::lstat(folder.File(c.link).c_str(), &info), 0);
        EXPECT_TRUE(S_ISLNK(info.st_mode)) << c.link;
        EXPECT_EQ(LinkText(folder.File(c.link)), pointsTo) << c.link;
    }
    EXPECT_EQ(FolderEntries(folder.File("pictures")).size(), 3u);  // no temporary left

    // Links that point at each other name no file: refused, nothing written.
    ASSERT_EQ(::symlink("loop2.jpg", folder.File("loop1.jpg").c_str()), 0);
    ASSERT_EQ(::symlink("loop1.jpg", folder.File("loop2.jpg").c_str()), 0);
    try {
        Save(folder.File("loop1.jpg"), "x");
        FAIL() << "no error";
    } catch (const ImageError& e) {
        EXPECT_NE(std::string(e.what()).find("loop1.jpg"), std::string::npos) << e.what();
    }
}

namespace {

// Runs in the death-test child; its exit code tells which step went wrong.
[[noreturn]] void SaveInReadOnlyFolder(const TempFolder& folder, const std::string& file,
                                       const std::string& locked) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) _exit(10);
    Save(file, "short");
    if (ReadBytes(file) != Bytes("short")) _exit(11);
    try {  // a read-only file in a read-only folder cannot be saved at all
        Save(locked, "x");
        _exit(12);
    } catch (const ImageError& e) {
        if (std::string(e.what()).find("locked.bmp") == std::string::npos) _exit(13);
    }
    // The write runs out of room half-way: that must be reported, not passed over.
    struct rlimit small;
    small.rlim_cur = small.rlim_max = 4;
    std::signal(SIGXFSZ, SIG_IGN);
    if (::setrlimit(RLIMIT_FSIZE, &small) != 0) _exit(14);
    try {
        Save(file, "far too long for the limit");
        _exit(15);
    } catch (const ImageError& e) {
        if (std::string(e.what()).find("File too large") == std::string::npos) _exit(16);
    }
    _exit(FolderEntries(folder.Path()).size() == 2 ? 0 : 17);
}

}  // namespace

// Root may create files in any folder, so the child drops to an unprivileged user first.
TEST(AtomicFile, ReadOnlyFolderWritesAWritableFileInPlaceAndReportsAnIncompleteWrite) {
    TempFolder folder;
    const std::string file = folder.File("view.bmp");
    const std::string locked = folder.File("locked.bmp");
    WriteBytes(file, Bytes("a longer previous content"));
    WriteBytes(locked, Bytes("keep"));
    ASSERT_EQ(::chmod(file.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
    ASSERT_EQ(::chmod(folder.Path().c_str(), 0555), 0);

    EXPECT_EXIT(SaveInReadOnlyFolder(folder, file, locked), ::testing::ExitedWithCode(0), "");
    ::chmod(folder.Path().c_str(), 0755);
}
