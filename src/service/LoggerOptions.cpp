#include "LoggerOptions.h"

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
    "  --append, --overwrite  add to an existing log file, or start it afresh (default append)\n"
    "  --settings FILE        the calibration store (default the window's own)\n"
    "  --duration S           stop after S seconds (default: run until stopped)\n"
    "  --mqtt URL             publish every reading to the broker at mqtt://host:1883 or\n"
    "                         mqtts://host:8883\n"
    "  --station NAME         the topic dgh/NAME/ (letters, digits, - and _; default the host\n"
    "                         name)\n"
    "  --mqtt-user NAME, --mqtt-password-file FILE, --mqtt-ca FILE\n"
    "                         log in to the broker; check its certificate against this authority\n"
    "  --mqtt-keepalive S     seconds after which a silent broker counts as gone (default 10)\n"
    "  --ph1-high V, --t2-low V, --lpm-deadband V, --ph2-delay S, --flow-silent S, ...\n"
    "                         alarm limits of ph1 ph2 t1 t2 t3 lpm (-low -high -deadband -delay)\n"
    "                         and of the groups ph flow therm (-silent), as in the window\n"
    "  --help, --version\n"
    "\n"
    "Messages go to standard error, one line each. SIGTERM or SIGINT ends the run with the last\n"
    "row whole; SIGHUP reopens the log file. Exit status: 0 after a clean stop, 1 when the port\n"
    "or the log cannot be opened, 2 for a bad option.\n");

const QStringList kValued = {
    QStringLiteral("config"),
    QStringLiteral("port"),
    QStringLiteral("device"),
    QStringLiteral("rate"),
    QStringLiteral("groups"),
    QStringLiteral("probe1-therm"),
    QStringLiteral("probe2-therm"),
    QStringLiteral("log"),
    QStringLiteral("interval"),
    QStringLiteral("settings"),
    QStringLiteral("duration"),
    QStringLiteral("mqtt"),
    QStringLiteral("station"),
    QStringLiteral("mqtt-user"),
    QStringLiteral("mqtt-password-file"),
    QStringLiteral("mqtt-ca"),
    QStringLiteral("mqtt-keepalive"),
};
const QStringList kFlags = {QStringLiteral("append"), QStringLiteral("overwrite")};

bool alarmKey(const QString& key) {
    AlarmLimits scratch;
    return setLimit(scratch, key, QStringLiteral("1"));
}

LoggerExit refused(const QString& option, const QString& why) {
    return {QStringLiteral("dgh-logger: --%1: %2").arg(option, why), 2};
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
    QFile file(path);
    // A plain file only: a FIFO or a device would hold the start for ever.
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return refused(QStringLiteral("config"),
                       QStringLiteral("'%1' is not a readable file").arg(path));
    QList<std::pair<QString, QString>> keys;
    QString section;
    int number = 0;
    for (const QString& raw : QString::fromUtf8(file.readAll()).split('\n')) {
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
            return refused(
                QStringLiteral("config"),
                QStringLiteral("line %1 of %2 is not a key of the options").arg(number).arg(path));
        if (key == u"config" || (!kValued.contains(key) && !kFlags.contains(key) && !alarmKey(key)))
            return refused(QStringLiteral("config"),
                           QStringLiteral("'%1' in %2 is not an option").arg(key, path));
        keys.append({key, value});
    }
    return keys;
}

