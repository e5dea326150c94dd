// Publishing to a real Mosquitto broker on the loopback address: the logger's topics, nothing lost
// over an outage, the last will, brokers that hold nothing up, and the window's dialog.
#include "MainWindowFixture.h"
#include "TestBroker.h"
#include "TestLocale.h"

#include "MqttPublisher.h"
#include "PasswordVault.h"
#include "PublishSettings.h"
#include "PublishingDialog.h"
#include "ScriptedDialogs.h"
#include "SealCheck.h"

#include <QAccessible>
#include <QCheckBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QRegularExpression>
#include <csignal>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>

namespace {
struct Logger {
    QProcess process;
    void start(const ModuleSimulator& simulator, const QTemporaryDir& dir,
               const QStringList& extra) {
        process.start(
            QStringLiteral(DGH_LOGGER),
            QStringList{QStringLiteral("--device"), QString::fromStdString(simulator.devicePath()),
                        QStringLiteral("--settings"), dir.filePath(QStringLiteral("s.ini")),
                        QStringLiteral("--rate"), QStringLiteral("100"),
                        QStringLiteral("--station"), QStringLiteral("rigA")} +
                extra);
        QVERIFY(process.waitForStarted());
    }
    ~Logger() {
        process.terminate();
        process.waitForFinished();
    }
};

std::set<qint64> sequence(const QStringList& readings) {
    std::set<qint64> seqs;
    for (const QString& r : readings)
        seqs.insert(QJsonDocument::fromJson(r.toUtf8()).object().value(u"seq").toInteger());
    return seqs;
}
} // namespace

class TestPublishing : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useLocale(QStringLiteral("de_DE")); }
    void brokerAddressesAndStations();
    void theLoggerPublishesItsReadings();
    void nothingIsLostWhileTheBrokerIsAway();
    void aKilledLoggerIsOfflineByItsWill();
    void brokersThatDoNotAnswerHoldNoRow();
    void theWindowStoresItsSettingsAndShowsTheState();
    void aReportNotYetAnsweredHoldsBackTheNext();
    void aWrongPasswordIsToldOnceWithItsReason();
    void aCertificateNotAcceptedIsToldWithItsReason();
    void aHeldPublisherDoesNotHoldTheStop();
    void theLabAcknowledgesTheLoggersAlarmsThroughTheBroker();

private:
    QTemporaryDir m_dir;
};

void TestPublishing::brokerAddressesAndStations() {
    QString why;
    const auto tls = parseBrokerUrl(QStringLiteral("mqtts://broker.lab"), &why);
    QVERIFY(tls && tls->tls && tls->port == 8883 && tls->host == u"broker.lab");
    QCOMPARE(parseBrokerUrl(QStringLiteral("mqtt://10.0.0.5:1884"), &why)->port, 1884);
    for (const char* bad : {"broker.lab", "http://broker.lab", "mqtt://", "mqtt://h:1883/x"})
        QVERIFY2(!parseBrokerUrl(QLatin1String(bad), &why) && why.contains(u"mqtt://host"), bad);
    QVERIFY(validStation(QStringLiteral("rig-1_b")) && !validStation(QStringLiteral("rig/1")));
    QVERIFY(validStation(defaultStation()));
}

