#include "Instrument.h"

#include "OperatorDialogs.h"
#include "SettingsLocation.h"

#include <QDir>
#include <QFileInfo>

Instrument::Instrument(const SettingsLocation& settings, OperatorDialogs& dialogs,
                       MonotonicClock& clock, Attendance attendance,
                       LogSession::OnFailure onLogFailure)
    : settings(settings), dialogs(dialogs), clock(clock), port(settings),
      link(port, clock, dialogs), acquisition(state, link, dialogs, clock, attendance),
      logSession(state, dialogs, onLogFailure), store(settings), history(settings),
      publisher(dialogs), feed(state, acquisition, publisher), alarms(clock),
      alarmWatch(state, acquisition, alarms),
      alarmRecord(
          alarms, [this] { return m_alarmFolder(); }, dialogs),
      alarmFeed(alarms, publisher), m_alarmFolder([this] {
          return QFileInfo(logSession.fileOpen() ? logSession.logPath() : this->settings.fileName())
              .absolutePath();
      }) {}

void Instrument::loadCalibration() {
    if (!store.readable())
        dialogs.message(QStringLiteral("The settings file %1 cannot be read; the default "
                                       "calibration is used.")
                            .arg(QDir::toNativeSeparators(store.location())));
    store.loadAll(state);
}
