// Faults an unattended run meets, each against the real operating-system object: a FIFO or a
// folder where a file belongs, a log folder removed while logging, ports that are no ports, and
// one device under two names.
#include "MainWindowFixture.h"
#include "TestLocale.h"

#include "BoundedCall.h"
#include "LogSession.h"
#include "PortPrompt.h"
#include "PortSelection.h"
#include "StatusPanels.h"
#include "TwoStateButton.h"
#include "WidgetDialogs.h"
#include "WindowTimer.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// The real writer behind the session the window uses, with its messages recorded.
struct Logging {
    MeasurementState state;
    ScriptedDialogs dialogs;
    LogSession session{state, dialogs.notices};
};
} // namespace

class TestFaults : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useLocale(QStringLiteral("en_US")); }
    void aLogPathThatIsNoFileIsRefused();
    void aRemovedLogFolderStopsLogging();
    void unattendedALogFolderRemovedAndBackIsWrittenAgain();
    void settingsThatAreNoFileGiveTheDefaults();
    void entriesThatAreNoPortAreInvalid();
    void oneDeviceUnderTwoNamesIsOnePort();
    void aFailingThermistorLeavesTheOperatorASecond();
    void aSilentModuleAlarmsWhileItsBoxWaits();
    void aPulledAdapterIsNamedAndReopenedWhenBack();
    void aPortWithoutPermissionSaysWhy();
    void aNoticeInsideACycleOpensNoLoopOfItsOwn();
    void aFileSystemThatStopsAnsweringHoldsNothing();
};

void TestFaults::aLogPathThatIsNoFileIsRefused() {
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& path : {fifo, dir.path()}) {
        Logging l;
        l.session.setLogPath(path);
        // Opening a FIFO that nobody reads would never return.
        QVERIFY(!l.session.openLog(LogWriter::Mode::Append));
        QCOMPARE(l.dialogs.messages.size(), 1);
        QVERIFY(
            l.dialogs.messages[0].text.startsWith(QStringLiteral("The log file %1 cannot be opened")
                                                      .arg(QDir::toNativeSeparators(path))));
        QVERIFY(!l.session.fileOpen());
    }
}

void TestFaults::aRemovedLogFolderStopsLogging() {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("run"));
    QVERIFY(QDir().mkpath(folder));
    Logging l;
    l.session.setLogPath(folder + QStringLiteral("/log.txt"));
    QVERIFY(l.session.openLog(LogWriter::Mode::Overwrite));
    l.session.tick();
    QVERIFY(QDir(folder).removeRecursively());
    // Within a second of the removal logging stops, with one message naming the path.
    QTRY_VERIFY_WITH_TIMEOUT((l.session.tick(), !l.session.fileOpen()), 3000);
    l.session.tick();
    QCOMPARE(l.dialogs.messages.size(), 1);
    QVERIFY(l.dialogs.messages[0].text.contains(l.session.logPath()));
    QVERIFY(l.dialogs.messages[0].text.contains(QStringLiteral("Logging has stopped")));
}

// Without an operator: one message when the folder goes, the path tried again at each row, one
// more when it is back, and the new file starts with its header.
void TestFaults::unattendedALogFolderRemovedAndBackIsWrittenAgain() {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("run"));
    QVERIFY(QDir().mkpath(folder));
    MeasurementState state;
    ScriptedDialogs dialogs;
    LogSession session{state, dialogs.notices, LogSession::OnFailure::Reopen};
    session.setLogPath(folder + QStringLiteral("/log.txt"));
    QVERIFY(session.openLog(LogWriter::Mode::Overwrite));
    QVERIFY(QDir(folder).removeRecursively());
    QTRY_VERIFY_WITH_TIMEOUT((session.tick(), dialogs.messages.size() == 1), 3000);
    QVERIFY(dialogs.messages[0].text.contains(QStringLiteral("It is tried again at each row")));
    QVERIFY(QDir().mkpath(folder));
    QTRY_VERIFY_WITH_TIMEOUT((session.tick(), dialogs.messages.size() == 2), 3000);
    QVERIFY(dialogs.messages[1].text.contains(QStringLiteral("is written again")));
    session.stop();
    QFile log(session.logPath());
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray content = log.readAll();
    QCOMPARE(content.count("Corvik pH probe Logging Program"), 1);
    QVERIFY(content.endsWith(",0,0,0,0,0,0,0,0,0,\"000\"\r\n"));
}

