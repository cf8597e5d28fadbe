#pragma once
// A second thread for the renderer: it runs one share of a frame while the calling thread runs
// the other. It is made on first use and then waits between frames, so a frame pays a wake-up,
// not a thread start.
#include <condition_variable>
#include <mutex>
#include <thread>

class FrameWorker {
public:
    FrameWorker() = default;
    ~FrameWorker();
    FrameWorker(const FrameWorker&) = delete;
    FrameWorker& operator=(const FrameWorker&) = delete;

    // Runs share(1) on the worker thread and share(0) on the calling one, and returns when both
    // are done. When the calling thread finishes before the worker has even started (a busy
    // machine may not give it a core in time), share(1) is dropped instead of waited for, so
    // both shares must take their work from a common pool that share(0) empties. share must
    // not throw; it runs while the caller waits, so it may use the caller's locals.
    template <typename Share>
    void RunShared(Share& share) {
        Start([](void* s) { (*static_cast<Share*>(s))(1); }, &share);
        share(0);
        Finish();
    }

private:
    enum class Job { None, Waiting, Running };
    void Start(void (*job)(void*), void* context);
    void Finish();
    void Loop();

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    void (*job_)(void*) = nullptr;
    void* context_ = nullptr;
    Job state_ = Job::None;
    bool stop_ = false;
};
