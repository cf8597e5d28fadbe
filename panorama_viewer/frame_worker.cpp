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
        state_ = Job::Waiting;
    }
    wake_.notify_one();
}

void FrameWorker::Finish() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (state_ == Job::Waiting) {
        state_ = Job::None;  // not started: the calling thread has done all of it
        return;
    }
    done_.wait(lock, [this] { return state_ == Job::None; });
}

void FrameWorker::Loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return state_ == Job::Waiting || stop_; });
        if (stop_) return;
        state_ = Job::Running;
        lock.unlock();
        job_(context_);
        lock.lock();
        state_ = Job::None;
        done_.notify_one();
    }
}
