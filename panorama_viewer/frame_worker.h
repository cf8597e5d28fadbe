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
    // are done. share must not throw; it runs while the caller waits, so it may use the
    // caller's locals.
    template <typename Share>
    void RunShared(Share& share) {
        Start([](void* s) { (*static_cast<Share*>(s))(1); }, &share);
        share(0);
        Wait();
    }

private:
    void Start(void (*job)(void*), void* context);
    void Wait();
    void Loop();

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    void (*job_)(void*) = nullptr;
    void* context_ = nullptr;
    bool pending_ = false;
    bool stop_ = false;
};
