// The strip chart, its mode selector, the scale knobs and the cursor readout.
#include "MainWindowFixture.h"
#include "ReadoutLabel.h"
#include "TestLocale.h"

#include "ChartModes.h"
#include "Knob.h"
#include "ModeSelector.h"
#include "RegionalText.h"
#include "SlideIndicator.h"
#include "StatusPanels.h"
#include "StripChart.h"
#include "TwoStateButton.h"

#include <QPushButton>
#include <QWindow>

namespace {
double at(int h, int m, int s) {
    return regional::timeOfDayValue(QTime(h, m, s));
}

void drag(QWidget* w, QPoint from, QPoint to) {
    auto send = [w](QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent e(type, p, w->mapToGlobal(p), button, held, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    for (int i = 1; i <= 5; ++i)
        send(QEvent::MouseMove, from + (to - from) * i / 5, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        paints += e->type() == QEvent::Paint;
        return false;
    }
};

// Columns holding any of the figures' colour, left and right of them, in the readout as drawn.
std::pair<int, int> figureMargins(QWidget* readout) {
    const QImage image = readout->grab().toImage();
    int first = image.width(), last = -1;
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (qGray(image.pixel(x, y)) > 60) {
                first = std::min(first, x);
                last = x;
            }
    return {first, image.width() - 1 - last};
}
} // namespace

class TestStripChart : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useLocale(QStringLiteral("en_US")); }
    void init();
    void cleanup() { m_f.reset(); }
    void staysEmptyUntilPlottingStarts();
    void plotsFlatTracesAtZeroWithTheChannelsOff();
    void keepsTheNewest600Points();
    void pauseLeavesAGap();
    void keepsAppendOrderAcrossMidnight();
    void modeTable();
    void centringCursor1ShowsItsPosition();
    void resetScaleAfterAZoom();
    void knobsSetTheScales();
    void aMinimumAtOrAboveItsMaximum();
    void readoutFormats();
    void dragsWithTheMouse();
    void usableFromTheKeyboard();
    void slidesRepaintForAMoveAndReadoutsCentreTheirFigures();

private:
    StripChart* chart() const { return m_f->find<StripChart>("CWGraph1"); }
    StatusPanels* status() const { return m_f->find<StatusPanels>("StatusBar1"); }
    std::unique_ptr<MainWindowFixture> m_f;
};

void TestStripChart::init() {
    m_f = std::make_unique<MainWindowFixture>();
    m_f->start();
}

void TestStripChart::staysEmptyUntilPlottingStarts() {
    m_f->find<TwoStateButton>("cwbPh")->setValue(true);
    m_f->readCycle();
    QVERIFY(!m_f->window->plotTimer().isEnabled());
    QVERIFY(chart()->points(1).empty() && chart()->points(2).empty());
    QCOMPARE(m_f->find<TwoStateButton>("cwPlot")->text(), QStringLiteral("Start Plot"));
}

void TestStripChart::plotsFlatTracesAtZeroWithTheChannelsOff() {
    QTest::mouseClick(m_f->find<TwoStateButton>("cwPlot"), Qt::LeftButton);
    QCOMPARE(m_f->find<TwoStateButton>("cwPlot")->text(), QStringLiteral("Pause Plot"));
    QVERIFY(m_f->window->plotTimer().isTicking());
    QCOMPARE(m_f->window->plotTimer().interval(), 1000);
    const double before = regional::timeOfDayValue(QTime::currentTime());
    for (int i = 0; i < 3; ++i)
        emit m_f->window->plotTimer().tick();
    QCOMPARE(chart()->points(1).size(), size_t(3));
    QCOMPARE(chart()->points(2).size(), size_t(3));
    for (const QPointF& p : chart()->points(1)) {
        QCOMPARE(p.y(), 0.0);
        QVERIFY(p.x() >= before - 1e-9 && p.x() < 1);
    }
    m_f->state.ph1 = 7.25;
    m_f->state.ph2 = 6.5;
    emit m_f->window->plotTimer().tick();
    QCOMPARE(chart()->points(1).back().y(), 7.25);
    QCOMPARE(chart()->points(2).back().y(), 6.5);
    QVERIFY(chart()->points(2).back().x() <= chart()->points(1).back().x());
}

void TestStripChart::keepsTheNewest600Points() {
    for (int i = 0; i < 601; ++i) {
        chart()->appendPoint(1, at(10, 0, 0) + i / 86400.0, i);
        chart()->appendPoint(2, at(10, 0, 0) + i / 86400.0, -i);
    }
    QCOMPARE(chart()->points(1).size(), size_t(600));
    QCOMPARE(chart()->points(1).front().y(), 1.0);
    QCOMPARE(chart()->points(2).front().y(), -1.0);
    QCOMPARE(chart()->points(1).back().y(), 600.0);
    // The time axis follows the newest point.
    QCOMPARE(chart()->axisRange(1).upper, chart()->points(1).back().x());
}