// Applies one option's value; an error says which and why.
std::optional<LoggerExit> apply(LoggerOptions& o, const QString& key, const QString& value) {
    if (key == u"port") {
        const auto n = wholeNumber(value);
        if (!n || *n < 1 || *n > 32767)
            return refused(key, QStringLiteral("'%1' is not a port number from 1").arg(value));
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
                                    .arg(value));
        o.rateMs = int(*n);
    } else if (key == u"groups") {
        const QMap<QString, Group> names = {{QStringLiteral("flow"), Group::Flow},
                                            {QStringLiteral("ph"), Group::Ph},
                                            {QStringLiteral("therm"), Group::Therm}};
        o.groups.clear();
        for (const QString& name : value.split(',', Qt::SkipEmptyParts)) {
            const auto g = names.find(name.trimmed().toLower());
            if (g == names.end())
                return refused(
                    key, QStringLiteral("'%1' is not one of flow, ph, therm").arg(name.trimmed()));
            o.groups.insert(*g);
        }
        if (o.groups.empty())
            return refused(key, QStringLiteral("no group given"));
    } else if (key == u"probe1-therm" || key == u"probe2-therm") {
        const auto n = wholeNumber(value);
        if (!n || *n < 1 || *n > 3)
            return refused(key, QStringLiteral("'%1' is not 1, 2 or 3").arg(value));
        (key == u"probe1-therm" ? o.probe1Therm : o.probe2Therm) = qint16(*n);
    } else if (key == u"log") {
        if (value.isEmpty())
            return refused(key, QStringLiteral("no file given"));
        o.logPath = value;
    } else if (key == u"interval") {
        const auto s = decimalNumber(value);
        if (!s || *s < 0.1 - 1e-9 || *s > 60 + 1e-9)
            return refused(
                key, QStringLiteral("'%1' is not a number of seconds from 0.1 to 60").arg(value));
        o.intervalMs = int(std::lround(*s * 1000));
    } else if (key == u"append" || key == u"overwrite") {
        const auto on = yesNo(value);
        if (!on)
            return refused(key, QStringLiteral("'%1' is neither true nor false").arg(value));
        o.append = (key == u"append") == *on;
    } else if (key == u"settings") {
        if (value.isEmpty())
            return refused(key, QStringLiteral("no file given"));
        o.settingsFile = value;
    } else if (key == u"duration") {
        const auto s = decimalNumber(value);
        if (!s || *s <= 0)
            return refused(key,
                           QStringLiteral("'%1' is not a number of seconds above 0").arg(value));
        o.durationSeconds = *s;
    } else if (alarmKey(key)) {
        if (!setLimit(o.alarms, key, value))
            return refused(key, QStringLiteral("'%1' is not a number").arg(value));
    } else if (key == u"mqtt") {
        QString why;
        if (!parseBrokerUrl(value, &why))
            return refused(key, why);
        o.publish.enabled = true;
        o.publish.url = value.trimmed();
    } else if (key == u"station") {
        if (!validStation(value))
            return refused(key, QStringLiteral("'%1' is not a station name: use letters, digits, "
                                               "- and _")
                                    .arg(value));
        o.publish.station = value;
    } else if (key == u"mqtt-user") {
        o.publish.user = value;
    } else if (key == u"mqtt-password-file") {
        // The first line; the file stays out of the process list and the config.
        QFile file(value);
        if (!QFileInfo(value).isFile() || !file.open(QIODevice::ReadOnly))
            return refused(key, QStringLiteral("'%1' is not a readable file").arg(value));
        o.publish.password = QString::fromUtf8(file.readLine()).trimmed();
    } else if (key == u"mqtt-ca") {
        if (!QFileInfo(value).isReadable())
            return refused(key, QStringLiteral("'%1' is not a readable file").arg(value));
        o.publish.caFile = value;
    } else if (key == u"mqtt-keepalive") {
        const auto n = wholeNumber(value);
        if (!n || *n < 5 || *n > 3600) // the client library takes no less
            return refused(
                key, QStringLiteral("'%1' is not a whole number of seconds from 5").arg(value));
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
            return LoggerExit{QStringLiteral("dgh-logger 2.2\n"), 0};
        if (!argument.startsWith(u"--"))
            return LoggerExit{
                QStringLiteral("dgh-logger: '%1' is not an option (see --help)").arg(argument), 2};
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
            return LoggerExit{
                QStringLiteral("dgh-logger: '%1' is not an option (see --help)").arg(argument), 2};
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
    return options;
}
