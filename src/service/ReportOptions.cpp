#include "ReportOptions.h"

#include "ProgramVersion.h"
#include "QuotedText.h"

#include <QDir>
#include <QFileInfo>
#include <cmath>

namespace {
const QString kUsage = QStringLiteral(
    "Usage: dgh-report LOG [options]\n"
    "       dgh-report --verify [--anchors FILE] FILE...\n"
    "Writes a PDF report of a recorded run: its file and SHA-256, the probes' calibration,\n"
    "statistics, charts and alarms. Needs no display.\n"
    "\n"
    "  --out FILE.pdf          where to write it (default: LOG's name with .pdf, beside it)\n"
    "  --from T, --to T        only the rows between these local date-times, such as\n"
    "                          2026-12-08T22:00 (or with seconds and an offset)\n"
    "  --title TEXT            the report's title (default: Run report: LOG's file name)\n"
    "  --station NAME          the station named on the cover (default: the publishing\n"
    "                          station, else the host name)\n"
    "  --settings FILE         the settings whose calibration record is reported (default\n"
    "                          the window's own)\n"
    "  --audit FILE            the audit trail whose changes are reported (default: audit.csv\n"
    "                          beside LOG, else beside the settings; dgh-logger keeps its own\n"
    "                          in its state directory)\n"
    "  --slope-range LOW,HIGH  a slope within these percentages of the nominal is good\n"
    "                          (default 95,105)\n"
    "  --offset-limit MV       an offset within this many millivolts of the nominal is good\n"
    "                          (default 30)\n"
    "  --calibration-age DAYS  a calibration older than this at the run's start is noted\n"
    "                          (default 30)\n"
    "  --verify FILE...        check each record (log, alarm record...) against the seal\n"
    "                          beside it (FILE.seal): intact, or the first row that differs;\n"
    "                          exit 0 when all are intact, 1 when any is not\n"
    "  --anchors FILE          with --verify: also check the seals against the anchors told\n"
    "                          away from the disk, as lines of the journal (journalctl -o cat)\n"
    "                          or of the broker (mosquitto_sub -v -t 'dgh/+/seal')\n"
    "  --help, --version\n"
    "\n"
    "Exit status: 0 when the report is written, 1 when the log cannot be read or the report\n"
    "cannot be written, 2 for a bad option.\n");

const QStringList kValued = {
    QStringLiteral("out"),          QStringLiteral("from"),
    QStringLiteral("to"),           QStringLiteral("title"),
    QStringLiteral("station"),      QStringLiteral("settings"),
    QStringLiteral("audit"),        QStringLiteral("slope-range"),
    QStringLiteral("offset-limit"), QStringLiteral("calibration-age"),
};

LoggerExit refused(const QString& option, const QString& why) {
    return {QStringLiteral("dgh-report: --%1: %2").arg(quotedText(option, 40), why), 2};
}

std::optional<double> number(const QString& text, double low, double high) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(v) && v >= low && v <= high ? std::optional(v) : std::nullopt;
}

std::optional<LoggerExit> apply(ReportOptions& o, const QString& key, const QString& value) {
    if (key == u"out" || key == u"title" || key == u"station" || key == u"settings" ||
        key == u"audit") {
        if (value.trimmed().isEmpty())
            return refused(key, QStringLiteral("nothing given"));
        (key == u"out"        ? o.outPath
         : key == u"title"    ? o.title
         : key == u"station"  ? o.station
         : key == u"settings" ? o.settingsFile
                              : o.auditPath) = value;
    } else if (key == u"from" || key == u"to") {
        const QDateTime at = QDateTime::fromString(value.trimmed(), Qt::ISODate);
        if (!at.isValid())
            return refused(key, QStringLiteral("'%1' is not a date and time such as "
                                               "2026-12-08T22:00")
                                    .arg(quotedText(value, 40)));
        (key == u"from" ? o.from : o.to) = at;
    } else if (key == u"slope-range") {
        const QStringList ends = value.split(u',');
        const auto low = ends.size() == 2 ? number(ends[0], 0, 1000) : std::nullopt;
        const auto high = ends.size() == 2 ? number(ends[1], 0, 1000) : std::nullopt;
        if (!low || !high || *low >= *high)
            return refused(key, QStringLiteral("'%1' is not two percentages LOW,HIGH, low first")
                                    .arg(quotedText(value, 40)));
        o.limits.slopeLowPercent = *low;
        o.limits.slopeHighPercent = *high;
    } else if (key == u"offset-limit") {
        const auto mv = number(value, 0, 10000);
        if (!mv)
            return refused(key, QStringLiteral("'%1' is not a number of millivolts from 0")
                                    .arg(quotedText(value, 40)));
        o.limits.offsetMillivolts = *mv;
    } else { // calibration-age
        const auto days = number(value, 0, 100000);
        if (!days || *days != std::floor(*days))
            return refused(
                key,
                QStringLiteral("'%1' is not a whole number of days").arg(quotedText(value, 40)));
        o.limits.ageDays = int(*days);
    }
    return std::nullopt;
}
} // namespace

