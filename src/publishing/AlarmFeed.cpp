#include "AlarmFeed.h"

#include "MachineNumber.h"

#include "AlarmMonitor.h"
#include "IsoTime.h"
#include "MqttPublisher.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

AlarmFeed::AlarmFeed(AlarmMonitor& monitor, MqttPublisher& publisher)
    : m_monitor(monitor), m_publisher(publisher) {
    connect(&monitor, &AlarmMonitor::changed, this, &AlarmFeed::publishChange);
}

QByteArray AlarmFeed::jsonOf(const Alarm& a) {
    QByteArray by;
    if (a.acknowledgement && !a.by.isEmpty())
        by = ",\"by\":" +
             QJsonDocument(QJsonArray{a.by}).toJson(QJsonDocument::Compact).mid(1).chopped(1);
    return "{\"id\":\"" + a.id().toLatin1() + "\",\"kind\":\"" + a.kindWord().toLower().toLatin1() +
           "\",\"limit\":" + machineNumber(a.limit) + ",\"value\":" + machineNumber(a.value) +
           ",\"state\":\"" + a.stateWord().toLatin1() + "\",\"since\":\"" + isoTime(a.since) + '"' +
           by + '}';
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

std::optional<std::pair<QString, QString>> AlarmFeed::acknowledgementOf(const QByteArray& payload) {
    const QByteArray text = payload.trimmed();
    QString id;
    QString by;
    if (text.startsWith('{')) {
        const QJsonObject object = QJsonDocument::fromJson(text).object();
        id = object.value(QStringLiteral("id")).toString();
        by = object.value(QStringLiteral("by")).toString().left(60);
    } else {
        id = QString::fromUtf8(text);
    }
    // An id is a key and a kind ("ph1-high", "flow-silent") or "all"; nothing else is taken.
    static const QRegularExpression kId(QStringLiteral("^(all|[a-z0-9]+-(low|high|silent))$"));
    if (!kId.match(id).hasMatch())
        return std::nullopt;
    return std::pair{id, by.isEmpty() ? QStringLiteral("MQTT") : by};
}

void AlarmFeed::acceptAcknowledgements() {
    m_publisher.listen(QStringLiteral("alarms/ack"));
    connect(&m_publisher, &MqttPublisher::received, this,
            [this](const QString& subtopic, const QByteArray& payload) {
                const auto acknowledgement = acknowledgementOf(payload);
                if (subtopic != u"alarms/ack" || !acknowledgement)
                    return;
                const auto& [id, by] = *acknowledgement;
                if (id == u"all")
                    m_monitor.acknowledgeAll(by);
                else
                    m_monitor.acknowledge(id, by);
            });
}
