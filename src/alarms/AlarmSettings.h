#pragma once

#include "AlarmLimits.h"

class SettingsLocation;

// Section [Alarms] of the settings file: the limits under their keys, numbers with a full stop,
// and whether a sound plays while an alarm is unacknowledged.
struct AlarmSettings {
    AlarmLimits limits;
    bool sound = false;
};
AlarmSettings loadAlarmSettings(const SettingsLocation& settings);
bool saveAlarmSettings(const SettingsLocation& settings, const AlarmSettings& alarms);
