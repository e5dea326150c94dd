// Start-up state, the controls of the main window, the channel switches and the update rate.
#include "MainWindowFixture.h"
#include "TestLocale.h"

#include "Knob.h"
#include "ModeSelector.h"
#include "RegionalText.h"
#include "SlideIndicator.h"
#include "StatusPanels.h"
#include "StripChart.h"
#include "TwoStateButton.h"

#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <cmath>

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useLocale(QStringLiteral("en_US")); }
    void startUpWithAnEmptyStore();
    void startUpWithOnlySlope2Stored();
    void startUpWithAStoredValueThatDoesNotParse();
    void everyControlIsThere();
    void startUpReportsAPortThatCannotBeOpened();
    void aMissingLampLeavesNoPicture();
    void timersKeepTheirDesignSettings();
    void switchNotificationRunsWithinTheAssignment();
    void switchingGroupsOffBlanksTheirReadouts();
    void switchingOnChangesNoReadout();
    void resetButtons();
    void compensationSelectors();
    void updateRate();
    void controlsSpeakToScreenReaders();
    void fitsASmallScreenAndResizes();
    void firstSizeFitsTheScreen();
};

void TestMainWindow::startUpWithAnEmptyStore() {
    MainWindowFixture f;
    f.start();
    QCOMPARE(f.state.offset1, 2.5777);
    QCOMPARE(f.state.offset2, 2.5777);
    QCOMPARE(f.state.slope1, 4.5427);
    QCOMPARE(f.state.slope2, 4.5427);
    QCOMPARE(f.state.serial1, QStringLiteral("180312"));
    QCOMPARE(f.state.serial2, QStringLiteral("180312"));
    QCOMPARE(regional::dateTimeOf(f.state.calDate1), QDateTime(QDate(2001, 1, 1), QTime(0, 0)));
    QCOMPARE(f.state.calDate2, f.state.calDate1);
    QVERIFY(!f.state.phOn && !f.state.flowOn && !f.state.thermOn);
    QCOMPARE(f.state.probe1ThermSel, qint16(0));
    QVERIFY(f.port.portOpen());
    QVERIFY(f.dialogs.messages.isEmpty());
    QVERIFY(f.settings.location.open()->allKeys().size() == 1); // only the test's port entry

    auto* rate = f.find<QComboBox>("cmbUpdate");
    QCOMPARE(rate->count(), 5);
    const QStringList entries = {"1000", "500", "250", "200", "100"};
    for (int i = 0; i < 5; ++i)
        QCOMPARE(rate->itemText(i), entries[i]);
    QCOMPARE(rate->currentText(), QStringLiteral("1000"));
    QCOMPARE(rate->currentIndex(), -1);

    auto* status = f.find<StatusPanels>("StatusBar1");
    QCOMPARE(status->panelText(4), QStringLiteral("Not Logging"));
    QVERIFY(status->picturePath(4).endsWith(QStringLiteral("/icons/redlight.bmp")));
    for (int panel : {1, 2, 3})
        QCOMPARE(status->panelText(panel), QString());
    QVERIFY(f.find<QAction>("mnuLogSetup")->isEnabled());
    QVERIFY(!f.find<QAction>("mnuStop")->isEnabled());
    QVERIFY(f.find<QAction>("mnuPhCal")->isEnabled());
    QVERIFY(f.find<QAction>("mnuExit")->isEnabled());

    QCOMPARE(f.find<Knob>("CWtherMin")->value(), 5.0);
    QCOMPARE(f.find<Knob>("CWtherMax")->value(), 25.0);
    QCOMPARE(f.find<Knob>("CWpHmin")->value(), 0.0);
    QCOMPARE(f.find<Knob>("CWpHmax")->value(), 15.0);
    QCOMPARE(f.find<Knob>("CWKnobflow")->value(), 25.0);
    for (const char* name : {"CWSlideTherm1", "CWSlideTherm2", "CWSlideTherm3"}) {
        auto* slide = f.find<SlideIndicator>(name);
        QCOMPARE(slide->scaleMinimum(), 5.0);
        QCOMPARE(slide->scaleMaximum(), 25.0);
    }
    QCOMPARE(f.find<SlideIndicator>("CWSlideLiters")->scaleMaximum(), 2.0);
    QCOMPARE(f.find<SlideIndicator>("CWSlideFlow")->scaleMaximum(), 5.0);
    auto* chart = f.find<StripChart>("CWGraph1");
    QCOMPARE(chart->axisRange(2), QCPRange(0, 15));
    QCOMPARE(chart->axisRange(3), QCPRange(0, 15));
    QCOMPARE(f.find<ModeSelector>("GraphMode")->value(), 1);
    for (const char* name : {"lblTherm1", "lblTherm2", "lblTherm3", "lblpH", "lblmV", "lblpH1",
                             "lblmV1", "liters", "lblLitersPerMin", "lblHz"})
        QCOMPARE(f.find<QLabel>(name)->text(), QStringLiteral("000"));
}

