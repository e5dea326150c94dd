#include "MqttPublisher.h"

#include "Notices.h"
#include "QuotedText.h"

#include <QCoreApplication>
#include <QPointer>
#include <future>
#include <mosquitto.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

using namespace std::chrono;

namespace {
constexpr seconds kLongestBackOff{30};
// Messages handed to libmosquitto and not yet acknowledged, at most: the rest wait in order.
constexpr int kInFlight = 100;
constexpr milliseconds kFlushAtStop{1000};
constexpr seconds kValuesEvery{1};

void setCork(int socket, bool on) {
    const int value = on ? 1 : 0;
    if (socket >= 0)
        setsockopt(socket, IPPROTO_TCP, TCP_CORK, &value, sizeof value);
}

struct Library {
    Library() { mosquitto_lib_init(); }
    ~Library() { mosquitto_lib_cleanup(); }
};
} // namespace

MqttPublisher::MqttPublisher(const Notices& notices, qsizetype queueBound)
    : m_notices(notices), m_queueBound(queueBound) {
    static Library library;
}

MqttPublisher::~MqttPublisher() {
    stopThread();
}

bool MqttPublisher::configure(const PublishSettings& settings, QString* why) {
    QString reason;
    std::optional<BrokerAddress> address;
    if (settings.enabled) {
        address = parseBrokerUrl(settings.url, &reason);
        if (address && !validStation(settings.station))
            reason = QStringLiteral("\"%1\" is not a station name: use letters, digits, \"-\" "
                                    "and \"_\".")
                         .arg(settings.station),
            address.reset();
        if (!address) {
            if (why)
                *why = reason;
            return false;
        }
    }
    stopThread();
    m_settings = settings;
    {
        std::lock_guard lock(m_mutex);
        m_status = Status{};
        m_queue.clear();
        m_retained.clear();
        m_reported.clear();
    }
    if (settings.enabled) {
        m_address = *address;
        m_prefix = QStringLiteral("dgh/%1/").arg(settings.station);
        {
            std::lock_guard lock(m_mutex);
            m_status.state = State::Connecting;
            m_status.host = m_address.host;
        }
        m_quit = false;
        m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        std::promise<void> ended;
        m_ended = ended.get_future();
        m_thread = std::thread([this, ended = std::move(ended)]() mutable {
            serve();
            ended.set_value();
        });
    }
    emit statusChanged();
    return true;
}

bool MqttPublisher::stop(std::chrono::milliseconds within) {
    if (!m_thread.joinable())
        return true;
    m_quit = true;
    wake();
    if (m_ended.wait_for(within) != std::future_status::ready)
        return false;
    stopThread();
    {
        std::lock_guard lock(m_mutex);
        m_status = Status{};
    }
    m_settings = {};
    emit statusChanged();
    return true;
}

void MqttPublisher::stopThread() {
    if (!m_thread.joinable())
        return;
    m_quit = true;
    wake();
    m_thread.join();
    close(m_wakeFd);
    m_wakeFd = -1;
}

void MqttPublisher::wake() {
    if (m_wakeFd >= 0) {
        const quint64 one = 1;
        [[maybe_unused]] const ssize_t n = write(m_wakeFd, &one, sizeof one);
    }
}

void MqttPublisher::publish(const QString& subtopic, const QByteArray& payload) {
    if (!m_settings.enabled)
        return;
    bool waiting = false;
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back({m_nextId++, subtopic, payload});
        while (qsizetype(m_queue.size()) > m_queueBound) {
            m_queue.pop_front();
            ++m_status.dropped;
        }
        m_status.queued = qsizetype(m_queue.size());
        waiting = m_status.state != State::Connected;
    }
    wake();
    if (waiting)
        emit statusChanged();
}

void MqttPublisher::publishRetained(const QString& subtopic, const QByteArray& payload) {
    if (!m_settings.enabled)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_retained[subtopic] = {payload, 1, false};
    }
    wake();
}

