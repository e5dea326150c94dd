#include "CommandLink.h"
#include "ReplyValue.h"
#include "ScriptedDialogs.h"
#include "TestDoubles.h"
#include "TestLocale.h"

#include <QTest>
#include <memory>

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
    void waitMsLetsTheEventLoopRun();
    void aDiscardedReplyIsStillDrained();
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
    CommandLink link(m_line, m_clock, m_dialogs.notices);
    m_line.replies.push_back("*+00021.50\r");
    QString reply;
    link.transact(QStringLiteral("6"), [&](const QString& r) { reply = r; });
    QCOMPARE(reply, QStringLiteral("*+00021.50"));
    QCOMPARE(m_line.written, QList<QByteArray>{QByteArray("$6RD\r")});
    QCOMPARE(m_clock.waited, milliseconds(35)); // counted from the command
    QVERIFY(!link.waiting());
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
    CommandLink link(m_line, m_clock, m_dialogs.notices);
    m_line.replies.push_back(buffer);
    link.SendCommand(QStringLiteral("$1RD\r"));
    QCOMPARE(link.ReceiveReply(), reply);
    QCOMPARE(m_line.buffer.size(), 0); // the drain empties the buffer
    QVERIFY(m_dialogs.messages.isEmpty());
}

void TestCommandLink::closedPortGivesTwoMessagesFromTheChannel() {
    CommandLink link(m_line, m_clock, m_dialogs.notices);
    m_line.open = false;
    link.SendCommand(QStringLiteral("$1RD\r"));
    QCOMPARE(m_dialogs.messages.size(), 1);
    QCOMPARE(m_dialogs.messages[0].text, QStringLiteral("Port Not open"));
    QCOMPARE(m_dialogs.messages[0].title, QStringLiteral("Port Failure"));
    QVERIFY(m_line.written.isEmpty());
    QCOMPARE(link.ReceiveReply(), QString());
    // A transaction on the closed port hands back empty text at once, without a wait.
    QString reply = QStringLiteral("unset");
    link.transact(QStringLiteral("1"), [&](const QString& r) { reply = r; });
    QCOMPARE(reply, QString());
    QCOMPARE(m_clock.waits, 0);
}

void TestCommandLink::aDeviceThatNeverStopsSendingDoesNotHang() {
    CommandLink link(m_line, m_clock, m_dialogs.notices);
    m_line.endless = true;
    link.SendCommand(QStringLiteral("$5RD\r"));
    QCOMPARE(link.ReceiveReply(), QStringLiteral("TIMEOUT"));
}

void TestCommandLink::waitMsWaitsWholeMilliseconds() {
    CommandLink link(m_line, m_clock, m_dialogs.notices);
    for (const auto& [ms, whole] : {std::pair{35.9f, 35}, {35.0f, 35}, {0.9f, 0}, {1.5f, 1}}) {
        m_clock = FakeClock();
        bool done = false;
        link.WaitMs(ms, [&] { done = true; });
        QVERIFY(done);
        QCOMPARE(m_clock.waited, milliseconds(whole));
        QCOMPARE(m_clock.waits, whole > 0 ? 1 : 0); // one timer, no spinning
    }
}

void TestCommandLink::waitMsLetsTheEventLoopRun() {
    // The real clock's timers run in the event loop, and the window goes on meanwhile.
    SteadyClock clock;
    CommandLink link(m_line, clock, m_dialogs.notices);
    const auto start = clock.now();
    bool done = false;
    link.WaitMs(35, [&] { done = true; });
    QVERIFY(!done);
    QTRY_VERIFY(done);
    QVERIFY(clock.now() - start >= milliseconds(35));

    // One timer serves every pending call: they come in deadline order, not in the order asked,
    // and a call whose context is gone never comes.
    QStringList order;
    auto gone = std::make_unique<QObject>();
    clock.callAfter(milliseconds(30), &link, [&] { order << "30"; });
    clock.callAfter(milliseconds(10), gone.get(), [&] { order << "gone"; });
    clock.callAfter(milliseconds(20), &link, [&] { order << "20"; });
    gone.reset();
    QTRY_COMPARE(order, QStringList({"20", "30"}));
}

void TestCommandLink::aDiscardedReplyIsStillDrained() {
    CommandLink link(m_line, m_clock, m_dialogs.notices);
    // The wait completes at once with the fake clock; discard from inside the send instead.
    m_line.replies.push_back("*+00021.50\r");
    bool handled = false, instead = false;
    m_clock.beforeCallback = [&] { link.discardWaitingReply([&] { instead = true; }); };
    link.transact(QStringLiteral("1"), [&](const QString&) { handled = true; });
    QVERIFY(instead && !handled);
    QCOMPARE(m_line.buffer.size(), 0);
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
    QTest::newRow("blank padded") << "*+   7.5  " << number << 7.5;
    QTest::newRow("leading point") << "*+.5" << number << 0.5;
    QTest::newRow("only blanks") << "*+        " << invalid << 0.0;
    // The modules send plain fixed-point decimals and nothing else.
    QTest::newRow("exponent") << "*-9.99e307" << invalid << 0.0;
    QTest::newRow("capital exponent") << "*+1E3" << invalid << 0.0;
    QTest::newRow("infinity") << "*+inf" << invalid << 0.0;
    QTest::newRow("nan") << "*+nan" << invalid << 0.0;
    QTest::newRow("hexadecimal") << "*+0x10" << invalid << 0.0;
    QTest::newRow("comma") << "*+0021,50" << invalid << 0.0;
    QTest::newRow("two points") << "*+1.2.3" << invalid << 0.0;
    QTest::newRow("two signs") << "*+--5" << invalid << 0.0;
    QTest::newRow("lone point") << "*+." << invalid << 0.0;
    QTest::newRow("timeout") << "TIMEOUT" << invalid << 0.0;
    QTest::newRow("error") << "?ERR" << invalid << 0.0;
    QTest::newRow("empty") << "" << invalid << 0.0;
}

void TestCommandLink::parsesValueFields() {
    useLocale(QStringLiteral("de_DE")); // a reply is read with "." whatever the region
    QFETCH(QString, reply);
    QFETCH(int, kind);
    QFETCH(double, value);
    const ReplyValue v = parseReplyValue(reply);
    QCOMPARE(int(v.kind), kind);
    if (v.kind == ReplyValue::Kind::Number)
        QCOMPARE(v.value, value);
}

QTEST_GUILESS_MAIN(TestCommandLink)
#include "tst_commandlink.moc"
