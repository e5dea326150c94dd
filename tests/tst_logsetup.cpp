// The "Logger" dialog and logging from the main window.
#include "MainWindowFixture.h"
#include "RecordedRun.h"
#include "TestLocale.h"

#include "CalibrationDialog.h"
#include "Clipping.h"
#include "FocusOrder.h"
#include "LogSetupDialog.h"
#include "StatusPanels.h"
#include "TwoStateButton.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {
struct Logger {
    MainWindowFixture& f;
    LogSetupDialog* dialog() const { return f.window->logSetupDialog(); }
    template <typename T> T* control(const char* name) const {
        return dialog()->findChild<T*>(QLatin1String(name));
    }
    void setup() const { f.find<QAction>("mnuLogSetup")->trigger(); }
    void click(const char* name) const {
        QTest::mouseClick(control<QAbstractButton>(name), Qt::LeftButton);
    }
    void chooseInterval(int index) const {
        control<QComboBox>("cmbInterval")->setCurrentIndex(index);
    }
    StatusPanels* status() const { return f.find<StatusPanels>("StatusBar1"); }
    // Setup, "Write to File", "Overwrite", the file, an interval from the list, OK.
    void logToFile(const QString& path, int interval) const {
        setup();
        click("optDatafile_1");
        click("optAppend_1");
        f.dialogs.fileAnswers = {path};
        click("cmdSelect");
        chooseInterval(interval);
        click("cmdExit");
    }
};

int rowsIn(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return int(file.readAll().count("\"\r\n")) - 11; // header lines ending in a quote: 11
}
} // namespace

class TestLogSetup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useLocale(QStringLiteral("en_US")); }
    void dialogControls();
    void intervalEntriesAreRegional();
    void okWithoutAnyIntervalKeepsTheDialogOpen();
    void noSaveLoggingAndStop();
    void saveModeRuleAndSelectFile();
    void writeToFileNeedsAnOpenMode();
    void logsRowsToAFileAndStops();
    void aGermanLogHasFullStopRowsAndARegionalHeader();
    void openModesAndSaveModesAreTwoPairs();
    void aLargerFontShowsEveryCaptionWhole();
    void intervalsFromTheList();
    void anEarlierIntervalIsKept();
    void aFileThatCannotBeOpenedKeepsTheDialogOpen();
    void closingFromTheFrameUnloadsTheDialog();
};

void TestLogSetup::dialogControls() {
    MainWindowFixture f;
    f.start();
    Logger log{f};
    log.setup();
    LogSetupDialog* d = log.dialog();
    QVERIFY(d && d->isVisible() && !d->isModal());
    QCOMPARE(d->windowTitle(), QStringLiteral("Logger"));
    QVERIFY(!f.find<QAction>("mnuLogSetup")->isEnabled());
    QVERIFY(f.find<QAction>("mnuStop")->isEnabled());
    const std::pair<const char*, const char*> controls[] = {
        {"cmdExit", "OK"},
        {"cmdSelect", "Select File"},
        {"optDatafile_0", "No Save"},
        {"optDatafile_1", "Write to File"},
        {"optAppend_0", "Append"},
        {"optAppend_1", "Overwrite"},
    };
    for (const auto& [name, caption] : controls)
        QCOMPARE(log.control<QAbstractButton>(name)->text(), QLatin1String(caption));
    QCOMPARE(clippedTexts(d), QStringList());
    QCOMPARE(log.control<QRadioButton>("optDatafile_0")->parentWidget()->objectName(),
             QStringLiteral("Frame1"));
    QCOMPARE(log.control<QRadioButton>("optAppend_0")->parentWidget(), d);
    QCOMPARE(log.control<QLabel>("Label1")->text(), QStringLiteral("Logging Interval(sec)"));
    // Load chose "No Save" and its rule; no open mode and no interval chosen.
    QVERIFY(log.control<QRadioButton>("optDatafile_0")->isChecked());
    QVERIFY(!log.control<QRadioButton>("optAppend_0")->isChecked());
    QVERIFY(!log.control<QRadioButton>("optAppend_1")->isChecked());
    QVERIFY(!log.control<QRadioButton>("optAppend_0")->isEnabled());
    QVERIFY(!log.control<QPushButton>("cmdSelect")->isEnabled());
    QVERIFY(log.control<QPushButton>("cmdExit")->isEnabled());
    QCOMPARE(log.control<QComboBox>("cmbInterval")->currentIndex(), -1);
    // Tab order: OK, Select File, the two save modes, the two open modes, the interval.
    QCOMPARE(tabOrder(log.control<QWidget>("cmdExit"), 7),
             (QStringList{"cmdExit", "cmdSelect", "optDatafile_0", "optDatafile_1", "optAppend_0",
                          "optAppend_1", "cmbInterval"}));
    // The main window stays usable while the dialog is open.
    f.find<TwoStateButton>("cwbFlow")->setValue(true);
    QVERIFY(f.state.flowOn);
}

