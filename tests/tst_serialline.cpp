// The command link and port selection on a real pseudo-terminal, with the module simulator on
// the other end.
#include "CommPort.h"
#include "CommandLink.h"
#include "ModuleSimulator.h"
#include "MonotonicClock.h"
#include "PortPrompt.h"
#include "PortSelection.h"
#include "ScriptedDialogs.h"
#include "SettingsKeys.h"
#include "SystemPorts.h"
#include "TempSettings.h"
#include "TestDoubles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using Fault = ModuleSimulator::Fault;

class TestSerialLine : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void portNamesFollowTheSettingsStore();
    void transactionsWithTheModules();
    void misbehavingModules();
    void aLateReplyIsDroppedByTheNextTransaction();
    void aModuleThatDropsOffTheLine();
    void aCycleRunsAheadWhileRepliesAreNumbers();
    void aPortChangedDuringAWaitReadsAsClosed();
    void portNumberConversion();
    void selectingPorts();
    void aPortHeldElsewhereIsReported();
    void anUnusableDeviceIsReported();

private:
    void pointPortAtSimulator(int number) {
        m_settings->location.setText(settingskeys::kPortsSection, QString::number(number),
                                     QString::fromStdString(m_sim->devicePath()));
    }

    std::unique_ptr<TempSettings> m_settings;
    std::unique_ptr<ModuleSimulator> m_sim;
    std::unique_ptr<CommPort> m_port;
    SteadyClock m_clock;
    ScriptedDialogs m_dialogs;
};

void TestSerialLine::init() {
    m_settings = std::make_unique<TempSettings>();
    m_sim = std::make_unique<ModuleSimulator>(7);
    QVERIFY(m_sim->start());
    m_port = std::make_unique<CommPort>(m_settings->location);
    m_dialogs = ScriptedDialogs();
}

void TestSerialLine::cleanup() {
    m_port.reset();
    m_sim.reset();
}

void TestSerialLine::portNamesFollowTheSettingsStore() {
    const auto dev = [](const char* name) { return QStringLiteral("/dev/") + QLatin1String(name); };
    const QString a = dev("serial/by-id/usb-FTDI_A"), b = dev("serial/by-id/usb-FTDI_B");
    const QStringList order =
        numberedPorts({{b, dev("ttyUSB1")}, {a, dev("ttyUSB3")}},
                      {dev("ttyS1"), dev("ttyUSB10"), dev("ttyS0"), dev("ttyUSB1"), dev("ttyAMA0"),
                       dev("ttyACM0"), dev("ttyUSB2"), dev("ttyUSB3"), dev("ttyS0")},
                      {QStringLiteral("/run/sim/line-2")});
    QCOMPARE(order,
             (QStringList{a, b, dev("ttyUSB2"), dev("ttyUSB10"), dev("ttyACM0"), dev("ttyS0"),
                          dev("ttyS1"), dev("ttyAMA0"), QStringLiteral("/run/sim/line-2")}));

    // A running simulator's line counts after the system's ports; a key in the store wins.
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    QVERIFY(QDir().mkpath(simulatedLinesFolder()));
    const QString line = simulatedLinesFolder() + QStringLiteral("/line-1");
    QVERIFY(m_sim->linkTo(line.toStdString()));
    const qint16 simPort = qint16(systemPorts().size());
    QCOMPARE(m_port->deviceName(simPort), line);
    // A killed simulator's link counts no more, though its pseudo-terminal may be in use.
    QVERIFY(m_sim->linkTo((simulatedLinesFolder() + QStringLiteral("/line-999999")).toStdString()));
    QCOMPARE(systemPorts().size(), simPort);
    m_port->setCommPort(simPort);
    QCOMPARE(m_port->open(), CommPort::OpenError::None);
    m_port->close();
    m_settings->location.setText(settingskeys::kPortsSection, QString::number(simPort),
                                 dev("ttyUSB0"));
    QCOMPARE(m_port->deviceName(simPort), dev("ttyUSB0"));
    // Past the last port there is none, and the operator is told how many there are.
    m_port->setCommPort(simPort + 1);
    QCOMPARE(m_port->open(), CommPort::OpenError::InvalidPort);
    QVERIFY2(m_port->failureDetail().contains(QString::number(simPort)),
             qPrintable(m_port->failureDetail()));
    qunsetenv("XDG_RUNTIME_DIR");
}

