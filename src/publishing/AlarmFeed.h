#pragma once

#include <QObject>
#include <QString>
#include <optional>

class AlarmMonitor;
class MqttPublisher;
struct Alarm;

// Every change of an alarm on "alarm" (QoS 1, not retained), and the alarms now standing on
// "alarms" (retained), while publishing is on.
class AlarmFeed : public QObject {
    Q_OBJECT
public:
    AlarmFeed(AlarmMonitor& monitor, MqttPublisher& publisher);

    static QByteArray jsonOf(const Alarm& alarm);
    // For a rig without a screen: acknowledgements sent to "alarms/ack", an alarm's id or "all",
    // or {"id":"all","by":"night shift"}. Call before the publisher is configured.
    void acceptAcknowledgements();
    // The id and who sent it, or nothing for a payload that is neither form.
    static std::optional<std::pair<QString, QString>> acknowledgementOf(const QByteArray& payload);

private:
    void publishChange(const Alarm& alarm);

    AlarmMonitor& m_monitor;
    MqttPublisher& m_publisher;
};
