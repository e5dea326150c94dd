#include "MonotonicClock.h"

#ifdef Q_OS_LINUX
#include <QSocketNotifier>
#include <sys/timerfd.h>
#include <unistd.h>
#else
#include <QTimer>
#endif

using namespace std::chrono;

#ifdef Q_OS_LINUX
// A timer descriptor set to the deadline itself, to the nanosecond: window timers count whole
// milliseconds and would make a 35 ms wait last up to 36.
class SteadyClock::Alarm {
public:
    explicit Alarm(std::function<void()> ring)
        : m_fd(timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC)),
          m_notifier(m_fd, QSocketNotifier::Read) {
        QObject::connect(&m_notifier, &QSocketNotifier::activated, [this, ring = std::move(ring)] {
            quint64 expirations = 0;
            if (read(m_fd, &expirations, sizeof expirations) != sizeof expirations)
                return;
            m_armedFor = nanoseconds::zero(); // rung: disarmed
            ring();
        });
    }
    ~Alarm() { close(m_fd); }
    // steady_clock reads CLOCK_MONOTONIC, so its deadlines go in as they are.
    void setFor(nanoseconds deadline) {
        // A zero time disarms the descriptor; a deadline already past rings at once.
        arm(std::max(deadline, nanoseconds(1)));
    }
    void cancel() { arm(nanoseconds::zero()); }

private:
    void arm(nanoseconds at) {
        if (at == m_armedFor)
            return; // a call added behind the earliest one leaves it as it is
        m_armedFor = at;
        itimerspec when{};
        when.it_value.tv_sec = time_t(duration_cast<seconds>(at).count());
        when.it_value.tv_nsec = long((at % seconds(1)).count());
        timerfd_settime(m_fd, TFD_TIMER_ABSTIME, &when, nullptr);
    }

    int m_fd;
    QSocketNotifier m_notifier;
    nanoseconds m_armedFor{};
};
#else
class SteadyClock::Alarm {
public:
    explicit Alarm(std::function<void()> ring) {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, std::move(ring));
    }
    // Rounded up: never early, up to a millisecond late.
    void setFor(nanoseconds deadline) {
        m_timer.start(
            std::max(0ms, ceil<milliseconds>(deadline - steady_clock::now().time_since_epoch())));
    }
    void cancel() { m_timer.stop(); }

private:
    QTimer m_timer;
};
#endif

SteadyClock::SteadyClock() : m_alarm(std::make_unique<Alarm>([this] { callDue(); })) {}

SteadyClock::~SteadyClock() = default;

nanoseconds SteadyClock::now() {
    return steady_clock::now().time_since_epoch();
}

void SteadyClock::callAfter(nanoseconds delay, const QObject* context,
                            std::function<void()> callback) {
    const auto added = m_calls.emplace(now() + delay, Call{context, std::move(callback)});
    if (added == m_calls.begin())
        m_alarm->setFor(added->first);
}

void SteadyClock::callDue() {
    while (!m_calls.empty() && m_calls.begin()->first <= now()) {
        Call call = std::move(m_calls.begin()->second);
        m_calls.erase(m_calls.begin());
        if (call.context)
            call.callback();
    }
    if (m_calls.empty())
        m_alarm->cancel();
    else
        m_alarm->setFor(m_calls.begin()->first);
}