void MqttPublisher::setLatest(QLatin1StringView subtopic, const QByteArray& payload) {
    if (!m_settings.enabled)
        return;
    const Retained latest{payload, 0, false};
    std::lock_guard lock(m_mutex);
    if (const auto known = m_retained.find(subtopic); known != m_retained.end())
        known->second = latest;
    else
        m_retained.emplace(subtopic, latest);
}

MqttPublisher::Status MqttPublisher::status() const {
    std::lock_guard lock(m_mutex);
    return m_status;
}

QString MqttPublisher::statusText() const {
    const Status s = status();
    switch (s.state) {
    case State::Off:
        return QStringLiteral("MQTT: off");
    case State::Connected:
        return QStringLiteral("MQTT: connected to %1").arg(s.host);
    case State::Connecting:
        return QStringLiteral("MQTT: connecting to %1 (%2 queued)").arg(s.host).arg(s.queued);
    case State::Reconnecting:
        break;
    }
    return QStringLiteral("MQTT: reconnecting (%1 queued)").arg(s.queued);
}

void MqttPublisher::setState(State state) {
    {
        std::lock_guard lock(m_mutex);
        if (m_status.state == state)
            return;
        m_status.state = state;
    }
    QMetaObject::invokeMethod(this, &MqttPublisher::statusChanged, Qt::QueuedConnection);
}

void MqttPublisher::reportOnce(const QString& condition, const QString& text) {
    {
        std::lock_guard lock(m_mutex);
        if (m_reported == condition)
            return;
        m_reported = condition;
    }
    QMetaObject::invokeMethod(
        this,
        [this, text] {
            // A box not yet answered already tells of the broker, and the state shows what
            // follows; no second one queues behind it, one more for each outage.
            if (std::exchange(m_noticeWaiting, true))
                return;
            m_notices.raise({.source = QStringLiteral("publisher"),
                             .severity = Notice::Severity::Warning,
                             .text = text,
                             .answered = [self = QPointer(this)] {
                                 if (self)
                                     self->m_noticeWaiting = false;
                             }});
        },
        Qt::QueuedConnection);
}

QByteArray MqttPublisher::clientId() const {
    return QStringLiteral("dgh-%1-%2")
        .arg(m_settings.station)
        .arg(QCoreApplication::applicationPid())
        .toUtf8();
}

