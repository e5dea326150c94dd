#pragma once

#include "Channels.h"
#include "InstrumentPanel.h"
#include "MeasurementState.h"
#include "Reading.h"
#include "TickSchedule.h"
#include "WindowTimer.h"

#include <QObject>
#include <array>
#include <chrono>
#include <map>
#include <optional>
#include <set>

class CommandLink;
class MonotonicClock;
class Notices;

// The read timer and its cycle: flow, then both pH probes, then the thermistors, each group read
// only while switched on. A cycle moves on from the link's reply callbacks, so the window keeps
// painting and handling the operator while the line waits. What the channels show goes out as
// signals; the window connects them to its readouts, slides and switches. Readouts and slides
// go out together when the cycle ends, so the window paints once a cycle rather than once a
// reply.
class Acquisition : public QObject, private InstrumentPanel {
    Q_OBJECT
public:
    Acquisition(MeasurementState& state, CommandLink& link, const Notices& notices,
                MonotonicClock& clock, Attendance attendance = Attendance::Operator);

    // tmrRd: 10000 ms from start until a rate is applied.
    WindowTimer& readTimer() { return m_timer; }
    // The rates offered to the operator, in milliseconds, in the order they are listed.
    static constexpr std::array<int, 5> kRatesMs{1000, 500, 250, 200, 100};
    // Reads every periodMs milliseconds; without one the period stays. Either way the countdown
    // starts again from now, also during a cycle.
    void applyRate(std::optional<int> periodMs);
    // Reads at once rather than a period from now, as a run without a window starts.
    void readNow();
    // When the next read tick falls due, on the acquisition's clock.
    std::chrono::nanoseconds nextTickDue() const { return m_schedule.due(); }
    // A group switch changed. Switched off while its reply is awaited, the reply is discarded
    // and the rest of the group waits for the next cycle; switched on, the group is read from the
    // next cycle on. Switched off during a cycle, nothing the group read in it is shown, and its
    // readings go back to what they were before it.
    void setGroup(Group group, bool on);
    bool cycleRunning() const { return m_step != Step::Idle; }

signals:
    // A quantity's value to show; not a number where its conversion is undefined.
    void readoutShown(Readout readout, double value);
    void slideShown(Slide slide, double value);
    // The group's switch must go off; its change handler comes back through setGroup().
    void switchOffRequested(Group group);
    // Just after switchOffRequested(): it was a module's failure that switched the group off.
    void groupFailed(Group group);
    void cycleStarted();
    // Just before cycleFinished(): what the cycle read, as numbers with its time.
    void cycleRead(const Reading& reading);
    void cycleFinished();

private:
    enum class Step { Idle, Flow, Ph, Therm };

    void tick();
    void startCycle();
    void next();
    void publishShown();
    // On at the cycle's start and still on: read when the cycle reaches it.
    bool wanted(Group group) const;
    void shareGroups();
    void applyPeriod(int periodMs);
    void forgetCycleReads(Group group);
    void releaseTimer();

    // InstrumentPanel, for the channels.
    void showReadout(Readout readout, double value) override;
    void showSlide(Slide slide, double value) override;
    void switchGroupOff(Group group) override;

    MeasurementState& m_state;
    CommandLink& m_link;
    MonotonicClock& m_clock;
    Channels m_channels;
    WindowTimer m_timer{10000, true};
    Step m_step = Step::Idle;
    bool m_tickPending = false;
    TickSchedule m_schedule;
    MeasurementState m_atCycleStart; // the readings as they were when the cycle started
    // Groups that were on when the cycle started; only they are read in it.
    std::array<bool, 3> m_onAtStart{};
    // What the cycle has shown so far, the latest of each, by readout and by slide.
    std::map<Readout, double> m_shownReadouts;
    std::map<Slide, double> m_shownSlides;
};
