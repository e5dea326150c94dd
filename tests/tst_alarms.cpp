// The alarm states with a clock that moves only when told: on-delay, deadband, acknowledging in
// each state, spikes, a value on its limit, silent modules, the limits' keys and the record.
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
    m_monitor->acknowledgeAll();
    QCOMPARE(ph1High(), State::Normal);
    QVERIFY(m_monitor->alarms().isEmpty());
    QCOMPARE(m_changes, (QStringList{"ph1-high raised", "ph1-high acknowledged", "ph1-high cleared",
                                     "ph1-high raised", "ph1-high cleared-unacknowledged",
                                     "ph1-high cleared"}));
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
}

void TestAlarms::limitsKeysAndProblems() {
    AlarmLimits limits;
    QVERIFY(setLimit(limits, QStringLiteral("t2-high"), QStringLiteral("30.5")));
    QVERIFY(setLimit(limits, QStringLiteral("lpm-delay"), QStringLiteral("2")));
    QVERIFY(setLimit(limits, QStringLiteral("flow-silent"), QStringLiteral("20")));
    QVERIFY(!setLimit(limits, QStringLiteral("t2-high"), QStringLiteral("30,5")));
    QVERIFY(!setLimit(limits, QStringLiteral("t4-high"), QStringLiteral("1")));
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

QTEST_GUILESS_MAIN(TestAlarms)
#include "tst_alarms.moc"