void TestStripChart::pauseLeavesAGap() {
    auto* plot = m_f->find<TwoStateButton>("cwPlot");
    plot->setValue(true);
    chart()->appendPoint(1, at(10, 0, 0), 7);
    plot->setValue(false);
    QVERIFY(!m_f->window->plotTimer().isEnabled());
    QCOMPARE(chart()->points(1).size(), size_t(1));
    plot->setValue(true);
    chart()->appendPoint(1, at(10, 1, 0), 7);
    QCOMPARE(chart()->points(1).size(), size_t(2));
    QCOMPARE(chart()->points(1)[1].x() - chart()->points(1)[0].x(), 60 / 86400.0);
    // Drawn with a break between the two: no line across the pause.
    auto* curve = qobject_cast<QCPCurve*>(chart()->plottable(0));
    QCOMPARE(curve->dataCount(), 3);
    QVERIFY(std::isnan((curve->data()->constBegin() + 1)->value));
}

void TestStripChart::keepsAppendOrderAcrossMidnight() {
    const double xs[] = {at(23, 59, 58), at(23, 59, 59), at(0, 0, 0), at(0, 0, 1)};
    for (double x : xs)
        chart()->appendPoint(1, x, 7);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(chart()->points(1)[i].x(), xs[i]); // oldest appended first, not smallest x
    // Drawn continuously: the points before midnight lie one day to the left.
    auto* curve = qobject_cast<QCPCurve*>(chart()->plottable(0));
    QVERIFY(curve);
    QCOMPARE(curve->data()->size(), 4);
    double previous = -10;
    for (auto it = curve->data()->constBegin(); it != curve->data()->constEnd(); ++it) {
        QVERIFY(it->key > previous);
        previous = it->key;
    }
    QCOMPARE(chart()->axisRange(1).upper, at(0, 0, 1));
    QVERIFY(chart()->axisRange(1).lower < 0);
    // The oldest point is the one dropped, even though it has the largest x.
    for (int i = 0; i < StripChart::kHistory - 3; ++i)
        chart()->appendPoint(1, at(0, 0, 2) + i / 86400.0, 7);
    QCOMPARE(chart()->points(1).front().x(), xs[1]);
}

void TestStripChart::modeTable() {
    auto* mode = m_f->find<ModeSelector>("GraphMode");
    StripChart* c = chart();
    mode->setValue(3);
    QVERIFY(c->cursorVisible(1) && c->cursorVisible(2));
    QCOMPARE(c->interaction(), StripChart::Interaction::Cursor);
    const QCPRange x = c->axisRange(1);
    QCOMPARE(c->cursorX(2), (x.lower + x.upper) / 2);
    QCOMPARE(c->cursorY(2), 7.5);
    c->setCursorX(1, 0.123);
    c->setAxisRange(2, 2, 4);
    c->setAxisRange(3, 2, 4);
    mode->setValue(2);
    QVERIFY(c->cursorVisible(1) && !c->cursorVisible(2));
    QCOMPARE(c->cursorY(1), 3.0);
    QCOMPARE(c->cursorY(2), 7.5); // cursor 2 was not moved
    c->setCursorX(1, 0.2);
    mode->setValue(0);
    QCOMPARE(c->interaction(), StripChart::Interaction::Zoom);
    QVERIFY(!c->cursorVisible(1) && !c->cursorVisible(2));
    QCOMPARE(c->cursorX(1), 0.2); // hidden without moving
    mode->setValue(1);
    QCOMPARE(c->interaction(), StripChart::Interaction::Pan);
    QVERIFY(!c->cursorVisible(1) && !c->cursorVisible(2));
    applyGraphMode(*c, 7); // ignored
    QCOMPARE(c->interaction(), StripChart::Interaction::Pan);
    QCOMPARE(c->axisRange(2), QCPRange(2, 4));
}

void TestStripChart::centringCursor1ShowsItsPosition() {
    chart()->setAxisRange(1, at(10, 0, 0), at(10, 10, 0));
    m_f->find<ModeSelector>("GraphMode")->setValue(2);
    QCOMPARE(regional::clockText(chart()->cursorX(1)), QStringLiteral("10:05:00"));
    QCOMPARE(chart()->cursorY(1), 7.5);
    QCOMPARE(status()->panelText(2), QStringLiteral("X:  10:05:00"));
    QCOMPARE(status()->panelText(3), QStringLiteral("Y:  7.5"));
    // Cursor 2's moves leave the panels alone; so do mode changes that move no cursor 1.
    m_f->find<ModeSelector>("GraphMode")->setValue(3);
    chart()->moveCursor(2, at(10, 1, 0), 3);
    m_f->find<ModeSelector>("GraphMode")->setValue(1);
    QCOMPARE(status()->panelText(2), QStringLiteral("X:  10:05:00"));
    QCOMPARE(status()->panelText(3), QStringLiteral("Y:  7.5"));
    QCOMPARE(status()->panelText(4), QStringLiteral("Not Logging"));
}

