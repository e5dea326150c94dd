// The calibration store and the "pH Calibration" dialog.
#include "Clipping.h"
#include "MainWindowFixture.h"
#include "TestLocale.h"

#include "CalibrationDialog.h"
#include "FocusOrder.h"
#include "RegionalText.h"

#include <QAction>
#include <QDateEdit>
#include <QFile>
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
    QCOMPARE(tabOrder(cal.control<QWidget>("txtSerialNum"), 6),
             (QStringList{"txtSerialNum", "txtOffset", "txtSlope", "txtCalTemp", "DTPicker1",
                          "Command1"}));
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
    CommandLink link(port, clock, dialogs);
    Acquisition acquisition(state, link, dialogs, clock);
    CalibrationDialog dialog(state, {store, history, acquisition, clock}, dialogs);
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
    QCOMPARE(dialogs.texts(),
             QStringList{QStringLiteral(
                 "The calibration of probe 1 could not be saved to /dev/null/settings.ini.")});
    QCOMPARE(state.offset1, 2.5777); // the dialog itself still works
}

QTEST_MAIN(TestCalibration)
#include "tst_calibration.moc"
