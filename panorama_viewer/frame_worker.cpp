#include "frame_worker.h"

FrameWorker::~FrameWorker() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void FrameWorker::Start(void (*job)(void*), void* context) {
    if (!thread_.joinable()) thread_ = std::thread([this] { Loop(); });
    {
        std::lock_guard<std::mutex> lock(mutex_);
        job_ = job;
        context_ = context;
        pending_ = true;
    }
    wake_.notify_one();
}

void FrameWorker::Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return !pending_; });
}

void FrameWorker::Loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return pending_ || stop_; });
        if (stop_) return;
        lock.unlock();
        job_(context_);
        lock.lock();
        pending_ = false;
        done_.notify_one();
    }
}
