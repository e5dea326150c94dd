#pragma once

#include "PublishSettings.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <future>
#include <map>
#include <mutex>
#include <thread>

class Notices;
struct mosquitto;
struct mosquitto_message;

// Publishes to an MQTT broker under dgh/<station>/ from a thread of its own (libmosquitto), so a
// broker that is slow, away or never answers holds neither the window nor a cycle: callers only
// queue. Queued messages stay until the broker acknowledges them and go out in order after a
// reconnection; beyond the bound the oldest are dropped and counted. "status" is retained:
// "online" once connected, "offline" on a clean stop and as the connection's last will.
class MqttPublisher : public QObject {
    Q_OBJECT
public:
    enum class State { Off, Connecting, Connected, Reconnecting };
    struct Status {
        State state = State::Off;
        QString host;
        qsizetype queued = 0;
        quint64 dropped = 0;
    };
    // At least a day of one reading a second.
    static constexpr qsizetype kQueueBound = 100000;

    explicit MqttPublisher(const Notices& notices, qsizetype queueBound = kQueueBound);
    ~MqttPublisher() override;

    // Starts over with these settings (off unless enabled); a URL or station that is not valid
    // is refused, with the reason in *why.
    bool configure(const PublishSettings& settings, QString* why = nullptr);
    const PublishSettings& settings() const { return m_settings; }
    // Ends publishing ("offline" goes out first) within the time given; false when the thread
    // is still held (a name being looked up, a file being read) and goes on until it returns.
    bool stop(std::chrono::milliseconds within);
    bool running() const { return m_thread.joinable(); }
    // QoS 1, not retained; queued while the broker is away.
    void publish(const QString& subtopic, const QByteArray& payload);
    // Retained, QoS 1; only the latest of each topic waits for the broker.
    void publishRetained(const QString& subtopic, const QByteArray& payload);
    // A value's latest text: retained, QoS 0 (the next one follows soon), sent with the next
    // message rather than on its own, so that a cycle wakes the thread once, and at most once a
    // second.
    void setLatest(QLatin1StringView subtopic, const QByteArray& payload);
    // Messages to dgh/<station>/<subtopic> (QoS 1, not retained, at most 1 KiB) come as
    // received(); set before configure().
    void listen(const QString& subtopic) { m_listenTo = subtopic; }
    Status status() const;
    // "MQTT: connected to host", "MQTT: reconnecting (12 queued)", "MQTT: off".
    QString statusText() const;

signals:
    void statusChanged();
    void received(const QString& subtopic, const QByteArray& payload);

private:
    struct Message {
        quint64 id;
        QString subtopic;
        QByteArray payload;
        int mid = 0; // libmosquitto's number while it is sent and not yet acknowledged
        bool acknowledged = false;
    };

    void serve();
    void stopThread();
    void wake();
    // The thread's own steps; m_mutex is not held.
    bool connectNow();
    void dropConnection(int reason);
    void sendPending();
    void setState(State state);
    // A failure the operator hears of once for each condition, until the connection works.
    void reportOnce(const QString& condition, const QString& text);
    QString failureText(int reason, int error) const;
    QByteArray clientId() const;

    // libmosquitto's callbacks, on the thread.
    static void onConnect(mosquitto*, void* self, int rc);
    static void onPublish(mosquitto*, void* self, int mid);
    static void onMessage(mosquitto*, void* self, const mosquitto_message* message);
    static void onLog(mosquitto*, void* self, int level, const char* text);

    const Notices& m_notices;
    const qsizetype m_queueBound;
    PublishSettings m_settings;
    BrokerAddress m_address;
    QString m_prefix; // dgh/<station>/
    QString m_listenTo;

    mutable std::mutex m_mutex;
    Status m_status;
    std::deque<Message> m_queue; // in order of publishing
    struct Retained {
        QByteArray payload;
        int qos = 1;
        bool sent = false;
    };
    std::map<QString, Retained, std::less<>> m_retained; // latest by subtopic
    quint64 m_nextId = 1;
    QString m_reported;
    bool m_noticeWaiting = false; // told and not yet answered; the owner's thread only

    // The thread's.
    mosquitto* m_mosq = nullptr;
    bool m_connected = false;
    bool m_everConnected = false;
    std::chrono::seconds m_backOff{1};
    std::chrono::steady_clock::time_point m_nextAttempt{};
    std::chrono::steady_clock::time_point m_valuesSentAt{};
    std::map<int, quint64> m_sent;  // mid -> message id
    bool m_waitingForRoom = false;  // messages wait for acknowledgements to free a place
    bool m_refused = false;         // the broker refused this connection: told already
    QString m_tlsError;             // OpenSSL's reason for this connection's failure
    bool m_tlsHostMismatch = false; // the certificate names another host
    int m_wakeFd = -1;
    std::atomic<bool> m_quit = false;
    std::thread m_thread;
    std::future<void> m_ended;
};
