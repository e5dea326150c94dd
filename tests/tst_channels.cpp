#include "Channels.h"
#include "CommandLink.h"
#include "MeasurementState.h"
#include "RegionalText.h"
#include "ScriptedDialogs.h"
#include "TestDoubles.h"
#include "TestLocale.h"

#include <QTest>

class TestChannels : public QObject {
    Q_OBJECT
private slots:
    void init();
    void phWorkedValues_data();
    void phWorkedValues();
    void phUsesTheSelectedThermistor();
    void phAddressesTouchOnlyTheirProbe();
    void phFailuresSwitchTheGroupOff();
    void phEmptyValueChangesNothing();
    void phUndefinedConversionKeepsThePh();
    void negativeReadingsKeepTheirSign();
    void flowConversions_data();
    void flowConversions();
    void flowTotalCountsPulsesOverRealTime();
    void flowTotalAfterReset();
    void flowFailure();
    void thermistorsInOrder();
    void thermistorEmptyValueEndsTheRoutine();
    void thermistorFailures();
    void valueTextThatIsNotANumberIsAFailure();

private:
    void reply(const char* text) { m_line.replies.push_back(QByteArray(text) + '\r'); }
    // A flow read whose command goes out the given seconds after the group was switched on.
    void readFlowAt(double seconds) {
        m_clock.time = m_start + std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::duration<double>(seconds));
        m_channels->ReadFlow();
    }

    MeasurementState m_state;
    InMemoryLine m_line;
    FakeClock m_clock;
    ScriptedDialogs m_dialogs;
    RecordingPanel m_panel;
    std::unique_ptr<CommandLink> m_link;
    std::unique_ptr<Channels> m_channels;
    std::chrono::nanoseconds m_start{};
};

void TestChannels::init() {
    m_state = MeasurementState();
    m_state.offset1 = m_state.offset2 = 2.5777;
    m_state.slope1 = m_state.slope2 = 4.5427;
    m_line = InMemoryLine();
    m_dialogs = ScriptedDialogs();
    m_panel = RecordingPanel();
    m_link = std::make_unique<CommandLink>(m_line, m_clock, m_dialogs.notices);
    m_channels = std::make_unique<Channels>(m_state, *m_link, m_panel, m_dialogs.notices, m_clock);
    m_channels->flowSwitchedOn();
    m_start = m_clock.time;
}

void TestChannels::phWorkedValues_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<double>("ph");
    QTest::addColumn<QString>("phText");
    QTest::newRow("at the offset") << QByteArray("*+02577.70") << 7.0 << "7";
    QTest::newRow("3000 mV") << QByteArray("*+03000.00") << 8.5714 << "8.5714";
    QTest::newRow("2000 mV") << QByteArray("*+02000.00") << 4.8503 << "4.8503";
}

void TestChannels::phWorkedValues() {
    QFETCH(QByteArray, reply);
    QFETCH(double, ph);
    QFETCH(QString, phText);
    useLocale(QStringLiteral("en_US"));
    m_state.therm1 = 25;
    m_line.replies.push_back(reply + '\r');
    m_channels->ReadPhProbe(QStringLiteral("6"));
    QCOMPARE(m_state.ph1, ph);
    QCOMPARE(m_state.probe1Volts, m_state.probe1mV / 1000);
    QCOMPARE(m_panel.readouts[Readout::Probe1pH], phText);
    QCOMPARE(m_state.compTemp, 25.0);
    QCOMPARE(m_line.written.front(), QByteArray("$6RD\r"));
}

void TestChannels::phUsesTheSelectedThermistor() {
    // Never chosen: thermistor 1, at 0 degrees before any read.
    reply("*+03000.00");
    m_channels->ReadPhProbe(QStringLiteral("7"));
    QCOMPARE(m_state.compTemp, 0.0);
    m_state.therm1 = 99;
    m_state.therm3 = 10;
    m_state.probe2ThermSel = 3;
    reply("*+03000.00");
    m_channels->ReadPhProbe(QStringLiteral("7"));
    QCOMPARE(m_state.compTemp, 10.0);
    const double expected = (3.0 - 2.5777) / 0.000198416 / 4.5427 / 283.15 + 7;
    QCOMPARE(m_state.ph2, std::round(expected * 10000) / 10000);
}

void TestChannels::phAddressesTouchOnlyTheirProbe() {
    reply("*+03000.00");
    m_channels->ReadPhProbe(QStringLiteral("6"));
    QCOMPARE(m_state.probe2mV, 0.0);
    QCOMPARE(m_state.ph2, 0.0);
    QVERIFY(!m_panel.readouts.contains(Readout::Probe2pH));
    reply("*+02000.00");
    m_channels->ReadPhProbe(QStringLiteral("7"));
    QCOMPARE(m_state.probe1mV, 3000.0);
    QCOMPARE(m_state.probe2mV, 2000.0);
    QCOMPARE(m_panel.readouts[Readout::Probe2mV], QStringLiteral("2000"));
}

