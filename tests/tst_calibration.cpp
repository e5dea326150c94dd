// The calibration store and the "pH Calibration" dialog.
#include "Clipping.h"
#include "MainWindowFixture.h"
#include "TestLocale.h"

#include "BufferAssistant.h"
#include "CalibrationDialog.h"
#include "FocusOrder.h"
#include "ProgramVersion.h"
#include "ReadingStability.h"
#include "RegionalText.h"
#include "SystemUser.h"
#include "TwoStateButton.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {
struct Calibration {
    MainWindowFixture& f;
    CalibrationDialog* dialog() const { return f.window->calibrationDialog(); }
    template <typename T> T* control(const char* name) const {
        return dialog()->findChild<T*>(QLatin1String(name));
    }
    void open() const { f.find<QAction>("mnuPhCal")->trigger(); }
    void type(const char* box, const QString& text) const {
        auto* edit = control<QLineEdit>(box);
        edit->selectAll();
        if (text.isEmpty())
            QTest::keyClick(edit, Qt::Key_Delete);
        else
            QTest::keyClicks(edit, text);
    }
    void choose(int probe) const {
        QTest::mouseClick(control<QRadioButton>(probe == 2 ? "Option1_1" : "Option1_0"),
                          Qt::LeftButton);
    }
    void save() const { QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton); }
    QString stored(const char* key) const {
        return f.settings.location.text(QStringLiteral("Coefficients"), QLatin1String(key),
                                        QStringLiteral("<absent>"));
    }
};
} // namespace

class TestCalibration : public QObject {
    Q_OBJECT
private slots:
    void init() { useLocale(QStringLiteral("en_US")); }
    void dialogWithAnEmptyStore();
    void editsTakeEffectAtOnceAndSaveOnlyOnSave();
    void unparsableTextKeepsTheLastGoodValue();
    void switchingProbesRereadsTheStore();
    void savingProbe2WritesOnlyItsKeys();
    void anEmptySerialNumberIsSaved();
    void saveAndLoadRoundTrip_data();
    void saveAndLoadRoundTrip();
    void aCommaInTheStoreIsOneText();
    void aStoredValueThatDoesNotParse();
    void theDateRule();
    void aStoreThatCannotBeWrittenIsReported();
    void solvingFromBuffers();
    void aReadingIsStableAfterTenSteadySeconds();
    void theRecordKeepsWholeLines();
    void calibratingFromTwoBuffersWithTheModules();
};

void TestCalibration::dialogWithAnEmptyStore() {
    MainWindowFixture f;
    f.start();
    Calibration cal{f};
    cal.open();
    QVERIFY(cal.dialog()->isVisible() && !cal.dialog()->isModal());
    QCOMPARE(cal.dialog()->windowTitle(), QStringLiteral("pH Calibration"));
    QVERIFY(cal.control<QRadioButton>("Option1_0")->isChecked());
    QCOMPARE(cal.control<QLineEdit>("txtOffset")->text(), QStringLiteral("2.5777"));
    QCOMPARE(cal.control<QLineEdit>("txtSlope")->text(), QStringLiteral("4.5427"));
    QCOMPARE(cal.control<QLineEdit>("txtSerialNum")->text(), QStringLiteral("180312"));
    QCOMPARE(cal.control<QLineEdit>("txtCalTemp")->text(), QStringLiteral("14.000"));
    QCOMPARE(cal.control<QDateEdit>("DTPicker1")->date(), QDate(2001, 1, 1));
    QVERIFY(cal.control<QDateEdit>("DTPicker1")->calendarPopup());
    QCOMPARE(f.state.compTemp, 14.0);
    QCOMPARE(clippedTexts(cal.dialog()), QStringList());
    QCOMPARE(cal.control<QPushButton>("Command1")->text(), QStringLiteral("Save"));
    QCOMPARE(f.settings.location.open()->childGroups(), QStringList{QStringLiteral("Ports")});
    // Focus order of the design.
    QCOMPARE(tabOrder(cal.control<QWidget>("txtSerialNum"), 9),
             (QStringList{"txtSerialNum", "txtOffset", "txtSlope", "txtCalTemp", "DTPicker1",
                          "txtReason", "Command1", "cmdBuffers", "Option1_0"}));
}

