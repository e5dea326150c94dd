#include "CommandLink.h"
#include "ReplyValue.h"
#include "ScriptedDialogs.h"
#include "TestDoubles.h"

#include <QTest>

using namespace std::chrono;

class TestCommandLink : public QObject {
    Q_OBJECT
private slots:
    void init();
    void framesTheCommand();
    void collectsReplies_data();
    void collectsReplies();
    void closedPortGivesTwoMessagesFromTheChannel();
    void aDeviceThatNeverStopsSendingDoesNotHang();
    void waitMsWaitsWholeMilliseconds();
    void waitMsSleepsInsteadOfSpinning();
    void parsesValueFields_data();
    void parsesValueFields();

private:
    InMemoryLine m_line;
    FakeClock m_clock;
    ScriptedDialogs m_dialogs;
};

void TestCommandLink::init() {
    m_line = InMemoryLine();
    m_clock = FakeClock();
    m_dialogs = ScriptedDialogs();
}

void TestCommandLink::framesTheCommand() {
    CommandLink link(m_line, m_clock, m_dialogs);
    m_line.replies.push_back("*+00021.50\r");
    QCOMPARE(link.readData(QStringLiteral("6")), QStringLiteral("*+00021.50"));
    QCOMPARE(m_line.written, QList<QByteArray>{QByteArray("$6RD\r")});
}

void TestCommandLink::collectsReplies_data() {
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<QString>("reply");
    QTest::newRow("plain") << QByteArray("*+02577.70\r") << "*+02577.70";
    QTest::newRow("stray characters dropped") << QByteArray("ab*+00021.50\r") << "*+00021.50";
    QTest::newRow("second start restarts") << QByteArray("*12*+00021.50\r") << "*+00021.50";
    QTest::newRow("top bit set") << QByteArray("\xaa+00021.50\r") << "*+00021.50";
    QTest::newRow("carriage return late") << QByteArray("*+00021.50") << "TIMEOUT";
    QTest::newRow("trailing character") << QByteArray("*+00021.50\r\n") << "TIMEOUT";
    QTest::newRow("empty buffer") << QByteArray() << "TIMEOUT";
    QTest::newRow("no start character") << QByteArray("+00021.50\r") << "TIMEOUT";
    QTest::newRow("error reply") << QByteArray("?ERR\r") << "?ERR";
}

void TestCommandLink::collectsReplies() {
    QFETCH(QByteArray, buffer);
    QFETCH(QString, reply);
    CommandLink link(m_line, m_clock, m_dialogs);
    m_line.replies.push_back(buffer);
    link.SendCommand(QStringLiteral("$1RD\r"));
    QCOMPARE(link.ReceiveReply(), reply);
    QCOMPARE(m_line.buffer.size(), 0); // the drain empties the buffer
    QVERIFY(m_dialogs.messages.isEmpty());
}

void TestCommandLink::closedPortGivesTwoMessagesFromTheChannel() {
    CommandLink link(m_line, m_clock, m_dialogs);
    m_line.open = false;
    link.SendCommand(QStringLiteral("$1RD\r"));
    QCOMPARE(m_dialogs.messages.size(), 1);
    QCOMPARE(m_dialogs.messages[0].text, QStringLiteral("Port Not open"));
    QCOMPARE(m_dialogs.messages[0].title, QStringLiteral("Port Failure"));
    QVERIFY(m_line.written.isEmpty());
    const auto before = m_clock.time;
    QCOMPARE(link.ReceiveReply(), QString());
    QVERIFY(m_clock.time - before < milliseconds(1)); // returns at once, no wait
}

void TestCommandLink::aDeviceThatNeverStopsSendingDoesNotHang() {
    CommandLink link(m_line, m_clock, m_dialogs);
    m_line.endless = true;
    link.SendCommand(QStringLiteral("$5RD\r"));
    QCOMPARE(link.ReceiveReply(), QStringLiteral("TIMEOUT"));
}

void TestCommandLink::waitMsWaitsWholeMilliseconds() {
    CommandLink link(m_line, m_clock, m_dialogs);
    for (const auto& [ms, whole] : {std::pair{35.9f, 35}, {35.0f, 35}, {0.9f, 0}, {1.5f, 1}}) {
        const auto start = m_clock.time;
        link.WaitMs(ms);
        const auto waited = m_clock.time - start;
        QVERIFY2(waited >= milliseconds(whole), qPrintable(QString::number(ms)));
        QVERIFY2(waited < milliseconds(whole) + microseconds(300), qPrintable(QString::number(ms)));
    }
}

void TestCommandLink::waitMsSleepsInsteadOfSpinning() {
    CommandLink link(m_line, m_clock, m_dialogs);
    link.WaitMs(35);
    // All but the last millisecond is slept; the spin reads the clock only a few dozen times.
    QVERIFY(m_clock.slept >= milliseconds(33));
    QVERIFY(m_clock.reads < 40);
}

void TestCommandLink::parsesValueFields_data() {
    QTest::addColumn<QString>("reply");
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("value");
    const int invalid = int(ReplyValue::Kind::Invalid), empty = int(ReplyValue::Kind::Empty),
              number = int(ReplyValue::Kind::Number);
    QTest::newRow("positive") << "*+00021.50" << number << 21.5;
    QTest::newRow("negative sign kept") << "*-00003.25" << number << -3.25;
    QTest::newRow("other second character") << "*X00003.25" << number << 3.25;
    QTest::newRow("short value") << "*+12" << number << 12.0;
    QTest::newRow("value longer than eight") << "*+0002150.0099" << number << 2150.0;
    QTest::newRow("star and one character") << "*+" << empty << 0.0;
    QTest::newRow("not a number") << "*+ABCDEFGH" << invalid << 0.0;
    QTest::newRow("timeout") << "TIMEOUT" << invalid << 0.0;
    QTest::newRow("error") << "?ERR" << invalid << 0.0;
    QTest::newRow("empty") << "" << invalid << 0.0;
}

void TestCommandLink::parsesValueFields() {
    QFETCH(QString, reply);
    QFETCH(int, kind);
    QFETCH(double, value);
    const ReplyValue v = parseReplyValue(reply);
    QCOMPARE(int(v.kind), kind);
    if (v.kind == ReplyValue::Kind::Number)
        QCOMPARE(v.value, value);
}

QTEST_APPLESS_MAIN(TestCommandLink)
#include "tst_commandlink.moc"
