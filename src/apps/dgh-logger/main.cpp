// dgh-logger: polls the DGH sensor modules and logs their readings without a window, for rigs
// that run unattended (as a systemd service).
#include "Acquisition.h"
#include "AlarmFeed.h"
#include "AlarmMonitor.h"
#include "AlarmRecord.h"
#include "AlarmWatch.h"
#include "CalibrationStore.h"
#include "CommPort.h"
#include "CommandLink.h"
#include "LogSession.h"
#include "LoggerOptions.h"
#include "MeasurementState.h"
#include "MonotonicClock.h"
#include "MqttPublisher.h"
#include "ProcessSignals.h"
#include "QuotedText.h"
#include "ReadingFeed.h"
#include "SettingsKeys.h"
#include "SettingsLocation.h"
#include "StandardErrorDialogs.h"
#include "UnattendedRun.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    app.setApplicationName(QLatin1String(settingskeys::kApplication));
    // Nothing is opened before every option is checked.
    const auto parsed = parseLoggerOptions(app.arguments());
    if (const auto* exit = std::get_if<LoggerExit>(&parsed)) {
        const QByteArray text = exit->text.toLocal8Bit();
        std::FILE* out = exit->status == 0 ? stdout : stderr;
        std::fputs(text.constData(), out);
        if (!text.endsWith('\n'))
            std::fputc('\n', out);
        return exit->status;
    }
    const LoggerOptions& options = std::get<LoggerOptions>(parsed);
    for (const QString& warning : options.warnings)
        std::fputs(qPrintable(warning + u'\n'), stderr);

    ProcessSignals processSignals;
    MeasurementState state;
    const SettingsLocation settings = options.settingsFile.isEmpty()
                                          ? SettingsLocation()
                                          : SettingsLocation(options.settingsFile);
    CommPort port(settings);
    SteadyClock clock;
    StandardErrorDialogs dialogs;
    CommandLink link(port, clock, dialogs);
    Acquisition acquisition(state, link, dialogs, clock, Attendance::Unattended);
    LogSession logSession(state, dialogs, LogSession::OnFailure::Reopen);
    const CalibrationStore calibration(settings);
    MqttPublisher publisher(dialogs);
    ReadingFeed feed(state, acquisition, publisher);
    AlarmMonitor alarms(clock);
    alarms.setLimits(options.alarms);
    alarms.setAcknowledgeReturned(options.acknowledgeReturned);
    const AlarmWatch alarmWatch(state, acquisition, alarms);
    // Beside the log file; when nothing is logged, in the service's state directory (the unit
    // keeps the calibration's folder read-only), else beside the calibration store.
    const QString stateDirectory = qEnvironmentVariable("STATE_DIRECTORY").section(u':', 0, 0);
    const AlarmRecord alarmRecord(
        alarms,
        [&] {
            if (options.logPath.isEmpty() && !stateDirectory.isEmpty())
                return stateDirectory;
            return QFileInfo(options.logPath.isEmpty() ? settings.fileName() : options.logPath)
                .absolutePath();
        },
        dialogs);
    AlarmFeed alarmFeed(alarms, publisher);
    alarmFeed.acceptAcknowledgements();
    UnattendedRun run(options, state, port, acquisition, logSession, calibration, publisher, feed,
                      dialogs);
    QObject::connect(&alarms, &AlarmMonitor::changed, &run, [&dialogs](const Alarm& alarm) {
        dialogs.message(QStringLiteral("Alarm %1: %2%3")
                            .arg(alarm.stateWord(), alarm.text(),
                                 alarm.by.isEmpty()
                                     ? QString()
                                     : QStringLiteral(" by ") + quotedText(alarm.by)));
    });
    QObject::connect(&processSignals, &ProcessSignals::stopRequested, &run, &UnattendedRun::stop);
    QObject::connect(&processSignals, &ProcessSignals::reopenRequested, &run,
                     &UnattendedRun::reopenLog);
    QObject::connect(&run, &UnattendedRun::finished, &app, &QCoreApplication::quit);
    if (!run.start())
        return 1;
    const int status = app.exec();
    // The log is closed; a publisher's thread still held must not hold the process.
    if (publisher.running()) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
