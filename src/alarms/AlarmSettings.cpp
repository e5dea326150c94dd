#include "AlarmSettings.h"

#include "SettingsLocation.h"

namespace {
const QString kSection = QStringLiteral("Alarms");
const QString kSound = QStringLiteral("sound");
} // namespace

AlarmSettings loadAlarmSettings(const SettingsLocation& settings, QStringList* refused) {
    AlarmSettings a;
    for (const auto& [key, value] : limitEntries(a.limits)) {
        const QString stored = settings.text(kSection, key, value);
        AlarmLimits trial = a.limits;
        if (setLimit(trial, key, stored) && !limitsProblem(trial))
            a.limits = trial;
        else if (refused)
            refused->append(key + u'=' + stored.left(40));
    }
    a.sound = settings.text(kSection, kSound, QStringLiteral("false")) == u"true";
    return a;
}

bool saveAlarmSettings(const SettingsLocation& settings, const AlarmSettings& a) {
    for (const auto& [key, value] : limitEntries(a.limits))
        if (!settings.setText(kSection, key, value))
            return false;
    return settings.setText(kSection, kSound,
                            a.sound ? QStringLiteral("true") : QStringLiteral("false"));
}