void TestMainWindow::startUpWithOnlySlope2Stored() {
    MainWindowFixture f;
    f.settings.location.setText(QStringLiteral("Coefficients"), QStringLiteral("slope2"),
                                QStringLiteral("4.6"));
    f.start();
    QCOMPARE(f.state.slope2, 4.6);
    QCOMPARE(f.state.slope1, 4.5427);
    QCOMPARE(f.state.offset1, 2.5777);
    QCOMPARE(f.state.offset2, 2.5777);
    QCOMPARE(f.state.serial2, QStringLiteral("180312"));
    QCOMPARE(regional::dateTimeOf(f.state.calDate2).date(), QDate(2001, 1, 1));
}

void TestMainWindow::startUpWithAStoredValueThatDoesNotParse() {
    MainWindowFixture f;
    f.settings.location.setText(QStringLiteral("Coefficients"), QStringLiteral("offset"),
                                QStringLiteral("two point five"));
    f.settings.location.setText(QStringLiteral("Coefficients"), QStringLiteral("date2"),
                                QStringLiteral("someday"));
    f.start();
    QCOMPARE(f.state.offset1, 2.5777);
    QCOMPARE(regional::dateTimeOf(f.state.calDate2).date(), QDate(2001, 1, 1));
    QVERIFY(f.dialogs.messages.isEmpty());
}

