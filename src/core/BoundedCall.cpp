#include "BoundedCall.h"

#include <QEventLoop>
#include <QTimer>
#include <future>
#include <memory>
#include <thread>

using namespace std::chrono;

BoundedResult runBounded(std::function<bool()> operation, milliseconds timeout) {
    auto promise = std::make_shared<std::promise<bool>>();
    std::future<bool> result = promise->get_future();
    std::thread([promise, operation = std::move(operation)] {
        promise->set_value(operation());
    }).detach();
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
        if (result.wait_for(milliseconds::zero()) != std::future_status::ready)
            return BoundedResult::TimedOut;
    }
    return result.get() ? BoundedResult::Succeeded : BoundedResult::Failed;
}
