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
#include <netinet/tcp.h>

namespace {
PublishSettings publishingTo(const QString& url) {
    PublishSettings s;
    s.enabled = true;
    s.url = url;
    s.station = QStringLiteral("bench");
    return s;
}

// Log rows a second at 0.1 s with every group at 100 ms, publishing to url.
double rowsPerSecondWith(const QString& url, double seconds) {
    Program p;
    p.start();
    p.publisher.configure(publishingTo(url));
    p.allGroupsOn(4);
    const QString log = p.startLogging();
    runFor(1);
    const int rowsBefore = dataRows(log);
    QElapsedTimer t;
    t.start();
    runFor(seconds);
    return (dataRows(log) - rowsBefore) / (t.elapsed() / 1000.0);
}

// What publishing adds at 100 ms with every group and logging at 0.1 s, in one running program
// with publishing switched off and on in turn: each window with publishing against the windows
// without on either side, since two separate runs of the program differ by more than the
// publisher costs. Connecting and saying goodbye, once a run, are left out of the windows.
struct Alternation {
    Samples processorAdded;   // per cycle, one a window with publishing
    Samples longestStallWith; // one a window
    Samples longestStallWithout;
};

Alternation alternate(const QString& url, double seconds) {
    constexpr double kWindow = 3;
    constexpr double kStallWindow = 5;
    Program p;
    p.start();
    p.allGroupsOn(4);
    p.startLogging();
    runFor(3); // past the first cycles, which load fonts and glyphs
    CycleLog cycles(p.acquisition);
    const auto publishing = [&](bool on) {
        p.publisher.configure(on ? publishingTo(url) : PublishSettings{});
        runFor(1);
    };
    Alternation a;
    // Processor first, without the heartbeat, whose wake-ups would count as the program's.
    Samples perCycle; // off, on, off, ..., off
    const int windows = 2 * std::max(2, int(seconds / (2 * kWindow))) + 1;
    for (int w = 0; w < windows; ++w) {
        publishing(w % 2);
        const size_t cyclesBefore = cycles.durations.size();
        const double cpuBefore = cpuMs();
        runFor(kWindow);
        perCycle.push_back((cpuMs() - cpuBefore) /
                           double(std::max<size_t>(1, cycles.durations.size() - cyclesBefore)));
    }
    for (size_t w = 1; w + 1 < perCycle.size(); w += 2)
        a.processorAdded.push_back(perCycle[w] - (perCycle[w - 1] + perCycle[w + 1]) / 2);
    // The host's own hiccups hold the loop for a few milliseconds now and then, with publishing
    // or without: hence the longest stall of each window, both ways.
    for (int w = 0; w < 2 * std::max(2, int(seconds / (2 * kStallWindow))); ++w) {
        publishing(w % 2);
        Heartbeat beat;
        runFor(kStallWindow);
        (w % 2 ? a.longestStallWith : a.longestStallWithout).push_back(worst(beat.stallsMs));
    }
    return a;
}

// The floor under any publisher on this machine: what one 200-byte send over loopback TCP, to
// a reader asleep in another thread as the broker is, costs the sender's thread.
double bareSendMs() {
    const auto threadCpuMs = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
    };
    SilentListener listener;
    std::thread reader([&] {
        const int c = ::accept(listener.fd, nullptr, nullptr);
        char buffer[4096];
        while (::read(c, buffer, sizeof buffer) > 0) {
        }
        ::close(c);
    });
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(quint16(listener.port));
    ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    const int one = 1;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    const char payload[200] = {};
    Samples cost;
    for (int i = 0; i < 200; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20)); // a cycle apart
        const double before = threadCpuMs();
        ::send(s, payload, sizeof payload, 0);
        cost.push_back(threadCpuMs() - before);
    }
    ::close(s);
    reader.join();
    return median(cost);
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
    p.publisher.configure(publishingTo(url));
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
    const Alternation a = alternate(broker.url(), seconds);
    row(QStringLiteral("publishing: processor added per cycle at 100 ms (ms)"),
        QStringLiteral("< 0.1"), 3) = a.processorAdded;
    row(QStringLiteral("bare 200-byte send over loopback TCP, sender's processor (ms)"),
        QStringLiteral("reference"), 3)
        .push_back(bareSendMs());
    row(QStringLiteral("publishing: event loop, longest stall in 5 s at 100 ms (ms)"),
        QStringLiteral("< 3")) = a.longestStallWith;
    row(QStringLiteral("publishing: the same, in the same run's windows without it (ms)"),
        QStringLiteral("reference")) = a.longestStallWithout;
    const QString away = QStringLiteral("mqtt://127.0.0.1:%1").arg(freeLoopbackPort());
    const QString neverAnswering = QStringLiteral("mqtt://127.0.0.1:%1").arg(silent.port);
    for (const auto& [where, url] : {std::pair{"up", broker.url()}, std::pair{"away", away},
                                     std::pair{"never answering", neverAnswering}})
        row(QStringLiteral("publishing: log rows per second at 0.1 s, broker ") + where,
            QStringLiteral(">= 9.9"), 2, false)
            .push_back(rowsPerSecondWith(url, seconds));
    row(QStringLiteral("publishing: reading to subscriber, median (ms)"), QStringLiteral("< 20"), 2)
        .push_back(medianLatencyMs(broker.url(), broker.port, seconds));
}
