#include "batch_pipeline.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

#include "atomic_file.h"
#include "bmp_file.h"
#include "image_error.h"
#include "jpeg_image.h"
#include "paths.h"
#include "source_files.h"

namespace {

using Clock = std::chrono::steady_clock;

bool Exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// A run killed outright (SIGKILL, a power cut) leaves its temporary files beside the outputs
// ("." + name + ".tmp<pid>-<n>"). Those of output whose process is gone are removed before
// output is written again, so a restarted run leaves none behind.
void RemoveStaleTemporaries(const std::string& output) {
    const std::string prefix = "." + ExtractFileName(output) + ".tmp";
    std::string folder = ExtractFileDir(output);
    if (folder.empty()) folder = ".";
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        const long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
        if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            ::unlink(entry->path().c_str());
    }
}

// A batch writes far more than anyone reads back soon. Kept in the page cache, every written
// file makes the next write take memory the system has not used lately, and where that is
// slow to touch (in many virtual machines) a write of 24 MB then costs 60 to 110 ms of
// processor time instead of 7, on the cores the workers need; it also pushes out pages other
// programs use. After the fsync the pages are clean, so dropping them loses nothing. Results
// are written uncached where the file system allows (WriteFileAtomicallyUncached); this drops
// what went through the cache all the same: the last part of a block, or everything where
// direct writes are refused.
void DropCachedPages(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return;
    (void)::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

int64_t MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// The read-ahead result for one file.
struct ReadItem {
    std::size_t index = 0;
    std::vector<uint8_t> bytes;
    std::string error;
    bool skip = false;
};

// An encoded result waiting for the writer.
struct WriteItem {
    std::size_t index = 0;
    EncodedBytes bytes;
    Clock::time_point start;
};

// What the calling thread hears from the others.
struct Event {
    BatchResult result;
    bool step = false;      // one more file handed on: a progress step
    bool finished = false;  // result is final
    int worker = -1;        // the worker waiting for this event to be seen, or -1
};

SourceFiles ProtectedFiles(const std::vector<BatchFile>& files, const BatchSettings& settings) {
    std::vector<std::string> paths = settings.protectedFiles;
    for (const BatchFile& file : files) paths.push_back(file.source);
    return SourceFiles(paths);
}

class BatchRun {
public:
    BatchRun(const std::vector<BatchFile>& files, const BatchSteps& steps,
             const BatchSettings& settings)
        : files_(files), steps_(steps), settings_(settings),
          workers_(std::max(1, std::min<int>(settings.workers,
                                             static_cast<int>(std::max<std::size_t>(files.size(), 1))))),
          protected_(ProtectedFiles(files, settings)),
          seen_(static_cast<std::size_t>(workers_), true) {}

    BatchSummary Run(Progress& progress, const BatchListener& listener);

private:
    void Reader();
    void Worker(int worker);
    void Writer();
    // Everything a worker does with one file up to its encoded bytes; false with result
    // filled when the file ends there (skipped or failed).
    bool Work(ReadItem& item, TBitmap& picture, TBitmap& work, EncodedBytes& encoded,
              BatchResult& result);
    void EnsureFolder(const std::string& folder);
    void TakeSpareStore(EncodedBytes& encoded);
    void Post(Event event);

    const std::vector<BatchFile>& files_;
    const BatchSteps& steps_;
    const BatchSettings& settings_;
    const int workers_;
    const SourceFiles protected_;

    std::mutex mutex_;
    std::condition_variable changed_;
    bool cancel_ = false;
    std::deque<ReadItem> read_;
    std::vector<std::vector<uint8_t>> spareReads_;  // source buffers decoded, for the reader
    bool readerDone_ = false;
    std::deque<WriteItem> write_;
    // Encoded-byte stores the writer is done with, for the workers' next files: a file of
    // tens of megabytes encoded into fresh memory each time would spend much of its time on
    // the kernel clearing new pages.
    std::vector<EncodedBytes> spareStores_;
    int workersRunning_ = 0;
    bool writerDone_ = false;
    std::deque<Event> events_;
    std::vector<bool> seen_;  // per worker: its last event was seen by the calling thread
    std::map<std::string, std::string> folderErrors_;
};

void BatchRun::Post(Event event) {
    std::unique_lock<std::mutex> lock(mutex_);
    const int worker = event.worker;
    if (worker >= 0) seen_[static_cast<std::size_t>(worker)] = false;
    events_.push_back(std::move(event));
    changed_.notify_all();
    // A worker takes no further file before the calling thread has counted this one and asked
    // whether to stop; a cancel then never starts another file.
    if (worker >= 0)
        changed_.wait(lock, [&] { return static_cast<bool>(seen_[static_cast<std::size_t>(worker)]); });
}

void BatchRun::Reader() {
    for (std::size_t i = 0; i < files_.size(); ++i) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] {
                return cancel_ || read_.size() < static_cast<std::size_t>(workers_);
            });
            if (cancel_) break;
        }
        ReadItem item;
        item.index = i;
        const BatchFile& file = files_[i];
        if (settings_.skipExisting && Exists(file.output)) {
            item.skip = true;
        } else if (!file.source.empty()) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (!spareReads_.empty()) {
                    item.bytes = std::move(spareReads_.back());
                    spareReads_.pop_back();
                }
            }
            try {
                ReadWholeFile(file.source, item.bytes);
            } catch (const std::exception& e) {
                item.error = e.what();
            }
        }
        std::lock_guard<std::mutex> lock(mutex_);
        read_.push_back(std::move(item));
        changed_.notify_all();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    readerDone_ = true;
    changed_.notify_all();
}

