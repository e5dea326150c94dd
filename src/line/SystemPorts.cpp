#include "SystemPorts.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <algorithm>
#include <tuple>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {
// Sorts "ttyUSB10" after "ttyUSB2": the kind first, then the name's stem, then its number.
std::tuple<int, QString, qulonglong> orderOf(const QString& device) {
    const QString name = QFileInfo(device).fileName();
    qsizetype digits = name.size();
    while (digits > 0 && name.at(digits - 1).isDigit())
        --digits;
    const QString stem = name.left(digits);
    int kind = 3;
    if (stem == QLatin1String("ttyUSB"))
        kind = 0;
    else if (stem == QLatin1String("ttyACM"))
        kind = 1;
    else if (stem == QLatin1String("ttyS"))
        kind = 2;
    return {kind, stem, name.mid(digits).toULongLong()};
}

// A simulator that was killed leaves its link "line-<pid>" behind, to a pseudo-terminal number
// that another program may have by now: only the lines of running simulators count.
bool simulatorRunning(const QFileInfo& link) {
    if (!link.exists())
        return false;
#ifdef Q_OS_LINUX
    const QString pid = link.fileName().section(QLatin1Char('-'), 1);
    return QFileInfo::exists(QStringLiteral("/proc/") + pid);
#else
    return true;
#endif
}
} // namespace

QStringList numberedPorts(const QList<NamedPort>& byId, const QStringList& devices,
                          const QStringList& simulated) {
    QList<NamedPort> stable = byId;
    std::sort(stable.begin(), stable.end(),
              [](const NamedPort& a, const NamedPort& b) { return a.name < b.name; });
    QStringList result;
    QStringList reached;
    for (const NamedPort& port : stable) {
        result << port.name;
        reached << port.device;
    }
    QStringList rest;
    for (const QString& device : devices)
        if (!reached.contains(device) && !rest.contains(device))
            rest << device;
    std::sort(rest.begin(), rest.end(),
              [](const QString& a, const QString& b) { return orderOf(a) < orderOf(b); });
    result << rest;
    QStringList sims = simulated;
    sims.sort();
    return result << sims;
}

QString simulatedLinesFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        return runtime + QLatin1String("/dgh-sim");
#ifdef Q_OS_UNIX
    return QStringLiteral("/tmp/dgh-sim-%1").arg(::getuid());
#else
    return QString();
#endif
}

QStringList systemPorts() {
    QList<NamedPort> byId;
    const QDir byIdFolder(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo& link : byIdFolder.entryInfoList(QDir::System | QDir::Files))
        byId.append({link.absoluteFilePath(), link.canonicalFilePath()});
    QStringList devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        devices << info.systemLocation();
    QStringList simulated;
    const QDir simFolder(simulatedLinesFolder());
    if (!simulatedLinesFolder().isEmpty())
        for (const QFileInfo& link : simFolder.entryInfoList(QDir::System | QDir::Files))
            if (simulatorRunning(link))
                simulated << link.absoluteFilePath();
    return numberedPorts(byId, devices, simulated);
}
