#pragma once

#include "CalibrationHistory.h"
#include "RecordedRun.h"
#include "RunEvents.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <array>
#include <optional>
#include <vector>

// What a probe's calibration is judged against. The nominal offset and slope are those of a new
// probe (the store's defaults): the slope is given as a percentage of it, the offset as the
// millivolts it lies from it.
struct CalibrationLimits {
    double slopeLowPercent = 95;
    double slopeHighPercent = 105;
    double offsetMillivolts = 30;
    int ageDays = 30; // older than this at the run's start: said
};

// One probe's calibration as a header block of the log records it, judged.
struct ProbeCheck {
    int probe = 1;
    qint64 fromMs = 0;                               // the first row under that header
    QString offsetText, slopeText, serial, dateText; // as written
    std::optional<double> offsetMillivolts;          // from the nominal; none if unreadable
    std::optional<double> slopePercent;              // of the nominal
    std::optional<int> ageDays;                      // at the run's (or range's) start
    bool offsetWithin = false;
    bool slopeWithin = false;
    bool tooOld = false;
};

// An alarm of the alarm record within the range, from its raise on.
struct AlarmEntry {
    QString quantity; // "pH1", "thermistors"
    QString kind;     // "HIGH", "LOW", "SILENT"
    QString limit;    // as a person reads it, with its unit
    QString value;
    qint64 raisedMs = 0;
    std::optional<qint64> acknowledgedMs;
    QString acknowledgedBy;
    std::optional<qint64> clearedMs;
};

// Everything a run report states, worked out before anything is drawn.
struct RunSummary {
    QString title;
    CalibrationLimits limits;
    QString station;
    QString logPath;
    qint64 fileSize = 0;
    QByteArray sha256;           // hex
    qint64 fromMs = 0, toMs = 0; // the range reported
    RecordedRun::Span rows;
    QList<qint64> intervalsMs; // the blocks' logging intervals in the range, each once
    qint64 gaps = 0;
    qint64 longestGapMs = 0;
    std::vector<ProbeCheck> calibrations;
    QList<CalibrationRecord> bufferCalibrations; // saved up to the range's end
    std::array<QuantityStatistics, RecordedRun::kQuantities> statistics;
    std::array<qint64, RecordedRun::kQuantities> msInAlarm{};
    std::vector<AlarmEntry> alarms;
    std::vector<AuditEntry> changes; // the audit trail's, from shortly before the range on
    QString seal;                    // the log against its seal, as the verifier says it
    bool sealIntact = false;
    QString readNote; // what could not be read, for the cover and standard error
};

// The summary of a read run between two times.
RunSummary summariseRun(const RecordedRun& run, const RunEvents& events,
                        const QList<CalibrationRecord>& calibrations, qint64 fromMs, qint64 toMs,
                        const CalibrationLimits& limits);

class SettingsLocation;
// The station a report names: the publishing station of these settings, else the host name.
QString reportStation(const SettingsLocation& settings);

// A calibration date as a header writes it in any region ("01.12.2026", "12/1/2026",
// "2026-12-01"); invalid when it cannot be read.
QDate headerDate(const QString& text);
