// The read cycle against the module simulator on a pseudo-terminal, up to the whole program
// polling live readings.
#include "MainWindowFixture.h"
#include "SystemUser.h"
#include "TestLocale.h"

#include "AlarmsDialog.h"
#include "ReadoutLabel.h"
#include "RegionalText.h"
#include "SlideIndicator.h"
#include "TwoStateButton.h"

#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
std::vector<std::string> addresses(const std::vector<std::string>& frames) {
    std::vector<std::string> out;
    for (const std::string& f : frames)
        out.push_back(f.substr(1, 1));
    return out;
}
} // namespace

class TestAcquisition : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useLocale(QStringLiteral("en_US")); }
    void cycleReadsGroupsInOrder();
    void cycleWithEveryGroupOffSendsNothing();
    void aFailingProbeStillReadsTheOther();
    void cyclesNeverNest();
    void theReadTimerHoldsWhileACycleRuns();
    void aClosedPortGivesTwoMessagesAndSwitchesOff();
    void wholeProgramShowsLiveReadings();
    void operatorChoicesDuringAWait();
    void aGroupOffMidCycleShowsNothingItRead();
    void ticksKeepTheirScheduleAndApplyCountsFromNow();
    void aPhOutOfRangeAlarmsInTheWindow();
};

void TestAcquisition::cycleReadsGroupsInOrder() {
    MainWindowFixture f;
    f.start();
    f.find<TwoStateButton>("cwbFlow")->setValue(true);
    f.find<TwoStateButton>("cwbTherm")->setValue(true);
    f.readCycle();
    QCOMPARE(addresses(f.simulator.frames()), (std::vector<std::string>{"5", "1", "2", "3"}));
    f.simulator.clearFrames();
    f.find<TwoStateButton>("cwbPh")->setValue(true);
    // The window gets the cycle's readouts together at its end, so it paints once a cycle.
    int shown = 0, shownMidCycle = 0;
    QObject::connect(&f.acquisition, &Acquisition::readoutShown, [&] {
        ++shown;
        shownMidCycle += f.acquisition.cycleRunning();
    });
    f.readCycle();
    QCOMPARE(shown, 10);
    QCOMPARE(shownMidCycle, 0);
    QCOMPARE(addresses(f.simulator.frames()),
             (std::vector<std::string>{"5", "6", "7", "1", "2", "3"}));
    QVERIFY(f.dialogs.messages.isEmpty());
    QVERIFY(f.state.therm1 > 10 && f.state.therm1 < 30);
    QVERIFY(f.state.flowHz > 0);
    QCOMPARE(f.find<QLabel>("lblTherm1")->text(), regional::numberText(f.state.therm1));
}

void TestAcquisition::cycleWithEveryGroupOffSendsNothing() {
    MainWindowFixture f;
    f.start();
    f.readCycle();
    QVERIFY(f.simulator.frames().empty());
}

void TestAcquisition::aFailingProbeStillReadsTheOther() {
    MainWindowFixture f;
    f.start();
    f.simulator.setFault('6', ModuleSimulator::Fault::Silent);
    f.find<TwoStateButton>("cwbPh")->setValue(true);
    f.readCycle();
    QCOMPARE(f.dialogs.texts(), QStringList{QStringLiteral("NO VALID RETURN FROM pH MODULE")});
    QCOMPARE(addresses(f.simulator.frames()), (std::vector<std::string>{"6", "7"}));
    QVERIFY(!f.state.phOn);
    QVERIFY(!f.find<TwoStateButton>("cwbPh")->value());
    QVERIFY(f.state.probe2mV > 2000); // probe 2 was read in the same cycle
    f.simulator.clearFrames();
    f.readCycle();
    QVERIFY(f.simulator.frames().empty());
}

