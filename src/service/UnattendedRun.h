#pragma once

#include "LoggerOptions.h"
#include "Notices.h"
#include "RecordSeal.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

struct MeasurementState;
class Acquisition;
class CommPort;
class Instrument;
class LogSession;
class MqttPublisher;
class ReadingFeed;

// One run of the logger without a window: opens the port and the log as asked, switches the
// groups on, reads and logs until stopped, and tells of every failure as a notice.
class UnattendedRun : public QObject {
    Q_OBJECT
public:
    UnattendedRun(const LoggerOptions& options, Instrument& instrument);

    // False, after saying why, when the port or the log cannot be opened.
    bool start();
    // Closes the log once the rows handed to it are written; the run is over.
    void stop();
    // The log file opens again at its path (after log rotation moved it).
    void reopenLog();

signals:
    void finished();

private:
    void stopWhenDue();
    // The log's seal head, to the journal: the first, then at most one an hour, and the last
    // at every close.
    void sealed(const SealAnchor& anchor, bool closing);
    void tellAnchor();
    void tellSeal(const SealAnchor& anchor);
    void tell(Notice::Severity severity, const QString& text);

    const LoggerOptions m_options;
    Instrument& m_instrument;
    MeasurementState& m_state;
    CommPort& m_port;
    Acquisition& m_acquisition;
    LogSession& m_logSession;
    MqttPublisher& m_publisher;
    ReadingFeed& m_feed;
    const Notices& m_notices;
    QElapsedTimer m_ends; // since the start, for --duration
    SealAnchor m_anchor;
    bool m_anchorTold = true;
    QElapsedTimer m_sinceAnchorTold;
};