void TestCalibration::editsTakeEffectAtOnceAndSaveOnlyOnSave() {
    MainWindowFixture f;
    f.start();
    Calibration cal{f};
    cal.open();
    cal.choose(2);
    cal.type("txtOffset", QStringLiteral("2.6"));
    QCOMPARE(f.state.offset2, 2.6);
    QCOMPARE(f.state.offset1, 2.5777);
    QCOMPARE(cal.stored("offset2"), QStringLiteral("<absent>"));
    cal.save();
    QCOMPARE(cal.stored("offset2"), QStringLiteral("2.6"));
    cal.type("txtCalTemp", QStringLiteral("25"));
    QCOMPARE(f.state.compTemp, 25.0);
    cal.dialog()->close(); // closing saves nothing; the edits stay in the state
    cal.open();
    QCOMPARE(f.state.offset2, 2.6);
}

void TestCalibration::unparsableTextKeepsTheLastGoodValue() {
    MainWindowFixture f;
    f.start();
    Calibration cal{f};
    cal.open();
    cal.type("txtSlope", QString());
    QCOMPARE(f.state.slope1, 4.5427);
    QTest::keyClicks(cal.control<QLineEdit>("txtSlope"), QStringLiteral("4"));
    QCOMPARE(f.state.slope1, 4.0);
    QTest::keyClicks(cal.control<QLineEdit>("txtSlope"), QStringLiteral(".5"));
    QCOMPARE(f.state.slope1, 4.5);
    cal.type("txtOffset", QStringLiteral("-"));
    cal.type("txtCalTemp", QStringLiteral("warm"));
    QCOMPARE(f.state.offset1, 2.5777);
    QCOMPARE(f.state.compTemp, 14.0);
    QVERIFY(f.dialogs.messages.isEmpty());
}

void TestCalibration::switchingProbesRereadsTheStore() {
    MainWindowFixture f;
    f.settings.location.setText(QStringLiteral("Coefficients"), QStringLiteral("offset"),
                                QStringLiteral("2.45"));
    f.start();
    Calibration cal{f};
    cal.open();
    cal.type("txtOffset", QStringLiteral("2.6"));
    QCOMPARE(f.state.offset1, 2.6);
    cal.choose(2);
    QCOMPARE(cal.control<QLineEdit>("txtOffset")->text(), QStringLiteral("2.5777"));
    QCOMPARE(f.state.offset2, 2.5777);
    QCOMPARE(f.state.offset1, 2.6); // the probe left behind keeps its edit
    cal.choose(1);
    QCOMPARE(cal.control<QLineEdit>("txtOffset")->text(), QStringLiteral("2.45"));
    QCOMPARE(f.state.offset1, 2.45);

    // The same stored text as the box already shows still replaces an unsaved edit.
    cal.choose(2);
    cal.type("txtSlope", QStringLiteral("5"));
    cal.choose(1);
    cal.choose(2);
    QCOMPARE(f.state.slope2, 4.5427);
}

void TestCalibration::savingProbe2WritesOnlyItsKeys() {
    MainWindowFixture f;
    f.start();
    Calibration cal{f};
    cal.open();
    cal.choose(2);
    cal.type("txtSerialNum", QStringLiteral("AB 12"));
    cal.save();
    auto s = f.settings.location.open();
    s->beginGroup(QStringLiteral("Coefficients"));
    QStringList keys = s->childKeys();
    keys.sort();
    QCOMPARE(keys, (QStringList{"date2", "offset2", "serial number2", "slope2"}));
    QCOMPARE(cal.stored("serial number2"), QStringLiteral("AB 12"));
    QCOMPARE(cal.stored("date2"), QStringLiteral("1/1/2001"));
    QCOMPARE(cal.stored("slope2"), QStringLiteral("4.5427"));
}

