#pragma once

#include <chrono>
#include <functional>
#include <memory>

class QObject;

// How long a file operation may take before the program gives up on it.
constexpr std::chrono::milliseconds kFileAnswerTimeout{3000};

enum class BoundedResult { Succeeded, Failed, TimedOut };

// Runs file operations on a thread of its own, one at a time and in order, each bounded by its
// timeout, so that a file system that stops answering (a dead network mount) never holds the
// program for longer. The thread lives as long as the worker: a log row costs no new thread.
// After a timeout the operation is left to finish, or not, on that thread, and the next
// operation gets a fresh one; everything an operation touches must be owned by it. No event loop
// runs inside a call: nothing can come back in while one is waited for.
class BoundedWorker {
public:
    BoundedWorker();
    ~BoundedWorker();
    BoundedWorker(const BoundedWorker&) = delete;
    BoundedWorker& operator=(const BoundedWorker&) = delete;

    // Waits for the operation's answer, at most its timeout: for the rare calls an operator's
    // action or the start makes.
    BoundedResult run(std::function<bool()> operation,
                      std::chrono::milliseconds timeout = kFileAnswerTimeout);
    // Waits, at most the timeout, for what was posted before.
    void drain(std::chrono::milliseconds timeout = kFileAnswerTimeout) {
        run([] { return true; }, timeout);
    }
    // Returns at once; done runs on context's thread with the answer, or with TimedOut once the
    // timeout has passed since the call. Nothing runs after context is gone; context is the
    // worker's owner, or goes before it.
    void post(std::function<bool()> operation, QObject* context,
              std::function<void(BoundedResult)> done,
              std::chrono::milliseconds timeout = kFileAnswerTimeout);

private:
    struct Lane;
    std::shared_ptr<Lane> lane();
    void giveUp(const std::shared_ptr<Lane>& lane);

    std::shared_ptr<Lane> m_lane; // none until the first operation, or after a timeout
};
