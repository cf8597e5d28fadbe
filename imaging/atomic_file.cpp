#include "atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "image_error.h"
#include "paths.h"

namespace {

constexpr std::size_t kBufferSize = 1 << 16;

std::string SystemReason(int error) { return std::strerror(error); }

}  // namespace

AtomicFileWriter::AtomicFileWriter(const std::string& path) : path_(path) {
    static std::atomic<unsigned> counter{0};
    if (path.empty() || path.back() == kPathSeparator) Fail("Cannot create file", EISDIR);
    // The temporary name is the target's with a dot before its name part: whichever character
    // the split takes as the separator, no folder separator is added or removed, so the
    // temporary file always lies in the target's own folder (which the rename needs).
    const std::string folder = ExtractFilePath(path);
    const std::string name = ExtractFileName(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath_ = folder + "." + name + ".tmp" + std::to_string(getpid()) + "-" +
                    std::to_string(counter.fetch_add(1));
        fd_ = ::open(tempPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) break;
        if (errno != EEXIST) Fail("Cannot create file", errno);
    }
    if (fd_ < 0) Fail("Cannot create file", EEXIST);
    // A replaced file keeps its permissions.
    struct stat old;
    if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        (void)::fchmod(fd_, old.st_mode & 07777);
    try {
        buffer_.resize(kBufferSize);
    } catch (const std::bad_alloc&) {
        Fail("Cannot create file", ENOMEM);
    }
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

void AtomicFileWriter::Fail(const char* what, int error) {
    Discard();
    throw ImageError(std::string(what) + " \"" + path_ + "\". " + SystemReason(error));
}

void AtomicFileWriter::Flush() {
    std::size_t done = 0;
    while (done < used_) {
        const ssize_t n = ::write(fd_, buffer_.data() + done, used_ - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail("Cannot write file", errno);
        }
        done += static_cast<std::size_t>(n);
    }
    used_ = 0;
}

void AtomicFileWriter::Write(const void* data, std::size_t size) {
    if (fd_ < 0) Fail("Cannot write file", EBADF);
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    if (size >= kBufferSize) {
        Flush();
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::write(fd_, bytes + done, size - done);
            if (n < 0) {
                if (errno == EINTR) continue;
                Fail("Cannot write file", errno);
            }
            done += static_cast<std::size_t>(n);
        }
        return;
    }
    if (used_ + size > kBufferSize) Flush();
    std::memcpy(buffer_.data() + used_, bytes, size);
    used_ += size;
}

void AtomicFileWriter::Commit() {
    if (fd_ < 0) Fail("Cannot write file", EBADF);
    Flush();
    if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) Fail("Cannot write file", errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) Fail("Cannot write file", errno);
    if (::rename(tempPath_.c_str(), path_.c_str()) != 0) Fail("Cannot create file", errno);
    tempPath_.clear();
}

void WriteFileAtomically(const std::string& path, const void* data, std::size_t size) {
    AtomicFileWriter writer(path);
    writer.Write(data, size);
    writer.Commit();
}

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
    auto fail = [&](int error) -> std::vector<uint8_t> {
        throw ImageError("Cannot open file \"" + path + "\". " + SystemReason(error));
    };
    // Non-blocking, so that a named pipe cannot hang the program before it is refused below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return fail(errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info;
    if (::fstat(fd, &info) != 0) return fail(errno);
    if (S_ISDIR(info.st_mode)) return fail(EISDIR);
    // Pipes and devices could block or never end; pictures and texts are regular files.
    if (!S_ISREG(info.st_mode)) return fail(EINVAL);
    std::vector<uint8_t> bytes;
    try {
        bytes.resize(static_cast<std::size_t>(info.st_size) + 1);
        std::size_t used = 0;
        for (;;) {
            if (used == bytes.size()) bytes.resize(bytes.size() * 2);
            const ssize_t n = ::read(fd, bytes.data() + used, bytes.size() - used);
            if (n < 0) {
                if (errno == EINTR) continue;
                return fail(errno);
            }
            if (n == 0) break;
            used += static_cast<std::size_t>(n);
        }
        bytes.resize(used);
        bytes.shrink_to_fit();
    } catch (const std::bad_alloc&) {
        return fail(ENOMEM);
    }
    return bytes;
}
