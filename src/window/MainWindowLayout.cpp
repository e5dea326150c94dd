// Builds the three framed panels of the main window.
#include "MainWindow.h"

#include "Knob.h"
#include "ModeSelector.h"
#include "ReadoutLabel.h"
#include "SlideIndicator.h"
#include "StripChart.h"
#include "TwoStateButton.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
QFont readoutFont() {
    // Haettenschweiler where it is installed, else a similar condensed heavy face.
    QFont font;
    font.setFamilies({QStringLiteral("Haettenschweiler"), QStringLiteral("Impact"),
                      QStringLiteral("DejaVu Sans Condensed"),
                      QStringLiteral("Liberation Sans Narrow")});
    font.setPointSize(18);
    font.setBold(true);
    font.setStretch(QFont::Condensed);
    return font;
}

// A borderless container, as the panels' picture boxes are.
QWidget* container(const char* name, QWidget* parent) {
    auto* w = new QWidget(parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

template <typename T> T* named(T* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// An array of option buttons named name_0, name_1, name_2 under a heading.
QWidget* selector(const char* containerName, const char* headingName, const QString& heading,
                  const char* arrayName, QRadioButton* (&buttons)[3], QWidget* parent) {
    QWidget* box = container(containerName, parent);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(0);
    layout->addWidget(named(new QLabel(heading, box), headingName));
    for (int i = 0; i < 3; ++i) {
        buttons[i] = new QRadioButton(QStringLiteral("T-%1").arg(i + 1), box);
        buttons[i]->setObjectName(QStringLiteral("%1_%2").arg(QLatin1String(arrayName)).arg(i));
        buttons[i]->setAccessibleName(QStringLiteral("%1 T-%2").arg(heading).arg(i + 1));
        layout->addWidget(buttons[i]);
    }
    buttons[0]->setChecked(true);
    return box;
}

Knob* knob(const char* name, const QString& caption, const QString& accessibleName, int min,
           int max, int value, QWidget* parent) {
    auto* k = named(new Knob(caption, min, max, value, parent), name);
    k->dial()->setAccessibleName(accessibleName);
    return k;
}
} // namespace

QGroupBox* MainWindow::readoutFrame(const char* frameName, const QString& caption,
                                    ReadoutLabel*& label, const char* labelName, bool red) {
    auto* frame = named(new QGroupBox(caption), frameName);
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(4, 2, 4, 4);
    label = named(
        new ReadoutLabel(caption, red ? QColor(0xff2020) : QColor(0x20ff20), readoutFont(), frame),
        labelName);
    layout->addWidget(label);
    return frame;
}

QWidget* MainWindow::buildFlowPanel() {
    auto* frame = named(new QGroupBox(QStringLiteral("Electronic Flow Gauge")), "Frame3");
    auto* outer = new QVBoxLayout(frame);
    QWidget* picture = container("Picture6", frame);
    outer->addWidget(picture);
    auto* grid = new QGridLayout(picture);
    grid->setContentsMargins(0, 0, 0, 0);

    auto* readouts = new QVBoxLayout;
    readouts->addWidget(readoutFrame("Frame9", QStringLiteral("Frequency"), lblHz, "lblHz", false));
    readouts->addWidget(readoutFrame("Frame1", QStringLiteral("Liters / min"), lblLitersPerMin,
                                     "lblLitersPerMin", false));
    readouts->addWidget(
        readoutFrame("Frame2", QStringLiteral("Total Liters"), liters, "liters", false));
    readouts->addStretch();
    grid->addLayout(readouts, 0, 0, 2, 1);

    CWSlideLiters = named(new SlideIndicator(QStringLiteral("Total Liters"), 0, 2, false, picture),
                          "CWSlideLiters");
    CWSlideFlow =
        named(new SlideIndicator(QStringLiteral("L/min"), 0, 5, false, picture), "CWSlideFlow");
    auto slideColumn = [&](SlideIndicator* slide, const QString& caption) {
        auto* column = new QVBoxLayout;
        auto* label = new QLabel(caption, picture);
        label->setAlignment(Qt::AlignCenter);
        column->addWidget(label);
        column->addWidget(slide, 1);
        return column;
    };
    grid->addLayout(slideColumn(CWSlideLiters, QStringLiteral("Total Liters")), 0, 1);
    grid->addLayout(slideColumn(CWSlideFlow, QStringLiteral("L/min")), 0, 2);

    CWKnobflow = knob("CWKnobflow", QStringLiteral("Total Liters tank scale"),
                      QStringLiteral("Total Liters tank scale"), 25, 400, 25, picture);
    cwbFlow = named(new TwoStateButton(QStringLiteral("Start"), QStringLiteral("Stop"),
                                       TwoStateButton::Kind::Toggle, picture),
                    "cwbFlow");
    cwbFlow->setPanelName(QStringLiteral("flow"));
    CWButton3 = named(new TwoStateButton(QStringLiteral("Reset"), QStringLiteral("Reset"),
                                         TwoStateButton::Kind::Momentary, picture),
                      "CWButton3");
    CWButton3->setPanelName(QStringLiteral("total liters"));
    auto* controls = new QVBoxLayout;
    controls->addWidget(CWKnobflow);
    controls->addWidget(cwbFlow);
    controls->addWidget(CWButton3);
    controls->addStretch();
    grid->addLayout(controls, 0, 3);
    return frame;
}

QWidget* MainWindow::buildPhPanel() {
    auto* frame = named(new QGroupBox(QStringLiteral("pH Probe")), "Frame6");
    auto* outer = new QVBoxLayout(frame);

    QWidget* chartBox = container("Picture4", frame);
    auto* chartLayout = new QVBoxLayout(chartBox);
    chartLayout->setContentsMargins(0, 0, 0, 0);
    CWGraph1 = named(new StripChart(chartBox), "CWGraph1");
    chartBox->setMinimumHeight(170);
    chartLayout->addWidget(CWGraph1);
    outer->addWidget(chartBox, 1);

    QWidget* controls = container("Picture3", frame);
    auto* row = new QHBoxLayout(controls);
    row->setContentsMargins(0, 0, 0, 0);
    Command1 = named(new QPushButton(QStringLiteral("Reset Scale"), controls), "Command1");
    Command1->setToolTip(
        QStringLiteral("Resets Y axis Min. Max settings after zoom or pan operation"));
    row->addWidget(selector("picPH1", "lblpH0", QStringLiteral("pH Probe #1"), "optTherm", optTherm,
                            controls));
    row->addWidget(selector("Picture1", "Label1", QStringLiteral("pH Probe #2"), "optTherm1",
                            optTherm1, controls));
    CWpHmin = knob("CWpHmin", QStringLiteral("Min."), QStringLiteral("pH scale Min."), 0, 20, 0,
                   controls);
    CWpHmax = knob("CWpHmax", QStringLiteral("Max."), QStringLiteral("pH scale Max."), 0, 20, 0,
                   controls);
    row->addWidget(CWpHmin);
    row->addWidget(CWpHmax);
    GraphMode = named(new ModeSelector(QStringLiteral("Graph mode"), 0, 3, 1,
                                       {{0, QStringLiteral("Zoom")},
                                        {1, QStringLiteral("Pan")},
                                        {2, QStringLiteral("Cursor ")}},
                                       controls),
                      "GraphMode");
    row->addWidget(GraphMode);
    cwPlot = named(new TwoStateButton(QStringLiteral("Start Plot"), QStringLiteral("Pause Plot"),
                                      TwoStateButton::Kind::ToggleWithLamp, controls),
                   "cwPlot");
    cwbPh = named(new TwoStateButton(QStringLiteral("Enable DGH"), QStringLiteral("Disable DGH"),
                                     TwoStateButton::Kind::ToggleWithLamp, controls),
                  "cwbPh");
    cwbPh->setAccessibleDescription(QStringLiteral("pH probes"));
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(Command1);
    buttons->addWidget(cwPlot);
    buttons->addWidget(cwbPh);
    row->addLayout(buttons);
    outer->addWidget(controls);

    QWidget* bottom = container("Picture2", frame);
    auto* readouts = new QHBoxLayout(bottom);
    readouts->setContentsMargins(0, 0, 0, 0);
    readouts->addWidget(readoutFrame("Frame5", QStringLiteral("mV1"), lblmV, "lblmV", false));
    readouts->addWidget(readoutFrame("Frame8", QStringLiteral("pH1"), lblpH, "lblpH", false));
    auto* rate = new QVBoxLayout;
    auto* rateLabel = named(new QLabel(QStringLiteral("Update rate (ms)"), bottom), "Label2");
    cmbUpdate = named(new QComboBox(bottom), "cmbUpdate");
    cmbUpdate->setEditable(true);
    cmbUpdate->setInsertPolicy(QComboBox::NoInsert);
    // Typed text stays as typed: completing "100" to "1000" would give the slowest rate.
    cmbUpdate->setCompleter(nullptr);
    cmbUpdate->setEditText(QStringLiteral("1000"));
    cmbUpdate->setAccessibleName(rateLabel->text());
    rateLabel->setBuddy(cmbUpdate);
    Command2 = named(new QPushButton(QStringLiteral("update"), bottom), "Command2");
    rate->addWidget(rateLabel);
    rate->addWidget(cmbUpdate);
    rate->addWidget(Command2);
    readouts->addLayout(rate);
    readouts->addWidget(readoutFrame("Frame14", QStringLiteral("mV2"), lblmV1, "lblmV1", true));
    readouts->addWidget(readoutFrame("Frame13", QStringLiteral("pH2"), lblpH1, "lblpH1", true));
    outer->addWidget(bottom);
    return frame;
}

QWidget* MainWindow::buildThermistorPanel() {
    auto* frame = named(new QGroupBox(QStringLiteral("Thermistors")), "Frame7");
    auto* outer = new QHBoxLayout(frame);
    QWidget* picture = container("Picture5", frame);
    outer->addWidget(picture);
    auto* row = new QHBoxLayout(picture);
    row->setContentsMargins(0, 0, 0, 0);

    auto* readouts = new QVBoxLayout;
    readouts->addWidget(
        readoutFrame("Frame10", QStringLiteral("Thermistor 1"), lblTherm1, "lblTherm1", false));
    readouts->addWidget(
        readoutFrame("Frame11", QStringLiteral("Thermistor 2"), lblTherm2, "lblTherm2", false));
    readouts->addWidget(
        readoutFrame("Frame12", QStringLiteral("Thermistor 3"), lblTherm3, "lblTherm3", false));
    row->addLayout(readouts);

    SlideIndicator** slides[] = {&CWSlideTherm1, &CWSlideTherm2, &CWSlideTherm3};
    for (int i = 0; i < 3; ++i) {
        *slides[i] =
            new SlideIndicator(QStringLiteral("Thermistor %1").arg(i + 1), 5, 25, true, picture);
        (*slides[i])->setObjectName(QStringLiteral("CWSlideTherm%1").arg(i + 1));
        (*slides[i])->setMinimumHeight(140);
        row->addWidget(*slides[i], 1);
    }
    CWtherMin = knob("CWtherMin", QStringLiteral("Min."), QStringLiteral("Thermistor scale Min."),
                     0, 30, 0, picture);
    CWtherMax = knob("CWtherMax", QStringLiteral("Max."), QStringLiteral("Thermistor scale Max."),
                     0, 30, 0, picture);
    row->addWidget(CWtherMin);
    row->addWidget(CWtherMax);
    cwbTherm = named(new TwoStateButton(QStringLiteral("Start"), QStringLiteral("Stop"),
                                        TwoStateButton::Kind::Toggle, picture),
                     "cwbTherm");
    cwbTherm->setPanelName(QStringLiteral("thermistors"));
    cwbReset = named(new TwoStateButton(QStringLiteral("Reset"), QStringLiteral("Reset"),
                                        TwoStateButton::Kind::Momentary, picture),
                     "cwbReset");
    cwbReset->setPanelName(QStringLiteral("thermistor markers"));
    auto* buttons = new QVBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cwbTherm);
    buttons->addWidget(cwbReset);
    buttons->addStretch();
    row->addLayout(buttons);
    return frame;
}