void TestPublishing::theLoggerPublishesItsReadings() {
    TestBroker broker;
    QVERIFY(broker.start());
    Subscriber all;
    all.start(broker.port);
    ModuleSimulator simulator(3);
    QVERIFY(simulator.start());
    simulator.setReply('1', "*+00021.50");
    Logger logger;
    logger.start(simulator, m_dir,
                 {QStringLiteral("--mqtt"), broker.url(), QStringLiteral("--groups"),
                  QStringLiteral("ph,therm"), QStringLiteral("--duration"), QStringLiteral("2"),
                  QStringLiteral("--t1-high"), QStringLiteral("20"), QStringLiteral("--t1-delay"),
                  QStringLiteral("0")});
    QVERIFY(logger.process.waitForFinished(10000));
    QCOMPARE(logger.process.exitCode(), 0);
    QTRY_COMPARE(all.lines(QStringLiteral("dgh/rigA/status")),
                 (QStringList{QStringLiteral("online"), QStringLiteral("offline")}));
    const QStringList readings = all.lines(QStringLiteral("dgh/rigA/reading"));
    QVERIFY(readings.size() >= 5);
    const QJsonObject first = QJsonDocument::fromJson(readings[0].toUtf8()).object();
    QCOMPARE(first.value(u"seq").toInteger(), 1);
    QVERIFY(QDateTime::fromString(first.value(u"time").toString(), Qt::ISODateWithMs).isValid());
    // The groups read, and no others; numbers as JSON numbers on a German machine too.
    QCOMPARE(first.keys(),
             (QStringList{"mv1", "mv2", "ph1", "ph2", "seq", "t1", "t2", "t3", "time"}));
    QCOMPARE(first.value(u"t1").toDouble(), 21.5);
    QVERIFY(readings[0].contains(QStringLiteral("\"t1\":21.5")));
    QCOMPARE(sequence(readings).size(), size_t(readings.size()));
    // Retained: what a dashboard that subscribes later gets at once.
    Subscriber later;
    later.start(broker.port);
    QTRY_COMPARE(later.lines(QStringLiteral("dgh/rigA/t1")), QStringList{QStringLiteral("21.5")});
    QTRY_COMPARE(later.lines(QStringLiteral("dgh/rigA/status")), QStringList{"offline"});
    QTRY_VERIFY(later.lines(QStringLiteral("dgh/rigA/calibration"))
                    .value(0)
                    .contains(QStringLiteral("\"probe1\":{\"offset\":2.5777,\"slope\":4.5427")));
    QVERIFY(later.lines(QStringLiteral("dgh/rigA/reading")).isEmpty()); // not retained
    // Thermistor 1 above its limit: the change, and the standing set retained.
    const QStringList changes = all.lines(QStringLiteral("dgh/rigA/alarm"));
    QCOMPARE(changes.size(), 1);
    QVERIFY2(changes[0].contains(QStringLiteral("\"id\":\"t1-high\",\"kind\":\"high\",\"limit\":20,"
                                                "\"value\":21.5,\"state\":\"raised\"")),
             qPrintable(changes[0]));
    QTRY_VERIFY(later.lines(QStringLiteral("dgh/rigA/alarms"))
                    .value(0)
                    .startsWith(QStringLiteral("[{\"id\":\"t1-high\"")));
}

void TestPublishing::nothingIsLostWhileTheBrokerIsAway() {
    TestBroker broker;
    QVERIFY(broker.start());
    Subscriber persistent; // its session and queue outlive the broker's restart
    persistent.start(broker.port,
                     {QStringLiteral("-c"), QStringLiteral("-i"), QStringLiteral("watcher")});
    ModuleSimulator simulator(4);
    QVERIFY(simulator.start());
    Logger logger;
    logger.start(simulator, m_dir,
                 {QStringLiteral("--mqtt"), broker.url(), QStringLiteral("--groups"),
                  QStringLiteral("flow"), QStringLiteral("--mqtt-keepalive"), QStringLiteral("5")});
    const QString topic = QStringLiteral("dgh/rigA/reading");
    QTRY_VERIFY(persistent.lines(topic).size() >= 5);
    broker.stop();
    // Away for longer than the keep-alive, while readings go on (ten a second).
    QTest::qWait(8000);
    QVERIFY(broker.start());
    // Back within the back-off; what waited arrives, and more after it.
    const auto latest = [&] { return *sequence(persistent.lines(topic)).rbegin(); };
    QTRY_VERIFY_WITH_TIMEOUT(latest() > 100, 30000);
    logger.process.terminate();
    QVERIFY(logger.process.waitForFinished(5000));
    QTRY_VERIFY(persistent.lines(QStringLiteral("dgh/rigA/status")).contains("offline"));
    const std::set<qint64> seqs = sequence(persistent.lines(topic));
    // Every number from 1 to the last, without a gap.
    QCOMPARE(*seqs.begin(), 1);
    QCOMPARE(qint64(seqs.size()), *seqs.rbegin());
}

