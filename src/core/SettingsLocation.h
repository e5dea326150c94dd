#pragma once

#include "BoundedCall.h"

#include <QSettings>
#include <QString>
#include <memory>

// Where the per-user settings store lives. The program uses the user's own location; tests and
// the demo point it at a throwaway file.
class SettingsLocation {
public:
    // The user's store for the application name in settingskeys::kApplication.
    SettingsLocation();
    explicit SettingsLocation(QString iniFile);

    std::unique_ptr<QSettings> open() const;
    // False when something other than a readable file stands at the store's path, or its file
    // system does not answer in time; every read then gives its default and nothing is written,
    // for the rest of the run.
    bool readable() const;
    // Text of section/key, or the default when the key is absent. A stored text holding a comma
    // comes back whole, never split into a list.
    QString text(const QString& section, const QString& key, const QString& defaultText) const;
    bool contains(const QString& section, const QString& key) const;
    // False when the store could not be written (no permission, no such folder).
    bool setText(const QString& section, const QString& key, const QString& text) const;
    const QString& fileName() const { return m_file; }

private:
    QString m_file;
    mutable bool m_unreadable = false;
    // Shared by copies of the location: one thread for its looks at the file.
    std::shared_ptr<BoundedWorker> m_worker = std::make_shared<BoundedWorker>();
};