void MqttPublisher::serve() {
    m_mosq = mosquitto_new(nullptr, true, this); // named at each connection
    m_connected = false;
    m_everConnected = false;
    m_backOff = seconds(1);
    m_nextAttempt = steady_clock::now();
    bool linkUp = false; // a connection made or under way
    while (!m_quit) {
        if (!linkUp && steady_clock::now() >= m_nextAttempt)
            linkUp = connectNow();
        pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {-1, 0, 0}};
        const int socket = mosquitto_socket(m_mosq);
        // Once connected and with nothing waiting for room, the broker's acknowledgements wait in
        // the socket for the next wake-up (a message, or the second's): one wake-up a cycle, not
        // two. A connection the broker closed shows then too, within a second.
        const bool watchInput = !m_connected || m_waitingForRoom;
        if (linkUp && socket >= 0)
            fds[1] = {
                socket,
                short((watchInput ? POLLIN : 0) | (mosquitto_want_write(m_mosq) ? POLLOUT : 0)), 0};
        milliseconds timeout{1000};
        if (!linkUp)
            timeout = std::clamp(duration_cast<milliseconds>(m_nextAttempt - steady_clock::now()),
                                 milliseconds(0), timeout);
        poll(fds, 2, int(timeout.count()));
        if (fds[0].revents & POLLIN) {
            quint64 count = 0;
            [[maybe_unused]] const ssize_t n = read(m_wakeFd, &count, sizeof count);
        }
        if (!linkUp)
            continue;
        int rc = MOSQ_ERR_SUCCESS;
        if (m_connected || (fds[1].revents & (POLLIN | POLLHUP | POLLERR)))
            rc = mosquitto_loop_read(m_mosq, 1);
        if (rc == MOSQ_ERR_SUCCESS && (fds[1].revents & POLLOUT))
            rc = mosquitto_loop_write(m_mosq, 1);
        if (rc == MOSQ_ERR_SUCCESS)
            rc = mosquitto_loop_misc(m_mosq); // keep-alive: also ends a CONNECT never answered
        if (rc == MOSQ_ERR_SUCCESS && m_connected)
            sendPending();
        if (rc != MOSQ_ERR_SUCCESS || mosquitto_socket(m_mosq) < 0) {
            dropConnection(rc);
            linkUp = false;
        }
    }
    if (m_connected) {
        // A clean stop: "offline" goes out before the goodbye, so the will is not needed.
        const QByteArray topic = (m_prefix + QStringLiteral("status")).toUtf8();
        mosquitto_publish(m_mosq, nullptr, topic.constData(), 7, "offline", 1, true);
        const auto until = steady_clock::now() + kFlushAtStop;
        while (mosquitto_want_write(m_mosq) && steady_clock::now() < until)
            if (mosquitto_loop_write(m_mosq, 1) != MOSQ_ERR_SUCCESS)
                break;
        mosquitto_disconnect(m_mosq);
        mosquitto_loop_write(m_mosq, 1);
    }
    mosquitto_destroy(m_mosq);
    m_mosq = nullptr;
}

bool MqttPublisher::connectNow() {
    // A fresh client each time: nothing of an old connection is sent twice behind our back.
    mosquitto_reinitialise(m_mosq, clientId().constData(), true, this);
    mosquitto_connect_callback_set(m_mosq, &MqttPublisher::onConnect);
    mosquitto_publish_callback_set(m_mosq, &MqttPublisher::onPublish);
    mosquitto_message_callback_set(m_mosq, &MqttPublisher::onMessage);
    mosquitto_log_callback_set(m_mosq, &MqttPublisher::onLog);
    m_refused = false;
    m_tlsError.clear();
    m_tlsHostMismatch = false;
    // A cycle's few small messages go at once, not held back for the last one's acknowledgement.
    mosquitto_int_option(m_mosq, MOSQ_OPT_TCP_NODELAY, 1);
    const QByteArray will = (m_prefix + QStringLiteral("status")).toUtf8();
    mosquitto_will_set(m_mosq, will.constData(), 7, "offline", 1, true);
    if (!m_settings.user.isEmpty())
        mosquitto_username_pw_set(
            m_mosq, m_settings.user.toUtf8().constData(),
            m_settings.password.isEmpty() ? nullptr : m_settings.password.toUtf8().constData());
    if (m_address.tls) {
        const QByteArray ca = m_settings.caFile.toLocal8Bit();
        const int rc =
            mosquitto_tls_set(m_mosq, ca.isEmpty() ? nullptr : ca.constData(),
                              ca.isEmpty() ? "/etc/ssl/certs" : nullptr, nullptr, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            reportOnce(QStringLiteral("tls-settings"),
                       QStringLiteral("MQTT: the TLS settings cannot be used: %1")
                           .arg(QString::fromUtf8(mosquitto_strerror(rc))));
            dropConnection(rc);
            return false;
        }
    }
    const int rc = mosquitto_connect_async(m_mosq, m_address.host.toUtf8().constData(),
                                           m_address.port, m_settings.keepAliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS) {
        dropConnection(rc);
        return false;
    }
    return true;
}