void TestLogSetup::intervalEntriesAreRegional() {
    for (const auto& [locale, half] : {std::pair{"en_US", "0.5"}, {"de_DE", "0,5"}}) {
        useLocale(QLatin1String(locale));
        MainWindowFixture f;
        f.start();
        Logger log{f};
        log.setup();
        auto* box = log.control<QComboBox>("cmbInterval");
        QCOMPARE(box->count(), 11);
        QCOMPARE(box->itemText(0), QStringLiteral("60"));
        QCOMPARE(box->itemText(7), QLatin1String(half));
        QCOMPARE(box->itemText(10), QString(half).replace('5', '1'));
    }
    useLocale(QStringLiteral("en_US"));
}

void TestLogSetup::okWithoutAnyIntervalKeepsTheDialogOpen() {
    MainWindowFixture f;
    f.start();
    Logger log{f};
    log.setup();
    log.click("cmdExit");
    QCOMPARE(f.dialogs.texts(),
             QStringList{QStringLiteral("Please enter a time interval for the log file")});
    QVERIFY(log.dialog()->isVisible());
    QCOMPARE(log.status()->panelText(4), QStringLiteral("Not Logging"));
    QVERIFY(!f.window->loggerTimer().isTicking());
}

void TestLogSetup::noSaveLoggingAndStop() {
    MainWindowFixture f;
    f.start();
    Logger log{f};
    log.setup();
    log.chooseInterval(0);
    log.click("cmdExit");
    QVERIFY(f.dialogs.messages.isEmpty());
    QVERIFY(!log.dialog()->isVisible());
    QCOMPARE(f.window->loggerTimer().interval(), 60000);
    QVERIFY(f.window->loggerTimer().isTicking());
    QCOMPARE(log.status()->panelText(4), QStringLiteral("Logging"));
    QVERIFY(log.status()->picturePath(4).endsWith(QStringLiteral("greenlight.bmp")));
    QCOMPARE(log.status()->panelText(1), QString());
    QVERIFY(!f.find<QAction>("mnuLogSetup")->isEnabled());
    QVERIFY(f.find<QAction>("mnuStop")->isEnabled());
    emit f.window->loggerTimer().tick(); // no file: nothing to write, nothing fails

    f.find<QAction>("mnuStop")->trigger();
    QVERIFY(!f.window->loggerTimer().isEnabled());
    QCOMPARE(f.window->loggerTimer().interval(), 60000);
    QCOMPARE(log.status()->panelText(4), QStringLiteral("Not Logging"));
    QVERIFY(log.status()->picturePath(4).endsWith(QStringLiteral("redlight.bmp")));
    QVERIFY(f.find<QAction>("mnuLogSetup")->isEnabled());
    QVERIFY(!f.find<QAction>("mnuStop")->isEnabled());
}

