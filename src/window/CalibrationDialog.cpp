#include "CalibrationDialog.h"

#include "AuditTrail.h"
#include "BufferAssistant.h"
#include "CalibrationHistory.h"
#include "CalibrationStore.h"
#include "MachineNumber.h"
#include "MeasurementState.h"
#include "OperatorDialogs.h"
#include "QuotedText.h"
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

struct ProbeValues {
    ProbeCalibration calibration;
    QString serial;
    double date;
};

// A probe's values in the audit trail: full-stop numbers and an ISO date in any region.
QString auditText(const ProbeValues& v) {
    return QStringLiteral("offset %1 V; slope %2; serial %3; date %4")
        .arg(QString::fromLatin1(machineNumber(v.calibration.offset)),
             QString::fromLatin1(machineNumber(v.calibration.slope)), quotedText(v.serial, 40),
             regional::dateTimeOf(v.date).date().toString(Qt::ISODate));
}

// The stored values as they were, read in the region's form or a full stop's; a stored text
// that is no number is kept as it stands.
QString auditText(const CalibrationStore::ProbeTexts& t) {
    const auto read = [](const QString& text, double* value) {
        return regional::parseNumber(text, value) ||
               regional::parseNumber(text, value, QLocale::c());
    };
    double offset = 0, slope = 0;
    if (!read(t.offset, &offset) || !read(t.slope, &slope))
        return QStringLiteral("offset %1; slope %2; serial %3; date %4")
            .arg(quotedText(t.offset, 40), quotedText(t.slope, 40), quotedText(t.serial, 40),
                 regional::dateTimeOf(t.date).date().toString(Qt::ISODate));
    return auditText({{offset, slope}, t.serial, t.date});
}
} // namespace

CalibrationDialog::CalibrationDialog(MeasurementState& state, const CalibrationServices& services,
                                     OperatorDialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_state(state), m_services(services), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("frmCal"));
    setWindowTitle(QStringLiteral("pH Calibration"));
    setModal(false);
    const TwipsScale twips(font());

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
    auto* reasonLabel = new QLabel(QStringLiteral("Reason:"), this);
    reasonLabel->setObjectName(QStringLiteral("lblReason"));
    reasonLabel->setGeometry(twips.rect(180, 3870, 2352, 255));
    m_reason = new QLineEdit(this);
    m_reason->setObjectName(QStringLiteral("txtReason"));
    const QRect reasonRect = twips.rect(180, 4155, 2352, 300);
    m_reason->setGeometry(reasonRect.x(), reasonRect.y(), reasonRect.width(),
                          std::max(reasonRect.height(), m_reason->sizeHint().height()));
    m_reason->setAccessibleName(QStringLiteral("Reason"));
    m_reason->setMaxLength(500);
    reasonLabel->setBuddy(m_reason);
    auto* save = new QPushButton(QStringLiteral("Save"), this);
    save->setObjectName(QStringLiteral("Command1"));
    save->setGeometry(twips.rect(810, 4680, 975, 372));
    auto* buffers = new QPushButton(QStringLiteral("Calibrate from buffers..."), this);
    buffers->setObjectName(QStringLiteral("cmdBuffers"));
    const QRect buffersRect = twips.rect(180, 5160, 2352, 372);
    buffers->setGeometry(buffersRect.x(), buffersRect.y(),
                         std::max(buffersRect.width(), buffers->sizeHint().width()),
                         buffersRect.height());
    setFixedSize(std::max(twips.pixels(2700), buffers->geometry().right() + twips.pixels(180)),
                 twips.pixels(5760));

    // Focus order of the design: serial, offset, slope, temperature, date, Save, the probes.
    setTabOrder(m_serial, m_offset);
    setTabOrder(m_offset, m_slope);
    setTabOrder(m_slope, m_temperature);
    setTabOrder(m_temperature, m_date);
    setTabOrder(m_date, m_reason);
    setTabOrder(m_reason, save);
    setTabOrder(save, buffers);
    setTabOrder(buffers, m_probe1);
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
    connect(buffers, &QPushButton::clicked, this, &CalibrationDialog::openBufferAssistant);
    loadProbe();
}

