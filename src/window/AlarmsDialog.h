#pragma once

#include "AlarmSettings.h"

#include <QDialog>
#include <array>

class AlarmMonitor;
class OperatorDialogs;
class QCheckBox;
class QLineEdit;
class SettingsLocation;

// "Alarms": each quantity's low and high limit (either may be empty), deadband and delay, each
// module group's silence before its alarm, and the sound. Numbers in the region's form; OK
// refuses values that do not make limits, stores them in [Alarms] and applies them at once.
class AlarmsDialog : public QDialog {
    Q_OBJECT
public:
    AlarmsDialog(AlarmMonitor& monitor, AlarmSettings& current, const SettingsLocation& settings,
                 OperatorDialogs& dialogs, QWidget* parent = nullptr);

    void confirm();

private:
    AlarmMonitor& m_monitor;
    AlarmSettings& m_current;
    const SettingsLocation& m_settings;
    OperatorDialogs& m_dialogs;
    // By quantity: low, high, deadband, delay.
    std::array<std::array<QLineEdit*, 4>, kQuantities.size()> m_limits{};
    std::array<QLineEdit*, 3> m_silent{}; // by Group
    QCheckBox* m_sound;
};
