#pragma once

#include "LogWriter.h"
#include "Notices.h"
#include "WindowTimer.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

struct MeasurementState;
class Notices;

// The logging state of a run: the log path, the open log and the logger timer (tmrLogger). The
// window and the service each show its state from started() and stopped().
class LogSession : public QObject {
    Q_OBJECT
public:
    // What a file does when a row cannot be written or the file is gone from its path: the
    // window stops logging and tells the operator; a run without an operator reopens the path
    // (a new file gets the header) and goes on.
    enum class OnFailure { Stop, Reopen };

    LogSession(const MeasurementState& state, const Notices& notices,
               OnFailure onFailure = OnFailure::Stop);

    // Column 11 of a row is the total as its readout shows it: "000" until the first one is
    // read, the number in the region's form after, empty once the flow group is switched off in
    // the window (which empties its readouts).
    void setTotalLiters(std::optional<double> liters);

    const QString& logPath() const { return m_logPath; }
    void setLogPath(const QString& path) { m_logPath = path; }
    bool fileOpen() const { return m_writer.isOpen(); }
    WindowTimer& loggerTimer() { return m_timer; }
    int intervalMs() const { return m_timer.interval(); }
    void setIntervalMs(int ms) { m_timer.setInterval(ms); }
    void setTimeColumn(LogWriter::TimeColumn column) { m_writer.setTimeColumn(column); }
    LogWriter::TimeColumn timeColumn() const { return m_writer.timeColumn(); }

    // Opens the log at the log path and writes its header; tells the operator why it failed.
    bool openLog(LogWriter::Mode mode);
    // Rows from now on, one per interval, while a file is open.
    void start();
    // One row per tick while a file is open, handed to the file without waiting; nothing to do
    // after "No Save".
    void tick();
    // Closes the file and opens its path again for appending: after the file was moved away
    // (log rotation) a new one starts with the header.
    bool reopen();
    // "Stop Logging": timer off, file closed.
    void stop();

signals:
    void started(const QString& path);
    void stopped();
    // A row is in the file.
    void rowWritten();
    // A new seal line of the log, to be told away from the disk; closing: its last, as the
    // file is closed or let go of after a rotation.
    void sealed(const SealAnchor& anchor, bool closing);

private:
    void rowDone(LogWriter::RowOutcome outcome, const QString& error);
    // A row was written; error says why its seal was not.
    void sealWritten(const QString& error);
    // Unattended, after a failure or a move: the path again, then the row of this moment.
    void reopenLater();
    void failed(const QString& error);
    void tell(Notice::Severity severity, const QString& text);
    void anchor(bool closing);

    LogWriter m_writer;
    SealAnchor m_anchor; // the last told
    WindowTimer m_timer{0, true};
    const Notices& m_notices;
    const OnFailure m_onFailure;
    QString m_totalLitersText = QStringLiteral("000");
    QString m_logPath;
    bool m_failing = false;     // a failure was reported and the file is not written again yet
    bool m_reopening = false;   // an open of the path is under way
    bool m_sealFailing = false; // the seal's failure was told and it is not written again yet
};