int CalibrationDialog::selectedProbe() const {
    return m_probe2->isChecked() ? 2 : 1;
}

// Load and each probe choice: the temperature, then the chosen probe's stored values, which
// replace its unsaved edits.
void CalibrationDialog::loadProbe() {
    applyTemperature();
    const CalibrationStore::ProbeTexts t = m_services.store.readProbe(selectedProbe());
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
    const int probe = selectedProbe();
    const QString reason = m_reason->text().simplified();
    if (reason.isEmpty() && AuditTrail::reasonRequired(m_services.settings)) {
        m_dialogs.message(QStringLiteral("Give the reason for this calibration of probe %1 "
                                         "before saving it.")
                              .arg(probe));
        m_reason->setFocus();
        return;
    }
    const CalibrationStore::ProbeTexts before = m_services.store.readProbe(probe);
    if (!m_services.store.saveProbe(probe, m_state)) {
        m_dialogs.message(QStringLiteral("The calibration of probe %1 could not be saved to %2.")
                              .arg(probe)
                              .arg(QDir::toNativeSeparators(m_services.store.location())));
        return;
    }
    emit saved();
    const CalibrationRecord record{QDateTime::currentDateTime(), probe,
                                   probe == 2 ? m_state.serial2 : m_state.serial1,
                                   calibrationOf(m_state, probe), buffersBehindValues()};
    m_services.audit.record(
        QStringLiteral("Calibration of probe %1%2")
            .arg(probe)
            .arg(record.buffers.isEmpty() ? QString() : QStringLiteral(" from buffers")),
        auditText(before),
        auditText(
            {record.calibration, record.serial, probe == 2 ? m_state.calDate2 : m_state.calDate1}),
        reason);
    m_reason->clear();
    if (!m_services.history.append(record))
        m_dialogs.message(QStringLiteral("The calibration of probe %1 was saved, but the "
                                         "calibration record %2 could not be written.")
                              .arg(probe)
                              .arg(QDir::toNativeSeparators(m_services.history.path())));
    if (m_assistant && m_assistant->probe() == probe)
        m_assistant->showHistory();
}

QList<BufferReading> CalibrationDialog::buffersBehindValues() const {
    const int probe = selectedProbe();
    const ProbeCalibration now = calibrationOf(m_state, probe);
    if (!m_applied || m_applied->probe != probe || m_applied->calibration.offset != now.offset ||
        m_applied->calibration.slope != now.slope)
        return {};
    return m_applied->buffers;
}

void CalibrationDialog::openBufferAssistant() {
    if (m_assistant && m_assistant->probe() != selectedProbe())
        m_assistant->close();
    if (!m_assistant || !m_assistant->isVisible()) {
        delete m_assistant;
        m_assistant = new BufferAssistant(selectedProbe(), m_state, m_services, this);
        m_assistant->setAttribute(Qt::WA_DeleteOnClose);
        m_assistant->setWindowFlag(Qt::Window);
        connect(m_assistant, &BufferAssistant::applied, this, &CalibrationDialog::applyCalibration);
        // The reason given in the assistant goes with the values it applied.
        connect(m_assistant, &BufferAssistant::applied, this, [this] {
            if (!m_assistant->reason().isEmpty())
                m_reason->setText(m_assistant->reason());
        });
        connect(m_assistant, &BufferAssistant::phReadingRequested, this,
                &CalibrationDialog::phReadingRequested);
    }
    m_assistant->show();
    m_assistant->raise();
    m_assistant->activateWindow();
}

void CalibrationDialog::applyCalibration(int probe, const ProbeCalibration& calibration,
                                         const QList<BufferReading>& buffers) {
    (probe == 2 ? m_probe2 : m_probe1)->setChecked(true);
    m_offset->setText(regional::numberText(calibration.offset));
    m_slope->setText(regional::numberText(calibration.slope));
    m_date->setDate(QDate::currentDate());
    m_applied = Applied{probe, calibrationOf(m_state, probe), buffers};
}

void CalibrationDialog::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closedFromFrame();
}
