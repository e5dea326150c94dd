#pragma once

#include "AuditTrail.h"
#include "Readouts.h"

#include <QList>
#include <QString>
#include <optional>
#include <vector>

class RecordedRun;
struct CalibrationRecord;

// What happened during a recorded run besides its rows: alarms from the alarm record beside the
// log, buffer calibrations from the calibration record, changes from the audit trail, and the
// log's own header blocks.
struct RunEvent {
    enum class Kind { Raised, Acknowledged, Cleared, Calibration, Header, Change };
    Kind kind;
    qint64 ms;
    QString text; // for a person: shown on hover, in the list and to a screen reader
    std::optional<Readout> readout{}; // the quantity an alarm is about; none for a silent group
    std::optional<Group> group{};     // the group an alarm is about
    QString alarm{};                  // which alarm, as the record names it: "ph1-high"
    QString subject{}, kindWord{}, limit{}, value{}, by{}; // an alarm's parts, for a table
};

// An alarm standing from its raise to its clear (or the run's end).
struct AlarmSpan {
    qint64 fromMs;
    qint64 toMs;
    std::optional<Readout> readout;
    Group group;
};

struct RunEvents {
    std::vector<RunEvent> events; // in time order
    std::vector<AlarmSpan> spans;
    std::vector<AuditEntry> changes; // the audit trail's entries within the run
    QString note;                    // what could not be read, for a person; empty if all could

    // How long a quantity stood in alarm between two times: beyond its limits, or its group
    // silent.
    qint64 msInAlarm(Readout readout, qint64 fromMs, qint64 toMs) const;
};

// The events of a run: alarm lines of the record at alarmRecord (missing: none), calibrations
// saved and the audit trail's changes between the run's first and last row, and the run's
// header blocks.
RunEvents collectRunEvents(const RecordedRun& run, const QString& alarmRecord,
                           const QList<CalibrationRecord>& calibrations,
                           const QString& auditTrail = {});

// The audit trail of a log's run: beside the log where dgh-logger keeps one there, else beside
// the settings.
QString auditTrailOf(const QString& logPath, const QString& settingsFile);

// An audit entry for a person: "Alarm limits: ph1-high=8 to ph1-high=8.5, by ana (dgh-gui 2.2):
// new buffer lot".
QString changeText(const AuditEntry& entry);
