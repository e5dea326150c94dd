#include "MonotonicClock.h"

#include <thread>

using namespace std::chrono;

namespace {
// Window timers count whole milliseconds and fire up to one late. The timer is aimed a
// millisecond short of the deadline and what is left then is slept, so a 35 ms wait lasts
// 35 ms, not 36, and the window is held for a millisecond at most, two if the timer was early.
constexpr nanoseconds kAimShort = milliseconds(1);
constexpr nanoseconds kLongestSleep = milliseconds(2);
} // namespace

SteadyClock::SteadyClock() {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { callDue(); });
}

nanoseconds SteadyClock::now() {
    return steady_clock::now().time_since_epoch();
}

void SteadyClock::callAfter(nanoseconds delay, const QObject* context,
                            std::function<void()> callback) {
    m_calls.emplace(now() + delay, Call{context, std::move(callback)});
    armForEarliest();
}

void SteadyClock::armForEarliest() {
    if (m_calls.empty()) {
        m_timer.stop();
        return;
    }
    const nanoseconds aim = m_calls.begin()->first - kAimShort - now();
    m_timer.start(std::max(0ms, ceil<milliseconds>(aim)));
}

void SteadyClock::callDue() {
    while (!m_calls.empty()) {
        const auto earliest = m_calls.begin();
        const nanoseconds remaining = earliest->first - now();
        if (remaining > kLongestSleep)
            break;
        if (remaining > 0ns)
            std::this_thread::sleep_for(remaining);
        Call call = std::move(earliest->second);
        m_calls.erase(earliest);
        if (call.context)
            call.callback();
    }
    armForEarliest();
}