void TestLogSetup::saveModeRuleAndSelectFile() {
    MainWindowFixture f;
    f.start();
    Logger log{f};
    log.setup();
    log.click("optDatafile_1");
    QVERIFY(!log.control<QPushButton>("cmdExit")->isEnabled());
    QVERIFY(log.control<QPushButton>("cmdSelect")->isEnabled());
    QVERIFY(log.control<QRadioButton>("optAppend_0")->isEnabled());
    QVERIFY(log.control<QRadioButton>("optAppend_1")->isEnabled());

    log.click("cmdSelect"); // cancelled
    QCOMPARE(f.dialogs.fileDialogStarts, QStringList{QString()});
    QCOMPARE(f.dialogs.fileDialogFilters, QStringList{QStringLiteral("All Files (*.*)")});
    QVERIFY(!log.control<QPushButton>("cmdExit")->isEnabled());

    const QString path = f.settings.dir.filePath(QStringLiteral("run.txt"));
    f.dialogs.fileAnswers = {path};
    log.click("cmdSelect");
    QVERIFY(log.control<QPushButton>("cmdExit")->isEnabled());
    f.dialogs.fileAnswers = {QString()};
    log.click("cmdSelect"); // starts from the current path; cancelling keeps it
    QCOMPARE(f.dialogs.fileDialogStarts.last(), path);

    log.click("optDatafile_0");
    QVERIFY(log.control<QPushButton>("cmdExit")->isEnabled());
    QVERIFY(!log.control<QPushButton>("cmdSelect")->isEnabled());
    QVERIFY(!log.control<QRadioButton>("optAppend_0")->isEnabled());
    log.click("optDatafile_1"); // the path is known, but OK waits for a file again
    QVERIFY(!log.control<QPushButton>("cmdExit")->isEnabled());

    // A screen reader checks a radio button with its toggle action, which is no click.
    log.click("optDatafile_0");
    QAccessible::queryAccessibleInterface(log.control<QRadioButton>("optDatafile_1"))
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::toggleAction());
    QVERIFY(log.control<QRadioButton>("optAppend_0")->isEnabled());
}

void TestLogSetup::writeToFileNeedsAnOpenMode() {
    MainWindowFixture f;
    f.start();
    Logger log{f};
    log.setup();
    log.click("optDatafile_1");
    const QString path = f.settings.dir.filePath(QStringLiteral("none.txt"));
    f.dialogs.fileAnswers = {path};
    log.click("cmdSelect");
    log.click("cmdExit"); // not even the missing interval is reported
    QVERIFY(f.dialogs.messages.isEmpty());
    log.chooseInterval(6);
    log.click("cmdExit");
    QVERIFY(log.dialog()->isVisible());
    QVERIFY(!QFile::exists(path));
    QVERIFY(f.dialogs.messages.isEmpty());
    QCOMPARE(f.window->loggerTimer().interval(), 0);
}

void TestLogSetup::logsRowsToAFileAndStops() {
    MainWindowFixture f;
    f.start();
    Logger log{f};
    const QString path = f.settings.dir.filePath(QStringLiteral("rows.txt"));
    log.logToFile(path, 10); // 0.1 s
    QCOMPARE(f.window->loggerTimer().interval(), 100);
    QCOMPARE(log.status()->panelText(1), path);
    for (int i = 0; i < 3; ++i)
        emit f.window->loggerTimer().tick();
    QTRY_COMPARE(rowsIn(path), 3); // handed to the file's worker, written a moment later
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QVERIFY(file.readAll().endsWith(",0,0,0,0,0,0,0,0,0,\"000\"\r\n"));
    file.close();

    // Column 11 follows the total-litres readout, empty once the flow group is off.
    f.find<TwoStateButton>("cwbFlow")->setValue(true);
    f.find<TwoStateButton>("cwbFlow")->setValue(false);
    emit f.window->loggerTimer().tick();
    QTRY_COMPARE(rowsIn(path), 4);
    file.open(QIODevice::ReadOnly);
    QVERIFY(file.readAll().endsWith(",0,0,\"\"\r\n"));
    file.close();

    f.find<QAction>("mnuStop")->trigger();
    emit f.window->loggerTimer().tick(); // closed: nothing more is written
    QCOMPARE(rowsIn(path), 4);
    QCOMPARE(log.status()->panelText(1), path); // panel 1 keeps the path

    // A second Setup shows the earlier choices; Append adds a header after the rows.
    log.setup();
    QVERIFY(log.control<QRadioButton>("optDatafile_1")->isChecked());
    QVERIFY(log.control<QRadioButton>("optAppend_1")->isChecked());
    QCOMPARE(log.control<QComboBox>("cmbInterval")->currentIndex(), 10);
    log.click("optAppend_0");
    log.click("cmdExit");
    QVERIFY(log.control<QPushButton>("cmdExit")->isEnabled());
    file.open(QIODevice::ReadOnly);
    const QByteArray content = file.readAll();
    QCOMPARE(content.count("Corvik pH probe Logging Program"), 2);
    QVERIFY(content.contains("\"\"\r\n\r\n\"Corvik"));
}