void TestPublishing::aKilledLoggerIsOfflineByItsWill() {
    TestBroker broker;
    QVERIFY(broker.start());
    Subscriber status;
    status.start(broker.port);
    ModuleSimulator simulator(5);
    QVERIFY(simulator.start());
    Logger logger;
    logger.start(simulator, m_dir,
                 {QStringLiteral("--mqtt"), broker.url(), QStringLiteral("--mqtt-keepalive"),
                  QStringLiteral("5")});
    QTRY_COMPARE(status.lines(QStringLiteral("dgh/rigA/status")), QStringList{"online"});
    ::kill(pid_t(logger.process.processId()), SIGKILL);
    // Within one and a half keep-alives the broker speaks the will.
    QTRY_COMPARE_WITH_TIMEOUT(status.lines(QStringLiteral("dgh/rigA/status")),
                              (QStringList{QStringLiteral("online"), QStringLiteral("offline")}),
                              15000);
}

void TestPublishing::brokersThatDoNotAnswerHoldNoRow() {
    SilentListener silent;
    const QString nowhere = QStringLiteral("mqtt://127.0.0.1:%1").arg(freeLoopbackPort());
    for (const QString& url : {QStringLiteral("mqtt://127.0.0.1:%1").arg(silent.port), nowhere}) {
        ModuleSimulator simulator(6);
        QVERIFY(simulator.start());
        const QString log = m_dir.filePath(QStringLiteral("rows.csv"));
        Logger logger;
        logger.start(simulator, m_dir,
                     {QStringLiteral("--mqtt"), url, QStringLiteral("--mqtt-keepalive"),
                      QStringLiteral("5"), QStringLiteral("--log"), log,
                      QStringLiteral("--overwrite"), QStringLiteral("--interval"),
                      QStringLiteral("0.1"), QStringLiteral("--duration"), QStringLiteral("3")});
        QVERIFY(logger.process.waitForFinished(10000));
        QCOMPARE(logger.process.exitCode(), 0);
        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const qsizetype rows = file.readAll().count('\n') - 16;
        QVERIFY2(rows >= 26, qPrintable(url + ": " + QString::number(rows)));
        // Said once, not at every attempt.
        const QString said = QString::fromLocal8Bit(logger.process.readAllStandardError());
        QVERIFY2(said.count(QStringLiteral("MQTT:")) <= 1, qPrintable(said));
    }
}

void TestPublishing::theWindowStoresItsSettingsAndShowsTheState() {
    TestBroker broker;
    QVERIFY(broker.start());
    MainWindowFixture f;
    MainWindow& w = f.start();
    auto* state = w.findChild<QLabel*>(QStringLiteral("lblPublishing"));
    QCOMPARE(state->text(), QStringLiteral("MQTT: off"));
    // Where a screen reader walking the window finds it (a menu bar lists only its menus).
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&w);
    QVERIFY(window->indexOfChild(QAccessible::queryAccessibleInterface(state)) >= 0);
    {
        PublishingDialog dialog(f.publisher, f.settings.location, f.dialogs);
        dialog.findChild<QCheckBox*>(QStringLiteral("chkEnabled"))->setChecked(true);
        auto* url = dialog.findChild<QLineEdit*>(QStringLiteral("txtBroker"));
        url->setText(QStringLiteral("broker.lab"));
        dialog.findChild<QLineEdit*>(QStringLiteral("txtStation"))->setText(QStringLiteral("rigB"));
        dialog.findChild<QLineEdit*>(QStringLiteral("txtPassword"))->setText(QStringLiteral("pw"));
        dialog.confirm();
        QVERIFY(f.dialogs.texts().value(0).contains(QStringLiteral("mqtt://host:1883")));
        QVERIFY(f.settings.location.text(QStringLiteral("Publish"), QStringLiteral("url"), {})
                    .isEmpty()); // refused: nothing stored
        url->setText(broker.url());
        dialog.confirm();
    }
    QTRY_COMPARE(state->text(), QStringLiteral("MQTT: connected to 127.0.0.1"));
    // In sight, whole, at the bar's right, however long the text.
    QVERIFY(w.menuBar()->geometry().contains(state->geometry()));
    QVERIFY(state->width() >= state->sizeHint().width());
    QCOMPARE(f.settings.location.text(QStringLiteral("Publish"), QStringLiteral("url"), {}),
             broker.url());
    // The password only when it is to be remembered.
    QCOMPARE(f.settings.location.text(QStringLiteral("Publish"), QStringLiteral("password"), {}),
             QString());
    bool remember = true;
    const PublishSettings stored = loadPublishSettings(f.settings.location, &remember);
    QVERIFY(stored.enabled && !remember && stored.station == u"rigB");
    {
        // Remembered: in the key ring or a file of the owner's alone, never the settings file.
        PublishingDialog dialog(f.publisher, f.settings.location, f.dialogs);
        dialog.findChild<QLineEdit*>(QStringLiteral("txtUser"))->setText(QStringLiteral("bob"));
        dialog.findChild<QLineEdit*>(QStringLiteral("txtPassword"))->setText(QStringLiteral("pw"));
        dialog.findChild<QCheckBox*>(QStringLiteral("chkRemember"))->setChecked(true);
        dialog.confirm();
    }
    QCOMPARE(f.settings.location.text(QStringLiteral("Publish"), QStringLiteral("password"), {}),
             QString());
    PasswordVault vault(f.settings.location);
    QCOMPARE(loadPublishing(f.settings.location, vault, &remember).password, u"pw");
    QVERIFY(remember);
    const QFileInfo file(
        f.settings.dir.filePath(QFileInfo(f.settings.location.fileName()).completeBaseName() +
                                QStringLiteral(".mqtt-password")));
    if (file.exists())
        QCOMPARE(file.permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
    PublishingDialog again(f.publisher, f.settings.location, f.dialogs);
    QVERIFY(again.findChild<QLabel*>(QStringLiteral("lblPasswordPlace"))
                ->text()
                .contains(file.exists() ? QStringLiteral("only you can read")
                                        : QStringLiteral("key ring")));
    broker.stop();
    QTRY_VERIFY_WITH_TIMEOUT(state->text().startsWith(QStringLiteral("MQTT: reconnecting")), 30000);
}