void TestStripChart::resetScaleAfterAZoom() {
    const QCPRange time = chart()->axisRange(1);
    chart()->setAxisRange(2, 6, 8); // as a zoom leaves them
    QCOMPARE(chart()->axisRange(3), QCPRange(6, 8));
    auto* button = m_f->find<QPushButton>("Command1");
    QCOMPARE(button->toolTip(),
             QStringLiteral("Resets Y axis Min. Max settings after zoom or pan operation"));
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(chart()->axisRange(2), QCPRange(0, 15));
    QCOMPARE(chart()->axisRange(3), QCPRange(0, 15));
    QCOMPARE(chart()->axisRange(1), time);
}

void TestStripChart::knobsSetTheScales() {
    m_f->find<Knob>("CWtherMax")->setValue(30);
    for (const char* name : {"CWSlideTherm1", "CWSlideTherm2", "CWSlideTherm3"}) {
        QCOMPARE(m_f->find<SlideIndicator>(name)->scaleMaximum(), 30.0);
        QCOMPARE(m_f->find<SlideIndicator>(name)->scaleMinimum(), 5.0);
    }
    m_f->find<Knob>("CWtherMin")->setValue(10);
    QCOMPARE(m_f->find<SlideIndicator>("CWSlideTherm3")->scaleMinimum(), 10.0);
    m_f->find<Knob>("CWpHmin")->setValue(4);
    QCOMPARE(chart()->axisRange(2), QCPRange(4, 15));
    QCOMPARE(chart()->axisRange(3), QCPRange(4, 15));
    chart()->setAxisRange(2, 6, 7); // a zoom; a knob turn restores both limits
    m_f->find<Knob>("CWpHmax")->setValue(12);
    QCOMPARE(chart()->axisRange(2), QCPRange(4, 12));
    QCOMPARE(chart()->axisRange(3), QCPRange(4, 12));
    auto* liters = m_f->find<SlideIndicator>("CWSlideLiters");
    QCOMPARE(liters->scaleMaximum(), 2.0);
    m_f->find<Knob>("CWKnobflow")->setValue(200);
    QCOMPARE(liters->scaleMinimum(), 0.0);
    QCOMPARE(liters->scaleMaximum(), 200.0);
    QCOMPARE(m_f->find<SlideIndicator>("CWSlideFlow")->scaleMaximum(), 5.0);
}

void TestStripChart::aMinimumAtOrAboveItsMaximum() {
    m_f->find<Knob>("CWpHmin")->setValue(15); // equal to the maximum
    QCOMPARE(chart()->axisRange(2), QCPRange(0, 15));
    m_f->find<Knob>("CWpHmin")->setValue(18);
    QCOMPARE(chart()->axisRange(2), QCPRange(0, 15));
    m_f->find<Knob>("CWpHmax")->setValue(20); // valid again
    QCOMPARE(chart()->axisRange(2), QCPRange(18, 20));
    QCOMPARE(chart()->axisRange(3), QCPRange(18, 20));

    auto* slide = m_f->find<SlideIndicator>("CWSlideTherm1");
    m_f->find<Knob>("CWtherMin")->setValue(28);
    m_f->window->showSlide(Slide::Therm1, 21);
    slide->grab(); // still paints
    QCOMPARE(slide->scaleMinimum(), 28.0);
    QVERIFY(slide->text().startsWith(QStringLiteral("21")));
    m_f->find<Knob>("CWtherMax")->setValue(30);
    QCOMPARE(slide->scaleMinimum(), 28.0);
    QCOMPARE(slide->scaleMaximum(), 30.0);
}

void TestStripChart::readoutFormats() {
    QCOMPARE(cursorValueText(7.123456), QStringLiteral("Y:  7.1235"));
    QCOMPARE(cursorValueText(7.5), QStringLiteral("Y:  7.5"));
    QCOMPARE(cursorValueText(7), QStringLiteral("Y:  7"));
    QCOMPARE(cursorValueText(0.25), QStringLiteral("Y:  0.25"));
    QCOMPARE(cursorValueText(-0.00001), QStringLiteral("Y:  0"));
    QCOMPARE(cursorTimeText(0.75), QStringLiteral("X:  18:00:00"));
    QCOMPARE(cursorTimeText(at(0, 0, 5)), QStringLiteral("X:  00:00:05"));
    useLocale(QStringLiteral("de_DE"));
    QCOMPARE(cursorValueText(7.25), QStringLiteral("Y:  7,25"));
    useLocale(QStringLiteral("en_US"));
    chart()->moveCursor(2, 0.5, 3);
    QCOMPARE(status()->panelText(2), QString());
    chart()->moveCursor(1, 0.5, 3.14159);
    QCOMPARE(status()->panelText(2), QStringLiteral("X:  12:00:00"));
    QCOMPARE(status()->panelText(3), QStringLiteral("Y:  3.1416"));
}