void TestFaults::settingsThatAreNoFileGiveTheDefaults() {
    MainWindowFixture f;
    QFile::remove(f.settings.location.fileName());
    QCOMPARE(::mkfifo(QFile::encodeName(f.settings.location.fileName()).constData(), 0600), 0);
    f.start(); // returns: nothing waits on the FIFO
    QCOMPARE(f.state.offset1, 2.5777);
    QCOMPARE(f.state.slope2, 4.5427);
    const QStringList texts = f.dialogs.texts().filter(QStringLiteral("settings file"));
    QCOMPARE(texts.size(), 1);
    QVERIFY(texts[0].contains(f.settings.location.fileName()));
}

void TestFaults::entriesThatAreNoPortAreInvalid() {
    TempSettings settings;
    QTemporaryDir dir;
    const QString plainFile = dir.filePath(QStringLiteral("not-a-port"));
    QFile(plainFile).open(QIODevice::WriteOnly);
    CommPort port(settings.location);
    ScriptedDialogs dialogs;
    for (const QString& entry : {dir.path(), QString(), plainFile}) {
        settings.location.setText(settingskeys::kPortsSection, QStringLiteral("2"), entry);
        dialogs.messages.clear();
        dialogs.inputAnswers = {QStringLiteral("2")};
        selectPort(port, dialogs);
        QVERIFY2(!port.portOpen(), qPrintable(entry));
        QCOMPARE(dialogs.texts(),
                 QStringList{QStringLiteral("Invalid ComPort #, please select another one.")});
    }
}

void TestFaults::oneDeviceUnderTwoNamesIsOnePort() {
    TempSettings settings;
    ModuleSimulator simulator(2);
    QVERIFY(simulator.start());
    const QString link = settings.dir.filePath(QStringLiteral("ttyDGH"));
    QVERIFY(simulator.linkTo(link.toStdString()));
    // Another program holds the device under its link name ...
    QProcess holder;
    holder.start(QStringLiteral(PORT_HOLDER), {link});
    QVERIFY(holder.waitForReadyRead(10000));
    // ... and this one asks for it under its real name.
    settings.location.setText(settingskeys::kPortsSection, QStringLiteral("1"),
                              QString::fromStdString(simulator.devicePath()));
    CommPort port(settings.location);
    ScriptedDialogs dialogs;
    dialogs.inputAnswers = {QStringLiteral("1")};
    selectPort(port, dialogs);
    QVERIFY(!port.portOpen());
    QCOMPARE(dialogs.texts(),
             QStringList{QStringLiteral("Port is already open, please select another one.")});
    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(10000));
}

void TestFaults::aSilentModuleAlarmsWhileItsBoxWaits() {
    MainWindowFixture f;
    f.start();
    AlarmLimits limits;
    limits.silentSeconds[size_t(Group::Ph)] = 1;
    limits.of(Quantity::Therm1).high = -100; // T1 always beyond, at once
    limits.of(Quantity::Therm1).onDelaySeconds = 0;
    f.alarms.setLimits(limits);
    f.dialogs.holdTold = true;
    f.simulator.setFault('6', ModuleSimulator::Fault::Silent);
    f.simulator.setFault('7', ModuleSimulator::Fault::Silent);
    f.find<TwoStateButton>("cwbPh")->setValue(true);
    f.find<TwoStateButton>("cwbTherm")->setValue(true);
    const auto standing = [&f] {
        QStringList ids;
        for (const Alarm& a : f.alarms.alarms())
            ids << a.id() + ' ' + a.stateWord();
        return ids;
    };
    // The box waits unanswered; the cycles go on, the thermistors' limit alarm comes, and so does
    // the pH modules' silence, once, with one box for each module.
    QElapsedTimer waited;
    waited.start();
    while (!standing().contains(QStringLiteral("ph-silent raised")) && waited.elapsed() < 5000)
        f.readCycle();
    QCOMPARE(standing(), (QStringList{"ph-silent raised", "t1-high raised"}));
    QVERIFY2(f.dialogs.texts() == QStringList(2, QStringLiteral("NO VALID RETURN FROM pH MODULE")),
             qPrintable(f.dialogs.texts().join(" / ")));
    QVERIFY(f.find<TwoStateButton>("cwbPh")->value());
    // OK: the group goes off, and its alarm stands, saying so, until acknowledged.
    f.dialogs.held.takeFirst()();
    QVERIFY(!f.find<TwoStateButton>("cwbPh")->value());
    f.dialogs.held.takeFirst()();
    f.readCycle();
    QVERIFY2(f.alarms.alarms().value(0).text().contains(
                 QStringLiteral("module failed, group switched off")),
             qPrintable(f.alarms.alarms().value(0).text()));
    f.alarms.acknowledge(QStringLiteral("ph-silent"));
    QCOMPARE(standing(), QStringList{"t1-high raised"});
    const auto recorded = [&f] {
        QFile record(f.settings.dir.filePath(QStringLiteral("alarms.csv")));
        return record.open(QIODevice::ReadOnly) ? record.readAll().count(",ph,silent,1,") : -1;
    };
    QTRY_COMPARE(recorded(), 3); // raised, switched off, acknowledged
}

