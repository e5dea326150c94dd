#include "BufferAssistant.h"

#include "Acquisition.h"
#include "CalibrationHistory.h"
#include "MeasurementState.h"
#include "MonotonicClock.h"
#include "RegionalText.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

namespace {
// The buffers labs keep: NIST and technical standards at 25 degrees.
constexpr double kBufferValues[] = {4.01, 6.86, 7.00, 9.18, 10.01};
constexpr int kFirstBufferDefault = 2;  // 7.00: the offset first
constexpr int kSecondBufferDefault = 0; // 4.01
constexpr int kHistoryShown = 5;
// What Apply puts into the boxes: 0.01 mV of offset, as the modules read, and a slope to 0.01 %.
constexpr int kOffsetDecimals = 5;
constexpr int kSlopeDecimals = 4;

QString fixed(double value, int decimals) {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator); // "2577.70", as the readouts show
    return locale.toString(value, 'f', decimals);
}

QString wholeSeconds(std::chrono::nanoseconds time) {
    return fixed(double(std::chrono::duration_cast<std::chrono::seconds>(time).count()), 0);
}

// "+0.00" rather than "-0.00" for a change that rounds away.
QString signedFixed(double value, int decimals) {
    const double shown = regional::roundHalfEven(value, decimals);
    return shown > 0 || shown == 0 ? QStringLiteral("+") + fixed(std::abs(shown), decimals)
                                   : fixed(shown, decimals);
}

QString readingText(const BufferReading& r) {
    return QStringLiteral("%1 mV at %2 °C").arg(fixed(r.millivolts, 2), fixed(r.celsius, 2));
}

QLabel* wrappingLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    return label;
}

ProbeCalibration rounded(const ProbeCalibration& c) {
    return {regional::roundHalfEven(c.offset, kOffsetDecimals),
            regional::roundHalfEven(c.slope, kSlopeDecimals)};
}
} // namespace

