// The alarm states with a clock that moves only when told: on-delay, deadband, acknowledging in
// each state, spikes, a value on its limit, silent modules, the limits' keys and the record.
#include "AlarmFeed.h"
#include "AlarmLimits.h"
#include "AlarmMonitor.h"
#include "AlarmRecord.h"
#include "TestDoubles.h"

#include <QTest>

using namespace std::chrono;
using State = Alarm::State;

class TestAlarms : public QObject {
    Q_OBJECT
private slots:
    void init();
    void onDelayAndDeadband();
    void acknowledgingInEachState();
    void aSpikeOrAValueOnTheLimitAlarmsOnceAtMost();
    void aSilentGroupAlarmsAndClears();
    void limitsKeysAndProblems();
    void recordLines();
    void acknowledgementsSentToTheBroker();

private:
    void read(double value, seconds after = 1s) {
        m_clock.time += after;
        m_monitor->valueRead(Quantity::Ph1, value);
    }
    State ph1High() const {
        for (const Alarm& a : m_monitor->alarms())
            if (a.id() == u"ph1-high")
                return a.state;
        return State::Normal;
    }

    FakeClock m_clock;
    std::unique_ptr<AlarmMonitor> m_monitor;
    QStringList m_changes;
};

void TestAlarms::init() {
    m_monitor = std::make_unique<AlarmMonitor>(m_clock);
    AlarmLimits limits;
    limits.of(Quantity::Ph1).high = 8.0; // deadband 0.05, on-delay 5 s by default
    limits.of(Quantity::Ph1).low = 6.0;
    m_monitor->setLimits(limits);
    m_changes.clear();
    connect(m_monitor.get(), &AlarmMonitor::changed, this,
            [this](const Alarm& a) { m_changes << a.id() + ' ' + a.stateWord(); });
}

void TestAlarms::onDelayAndDeadband() {
    read(8.5, 0s);
    for (int s = 1; s < 5; ++s)
        read(8.5);
    QCOMPARE(ph1High(), State::Normal); // 4 s beyond: not yet
    read(8.5);
    QCOMPARE(ph1High(), State::ActiveUnacknowledged);
    read(7.97); // inside, but not by the deadband
    QCOMPARE(ph1High(), State::ActiveUnacknowledged);
    read(7.94);
    QCOMPARE(ph1High(), State::ClearedUnacknowledged);
    QCOMPARE(m_changes, (QStringList{"ph1-high raised", "ph1-high cleared-unacknowledged"}));
    // The low side, the same way round.
    for (int s = 0; s <= 5; ++s)
        read(5.9);
    QCOMPARE(m_changes.last(), QStringLiteral("ph1-low raised"));
    QCOMPARE(m_monitor->stateOf(Readout::Probe1pH), State::ActiveUnacknowledged);
}