void TestMainWindow::everyControlIsThere() {
    MainWindowFixture f;
    MainWindow& w = f.start();
    QCOMPARE(w.windowTitle(), QStringLiteral("Halvane DGH GUI  Ver. 2.2"));
    const std::pair<const char*, const char*> frames[] = {{"Frame7", "Thermistors"},
                                                          {"Frame6", "pH Probe"},
                                                          {"Frame3", "Electronic Flow Gauge"},
                                                          {"Frame10", "Thermistor 1"},
                                                          {"Frame11", "Thermistor 2"},
                                                          {"Frame12", "Thermistor 3"},
                                                          {"Frame8", "pH1"},
                                                          {"Frame5", "mV1"},
                                                          {"Frame13", "pH2"},
                                                          {"Frame14", "mV2"},
                                                          {"Frame2", "Total Liters"},
                                                          {"Frame1", "Liters / min"},
                                                          {"Frame9", "Frequency"}};
    for (const auto& [name, caption] : frames)
        QCOMPARE(f.find<QGroupBox>(name)->title(), QLatin1String(caption));
    const std::pair<const char*, const char*> labels[] = {
        {"lblpH0", "pH Probe #1"}, {"Label1", "pH Probe #2"}, {"Label2", "Update rate (ms)"}};
    for (const auto& [name, caption] : labels)
        QCOMPARE(f.find<QLabel>(name)->text(), QLatin1String(caption));
    const std::pair<const char*, const char*> buttons[] = {
        {"cwbTherm", "Start"},       {"cwbReset", "Reset"},    {"cwbFlow", "Start"},
        {"CWButton3", "Reset"},      {"cwPlot", "Start Plot"}, {"cwbPh", "Enable DGH"},
        {"Command1", "Reset Scale"}, {"Command2", "update"}};
    for (const auto& [name, caption] : buttons)
        QCOMPARE(f.find<QPushButton>(name)->text(), QLatin1String(caption));
    QCOMPARE(f.find<QPushButton>("Command1")->toolTip(),
             QStringLiteral("Resets Y axis Min. Max settings after zoom or pan operation"));
    for (const char* array : {"optTherm", "optTherm1"}) {
        for (int i = 0; i < 3; ++i) {
            auto* b = f.find<QRadioButton>(qPrintable(QStringLiteral("%1_%2").arg(array).arg(i)));
            QCOMPARE(b->text(), QStringLiteral("T-%1").arg(i + 1));
            QCOMPARE(b->isChecked(), i == 0);
        }
    }
    const std::pair<const char*, const char*> knobs[] = {{"CWtherMin", "Min."},
                                                         {"CWtherMax", "Max."},
                                                         {"CWpHmin", "Min."},
                                                         {"CWpHmax", "Max."},
                                                         {"CWKnobflow", "Total Liters tank scale"}};
    for (const auto& [name, caption] : knobs)
        QCOMPARE(f.find<Knob>(name)->caption(), QLatin1String(caption));
    QCOMPARE(f.find<Knob>("CWKnobflow")->minimum(), 25);
    QCOMPARE(f.find<Knob>("CWKnobflow")->maximum(), 400);
    QCOMPARE(f.find<Knob>("CWpHmax")->maximum(), 20);
    QCOMPARE(f.find<Knob>("CWtherMax")->maximum(), 30);

    // Menu bar: File, Logging, Calibration, and "Comm Port" as a command of its own.
    const QList<QAction*> bar = w.menuBar()->actions();
    QCOMPARE(bar.size(), 4);
    QCOMPARE(bar[3], f.find<QAction>("mnuComPort"));
    QCOMPARE(bar[3]->menu(), nullptr);
    QCOMPARE(bar[3]->text().remove('&'), QStringLiteral("Comm Port"));
    QCOMPARE(f.find<QAction>("mnuStop")->text().remove('&'), QStringLiteral("Stop Logging"));

    const QFont readout = f.find<QLabel>("lblpH1")->font();
    QCOMPARE(readout.pointSize(), 18);
    QCOMPARE(readout.families().first(), QStringLiteral("Haettenschweiler"));
    QCOMPARE(f.find<QLabel>("lblpH1")->palette().color(QPalette::WindowText), QColor(0xff2020));
    QCOMPARE(f.find<QLabel>("lblpH")->palette().color(QPalette::WindowText), QColor(0x20ff20));
    QCOMPARE(f.find<QLabel>("lblpH")->palette().color(QPalette::Window), QColor(Qt::black));
}

void TestMainWindow::startUpReportsAPortThatCannotBeOpened() {
    MainWindowFixture f(false);
    f.settings.location.setText(QStringLiteral("Ports"), QStringLiteral("1"),
                                QStringLiteral("/dev/no-such-port"));
    f.start();
    QCOMPARE(f.dialogs.texts(),
             QStringList{QStringLiteral("Invalid ComPort #, please select another one.")});
    QVERIFY(!f.port.portOpen());
    QCOMPARE(f.state.offset1, 2.5777); // start-up goes on
}

void TestMainWindow::aMissingLampLeavesNoPicture() {
    MainWindowFixture f;
    f.start(QStringLiteral("/nonexistent"));
    auto* status = f.find<StatusPanels>("StatusBar1");
    QCOMPARE(status->panelText(4), QStringLiteral("Not Logging"));
    QVERIFY(!status->hasPicture(4));
}

