#pragma once

#include "LogWriter.h"

#include <QElapsedTimer>
#include <QString>

struct MeasurementState;
class WindowTimer;
class LoggingIndicators;
class OperatorDialogs;

// The logging state of a run: the log path, the open log, the logger timer and the indicators.
class LogSession {
public:
    LogSession(const MeasurementState& state, WindowTimer& loggerTimer,
               LoggingIndicators& indicators, OperatorDialogs& dialogs);

    const QString& logPath() const { return m_logPath; }
    void setLogPath(const QString& path) { m_logPath = path; }
    WindowTimer& loggerTimer() { return m_timer; }
    LoggingIndicators& indicators() { return m_indicators; }
    OperatorDialogs& dialogs() { return m_dialogs; }
    bool fileOpen() const { return m_writer.isOpen(); }

    // Opens the log at the log path and writes its header; tells the operator why it failed.
    bool openLog(LogWriter::Mode mode);
    // One row per tick while a file is open; nothing to do after "No Save".
    void tick();
    // "Stop Logging": timer off, file closed, "Not Logging" with the red lamp, menus back.
    void stop();

private:
    LogWriter m_writer;
    WindowTimer& m_timer;
    LoggingIndicators& m_indicators;
    OperatorDialogs& m_dialogs;
    QString m_logPath;
    QElapsedTimer m_sinceReachableCheck;
    bool m_busy = false;
};