void TestChannels::phFailuresSwitchTheGroupOff() {
    for (const char* bad : {"?ERR", "", "nonsense"}) {
        init();
        m_state.probe1mV = 1234;
        if (*bad)
            reply(bad);
        m_channels->ReadPhProbe(QStringLiteral("6"));
        QCOMPARE(m_dialogs.texts(), QStringList{QStringLiteral("NO VALID RETURN FROM pH MODULE")});
        QCOMPARE(m_dialogs.messages[0].title, QString()); // the program's own title
        QCOMPARE(m_panel.switchedOff, QList<Group>{Group::Ph});
        QCOMPARE(m_state.probe1mV, 1234.0);
    }
    // A closed port: the port's own message first, then the channel's.
    init();
    m_line.open = false;
    m_channels->ReadPhProbe(QStringLiteral("7"));
    QCOMPARE(m_dialogs.texts(), (QStringList{QStringLiteral("Port Not open"),
                                             QStringLiteral("NO VALID RETURN FROM pH MODULE")}));
}

void TestChannels::phEmptyValueChangesNothing() {
    reply("*+");
    m_channels->ReadPhProbe(QStringLiteral("6"));
    QVERIFY(m_dialogs.messages.isEmpty());
    QVERIFY(m_panel.readouts.isEmpty());
    QVERIFY(m_panel.switchedOff.isEmpty());
}

void TestChannels::phUndefinedConversionKeepsThePh() {
    m_state.ph1 = 6.5;
    m_state.slope1 = 0;
    reply("*+03000.00");
    m_channels->ReadPhProbe(QStringLiteral("6"));
    QCOMPARE(m_state.ph1, 6.5);
    QCOMPARE(m_state.probe1mV, 3000.0);
    QCOMPARE(m_panel.readouts[Readout::Probe1pH], QStringLiteral("---"));
    QVERIFY(m_dialogs.messages.isEmpty());

    m_state.slope1 = 4.5427;
    m_state.therm1 = -273.15;
    reply("*+02577.70"); // 0/0 at absolute zero
    m_channels->ReadPhProbe(QStringLiteral("6"));
    QCOMPARE(m_state.ph1, 6.5);
    QCOMPARE(m_panel.readouts[Readout::Probe1pH], QStringLiteral("---"));
}

void TestChannels::negativeReadingsKeepTheirSign() {
    useLocale(QStringLiteral("en_US"));
    m_line.replies = {"*-00003.25\r", "*+00021.50\r", "*+00022.00\r"};
    m_channels->ReadThermistors();
    QCOMPARE(m_state.therm1, -3.25);
    QCOMPARE(m_panel.readouts[Readout::Therm1], QStringLiteral("-3.25"));
    reply("*-00012.50");
    m_channels->ReadPhProbe(QStringLiteral("6"));
    QCOMPARE(m_state.probe1mV, -12.5);
    QCOMPARE(m_state.compTemp, -3.25);
}

void TestChannels::flowConversions_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<double>("hz");
    QTest::addColumn<double>("lpm");
    QTest::addColumn<double>("countGrowth");
    QTest::newRow("100 Hz") << QByteArray("*+00100.00") << 100.0 << 0.87 << 100.0;
    QTest::newRow("12345 Hz") << QByteArray("*+12345.00") << 12345.0 << 107.35 << 12345.0;
    QTest::newRow("above 90000") << QByteArray("*+99999.99") << 0.0 << 0.0 << 0.0;
    QTest::newRow("exactly 90000") << QByteArray("*+90000.00") << 90000.0 << 782.61 << 90000.0;
}

void TestChannels::flowConversions() {
    QFETCH(QByteArray, reply);
    QFETCH(double, hz);
    QFETCH(double, lpm);
    QFETCH(double, countGrowth);
    useLocale(QStringLiteral("en_US"));
    m_state.totalCount = 500;
    m_line.replies.push_back(reply + '\r');
    readFlowAt(1.0);
    QCOMPARE(m_state.flowHz, hz);
    QCOMPARE(m_state.litersPerMin, lpm);
    QCOMPARE(m_state.totalCount, 500 + countGrowth);
    QCOMPARE(m_panel.readouts[Readout::LitersPerMin], regional::numberText(lpm));
    QCOMPARE(m_panel.order,
             (QStringList{"readout:7", "readout:8", "slide:3", "readout:9", "slide:4"}));
}

