#include "LoggerOptions.h"

#include "ProgramVersion.h"
#include "QuotedText.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <cmath>

namespace {
const QString kUsage = QStringLiteral(
    "Usage: dgh-logger [OPTION]...\n"
    "Polls the DGH modules on one serial line and logs their readings, without a window.\n"
    "\n"
    "  --config FILE          read these options from an INI file (keys of the same names);\n"
    "                         an option on the command line wins\n"
    "  --port N               serial port number, as the window numbers them (default 1)\n"
    "  --device PATH          the serial device itself, instead of a port number\n"
    "  --rate MS              read every MS milliseconds, 100 or more (default 1000)\n"
    "  --groups LIST          any of flow,ph,therm (default all three)\n"
    "  --probe1-therm 1|2|3   the thermistor probe 1 compensates with (default 1)\n"
    "  --probe2-therm 1|2|3   the thermistor probe 2 compensates with (default 1)\n"
    "  --log PATH             write the log file there (default: no log)\n"
    "  --interval S           one row every S seconds, 0.1 to 60 (default 1)\n"
    "  --time FORM            column 1 of a row: clock (hh:mm:ss, default) or iso (date, time\n"
    "                         and offset, such as 2026-12-08T12:51:51.123+01:00)\n"
    "  --append, --overwrite  add to an existing log file, or start it afresh (default append)\n"
    "  --settings FILE        the calibration store (default the window's own)\n"
    "  --duration S           stop after S seconds, at most 31622400 (366 days; default: run\n"
    "                         until stopped)\n"
    "  --mqtt URL             publish every reading to the broker at mqtt://host:1883 or\n"
    "                         mqtts://host:8883\n"
    "  --station NAME         the topic dgh/NAME/ (letters, digits, - and _; default the host\n"
    "                         name)\n"
    "  --mqtt-user NAME, --mqtt-password-file FILE, --mqtt-ca FILE\n"
    "                         log in to the broker; check its certificate against this authority\n"
    "  --mqtt-keepalive S     seconds after which a silent broker counts as gone (default 10)\n"
    "                         (without --mqtt-password-file, the password is read from the\n"
    "                         systemd credential mqtt-password where one is given)\n"
    "  --ph1-high V, --t2-low V, --lpm-deadband V, --ph2-delay S, --flow-silent S, ...\n"
    "                         alarm limits of ph1 ph2 t1 t2 t3 lpm (-low -high -deadband -delay)\n"
    "                         and of the groups ph flow therm (-silent), as in the window\n"
    "  --no-acknowledge       an alarm whose value came back is over, with nobody to\n"
    "                         acknowledge it (otherwise: from dgh/STATION/alarms/ack)\n"
    "  --help, --version\n"
    "\n"
    "Messages go to standard error, one line each. SIGTERM or SIGINT ends the run with the last\n"
    "row whole; SIGHUP reopens the log file. Exit status: 0 after a clean stop, 1 when the port\n"
    "or the log cannot be opened, 2 for a bad option.\n");

const QStringList kValued = {
    QStringLiteral("config"),       QStringLiteral("port"),
    QStringLiteral("device"),       QStringLiteral("rate"),
    QStringLiteral("groups"),       QStringLiteral("probe1-therm"),
    QStringLiteral("probe2-therm"), QStringLiteral("log"),
    QStringLiteral("interval"),     QStringLiteral("time"),
    QStringLiteral("settings"),     QStringLiteral("duration"),
    QStringLiteral("mqtt"),         QStringLiteral("station"),
    QStringLiteral("mqtt-user"),    QStringLiteral("mqtt-password-file"),
    QStringLiteral("mqtt-ca"),      QStringLiteral("mqtt-keepalive"),
};
const QStringList kFlags = {QStringLiteral("append"), QStringLiteral("overwrite"),
                            QStringLiteral("no-acknowledge")};
// A config or a password file larger than this is no config or password.
constexpr qint64 kLargestConfig = 1 << 20;
constexpr qint64 kLargestPasswordFile = 4096;
constexpr double kLongestDuration = 31622400; // 366 days

bool alarmKey(const QString& key) {
    AlarmLimits scratch;
    return setLimit(scratch, key, QStringLiteral("1"));
}

LoggerExit refused(const QString& option, const QString& why) {
    return {QStringLiteral("dgh-logger: --%1: %2").arg(quotedText(option, 40), why), 2};
}
// A value as a message quotes it.
QString shown(const QString& value) {
    return quotedText(value);
}

// The whole of a plain file no larger than `largest`: a FIFO, a device or a directory would hold
// the start for ever or give endless bytes.
std::optional<QByteArray> smallFile(const QString& path, qint64 largest, QString* why) {
    const QFileInfo info(path);
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        *why = QStringLiteral("'%1' is not a readable file").arg(shown(path));
        return std::nullopt;
    }
    QByteArray bytes = file.read(largest + 1);
    if (bytes.size() > largest) {
        *why = QStringLiteral("'%1' is larger than %2 bytes").arg(shown(path)).arg(largest);
        return std::nullopt;
    }
    return bytes;
}

