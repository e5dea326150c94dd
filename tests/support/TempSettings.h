#pragma once

#include "SettingsLocation.h"

#include <QTemporaryDir>

// A throwaway settings store; never the user's own.
struct TempSettings {
    QTemporaryDir dir;
    SettingsLocation location{dir.filePath(QStringLiteral("settings.ini"))};
};