void TestMainWindow::timersKeepTheirDesignSettings() {
    MainWindowFixture f;
    MainWindow& w = f.start();
    QCOMPARE(f.acquisition.readTimer().interval(), 10000);
    QVERIFY(f.acquisition.readTimer().isTicking());
    QCOMPARE(w.plotTimer().interval(), 1000);
    QVERIFY(!w.plotTimer().isEnabled());
    QCOMPARE(w.loggerTimer().interval(), 0);
    QVERIFY(w.loggerTimer().isEnabled());
    QVERIFY(!w.loggerTimer().isTicking()); // an interval of 0 never ticks
}

void TestMainWindow::switchNotificationRunsWithinTheAssignment() {
    MainWindowFixture f;
    f.start();
    auto* button = f.find<TwoStateButton>("cwbFlow");
    QList<bool> seen;
    connect(button, &TwoStateButton::valueChanged, [&](bool on) { seen.append(on); });
    button->setValue(true);
    QCOMPARE(seen, QList<bool>{true}); // already delivered when the assignment returns
    QVERIFY(f.state.flowOn);
    QCOMPARE(button->text(), QStringLiteral("Stop"));
    button->setValue(true); // no change, no notification
    QCOMPARE(seen.size(), 1);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(seen, (QList<bool>{true, false}));
    QCOMPARE(button->text(), QStringLiteral("Start"));
    QVERIFY(!f.state.flowOn);
    auto* ph = f.find<TwoStateButton>("cwbPh");
    ph->setValue(true);
    QCOMPARE(ph->text(), QStringLiteral("Disable DGH"));
}

void TestMainWindow::switchingGroupsOffBlanksTheirReadouts() {
    MainWindowFixture f;
    MainWindow& w = f.start();
    w.showReadout(Readout::Probe2pH, 7.1);
    f.find<TwoStateButton>("cwbPh")->setValue(true);
    w.switchGroupOff(Group::Ph);
    QVERIFY(!f.state.phOn);
    QCOMPARE(f.find<QLabel>("lblpH")->text(), QString());
    QCOMPARE(f.find<QLabel>("lblmV")->text(), QString());
    QCOMPARE(f.find<QLabel>("lblpH1")->text(), QStringLiteral("7.1"));
    QCOMPARE(f.find<QLabel>("lblmV1")->text(), QStringLiteral("000"));

    f.state.totalLiters = 3;
    f.find<TwoStateButton>("cwbFlow")->setValue(true);
    w.showSlide(Slide::Liters, 1.5);
    f.find<TwoStateButton>("cwbFlow")->setValue(false);
    for (const char* name : {"lblHz", "lblLitersPerMin", "liters"})
        QCOMPARE(f.find<QLabel>(name)->text(), QString());
    QCOMPARE(f.find<SlideIndicator>("CWSlideLiters")->displayedValue(), 0.0);
    QCOMPARE(f.state.totalLiters, 3.0); // readings stay

    f.find<TwoStateButton>("cwbTherm")->setValue(true);
    f.find<TwoStateButton>("cwbTherm")->setValue(false);
    for (const char* name : {"CWSlideTherm1", "CWSlideTherm2", "CWSlideTherm3"}) {
        QCOMPARE(f.find<SlideIndicator>(name)->displayedValue(), 0.0); // below the scale's 5
        QVERIFY(f.find<SlideIndicator>(name)->displayedValue() <
                f.find<SlideIndicator>(name)->scaleMinimum());
    }
    QCOMPARE(f.find<QLabel>("lblTherm2")->text(), QString());
}

