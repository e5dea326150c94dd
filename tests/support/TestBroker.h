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
    // Only this user, with this password, may connect.
    bool startWithPassword(const QString& user, const QString& password) {
        const QString file = dir.filePath(QStringLiteral("passwords"));
        if (QProcess::execute(QStringLiteral("mosquitto_passwd"),
                              {QStringLiteral("-b"), QStringLiteral("-c"), file, user, password}))
            return false;
        // Started as root, the broker reads it as its own user.
        QFile(dir.path()).setPermissions(QFile(dir.path()).permissions() | QFile::ExeOther);
        QFile(file).setPermissions(QFile(file).permissions() | QFile::ReadOther);
        return start(QStringLiteral("allow_anonymous false\npassword_file %1\n").arg(file));
    }
    bool start(const QString& access = QStringLiteral("allow_anonymous true\n")) {
        QFile config(dir.filePath(QStringLiteral("mosquitto.conf")));
        if (!config.open(QIODevice::WriteOnly))
            return false;
        config.write(QStringLiteral("listener %1 127.0.0.1\n%2"
                                    "persistence true\npersistence_location %3/\n")
                         .arg(port)
                         .arg(access, dir.path())
                         .toUtf8());
        config.close();
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QStringLiteral("mosquitto"), {QStringLiteral("-c"), config.fileName()});
        if (!process.waitForStarted())
            return false;
        // Listening once a connection is taken (plain or TLS alike).
        for (int i = 0; i < 100; ++i) {
            const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            a.sin_port = htons(quint16(port));
            const bool listening = ::connect(probe, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
            ::close(probe);
            if (listening)
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
