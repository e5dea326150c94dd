// dgh-report: a PDF report of a recorded run, headless (no display needed), for the rig that
// runs dgh-logger and for the office.
#include "CalibrationHistory.h"
#include "QuotedText.h"
#include "RecordedRun.h"
#include "ReportOptions.h"
#include "RunEvents.h"
#include "RunReport.h"
#include "SealCheck.h"
#include "SettingsLocation.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

namespace {
void say(const QString& line, std::FILE* to = stderr) {
    std::fputs(qPrintable(line.trimmed() + u'\n'), to);
}

// SOURCE_DATE_EPOCH, where set, is the time the report says it was made: the same log and
// options then give the same pages.
QDateTime madeAt() {
    bool ok = false;
    const qint64 seconds = qEnvironmentVariable("SOURCE_DATE_EPOCH").toLongLong(&ok);
    return ok && seconds >= 0 ? QDateTime::fromSecsSinceEpoch(seconds)
                              : QDateTime::currentDateTime();
}
} // namespace

// Qt's own remarks (a runtime folder not set under a service) are no news to the reader of a
// report; what fails is said by the program itself.
void quietQt(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        say(text);
}

int main(int argc, char* argv[]) {
    // The charts are drawn without a window system, on any rig.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietQt);
    QApplication app(argc, argv);
    const auto parsed = parseReportOptions(app.arguments());
    if (const auto* exit = std::get_if<LoggerExit>(&parsed)) {
        say(exit->text, exit->status == 0 ? stdout : stderr);
        return exit->status;
    }
    const ReportOptions& o = std::get<ReportOptions>(parsed);
    if (!o.verify.isEmpty()) {
        QString why;
        const QList<SealAnchor> anchors =
            o.anchors.isEmpty() ? QList<SealAnchor>() : readAnchors(o.anchors, &why);
        if (!why.isEmpty()) {
            say(QStringLiteral("dgh-report: ") + quotedText(why, 300));
            return 2;
        }
        bool intact = true;
        for (const QString& file : o.verify) {
            const SealVerdict verdict = checkSeal(file, o.anchors.isEmpty() ? nullptr : &anchors);
            say(QDir::toNativeSeparators(file) + QStringLiteral(": ") + verdict.text,
                verdict.intact ? stdout : stderr);
            intact = intact && verdict.intact;
        }
        return intact ? 0 : 1;
    }
    const QString shown = QDir::toNativeSeparators(o.logPath);
    RecordedRun run;
    QString why;
    if (!run.open(o.logPath, &why)) {
        say(QStringLiteral("dgh-report: the log %1 cannot be read: %2")
                .arg(quotedText(shown, 200), why));
        return 1;
    }
    run.index();
    if (run.empty()) {
        say(QStringLiteral("dgh-report: %1 holds no row of a log of this program")
                .arg(quotedText(shown, 200)));
        return 1;
    }
    const SettingsLocation settings =
        o.settingsFile.isEmpty() ? SettingsLocation() : SettingsLocation(o.settingsFile);
    const CalibrationHistory history(settings);
    QList<CalibrationRecord> calibrations = history.latest(1, INT_MAX) + history.latest(2, INT_MAX);
    const RunEvents events = collectRunEvents(
        run, QFileInfo(o.logPath).absoluteDir().filePath(QStringLiteral("alarms.csv")),
        calibrations,
        o.auditPath.isEmpty() ? auditTrailOf(o.logPath, settings.fileName()) : o.auditPath);
    const ReportRequest request{.title = o.title,
                                .station =
                                    o.station.isEmpty() ? reportStation(settings) : o.station,
                                .fromMs = o.from ? o.from->toMSecsSinceEpoch() : run.firstMs(),
                                .toMs = o.to ? o.to->toMSecsSinceEpoch() : run.lastMs(),
                                .limits = o.limits,
                                .pdfPath = o.outPath,
                                .madeAt = madeAt()};
    QString note;
    const bool written = reportRun(run, events, calibrations, request, &why, &note);
    if (!note.isEmpty())
        say(QStringLiteral("dgh-report: %1: %2").arg(shown, note));
    if (!written) {
        say(QStringLiteral("dgh-report: the report %1 cannot be written: %2")
                .arg(quotedText(QDir::toNativeSeparators(o.outPath), 200), why));
        return 1;
    }
    say(QDir::toNativeSeparators(o.outPath), stdout);
    return 0;
}