std::variant<ReportOptions, LoggerExit> parseReportOptions(const QStringList& arguments) {
    ReportOptions o;
    if (arguments.size() > 1 && arguments[1] == u"--verify") {
        o.verify = arguments.mid(2);
        if (o.verify.value(0) == u"--anchors") {
            if (o.verify.size() < 2)
                return refused(QStringLiteral("anchors"), QStringLiteral("no file given"));
            o.anchors = o.verify[1];
            o.verify = o.verify.mid(2);
        }
        for (const QString& file : std::as_const(o.verify))
            if (file.startsWith(QLatin1String("--")))
                return LoggerExit{QStringLiteral("dgh-report: unknown option %1 after --verify")
                                      .arg(quotedText(file, 40)),
                                  2};
        if (o.verify.isEmpty())
            return refused(QStringLiteral("verify"), QStringLiteral("no file given"));
        return o;
    }
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == u"--help")
            return LoggerExit{kUsage, 0};
        if (a == u"--version")
            return LoggerExit{QStringLiteral("dgh-report %1").arg(QLatin1String(kProgramVersion)),
                              0};
        if (!a.startsWith(u"--")) {
            if (!o.logPath.isEmpty())
                return LoggerExit{QStringLiteral("dgh-report: one log at a time ('%1' too)")
                                      .arg(quotedText(a, 40)),
                                  2};
            o.logPath = a;
            continue;
        }
        const QString key = a.mid(2).section(u'=', 0, 0);
        if (!kValued.contains(key))
            return LoggerExit{QStringLiteral("dgh-report: '%1' is not an option (see --help)")
                                  .arg(quotedText(a, 40)),
                              2};
        QString value;
        if (a.contains(u'='))
            value = a.section(u'=', 1);
        else if (i + 1 < arguments.size())
            value = arguments[++i];
        else
            return refused(key, QStringLiteral("no value given"));
        if (const auto exit = apply(o, key, value))
            return *exit;
    }
    if (o.logPath.isEmpty())
        return LoggerExit{QStringLiteral("dgh-report: no log given (see --help)"), 2};
    if (o.from && o.to && *o.from >= *o.to)
        return refused(QStringLiteral("to"), QStringLiteral("it is not after --from"));
    const QFileInfo log(o.logPath);
    if (o.outPath.isEmpty())
        o.outPath = log.dir().filePath(log.completeBaseName() + QStringLiteral(".pdf"));
    if (QFileInfo(o.outPath).absoluteFilePath() == log.absoluteFilePath())
        return refused(QStringLiteral("out"), QStringLiteral("it is the log itself"));
    // A trail named and not there is said, rather than reported as a run without changes.
    if (!o.auditPath.isEmpty() && !QFileInfo(o.auditPath).isFile())
        return refused(QStringLiteral("audit"),
                       QStringLiteral("'%1' is not a file").arg(quotedText(o.auditPath, 80)));
    if (o.title.isEmpty())
        o.title = QStringLiteral("Run report: ") + log.fileName();
    return o;
}
