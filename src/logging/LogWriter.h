#pragma once

#include "BoundedCall.h"
#include "RecordSeal.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <functional>
#include <memory>

struct MeasurementState;
class QObject;

// The log file: a 16-line header documenting version and calibration, then one 11-item row per
// logger tick, sealed beside it ("<log>.seal": a chain of digests over its bytes, at most one
// line a second and at every close). Every line goes to the operating system as it is written, so a
// crash loses at most the row being written. No file operation holds the window longer than a few
// seconds.
class LogWriter {
public:
    // Continue: append, with a header only in a file that is new or empty (a reopen after
    // rotation, or after a failure, into a file that already has its header).
    enum class Mode { Overwrite, Append, Continue };

    // What became of a row handed to the file. Written comes with words when the row is in the
    // file but its seal could not be written.
    enum class RowOutcome { Written, Moved, Failed };
    using RowDone = std::function<void(RowOutcome outcome, const QString& error)>;
    // Column 1 of a row: the time of day "hh:mm:ss" (the form every reader knows), or, asked
    // for, the ISO date-time with milliseconds and offset, exact across midnight and clock
    // changes.
    enum class TimeColumn { TimeOfDay, Iso };

    explicit LogWriter(const MeasurementState& state);
    ~LogWriter() { close(); }

    // Opens (creating the file if needed) and writes the header; on failure *error says why.
    bool open(const QString& path, Mode mode, const QDate& today, QString* error);
    // The same without waiting: done runs on context's thread with the outcome (Written: open).
    void openLater(const QString& path, Mode mode, const QDate& today, QObject* context,
                   RowDone done);
    // The open file's last seal line, to be told away from the disk.
    SealAnchor sealAnchor() const { return m_seal->anchor(); }
    bool isOpen() const { return m_open; }
    // One data row, taken from the state now and written without waiting; column 11 is the text
    // of the total-litres readout. done runs on context's thread once it is written, failed, or
    // not written because the file is gone from its path (Moved: looked at once a second at
    // most); answers about a file closed since are dropped.
    void writeRow(const QDateTime& time, const QString& totalLitersText, QObject* context,
                  RowDone done);
    void setTimeColumn(TimeColumn column) { m_timeColumn = column; }
    TimeColumn timeColumn() const { return m_timeColumn; }
    // Waits for the rows handed on, then closes.
    void close();

private:
    using FileOperation = std::function<bool(QFile& file, QString& error)>;
    // The header block for a file opened at path on today.
    QByteArray headerBlock(const QString& path, const QDate& today) const;
    // Opens at path and writes the header where one is due, as one operation on the file.
    // The file's seal goes on from what the file holds (see RecordSeal).
    static FileOperation opening(Mode mode, QByteArray header, std::shared_ptr<RecordSeal> seal,
                                 QByteArray follows);
    QByteArray follows(const QString& path) const;
    // Every file operation runs on the worker, bounded in time (see BoundedWorker); a file
    // system that does not answer fails it, and the writer lets go of that file.
    void post(FileOperation operation, QObject* context, RowDone done);

    const MeasurementState& m_state;
    std::shared_ptr<QFile> m_file;
    std::shared_ptr<RecordSeal> m_seal; // used on the worker, as the file
    bool m_open = false;
    TimeColumn m_timeColumn = TimeColumn::TimeOfDay;
    int m_generation = 0; // a new one for each file, so that late answers of the last are dropped
    QElapsedTimer m_sinceReachableCheck;
    BoundedWorker m_worker;
};
