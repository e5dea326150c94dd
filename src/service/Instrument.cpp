#include "Instrument.h"

#include "MachineNumber.h"
#include "SettingsLocation.h"

#include <QDir>
#include <QFileInfo>

namespace {
QString intervalText(int ms) {
    return QString::fromLatin1(machineNumber(ms / 1000.0));
}
} // namespace

Instrument::Instrument(const SettingsLocation& settings, MonotonicClock& clock,
                       Attendance attendance, LogSession::OnFailure onLogFailure)
    : settings(settings), clock(clock), port(settings), link(port, clock, notices),
      acquisition(state, link, notices, clock, attendance),
      logSession(state, notices, onLogFailure), store(settings), history(settings),
      audit(QFileInfo(settings.fileName()).absolutePath(), notices), publisher(notices),
      feed(state, acquisition, publisher), alarms(clock), alarmWatch(state, acquisition, alarms),
      alarmRecord(
          alarms, [this] { return m_alarmFolder(); }, notices),
      alarmFeed(alarms, publisher), m_alarmFolder([this] {
          return QFileInfo(logSession.fileOpen() ? logSession.logPath() : this->settings.fileName())
              .absolutePath();
      }) {
    QObject::connect(&logSession, &LogSession::started, &audit, [this](const QString& path) {
        m_loggingAudited = true;
        audit.record(
            QStringLiteral("Logging started"), QStringLiteral("-"),
            QStringLiteral("%1 every %2 s").arg(path, intervalText(logSession.intervalMs())));
    });
    // The records' seal heads, retained on dgh/<station>/seal, out of reach of the disk.
    const auto publishSeal = [this](const SealAnchor& a) {
        if (publisher.settings().enabled)
            publisher.publishRetained(QStringLiteral("seal"), a.json());
    };
    QObject::connect(&logSession, &LogSession::sealed, &publisher, publishSeal);
    QObject::connect(&alarmRecord, &AlarmRecord::sealed, &publisher, publishSeal);
    QObject::connect(&audit, &AuditTrail::sealed, &publisher, publishSeal);
    // A stop with nothing started (the window's "Stop Logging" at any time) changes nothing.
    QObject::connect(&logSession, &LogSession::stopped, &audit, [this] {
        if (std::exchange(m_loggingAudited, false))
            audit.record(QStringLiteral("Logging stopped"), logSession.logPath(),
                         QStringLiteral("-"));
    });
}

void Instrument::loadCalibration() {
    if (!store.readable())
        notices.raise({.source = QStringLiteral("calibration"),
                       .severity = Notice::Severity::Warning,
                       .text = QStringLiteral("The settings file %1 cannot be read; the default "
                                              "calibration is used.")
                                   .arg(QDir::toNativeSeparators(store.location()))});
    store.loadAll(state);
}