void TestSerialLine::transactionsWithTheModules() {
    pointPortAtSimulator(1);
    QCOMPARE(m_port->open(), CommPort::OpenError::None);
    CommandLink link(*m_port, m_clock, m_dialogs.notices);
    for (const char* address : {"1", "2", "3", "5", "6", "7"}) {
        const QString reply = transactNow(link, QLatin1String(address));
        QVERIFY2(reply.size() == 10 && reply.startsWith('*'), qPrintable(reply));
    }
    const std::vector<std::string> expected = {"$1RD", "$2RD", "$3RD", "$5RD", "$6RD", "$7RD"};
    QCOMPARE(m_sim->frames(), expected);
    m_sim->setReply('1', "*-00003.25");
    QCOMPARE(transactNow(link, QStringLiteral("1")), QStringLiteral("*-00003.25"));
    QVERIFY(m_dialogs.messages.isEmpty());
}

void TestSerialLine::misbehavingModules() {
    pointPortAtSimulator(1);
    QCOMPARE(m_port->open(), CommPort::OpenError::None);
    CommandLink link(*m_port, m_clock, m_dialogs.notices);
    m_sim->setReply('6', "*+02577.70");
    const std::pair<Fault, QString> cases[] = {
        {Fault::Stray, QStringLiteral("*+02577.70")},
        {Fault::TopBit, QStringLiteral("*+02577.70")},
        {Fault::ErrorReply, QStringLiteral("?ERROR")},
        {Fault::LineFeed, QStringLiteral("TIMEOUT")},
        {Fault::Silent, QStringLiteral("TIMEOUT")},
    };
    for (const auto& [fault, expected] : cases) {
        m_sim->setFault('6', fault);
        QCOMPARE(transactNow(link, QStringLiteral("6")), expected);
    }
}

void TestSerialLine::aLateReplyIsDroppedByTheNextTransaction() {
    pointPortAtSimulator(1);
    QCOMPARE(m_port->open(), CommPort::OpenError::None);
    CommandLink link(*m_port, m_clock, m_dialogs.notices);
    m_sim->setReply('5', "*+00100.00");
    m_sim->setFault('5', Fault::Late);
    QCOMPARE(transactNow(link, QStringLiteral("5")), QStringLiteral("TIMEOUT"));
    QTest::qWait(100); // the late reply arrives and waits in the buffer
    m_sim->setFault('5', Fault::None);
    m_sim->setReply('5', "*+00200.00");
    QCOMPARE(transactNow(link, QStringLiteral("5")), QStringLiteral("*+00200.00"));
}

void TestSerialLine::aCycleRunsAheadWhileRepliesAreNumbers() {
    pointPortAtSimulator(1);
    QCOMPARE(m_port->open(), CommPort::OpenError::None);
    CommandLink link(*m_port, m_clock, m_dialogs.notices);
    for (Group g : {Group::Flow, Group::Ph})
        link.setGroupOn(g, true);
    link.planCycle({{QStringLiteral("5"), Group::Flow},
                    {QStringLiteral("6"), Group::Ph},
                    {QStringLiteral("7"), Group::Ph},
                    {QStringLiteral("1"), Group::Therm}});
    m_sim->setFault('6', Fault::Silent);
    QVERIFY(transactNow(link, QStringLiteral("5")).startsWith('*'));
    // Probe 6 was read with the flow module, in one run: its reply is there, and as it is none,
    // handed on after one look that the device is still there.
    QString probe6;
    link.transact(QStringLiteral("6"), [&](const QString& reply) { probe6 = reply; });
    QTRY_COMPARE(probe6, QStringLiteral("TIMEOUT"));
    QCOMPARE(m_sim->frames(), (std::vector<std::string>{"$5RD", "$6RD"}));
    // The run stopped at the failure. Probe 7 is read when the cycle asks, and the run goes on
    // from there, but not to a group that is off.
    QVERIFY(transactNow(link, QStringLiteral("7")).startsWith('*'));
    QCOMPARE(m_sim->frames(), (std::vector<std::string>{"$5RD", "$6RD", "$7RD"}));
}

void TestSerialLine::aPortChangedDuringAWaitReadsAsClosed() {
    pointPortAtSimulator(1);
    QCOMPARE(m_port->open(), CommPort::OpenError::None);
    CommandLink link(*m_port, m_clock, m_dialogs.notices);
    bool done = false;
    QString reply = QStringLiteral("none");
    link.transact(QStringLiteral("2"), [&](const QString& r) {
        reply = r;
        done = true;
    });
    // As soon as the command is out, well within its wait.
    QElapsedTimer sent;
    sent.start();
    while (m_sim->frames().empty() && sent.elapsed() < 5000)
        std::this_thread::yield();
    m_port->close();
    QCOMPARE(m_port->open(), CommPort::OpenError::None); // the same device, within the wait
    QTRY_VERIFY(done);
    QCOMPARE(reply, QString());
    QVERIFY(m_dialogs.messages.isEmpty());
}

