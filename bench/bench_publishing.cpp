// Publishing from the window's program to a real Mosquitto broker on the loopback address: what
// it adds to a cycle, the event loop's stalls, log rows with the broker up, away or never
// answering, and the time from a reading to a subscriber.
#include "BenchSupport.h"
#include "TestBroker.h"

#include <QAbstractButton>
#include <QJsonDocument>
#include <QJsonObject>
#include <map>
#include <mosquitto.h>
#include <mutex>

namespace {
// The processor per cycle and the event loop's stalls at 100 ms with every group, and log rows
// at 0.1 s, with publishing to url (none: off).
struct Run {
    double cpuPerCycle = 0;
    double longestStall = 0;
    double rowsPerSecond = 0;
};

Run runWith(const QString& url, double seconds) {
    Program p;
    p.start();
    if (!url.isEmpty()) {
        PublishSettings s;
        s.enabled = true;
        s.url = url;
        s.station = QStringLiteral("bench");
        p.publisher.configure(s);
    }
    p.allGroupsOn(4);
    const QString log = p.startLogging();
    runFor(1);
    CycleLog cycles(p.acquisition);
    const int rowsBefore = dataRows(log);
    QElapsedTimer t;
    t.start();
    const double cpuBefore = cpuMs();
    runFor(seconds);
    Run r;
    r.cpuPerCycle = (cpuMs() - cpuBefore) / double(std::max<size_t>(1, cycles.durations.size()));
    Heartbeat beat;
    runFor(seconds / 3);
    r.longestStall = worst(beat.stallsMs);
    r.rowsPerSecond = (dataRows(log) - rowsBefore) / (t.elapsed() / 1000.0);
    return r;
}

// A subscriber on a thread of libmosquitto's: when each reading's seq arrived.
struct TimingSubscriber {
    mosquitto* mosq = mosquitto_new(nullptr, true, this);
    std::mutex mutex;
    std::map<qint64, std::chrono::steady_clock::time_point> arrived;
    explicit TimingSubscriber(int port) {
        mosquitto_message_callback_set(
            mosq, [](mosquitto*, void* self, const mosquitto_message* m) {
                const auto now = std::chrono::steady_clock::now();
                const QJsonObject o =
                    QJsonDocument::fromJson(
                        QByteArray(static_cast<const char*>(m->payload), m->payloadlen))
                        .object();
                auto* s = static_cast<TimingSubscriber*>(self);
                std::lock_guard lock(s->mutex);
                s->arrived[o.value(u"seq").toInteger()] = now;
            });
        mosquitto_connect(mosq, "127.0.0.1", port, 10);
        mosquitto_subscribe(mosq, nullptr, "dgh/bench/reading", 1);
        mosquitto_loop_start(mosq);
    }
    ~TimingSubscriber() {
        mosquitto_disconnect(mosq);
        mosquitto_loop_stop(mosq, false);
        mosquitto_destroy(mosq);
    }
};

double medianLatencyMs(const QString& url, int port, double seconds) {
    TimingSubscriber subscriber(port);
    Program p;
    p.start();
    PublishSettings s;
    s.enabled = true;
    s.url = url;
    s.station = QStringLiteral("bench");
    p.publisher.configure(s);
    // Connected after the feed: each cycle's reading has been handed over when this runs.
    std::map<qint64, std::chrono::steady_clock::time_point> published;
    qint64 seq = 0;
    QObject::connect(&p.acquisition, &Acquisition::cycleFinished,
                     [&] { published[++seq] = std::chrono::steady_clock::now(); });
    p.allGroupsOn(0);
    runFor(seconds);
    Samples latency;
    std::lock_guard lock(subscriber.mutex);
    for (const auto& [n, at] : subscriber.arrived)
        if (published.count(n))
            latency.push_back(std::chrono::duration<double, std::milli>(at - published[n]).count());
    return median(latency);
}
} // namespace

void publishingRows(const RowAdder& row, double seconds) {
    TestBroker broker;
    if (!broker.start())
        qFatal("no Mosquitto broker could be started");
    SilentListener silent;
    const Run off = runWith(QString(), seconds);
    const Run up = runWith(broker.url(), seconds);
    row(QStringLiteral("publishing: processor added per cycle at 100 ms (ms)"),
        QStringLiteral("< 0.1"), 3)
        .push_back(up.cpuPerCycle - off.cpuPerCycle);
    row(QStringLiteral("publishing: event loop, longest stall at 100 ms (ms)"),
        QStringLiteral("< 3"))
        .push_back(up.longestStall);
    row(QStringLiteral("publishing: log rows per second at 0.1 s, broker up"),
        QStringLiteral(">= 9.9"), 2, false)
        .push_back(up.rowsPerSecond);
    const Run away =
        runWith(QStringLiteral("mqtt://127.0.0.1:%1").arg(freeLoopbackPort()), seconds);
    row(QStringLiteral("publishing: log rows per second at 0.1 s, broker away"),
        QStringLiteral(">= 9.9"), 2, false)
        .push_back(away.rowsPerSecond);
    const Run silentRun = runWith(QStringLiteral("mqtt://127.0.0.1:%1").arg(silent.port), seconds);
    row(QStringLiteral("publishing: log rows per second at 0.1 s, broker never answering"),
        QStringLiteral(">= 9.9"), 2, false)
        .push_back(silentRun.rowsPerSecond);
    row(QStringLiteral("publishing: reading to subscriber, median (ms)"), QStringLiteral("< 20"), 2)
        .push_back(medianLatencyMs(broker.url(), broker.port, seconds));
}