QTEST_MAIN(TestPublishing)
// A box the operator has not answered holds any later report back, instead of opening a box in a
// box for each outage of a run nobody attends; once answered, the next one shows.
void TestPublishing::aReportNotYetAnsweredHoldsBackTheNext() {
    ScriptedDialogs dialogs;
    MqttPublisher publisher(dialogs.notices);
    const auto nowhere = [] {
        PublishSettings s;
        s.enabled = true;
        s.url = QStringLiteral("mqtt://127.0.0.1:%1").arg(freeLoopbackPort());
        s.station = QStringLiteral("rigA");
        return s;
    };
    int open = 0;
    int deepest = 0;
    dialogs.onMessage = [&](const QString&) {
        deepest = std::max(deepest, ++open);
        if (open == 1 && dialogs.messages.size() == 1) {
            publisher.configure(nowhere()); // another broker that cannot be reached either
            QTest::qWait(1500);             // the box stays open meanwhile
        }
        --open;
    };
    publisher.configure(nowhere());
    QTRY_COMPARE(dialogs.messages.size(), 1);
    QCOMPARE(deepest, 1);
    QCOMPARE(dialogs.messages.size(), 1);
    publisher.configure(nowhere());
    QTRY_COMPARE(dialogs.messages.size(), 2);
    QCOMPARE(deepest, 1);
}

void TestPublishing::aWrongPasswordIsToldOnceWithItsReason() {
    TestBroker broker;
    QVERIFY2(broker.startWithPassword(QStringLiteral("bob"), QStringLiteral("right")),
             broker.process.readAll().constData());
    ScriptedDialogs dialogs;
    MqttPublisher publisher(dialogs.notices);
    PublishSettings s;
    s.enabled = true;
    s.url = broker.url();
    s.station = QStringLiteral("rigA");
    s.user = QStringLiteral("bob");
    s.password = QStringLiteral("wrong");
    publisher.configure(s);
    // Three attempts refused (at 0, 1 and 3 s): one report, the refusal's, never "not reached".
    QString brokerLog;
    QTRY_VERIFY_WITH_TIMEOUT((brokerLog += QString::fromUtf8(broker.process.readAll()))
                                     .count(QStringLiteral("not authorised")) >= 3,
                             10000);
    QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("MQTT: the broker 127.0.0.1 refused the "
                                                         "connection: Connection Refused: not "
                                                         "authorised.")});
}

