#pragma once

#include "AlarmLimits.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <chrono>
#include <map>
#include <optional>

class MonotonicClock;

// One alarm: a quantity beyond a limit, or a module group that has stopped answering.
struct Alarm {
    enum class Kind { Low, High, Silent };
    enum class State { Normal, ActiveUnacknowledged, ActiveAcknowledged, ClearedUnacknowledged };

    std::optional<Quantity> quantity; // none for a silent group
    Group group = Group::Ph;
    Kind kind = Kind::High;
    double limit = 0; // for a silent group: the seconds allowed
    double value = 0; // at the latest change; for a silent group: the seconds without a read
    State state = State::Normal;
    QDateTime since; // when it was raised
    // This change is a person's acknowledgement, by whom where known.
    bool acknowledgement = false;
    QString by;
    // A silent group whose failure switched it off: the alarm stands until acknowledged.
    bool groupSwitchedOff = false;

    bool active() const {
        return state == State::ActiveUnacknowledged || state == State::ActiveAcknowledged;
    }
    bool unacknowledged() const {
        return state == State::ActiveUnacknowledged || state == State::ClearedUnacknowledged;
    }
    // "ph1-high", "flow-silent"
    QString id() const;
    // "pH1", "flow module"
    QString subject() const;
    // "HIGH", "LOW", "SILENT"
    QString kindWord() const;
    // "raised", "acknowledged", "cleared", "cleared-unacknowledged"
    QString stateWord() const;
    bool returned() const {
        return state == State::ClearedUnacknowledged || state == State::Normal;
    }
    // As the operator reads it, numbers in the region's form: "pH1 HIGH 8.52 > 8.00 since
    // 14:02:11", "flow module SILENT 12 s > 10 s since 14:02:11"; back inside, "T1 HIGH cleared
    // at 19.5 (limit 20.0), raised 14:02:11".
    QString text() const;
};

// The alarms of a run, after the settled practice of process alarms: a value alarms once it has
// stayed beyond a limit for the on-delay (a shorter spike does not), clears once it is back
// inside by the deadband (a value on the limit does not chatter), and stays until acknowledged.
class AlarmMonitor : public QObject {
    Q_OBJECT
public:
    explicit AlarmMonitor(MonotonicClock& clock);

    void setLimits(const AlarmLimits& limits);
    const AlarmLimits& limits() const { return m_limits; }

    // A reading of the quantity, just taken.
    void valueRead(Quantity quantity, double value);
    // A good read of one of the group's modules, just now.
    void groupRead(Group group);
    // Which groups are on, at the end of each cycle: one that stays silent too long alarms.
    void checkSilence(const std::array<bool, 3>& groupsOn);

    // Without acknowledgement (a rig nobody watches), a value back inside ends its alarm.
    void setAcknowledgeReturned(bool required) { m_acknowledgeReturned = required; }
    // The failure of a group's module switched the group off: its silent alarm stands, raised
    // now if it was not yet, until acknowledged.
    void groupFailedOff(Group group);

    // by: who acknowledged, where known (the desktop user, a name sent to the broker).
    void acknowledgeAll(const QString& by = QString());
    void acknowledge(const QString& id, const QString& by = QString());
    // Every alarm not back to normal, in the order of the quantities.
    QList<Alarm> alarms() const;
    bool anyUnacknowledged() const;
    // The alarm state a readout shows (Normal when none).
    Alarm::State stateOf(Readout readout) const;

signals:
    // An alarm's state changed; it carries the new one.
    void changed(const Alarm& alarm);

private:
    struct Entry {
        Alarm alarm;
        std::optional<std::chrono::nanoseconds> beyondSince;
    };
    Entry& entry(const Alarm& identity);
    void raise(Entry& e, double value);
    void clear(Entry& e, double value);
    void emitChange(const Entry& e);
    // One limit's rule for a new value; beyond and back tell which side is which.
    void apply(Entry& e, double value, bool beyond, bool back, double onDelay);

    MonotonicClock& m_clock;
    AlarmLimits m_limits;
    bool m_acknowledgeReturned = true;
    std::map<QString, Entry> m_entries;                                // by id
    std::array<std::optional<std::chrono::nanoseconds>, 3> m_lastGood; // by Group
};