void TestSerialLine::aModuleThatDropsOffTheLine() {
    pointPortAtSimulator(1);
    QCOMPARE(m_port->open(), CommPort::OpenError::None);
    CommandLink link(*m_port, m_clock, m_dialogs.notices);
    QVERIFY(transactNow(link, QStringLiteral("2")).startsWith('*'));
    m_sim->dropOffLine();
    // No reply, and the line's far end is gone: the port closes, as for a pulled adapter.
    QVERIFY(!transactNow(link, QStringLiteral("2")).startsWith('*'));
    QTRY_VERIFY(!m_port->portOpen());
    // Away, not closed by the operator: transactions end at once and say nothing.
    QVERIFY(link.lineAway());
    QCOMPARE(transactNow(link, QStringLiteral("2")), QString());
    QVERIFY(m_dialogs.messages.isEmpty());
}

void TestSerialLine::portNumberConversion() {
    // The answer is a regional number: "2,5" on a German machine.
    const QString point = QLocale().decimalPoint();
    QCOMPARE(portNumberFromText(QStringLiteral("3")), std::optional<qint16>(3));
    QCOMPARE(portNumberFromText(" 2" + point + "5 "), std::optional<qint16>(2));
    QCOMPARE(portNumberFromText('3' + point + '5'), std::optional<qint16>(4));
    QCOMPARE(portNumberFromText(QStringLiteral("-32768")), std::optional<qint16>(-32768));
    for (const char* bad : {"", "COM3", "32768", "-32769", "1e9"})
        QVERIFY2(!portNumberFromText(QLatin1String(bad)), bad);
}

void TestSerialLine::selectingPorts() {
    pointPortAtSimulator(2);
    pointPortAtSimulator(4);
    pointPortAtSimulator(3);
    const QString point = QLocale().decimalPoint();
    const std::pair<QString, qint16> answers[] = {
        {'2' + point + '5', 2}, {'3' + point + '5', 4}, {QStringLiteral("3"), 3}};
    for (const auto& [answer, number] : answers) {
        m_dialogs.inputAnswers = {answer};
        selectPort(*m_port, m_dialogs);
        QVERIFY(m_port->portOpen());
        QCOMPARE(m_port->commPort(), number);
    }
    // The port that is already open is closed and opened again.
    m_dialogs.inputAnswers = {QStringLiteral("3")};
    selectPort(*m_port, m_dialogs);
    QVERIFY(m_port->portOpen());
    QVERIFY(m_dialogs.messages.isEmpty());
    QCOMPARE(m_dialogs.prompts.first(), QStringLiteral("Enter Commport Number|Commport Setup"));

    // Cancel and text that is no number fail silently and leave the port closed.
    for (const char* answer : {"", "COM3"}) {
        m_dialogs.inputAnswers = {QLatin1String(answer)};
        selectPort(*m_port, m_dialogs);
        QVERIFY(!m_port->portOpen());
        QVERIFY(m_dialogs.messages.isEmpty());
    }
}

void TestSerialLine::aPortHeldElsewhereIsReported() {
    pointPortAtSimulator(3);
    QProcess holder;
    holder.start(QStringLiteral(PORT_HOLDER), {QString::fromStdString(m_sim->devicePath())});
    QVERIFY(holder.waitForReadyRead(10000));
    QCOMPARE(holder.readAllStandardOutput(), QByteArray("held\n"));
    m_dialogs.inputAnswers = {QStringLiteral("3")};
    selectPort(*m_port, m_dialogs);
    QVERIFY(!m_port->portOpen());
    QCOMPARE(m_dialogs.texts(),
             QStringList{QStringLiteral("Port is already open, please select another one.")});
    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(10000));
    // Released by the other program, the same port opens.
    m_dialogs.inputAnswers = {QStringLiteral("3")};
    selectPort(*m_port, m_dialogs);
    QVERIFY(m_port->portOpen());
}

void TestSerialLine::anUnusableDeviceIsReported() {
    m_settings->location.setText(settingskeys::kPortsSection, QStringLiteral("9"),
                                 QStringLiteral("/dev/no-such-port"));
    // A pseudo-terminal whose far end has gone away no longer exists either.
    ModuleSimulator gone(9);
    QVERIFY(gone.start());
    m_settings->location.setText(settingskeys::kPortsSection, QStringLiteral("8"),
                                 QString::fromStdString(gone.devicePath()));
    gone.stop();
    m_dialogs.inputAnswers = {QStringLiteral("9"), QStringLiteral("-1"), QStringLiteral("8")};
    selectPort(*m_port, m_dialogs);
    selectPort(*m_port, m_dialogs); // no port -1
    selectPort(*m_port, m_dialogs);
    QVERIFY(!m_port->portOpen());
    const QString invalid = QStringLiteral("Invalid ComPort #, please select another one.");
    QCOMPARE(m_dialogs.texts(), (QStringList{invalid, invalid, invalid}));
}

QTEST_GUILESS_MAIN(TestSerialLine)
#include "tst_serialline.moc"
