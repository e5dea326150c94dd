#include "AlarmFeed.h"

#include "MachineNumber.h"

#include "AlarmMonitor.h"
#include "IsoTime.h"
#include "MqttPublisher.h"

AlarmFeed::AlarmFeed(AlarmMonitor& monitor, MqttPublisher& publisher)
    : m_monitor(monitor), m_publisher(publisher) {
    connect(&monitor, &AlarmMonitor::changed, this, &AlarmFeed::publishChange);
}

QByteArray AlarmFeed::jsonOf(const Alarm& a) {
    return "{\"id\":\"" + a.id().toLatin1() + "\",\"kind\":\"" + a.kindWord().toLower().toLatin1() +
           "\",\"limit\":" + machineNumber(a.limit) + ",\"value\":" + machineNumber(a.value) +
           ",\"state\":\"" + a.stateWord().toLatin1() + "\",\"since\":\"" + isoTime(a.since) +
           "\"}";
}

void AlarmFeed::publishChange(const Alarm& alarm) {
    if (!m_publisher.settings().enabled)
        return;
    const QByteArray change = jsonOf(alarm);
    m_publisher.publish(QStringLiteral("alarm"), "{\"time\":\"" +
                                                     isoTime(QDateTime::currentDateTime()) + "\"," +
                                                     change.mid(1));
    QByteArray standing = "[";
    for (const Alarm& a : m_monitor.alarms())
        standing += (standing.size() > 1 ? "," : "") + jsonOf(a);
    m_publisher.publishRetained(QStringLiteral("alarms"), standing + ']');
}