QString MqttPublisher::failureText(int reason, int error) const {
    const QString broker = QStringLiteral("%1:%2").arg(m_address.host).arg(m_address.port);
    if (m_tlsHostMismatch)
        return QStringLiteral("MQTT: the broker %1 was reached, but its certificate names another "
                              "host than %2; trying again.")
            .arg(broker, m_address.host);
    if (m_tlsError.contains(QStringLiteral("certificate verify failed")))
        return QStringLiteral("MQTT: the broker %1 was reached, but its certificate is not "
                              "trusted: it is not signed by the authority %2; trying again.")
            .arg(broker, m_settings.caFile.isEmpty() ? QStringLiteral("of the system")
                                                     : quotedText(m_settings.caFile));
    if (reason == MOSQ_ERR_TLS || !m_tlsError.isEmpty())
        return QStringLiteral("MQTT: the broker %1 was reached, but TLS failed (%2); trying "
                              "again.")
            .arg(broker, m_tlsError.isEmpty() ? QStringLiteral("no reason given") : m_tlsError);
    if (reason == MOSQ_ERR_KEEPALIVE)
        return QStringLiteral("MQTT: the broker %1 did not answer within %2 s; trying again.")
            .arg(broker)
            .arg(m_settings.keepAliveSeconds);
    if (reason == MOSQ_ERR_SUCCESS || reason == MOSQ_ERR_NO_CONN || reason == MOSQ_ERR_CONN_LOST)
        return QStringLiteral("MQTT: the broker %1 closed the connection; trying again.")
            .arg(broker);
    const QString why = reason == MOSQ_ERR_ERRNO ? QString::fromLocal8Bit(strerror(error))
                                                 : QString::fromUtf8(mosquitto_strerror(reason));
    return QStringLiteral("MQTT: the broker %1 cannot be reached (%2); trying again.")
        .arg(broker, why);
}

void MqttPublisher::dropConnection(int reason) {
    const int error = errno;
    // Said once until a connection works: before the first one, or when it is no plain loss.
    // The end of a connection the broker refused was told with the refusal's own reason.
    const bool lost = reason == MOSQ_ERR_SUCCESS || reason == MOSQ_ERR_NO_CONN ||
                      reason == MOSQ_ERR_CONN_LOST || reason == MOSQ_ERR_KEEPALIVE;
    if (!std::exchange(m_refused, false) && (!m_everConnected || !lost)) {
        const QString text = failureText(reason, error);
        reportOnce(text.section(u'(', 0, 0), text);
    }
    m_connected = false;
    {
        std::lock_guard lock(m_mutex);
        // Sent but not acknowledged: sent again, in order, on the next connection.
        for (Message& m : m_queue)
            m.mid = 0;
        for (auto& [topic, retained] : m_retained)
            retained.sent = false;
    }
    m_sent.clear();
    m_waitingForRoom = false;
    m_nextAttempt = steady_clock::now() + m_backOff;
    m_backOff = std::min(m_backOff * 2, kLongestBackOff);
    setState(m_everConnected ? State::Reconnecting : State::Connecting);
}

void MqttPublisher::sendPending() {
    struct Out {
        quint64 id;
        QByteArray topic;
        QByteArray payload;
        bool retained;
        int qos;
    };
    std::vector<Out> out;
    {
        std::lock_guard lock(m_mutex);
        // The values' latest texts at most once a second, whatever the rate: a dashboard's
        // number, not a second copy of every reading.
        const auto now = steady_clock::now();
        const bool valuesDue = now - m_valuesSentAt >= kValuesEvery;
        if (valuesDue)
            m_valuesSentAt = now;
        for (auto& [topic, retained] : m_retained)
            if ((retained.qos == 1 || valuesDue) && !std::exchange(retained.sent, true))
                out.push_back(
                    {0, (m_prefix + topic).toUtf8(), retained.payload, true, retained.qos});
        int inFlight = int(m_sent.size());
        m_waitingForRoom = false;
        for (Message& m : m_queue) {
            if (m.mid != 0 || m.acknowledged)
                continue;
            if (inFlight >= kInFlight) {
                m_waitingForRoom = true;
                break;
            }
            m.mid = -1; // handed over below
            out.push_back({m.id, (m_prefix + m.subtopic).toUtf8(), m.payload, false, 1});
            ++inFlight;
        }
    }
    if (out.empty())
        return;
    // Several messages leave as one segment: the broker and this thread wake once for them.
    const int socket = out.size() > 1 ? mosquitto_socket(m_mosq) : -1;
    setCork(socket, true);
    for (const Out& o : out) {
        int mid = 0;
        if (mosquitto_publish(m_mosq, &mid, o.topic.constData(), int(o.payload.size()),
                              o.payload.constData(), o.qos, o.retained) != MOSQ_ERR_SUCCESS)
            break; // the connection's end shows in the loop, and all goes again
        if (!o.retained)
            m_sent[mid] = o.id;
    }
    setCork(socket, false);
}

