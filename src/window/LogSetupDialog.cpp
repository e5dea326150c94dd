#include "LogSetupDialog.h"

#include "LogSession.h"
#include "OperatorDialogs.h"
#include "RegionalText.h"
#include "Twips.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <optional>

namespace {
const double kIntervalSeconds[] = {60, 30, 15, 10, 5, 2, 1, 0.5, 0.25, 0.2, 0.1};
} // namespace

LogSetupDialog::LogSetupDialog(LogSession& session, OperatorDialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_session(session), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("frmloggingph"));
    setWindowTitle(QStringLiteral("Logger"));
    setModal(false);
    const TwipsScale twips(font());
    setFixedSize(twips.pixels(3510), twips.pixels(2415));

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("cmdExit"));
    m_ok->setGeometry(twips.rect(1920, 1920, 972, 372));
    m_select = new QPushButton(QStringLiteral("Select File"), this);
    m_select->setObjectName(QStringLiteral("cmdSelect"));
    m_select->setGeometry(twips.rect(600, 1920, 972, 372));
    m_frame = new QGroupBox(QStringLiteral("Log File Parameters:"), this);
    m_frame->setObjectName(QStringLiteral("Frame1"));
    m_frame->setGeometry(twips.rect(120, 120, 3252, 1692));
    m_noSave = new QRadioButton(QStringLiteral("No Save"), m_frame);
    m_noSave->setObjectName(QStringLiteral("optDatafile_0"));
    m_noSave->setGeometry(twips.rect(120, 240, 1212, 372));
    m_writeToFile = new QRadioButton(QStringLiteral("Write to File"), m_frame);
    m_writeToFile->setObjectName(QStringLiteral("optDatafile_1"));
    m_writeToFile->setGeometry(twips.rect(120, 720, 1212, 252));
    m_append = new QRadioButton(QStringLiteral("Append"), this);
    m_append->setObjectName(QStringLiteral("optAppend_0"));
    m_append->setGeometry(twips.rect(720, 1200, 1332, 252));
    m_overwrite = new QRadioButton(QStringLiteral("Overwrite"), this);
    m_overwrite->setObjectName(QStringLiteral("optAppend_1"));
    m_overwrite->setGeometry(twips.rect(720, 1440, 1332, 252));
    // Two independent pairs: Qt would otherwise make every option button of a parent one group,
    // and "Write to File" in the frame would be found first.
    for (auto [first, second] : {std::pair{m_noSave, m_writeToFile}, {m_append, m_overwrite}}) {
        auto* group = new QButtonGroup(this);
        group->addButton(first);
        group->addButton(second);
    }
    m_interval = new QComboBox(m_frame);
    m_interval->setObjectName(QStringLiteral("cmbInterval"));
    const QRect comboRect = twips.rect(2040, 780, 792, 0);
    m_interval->setGeometry(comboRect.x(), comboRect.y(), comboRect.width(),
                            m_interval->sizeHint().height());
    m_intervalLabel = new QLabel(QStringLiteral("Logging Interval(sec)"), m_frame);
    m_intervalLabel->setObjectName(QStringLiteral("Label1"));
    m_intervalLabel->setGeometry(twips.rect(1800, 300, 1332, 372));
    m_intervalLabel->setWordWrap(true);
    m_intervalLabel->setBuddy(m_interval);
    m_interval->setAccessibleName(m_intervalLabel->text());
    // Off unless asked for: readers of the log expect the time of day.
    m_isoTime = new QCheckBox(QStringLiteral("ISO date-time"), m_frame);
    m_isoTime->setObjectName(QStringLiteral("chkIsoTime"));
    m_isoTime->setGeometry(twips.rect(1800, 1260, 1400, 300));
    m_isoTime->setAccessibleDescription(
        QStringLiteral("Writes each row's date and time with its offset from UTC, such as "
                       "2026-12-08T12:51:51.123+01:00, instead of the time of day"));

    setTabOrder(m_ok, m_select);
    setTabOrder(m_select, m_noSave);
    setTabOrder(m_noSave, m_writeToFile);
    setTabOrder(m_writeToFile, m_append);
    setTabOrder(m_append, m_overwrite);
    setTabOrder(m_overwrite, m_interval);
    setTabOrder(m_interval, m_isoTime);

    // On toggled, not clicked: a screen reader's "toggle" checks a radio button without a click.
    connect(m_noSave, &QRadioButton::toggled, this, &LogSetupDialog::applySaveMode);
    connect(m_writeToFile, &QRadioButton::toggled, this, &LogSetupDialog::applySaveMode);
    connect(m_select, &QPushButton::clicked, this, &LogSetupDialog::selectFile);
    connect(m_ok, &QPushButton::clicked, this, &LogSetupDialog::confirm);

    // Load: "No Save" with its rule, then the eleven intervals with none chosen.
    m_noSave->setChecked(true);
    applySaveMode();
    for (double seconds : kIntervalSeconds)
        m_interval->addItem(regional::numberText(seconds));
    m_interval->setCurrentIndex(-1);
}

void LogSetupDialog::applySaveMode() {
    const bool noSave = m_noSave->isChecked();
    m_append->setEnabled(!noSave);
    m_overwrite->setEnabled(!noSave);
    m_select->setEnabled(!noSave);
    m_isoTime->setEnabled(!noSave);
    m_ok->setEnabled(noSave);
}

void LogSetupDialog::selectFile() {
    const QString name =
        m_dialogs.chooseLogFile(m_session.logPath(), QStringLiteral("All Files (*.*)"));
    if (name.isEmpty())
        return;
    m_session.setLogPath(name);
    m_ok->setEnabled(true);
}

void LogSetupDialog::confirm() {
    std::optional<LogWriter::Mode> mode;
    if (m_writeToFile->isChecked()) {
        if (m_append->isChecked())
            mode = LogWriter::Mode::Append;
        else if (m_overwrite->isChecked())
            mode = LogWriter::Mode::Overwrite;
        else
            return; // a file needs an open mode: nothing at all happens
    }
    const int index = m_interval->currentIndex();
    const bool intervalChosen = index >= 0 && index < int(std::size(kIntervalsMs));
    const QString noInterval = QStringLiteral("Please enter a time interval for the log file");
    // Without any interval no row would ever be written: say so and stay open.
    if (!intervalChosen && m_session.intervalMs() == 0) {
        m_dialogs.message(noInterval);
        return;
    }
    m_session.setTimeColumn(m_isoTime->isChecked() ? LogWriter::TimeColumn::Iso
                                                   : LogWriter::TimeColumn::TimeOfDay);
    if (mode && !m_session.openLog(*mode))
        return;
    if (intervalChosen)
        m_session.setIntervalMs(kIntervalsMs[index]);
    else
        m_dialogs.message(noInterval);
    hide();
    m_session.start();
}

void LogSetupDialog::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closedFromFrame();
}
