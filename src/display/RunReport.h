#pragma once

#include "RunSummary.h"

#include <QDateTime>
#include <QString>

class RecordedRun;
struct RunEvents;

// Writes a run's report as a PDF: the cover (the file and its SHA-256, the run's times, rows,
// intervals and gaps, lines for signatures), the probes' calibration judged, the buffer
// calibrations, the statistics of each quantity, a chart for each group, and the alarms; every
// page carries its number, the title, the file's digest and when the report was made. The same
// summary and time give the same pages. False, with *why, when the file cannot be written.
bool writeRunReport(const RunSummary& summary, const RecordedRun& run, const RunEvents& events,
                    const QString& pdfPath, const QDateTime& madeAt, QString* why);

// What a report is asked to cover, and where it goes.
struct ReportRequest {
    QString title;
    QString station;
    qint64 fromMs = 0;
    qint64 toMs = 0;
    CalibrationLimits limits;
    QString pdfPath;
    QDateTime madeAt;
};

// The report of a read run, as the command and the review window make it: the log's digest,
// the summary of the range, the pages. *note says what of the log could not be read.
bool reportRun(const RecordedRun& run, const RunEvents& events,
               const QList<CalibrationRecord>& calibrations, const ReportRequest& request,
               QString* why, QString* note);
