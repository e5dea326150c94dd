#include "AlarmsDialog.h"

#include "AlarmMonitor.h"
#include "MachineNumber.h"
#include "OperatorDialogs.h"
#include "RegionalText.h"
#include "SettingsLocation.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const char* const kColumns[] = {"Low", "High", "Deadband", "Delay (s)"};
const char* const kParts[] = {"low", "high", "deadband", "delay"};
const char* const kGroupNames[] = {"pH modules", "Flow module", "Thermistors"}; // by Group

QString regionalText(const std::optional<double>& v) {
    return v ? regional::numberText(*v) : QString();
}
} // namespace

AlarmsDialog::AlarmsDialog(AlarmMonitor& monitor, AlarmSettings& current,
                           const SettingsLocation& settings, OperatorDialogs& dialogs,
                           QWidget* parent)
    : QDialog(parent), m_monitor(monitor), m_current(current), m_settings(settings),
      m_dialogs(dialogs) {
    setObjectName(QStringLiteral("frmAlarms"));
    setWindowTitle(QStringLiteral("Alarms"));
    auto* grid = new QGridLayout;
    for (int c = 0; c < 4; ++c)
        grid->addWidget(new QLabel(QLatin1String(kColumns[c]), this), 0, c + 1);
    const AlarmLimits& limits = current.limits;
    for (Quantity q : kQuantities) {
        const int row = int(q) + 1;
        grid->addWidget(new QLabel(quantityName(q), this), row, 0);
        const QuantityLimits& l = limits.of(q);
        const QString values[] = {regionalText(l.low), regionalText(l.high),
                                  regional::numberText(l.deadband),
                                  regional::numberText(l.onDelaySeconds)};
        for (int c = 0; c < 4; ++c) {
            auto* edit = new QLineEdit(values[c], this);
            edit->setObjectName(
                QStringLiteral("txt_%1_%2").arg(quantityKey(q), QLatin1String(kParts[c])));
            edit->setAccessibleName(quantityName(q) + u' ' + QLatin1String(kColumns[c]));
            edit->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00000000")));
            grid->addWidget(edit, row, c + 1);
            m_limits[size_t(q)][size_t(c)] = edit;
        }
    }
    int row = int(kQuantities.size()) + 1;
    grid->addWidget(new QLabel(QStringLiteral("Silent for (s) before an alarm:"), this), row++, 0,
                    1, 5);
    for (Group g : {Group::Ph, Group::Flow, Group::Therm}) {
        grid->addWidget(new QLabel(QLatin1String(kGroupNames[size_t(g)]), this), row, 0);
        auto* edit = new QLineEdit(regional::numberText(limits.silentSeconds[size_t(g)]), this);
        edit->setObjectName(QStringLiteral("txt_%1").arg(silentKey(g)));
        edit->setAccessibleName(QLatin1String(kGroupNames[size_t(g)]) +
                                QStringLiteral(" silent seconds"));
        edit->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00000000")));
        grid->addWidget(edit, row++, 1);
        m_silent[size_t(g)] = edit;
    }
    m_sound = new QCheckBox(QStringLiteral("&Sound while an alarm is not acknowledged"), this);
    m_sound->setObjectName(QStringLiteral("chkSound"));
    m_sound->setChecked(current.sound);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOk"));
    connect(buttons, &QDialogButtonBox::accepted, this, &AlarmsDialog::confirm);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(m_sound);
    layout->addWidget(buttons);
}

void AlarmsDialog::confirm() {
    AlarmSettings chosen;
    chosen.sound = m_sound->isChecked();
    // Each box in the region's form; an empty low or high leaves that limit unset.
    const auto take = [this](QLineEdit* edit, const QString& key, AlarmLimits& limits) {
        const QString text = edit->text().trimmed();
        double v = 0;
        if (text.isEmpty() && (key.endsWith(u"-low") || key.endsWith(u"-high")))
            return setLimit(limits, key, QString());
        if (!regional::parseNumber(text, &v)) {
            m_dialogs.message(
                QStringLiteral("\"%1\" is not a number (%2).").arg(text, edit->accessibleName()));
            return false;
        }
        return setLimit(limits, key, QString::fromLatin1(machineNumber(v)));
    };
    for (Quantity q : kQuantities)
        for (int c = 0; c < 4; ++c)
            if (!take(m_limits[size_t(q)][size_t(c)], limitsKey(q, kParts[c]), chosen.limits))
                return;
    for (Group g : {Group::Ph, Group::Flow, Group::Therm})
        if (!take(m_silent[size_t(g)], silentKey(g), chosen.limits))
            return;
    if (const auto problem = limitsProblem(chosen.limits))
        return m_dialogs.message(*problem);
    if (!saveAlarmSettings(m_settings, chosen))
        m_dialogs.message(QStringLiteral("The alarm limits could not be saved to %1.")
                              .arg(QDir::toNativeSeparators(m_settings.fileName())));
    m_current = chosen;
    m_monitor.setLimits(chosen.limits);
    accept();
}
