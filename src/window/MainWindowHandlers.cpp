// The main window's event handlers: channel switches, resets, compensation selectors, update
// rate, scale knobs and the strip chart controls.
#include "MainWindow.h"

#include "Acquisition.h"
#include "ChartModes.h"
#include "Knob.h"
#include "LogSession.h"
#include "MeasurementState.h"
#include "ModeSelector.h"
#include "ReadoutLabel.h"
#include "RegionalText.h"
#include "SlideIndicator.h"
#include "StatusPanels.h"
#include "StripChart.h"
#include "TwoStateButton.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTime>

void MainWindow::connectHandlers() {
    connect(&m_acquisition, &Acquisition::readoutShown, this, &MainWindow::showReadout);
    connect(&m_acquisition, &Acquisition::slideShown, this, &MainWindow::showSlide);
    connect(&m_acquisition, &Acquisition::switchOffRequested, this, &MainWindow::switchGroupOff);
    connect(cwbPh, &TwoStateButton::valueChanged, this,
            [this](bool on) { onGroupSwitch(Group::Ph, on); });
    connect(cwbFlow, &TwoStateButton::valueChanged, this,
            [this](bool on) { onGroupSwitch(Group::Flow, on); });
    connect(cwbTherm, &TwoStateButton::valueChanged, this,
            [this](bool on) { onGroupSwitch(Group::Therm, on); });
    connect(cwbReset, &TwoStateButton::valueChanged, this, [this] {
        for (SlideIndicator* s : {CWSlideTherm1, CWSlideTherm2, CWSlideTherm3})
            s->resetMarkers();
    });
    connect(CWButton3, &TwoStateButton::valueChanged, this, [this] { m_state.totalCount = 0; });
    for (int i = 0; i < 3; ++i) {
        const qint16 selection = qint16(i + 1);
        // toggled, as a screen reader checks a radio button without clicking it
        connect(optTherm[i], &QRadioButton::toggled, this, [this, selection](bool checked) {
            if (checked)
                m_state.probe1ThermSel = selection;
        });
        connect(optTherm1[i], &QRadioButton::toggled, this, [this, selection](bool checked) {
            if (checked)
                m_state.probe2ThermSel = selection;
        });
    }

    // Only the operator's edits of the text apply the rate; picking an entry waits for "update".
    // Typed text selects the entry it matches exactly, and any other text none.
    const auto select = [this](int position) {
        m_rateMs.reset();
        if (position >= 0)
            m_rateMs = cmbUpdate->itemData(position).toInt();
    };
    connect(cmbUpdate, &QComboBox::currentIndexChanged, this, select);
    connect(cmbUpdate, &QComboBox::activated, this, select);
    connect(cmbUpdate->lineEdit(), &QLineEdit::textEdited, this,
            [this, select](const QString& text) {
                const int position = cmbUpdate->findText(text, Qt::MatchExactly);
                select(position);
                if (position >= 0)
                    cmbUpdate->setCurrentIndex(position);
                applyUpdateRate();
            });
    connect(Command2, &QPushButton::clicked, this, &MainWindow::applyUpdateRate);

    connect(CWtherMax, &Knob::valueChanged, this, [this] {
        for (SlideIndicator* s : {CWSlideTherm1, CWSlideTherm2, CWSlideTherm3})
            s->setScaleMaximum(CWtherMax->value());
    });
    connect(CWtherMin, &Knob::valueChanged, this, [this] {
        for (SlideIndicator* s : {CWSlideTherm1, CWSlideTherm2, CWSlideTherm3})
            s->setScaleMinimum(CWtherMin->value());
    });
    const auto phRange = [this] { applyPhRange(*CWGraph1, CWpHmin->value(), CWpHmax->value()); };
    connect(CWpHmin, &Knob::valueChanged, this, phRange);
    connect(CWpHmax, &Knob::valueChanged, this, phRange);
    connect(Command1, &QPushButton::clicked, this, phRange);
    connect(CWKnobflow, &Knob::valueChanged, this,
            [this] { CWSlideLiters->setScaleMaximum(CWKnobflow->value()); });

    connect(cwPlot, &TwoStateButton::valueChanged, this, [this](bool on) {
        // Resuming leaves a gap in time; it shows as a gap, not as a line across it.
        if (on)
            CWGraph1->breakTraces();
        tmrPlot.setEnabled(on);
    });
    connect(&tmrPlot, &WindowTimer::tick, this, &MainWindow::plotTick);
    connect(GraphMode, &ModeSelector::valueChanged, this,
            [this](int mode) { applyGraphMode(*CWGraph1, mode); });
    connect(CWGraph1, &StripChart::cursorMoved, this, [this](int cursor, double, double y) {
        if (cursor != 1)
            return;
        StatusBar1->setPanelText(2, cursorTimeText(CWGraph1->cursorX(1)));
        StatusBar1->setPanelText(3, cursorValueText(y));
    });
}

void MainWindow::onGroupSwitch(Group group, bool on) {
    struct Members {
        QList<ReadoutLabel*> readouts;
        QList<SlideIndicator*> slides;
    };
    const Members members[] = {
        {{lblmV, lblpH}, {}}, // probe 2's readouts keep their last values
        {{lblHz, lblLitersPerMin, liters}, {CWSlideFlow, CWSlideLiters}},
        {{lblTherm1, lblTherm2, lblTherm3}, {CWSlideTherm1, CWSlideTherm2, CWSlideTherm3}},
    };
    const Members& m = members[int(group)];
    m_acquisition.setGroup(group, on);
    if (on)
        return;
    for (ReadoutLabel* label : m.readouts)
        label->showValue(QString());
    if (group == Group::Flow)
        m_logSession.setTotalLiters(std::nullopt);
    for (SlideIndicator* slide : m.slides)
        slide->setDisplayedValue(0);
}

void MainWindow::applyUpdateRate() {
    const int before = m_acquisition.readTimer().interval();
    m_acquisition.applyRate(m_rateMs);
    audit(QStringLiteral("Update rate"), QStringLiteral("%1 ms").arg(before),
          QStringLiteral("%1 ms").arg(m_acquisition.readTimer().interval()));
}

void MainWindow::plotTick() {
    // Each point carries its own time reading.
    CWGraph1->appendPoint(2, regional::timeOfDayValue(QTime::currentTime()), m_state.ph2);
    CWGraph1->appendPoint(1, regional::timeOfDayValue(QTime::currentTime()), m_state.ph1);
}