void TestCalibration::anEmptySerialNumberIsSaved() {
    MainWindowFixture f;
    f.start();
    Calibration cal{f};
    cal.open();
    cal.type("txtSerialNum", QString());
    QCOMPARE(f.state.serial1, QString());
    cal.save();
    QCOMPARE(cal.stored("serial number"), QString());
    CalibrationStore(f.settings.location).loadAll(f.state);
    QCOMPARE(f.state.serial1, QString());
}

void TestCalibration::saveAndLoadRoundTrip_data() {
    QTest::addColumn<QString>("locale");
    QTest::newRow("US English") << "en_US";
    QTest::newRow("German") << "de_DE";
    QTest::newRow("French") << "fr_FR";
    QTest::newRow("C, as on servers") << "C";
    QTest::newRow("native digits") << "ar_EG";
}

void TestCalibration::saveAndLoadRoundTrip() {
    QFETCH(QString, locale);
    useLocale(locale);
    TempSettings settings;
    const CalibrationStore store(settings.location);
    MeasurementState saved;
    saved.offset1 = 2.123456789012345;
    saved.slope1 = 4.45;
    saved.serial1 = QStringLiteral("SN 0042-x");
    saved.calDate1 = regional::dateValue(QDate(2002, 11, 19));
    saved.offset2 = -0.000123456789;
    saved.slope2 = 12345.678;
    saved.calDate2 = regional::dateValue(QDateTime(QDate(2003, 2, 3), QTime(13, 14, 15)));
    store.saveProbe(1, saved);
    store.saveProbe(2, saved);
    MeasurementState loaded;
    store.loadAll(loaded);
    QCOMPARE(QString::number(loaded.offset1, 'g', 15), QString::number(saved.offset1, 'g', 15));
    QCOMPARE(loaded.slope1, 4.45);
    QCOMPARE(loaded.serial1, saved.serial1);
    QCOMPARE(regional::dateTimeOf(loaded.calDate1).date(), QDate(2002, 11, 19));
    QCOMPARE(loaded.offset2, saved.offset2);
    QCOMPARE(loaded.slope2, saved.slope2);
    QCOMPARE(regional::dateTimeOf(loaded.calDate2), regional::dateTimeOf(saved.calDate2));
    // Stored as regional text with a leading zero and no grouping.
    const QString slope2 =
        settings.location.text(QStringLiteral("Coefficients"), QStringLiteral("slope2"), QString());
    QCOMPARE(slope2, QStringLiteral("12345") + QLocale().decimalPoint() + QStringLiteral("678"));
    const CalibrationStore::ProbeTexts texts = store.readProbe(2);
    QCOMPARE(texts.offset, regional::numberText(saved.offset2));
}

void TestCalibration::aCommaInTheStoreIsOneText() {
    useLocale(QStringLiteral("de_DE"));
    TempSettings settings;
    {
        // Written by hand, unquoted: the settings backend would read it as a list.
        QFile file(settings.location.fileName());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Coefficients]\noffset=2,5777\nslope=4,6\n");
    }
    const CalibrationStore store(settings.location);
    QCOMPARE(store.readProbe(1).offset, QStringLiteral("2,5777"));
    MeasurementState s;
    store.loadAll(s);
    QCOMPARE(s.offset1, 2.5777);
    QCOMPARE(s.slope1, 4.6);
    store.saveProbe(1, s);
    QCOMPARE(store.readProbe(1).slope, QStringLiteral("4,6"));
}

