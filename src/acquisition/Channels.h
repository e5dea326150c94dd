#pragma once

#include "InstrumentPanel.h"

#include <QString>
#include <chrono>
#include <functional>
#include <map>
#include <set>

struct MeasurementState;
class CommandLink;
class MonotonicClock;
class Notices;

// Who answers a module's failure. An operator gets a box and the group switched off; a run without
// one is told when a module starts failing and when it answers again, and its group stays on.
enum class Attendance { Operator, Unattended };

// The read-and-convert routines of the three channel groups. Each reports its own failures and
// never passes an error up to the read cycle. A routine returns as soon as its first command is
// out; done runs once its last reply has been handled.
class Channels {
public:
    using Done = std::function<void()>;

    Channels(MeasurementState& state, CommandLink& link, InstrumentPanel& panel,
             const Notices& notices, MonotonicClock& clock,
             Attendance attendance = Attendance::Operator);

    // pH probe 1 at "6", probe 2 at "7"; temperature compensated with the selected thermistor.
    void ReadPhProbe(const QString& address, Done done = {});
    // Frequency module "5". The total grows by frequency times the seconds the group was on since
    // the previous successful read, so it counts pulses whatever the update rate.
    void ReadFlow(Done done = {});
    // Thermistors "1", "2", "3" in that order.
    void ReadThermistors(Done done = {});
    // The flow group was switched on: time before this is not flow.
    void flowSwitchedOn();

    // A failure box is waiting for the operator's second to pass (see reportFailure()).
    bool delayingFailure() const { return m_delayingFailure; }

private:
    using NumberHandler = std::function<void(bool isNumber, double value)>;
    // One transaction; isNumber with the value for a number. A reply that is not a number shows
    // the failure message and switches the group off; an empty value text is silently nothing.
    void readNumber(const QString& address, const QString& failure, Group group,
                    NumberHandler handler);
    // Shows a module's failure box and goes on at once (then learns whether it was shown);
    // afterOk runs once the operator closed it. While the box waits,
    // the module's further failures add none. After a box closes, the next box of the same
    // module waits until the operator has had a second to reach the switches, the menus or Exit;
    // a group switched off during that second is not reported again.
    void reportFailure(const QString& address, const QString& text, Group group,
                       std::function<void()> afterOk, std::function<void(bool shown)> then);
    // The module answered: unattended, a run of failures before it ends with a word.
    void noteAnswer(const QString& address);
    void showPh(const QString& address, double reading);
    void showFlow(double reading, std::chrono::nanoseconds sentAt);
    void readThermistor(int index, Done done);

    MeasurementState& m_state;
    CommandLink& m_link;
    InstrumentPanel& m_panel;
    const Notices& m_notices;
    MonotonicClock& m_clock;
    std::chrono::nanoseconds m_flowCreditedUntil;
    std::map<QString, std::chrono::nanoseconds> m_failureBoxClosed; // by module address
    bool m_delayingFailure = false;
    std::set<QString> m_boxOpen; // modules whose failure box waits for the operator
    const Attendance m_attendance;
    std::map<QString, int> m_failedReads; // unattended: failed reads since the last answer
};