// Machine text: whole numbers and full-stop decimals, whatever the region.
std::optional<long long> wholeNumber(const QString& text) {
    bool ok = false;
    const long long v = text.trimmed().toLongLong(&ok);
    return ok ? std::optional(v) : std::nullopt;
}
std::optional<double> decimalNumber(const QString& text) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(v) ? std::optional(v) : std::nullopt;
}
std::optional<bool> yesNo(const QString& text) {
    const QString t = text.trimmed().toLower();
    if (t == u"true" || t == u"yes" || t == u"1" || t.isEmpty())
        return true;
    if (t == u"false" || t == u"no" || t == u"0")
        return false;
    return std::nullopt;
}

// The config file's keys in order: "key=value" lines, "#" or ";" comments, and keys before any
// section or in [General]; a value may be in double quotes.
std::variant<QList<std::pair<QString, QString>>, LoggerExit> readConfig(const QString& path) {
    QString why;
    const std::optional<QByteArray> bytes = smallFile(path, kLargestConfig, &why);
    if (!bytes)
        return refused(QStringLiteral("config"), why);
    QList<std::pair<QString, QString>> keys;
    QString section;
    int number = 0;
    for (QString raw : QString::fromUtf8(*bytes).split('\n')) {
        if (raw.endsWith(u'\r'))
            raw.chop(1);
        ++number;
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#') || line.startsWith(';'))
            continue;
        if (line.startsWith('[') && line.endsWith(']')) {
            section = line.mid(1, line.size() - 2).trimmed();
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        const QString key = line.left(equals).trimmed();
        QString value = line.mid(equals + 1).trimmed();
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        if (equals < 0 || (!section.isEmpty() && section.compare(u"General", Qt::CaseInsensitive)))
            return refused(QStringLiteral("config"),
                           QStringLiteral("line %1 of %2 is not a key of the options")
                               .arg(number)
                               .arg(shown(path)));
        if (key == u"config" || (!kValued.contains(key) && !kFlags.contains(key) && !alarmKey(key)))
            return refused(
                QStringLiteral("config"),
                QStringLiteral("'%1' in %2 is not an option").arg(shown(key), shown(path)));
        keys.append({key, value});
    }
    return keys;
}

// The password is the file's first line; the file stays out of the process list and the config.
// One that others may read is used, with a warning.
std::optional<QString> readPassword(LoggerOptions& o, const QString& path) {
    QString why;
    const std::optional<QByteArray> bytes = smallFile(path, kLargestPasswordFile, &why);
    if (!bytes)
        return why;
    o.publish.password = QString::fromUtf8(bytes->left(bytes->indexOf('\n'))).trimmed();
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::ReadOther;
    if (QFileInfo(path).permissions() & others)
        o.warnings.append(QStringLiteral("dgh-logger: warning: the password file %1 can be read "
                                         "by other users; let only its owner read it (chmod "
                                         "600), or give it as the unit's credential")
                              .arg(shown(path)));
    return std::nullopt;
}

// Applies one option's value; an error says which and why.
std::optional<LoggerExit> apply(LoggerOptions& o, const QString& key, const QString& value) {
    if (key == u"port") {
        const auto n = wholeNumber(value);
        if (!n || *n < 1 || *n > 32767)
            return refused(key,
                           QStringLiteral("'%1' is not a port number from 1").arg(shown(value)));
        o.port = qint16(*n);
    } else if (key == u"device") {
        if (value.isEmpty())
            return refused(key, QStringLiteral("no device path given"));
        o.device = value;
    } else if (key == u"rate") {
        const auto n = wholeNumber(value);
        if (!n || *n < 100 || *n > 86400000)
            return refused(key, QStringLiteral("'%1' is not a whole number of milliseconds "
                                               "from 100")
                                    .arg(shown(value)));
        o.rateMs = int(*n);
    } else if (key == u"groups") {
        const QMap<QString, Group> names = {{QStringLiteral("flow"), Group::Flow},
                                            {QStringLiteral("ph"), Group::Ph},
                                            {QStringLiteral("therm"), Group::Therm}};
        o.groups.clear();
        for (const QString& name : value.split(',', Qt::SkipEmptyParts)) {
            const auto g = names.find(name.trimmed().toLower());
            if (g == names.end())
                return refused(key, QStringLiteral("'%1' is not one of flow, ph, therm")
                                        .arg(shown(name.trimmed())));
            o.groups.insert(*g);
        }
        if (o.groups.empty())
            return refused(key, QStringLiteral("no group given"));
    } else if (key == u"probe1-therm" || key == u"probe2-therm") {
        const auto n = wholeNumber(value);
        if (!n || *n < 1 || *n > 3)
            return refused(key, QStringLiteral("'%1' is not 1, 2 or 3").arg(shown(value)));
        (key == u"probe1-therm" ? o.probe1Therm : o.probe2Therm) = qint16(*n);
    } else if (key == u"log") {
        if (value.isEmpty())
            return refused(key, QStringLiteral("no file given"));
        o.logPath = value;
    } else if (key == u"interval") {
        const auto s = decimalNumber(value);
        if (!s || *s < 0.1 - 1e-9 || *s > 60 + 1e-9)
            return refused(
                key,
                QStringLiteral("'%1' is not a number of seconds from 0.1 to 60").arg(shown(value)));
        o.intervalMs = int(std::lround(*s * 1000));
    } else if (key == u"time") {
        if (value != u"clock" && value != u"iso")
            return refused(key, QStringLiteral("'%1' is neither clock nor iso").arg(shown(value)));
        o.isoTime = value == u"iso";
    } else if (key == u"append" || key == u"overwrite") {
        const auto on = yesNo(value);
        if (!on)
            return refused(key, QStringLiteral("'%1' is neither true nor false").arg(shown(value)));
        o.append = (key == u"append") == *on;
    } else if (key == u"settings") {
        if (value.isEmpty())
            return refused(key, QStringLiteral("no file given"));
        o.settingsFile = value;
    } else if (key == u"duration") {
        const auto s = decimalNumber(value);
        if (!s || *s <= 0 || *s > kLongestDuration)
            return refused(key, QStringLiteral("'%1' is not a number of seconds above 0 and up "
                                               "to %2")
                                    .arg(shown(value))
                                    .arg(kLongestDuration, 0, 'f', 0));
        o.durationSeconds = *s;
    } else if (alarmKey(key)) {
        if (!setLimit(o.alarms, key, value))
            return refused(key, QStringLiteral("'%1' is not a finite number").arg(shown(value)));
    } else if (key == u"mqtt") {
        QString why;
        if (!parseBrokerUrl(value, &why))
            return refused(key, why);
        o.publish.enabled = true;
        o.publish.url = value.trimmed();
    } else if (key == u"no-acknowledge") {
        const auto on = yesNo(value);
        if (!on)
            return refused(key, QStringLiteral("'%1' is neither true nor false").arg(shown(value)));
        o.acknowledgeReturned = !*on;
    } else if (key == u"station") {
        if (!validStation(value))
            return refused(key, QStringLiteral("'%1' is not a station name: use letters, digits, "
                                               "- and _")
                                    .arg(shown(value)));
        o.publish.station = value;
    } else if (key == u"mqtt-user") {
        o.publish.user = value;
    } else if (key == u"mqtt-password-file") {
        if (const auto problem = readPassword(o, value))
            return refused(key, *problem);
    } else if (key == u"mqtt-ca") {
        // Read by the publisher's thread at each connection: a FIFO would hold it for ever.
        QString why;
        if (!smallFile(value, kLargestConfig, &why))
            return refused(key, why);
        o.publish.caFile = value;
    } else if (key == u"mqtt-keepalive") {
        const auto n = wholeNumber(value);
        if (!n || *n < 5 || *n > 3600) // the client library takes no less
            return refused(
                key,
                QStringLiteral("'%1' is not a whole number of seconds from 5").arg(shown(value)));
        o.publish.keepAliveSeconds = int(*n);
    }
    return std::nullopt;
}
} // namespace

