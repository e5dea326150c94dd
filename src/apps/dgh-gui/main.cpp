// dgh-gui: polls the DGH sensor modules and shows, charts and logs their readings.
#include "Acquisition.h"
#include "AlarmFeed.h"
#include "AlarmMonitor.h"
#include "AlarmRecord.h"
#include "AlarmSettings.h"
#include "AlarmWatch.h"
#include "CalibrationHistory.h"
#include "CalibrationStore.h"
#include "CommPort.h"
#include "CommandLink.h"
#include "LogSession.h"
#include "MainWindow.h"
#include "MeasurementState.h"
#include "MonotonicClock.h"
#include "MqttPublisher.h"
#include "ReadingFeed.h"
#include "SettingsLocation.h"
#include "WidgetDialogs.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    app.setApplicationName(QLatin1String(WidgetDialogs::kProgramTitle));
    // Installed, the icon theme has the program's icon under its desktop entry's name.
    app.setWindowIcon(QIcon::fromTheme(QStringLiteral("com.halvane.DghGui")));

    MeasurementState state;
    const SettingsLocation settings;
    CommPort MSComm1(settings);
    SteadyClock clock;
    WidgetDialogs dialogs;
    CommandLink link(MSComm1, clock, dialogs);
    Acquisition acquisition(state, link, dialogs, clock);
    LogSession logSession(state, dialogs);
    const CalibrationStore store(settings);
    const CalibrationHistory history(settings);
    const CalibrationServices calibration{store, history, acquisition, clock};
    MqttPublisher publisher(dialogs);
    ReadingFeed feed(state, acquisition, publisher);
    const PublishingServices publishing{publisher, feed, settings};
    AlarmMonitor alarms(clock);
    AlarmSettings alarmSettings;
    const AlarmWatch alarmWatch(state, acquisition, alarms);
    // Beside the log file while logging, else beside the settings.
    const AlarmRecord alarmRecord(
        alarms,
        [&] {
            return QFileInfo(logSession.fileOpen() ? logSession.logPath() : settings.fileName())
                .absolutePath();
        },
        dialogs);
    const AlarmFeed alarmFeed(alarms, publisher);
    const AlarmServices alarmServices{alarms, alarmSettings, settings};
    MainWindow window(state, MSComm1, acquisition, logSession, calibration, publishing,
                      alarmServices, dialogs, QCoreApplication::applicationDirPath());
    window.startUp();
    window.show();
    return app.exec();
}