void TestCalibration::aStoredValueThatDoesNotParse() {
    MainWindowFixture f;
    f.settings.location.setText(QStringLiteral("Coefficients"), QStringLiteral("slope"),
                                QStringLiteral("steep"));
    f.start();
    QCOMPARE(f.state.slope1, 4.5427);
    Calibration cal{f};
    cal.open();
    // The box shows the stored text as it is; the field keeps its last good value.
    QCOMPARE(cal.control<QLineEdit>("txtSlope")->text(), QStringLiteral("steep"));
    QCOMPARE(f.state.slope1, 4.5427);
}

void TestCalibration::theDateRule() {
    MainWindowFixture f;
    f.start();
    Calibration cal{f};
    cal.open();
    cal.choose(2);
    cal.control<QDateEdit>("DTPicker1")->setDate(QDate(2002, 11, 19));
    QCOMPARE(regional::dateTimeOf(f.state.calDate2).date(), QDate(2002, 11, 19));
    QCOMPARE(regional::dateTimeOf(f.state.calDate1).date(), QDate(2001, 1, 1));
    cal.save();
    QCOMPARE(cal.stored("date2"), QStringLiteral("11/19/2002"));
    MeasurementState loaded;
    f.store.loadAll(loaded);
    QCOMPARE(regional::dateTimeOf(loaded.calDate2).date(), QDate(2002, 11, 19));
}

void TestCalibration::aStoreThatCannotBeWrittenIsReported() {
    MeasurementState state;
    ScriptedDialogs dialogs;
    const SettingsLocation unwritable(QStringLiteral("/dev/null/settings.ini"));
    const CalibrationStore store(unwritable);
    const CalibrationHistory history(unwritable);
    CommPort port(unwritable);
    SteadyClock clock;
    CommandLink link(port, clock, dialogs.notices);
    Acquisition acquisition(state, link, dialogs.notices, clock);
    AuditTrail audit(QStringLiteral("/dev/null"), dialogs.notices);
    CalibrationDialog dialog(state, {store, history, audit, unwritable, acquisition, clock},
                             dialogs);
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
    QCOMPARE(dialogs.texts(),
             QStringList{QStringLiteral(
                 "The calibration of probe 1 could not be saved to /dev/null/settings.ini.")});
    QCOMPARE(state.offset1, 2.5777); // the dialog itself still works
}

namespace {
// The probe's reading in a buffer, by the conversion the program uses.
BufferReading readingIn(double ph, double celsius, const ProbeCalibration& c) {
    return {ph, (c.offset + (ph - 7) * 0.000198416 * c.slope * (celsius + 273.15)) * 1000, celsius};
}
} // namespace