void TestChannels::flowTotalCountsPulsesOverRealTime() {
    // 6900 Hz for one second is one litre, whatever the update rate.
    reply("*+06900.00");
    readFlowAt(1);
    QCOMPARE(m_state.totalLiters, 1.0);
    reply("*+06900.00");
    readFlowAt(2);
    QCOMPARE(m_state.totalLiters, 2.0);
    for (int i = 1; i <= 10; ++i) { // ten reads 100 ms apart: one more litre
        reply("*+06900.00");
        readFlowAt(2 + 0.1 * i);
    }
    QCOMPARE(m_state.totalLiters, 3.0);
    reply("*+06900.00");
    readFlowAt(13); // the start-up rate
    QCOMPARE(m_state.totalLiters, 13.0);
    QCOMPARE(m_panel.slides[Slide::Liters], 13.0);
    // A read with nothing usable credits nothing; the next good one takes the whole span.
    reply("*+");
    readFlowAt(14);
    reply("*+06900.00");
    readFlowAt(15);
    QCOMPARE(m_state.totalLiters, 15.0);

    // Switched off at 15 s and on again at 100 s: the first read counts from the switch only.
    m_clock.time = m_start + std::chrono::seconds(100);
    m_channels->flowSwitchedOn();
    reply("*+06900.00");
    readFlowAt(100.5);
    QCOMPARE(m_state.totalLiters, 15.5);
}

void TestChannels::flowTotalAfterReset() {
    m_state.totalCount = 12.5 * 6900;
    m_state.totalLiters = 12.5;
    m_state.totalCount = 0; // the totaliser's reset button
    QCOMPARE(m_state.totalLiters, 12.5);
    reply("*+00069.00");
    readFlowAt(1);
    QCOMPARE(m_state.totalLiters, 0.01);
}

void TestChannels::flowFailure() {
    m_state.totalCount = 42;
    reply("TIMEOUT-ish");
    readFlowAt(1);
    QCOMPARE(m_dialogs.texts(), QStringList{QStringLiteral("NO VALID RETURN FROM FLOW MODULE")});
    QCOMPARE(m_panel.switchedOff, QList<Group>{Group::Flow});
    QCOMPARE(m_state.totalCount, 42.0);
}

void TestChannels::thermistorsInOrder() {
    useLocale(QStringLiteral("en_US"));
    m_line.replies = {"*+00021.50\r", "*+00022.00\r", "*+00023.25\r"};
    m_channels->ReadThermistors();
    QCOMPARE(m_line.written, (QList<QByteArray>{"$1RD\r", "$2RD\r", "$3RD\r"}));
    QCOMPARE(m_state.therm1, 21.5);
    QCOMPARE(m_state.therm3, 23.25);
    QCOMPARE(m_panel.readouts[Readout::Therm1], QStringLiteral("21.5"));
    QCOMPARE(m_panel.order,
             (QStringList{"readout:0", "slide:0", "readout:1", "slide:1", "readout:2", "slide:2"}));
}

void TestChannels::thermistorEmptyValueEndsTheRoutine() {
    m_line.replies = {"*+\r", "*+00022.00\r", "*+00023.25\r"};
    m_channels->ReadThermistors();
    QCOMPARE(m_line.written.size(), 1);
    QVERIFY(m_dialogs.messages.isEmpty());
    QCOMPARE(m_state.therm2, 0.0);
}

void TestChannels::thermistorFailures() {
    m_line.replies = {"*+00021.50\r", "?\r", "*+00023.25\r"};
    m_channels->ReadThermistors();
    QCOMPARE(m_dialogs.texts(), QStringList{QStringLiteral("No valid return from thermistor 2")});
    QVERIFY(m_panel.switchedOff.isEmpty());
    QCOMPARE(m_state.therm3, 23.25);

    m_dialogs = ScriptedDialogs();
    m_line.replies = {"*+00021.50\r", "*+00022.00\r", "?\r"};
    m_channels->ReadThermistors();
    QCOMPARE(m_dialogs.texts(), QStringList{QStringLiteral("No valid return from thermistor 3")});
    QCOMPARE(m_panel.switchedOff, QList<Group>{Group::Therm});
    QCOMPARE(m_state.therm3, 23.25); // the last good value stays
}

void TestChannels::valueTextThatIsNotANumberIsAFailure() {
    reply("*+0002X.50");
    readFlowAt(1);
    reply("*-9.99e307"); // exponent form: the modules never send it
    m_channels->ReadPhProbe(QStringLiteral("6"));
    m_line.replies = {"*+00021.50\r", "*+00022.00\r", "*+--------\r"};
    m_channels->ReadThermistors();
    QCOMPARE(m_dialogs.texts(), (QStringList{QStringLiteral("NO VALID RETURN FROM FLOW MODULE"),
                                             QStringLiteral("NO VALID RETURN FROM pH MODULE"),
                                             QStringLiteral("No valid return from thermistor 3")}));
    QCOMPARE(m_panel.switchedOff, (QList<Group>{Group::Flow, Group::Ph, Group::Therm}));
    QCOMPARE(m_state.flowHz, 0.0);
    QCOMPARE(m_state.probe1mV, 0.0);
}

QTEST_APPLESS_MAIN(TestChannels)
#include "tst_channels.moc"