void TestMainWindow::switchingOnChangesNoReadout() {
    MainWindowFixture f;
    f.start();
    f.find<TwoStateButton>("cwbTherm")->setValue(true);
    QCOMPARE(f.find<QLabel>("lblTherm1")->text(), QStringLiteral("000"));
    f.find<TwoStateButton>("cwbTherm")->setValue(false);
    f.find<TwoStateButton>("cwbTherm")->setValue(true);
    QCOMPARE(f.find<QLabel>("lblTherm1")->text(), QString());
}

void TestMainWindow::resetButtons() {
    MainWindowFixture f;
    MainWindow& w = f.start();
    f.state.totalCount = 1234;
    w.showReadout(Readout::TotalLiters, 12.5);
    QTest::mouseClick(f.find<TwoStateButton>("CWButton3"), Qt::LeftButton);
    QCOMPARE(f.state.totalCount, 0.0);
    QCOMPARE(f.find<QLabel>("liters")->text(), QStringLiteral("12.5"));
    QCOMPARE(f.find<QPushButton>("CWButton3")->text(), QStringLiteral("Reset"));

    auto* slide = f.find<SlideIndicator>("CWSlideTherm2");
    w.showSlide(Slide::Therm2, 20);
    w.showSlide(Slide::Therm2, 22);
    w.showSlide(Slide::Therm2, 21);
    QCOMPARE(slide->minimumMarker(), std::optional<double>(20));
    QCOMPARE(slide->maximumMarker(), std::optional<double>(22));
    QTest::mouseClick(f.find<TwoStateButton>("cwbReset"), Qt::LeftButton);
    QCOMPARE(slide->displayedValue(), 21.0);
    w.showSlide(Slide::Therm2, 21.5);
    QCOMPARE(slide->minimumMarker(), std::optional<double>(21.5));
    QCOMPARE(slide->maximumMarker(), std::optional<double>(21.5));
}

void TestMainWindow::compensationSelectors() {
    MainWindowFixture f;
    f.start();
    QTest::mouseClick(f.find<QRadioButton>("optTherm1_2"), Qt::LeftButton);
    QCOMPARE(f.state.probe2ThermSel, qint16(3));
    QCOMPARE(f.state.probe1ThermSel, qint16(0));
    QTest::mouseClick(f.find<QRadioButton>("optTherm_1"), Qt::LeftButton);
    QCOMPARE(f.state.probe1ThermSel, qint16(2));
    QTest::mouseClick(f.find<QRadioButton>("optTherm_0"), Qt::LeftButton);
    QCOMPARE(f.state.probe1ThermSel, qint16(1));
}

void TestMainWindow::updateRate() {
    MainWindowFixture f;
    f.start();
    auto* rate = f.find<QComboBox>("cmbUpdate");
    auto* update = f.find<QPushButton>("Command2");
    // Typing with no entry selected keeps the period.
    QTest::keyClicks(rate->lineEdit(), QStringLiteral("5"));
    QCOMPARE(f.acquisition.readTimer().interval(), 10000);
    QVERIFY(f.acquisition.readTimer().isTicking());
    rate->setCurrentIndex(2); // "250", not applied yet
    QCOMPARE(f.acquisition.readTimer().interval(), 10000);
    QTest::mouseClick(update, Qt::LeftButton);
    QCOMPARE(f.acquisition.readTimer().interval(), 250);
    const int periods[] = {1000, 500, 250, 200, 100};
    for (int i = 0; i < 5; ++i) {
        rate->setCurrentIndex(i);
        QTest::mouseClick(update, Qt::LeftButton);
        QCOMPARE(f.acquisition.readTimer().interval(), periods[i]);
    }
    QVERIFY(f.acquisition.readTimer().isEnabled());
    // Typed text stays as typed; the entry it names applies as if picked, any other text none.
    rate->setCurrentIndex(1);
    rate->lineEdit()->clear();
    QTest::keyClicks(rate->lineEdit(), QStringLiteral("100"));
    QCOMPARE(rate->currentText(), QStringLiteral("100"));
    QCOMPARE(f.acquisition.readTimer().interval(), 100);
    QTest::keyClicks(rate->lineEdit(), QStringLiteral("7"));
    QTest::mouseClick(update, Qt::LeftButton);
    QCOMPARE(f.acquisition.readTimer().interval(), 100);
    // Each rate applied is in the audit trail; "update" that changes nothing adds no line.
    f.instrument.audit.flush();
    QFile trail(f.instrument.audit.path());
    QVERIFY(trail.open(QIODevice::ReadOnly));
    QStringList changes;
    for (const QByteArray& line : trail.readAll().split('\n'))
        if (line.contains("\"Update rate\""))
            changes << QString::fromUtf8(line.mid(line.indexOf("\"Update rate\"")));
    QCOMPARE(changes, (QStringList{"\"Update rate\",\"10000 ms\",\"250 ms\",\"\"",
                                   "\"Update rate\",\"250 ms\",\"1000 ms\",\"\"",
                                   "\"Update rate\",\"1000 ms\",\"500 ms\",\"\"",
                                   "\"Update rate\",\"500 ms\",\"250 ms\",\"\"",
                                   "\"Update rate\",\"250 ms\",\"200 ms\",\"\"",
                                   "\"Update rate\",\"200 ms\",\"100 ms\",\"\""}));
}