void TestAlarms::acknowledgingInEachState() {
    m_monitor->acknowledgeAll(); // nothing standing: nothing changes
    QVERIFY(m_changes.isEmpty());
    for (int s = 0; s <= 5; ++s)
        read(8.5);
    m_monitor->acknowledge(QStringLiteral("ph1-high"));
    QCOMPARE(ph1High(), State::ActiveAcknowledged);
    QVERIFY(!m_monitor->anyUnacknowledged());
    read(7.9); // back after it was seen: normal at once
    QCOMPARE(ph1High(), State::Normal);
    for (int s = 0; s <= 5; ++s)
        read(8.5);
    read(7.9); // back before anyone saw it
    QCOMPARE(ph1High(), State::ClearedUnacknowledged);
    QVERIFY(m_monitor->anyUnacknowledged());
    // The screen reader and the strip tell it as returned, with a true comparison.
    const Alarm returned = m_monitor->alarms().value(0);
    QVERIFY(returned.returned());
    QVERIFY2(returned.text().startsWith(
                 QStringLiteral("pH1 HIGH cleared at %1 (limit %2), raised ")
                     .arg(QLocale().toString(7.9, 'f', 2), QLocale().toString(8.0, 'f', 2))),
             qPrintable(returned.text()));
    std::optional<Alarm> acknowledgement;
    connect(m_monitor.get(), &AlarmMonitor::changed, this,
            [&](const Alarm& a) { acknowledgement = a; });
    m_monitor->acknowledgeAll(QStringLiteral("night, \"shift\""));
    QCOMPARE(ph1High(), State::Normal);
    QVERIFY(m_monitor->alarms().isEmpty());
    // A person's acknowledgement, not the value's return, with who gave it.
    QCOMPARE(m_changes, (QStringList{"ph1-high raised", "ph1-high acknowledged", "ph1-high cleared",
                                     "ph1-high raised", "ph1-high cleared-unacknowledged",
                                     "ph1-high acknowledged"}));
    QVERIFY(AlarmRecord::lineOf(*acknowledgement, QDateTime::currentDateTime())
                .endsWith(",acknowledged,\"night, \"\"shift\"\"\"\n"));

    // A rig whose returned alarms need nobody: back inside, it is over.
    m_monitor->setAcknowledgeReturned(false);
    for (int s = 0; s <= 5; ++s)
        read(8.5);
    read(7.9);
    QCOMPARE(ph1High(), State::Normal);
    QCOMPARE(m_changes.last(), QStringLiteral("ph1-high cleared"));
}

void TestAlarms::aSpikeOrAValueOnTheLimitAlarmsOnceAtMost() {
    // Beyond for 4 s, then back: no alarm, and the delay starts over.
    for (int s = 0; s < 4; ++s)
        read(9.0);
    read(7.0);
    for (int s = 0; s < 4; ++s)
        read(9.0);
    QVERIFY(m_changes.isEmpty());
    // With no delay, a value that swings across the limit by less than the deadband: one alarm.
    AlarmLimits limits = m_monitor->limits();
    limits.of(Quantity::Ph1).onDelaySeconds = 0;
    m_monitor->setLimits(limits);
    for (int i = 0; i < 50; ++i)
        read(i % 2 ? 8.01 : 7.99);
    QCOMPARE(m_changes, QStringList{"ph1-high raised"});
}

void TestAlarms::aSilentGroupAlarmsAndClears() {
    const std::array<bool, 3> flowOn{false, true, false};
    m_monitor->checkSilence(flowOn);
    m_clock.time += 9s;
    m_monitor->checkSilence(flowOn);
    m_monitor->groupRead(Group::Flow);
    m_clock.time += 9s;
    m_monitor->checkSilence(flowOn);
    QVERIFY(m_changes.isEmpty());
    m_clock.time += 1s; // 10 s without a good read
    m_monitor->checkSilence(flowOn);
    m_monitor->checkSilence(flowOn);
    QCOMPARE(m_changes, QStringList{"flow-silent raised"});
    const Alarm silent = m_monitor->alarms().value(0);
    QCOMPARE(silent.subject(), QStringLiteral("flow module"));
    QCOMPARE(silent.value, 10.0);
    m_monitor->groupRead(Group::Flow);
    QCOMPARE(m_changes.last(), QStringLiteral("flow-silent cleared-unacknowledged"));
    // A group switched off is expected to say nothing.
    m_clock.time += 60s;
    m_monitor->checkSilence({false, false, false});
    QCOMPARE(m_changes.size(), 2);

    // A module's failure switched its group off: the alarm stands, off or not, until
    // acknowledged.
    m_monitor->acknowledgeAll();
    m_monitor->checkSilence(flowOn);
    m_clock.time += 3s;
    m_monitor->groupFailedOff(Group::Flow);
    QCOMPARE(m_changes.last(), QStringLiteral("flow-silent raised"));
    QCOMPARE(m_monitor->alarms().value(0).text().section(QStringLiteral(" since"), 0, 0),
             QStringLiteral("flow module SILENT: module failed, group switched off"));
    m_clock.time += 60s;
    m_monitor->checkSilence({false, false, false});
    QCOMPARE(m_monitor->alarms().size(), 1);
    m_monitor->acknowledgeAll();
    QCOMPARE(m_changes.last(), QStringLiteral("flow-silent acknowledged"));
    QVERIFY(m_monitor->alarms().isEmpty());
}