void TestPublishing::aCertificateNotAcceptedIsToldWithItsReason() {
    // A lab authority, the broker's certificate from it for "localhost", and another authority.
    QTemporaryDir certs;
    const auto openssl = [&](const QString& arguments) {
        QProcess p;
        p.setWorkingDirectory(certs.path());
        p.start(QStringLiteral("openssl"), arguments.split(u' '));
        return p.waitForFinished(30000) && p.exitCode() == 0;
    };
    QFile extension(certs.filePath(QStringLiteral("ext")));
    QVERIFY(extension.open(QIODevice::WriteOnly) &&
            extension.write("subjectAltName=DNS:localhost\n") > 0);
    extension.close();
    const QString subject = QStringLiteral(" -days 2 -nodes -subj /CN=");
    QVERIFY(openssl("req -x509 -newkey rsa:2048 -keyout ca.key -out ca.crt" + subject + "Lab"));
    QVERIFY(openssl("req -x509 -newkey rsa:2048 -keyout o.key -out other.crt" + subject + "Else"));
    QVERIFY(openssl("req -newkey rsa:2048 -keyout b.key -out b.csr -nodes -subj /CN=localhost"));
    QVERIFY(openssl(QStringLiteral("x509 -req -in b.csr -CA ca.crt -CAkey ca.key -CAcreateserial "
                                   "-out b.crt -days 2 -extfile ext")));
    for (const char* file : {"b.key", "b.crt"}) // read by the broker as its own user
        QFile(certs.filePath(QLatin1String(file)))
            .setPermissions(QFile::ReadOwner | QFile::ReadOther);
    QFile(certs.path()).setPermissions(QFile(certs.path()).permissions() | QFile::ExeOther);
    TestBroker broker;
    QVERIFY(broker.start(QStringLiteral("allow_anonymous true\ncertfile %1\nkeyfile %2\n")
                             .arg(certs.filePath(QStringLiteral("b.crt")),
                                  certs.filePath(QStringLiteral("b.key")))));
    const auto told = [&](const QString& host, const char* authority) {
        ScriptedDialogs dialogs;
        MqttPublisher publisher(dialogs.notices);
        PublishSettings s;
        s.enabled = true;
        s.url = QStringLiteral("mqtts://%1:%2").arg(host).arg(broker.port);
        s.station = QStringLiteral("rigA");
        s.caFile = certs.filePath(QLatin1String(authority));
        publisher.configure(s);
        QElapsedTimer waited;
        waited.start();
        while (dialogs.messages.isEmpty() && waited.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        return dialogs.texts().join(u'|');
    };
    const QString otherHost = told(QStringLiteral("127.0.0.1"), "ca.crt");
    QVERIFY2(
        otherHost.contains(QStringLiteral("its certificate names another host than 127.0.0.1")),
        qPrintable(otherHost));
    const QString untrusted = told(QStringLiteral("localhost"), "other.crt");
    QVERIFY2(untrusted.contains(QStringLiteral("its certificate is not trusted: it is not signed "
                                               "by the authority")),
             qPrintable(untrusted));
}

void TestPublishing::aHeldPublisherDoesNotHoldTheStop() {
    // Reading a FIFO as its authority holds the publisher's thread until a writer comes.
    const QString fifo = m_dir.filePath(QStringLiteral("ca.fifo"));
    QCOMPARE(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    SilentListener listener;
    ScriptedDialogs dialogs;
    MqttPublisher publisher(dialogs.notices);
    PublishSettings s;
    s.enabled = true;
    s.url = QStringLiteral("mqtts://127.0.0.1:%1").arg(listener.port);
    s.station = QStringLiteral("rigA");
    s.caFile = fifo;
    publisher.configure(s);
    // A thread of this process waits for the FIFO's other end.
    const auto waitingForWriter = [] {
        for (const QString& task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs))
            if (QFile wchan(QStringLiteral("/proc/self/task/%1/wchan").arg(task));
                wchan.open(QIODevice::ReadOnly) && wchan.readAll() == "wait_for_partner")
                return true;
        return false;
    };
    QTRY_VERIFY(waitingForWriter());
    QVERIFY(!publisher.stop(std::chrono::milliseconds(300)));
    QVERIFY(publisher.running());
    // Let go (the file is opened more than once): the thread ends, and the publisher with it.
    const auto letGo = [&fifo] {
        ::close(::open(fifo.toLocal8Bit().constData(), O_WRONLY | O_NONBLOCK));
        return true;
    };
    QTRY_VERIFY(letGo() && publisher.stop(std::chrono::milliseconds(100)));
}

void TestPublishing::theLabAcknowledgesTheLoggersAlarmsThroughTheBroker() {
    TestBroker broker;
    QVERIFY(broker.start());
    ModuleSimulator simulator(3);
    QVERIFY(simulator.start());
    simulator.setReply('1', "*+00021.50");
    const QString log = m_dir.filePath(QStringLiteral("acknowledged.csv"));
    Logger logger;
    logger.start(simulator, m_dir,
                 {QStringLiteral("--mqtt"), broker.url(), QStringLiteral("--groups"),
                  QStringLiteral("therm"), QStringLiteral("--log"), log,
                  QStringLiteral("--t1-high"), QStringLiteral("20"), QStringLiteral("--t1-delay"),
                  QStringLiteral("0")});
    QString said;
    QTRY_VERIFY((said += QString::fromLocal8Bit(logger.process.readAllStandardError()))
                    .contains(QStringLiteral("Alarm raised: T1 HIGH")));
    simulator.setReply('1', "*+00019.00");
    QTRY_VERIFY((said += QString::fromLocal8Bit(logger.process.readAllStandardError()))
                    .contains(QStringLiteral("Alarm cleared-unacknowledged: T1 HIGH cleared at "
                                             "%1 (limit %2)")
                                  .arg(QLocale().toString(19.0, 'f', 1),
                                       QLocale().toString(20.0, 'f', 1))));
    QCOMPARE(QProcess::execute(QStringLiteral("mosquitto_pub"),
                               {QStringLiteral("-p"), QString::number(broker.port),
                                QStringLiteral("-q"), QStringLiteral("1"), QStringLiteral("-t"),
                                QStringLiteral("dgh/rigA/alarms/ack"), QStringLiteral("-m"),
                                QStringLiteral(R"({"id":"all","by":"night shift"})")}),
             0);
    QTRY_VERIFY((said += QString::fromLocal8Bit(logger.process.readAllStandardError()))
                    .contains(QStringLiteral("Alarm acknowledged: T1 HIGH cleared at %1 (limit "
                                             "%2), raised ")
                                  .arg(QLocale().toString(19.0, 'f', 1),
                                       QLocale().toString(20.0, 'f', 1))));
    QVERIFY(said.contains(QStringLiteral(" by night shift")));
    const auto recorded = [this] {
        QFile record(m_dir.filePath(QStringLiteral("alarms.csv")));
        return record.open(QIODevice::ReadOnly) ? record.readAll() : QByteArray();
    };
    QTRY_VERIFY(recorded().endsWith(",t1,high,20,19,acknowledged,\"night shift\"\n"));
    // The standing set is empty again, for whoever looks later.
    Subscriber later;
    later.start(broker.port);
    QTRY_COMPARE(later.lines(QStringLiteral("dgh/rigA/alarms")), QStringList{"[]"});
    // Each line of the record is sealed; its seal is told on standard error and retained.
    QTRY_VERIFY(!later.lines(QStringLiteral("dgh/rigA/seal")).isEmpty());
    const auto verdict = [&] {
        said += QString::fromLocal8Bit(logger.process.readAllStandardError());
        QFile told(m_dir.filePath(QStringLiteral("anchors.txt")));
        told.open(QIODevice::WriteOnly);
        told.write(said.toUtf8());
        told.close();
        QString why;
        const QList<SealAnchor> anchors = readAnchors(told.fileName(), &why);
        return checkSeal(m_dir.filePath(QStringLiteral("alarms.csv")), &anchors).text;
    };
    // Every line's seal told agrees (the raise, the clear and the acknowledgement at least).
    static const QRegularExpression agrees(
        QStringLiteral("^intact: .*; agrees with ([3-9]) of \\1 "));
    QTRY_VERIFY2(agrees.match(verdict()).hasMatch(), qPrintable(verdict()));
}

#include "tst_publishing.moc"