void TestMainWindow::controlsSpeakToScreenReaders() {
    MainWindowFixture f;
    MainWindow& w = f.start();
    w.show();
    auto name = [](QObject* o) {
        return QAccessible::queryAccessibleInterface(o)->text(QAccessible::Name);
    };
    auto value = [](QObject* o) {
        return QAccessible::queryAccessibleInterface(o)->text(QAccessible::Value);
    };
    auto* ph = f.find<TwoStateButton>("cwbPh");
    QCOMPARE(name(ph), QStringLiteral("Enable DGH"));
    QVERIFY(QAccessible::queryAccessibleInterface(ph)->state().checkable);
    auto* knob = f.find<Knob>("CWtherMax");
    QCOMPARE(name(knob->dial()), QStringLiteral("Thermistor scale Max."));
    QVERIFY(QAccessible::queryAccessibleInterface(knob->dial())->valueInterface());
    QCOMPARE(QAccessible::queryAccessibleInterface(knob->dial())
                 ->valueInterface()
                 ->currentValue()
                 .toInt(),
             25);
    auto* slide = f.find<SlideIndicator>("CWSlideTherm1");
    w.showSlide(Slide::Therm1, 21.5);
    QCOMPARE(name(slide), QStringLiteral("Thermistor 1"));
    QVERIFY(value(slide).startsWith(QStringLiteral("21.5")));
    QCOMPARE(QAccessible::queryAccessibleInterface(slide)->text(QAccessible::Description),
             QStringLiteral("Scale 5 to 25; lowest 21.5, highest 21.5"));
    // Readouts read as caption and value; status panels as their text.
    w.showReadout(Readout::Probe1pH, 7.0123);
    QCOMPARE(name(f.find<QLabel>("lblpH")), QStringLiteral("pH1: 7.0123"));
    QCOMPARE(name(f.find<QLabel>("panel4")), QStringLiteral("Not Logging"));
    // Buttons with the same face say which panel they belong to.
    QCOMPARE(name(f.find<TwoStateButton>("cwbFlow")), QStringLiteral("Start flow"));
    QCOMPARE(name(f.find<TwoStateButton>("cwbTherm")), QStringLiteral("Start thermistors"));
    f.find<TwoStateButton>("cwbTherm")->setValue(true);
    QCOMPARE(name(f.find<TwoStateButton>("cwbTherm")), QStringLiteral("Stop thermistors"));
    QCOMPARE(name(f.find<TwoStateButton>("cwbReset")), QStringLiteral("Reset thermistor markers"));
    QCOMPARE(name(f.find<TwoStateButton>("CWButton3")), QStringLiteral("Reset total liters"));
    // The chart tells its cursors as the status bar does, and its ranges.
    auto* chart = f.find<StripChart>("CWGraph1");
    chart->setCursorVisible(2, true);
    chart->moveCursor(2, regional::timeOfDayValue(QTime(10, 5, 0)), 7.25);
    const QString summary =
        QAccessible::queryAccessibleInterface(chart)->text(QAccessible::Description);
    QVERIFY2(summary.contains(QStringLiteral("Cursor 2: X:  10:05:00, Y:  7.25")),
             qPrintable(summary));
    QVERIFY2(summary.contains(QStringLiteral("pH 1 0 to 15")), qPrintable(summary));
    auto* mode = f.find<ModeSelector>("GraphMode");
    QCOMPARE(name(mode->slider()), QStringLiteral("Graph mode"));
    QCOMPARE(QAccessible::queryAccessibleInterface(mode->slider())->text(QAccessible::Description),
             QStringLiteral("Pan"));
}

