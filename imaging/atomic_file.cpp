#include "atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "image_error.h"
#include "paths.h"

namespace {

constexpr std::size_t kBufferSize = 1 << 16;

std::string SystemReason(int error) { return std::strerror(error); }

// The folder part of a path as the system reads it, with its final '/' ("" for none): the
// program's path splitting also takes a '\', which here is part of a name.
std::string FolderOnDisk(const std::string& path) {
    const std::size_t slash = path.rfind(kPathSeparator);
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The file a save replaces: path itself or, for a symbolic link, the file at the end of its
// chain of links (a relative link counts from the link's own folder). A dangling link names
// the file to create. Returns "" with errno ELOOP for a cycle.
std::string FollowLinks(const std::string& path) {
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info;
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
        std::vector<char> link(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 2);
        const ssize_t length = ::readlink(current.c_str(), link.data(), link.size() - 1);
        if (length <= 0) return current;
        const std::string to(link.data(), static_cast<std::size_t>(length));
        current = to.front() == '/' ? to : FolderOnDisk(current) + to;
    }
    errno = ELOOP;
    return std::string();
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(const std::string& path) : path_(path) {
    static std::atomic<unsigned> counter{0};
    if (path.empty() || path.back() == kPathSeparator) Fail("Cannot create file", EISDIR);
    target_ = FollowLinks(path);
    if (target_.empty()) Fail("Cannot create file", errno);
    // The temporary name is the target's name on disk (after its last '/': a '\' is part of a
    // name here) with a dot before it, so the temporary file lies in the target's own folder,
    // which the rename needs.
    const std::string folder = FolderOnDisk(target_);
    const std::string name = target_.substr(folder.size());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string suffix =
            ".tmp" + std::to_string(getpid()) + "-" + std::to_string(counter.fetch_add(1));
        // A name near the folder's limit still gets a temporary: its name part is cut to fit.
        tempPath_ = folder + "." + name.substr(0, NAME_MAX - 1 - suffix.size()) + suffix;
        fd_ = ::open(tempPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) break;
        if (errno == EEXIST) continue;
        tempPath_.clear();
        if (errno == EACCES || errno == EPERM || errno == EROFS) {
            OpenInPlace(errno);
            return;
        }
        Fail("Cannot create file", errno);
    }
    if (fd_ < 0) {
        tempPath_.clear();
        Fail("Cannot create file", EEXIST);
    }
    // A replaced file keeps its permissions.
    struct stat old;
    if (::stat(target_.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        (void)::fchmod(fd_, old.st_mode & 07777);
    try {
        buffer_.resize(kBufferSize);
    } catch (const std::bad_alloc&) {
        Fail("Cannot create file", ENOMEM);
    }
}

void AtomicFileWriter::OpenInPlace(int tempError) {
    // Only an existing regular file can be overwritten in place; anything else keeps the
    // reason the folder gave.
    struct stat info;
    if (::stat(target_.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        Fail("Cannot create file", tempError);
    // Opened now so that a read-only file is refused before anything is encoded; nothing is
    // written to it before Commit.
    fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) Fail("Cannot create file", errno);
    inPlace_ = true;
}

AtomicFileWriter::~AtomicFileWriter() { Discard(); }

void AtomicFileWriter::Discard() noexcept {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!tempPath_.empty()) {
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
    }
}

void AtomicFileWriter::Fail(const char* what, int error, const char* more) {
    Discard();
    throw ImageError(std::string(what) + " \"" + path_ + "\". " + SystemReason(error) + more);
}

void AtomicFileWriter::WriteAll(const uint8_t* bytes, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd_, bytes + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail("Cannot write file", errno);
        }
        done += static_cast<std::size_t>(n);
    }
}

void AtomicFileWriter::Flush() {
    WriteAll(buffer_.data(), used_);
    used_ = 0;
}

void AtomicFileWriter::Write(const void* data, std::size_t size) {
    if (fd_ < 0) Fail("Cannot write file", EBADF);
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    if (inPlace_) {
        try {
            buffer_.insert(buffer_.end(), bytes, bytes + size);
        } catch (const std::bad_alloc&) {
            Fail("Cannot write file", ENOMEM);
        }
        return;
    }
    if (size >= kBufferSize) {
        Flush();
        WriteAll(bytes, size);
        return;
    }
    if (used_ + size > kBufferSize) Flush();
    std::memcpy(buffer_.data() + used_, bytes, size);
    used_ += size;
}

// The blocks of a direct write: its address, length and file offset must be multiples of the
// device's block; 4096 covers every block size in use.
constexpr std::size_t kDirectBlock = 4096;
// Below this a copy through the page cache costs too little to bother.
constexpr std::size_t kDirectAtLeast = std::size_t(1) << 20;

std::size_t AtomicFileWriter::WriteDirect(const uint8_t* bytes, std::size_t size) {
    const std::size_t whole = size / kDirectBlock * kDirectBlock;
    const off_t at = ::lseek(fd_, 0, SEEK_CUR);
    const int flags = ::fcntl(fd_, F_GETFL);
    if (whole < kDirectAtLeast || reinterpret_cast<uintptr_t>(bytes) % kDirectBlock != 0 ||
        at < 0 || at % static_cast<off_t>(kDirectBlock) != 0 || flags < 0 ||
        ::fcntl(fd_, F_SETFL, flags | O_DIRECT) != 0)
        return 0;
    std::size_t done = 0;
    while (done < whole) {
        const ssize_t n = ::write(fd_, bytes + done, whole - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EINVAL) break;  // refused after all: the rest goes the usual way
        if (n < 0) {
            const int error = errno;
            (void)::fcntl(fd_, F_SETFL, flags);
            Fail("Cannot write file", error);
        }
        done += static_cast<std::size_t>(n);
        if (done % kDirectBlock != 0) break;  // a short write leaves an unaligned offset
    }
    if (::fcntl(fd_, F_SETFL, flags) != 0) Fail("Cannot write file", errno);
    return done;
}

void AtomicFileWriter::WriteUncached(const void* data, std::size_t size) {
    if (fd_ < 0) Fail("Cannot write file", EBADF);
    if (inPlace_) {
        Write(data, size);
        return;
    }
    Flush();
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    const std::size_t direct = WriteDirect(bytes, size);
    WriteAll(bytes + direct, size - direct);
}

void AtomicFileWriter::Reserve(std::size_t size) {
    struct stat info;
    if (::fstat(fd_, &info) != 0) Fail("Cannot write file", errno);
    const off_t oldSize = info.st_size;
    const off_t newSize = static_cast<off_t>(size);
    // fallocate itself, not posix_fallocate: where a file system cannot allocate, the C
    // library's stand-in quietly writes one byte per block instead; here that case is seen, and
    // the whole new tail is written with zeros.
    int error = 0;
    while (size > 0 && ::fallocate(fd_, 0, 0, newSize) != 0) {
        if (errno == EINTR) continue;
        error = errno;
        break;
    }
    if ((error == EOPNOTSUPP || error == ENOSYS) && newSize > oldSize) {
        // Zeros written past the old end take the room the new contents need beyond it; the
        // blocks already held are overwritten in place.
        error = 0;
        const std::vector<uint8_t> zeros(std::min<std::size_t>(size, kBufferSize), 0);
        for (off_t at = oldSize; at < newSize && error == 0;) {
            const ssize_t n = ::pwrite(fd_, zeros.data(),
                                       static_cast<std::size_t>(std::min<off_t>(
                                           newSize - at, static_cast<off_t>(zeros.size()))),
                                       at);
            if (n > 0)
                at += n;
            else if (n == 0 || errno != EINTR)
                error = n == 0 ? ENOSPC : errno;
        }
    } else if (error == EOPNOTSUPP || error == ENOSYS) {
        error = 0;  // no longer than before: the blocks it holds take the new contents
    }
    if (error == 0) return;
    // The old contents were not touched; only the length may have grown.
    (void)::ftruncate(fd_, oldSize);
    Fail("Cannot write file", error, ". The file was left as it was.");
}

void AtomicFileWriter::CommitInPlace() {
    // Writing over the old contents cannot be undone, so the room for the whole new contents is
    // taken first: on a full disk (or past the size a process may write) the old file is kept
    // whole and the save refused.
    Reserve(buffer_.size());
    WriteAll(buffer_.data(), buffer_.size());
    if (::ftruncate(fd_, static_cast<off_t>(buffer_.size())) != 0)
        Fail("Cannot write file", errno);
    if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) Fail("Cannot write file", errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) Fail("Cannot write file", errno);
}