void TestCalibration::solvingFromBuffers() {
    const ProbeCalibration current{2.5777, 4.5427};
    // The worked values: pH 7 then pH 4 at 25 degrees.
    BufferSolution s = solveBuffers({{7, 2577.7, 25}, {4, 1771.44, 25}}, current);
    QVERIFY(s.solved && s.warnings.isEmpty());
    QCOMPARE(s.calibration.offset, 2.5777);
    QVERIFY2(qAbs(s.calibration.slope - 4.5427) < 5e-4,
             qPrintable(QString::number(s.calibration.slope)));
    QVERIFY(qAbs(s.millivoltsPerPhAt25 - 268.76) < 0.05);

    // Buffers at different temperatures, in either order, give back the probe's calibration.
    const ProbeCalibration probe{2.61, 4.1};
    const BufferReading a = readingIn(4.01, 18.5, probe), b = readingIn(9.18, 31.0, probe);
    for (const auto& pair : {QList<BufferReading>{a, b}, QList<BufferReading>{b, a}}) {
        s = solveBuffers(pair, current);
        QVERIFY(qAbs(s.calibration.offset - 2.61) < 1e-12 &&
                qAbs(s.calibration.slope - 4.1) < 1e-12);
        QVERIFY(qAbs(s.offsetChangeMillivolts - 32.3) < 1e-9);
        QVERIFY(qAbs(s.slopeChangePercent - (4.1 / 4.5427 - 1) * 100) < 1e-9);
        QVERIFY(s.warnings.isEmpty());
    }
    // One buffer: the offset alone, the slope kept.
    s = solveBuffers({readingIn(4.01, 22, {2.5, 4.5427})}, current);
    QVERIFY(s.solved && qAbs(s.calibration.offset - 2.5) < 1e-12);
    QCOMPARE(s.calibration.slope, 4.5427);
    QCOMPARE(s.slopeChangePercent, 0.0);

    // Warnings: buffers too close, readings against the current slope, a large slope change.
    s = solveBuffers({readingIn(7, 25, current), readingIn(6.86, 25, current)}, current);
    QVERIFY(s.solved && s.warnings.size() == 1 && s.warnings[0].contains("less than 2 pH"));
    s = solveBuffers(
        {readingIn(7, 25, current), {4.01, readingIn(10.01, 25, current).millivolts, 25}}, current);
    QVERIFY(s.solved && s.warnings.size() == 2 && s.warnings[0].contains("against"));
    QVERIFY(s.warnings[1].contains("more than 20 %"));
    s = solveBuffers({readingIn(7, 25, {2.5, 5.6}), readingIn(4.01, 25, {2.5, 5.6})}, current);
    QVERIFY(s.warnings.size() == 1 && s.warnings[0].contains("more than 20 %"));
    // Nothing to solve: the same reading twice, or no slope to keep.
    QVERIFY(!solveBuffers({{7, 2577.7, 25}, {4, 2577.7, 25}}, current).solved);
    QVERIFY(!solveBuffers({{7, 2577.7, 25}}, {2.5, 0}).solved);
}

void TestCalibration::aReadingIsStableAfterTenSteadySeconds() {
    using std::chrono::seconds;
    ReadingStability r;
    QVERIFY(!r.hasReads() && !r.stable());
    for (int s = 0; s <= 9; ++s)
        r.add(seconds(s), 100 + (s % 2) * 0.09);
    QVERIFY(!r.stable()); // 9 seconds
    r.add(seconds(10), 100.05);
    QVERIFY(r.stable());
    QCOMPARE(r.steadyFor(), seconds(10));
    // A step starts the count again from the reads that lie within 0.1 mV of the new one.
    r.add(seconds(11), 100.12);
    QVERIFY(!r.stable());
    QCOMPARE(r.steadyFor(), seconds(2)); // from 100.09 at 9 s
    QVERIFY(qAbs(r.recentSpread() - 0.12) < 1e-9);
    for (int s = 12; s <= 21; ++s)
        r.add(seconds(s), 100.15); // 0.1 away from 100.05 at 10 s: steady since 11 s
    QCOMPARE(r.steadyFor(), seconds(10));
    QVERIFY(r.stable());
    QVERIFY(qAbs(r.recentSpread() - 0.03) < 1e-9); // 100.12 at 11 s is still within 10 s
}

void TestCalibration::theRecordKeepsWholeLines() {
    TempSettings settings;
    const CalibrationHistory history(settings.location);
    QCOMPARE(QFileInfo(history.path()).dir(), QFileInfo(settings.location.fileName()).dir());
    const QDateTime when(QDate(2026, 3, 7), QTime(9, 30));
    QVERIFY(history.append({when, 2, QStringLiteral("A\"7,1"), {2.5777, 4.5427}, {}}));
    // A line torn by a power cut: skipped, and the next line starts on a line of its own.
    QFile file(history.path());
    QVERIFY(file.open(QIODevice::Append));
    file.write("2026-03-07T10:00:00,2,\"X\",2.6");
    file.close();
    QVERIFY(history.append({when.addDays(1),
                            2,
                            QStringLiteral("B"),
                            {2.6, 4.4},
                            {{7, 2600, 24.5}, {4.01, 1800.25, 25}}}));
    QVERIFY(history.append({when, 1, QStringLiteral("C"), {2.5, 4.5}, {}}));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 6);
    QVERIFY(lines[0].startsWith("Date and time,Probe,"));
    QCOMPARE(lines[1], QByteArray("2026-03-07T09:30:00,2,\"A\"\"7,1\",2.5777,4.5427,,,,,,"));
    QCOMPARE(lines[3],
             QByteArray("2026-03-08T09:30:00,2,\"B\",2.6,4.4,7,2600,24.5,4.01,1800.25,25"));

    const QList<CalibrationRecord> probe2 = history.latest(2, 5);
    QCOMPARE(probe2.size(), 2);
    QCOMPARE(probe2[0].serial, QStringLiteral("A\"7,1"));
    QCOMPARE(probe2[1].buffers.size(), 2);
    QCOMPARE(probe2[1].buffers[1].millivolts, 1800.25);
    QCOMPARE(history.latest(2, 1).first().serial, QStringLiteral("B"));
    QCOMPARE(history.latest(1, 5).size(), 1);
    // A record that cannot be written says so.
    const CalibrationHistory nowhere(SettingsLocation(QStringLiteral("/dev/null/settings.ini")));
    QVERIFY(!nowhere.append({when, 1, QString(), {2.5, 4.5}, {}}));
}

