#pragma once

#include "PublishSettings.h"

#include <QString>

class SettingsLocation;

// Where the window keeps a broker password it is asked to remember: the desktop's key ring
// where one runs, else a file beside the settings that only its owner can read. Never the
// settings file, which everyone may read.
class PasswordVault {
public:
    explicit PasswordVault(const SettingsLocation& settings);

    // The remembered password, or an empty text.
    QString load();
    // False, with *why, when neither place could keep it.
    bool store(const QString& password, QString* why);
    void forget();
    // "the desktop's key ring", or the file, as the dialog tells it; known after load() or
    // store().
    QString place() const;

private:
    QString fallbackFile() const;

    QString m_key; // one entry per settings file
    QString m_settingsFile;
    bool m_keyRing = false;
};

// The publishing settings with the remembered password from the vault. A password an older
// version left in the settings file moves to the vault and out of the file.
PublishSettings loadPublishing(const SettingsLocation& settings, PasswordVault& vault,
                               bool* remember);