void BatchRun::EnsureFolder(const std::string& folder) {
    if (folder.empty()) return;
    std::lock_guard<std::mutex> lock(mutex_);
    const auto known = folderErrors_.find(folder);
    if (known == folderErrors_.end()) {
        std::error_code error;
        std::string reason;
        if (!std::filesystem::is_directory(folder, error)) {
            error.clear();
            std::filesystem::create_directories(folder, error);
            if (error) reason = "Cannot create the folder " + folder + ": " + error.message();
        }
        folderErrors_.emplace(folder, reason);
        if (!reason.empty()) throw ImageError(reason);
    } else if (!known->second.empty()) {
        throw ImageError(known->second);
    }
}

bool BatchRun::Work(ReadItem& item, TBitmap& picture, TBitmap& work,
                    EncodedBytes& encoded, BatchResult& result) {
    const BatchFile& file = files_[item.index];
    auto fail = [&](BatchFault fault, const std::exception& e) {
        result.status = BatchStatus::Failed;
        result.fault = fault;
        result.reason = e.what();
        return false;
    };
    if (item.skip) {
        result.status = BatchStatus::Skipped;
        return false;
    }
    if (!item.error.empty()) return fail(BatchFault::Read, ImageError(item.error));
    const bool inBands = file.format == OutputFormat::Jpeg && steps_.rows;
    if (inBands) {
        TakeSpareStore(encoded);
        try {
            TranscodeJpeg(item.bytes.data(), item.bytes.size(), file.quality, steps_.rows, picture,
                          encoded);
        } catch (const std::exception& e) {
            return fail(BatchFault::Decode, e);
        }
    } else {
        try {
            if (steps_.decode)
                steps_.decode(item.index, item.bytes, picture);
            else
                DecodeWholeJpeg(item.bytes, picture);
        } catch (const std::exception& e) {  // ImageError, or memory for an enormous picture
            return fail(BatchFault::Decode, e);
        }
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        spareReads_.push_back(std::move(item.bytes));
    }
    try {
        EnsureFolder(ExtractFileDir(file.output));
    } catch (const std::exception& e) {
        return fail(BatchFault::Folder, e);
    }
    if (protected_.Contains(file.output))
        return fail(BatchFault::OutputIsSource,
                    ImageError(file.output + " is one of " + settings_.sourcesName +
                               "; it was left as it is."));
    if (inBands) return true;  // encoded already
    const TBitmap* done = nullptr;
    try {
        done = &steps_.process(item.index, picture, work);
    } catch (const std::exception& e) {
        return fail(BatchFault::Work, e);
    }
    // Taken only now: by the time a file is worked on, the writer has usually handed back the
    // store of the one before, and a lone worker needs no second one.
    TakeSpareStore(encoded);
    try {
        if (file.format == OutputFormat::Bmp) {
            const std::vector<uint8_t> bmp = BmpFileBytes(*done);
            encoded.assign(bmp.begin(), bmp.end());
        } else {
            EncodeJpeg(*done, file.quality, encoded);
        }
    } catch (const std::exception& e) {
        return fail(BatchFault::Write, e);
    }
    return true;
}

void BatchRun::TakeSpareStore(EncodedBytes& encoded) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!spareStores_.empty()) {
        encoded = std::move(spareStores_.back());
        spareStores_.pop_back();
    }
}

