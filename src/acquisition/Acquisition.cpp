#include "Acquisition.h"

#include "CommandLink.h"
#include "MeasurementState.h"
#include "MonotonicClock.h"

#include <QDateTime>
#include <cmath>

Acquisition::Acquisition(MeasurementState& state, CommandLink& link, const Notices& notices,
                         MonotonicClock& clock, Attendance attendance)
    : m_state(state), m_link(link), m_clock(clock),
      m_channels(state, link, *this, notices, clock, attendance) {
    m_timer.setObjectName(QStringLiteral("tmrRd"));
    m_schedule.restart(clock.now(), std::chrono::milliseconds(m_timer.interval()));
    connect(&m_timer, &WindowTimer::tick, this, &Acquisition::tick);
}

void Acquisition::applyRate(std::optional<int> periodMs) {
    applyPeriod(periodMs.value_or(m_timer.interval()));
}

void Acquisition::readNow() {
    m_schedule.tickNow(m_clock.now());
    tick();
}

void Acquisition::applyPeriod(int periodMs) {
    m_timer.setEnabled(false);
    m_timer.setInterval(periodMs);
    m_timer.setEnabled(true);
    // The countdown runs from this moment; ticks that fell due before it are void. A cycle under
    // way holds the timer, and its end counts the rest of the new period.
    m_schedule.restart(m_clock.now(), std::chrono::milliseconds(m_timer.interval()));
    m_tickPending = false;
    if (cycleRunning())
        m_timer.hold();
}

void Acquisition::setGroup(Group group, bool on) {
    groupFlag(m_state, group) = on;
    if (on && group == Group::Flow)
        m_channels.flowSwitchedOn();
    if (on)
        return shareGroups();
    if (cycleRunning())
        forgetCycleReads(group);
    const Step stepOfGroup[] = {Step::Ph, Step::Flow, Step::Therm}; // by Group
    const bool awaited = m_step == stepOfGroup[int(group)];
    // Off while its reply is awaited, or while its failure box waits for the operator: the rest
    // of the group is not read in this cycle.
    if (awaited && (m_link.waiting() || m_channels.delayingFailure()))
        m_onAtStart[int(group)] = false;
    if (awaited && m_link.waiting())
        m_link.discardWaitingReply([this] { next(); });
    shareGroups();
}

void Acquisition::forgetCycleReads(Group group) {
    std::erase_if(m_shownReadouts,
                  [group](const auto& shown) { return groupOf(shown.first) == group; });
    std::erase_if(m_shownSlides,
                  [group](const auto& shown) { return groupOf(shown.first) == group; });
    restoreReadings(m_state, m_atCycleStart, group);
}

bool Acquisition::wanted(Group group) const {
    return m_onAtStart[int(group)] && groupFlag(m_state, group);
}

void Acquisition::shareGroups() {
    for (Group g : {Group::Ph, Group::Flow, Group::Therm})
        m_link.setGroupOn(g, wanted(g));
}

void Acquisition::tick() {
    // Ticks that fall due during a cycle (or a failure message inside one) are not queued: at
    // most one waits, and it runs when the cycle ends. Cycles never nest.
    if (cycleRunning()) {
        m_tickPending = true;
        return;
    }
    // The timer holds while the cycle runs, rather than wake the window for ticks that would
    // only wait; the cycle's end counts the rest of the time to the next tick due.
    m_schedule.ticked(m_clock.now());
    m_timer.hold();
    startCycle();
}

void Acquisition::startCycle() {
    // A device that went away is waited for without a word: the cycle skips the line.
    const bool lineAway = m_link.lineAway();
    for (Group g : {Group::Ph, Group::Flow, Group::Therm})
        m_onAtStart[int(g)] = groupFlag(m_state, g) && !lineAway;
    m_atCycleStart = m_state;
    // The line may read ahead through the groups on now, each while it stays on.
    std::vector<PlannedRead> plan;
    if (wanted(Group::Flow))
        plan.push_back({QStringLiteral("5"), Group::Flow});
    if (wanted(Group::Ph))
        plan.insert(plan.end(),
                    {{QStringLiteral("6"), Group::Ph}, {QStringLiteral("7"), Group::Ph}});
    if (wanted(Group::Therm))
        for (const char* address : {"1", "2", "3"})
            plan.push_back({QLatin1String(address), Group::Therm});
    shareGroups();
    m_link.planCycle(std::move(plan));
    m_step = Step::Idle;
    emit cycleStarted();
    next();
}

void Acquisition::next() {
    // Each group is tested when the cycle reaches it; the pH group once for both probes.
    const auto done = [this] { next(); };
    switch (m_step) {
    case Step::Idle:
        m_step = Step::Flow;
        if (wanted(Group::Flow))
            return m_channels.ReadFlow(done);
        [[fallthrough]];
    case Step::Flow:
        m_step = Step::Ph;
        if (wanted(Group::Ph))
            return m_channels.ReadPhProbe(QStringLiteral("6"), [this, done] {
                // An operator's switch-off during probe 6's wait skips probe 7; a failure of
                // probe 6 does not.
                if (m_onAtStart[int(Group::Ph)])
                    return m_channels.ReadPhProbe(QStringLiteral("7"), done);
                done();
            });
        [[fallthrough]];
    case Step::Ph:
        m_step = Step::Therm;
        if (wanted(Group::Therm))
            return m_channels.ReadThermistors(done);
        [[fallthrough]];
    case Step::Therm:
        m_step = Step::Idle;
        m_link.planCycle({});
        Reading reading;
        reading.msSinceEpoch = QDateTime::currentMSecsSinceEpoch();
        for (const auto& [readout, value] : m_shownReadouts)
            if (!std::isnan(value))
                reading.values[size_t(readout)] = value;
        publishShown();
        emit cycleRead(reading);
        emit cycleFinished();
        releaseTimer();
        return;
    }
}

void Acquisition::releaseTimer() {
    const std::chrono::nanoseconds now = m_clock.now();
    const bool ticking = m_timer.isEnabled() && m_timer.interval() > 0;
    if (!std::exchange(m_tickPending, false) && !(ticking && m_schedule.due() <= now))
        return m_timer.release(m_schedule.due() - now);
    // A tick that fell due during the cycle runs now, from the event loop, so that a run of
    // cycles never deepens the stack; the schedule then counts a whole period from here.
    m_schedule.tickNow(now);
    m_timer.release(std::chrono::milliseconds(m_timer.interval()));
    QMetaObject::invokeMethod(this, &Acquisition::tick, Qt::QueuedConnection);
}

void Acquisition::showReadout(Readout readout, double value) {
    m_shownReadouts[readout] = value;
    if (!cycleRunning())
        publishShown();
}

void Acquisition::showSlide(Slide slide, double value) {
    m_shownSlides[slide] = value;
    if (!cycleRunning())
        publishShown();
}

void Acquisition::publishShown() {
    for (const auto& [readout, value] : std::exchange(m_shownReadouts, {}))
        emit readoutShown(readout, value);
    for (const auto& [slide, value] : std::exchange(m_shownSlides, {}))
        emit slideShown(slide, value);
}

void Acquisition::switchGroupOff(Group group) {
    // Switched off by the operator while the box waited: the failure switched nothing off.
    const bool wasOn = groupFlag(m_state, group);
    emit switchOffRequested(group);
    if (wasOn)
        emit groupFailed(group);
}
