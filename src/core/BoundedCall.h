#pragma once

#include <chrono>
#include <functional>
#include <memory>

// How long a file operation may take before the program gives up on it.
constexpr std::chrono::milliseconds kFileAnswerTimeout{3000};

enum class BoundedResult { Succeeded, Failed, TimedOut };

// Runs file operations on a thread of its own, one at a time, and waits for each at most its
// timeout, with the event loop running once the first few milliseconds have passed, so that a
// file system that stops answering (a dead network mount) never holds the window. The thread
// lives as long as the worker: a log row costs no new thread. After a timeout the operation is
// left to finish, or not, on that thread, and the next operation gets a fresh one; everything an
// operation touches must be owned by it.
class BoundedWorker {
public:
    BoundedWorker();
    ~BoundedWorker();
    BoundedWorker(const BoundedWorker&) = delete;
    BoundedWorker& operator=(const BoundedWorker&) = delete;

    BoundedResult run(std::function<bool()> operation,
                      std::chrono::milliseconds timeout = kFileAnswerTimeout);

private:
    struct Lane;
    std::shared_ptr<Lane> m_lane; // none until the first operation, or after a timeout
};
