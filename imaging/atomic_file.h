#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Replaces a file safely: everything is written to a temporary file in the target's folder,
// which is renamed over the target only once it is complete. A failure at any step removes the
// temporary file and leaves the previous target untouched. Failures throw ImageError with the
// system's reason and the target path.
//
// A path that is a symbolic link saves to the file the link points to (through any chain of
// links), so the link itself stays. Where no temporary file can be made beside the target
// (a read-only folder) but the target itself is writable, the bytes are kept in memory and
// written over the target in place on Commit, once the disk space for all of them has been
// reserved: a disk too full for them refuses the save and keeps the previous file whole. A
// write that still does not complete (an input-output error) is reported, as the previous
// contents can then no longer be kept.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(const std::string& path);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    void Write(const void* data, std::size_t size);
    // As Write, for a large block that nobody will read back soon (a batch's results): where
    // the file system takes it, the block goes from data to the disk without a copy in the page
    // cache, which on many virtual machines costs more than the encoding of the block did and
    // pushes out pages other programs use. Anywhere else it is an ordinary Write.
    void WriteUncached(const void* data, std::size_t size);
    // Flushes, closes and renames the temporary file over the target.
    void Commit();

private:
    void Flush();
    [[noreturn]] void Fail(const char* what, int error, const char* more = "");
    void Discard() noexcept;
    void OpenInPlace(int tempError);
    void WriteAll(const uint8_t* bytes, std::size_t size);
    std::size_t WriteDirect(const uint8_t* bytes, std::size_t size);
    void Reserve(std::size_t size);
    void CommitInPlace();

    std::string path_;      // as the caller named it, for messages
    std::string target_;    // the file actually replaced (links followed)
    std::string tempPath_;
    int fd_ = -1;
    bool inPlace_ = false;  // fd_ is the target itself; buffer_ holds the whole new contents
    std::vector<uint8_t> buffer_;
    std::size_t used_ = 0;
};

// Writes size bytes to path through an AtomicFileWriter.
void WriteFileAtomically(const std::string& path, const void* data, std::size_t size);
// The same through WriteUncached.
void WriteFileAtomicallyUncached(const std::string& path, const void* data, std::size_t size);

// Sees the first kFileStartBytes bytes of a file (fewer when it is shorter) and may throw to
// refuse it before the rest is read.
constexpr std::size_t kFileStartBytes = 16;
using FileStartCheck = std::function<void(const uint8_t* start, std::size_t size)>;

// Reads a whole regular file into one buffer of its size. Throws ImageError ("Cannot open
// file ...", with the system's reason) when it is missing, a folder, a pipe or device, or
// unreadable; checkStart, when given, is called with the file's first bytes before room is
// made for the rest.
std::vector<uint8_t> ReadWholeFile(const std::string& path, const FileStartCheck& checkStart = nullptr);
// The same into bytes, reusing their storage (a batch reads file after file without fresh
// pages); a failure leaves bytes empty.
void ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes);
// The same, as a text.
std::string ReadWholeTextFile(const std::string& path);
