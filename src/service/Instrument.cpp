#include "Instrument.h"

#include "SettingsLocation.h"

#include <QDir>
#include <QFileInfo>

Instrument::Instrument(const SettingsLocation& settings, MonotonicClock& clock,
                       Attendance attendance, LogSession::OnFailure onLogFailure)
    : settings(settings), clock(clock), port(settings), link(port, clock, notices),
      acquisition(state, link, notices, clock, attendance),
      logSession(state, notices, onLogFailure), store(settings), history(settings),
      publisher(notices), feed(state, acquisition, publisher), alarms(clock),
      alarmWatch(state, acquisition, alarms),
      alarmRecord(
          alarms, [this] { return m_alarmFolder(); }, notices),
      alarmFeed(alarms, publisher), m_alarmFolder([this] {
          return QFileInfo(logSession.fileOpen() ? logSession.logPath() : this->settings.fileName())
              .absolutePath();
      }) {}

void Instrument::loadCalibration() {
    if (!store.readable())
        notices.raise({.source = QStringLiteral("calibration"),
                       .severity = Notice::Severity::Warning,
                       .text = QStringLiteral("The settings file %1 cannot be read; the default "
                                              "calibration is used.")
                                   .arg(QDir::toNativeSeparators(store.location()))});
    store.loadAll(state);
}
