#include "AlarmRecord.h"

#include "MachineNumber.h"

#include "AlarmMonitor.h"
#include "IsoTime.h"
#include "QuotedText.h"


namespace {
// An acknowledgement adds who gave it, where known, as a seventh field: quoted, on one line.
QByteArray byField(const Alarm& a) {
    if (!a.acknowledgement || a.by.isEmpty())
        return {};
    QString name = quotedText(a.by, 60);
    name.replace(u'"', QStringLiteral("\"\""));
    return ",\"" + name.toUtf8() + '"';
}
} // namespace

AlarmRecord::AlarmRecord(AlarmMonitor& monitor, std::function<QString()> folder,
                         const Notices& notices)
    : m_folder(std::move(folder)),
      m_lines(notices, QStringLiteral("alarms"),
              QStringLiteral("The alarm record %1 cannot be written.")) {
    connect(&monitor, &AlarmMonitor::changed, this, &AlarmRecord::write);
    connect(&m_lines, &SealedLines::sealed, this, &AlarmRecord::sealed);
}

QByteArray AlarmRecord::lineOf(const Alarm& a, const QDateTime& at) {
    return isoTime(at) + ',' +
           (a.quantity ? quantityKey(*a.quantity) : a.id().section(u'-', 0, 0)).toLatin1() + ',' +
           a.kindWord().toLower().toLatin1() + ',' + machineNumber(a.limit) + ',' +
           machineNumber(a.value) + ',' + a.stateWord().toLatin1() + byField(a) + '\n';
}

void AlarmRecord::write(const Alarm& alarm) {
    m_lines.append(m_folder() + QStringLiteral("/alarms.csv"),
                   lineOf(alarm, QDateTime::currentDateTime()),
                   "Time,Quantity,Limit,Limit value,Value,State\n");
}