void TestStripChart::dragsWithTheMouse() {
    StripChart* c = chart();
    c->replot();
    const QRect area = c->axisRect()->rect();
    const QPoint centre = area.center();

    // Cursor mode: dragging cursor 1 moves it and shows where it is.
    m_f->find<ModeSelector>("GraphMode")->setValue(2);
    const QPoint cursorAt(int(c->xAxis->coordToPixel(c->cursorX(1))),
                          int(c->yAxis->coordToPixel(c->cursorY(1))));
    drag(c, cursorAt, cursorAt + QPoint(40, -30));
    QVERIFY(c->cursorY(1) > 7.5);
    QCOMPARE(status()->panelText(3), cursorValueText(c->cursorY(1)));

    // Pan: the plotted area moves with the drag, both pH axes alike.
    m_f->find<ModeSelector>("GraphMode")->setValue(1);
    const QCPRange before = c->axisRange(2);
    drag(c, centre, centre + QPoint(0, 40));
    QVERIFY(c->axisRange(2).lower > before.lower);
    QCOMPARE(c->axisRange(3), c->axisRange(2));

    // Zoom: a rectangle zooms into it.
    m_f->find<ModeSelector>("GraphMode")->setValue(0);
    const double spanBefore = c->axisRange(2).size();
    drag(c, centre - QPoint(15, 15), centre + QPoint(15, 15));
    QVERIFY(c->axisRange(2).size() < spanBefore / 2);
    QCOMPARE(c->axisRange(3), c->axisRange(2));
}

void TestStripChart::usableFromTheKeyboard() {
    StripChart* c = chart();
    auto* mode = m_f->find<ModeSelector>("GraphMode");
    QTest::keyClick(mode->slider(), Qt::Key_PageDown); // towards "Cursor "
    QCOMPARE(mode->value(), 2);
    QCOMPARE(c->interaction(), StripChart::Interaction::Cursor);
    const double x = c->cursorX(1);
    QTest::keyClick(c, Qt::Key_Right);
    QTest::keyClick(c, Qt::Key_Up);
    QVERIFY(c->cursorX(1) > x);
    QVERIFY(c->cursorY(1) > 7.5);
    QCOMPARE(status()->panelText(3), cursorValueText(c->cursorY(1)));
    mode->setValue(1);
    QTest::keyClick(c, Qt::Key_Minus); // zoom out about the centre, both pH axes alike
    QVERIFY(c->axisRange(2).size() > 15);
    QCOMPARE(c->axisRange(3), c->axisRange(2));
    auto* knob = m_f->find<Knob>("CWpHmin");
    QTest::keyClick(knob->dial(), Qt::Key_Up);
    QCOMPARE(knob->value(), 1.0);
    QCOMPARE(c->axisRange(2), QCPRange(1, 15));
}

QTEST_MAIN(TestStripChart)
#include "tst_stripchart.moc"

void TestStripChart::slidesRepaintForAMoveAndReadoutsCentreTheirFigures() {
    QVERIFY(QTest::qWaitForWindowExposed(m_f->window.get()));
    auto* slide = m_f->find<SlideIndicator>("CWSlideTherm1");
    m_f->window->showSlide(Slide::Therm1, 16.3);
    QCoreApplication::processEvents(); // the window laid out and painted: nothing left to paint
    m_f->window->repaint();
    PaintCounter counter;
    slide->installEventFilter(&counter);
    m_f->window->showSlide(Slide::Therm1, 16.301); // under a pixel, for the bar and the markers
    QCoreApplication::processEvents();
    QCOMPARE(counter.paints, 0);
    QVERIFY(slide->text().startsWith(QStringLiteral("16.301"))); // still read out
    m_f->window->showSlide(Slide::Therm1, 20);
    QTRY_VERIFY(counter.paints > 0);

    // Figures drawn from the glyph table, and shaped ones (Arabic digits), both centred.
    auto* readout = m_f->find<ReadoutLabel>("lblpH1");
    for (const QString& value :
         {QStringLiteral("7.0123"), QStringLiteral("\u0667\u066B\u0660\u0661")}) {
        readout->showValue(value);
        const auto [left, right] = figureMargins(readout);
        QVERIFY2(left > 2 && std::abs(left - right) <= 3, qPrintable(value));
    }
}
