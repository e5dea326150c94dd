#pragma once

#include "BoundedCall.h"

#include <QDateTime>
#include <QFile>
#include <QString>
#include <functional>
#include <memory>

struct MeasurementState;

// The log file: a 16-line header documenting version and calibration, then one 11-item row per
// logger tick. Every line goes to the operating system as it is written, so a crash loses at
// most the row being written. No file operation holds the window longer than a few seconds.
class LogWriter {
public:
    // Continue: append, with a header only in a file that is new or empty (a reopen after
    // rotation, or after a failure, into a file that already has its header).
    enum class Mode { Overwrite, Append, Continue };

    explicit LogWriter(const MeasurementState& state);

    // Opens (creating the file if needed) and writes the header; on failure *error says why.
    bool open(const QString& path, Mode mode, const QDate& today, QString* error);
    bool isOpen() const { return m_file->isOpen(); }
    // One data row; column 11 is the text of the total-litres readout.
    bool writeRow(const QTime& time, const QString& totalLitersText, QString* error);
    // False once the open file cannot be reached at its path any more (deleted, renamed away,
    // its folder removed): rows would go on into a file nobody can find.
    bool stillReachable(QString* error);
    void close();

private:
    bool writeLine(const QByteArray& line, QString* error);
    // Every file operation runs here, bounded in time (see BoundedWorker); a file system that
    // does not answer fails it, and the writer lets go of that file.
    bool onFile(std::function<bool(QFile& file, QString& error)> operation, QString* error);

    const MeasurementState& m_state;
    std::shared_ptr<QFile> m_file;
    BoundedWorker m_worker;
};