void TestLogSetup::aGermanLogHasFullStopRowsAndARegionalHeader() {
    useLocale(QStringLiteral("de_DE"));
    MainWindowFixture f;
    f.simulator.setReply('6', "*-00012.50");
    f.simulator.setReply('1', "*+00021.50");
    f.start();
    for (const char* group : {"cwbFlow", "cwbPh", "cwbTherm"})
        f.find<TwoStateButton>(group)->setValue(true);
    f.readCycle();
    QTRY_COMPARE(f.find<QLabel>("lblTherm1")->text(), QStringLiteral("21,5"));
    QCOMPARE(f.find<QLabel>("lblmV")->text(), QStringLiteral("-12,5"));

    Logger log{f};
    const QString path = f.settings.dir.filePath(QStringLiteral("lauf.txt"));
    log.logToFile(path, 10);
    emit f.window->loggerTimer().tick();
    const QByteArray totalShown = f.find<QLabel>("liters")->text().toLatin1();
    // Flow switched off: its readouts empty, and so does the row's total.
    f.find<TwoStateButton>("cwbFlow")->setValue(false);
    emit f.window->loggerTimer().tick();
    f.find<QAction>("mnuStop")->trigger();
    useLocale(QStringLiteral("en_US"));

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines[4], QByteArray("\"Probe 1 Offset: 2,5777\"\r"));
    QCOMPARE(lines[10], QByteArray("\"Probe 1 Calibration Date: 01.01.2001\"\r"));
    const QList<QByteArray> row = lines[16].chopped(1).split(',');
    QCOMPARE(row.size(), 11);
    QCOMPARE(row[1], QByteArray("21.5"));
    QCOMPARE(row[4], QByteArray("-12.5"));
    // The total from the reading, as the readout shows it ("0,96"): the row's last item, whole.
    QVERIFY(lines[16].endsWith(",\"" + totalShown + "\"\r"));
    QVERIFY2(totalShown != "000", totalShown); // read, not the text before any reading
    QVERIFY(lines[17].endsWith(",\"\"\r"));

    // Asked for, rows carry the ISO date-time, which the review reads back exactly.
    const QString iso = f.settings.dir.filePath(QStringLiteral("iso.txt"));
    log.setup();
    log.click("chkIsoTime");
    log.logToFile(iso, 10);
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    emit f.window->loggerTimer().tick();
    f.find<QAction>("mnuStop")->trigger();
    RecordedRun run;
    QString why;
    QVERIFY(run.open(iso, &why) && run.index());
    QCOMPARE(run.rows(), 1);
    QVERIFY(std::abs(run.firstMs() - before) < 2000);
    QFile isoFile(iso);
    QVERIFY(isoFile.open(QIODevice::ReadOnly));
    const QByteArray isoRow = isoFile.readAll().split('\n').at(16);
    QVERIFY2(isoRow.startsWith('"' + QDate::currentDate().toString(Qt::ISODate).toLatin1() + 'T'),
             isoRow);
}

void TestLogSetup::openModesAndSaveModesAreTwoPairs() {
    MainWindowFixture f;
    f.start();
    Logger log{f};
    log.setup();
    auto checked = [&](const char* name) { return log.control<QRadioButton>(name)->isChecked(); };
    log.click("optDatafile_1");
    const char* clicks[] = {"optAppend_1", "optAppend_0", "optAppend_1",
                            "optAppend_0", "optAppend_0", "optAppend_1"};
    for (const char* name : clicks) {
        log.click(name);
        QVERIFY(checked(name));
        QCOMPARE(checked("optAppend_0") + checked("optAppend_1"), 1);
        QVERIFY(checked("optDatafile_1") && !checked("optDatafile_0"));
    }
    log.click("optDatafile_0");
    QVERIFY(checked("optAppend_1")); // the open mode is a pair of its own
    log.click("optDatafile_1");
    QVERIFY(checked("optDatafile_1") && !checked("optDatafile_0") && checked("optAppend_1"));
}