void TestFaults::aFailingThermistorLeavesTheOperatorASecond() {
    MainWindowFixture f;
    f.start();
    f.simulator.setFault('2', ModuleSimulator::Fault::Silent);
    QList<qint64> shownAt;
    QElapsedTimer clock;
    clock.start();
    f.dialogs.onMessage = [&](const QString&) { shownAt.append(clock.elapsed()); };
    f.acquisition.applyRate(100);
    f.find<TwoStateButton>("cwbTherm")->setValue(true);
    QTRY_COMPARE_WITH_TIMEOUT(shownAt.size(), 2, 5000);
    // A box for each failed read, but never sooner than a second after the last one closed.
    QVERIFY2(shownAt[1] - shownAt[0] >= 1000, qPrintable(QString::number(shownAt[1] - shownAt[0])));
    // In that second the operator reaches the switch, and no further box comes.
    QTest::mouseClick(f.find<TwoStateButton>("cwbTherm"), Qt::LeftButton);
    QVERIFY(!f.state.thermOn);
    QTRY_VERIFY(!f.acquisition.cycleRunning());
    QCOMPARE(f.dialogs.texts(),
             QStringList(2, QStringLiteral("No valid return from thermistor 2")));
}

void TestFaults::aPulledAdapterIsNamedAndReopenedWhenBack() {
    MainWindowFixture f(false);
    // Port 1 is the adapter's stable name, as /dev/serial/by-id gives one.
    const QString adapter = f.settings.dir.filePath(QStringLiteral("usb-adapter"));
    auto first = std::make_unique<ModuleSimulator>(5);
    QVERIFY(first->start() && first->linkTo(adapter.toStdString()));
    f.settings.location.setText(settingskeys::kPortsSection, QStringLiteral("1"), adapter);
    f.start();
    auto* status = f.find<StatusPanels>("StatusBar1");
    const QString device = QString::fromStdString(first->devicePath());
    QCOMPARE(status->panelText(5), device);
    for (const char* name : {"cwbFlow", "cwbPh", "cwbTherm", "cwPlot"})
        f.find<TwoStateButton>(name)->setValue(true);
    f.acquisition.applyRate(250);
    QTRY_VERIFY(first->frames().size() >= 12);

    first.reset(); // pulled out: the far end is gone, and its name with it
    QFile::remove(adapter);
    QTRY_VERIFY(!f.port.portOpen());
    int cycles = 0;
    connect(&f.acquisition, &Acquisition::cycleFinished, [&] { ++cycles; });
    QTRY_VERIFY_WITH_TIMEOUT(cycles >= 10, 5000);
    // Said once; the cycles skip the line meanwhile and leave the switches as they are.
    QVERIFY2(f.dialogs.texts().size() == 1, qPrintable(f.dialogs.texts().join(" | ")));
    QVERIFY(f.dialogs.texts()[0].contains(QStringLiteral("has gone")));
    QVERIFY(f.dialogs.texts()[0].contains(device));
    QCOMPARE(status->panelText(5), device + QStringLiteral(" (away)"));
    QVERIFY(f.state.flowOn && f.state.phOn && f.state.thermOn);
    QVERIFY(!f.find<QLabel>("lblTherm1")->text().isEmpty());
    QTest::mouseClick(f.find<TwoStateButton>("cwPlot"), Qt::LeftButton);
    QVERIFY(!f.window->plotTimer().isEnabled());

    // Plugged in again under the same name: open again, said in panel 5, and read at once.
    ModuleSimulator second(6);
    QVERIFY(second.start() && second.linkTo(adapter.toStdString()));
    QTRY_VERIFY_WITH_TIMEOUT(second.frames().size() >= 6, 3000);
    QVERIFY(status->panelText(5).contains(QStringLiteral("back again")));
    QCOMPARE(f.dialogs.texts().size(), 1);

    // A port the operator closed is the closed port's behaviour, as before.
    f.dialogs.inputAnswers = {QString()};
    f.find<QAction>("mnuComPort")->trigger();
    QCOMPARE(status->panelText(5), QStringLiteral("Port closed"));
    QTRY_VERIFY(f.dialogs.texts().contains(QStringLiteral("Port Not open")));
}

