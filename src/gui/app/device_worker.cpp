#include "gui/app/device_worker.h"

namespace z7 {

DeviceWorker::DeviceWorker() : thread_([this] { Loop(); }) {}

DeviceWorker::~DeviceWorker() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        jobs_.clear();
    }
    wake_.notify_all();
    thread_.join();
}

void DeviceWorker::Post(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void DeviceWorker::WaitIdle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return jobs_.empty() && !running_; });
}

bool DeviceWorker::busy() const {
    std::lock_guard lock(mutex_);
    return running_ || !jobs_.empty();
}

void DeviceWorker::Loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || !jobs_.empty(); });
        if (stop_) break;
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        running_ = true;
        lock.unlock();
        job();
        lock.lock();
        running_ = false;
        if (jobs_.empty()) idle_.notify_all();
    }
    running_ = false;
    idle_.notify_all();
}

}  // namespace z7
