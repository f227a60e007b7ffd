#pragma once
// The one thread that runs the main window's device exchanges, in the order they were asked
// for, so that the user-interface thread never waits for the mouse.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace z7 {

class DeviceWorker {
  public:
    DeviceWorker();
    // Finishes the job that runs and drops the queued ones: a half-written mouse is worse
    // than a slightly slower exit.
    ~DeviceWorker();
    DeviceWorker(const DeviceWorker&) = delete;
    DeviceWorker& operator=(const DeviceWorker&) = delete;

    void Post(std::function<void()> job);
    // Blocks until every job posted so far has run.
    void WaitIdle();
    bool busy() const;

  private:
    void Loop();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<std::function<void()>> jobs_;
    bool running_ = false;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace z7