void MqttPublisher::onConnect(mosquitto*, void* self, int rc) {
    auto* p = static_cast<MqttPublisher*>(self);
    if (rc != 0) {
        p->m_refused = true;
        p->reportOnce(QStringLiteral("refused %1").arg(rc),
                      QStringLiteral("MQTT: the broker %1 refused the connection: %2")
                          .arg(p->m_address.host, QString::fromUtf8(mosquitto_connack_string(rc))));
        mosquitto_disconnect(p->m_mosq);
        return;
    }
    p->m_connected = true;
    p->m_everConnected = true;
    p->m_backOff = seconds(1);
    {
        std::lock_guard lock(p->m_mutex);
        p->m_reported.clear();
        p->m_retained[QStringLiteral("status")] = {QByteArrayLiteral("online"), 1, false};
    }
    p->setState(State::Connected);
    if (!p->m_listenTo.isEmpty()) {
        const QByteArray topic = (p->m_prefix + p->m_listenTo).toUtf8();
        mosquitto_subscribe(p->m_mosq, nullptr, topic.constData(), 1);
    }
    p->sendPending();
}

void MqttPublisher::onMessage(mosquitto*, void* self, const mosquitto_message* message) {
    auto* p = static_cast<MqttPublisher*>(self);
    // Only what was asked for, and small: a name and an id, not whatever a sender claims.
    constexpr int kLargestMessage = 1024;
    if (message->payloadlen > kLargestMessage || message->retain)
        return;
    const QString topic = QString::fromUtf8(message->topic).mid(p->m_prefix.size());
    const QByteArray payload(static_cast<const char*>(message->payload), message->payloadlen);
    QMetaObject::invokeMethod(
        p, [p, topic, payload] { emit p->received(topic, payload); }, Qt::QueuedConnection);
}

void MqttPublisher::onLog(mosquitto*, void* self, int level, const char* text) {
    // TLS failures are told only here: OpenSSL's words ("certificate verify failed"), and the
    // library's own when the certificate names another host.
    auto* p = static_cast<MqttPublisher*>(self);
    const QByteArray line(text);
    if (level != MOSQ_LOG_ERR)
        return;
    if (line.contains("host name verification failed"))
        p->m_tlsHostMismatch = true;
    else if (line.startsWith("OpenSSL Error"))
        p->m_tlsError = QString::fromUtf8(line.mid(line.lastIndexOf(':') + 1)).trimmed();
}

void MqttPublisher::onPublish(mosquitto*, void* self, int mid) {
    auto* p = static_cast<MqttPublisher*>(self);
    const auto sent = p->m_sent.find(mid);
    if (sent == p->m_sent.end())
        return;
    const quint64 id = sent->second;
    p->m_sent.erase(sent);
    std::lock_guard lock(p->m_mutex);
    for (Message& m : p->m_queue)
        if (m.id == id) {
            m.acknowledged = true;
            break;
        }
    while (!p->m_queue.empty() && p->m_queue.front().acknowledged)
        p->m_queue.pop_front();
    p->m_status.queued = qsizetype(p->m_queue.size());
}