void TestAcquisition::cyclesNeverNest() {
    MainWindowFixture f;
    f.start();
    f.simulator.setFault('1', ModuleSimulator::Fault::Silent);
    f.find<TwoStateButton>("cwbTherm")->setValue(true);
    // Ticks that fall due while a failure message is open do nothing.
    int ticksDuringMessages = 0;
    f.dialogs.onMessage = [&](const QString&) {
        if (++ticksDuringMessages > 1)
            return;
        emit f.acquisition.readTimer().tick();
        emit f.acquisition.readTimer().tick();
        QVERIFY(f.dialogs.messages.size() == 1); // nothing started inside the message
    };
    f.readCycle();
    QVERIFY(f.state.thermOn); // thermistor 1 alone does not switch the group off
    // The ticks were not queued: one cycle waited, and ran when the first one ended.
    QTRY_COMPARE(f.dialogs.messages.size(), 2);
    QCOMPARE(f.dialogs.texts().first(), QStringLiteral("No valid return from thermistor 1"));
    QTRY_VERIFY(!f.acquisition.cycleRunning());
    QCOMPARE(addresses(f.simulator.frames()),
             (std::vector<std::string>{"1", "2", "3", "1", "2", "3"}));
    QCOMPARE(f.dialogs.messages.size(), 2);
}

void TestAcquisition::theReadTimerHoldsWhileACycleRuns() {
    MainWindowFixture f;
    f.start();
    f.find<TwoStateButton>("cwbTherm")->setValue(true);
    int started = 0;
    QObject::connect(&f.acquisition, &Acquisition::cycleStarted, [&] { ++started; });
    f.acquisition.applyRate(100); // 100 ms: shorter than a cycle, which then sets the rate
    QTRY_VERIFY(f.acquisition.cycleRunning());
    QVERIFY(!f.acquisition.readTimer().isTicking()); // no tick would do anything but wait
    QTRY_VERIFY(started >= 3);
    // At 1000 ms the timer counts the rest of the period from the tick that started the cycle.
    f.acquisition.applyRate(1000);
    QTRY_VERIFY(!f.acquisition.cycleRunning());
    QVERIFY(f.acquisition.readTimer().isTicking());
    QCOMPARE(f.acquisition.readTimer().interval(), 1000);
}

void TestAcquisition::aClosedPortGivesTwoMessagesAndSwitchesOff() {
    MainWindowFixture f;
    f.start();
    f.port.close();
    f.find<TwoStateButton>("cwbFlow")->setValue(true);
    f.readCycle();
    QCOMPARE(f.dialogs.texts(), (QStringList{QStringLiteral("Port Not open"),
                                             QStringLiteral("NO VALID RETURN FROM FLOW MODULE")}));
    QVERIFY(!f.state.flowOn);
    QCOMPARE(f.find<QLabel>("lblHz")->text(), QString());
}