void TestFaults::aPortWithoutPermissionSaysWhy() {
    ModuleSimulator simulator(3);
    QVERIFY(simulator.start());
    const QString device = QString::fromStdString(simulator.devicePath());
    QProcess probe;
    if (::geteuid() == 0) // as an ordinary user, who may not use a root-owned terminal
        probe.start(QStringLiteral("setpriv"),
                    {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                     QStringLiteral("--clear-groups"), QStringLiteral(PORT_HOLDER), device});
    else
        probe.start(QStringLiteral(PORT_HOLDER), {device});
    QVERIFY(probe.waitForFinished(10000));
    const QString said = QString::fromLocal8Bit(probe.readAllStandardOutput());
    QVERIFY2(said.startsWith(QStringLiteral("invalid You have no permission to use ") + device),
             qPrintable(said));
    QVERIFY2(said.contains(QStringLiteral("usermod -aG")), qPrintable(said));
}

void TestFaults::aFileSystemThatStopsAnsweringHoldsNothing() {
    // Opening a FIFO that nobody reads blocks as a dead network mount does.
    QTemporaryDir dir;
    const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("stuck")));
    QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
    int beats = 0;
    QTimer heartbeat;
    connect(&heartbeat, &QTimer::timeout, [&] { ++beats; });
    heartbeat.start(10);
    QElapsedTimer waited;
    waited.start();
    BoundedWorker worker;
    const auto threads = [] { return QDir(QStringLiteral("/proc/self/task")).count(); };
    const qsizetype before = threads();
    for (int row = 0; row < 50; ++row) // one thread for them all, not one a row
        QVERIFY(worker.run([] { return true; }) == BoundedResult::Succeeded);
    QCOMPARE(threads(), before + 1);
    auto stuck = [fifo] {
        QFile file(QString::fromLocal8Bit(fifo));
        return file.open(QIODevice::WriteOnly);
    };
    // Waited for: no longer than its bound.
    QVERIFY(worker.run(stuck, std::chrono::milliseconds(300)) == BoundedResult::TimedOut);
    QVERIFY(waited.elapsed() < 2000);
    // Handed on: the caller goes on at once, the event loop runs, and the answer is the timeout.
    std::optional<BoundedResult> answer;
    worker.post(
        stuck, &heartbeat, [&](BoundedResult result) { answer = result; },
        std::chrono::milliseconds(300));
    QVERIFY(!answer);
    QTRY_VERIFY_WITH_TIMEOUT(answer.has_value(), 2000);
    QVERIFY(*answer == BoundedResult::TimedOut);
    QVERIFY(beats >= 5); // the event loop ran meanwhile
    // The held thread is left to it: the next operation does not wait behind it.
    QVERIFY(worker.run([] { return true; }, std::chrono::milliseconds(300)) ==
            BoundedResult::Succeeded);
    // A reader lets both abandoned operations finish.
    QFile reader(QString::fromLocal8Bit(fifo));
    QVERIFY(reader.open(QIODevice::ReadOnly));
}

// A failing module's notice comes from inside a read cycle's reply handler: the real box opens
// without a loop of its own, so the handler returns at once and the cycle ends; the same words
// again while the box waits add no second box, and its OK answers both.
void TestFaults::aNoticeInsideACycleOpensNoLoopOfItsOwn() {
    MainWindowFixture f;
    WidgetDialogs boxes;
    f.start();
    f.instrument.notices.setSink([&boxes](Notice notice) { boxes.tell(std::move(notice)); });
    f.simulator.setFault('6', ModuleSimulator::Fault::Silent);
    f.find<TwoStateButton>("cwbPh")->setValue(true);
    f.readCycle(); // returns: no box holds the cycle
    QMessageBox* box = nullptr;
    QTRY_VERIFY((box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())));
    QCOMPARE(box->text(), QStringLiteral("NO VALID RETURN FROM pH MODULE"));
    QVERIFY(f.find<TwoStateButton>("cwbPh")->value()); // off only after OK
    int answered = 0;
    boxes.tell({.text = box->text(), .answered = [&answered] { ++answered; }});
    const auto boxesShown = [] {
        const QWidgetList all = QApplication::allWidgets();
        return std::count_if(all.begin(), all.end(), [](QWidget* w) {
            return qobject_cast<QMessageBox*>(w) && w->isVisible();
        });
    };
    QCOMPARE(boxesShown(), 1);
    box->button(QMessageBox::Ok)->click();
    QCOMPARE(answered, 1);
    QTRY_VERIFY(!f.find<TwoStateButton>("cwbPh")->value());
    QTRY_VERIFY(!qobject_cast<QMessageBox*>(QApplication::activeModalWidget()));
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
