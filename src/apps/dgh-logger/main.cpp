// dgh-logger: polls the DGH sensor modules and logs their readings without a window, for rigs
// that run unattended (as a systemd service).
#include "Instrument.h"
#include "LoggerOptions.h"
#include "MonotonicClock.h"
#include "ProcessSignals.h"
#include "QuotedText.h"
#include "SettingsKeys.h"
#include "SettingsLocation.h"
#include "StandardErrorNotices.h"
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
    const SettingsLocation settings = options.settingsFile.isEmpty()
                                          ? SettingsLocation()
                                          : SettingsLocation(options.settingsFile);
    SteadyClock clock;
    StandardErrorNotices notices;
    Instrument instrument(settings, clock, Attendance::Unattended, LogSession::OnFailure::Reopen);
    instrument.notices.setSink([&notices](const Notice& notice) { notices.show(notice); });
    AlarmMonitor& alarms = instrument.alarms;
    alarms.setLimits(options.alarms);
    alarms.setAcknowledgeReturned(options.acknowledgeReturned);
    instrument.alarmFeed.acceptAcknowledgements();
    // Beside the log file; when nothing is logged, in the service's state directory (the unit
    // keeps the calibration's folder read-only), else beside the calibration store.
    const QString stateDirectory = qEnvironmentVariable("STATE_DIRECTORY").section(u':', 0, 0);
    instrument.setAlarmFolder([&] {
        if (options.logPath.isEmpty() && !stateDirectory.isEmpty())
            return stateDirectory;
        return QFileInfo(options.logPath.isEmpty() ? settings.fileName() : options.logPath)
            .absolutePath();
    });
    // The audit trail with the state the unit may write; beside the settings without one.
    if (!stateDirectory.isEmpty())
        instrument.audit.setFolder(stateDirectory);
    instrument.audit.record(QStringLiteral("Program started"), QStringLiteral("-"),
                            configurationText(options));
    UnattendedRun run(options, instrument);
    QObject::connect(&alarms, &AlarmMonitor::changed, &run, [&notices](const Alarm& alarm) {
        notices.line(QStringLiteral("Alarm %1: %2%3")
                         .arg(alarm.stateWord(), alarm.text(),
                              alarm.by.isEmpty() ? QString()
                                                 : QStringLiteral(" by ") + quotedText(alarm.by)),
                     alarm.active() ? Notice::Severity::Warning : Notice::Severity::Information);
    });
    QObject::connect(&processSignals, &ProcessSignals::stopRequested, &run, &UnattendedRun::stop);
    QObject::connect(&processSignals, &ProcessSignals::reopenRequested, &run,
                     &UnattendedRun::reopenLog);
    QObject::connect(&run, &UnattendedRun::finished, &app, &QCoreApplication::quit);
    if (!run.start()) {
        instrument.audit.record(QStringLiteral("Program stopped"), QStringLiteral("-"),
                                QStringLiteral("exit status 1: the run could not start"));
        return 1;
    }
    const int status = app.exec();
    instrument.audit.record(QStringLiteral("Program stopped"), QStringLiteral("-"),
                            QStringLiteral("exit status %1").arg(status));
    instrument.audit.flush();
    // The seals of the trail's last lines, told as the others were.
    QCoreApplication::processEvents();
    // The log is closed; a publisher's thread still held must not hold the process.
    if (instrument.publisher.running()) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
