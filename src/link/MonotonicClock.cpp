#include "MonotonicClock.h"

#include <QTimer>

std::chrono::nanoseconds SteadyClock::now() {
    return std::chrono::steady_clock::now().time_since_epoch();
}

void SteadyClock::callAfter(std::chrono::nanoseconds delay, const QObject* context,
                            std::function<void()> callback) {
    // Window timers count whole milliseconds; rounding up never calls back early.
    QTimer::singleShot(std::chrono::ceil<std::chrono::milliseconds>(delay), Qt::PreciseTimer,
                       context, std::move(callback));
}