void TestCalibration::calibratingFromTwoBuffersWithTheModules() {
    MainWindowFixture f;
    f.simulator.setReply('1', "*+00025.00");
    f.start();
    Calibration cal{f};
    cal.open();
    QTest::mouseClick(cal.control<QPushButton>("cmdBuffers"), Qt::LeftButton);
    BufferAssistant* assistant = cal.dialog()->bufferAssistant();
    QVERIFY(assistant && assistant->isVisible() && !assistant->isModal());
    auto find = [&](const char* name) {
        return assistant->findChild<QWidget*>(QLatin1String(name));
    };
    auto text = [&](const char* name) { return qobject_cast<QLabel*>(find(name))->text(); };

    // The pH probes are off: the assistant says so and switches them on through the window.
    QVERIFY(text("lblStable").contains("not being read"));
    QTest::mouseClick(find("cmdSwitchOn"), Qt::LeftButton);
    QVERIFY(f.state.phOn && f.find<TwoStateButton>("cwbPh")->isChecked());
    f.find<TwoStateButton>("cwbTherm")->setValue(true);

    // A reading is taken once it has kept within 0.1 mV for 10 s of reads.
    auto settle = [&](const char* reply) {
        f.simulator.setReply('6', reply);
        for (int second = 0; second <= 11; ++second) {
            f.readCycle();
            f.readingClock.time += std::chrono::seconds(1);
        }
        QVERIFY2(text("lblStable").startsWith("Stable for 11 s"), qPrintable(text("lblStable")));
    };
    QVERIFY(!find("cmdAccept_0")->isEnabled());
    settle("*+02577.70");
    QVERIFY(text("lblLive").startsWith(QStringLiteral("2577.70 mV at 25.00 °C (thermistor T-1)")));
    QTest::mouseClick(find("cmdAccept_0"), Qt::LeftButton); // pH 7.00
    QVERIFY(text("lblResult").contains("One buffer"));
    settle("*+01771.44");
    qobject_cast<QComboBox*>(find("cmbBuffer_1"))->setEditText(QStringLiteral("4"));
    QTest::mouseClick(find("cmdAccept_1"), Qt::LeftButton);
    QVERIFY2(text("lblResult").startsWith("New offset: 2.57770 V (2577.70 mV), +0.00 mV"),
             qPrintable(text("lblResult")));
    QVERIFY(text("lblResult").contains("New slope: 4.5430 (268.75 mV per pH at 25 °C), +0.0 %"));
    QVERIFY(text("lblWarnings").isEmpty());
    QTRY_COMPARE(clippedTexts(assistant), QStringList());

    // Apply fills the dialog's boxes and date, which take effect at once, and the reason given
    // in the assistant; Save stores them. Where a reason is required, none refuses the Save.
    QVERIFY(f.settings.location.setText(QStringLiteral("Audit"), QStringLiteral("RequireReason"),
                                        QStringLiteral("true")));
    QTest::keyClicks(qobject_cast<QLineEdit*>(find("txtReason")),
                     QStringLiteral("weekly, \"7 & 4\""));
    QTest::mouseClick(find("cmdApply"), Qt::LeftButton);
    QCOMPARE(cal.control<QLineEdit>("txtReason")->text(), QStringLiteral("weekly, \"7 & 4\""));
    QCOMPARE(cal.control<QLineEdit>("txtOffset")->text(), QStringLiteral("2.5777"));
    QCOMPARE(cal.control<QLineEdit>("txtSlope")->text(), QStringLiteral("4.543"));
    QCOMPARE(cal.control<QDateEdit>("DTPicker1")->date(), QDate::currentDate());
    QCOMPARE(f.state.slope1, 4.543);
    QCOMPARE(cal.stored("slope"), QStringLiteral("<absent>"));
    cal.save();
    QCOMPARE(cal.stored("slope"), QStringLiteral("4.543"));
    const QList<CalibrationRecord> record = f.history.latest(1, 5);
    QCOMPARE(record.size(), 1);
    QCOMPARE(record[0].calibration.slope, 4.543);
    QCOMPARE(record[0].buffers.size(), 2);
    QCOMPARE(record[0].buffers[1].millivolts, 1771.44);
    QCOMPARE(record[0].buffers[1].celsius, 25.0);
    QVERIFY(
        text("lblHistory").contains("offset 2.5777 V, slope 4.543, from buffers 7.00 and 4.00"));
    // The audit trail: who, with what, from what to what, and why, quoted as one line.
    auto trail = [&] {
        QFile file(f.instrument.audit.path());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };
    QTRY_COMPARE(trail().count(u'\n'), 2);
    QVERIFY2(
        trail()
            .section(u'\n', 1, 1)
            .endsWith(QStringLiteral(
                          ",\"%1\",\"tst_calibration %2\",\"Calibration of probe 1 from "
                          "buffers\",\"offset 2.5777 V; slope 4.5427; serial 180312; date "
                          "2001-01-01\",\"offset 2.5777 V; slope 4.543; serial 180312; date %3\","
                          "\"weekly, \"\"7 & 4\"\"\"")
                          .arg(systemUserName(), QLatin1String(kProgramVersion),
                               QDate::currentDate().toString(Qt::ISODate))),
        qPrintable(trail()));
    // Typed values saved afterwards are recorded without buffers; a German machine writes
    // full-stop numbers in the trail. Without a reason, the Save is refused and said.
    useLocale(QStringLiteral("de_DE"));
    cal.type("txtSlope", QStringLiteral("4,5"));
    cal.save();
    QCOMPARE(f.dialogs.texts().last(),
             QStringLiteral("Give the reason for this calibration of probe 1 before saving it."));
    QCOMPARE(cal.stored("slope"), QStringLiteral("4.543"));
    cal.type("txtReason", QStringLiteral("typed"));
    cal.save();
    QVERIFY(f.history.latest(1, 5).last().buffers.isEmpty());
    QTRY_COMPARE(trail().count(u'\n'), 3);
    const QString typed = trail().section(u'\n', 2, 2);
    QVERIFY2(
        typed.contains(QStringLiteral("\"offset 2.5777 V; slope 4.543; serial 180312; date ")) &&
            typed.contains(QStringLiteral("\"offset 2.5777 V; slope 4.5; serial 180312; date %1\"")
                               .arg(QDate::currentDate().toString(Qt::ISODate))),
        qPrintable(typed));
    // Every number of its texts in the region's form.
    f.readCycle();
    QVERIFY2(text("lblStable").contains(QStringLiteral("less than 0,1 mV over the last 10 s")),
             qPrintable(text("lblStable")));
}

QTEST_MAIN(TestCalibration)
#include "tst_calibration.moc"