void TestAlarms::limitsKeysAndProblems() {
    AlarmLimits limits;
    QVERIFY(setLimit(limits, QStringLiteral("t2-high"), QStringLiteral("30.5")));
    QVERIFY(setLimit(limits, QStringLiteral("lpm-delay"), QStringLiteral("2")));
    QVERIFY(setLimit(limits, QStringLiteral("flow-silent"), QStringLiteral("20")));
    QVERIFY(!setLimit(limits, QStringLiteral("t2-high"), QStringLiteral("30,5")));
    QVERIFY(!setLimit(limits, QStringLiteral("t4-high"), QStringLiteral("1")));
    // No limit, deadband, delay or silence can be other than a finite number in range.
    for (const char* value : {"nan", "inf", "-inf", "NaN", "1e999"})
        for (const char* key : {"t1-high", "t1-deadband", "t1-delay", "therm-silent"})
            QVERIFY2(!setLimit(limits, QLatin1String(key), QLatin1String(value)), value);
    for (const auto& [key, value] : {std::pair{"t1-high", "2e6"},
                                     {"t1-deadband", "-1"},
                                     {"t1-delay", "86401"},
                                     {"flow-silent", "0"},
                                     {"ph-silent", "1e9"}}) {
        AlarmLimits outOfRange;
        QVERIFY(setLimit(outOfRange, QLatin1String(key), QLatin1String(value)));
        QVERIFY2(limitsProblem(outOfRange), key);
    }
    QCOMPARE(*limits.of(Quantity::Therm2).high, 30.5);
    QCOMPARE(limits.of(Quantity::Therm2).deadband, 0.2);
    QVERIFY(!limitsProblem(limits));
    QVERIFY(setLimit(limits, QStringLiteral("t2-low"), QStringLiteral("31")));
    QVERIFY(limitsProblem(limits)->contains(QStringLiteral("T2")));
    QVERIFY(setLimit(limits, QStringLiteral("t2-low"), QString())); // unset again
    AlarmLimits again;
    for (const auto& [key, value] : limitEntries(limits))
        QVERIFY2(setLimit(again, key, value), qPrintable(key));
    QCOMPARE(limitEntries(again), limitEntries(limits));
}

void TestAlarms::recordLines() {
    Alarm a;
    a.quantity = Quantity::Ph1;
    a.kind = Alarm::Kind::High;
    a.limit = 8;
    a.value = 8.52;
    a.state = State::ActiveUnacknowledged;
    const QDateTime at(QDate(2026, 12, 9), QTime(14, 2, 11, 250), Qt::OffsetFromUTC, 3600);
    QCOMPARE(AlarmRecord::lineOf(a, at),
             QByteArrayLiteral("2026-12-09T14:02:11.250+01:00,ph1,high,8,8.52,raised\n"));
}

void TestAlarms::acknowledgementsSentToTheBroker() {
    using Ack = std::pair<QString, QString>;
    QCOMPARE(AlarmFeed::acknowledgementOf("all"), std::optional(Ack{"all", "MQTT"}));
    QCOMPARE(AlarmFeed::acknowledgementOf(R"({"id":"ph1-high","by":"night shift"})"),
             std::optional(Ack{"ph1-high", "night shift"}));
    for (const char* bad : {"", "{}", "ph1", "everything", R"({"id":"x;rm","by":"a"})", "\x1b[2J"})
        QVERIFY2(!AlarmFeed::acknowledgementOf(bad), bad);
}

QTEST_GUILESS_MAIN(TestAlarms)
#include "tst_alarms.moc"
