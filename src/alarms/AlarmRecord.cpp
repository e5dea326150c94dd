#include "AlarmRecord.h"

#include "MachineNumber.h"

#include "AlarmMonitor.h"
#include "IsoTime.h"
#include "Notices.h"
#include "QuotedText.h"
#include "WholeLineFile.h"

#include <QDir>

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
    : m_folder(std::move(folder)), m_notices(notices) {
    connect(&monitor, &AlarmMonitor::changed, this, &AlarmRecord::write);
}

QByteArray AlarmRecord::lineOf(const Alarm& a, const QDateTime& at) {
    return isoTime(at) + ',' +
           (a.quantity ? quantityKey(*a.quantity) : a.id().section(u'-', 0, 0)).toLatin1() + ',' +
           a.kindWord().toLower().toLatin1() + ',' + machineNumber(a.limit) + ',' +
           machineNumber(a.value) + ',' + a.stateWord().toLatin1() + byField(a) + '\n';
}

void AlarmRecord::write(const Alarm& alarm) {
    const QString path = m_folder() + QStringLiteral("/alarms.csv");
    auto anchor = std::make_shared<SealAnchor>();
    m_worker.post(wholeLineAppend(path, lineOf(alarm, QDateTime::currentDateTime()),
                                  "Time,Quantity,Limit,Limit value,Value,State\n", anchor),
                  this, [this, path, anchor](BoundedResult result) {
                      const bool written = result == BoundedResult::Succeeded;
                      if (written && !anchor->head.isEmpty())
                          emit sealed(*anchor);
                      if (written || std::exchange(m_failing, true))
                          return void(m_failing = !written);
                      m_notices.raise(
                          {.source = QStringLiteral("alarms"),
                           .severity = Notice::Severity::Failure,
                           .text = QStringLiteral("The alarm record %1 cannot be written.")
                                       .arg(QDir::toNativeSeparators(path))});
                  });
}