std::variant<LoggerOptions, LoggerExit> parseLoggerOptions(const QStringList& arguments) {
    // The command line first, in order; the config file fills in what it did not give.
    QList<std::pair<QString, QString>> given;
    QString config;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == u"--help")
            return LoggerExit{kUsage, 0};
        if (argument == u"--version")
            return LoggerExit{QStringLiteral("dgh-logger %1\n").arg(QLatin1String(kProgramVersion)),
                              0};
        if (!argument.startsWith(u"--"))
            return LoggerExit{QStringLiteral("dgh-logger: '%1' is not an option (see --help)")
                                  .arg(shown(argument)),
                              2};
        QString key = argument.mid(2);
        QString value;
        const qsizetype equals = key.indexOf('=');
        if (equals >= 0) {
            value = key.mid(equals + 1);
            key.truncate(equals);
        }
        if (kFlags.contains(key)) {
            given.append({key, equals >= 0 ? value : QStringLiteral("true")});
            continue;
        }
        if (!kValued.contains(key) && !alarmKey(key))
            return LoggerExit{QStringLiteral("dgh-logger: '%1' is not an option (see --help)")
                                  .arg(shown(argument)),
                              2};
        if (equals < 0) {
            if (i + 1 >= arguments.size())
                return refused(key, QStringLiteral("a value is missing"));
            value = arguments[++i];
        }
        if (key == u"config")
            config = value;
        else
            given.append({key, value});
    }

    QList<std::pair<QString, QString>> all;
    if (!config.isEmpty()) {
        const auto read = readConfig(config);
        if (const auto* error = std::get_if<LoggerExit>(&read))
            return *error;
        all = std::get<QList<std::pair<QString, QString>>>(read);
    }
    all.append(given); // later wins
    LoggerOptions options;
    options.publish.station = defaultStation();
    for (const auto& [key, value] : all) {
        if (const auto error = apply(options, key, value))
            return *error;
        if (key == u"port") // the later of a port and a device names the line
            options.device.clear();
    }
    if (const auto problem = limitsProblem(options.alarms))
        return LoggerExit{QStringLiteral("dgh-logger: ") + *problem, 2};
    // Under systemd, LoadCredential= hands the password over in a file only this service reads.
    const QString credentials = qEnvironmentVariable("CREDENTIALS_DIRECTORY");
    const QString credential = credentials + QStringLiteral("/mqtt-password");
    if (options.publish.password.isEmpty() && !credentials.isEmpty() &&
        QFileInfo::exists(credential))
        if (const auto problem = readPassword(options, credential))
            return refused(QStringLiteral("mqtt-password-file"), *problem);
    return options;
}

