#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// A port on the loopback address that nothing listens on now.
inline int freeLoopbackPort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t length = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &length);
    ::close(s);
    return ntohs(a.sin_port);
}

// A socket on the loopback address that takes connections and never says a word: a broker
// that never answers.
struct SilentListener {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    int port = 0;
    SilentListener() {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(fd, 16);
        socklen_t length = sizeof a;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
        port = ntohs(a.sin_port);
    }
    ~SilentListener() { ::close(fd); }
};

// A real Mosquitto broker on a free loopback port, with persistence, so that a subscriber's
// session and its queued messages outlive a restart.
struct TestBroker {
    QTemporaryDir dir;
    int port = freeLoopbackPort();
    QProcess process;

    QString url() const { return QStringLiteral("mqtt://127.0.0.1:%1").arg(port); }
    bool start() {
        QFile config(dir.filePath(QStringLiteral("mosquitto.conf")));
        if (!config.open(QIODevice::WriteOnly))
            return false;
        config.write(QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\n"
                                    "persistence true\npersistence_location %2/\n")
                         .arg(port)
                         .arg(dir.path())
                         .toUtf8());
        config.close();
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QStringLiteral("mosquitto"), {QStringLiteral("-c"), config.fileName()});
        if (!process.waitForStarted())
            return false;
        // Listening once a client gets through.
        for (int i = 0; i < 100; ++i) {
            QProcess probe;
            probe.start(QStringLiteral("mosquitto_pub"),
                        {QStringLiteral("-p"), QString::number(port), QStringLiteral("-t"),
                         QStringLiteral("probe"), QStringLiteral("-m"), QStringLiteral("x")});
            if (probe.waitForFinished(2000) && probe.exitCode() == 0)
                return true;
            QTest::qWait(50);
        }
        return false;
    }
    void stop() {
        process.terminate(); // saves its sessions and queues
        process.waitForFinished(5000);
    }
    ~TestBroker() { stop(); }
};

// mosquitto_sub on every topic of the rigs, printing "topic payload" a line.
struct Subscriber {
    QProcess process;
    QString received;
    void start(int port, const QStringList& extra = {}) {
        // Line by line: into a pipe its output would otherwise wait for a full buffer.
        process.start(QStringLiteral("stdbuf"),
                      QStringList{QStringLiteral("-oL"), QStringLiteral("mosquitto_sub"),
                                  QStringLiteral("-p"), QString::number(port), QStringLiteral("-q"),
                                  QStringLiteral("1"), QStringLiteral("-v"), QStringLiteral("-t"),
                                  QStringLiteral("dgh/#")} +
                          extra);
        process.waitForStarted();
    }
    QStringList lines(const QString& topic) {
        received += QString::fromUtf8(process.readAllStandardOutput());
        QStringList out;
        for (const QString& line : received.split('\n'))
            if (line.startsWith(topic + ' '))
                out.append(line.mid(topic.size() + 1));
        return out;
    }
    ~Subscriber() {
        process.kill();
        process.waitForFinished();
    }
};
