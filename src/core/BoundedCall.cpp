#include "BoundedCall.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <atomic>
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
    void add(std::packaged_task<bool()> task) {
        std::lock_guard lock(mutex);
        waiting.push_back(std::move(task));
        wake.notify_one();
    }
    // Ends the thread once what waits has run; given up on, nothing more of it runs.
    void close(bool dropWaiting = false) {
        std::lock_guard lock(mutex);
        if (dropWaiting)
            waiting.clear();
        closing = true;
        wake.notify_one();
    }
};

BoundedWorker::BoundedWorker() = default;

BoundedWorker::~BoundedWorker() {
    if (m_lane)
        m_lane->close();
}

std::shared_ptr<BoundedWorker::Lane> BoundedWorker::lane() {
    if (!m_lane) {
        m_lane = std::make_shared<Lane>();
        std::thread([lane = m_lane] { Lane::serve(lane); }).detach();
    }
    return m_lane;
}

void BoundedWorker::giveUp(const std::shared_ptr<Lane>& lane) {
    // Held: its thread is left to it, and the next operation starts a fresh one.
    if (m_lane == lane)
        std::exchange(m_lane, nullptr)->close(true);
}

BoundedResult BoundedWorker::run(std::function<bool()> operation, milliseconds timeout) {
    const std::shared_ptr<Lane> held = lane();
    std::packaged_task<bool()> task([operation = std::move(operation)] { return operation(); });
    std::future<bool> result = task.get_future();
    held->add(std::move(task));
    if (result.wait_for(timeout) != std::future_status::ready) {
        giveUp(held);
        return BoundedResult::TimedOut;
    }
    return result.get() ? BoundedResult::Succeeded : BoundedResult::Failed;
}

void BoundedWorker::post(std::function<bool()> operation, QObject* context,
                         std::function<void(BoundedResult)> done, milliseconds timeout) {
    const std::shared_ptr<Lane> held = lane();
    // The answer and the timeout race; the first to come settles the call. The answer is handed
    // to the application's thread, where context is looked at: the lane's thread never touches it.
    auto settled = std::make_shared<std::atomic<bool>>(false);
    auto answer = [finish = std::move(done),
                   guard = std::make_shared<QPointer<QObject>>(context)](BoundedResult result) {
        if (*guard)
            finish(result);
    };
    held->add(std::packaged_task<bool()>([operation = std::move(operation), settled, answer] {
        const bool succeeded = operation();
        if (!settled->exchange(true))
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [answer, succeeded] {
                    answer(succeeded ? BoundedResult::Succeeded : BoundedResult::Failed);
                },
                Qt::QueuedConnection);
        return succeeded;
    }));
    QTimer::singleShot(timeout, context, [this, held, settled, answer] {
        if (settled->exchange(true))
            return;
        giveUp(held);
        answer(BoundedResult::TimedOut);
    });
}