void AtomicFileWriter::Commit() {
    if (fd_ < 0) Fail("Cannot write file", EBADF);
    if (inPlace_) {
        CommitInPlace();
        return;
    }
    Flush();
    if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) Fail("Cannot write file", errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) Fail("Cannot write file", errno);
    if (::rename(tempPath_.c_str(), target_.c_str()) != 0) Fail("Cannot create file", errno);
    tempPath_.clear();
}

void WriteFileAtomically(const std::string& path, const void* data, std::size_t size) {
    AtomicFileWriter writer(path);
    writer.Write(data, size);
    writer.Commit();
}

void WriteFileAtomicallyUncached(const std::string& path, const void* data, std::size_t size) {
    AtomicFileWriter writer(path);
    writer.WriteUncached(data, size);
    writer.Commit();
}

namespace {

// Reads into bytes, whose storage is reused (only room beyond its old size is cleared).
template <typename Buffer>
void ReadAll(const std::string& path, const FileStartCheck& checkStart, Buffer& bytes) {
    auto fail = [&](int error) {
        bytes.clear();
        throw ImageError("Cannot open file \"" + path + "\". " + SystemReason(error));
    };
    // Non-blocking, so that a named pipe cannot hang the program before it is refused below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) fail(errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info;
    if (::fstat(fd, &info) != 0) fail(errno);
    if (S_ISDIR(info.st_mode)) fail(EISDIR);
    // Pipes and devices could block or never end; pictures and texts are regular files.
    if (!S_ISREG(info.st_mode)) fail(EINVAL);
    // Fills room bytes unless the file ends first; the count read.
    auto readInto = [&](uint8_t* into, std::size_t room) {
        std::size_t done = 0;
        while (done < room) {
            const ssize_t n = ::read(fd, into + done, room - done);
            if (n < 0) {
                if (errno == EINTR) continue;
                fail(errno);
            }
            if (n == 0) break;
            done += static_cast<std::size_t>(n);
        }
        return done;
    };
    // The caller may refuse the file by its first bytes before room is made for the rest.
    uint8_t start[kFileStartBytes];
    const std::size_t startSize = checkStart ? readInto(start, sizeof start) : 0;
    if (checkStart) checkStart(start, startSize);
    try {
        // One buffer of the file's size: growing one as the bytes come would hold the file
        // twice at the moment of the last copy.
        const std::size_t expected = std::max(static_cast<std::size_t>(info.st_size), startSize);
        bytes.resize(expected);
        uint8_t* const into = reinterpret_cast<uint8_t*>(bytes.data());
        std::copy(start, start + startSize, into);
        const std::size_t used = startSize + readInto(into + startSize, expected - startSize);
        if (used < expected) {
            bytes.resize(used);  // the file shrank meanwhile
        } else {
            // Or it grew meanwhile.
            uint8_t more[4096];
            while (const std::size_t n = readInto(more, sizeof more))
                bytes.insert(bytes.end(), more, more + n);
        }
    } catch (const std::bad_alloc&) {
        fail(ENOMEM);
    }
}

}  // namespace

std::vector<uint8_t> ReadWholeFile(const std::string& path, const FileStartCheck& checkStart) {
    std::vector<uint8_t> bytes;
    ReadAll(path, checkStart, bytes);
    return bytes;
}

void ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
    ReadAll(path, nullptr, bytes);
}

std::string ReadWholeTextFile(const std::string& path) {
    std::string text;
    ReadAll(path, nullptr, text);
    return text;
}