void TestAcquisition::wholeProgramShowsLiveReadings() {
    MainWindowFixture f;
    f.start();
    for (const char* name : {"cwbFlow", "cwbPh", "cwbTherm"})
        QTest::mouseClick(f.find<TwoStateButton>(name), Qt::LeftButton);
    auto* rate = f.find<QComboBox>("cmbUpdate");
    rate->setCurrentIndex(2);
    QTest::mouseClick(f.find<QPushButton>("Command2"), Qt::LeftButton);
    QCOMPARE(f.acquisition.readTimer().interval(), 250);

    auto* therm3 = f.find<QLabel>("lblTherm3");
    auto* ph2 = f.find<QLabel>("lblpH1");
    QTRY_VERIFY_WITH_TIMEOUT(therm3->text() != QLatin1String("000"), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(f.simulator.frames().size() >= 12, 5000); // two full cycles
    QVERIFY(f.dialogs.messages.isEmpty());
    double v = 0;
    QVERIFY(regional::parseNumber(ph2->text(), &v));
    QVERIFY(v > 4 && v < 10);
    QVERIFY(regional::parseNumber(f.find<QLabel>("lblHz")->text(), &v));
    QVERIFY(regional::parseNumber(f.find<QLabel>("liters")->text(), &v));

    // A module goes silent: its message, and its group switched off.
    f.simulator.setFault('6', ModuleSimulator::Fault::Silent);
    QTRY_VERIFY_WITH_TIMEOUT(!f.state.phOn, 5000);
    QVERIFY(f.dialogs.texts().contains(QStringLiteral("NO VALID RETURN FROM pH MODULE")));
    QCOMPARE(f.find<TwoStateButton>("cwbPh")->text(), QStringLiteral("Enable DGH"));
    QCOMPARE(f.find<QLabel>("lblpH")->text(), QString());
    QVERIFY(f.state.flowOn && f.state.thermOn);
}

void TestAcquisition::operatorChoicesDuringAWait() {
    MainWindowFixture f;
    f.start();
    auto* ph = f.find<TwoStateButton>("cwbPh");
    ph->setValue(true);
    emit f.acquisition.readTimer().tick();
    QVERIFY(f.link.waiting()); // the tick returned: the window is free while probe 6 is awaited
    f.find<TwoStateButton>("cwbTherm")->setValue(true); // on during the wait: the next cycle
    QTest::mouseClick(ph, Qt::LeftButton);              // off during the wait: reply discarded
    QTRY_VERIFY(!f.acquisition.cycleRunning());
    QCOMPARE(addresses(f.simulator.frames()), std::vector<std::string>{"6"});
    QCOMPARE(f.state.probe1mV, 0.0);
    QCOMPARE(f.find<QLabel>("lblmV")->text(), QString());
    QVERIFY(f.dialogs.messages.isEmpty());
    f.simulator.clearFrames();
    f.readCycle();
    QCOMPARE(addresses(f.simulator.frames()), (std::vector<std::string>{"1", "2", "3"}));

    // Another port chosen during a wait (here cancelled): that read ends as on a closed port.
    emit f.acquisition.readTimer().tick();
    QVERIFY(f.link.waiting());
    f.find<QAction>("mnuComPort")->trigger();
    QTRY_VERIFY(!f.acquisition.cycleRunning());
    QCOMPARE(f.dialogs.texts(), (QStringList{"No valid return from thermistor 1", "Port Not open",
                                             "No valid return from thermistor 2", "Port Not open",
                                             "No valid return from thermistor 3"}));
    QVERIFY(!f.state.thermOn);
}

void TestAcquisition::aGroupOffMidCycleShowsNothingItRead() {
    MainWindowFixture f;
    f.start();
    f.find<TwoStateButton>("cwbTherm")->setValue(true);
    f.readCycle();
    const double therm1 = f.state.therm1;
    f.simulator.setReply('1', ModuleSimulator::replyFor(31.5));
    f.simulator.setFault('3', ModuleSimulator::Fault::Silent);
    f.readCycle();
    QCOMPARE(f.dialogs.texts(), QStringList{QStringLiteral("No valid return from thermistor 3")});
    // Thermistors 1 and 2 were read before the switch-off: neither shown nor kept.
    for (const char* name : {"lblTherm1", "lblTherm2", "lblTherm3"})
        QCOMPARE(f.find<QLabel>(name)->text(), QString());
    QCOMPARE(f.state.therm1, therm1);
    QCOMPARE(f.find<SlideIndicator>("CWSlideTherm1")->displayedValue(), 0.0);
}

// A fake clock and a line in memory: each cycle reads the flow module and takes its 35 ms at once.
void TestAcquisition::ticksKeepTheirScheduleAndApplyCountsFromNow() {
    using namespace std::chrono;
    MeasurementState state;
    InMemoryLine line;
    FakeClock clock;
    ScriptedDialogs dialogs;
    CommandLink link(line, clock, dialogs.notices);
    Acquisition acquisition(state, link, dialogs.notices, clock);
    acquisition.setGroup(Group::Flow, true);
    const auto reply = [&line] { line.replies.push_back(QByteArrayLiteral("*+00100.00\r")); };

    acquisition.applyRate(250);
    const nanoseconds start = clock.time;
    // Every wake-up late by up to 40 ms: the ticks stay on start + k x 250 ms.
    for (int k = 1; k <= 1000; ++k) {
        QCOMPARE(acquisition.nextTickDue(), start + k * 250ms);
        clock.time = acquisition.nextTickDue() + milliseconds(k * 7 % 41);
        reply();
        emit acquisition.readTimer().tick();
    }
    QCOMPARE(acquisition.nextTickDue(), start + 1001 * 250ms);

    // Applied during a cycle's wait: the next tick a full period after the apply.
    nanoseconds appliedAt{};
    clock.beforeCallback = [&] {
        appliedAt = clock.time;
        acquisition.applyRate(1000);
        clock.beforeCallback = nullptr;
    };
    clock.time = acquisition.nextTickDue();
    reply();
    emit acquisition.readTimer().tick();
    QVERIFY(!acquisition.cycleRunning());
    QCOMPARE(acquisition.nextTickDue(), appliedAt + 1000ms);
    QVERIFY(dialogs.messages.isEmpty());
}

void TestAcquisition::aPhOutOfRangeAlarmsInTheWindow() {
    MainWindowFixture f;
    MainWindow& w = f.start();
    // The limits as the operator sets them, in the region's numbers.
    AlarmsDialog limits(f.alarms, f.alarmSettings, f.settings.location, f.dialogs);
    limits.findChild<QLineEdit*>(QStringLiteral("txt_ph1_high"))->setText(QStringLiteral("8"));
    limits.findChild<QLineEdit*>(QStringLiteral("txt_ph1_low"))->setText(QStringLiteral("9"));
    limits.confirm(); // low above high: refused
    QVERIFY(f.dialogs.texts().value(0).contains(QStringLiteral("must be below")));
    limits.findChild<QLineEdit*>(QStringLiteral("txt_ph1_low"))->clear();
    limits.findChild<QLineEdit*>(QStringLiteral("txt_ph1_delay"))->setText(QStringLiteral("0"));
    limits.confirm();
    QCOMPARE(f.settings.location.text(QStringLiteral("Alarms"), QStringLiteral("ph1-high"), {}),
             QStringLiteral("8"));
    const auto name = [](QWidget* w) {
        return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
    };
    auto* ph1 = f.find<ReadoutLabel>("lblpH");
    auto* strip = w.findChild<QLabel*>(QStringLiteral("lblAlarms"));
    f.find<TwoStateButton>("cwbPh")->setValue(true);
    f.simulator.setReply('6', "*+02971.60"); // pH 8.6 at the thermistor's 0 degrees
    f.readCycle();
    QVERIFY2(name(ph1).endsWith(QStringLiteral(", alarm HIGH, not acknowledged")),
             qPrintable(name(ph1)));
    QVERIFY(strip->isVisible() && strip->text().startsWith(QStringLiteral("pH1 HIGH 8.60 > 8.00")));
    QTest::keyClick(&w, Qt::Key_F9);
    QVERIFY(name(ph1).endsWith(QStringLiteral(", alarm HIGH, acknowledged")));
    f.simulator.setReply('6', "*+02577.70");
    f.readCycle();
    QVERIFY(!name(ph1).contains(QStringLiteral("alarm")));
    QVERIFY(!strip->isVisible());
    QList<QByteArray> lines;
    const auto read = [&] {
        QFile record(f.settings.dir.filePath(QStringLiteral("alarms.csv")));
        record.open(QIODevice::ReadOnly);
        return (lines = record.readAll().split('\n')).size();
    };
    QTRY_COMPARE(read(), 5); // heading, three changes, and the end of the last
    QVERIFY2(lines[1].contains(",ph1,high,8,8.5999") && lines[1].endsWith(",raised"), lines[1]);
    // Acknowledged at the desktop: by its user.
    QVERIFY2(lines[2].endsWith(",acknowledged,\"" + systemUserName().toUtf8() + '"'), lines[2]);
    QVERIFY(lines[3].contains(",ph1,high,8,7") && lines[3].endsWith(",cleared"));
    // Back inside before anybody saw it: the readout says so, as the strip does.
    f.simulator.setReply('6', "*+02971.60");
    f.readCycle();
    f.simulator.setReply('6', "*+02577.70");
    f.readCycle();
    QVERIFY2(name(ph1).endsWith(QStringLiteral(", alarm HIGH, back to normal, not acknowledged")),
             qPrintable(name(ph1)));
    QVERIFY2(strip->text().startsWith(QStringLiteral("pH1 HIGH cleared at 7.00 (limit 8.00)")),
             qPrintable(strip->text()));
}

QTEST_MAIN(TestAcquisition)
#include "tst_acquisition.moc"