void TestLogSetup::aLargerFontShowsEveryCaptionWhole() {
    const QFont normal = QApplication::font();
    QFont large = normal;
    large.setPointSizeF(normal.pointSizeF() * 1.5);
    QApplication::setFont(large);
    MainWindowFixture f;
    f.start();
    Logger log{f};
    log.setup();
    f.find<QAction>("mnuPhCal")->trigger();
    QApplication::setFont(normal);
    QCOMPARE(clippedTexts(log.dialog()), QStringList());
    QCOMPARE(clippedTexts(f.window->calibrationDialog()), QStringList());
}

void TestLogSetup::intervalsFromTheList() {
    MainWindowFixture f;
    f.start();
    Logger log{f};
    log.setup();
    const int expected[] = {60000, 30000, 15000, 10000, 5000, 2000, 1000, 500, 250, 200, 100};
    for (int i = 0; i < 11; ++i) {
        log.chooseInterval(i);
        log.click("cmdExit");
        QCOMPARE(f.window->loggerTimer().interval(), expected[i]);
        f.find<QAction>("mnuStop")->trigger();
        log.setup();
    }
}

void TestLogSetup::anEarlierIntervalIsKept() {
    MainWindowFixture f;
    f.start();
    Logger log{f};
    log.setup();
    log.chooseInterval(3);
    log.click("cmdExit");
    f.find<QAction>("mnuStop")->trigger();
    log.setup();
    log.dialog()->close(); // unloaded: the next Setup starts with no entry chosen
    f.find<QAction>("mnuStop")->trigger();
    log.setup();
    QCOMPARE(log.control<QComboBox>("cmbInterval")->currentIndex(), -1);
    log.click("cmdExit");
    QCOMPARE(f.dialogs.texts(),
             QStringList{QStringLiteral("Please enter a time interval for the log file")});
    QCOMPARE(f.window->loggerTimer().interval(), 10000);
    QVERIFY(f.window->loggerTimer().isTicking());
    QCOMPARE(log.status()->panelText(4), QStringLiteral("Logging"));
}

void TestLogSetup::aFileThatCannotBeOpenedKeepsTheDialogOpen() {
    MainWindowFixture f;
    f.start();
    Logger log{f};
    log.setup();
    log.click("optDatafile_1");
    log.click("optAppend_0");
    f.dialogs.fileAnswers = {QStringLiteral("/nonexistent-dir/log.txt")};
    log.click("cmdSelect");
    log.chooseInterval(6);
    log.click("cmdExit");
    QCOMPARE(f.dialogs.messages.size(), 1);
    QVERIFY(f.dialogs.messages[0].text.contains(QStringLiteral("/nonexistent-dir/log.txt")));
    QVERIFY(log.dialog()->isVisible());
    QCOMPARE(log.status()->panelText(4), QStringLiteral("Not Logging"));
    QVERIFY(!f.window->loggerTimer().isTicking());
}

void TestLogSetup::closingFromTheFrameUnloadsTheDialog() {
    MainWindowFixture f;
    f.start();
    Logger log{f};
    const QString path = f.settings.dir.filePath(QStringLiteral("kept.txt"));
    log.setup();
    log.click("optDatafile_1");
    f.dialogs.fileAnswers = {path};
    log.click("cmdSelect");
    log.dialog()->close();
    QVERIFY(!log.dialog());
    QVERIFY(!f.find<QAction>("mnuLogSetup")->isEnabled()); // as Setup left them
    QVERIFY(f.find<QAction>("mnuStop")->isEnabled());
    f.find<QAction>("mnuStop")->trigger();
    log.setup();
    QVERIFY(log.control<QRadioButton>("optDatafile_0")->isChecked());
    log.click("optDatafile_1");
    log.click("cmdSelect");
    QCOMPARE(f.dialogs.fileDialogStarts.last(), path); // the log path survives
}

QTEST_MAIN(TestLogSetup)
#include "tst_logsetup.moc"
