#pragma once

#include "LoggerOptions.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <functional>

struct MeasurementState;
class Acquisition;
class CommPort;
class Instrument;
class LogSession;
class MqttPublisher;
class ReadingFeed;
class OperatorDialogs;

// One run of the logger without a window: opens the port and the log as asked, switches the
// groups on, reads and logs until stopped, and tells of every failure on its dialogs.
class UnattendedRun : public QObject {
    Q_OBJECT
public:
    UnattendedRun(const LoggerOptions& options, Instrument& instrument);

    // False, after saying why, when the port or the log cannot be opened.
    bool start();
    // Ends the run from the event loop's own level, never from inside a file operation's wait,
    // so that the row being written is whole.
    void stop();
    // The log file opens again at its path (after log rotation moved it).
    void reopenLog();
    // Closes the log; the run is over.
    void finish();

signals:
    void finished();

private:
    void stopWhenDue();
    // Runs now, or once the loop is back at its own level.
    void atLoopLevel(std::function<void()> step);

    const LoggerOptions m_options;
    Instrument& m_instrument;
    MeasurementState& m_state;
    CommPort& m_port;
    Acquisition& m_acquisition;
    LogSession& m_logSession;
    MqttPublisher& m_publisher;
    ReadingFeed& m_feed;
    OperatorDialogs& m_dialogs;
    QElapsedTimer m_ends; // since the start, for --duration
};
