#pragma once

#include "AlarmLimits.h"

#include <QStringList>

class SettingsLocation;

// Section [Alarms] of the settings file: the limits under their keys, numbers with a full stop,
// and whether a sound plays while an alarm is unacknowledged.
struct AlarmSettings {
    AlarmLimits limits;
    bool sound = false;
};
// A stored value that is no finite number, or that breaks the limits, keeps the default and is
// named in *refused ("ph1-high=nan").
AlarmSettings loadAlarmSettings(const SettingsLocation& settings, QStringList* refused = nullptr);
bool saveAlarmSettings(const SettingsLocation& settings, const AlarmSettings& alarms);