void BatchRun::Worker(int worker) {
    TBitmap picture, work;  // reused from file to file
    for (;;) {
        ReadItem item;
        EncodedBytes encoded;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return cancel_ || !read_.empty() || readerDone_; });
            if (cancel_ || read_.empty()) break;
            item = std::move(read_.front());
            read_.pop_front();
            changed_.notify_all();
        }
        const Clock::time_point start = Clock::now();
        Event event;
        event.worker = worker;
        event.step = true;
        event.result.index = item.index;
        if (Work(item, picture, work, encoded, event.result)) {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return write_.size() <= static_cast<std::size_t>(workers_); });
            write_.push_back(WriteItem{item.index, std::move(encoded), start});
        } else {
            event.finished = true;
            event.result.milliseconds = MillisecondsSince(start);
        }
        Post(std::move(event));
    }
    std::lock_guard<std::mutex> lock(mutex_);
    --workersRunning_;
    changed_.notify_all();
}

void BatchRun::Writer() {
    for (;;) {
        WriteItem item;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return !write_.empty() || workersRunning_ == 0; });
            if (write_.empty()) break;
            item = std::move(write_.front());
            write_.pop_front();
            changed_.notify_all();
        }
        Event event;
        event.finished = true;
        event.result.index = item.index;
        try {
            RemoveStaleTemporaries(files_[item.index].output);
            WriteFileAtomicallyUncached(files_[item.index].output, item.bytes.data(),
                                         item.bytes.size());
            DropCachedPages(files_[item.index].output);
            event.result.status = BatchStatus::Written;
        } catch (const std::exception& e) {
            event.result.status = BatchStatus::Failed;
            event.result.fault = BatchFault::Write;
            event.result.reason = e.what();
        }
        event.result.milliseconds = MillisecondsSince(item.start);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            spareStores_.push_back(std::move(item.bytes));
        }
        Post(std::move(event));
    }
    std::lock_guard<std::mutex> lock(mutex_);
    writerDone_ = true;
    changed_.notify_all();
}

BatchSummary BatchRun::Run(Progress& progress, const BatchListener& listener) {
    BatchSummary summary;
    progress.Start(static_cast<int>(files_.size()));
    if (files_.empty()) return summary;
    workersRunning_ = workers_;
    std::vector<std::thread> threads;
    threads.emplace_back([this] { Reader(); });
    for (int w = 0; w < workers_; ++w) threads.emplace_back([this, w] { Worker(w); });
    threads.emplace_back([this] { Writer(); });

    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        while (!events_.empty()) {
            Event event = std::move(events_.front());
            events_.pop_front();
            lock.unlock();
            if (event.step) progress.Step();
            if (event.finished) {
                summary.results.push_back(event.result);
                if (listener) listener(event.result);
            }
            const bool stop = progress.Cancelled();
            lock.lock();
            if (stop) cancel_ = true;
            if (event.worker >= 0) seen_[static_cast<std::size_t>(event.worker)] = true;
            changed_.notify_all();
        }
        if (writerDone_ && events_.empty()) break;
        lock.unlock();
        const bool stop = progress.Cancelled();
        lock.lock();
        if (stop && !cancel_) {
            cancel_ = true;
            changed_.notify_all();
        }
        if (events_.empty() && !writerDone_)
            changed_.wait_for(lock, std::chrono::milliseconds(20));
    }
    lock.unlock();
    for (std::thread& thread : threads) thread.join();

    std::sort(summary.results.begin(), summary.results.end(),
              [](const BatchResult& a, const BatchResult& b) { return a.index < b.index; });
    for (const BatchResult& r : summary.results) {
        summary.written += r.status == BatchStatus::Written;
        summary.skipped += r.status == BatchStatus::Skipped;
        summary.failed += r.status == BatchStatus::Failed;
    }
    summary.cancelled = cancel_ && summary.results.size() < files_.size();
    return summary;
}

}  // namespace

BatchSummary RunBatch(const std::vector<BatchFile>& files, const BatchSteps& steps,
                      const BatchSettings& settings, Progress& progress,
                      const BatchListener& listener) {
    BatchRun run(files, steps, settings);
    return run.Run(progress, listener);
}

int DefaultWorkerCount() {
    // The cores this process may use: a Slurm task or a taskset sees fewer than the machine has.
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return CPU_COUNT(&set);
    return std::max(1u, std::thread::hardware_concurrency());
}

void DecodeWholeJpeg(const std::vector<uint8_t>& bytes, TBitmap& picture,
                     const DecodedRows& rowsDone) {
    const JpegDecodeReport report =
        DecodeJpegBytes(bytes.data(), bytes.size(), picture, rowsDone);
    const std::string damaged = DamagedSourceReason(report, picture.Height());
    if (!damaged.empty()) throw ImageError(damaged);
}