QString configurationText(const LoggerOptions& o) {
    QStringList groups;
    for (const auto& [group, name] : {std::pair{Group::Flow, "flow"}, std::pair{Group::Ph, "ph"},
                                      std::pair{Group::Therm, "therm"}})
        if (o.groups.count(group))
            groups << QLatin1String(name);
    return QStringList{
        QStringLiteral("port %1").arg(o.device.isEmpty() ? QString::number(o.port) : o.device),
        QStringLiteral("rate %1 ms").arg(o.rateMs),
        QStringLiteral("groups %1").arg(groups.join(u',')),
        QStringLiteral("probe thermistors %1,%2").arg(o.probe1Therm).arg(o.probe2Therm),
        o.logPath.isEmpty()
            ? QStringLiteral("no log")
            : QStringLiteral("log %1 (%2) every %3 ms, time %4")
                  .arg(o.logPath, o.append ? QStringLiteral("append") : QStringLiteral("overwrite"))
                  .arg(o.intervalMs)
                  .arg(o.isoTime ? QStringLiteral("iso") : QStringLiteral("clock")),
        QStringLiteral("publishing %1").arg(publishingAuditText(o.publish)),
        QStringLiteral("alarms %1").arg(limitEntriesText(o.alarms)),
        QStringLiteral("settings %1")
            .arg(o.settingsFile.isEmpty() ? QStringLiteral("the user's") : o.settingsFile)}
        .join(QStringLiteral("; "));
}