BufferAssistant::BufferAssistant(int probe, const MeasurementState& state,
                                 const CalibrationServices& services, QWidget* parent)
    : QDialog(parent), m_probe(probe), m_state(state), m_services(services) {
    setObjectName(QStringLiteral("frmBuffers"));
    setWindowTitle(QStringLiteral("Calibrate Probe %1 from Buffers").arg(probe));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    // Takes the size its texts need as they change (a warning, a taken reading), so that
    // nothing is ever cut off.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto* now = new QGroupBox(QStringLiteral("Probe %1 now").arg(probe), this);
    auto* nowLayout = new QVBoxLayout(now);
    m_live = wrappingLabel(now);
    m_live->setObjectName(QStringLiteral("lblLive"));
    m_stable = wrappingLabel(now);
    m_stable->setObjectName(QStringLiteral("lblStable"));
    m_switchOn = new QPushButton(QStringLiteral("Switch pH Reading On"), now);
    m_switchOn->setObjectName(QStringLiteral("cmdSwitchOn"));
    nowLayout->addWidget(m_live);
    nowLayout->addWidget(m_stable);
    nowLayout->addWidget(m_switchOn, 0, Qt::AlignLeft);
    layout->addWidget(now);

    auto* buffers = new QGroupBox(QStringLiteral("Buffers"), this);
    auto* grid = new QGridLayout(buffers);
    for (int i = 0; i < 2; ++i) {
        auto* caption = new QLabel(QStringLiteral("Buffer %1 (pH):").arg(i + 1), buffers);
        m_bufferPh[i] = new QComboBox(buffers);
        m_bufferPh[i]->setObjectName(QStringLiteral("cmbBuffer_%1").arg(i));
        m_bufferPh[i]->setEditable(true);
        m_bufferPh[i]->setInsertPolicy(QComboBox::NoInsert);
        for (double value : kBufferValues)
            m_bufferPh[i]->addItem(fixed(value, 2));
        m_bufferPh[i]->setCurrentIndex(i == 0 ? kFirstBufferDefault : kSecondBufferDefault);
        m_bufferPh[i]->setAccessibleName(QStringLiteral("Buffer %1 pH").arg(i + 1));
        caption->setBuddy(m_bufferPh[i]);
        m_accept[i] = new QPushButton(QStringLiteral("Accept"), buffers);
        m_accept[i]->setObjectName(QStringLiteral("cmdAccept_%1").arg(i));
        m_accept[i]->setAccessibleName(QStringLiteral("Accept buffer %1").arg(i + 1));
        m_acceptedText[i] = wrappingLabel(buffers);
        m_acceptedText[i]->setObjectName(QStringLiteral("lblAccepted_%1").arg(i));
        m_acceptedText[i]->setText(QStringLiteral("Not taken yet"));
        grid->addWidget(caption, i, 0);
        grid->addWidget(m_bufferPh[i], i, 1);
        grid->addWidget(m_accept[i], i, 2);
        grid->addWidget(m_acceptedText[i], i, 3);
        connect(m_accept[i], &QPushButton::clicked, this, [this, i] { acceptBuffer(i); });
        connect(m_bufferPh[i], &QComboBox::currentTextChanged, this,
                &BufferAssistant::showReadingState);
    }
    grid->setColumnStretch(3, 1);
    auto* oneOrTwo = new QLabel(QStringLiteral("One buffer corrects the offset and keeps the "
                                               "slope;\ntwo buffers at least 2 pH apart give "
                                               "both."),
                                buffers);
    grid->addWidget(oneOrTwo, 2, 0, 1, 4);
    layout->addWidget(buffers);

    auto* result = new QGroupBox(QStringLiteral("Result"), this);
    auto* resultLayout = new QVBoxLayout(result);
    m_result = wrappingLabel(result);
    m_result->setObjectName(QStringLiteral("lblResult"));
    m_warnings = wrappingLabel(result);
    m_warnings->setObjectName(QStringLiteral("lblWarnings"));
    QPalette warn = m_warnings->palette();
    warn.setColor(QPalette::WindowText, QColor(0xb0, 0x00, 0x20));
    m_warnings->setPalette(warn);
    resultLayout->addWidget(m_result);
    resultLayout->addWidget(m_warnings);
    layout->addWidget(result);

    auto* history =
        new QGroupBox(QStringLiteral("Earlier calibrations of probe %1").arg(probe), this);
    auto* historyLayout = new QVBoxLayout(history);
    m_history = wrappingLabel(history);
    m_history->setObjectName(QStringLiteral("lblHistory"));
    historyLayout->addWidget(m_history);
    layout->addWidget(history);

    auto* reasonRow = new QHBoxLayout;
    auto* reasonLabel = new QLabel(QStringLiteral("Reason:"), this);
    m_reason = new QLineEdit(this);
    m_reason->setObjectName(QStringLiteral("txtReason"));
    m_reason->setAccessibleName(QStringLiteral("Reason"));
    m_reason->setMaxLength(500);
    reasonLabel->setBuddy(m_reason);
    reasonRow->addWidget(reasonLabel);
    reasonRow->addWidget(m_reason, 1);
    layout->addLayout(reasonRow);

    auto* buttons = new QDialogButtonBox(this);
    m_apply = buttons->addButton(QStringLiteral("Apply"), QDialogButtonBox::ApplyRole);
    m_apply->setObjectName(QStringLiteral("cmdApply"));
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    close->setObjectName(QStringLiteral("cmdClose"));
    layout->addWidget(buttons);

    connect(m_apply, &QPushButton::clicked, this,
            [this] { emit applied(m_probe, rounded(m_solution.calibration), acceptedBuffers()); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(m_switchOn, &QPushButton::clicked, this, &BufferAssistant::phReadingRequested);
    connect(&m_services.acquisition, &Acquisition::readoutShown, this, [this](Readout readout) {
        if (readout == (m_probe == 2 ? Readout::Probe2mV : Readout::Probe1mV))
            takeReading();
    });
    // The pH switch can change anywhere; look again now and then.
    auto* watch = new QTimer(this);
    connect(watch, &QTimer::timeout, this, &BufferAssistant::showReadingState);
    watch->start(500);

    showReadingState();
    showSolution();
    showHistory();
}

QString BufferAssistant::reason() const {
    return m_reason->text().simplified();
}

qint16 BufferAssistant::thermistorSelector() const {
    return m_probe == 2 ? m_state.probe2ThermSel : m_state.probe1ThermSel;
}

void BufferAssistant::takeReading() {
    const double millivolts = m_probe == 2 ? m_state.probe2mV : m_state.probe1mV;
    m_latest = BufferReading{0, millivolts, compensationTemperature(m_state, thermistorSelector())};
    m_stability.add(m_services.clock.now(), millivolts);
    showReadingState();
}

void BufferAssistant::showReadingState() {
    const qint16 selector = thermistorSelector();
    const int thermistor = selector == 2 || selector == 3 ? selector : 1;
    if (m_latest)
        m_live->setText(QStringLiteral("%1 (thermistor T-%2)%3")
                            .arg(readingText(*m_latest))
                            .arg(thermistor)
                            .arg(m_state.thermOn ? QString()
                                                 : QStringLiteral(". The thermistors are not "
                                                                  "being read: the temperature "
                                                                  "is the last one read.")));
    else
        m_live->setText(QStringLiteral("No reading yet."));

    const bool reading = m_state.phOn;
    m_switchOn->setVisible(!reading);
    // Every number in the region's form: "0,1 mV" on a German machine.
    const QString band = fixed(ReadingStability::kBandMillivolts, 1);
    const QString settle = wholeSeconds(ReadingStability::kSettleTime);
    if (!reading)
        m_stable->setText(QStringLiteral("The pH probes are not being read. Switch pH reading "
                                         "on to calibrate."));
    else if (!m_stability.hasReads())
        m_stable->setText(QStringLiteral("Waiting for readings..."));
    else if (m_stability.stable())
        m_stable->setText(QStringLiteral("Stable for %1 s (changed by less than %2 mV over "
                                         "the last %3 s).")
                              .arg(wholeSeconds(m_stability.steadyFor()), band, settle));
    else if (m_stability.recentSpread() < ReadingStability::kBandMillivolts)
        m_stable->setText(QStringLiteral("Steady for %1 s: stable once steady for %2 s.")
                              .arg(wholeSeconds(m_stability.steadyFor()), settle));
    else
        m_stable->setText(QStringLiteral("Settling: changed by %1 mV in the last %2 s. Accept "
                                         "when it has changed by less than %3 mV for %2 s.")
                              .arg(fixed(m_stability.recentSpread(), 2), settle, band));
    for (int i = 0; i < 2; ++i) {
        double ph;
        m_accept[i]->setEnabled(reading && m_stability.stable() &&
                                regional::parseNumber(m_bufferPh[i]->currentText(), &ph));
    }
}

void BufferAssistant::acceptBuffer(int index) {
    double ph;
    if (!m_latest || !regional::parseNumber(m_bufferPh[index]->currentText(), &ph))
        return;
    BufferReading taken = *m_latest;
    taken.ph = ph;
    m_accepted[index] = taken;
    m_acceptedText[index]->setText(
        QStringLiteral("pH %1: %2").arg(fixed(ph, 2), readingText(taken)));
    showSolution();
}

QList<BufferReading> BufferAssistant::acceptedBuffers() const {
    QList<BufferReading> taken;
    for (const auto& buffer : m_accepted)
        if (buffer)
            taken.append(*buffer);
    return taken;
}

void BufferAssistant::showSolution() {
    const QList<BufferReading> taken = acceptedBuffers();
    const ProbeCalibration current = calibrationOf(m_state, m_probe);
    m_solution = solveBuffers(taken, current);
    m_apply->setEnabled(m_solution.solved);
    if (taken.isEmpty()) {
        m_result->setText(QStringLiteral("Accept a buffer to see the calibration it gives."));
        m_warnings->clear();
        return;
    }
    if (!m_solution.solved) {
        m_result->setText(m_solution.problem);
        m_warnings->clear();
        return;
    }
    const ProbeCalibration c = rounded(m_solution.calibration);
    const QString slopeChange =
        std::isfinite(m_solution.slopeChangePercent)
            ? signedFixed(m_solution.slopeChangePercent, 1) + QStringLiteral(" %")
            : QStringLiteral("new");
    m_result->setText(
        QStringLiteral("New offset: %1 V (%2 mV), %3 mV against the current %4 V.\n"
                       "New slope: %5 (%6 mV per pH at 25 °C), %7 against the current %8.%9")
            .arg(fixed(c.offset, kOffsetDecimals), fixed(c.offset * 1000, 2),
                 signedFixed(m_solution.offsetChangeMillivolts, 2),
                 regional::numberText(current.offset), fixed(c.slope, kSlopeDecimals),
                 fixed(m_solution.millivoltsPerPhAt25, 2), slopeChange,
                 regional::numberText(current.slope))
            .arg(taken.size() == 1 ? QStringLiteral("\nOne buffer: the slope is kept.")
                                   : QString()));
    m_warnings->setText(m_solution.warnings.isEmpty()
                            ? QString()
                            : QStringLiteral("Warning: ") +
                                  m_solution.warnings.join(QStringLiteral("\nWarning: ")));
}

void BufferAssistant::showHistory() {
    QStringList lines;
    for (const CalibrationRecord& r : m_services.history.latest(m_probe, kHistoryShown)) {
        QStringList phs;
        for (const BufferReading& b : r.buffers)
            phs << fixed(b.ph, 2);
        lines << QStringLiteral("%1: offset %2 V, slope %3, %4")
                     .arg(r.when.toString(QStringLiteral("yyyy-MM-dd hh:mm")),
                          regional::numberText(r.calibration.offset),
                          regional::numberText(r.calibration.slope),
                          phs.isEmpty() ? QStringLiteral("typed in")
                                        : QStringLiteral("from buffers ") +
                                              phs.join(QStringLiteral(" and ")));
    }
    m_history->setText(lines.isEmpty() ? QStringLiteral("None recorded yet.")
                                       : lines.join(QLatin1Char('\n')));
}
