#include "UnattendedRun.h"

#include "Acquisition.h"
#include "CommPort.h"
#include "Instrument.h"
#include "LogSession.h"
#include "MeasurementState.h"
#include "MqttPublisher.h"
#include "PortSelection.h"
#include "ReadingFeed.h"

#include <QDir>
#include <QTimer>

UnattendedRun::UnattendedRun(const LoggerOptions& options, Instrument& instrument)
    : m_options(options), m_instrument(instrument), m_state(instrument.state),
      m_port(instrument.port), m_acquisition(instrument.acquisition),
      m_logSession(instrument.logSession), m_publisher(instrument.publisher),
      m_feed(instrument.feed), m_notices(instrument.notices) {
    connect(&m_acquisition, &Acquisition::readoutShown, this,
            [this](Readout readout, double value) {
                if (readout == Readout::TotalLiters)
                    m_logSession.setTotalLiters(value);
            });
    connect(&m_logSession, &LogSession::sealed, this, &UnattendedRun::sealed);
    // The alarm record and the audit trail take a line now and then: each seal is told.
    connect(&instrument.alarmRecord, &AlarmRecord::sealed, this, &UnattendedRun::tellSeal);
    connect(&instrument.audit, &AuditTrail::sealed, this, &UnattendedRun::tellSeal);
    connect(&m_port, &CommPort::deviceLost, this, [this](const QString& device) {
        tell(Notice::Severity::Failure, deviceLostText(device));
    });
    connect(&m_port, &CommPort::deviceBack, this, [this](const QString& device) {
        tell(Notice::Severity::Information,
             QStringLiteral("The serial port device %1 is back; reading goes on.")
                 .arg(QDir::toNativeSeparators(device)));
    });
}

void UnattendedRun::sealed(const SealAnchor& anchor, bool closing) {
    constexpr qint64 kHourMs = 3600 * 1000;
    m_anchor = anchor;
    m_anchorTold = false;
    if (closing || !m_sinceAnchorTold.isValid() || m_sinceAnchorTold.elapsed() >= kHourMs)
        tellAnchor();
}

void UnattendedRun::tellAnchor() {
    m_anchorTold = true;
    m_sinceAnchorTold.start();
    tellSeal(m_anchor);
}

void UnattendedRun::tellSeal(const SealAnchor& anchor) {
    tell(Notice::Severity::Information,
         QStringLiteral("Seal anchor ") + QString::fromUtf8(anchor.json()));
}

void UnattendedRun::tell(Notice::Severity severity, const QString& text) {
    m_notices.raise({.source = QStringLiteral("service"), .severity = severity, .text = text});
}

bool UnattendedRun::start() {
    m_instrument.loadCalibration();
    m_state.probe1ThermSel = m_options.probe1Therm;
    m_state.probe2ThermSel = m_options.probe2Therm;

    if (m_options.device.isEmpty())
        m_port.setCommPort(m_options.port);
    else
        m_port.setDevice(m_options.device);
    const CommPort::OpenError opened = m_port.open();
    if (opened != CommPort::OpenError::None) {
        if (const std::optional<Notice> failure = openFailureNotice(m_port, opened))
            m_notices.raise(*failure);
        if (opened == CommPort::OpenError::Other)
            tell(Notice::Severity::Failure, QStringLiteral("The serial port cannot be opened."));
        return false;
    }
    if (!m_options.logPath.isEmpty()) {
        m_logSession.setLogPath(m_options.logPath);
        m_logSession.setTimeColumn(m_options.isoTime ? LogWriter::TimeColumn::Iso
                                                     : LogWriter::TimeColumn::TimeOfDay);
        if (!m_logSession.openLog(m_options.append ? LogWriter::Mode::Append
                                                   : LogWriter::Mode::Overwrite))
            return false;
        // Rows from the end of the first cycle on, so that none holds readings never taken.
        auto* first = new QMetaObject::Connection;
        *first = connect(&m_acquisition, &Acquisition::cycleFinished, this, [this, first] {
            disconnect(*first);
            delete first;
            m_logSession.setIntervalMs(m_options.intervalMs);
            m_logSession.start();
        });
    }
    if (m_options.publish.enabled) {
        m_publisher.configure(m_options.publish);
        m_feed.publishCalibration();
    }
    for (Group group : m_options.groups)
        m_acquisition.setGroup(group, true);
    m_acquisition.applyRate(m_options.rateMs);
    m_acquisition.readNow();
    if (m_options.durationSeconds) {
        m_ends.start();
        stopWhenDue();
    }
    return true;
}

void UnattendedRun::stopWhenDue() {
    // A timer holds at most about 24.8 days of milliseconds: a longer run waits in steps.
    constexpr qint64 kLongestWait = 86400000;
    const qint64 left = qint64(*m_options.durationSeconds * 1000) - m_ends.elapsed();
    if (left <= 0)
        return stop();
    QTimer::singleShot(std::min(left, kLongestWait), Qt::PreciseTimer, this,
                       &UnattendedRun::stopWhenDue);
}

void UnattendedRun::reopenLog() {
    if (m_options.logPath.isEmpty())
        return;
    if (!m_logSession.reopen())
        tell(Notice::Severity::Failure, QStringLiteral("The log file %1 cannot be opened again.")
                                            .arg(QDir::toNativeSeparators(m_options.logPath)));
}

void UnattendedRun::stop() {
    m_logSession.stop();
    if (!m_anchorTold)
        tellAnchor();
    // "offline", said before the goodbye; a publisher held elsewhere does not hold the stop.
    if (!m_publisher.stop(std::chrono::seconds(1)))
        tell(Notice::Severity::Warning,
             QStringLiteral("MQTT: the publisher did not end within a second; the run ends "
                            "without it."));
    emit finished();
}
