#include "BoundedCall.h"

#include <QEventLoop>
#include <QTimer>
#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <thread>

using namespace std::chrono;

// One thread and the operations waiting for it. Shared with its thread, so that a lane given up
// on (a timeout, or its worker gone) ends on its own once its operation returns.
struct BoundedWorker::Lane {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::packaged_task<bool()>> waiting;
    bool closing = false;

    static void serve(const std::shared_ptr<Lane>& lane) {
        for (;;) {
            std::packaged_task<bool()> task;
            {
                std::unique_lock lock(lane->mutex);
                lane->wake.wait(lock, [&] { return lane->closing || !lane->waiting.empty(); });
                if (lane->waiting.empty())
                    return;
                task = std::move(lane->waiting.front());
                lane->waiting.pop_front();
            }
            task();
        }
    }
    void close() {
        std::lock_guard lock(mutex);
        closing = true;
        wake.notify_one();
    }
};

BoundedWorker::BoundedWorker() = default;

BoundedWorker::~BoundedWorker() {
    if (m_lane)
        m_lane->close();
}

BoundedResult BoundedWorker::run(std::function<bool()> operation, milliseconds timeout) {
    if (!m_lane) {
        m_lane = std::make_shared<Lane>();
        std::thread([lane = m_lane] { Lane::serve(lane); }).detach();
    }
    std::packaged_task<bool()> task([operation = std::move(operation)] { return operation(); });
    std::future<bool> result = task.get_future();
    {
        std::lock_guard lock(m_lane->mutex);
        m_lane->waiting.push_back(std::move(task));
        m_lane->wake.notify_one();
    }
    // A working file system answers in well under this; only then does the window get a look in.
    constexpr milliseconds kQuickAnswer{20};
    if (result.wait_for(kQuickAnswer) != std::future_status::ready) {
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (result.wait_for(milliseconds::zero()) == std::future_status::ready)
                loop.quit();
        });
        poll.start(5);
        QTimer::singleShot(timeout - kQuickAnswer, &loop, &QEventLoop::quit);
        loop.exec();
        if (result.wait_for(milliseconds::zero()) != std::future_status::ready) {
            // Held: its thread is left to it, and the next operation starts a fresh one.
            std::exchange(m_lane, nullptr)->close();
            return BoundedResult::TimedOut;
        }
    }
    return result.get() ? BoundedResult::Succeeded : BoundedResult::Failed;
}
