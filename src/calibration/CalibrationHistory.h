#pragma once

#include "BoundedCall.h"
#include "BufferSolver.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <memory>

class SettingsLocation;

// One saved calibration.
struct CalibrationRecord {
    QDateTime when;
    int probe = 1;
    QString serial;
    ProbeCalibration calibration{0, 0};
    QList<BufferReading> buffers; // empty where the values were typed
};

// The calibration record: "calibration-history.csv" beside the settings file, one line for every
// Save, only ever appended. A line is written whole or not at all; a line torn by a power cut
// is skipped when read and never joins the next one.
class CalibrationHistory {
public:
    explicit CalibrationHistory(const SettingsLocation& settings);

    const QString& path() const { return m_path; }
    // False when the line could not be written (no permission, disk full, no answer in time).
    bool append(const CalibrationRecord& record) const;
    // The probe's latest records, newest last.
    QList<CalibrationRecord> latest(int probe, int count) const;

private:
    QString m_path;
    std::unique_ptr<BoundedWorker> m_worker = std::make_unique<BoundedWorker>();
};