void TestMainWindow::fitsASmallScreenAndResizes() {
    MainWindowFixture f;
    MainWindow& w = f.start();
    // A 1024x768 screen with a 40-pixel panel, less the window frame.
    const QSize minimum = w.minimumSizeHint();
    QVERIFY2(minimum.width() <= 1000 && minimum.height() <= 690,
             qPrintable(QStringLiteral("%1x%2").arg(minimum.width()).arg(minimum.height())));
    auto* chart = f.find<StripChart>("CWGraph1");
    for (const QSize& size : {minimum, QSize(1000, 690), QSize(1600, 1000)}) {
        w.resize(size);
        QCoreApplication::processEvents();
        // Nothing overlaps: every control lies inside its frame and beside its neighbours.
        const auto boxes = w.findChildren<QGroupBox*>();
        for (QGroupBox* a : boxes)
            for (QGroupBox* b : boxes)
                if (a != b && a->parentWidget() == b->parentWidget())
                    QVERIFY2(!a->geometry().intersects(b->geometry()),
                             qPrintable(a->objectName() + " overlaps " + b->objectName()));
        const QRect row = f.find<QWidget>("Picture3")->geometry();
        QVERIFY(chart->parentWidget()->geometry().bottom() < row.top());
        for (auto* label : w.findChildren<QLabel*>())
            if (label->isVisible() && !label->text().isEmpty() && !label->wordWrap())
                QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <=
                             label->contentsRect().width(),
                         qPrintable(label->objectName() + ": " + label->text()));
    }
    // The chart takes what the window gains.
    w.resize(1000, 690);
    QCoreApplication::processEvents();
    const QSize small = chart->size();
    w.resize(1400, 900);
    QCoreApplication::processEvents();
    QVERIFY(chart->width() > small.width() && chart->height() > small.height());
}

// Run also at QT_SCALE_FACTOR=1.5 on a 1600x1200 screen, whose 1066.7 units are rounded to 1067.
void TestMainWindow::firstSizeFitsTheScreen() {
    MainWindowFixture f;
    MainWindow& w = f.start();
    const QScreen* screen = w.screen();
    const QSize available = screen->availableSize();
    const QSize smallest = w.minimumSizeHint();
    if (smallest.width() > available.width() || smallest.height() > available.height())
        QSKIP("the window's smallest size is larger than this screen");
    // In the screen's own pixels, which are whole.
    const qreal ratio = screen->devicePixelRatio();
    const auto pixels = [ratio](int units) { return int(std::floor(units * ratio + 1e-9)); };
    const QSize frame = w.frameGeometry().size();
    QVERIFY2(
        std::ceil(frame.width() * ratio) <= pixels(available.width()) &&
            std::ceil(frame.height() * ratio) <= pixels(available.height()),
        qPrintable(
            QStringLiteral("%1x%2 units at %3").arg(frame.width()).arg(frame.height()).arg(ratio)));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
