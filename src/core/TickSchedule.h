#pragma once

#include <chrono>

// When the read timer's ticks fall due: start + k x period, so a late wake-up delays only its own
// tick and the mean period is the rate itself. The start moves only when a rate is applied or a
// cycle runs past a tick.
class TickSchedule {
public:
    using nanoseconds = std::chrono::nanoseconds;

    explicit TickSchedule(nanoseconds period = {}) : m_period(period) {}

    // A rate applied (or the countdown restarted) at now: the next tick one full period later.
    void restart(nanoseconds now, nanoseconds period) {
        m_period = period;
        m_due = now + period;
    }
    // A tick came at now, however late: the next falls due a period after the one it served
    // (ticks missed altogether are skipped, keeping the schedule's phase).
    void ticked(nanoseconds now) {
        if (m_period <= nanoseconds::zero())
            return;
        const auto behind = now >= m_due ? (now - m_due) / m_period : 0;
        m_due += (behind + 1) * m_period;
    }
    // A cycle ran past a tick: that tick runs now, and the schedule starts again from it.
    void tickNow(nanoseconds now) { m_due = now; }
    nanoseconds due() const { return m_due; }

private:
    nanoseconds m_period;
    nanoseconds m_due{};
};
