#include "CalibrationDialog.h"

#include "CalibrationStore.h"
#include "MeasurementState.h"
#include "OperatorDialogs.h"
#include "RegionalText.h"
#include "Twips.h"

#include <QCloseEvent>
#include <QDateEdit>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

namespace {
constexpr double kInitialCalibrationTemp = 14; // degrees Celsius
} // namespace

CalibrationDialog::CalibrationDialog(MeasurementState& state, const CalibrationStore& store,
                                     OperatorDialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_state(state), m_store(store), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("frmCal"));
    setWindowTitle(QStringLiteral("pH Calibration"));
    setModal(false);
    const TwipsScale twips(font());
    setFixedSize(twips.pixels(2700), twips.pixels(5280));

    auto* frame = new QGroupBox(QStringLiteral("Coefficients"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setGeometry(twips.rect(180, 300, 2352, 3480));
    auto radio = [&](const char* name, const QString& caption, QRect r) {
        auto* b = new QRadioButton(caption, frame);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(r);
        return b;
    };
    m_probe1 = radio("Option1_0", QStringLiteral("Probe 1"), twips.rect(270, 360, 1005, 240));
    m_probe2 = radio("Option1_1", QStringLiteral("Probe 2"), twips.rect(270, 810, 1005, 240));
    auto field = [&](const char* labelName, const QString& caption, const char* boxName, int top) {
        auto* label = new QLabel(caption, frame);
        label->setObjectName(QLatin1String(labelName));
        label->setGeometry(twips.rect(225, top, 555, 255));
        auto* box = new QLineEdit(frame);
        box->setObjectName(QLatin1String(boxName));
        box->setGeometry(twips.rect(765, top, 672, 252));
        label->setBuddy(box);
        box->setAccessibleName(caption.chopped(1));
        return box;
    };
    m_offset = field("Label7", QStringLiteral("Offset:"), "txtOffset", 1545);
    m_slope = field("Label6", QStringLiteral("Slope:"), "txtSlope", 1905);
    m_serial = field("Label14", QStringLiteral("S/N.:"), "txtSerialNum", 2265);
    m_temperature = field("Label2", QStringLiteral("Temp.:"), "txtCalTemp", 2625);
    auto* dateLabel = new QLabel(QStringLiteral("Date:"), frame);
    dateLabel->setObjectName(QStringLiteral("Label1"));
    dateLabel->setGeometry(twips.rect(225, 2985, 555, 255));
    m_date = new QDateEdit(frame);
    m_date->setObjectName(QStringLiteral("DTPicker1"));
    m_date->setCalendarPopup(true);
    m_date->setDisplayFormat(regional::shortDateFormat());
    const QRect dateRect = twips.rect(765, 2985, 1215, 255);
    m_date->setGeometry(dateRect.x(), dateRect.y(), dateRect.width() + 20,
                        std::max(dateRect.height(), m_date->sizeHint().height()));
    m_date->setAccessibleName(QStringLiteral("Date"));
    dateLabel->setBuddy(m_date);
    auto* save = new QPushButton(QStringLiteral("Save"), this);
    save->setObjectName(QStringLiteral("Command1"));
    save->setGeometry(twips.rect(810, 4680, 975, 372));

    // Focus order of the design: serial, offset, slope, temperature, date, Save, the probes.
    setTabOrder(m_serial, m_offset);
    setTabOrder(m_offset, m_slope);
    setTabOrder(m_slope, m_temperature);
    setTabOrder(m_temperature, m_date);
    setTabOrder(m_date, save);
    setTabOrder(save, m_probe1);
    setTabOrder(m_probe1, m_probe2);

    m_temperature->setText(QLocale().toString(kInitialCalibrationTemp, 'f', 3));
    m_probe1->setChecked(true);
    connect(m_offset, &QLineEdit::textChanged, this, &CalibrationDialog::applyOffset);
    connect(m_slope, &QLineEdit::textChanged, this, &CalibrationDialog::applySlope);
    connect(m_serial, &QLineEdit::textChanged, this, &CalibrationDialog::applySerial);
    connect(m_temperature, &QLineEdit::textChanged, this, &CalibrationDialog::applyTemperature);
    connect(m_date, &QDateEdit::dateChanged, this, &CalibrationDialog::applyDate);
    // Checked by a click, the keyboard or a screen reader's "toggle" alike.
    for (QRadioButton* probe : {m_probe1, m_probe2})
        connect(probe, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked)
                loadProbe();
        });
    connect(save, &QPushButton::clicked, this, &CalibrationDialog::save);
    loadProbe();
}

int CalibrationDialog::selectedProbe() const {
    return m_probe2->isChecked() ? 2 : 1;
}

// Load and each probe choice: the temperature, then the chosen probe's stored values, which
// replace its unsaved edits.
void CalibrationDialog::loadProbe() {
    applyTemperature();
    const CalibrationStore::ProbeTexts t = m_store.readProbe(selectedProbe());
    assign(m_offset, t.offset, &CalibrationDialog::applyOffset);
    assign(m_slope, t.slope, &CalibrationDialog::applySlope);
    assign(m_serial, t.serial, &CalibrationDialog::applySerial);
    (selectedProbe() == 2 ? m_state.calDate2 : m_state.calDate1) = t.date;
    const QSignalBlocker block(m_date);
    m_date->setDate(regional::dateTimeOf(t.date).date());
}

void CalibrationDialog::assign(QLineEdit* box, const QString& text,
                               void (CalibrationDialog::*rule)()) {
    {
        const QSignalBlocker block(box);
        box->setText(text);
    }
    (this->*rule)();
}

void CalibrationDialog::applyOffset() {
    double v;
    if (regional::parseNumber(m_offset->text(), &v))
        (selectedProbe() == 2 ? m_state.offset2 : m_state.offset1) = v;
}

void CalibrationDialog::applySlope() {
    double v;
    if (regional::parseNumber(m_slope->text(), &v))
        (selectedProbe() == 2 ? m_state.slope2 : m_state.slope1) = v;
}

void CalibrationDialog::applySerial() {
    (selectedProbe() == 2 ? m_state.serial2 : m_state.serial1) = m_serial->text();
}

void CalibrationDialog::applyTemperature() {
    double v;
    if (regional::parseNumber(m_temperature->text(), &v))
        m_state.compTemp = v;
}

void CalibrationDialog::applyDate() {
    (selectedProbe() == 2 ? m_state.calDate2 : m_state.calDate1) =
        regional::dateValue(m_date->date());
}

void CalibrationDialog::save() {
    if (!m_store.saveProbe(selectedProbe(), m_state))
        m_dialogs.message(QStringLiteral("The calibration of probe %1 could not be saved to %2.")
                              .arg(selectedProbe())
                              .arg(QDir::toNativeSeparators(m_store.location())));
}

void CalibrationDialog::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closedFromFrame();
}
