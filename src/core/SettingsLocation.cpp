#include "SettingsLocation.h"

#include "SettingsKeys.h"

#include "BoundedCall.h"

#include <QFile>
#include <QFileInfo>

SettingsLocation::SettingsLocation()
    : m_file(QSettings(QSettings::IniFormat, QSettings::UserScope, settingskeys::kApplication)
                 .fileName()) {}

SettingsLocation::SettingsLocation(QString iniFile) : m_file(std::move(iniFile)) {}

std::unique_ptr<QSettings> SettingsLocation::open() const {
    return std::make_unique<QSettings>(m_file, QSettings::IniFormat);
}

bool SettingsLocation::readable() const {
    if (m_unreadable)
        return false;
    // A FIFO or a device in place of the file, or a file system that stops answering, would
    // hold the program on its first read: look, and read it through, in bounded time.
    const QString file = m_file;
    const bool usable = m_worker->run([file] {
        const QFileInfo info(file);
        if (!info.exists())
            return true;
        QFile f(file);
        return info.isFile() && f.open(QIODevice::ReadOnly) && (f.readAll(), true);
    }) == BoundedResult::Succeeded;
    m_unreadable = !usable;
    return usable;
}

QString SettingsLocation::text(const QString& section, const QString& key,
                               const QString& defaultText) const {
    if (!readable())
        return defaultText;
    const auto s = open();
    const QVariant v = s->value(section + '/' + key, defaultText);
    // An unquoted "2,5777" in the file reads back as a list; it is still one text.
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(',');
    return v.toString();
}

bool SettingsLocation::contains(const QString& section, const QString& key) const {
    return readable() && open()->contains(section + '/' + key);
}

bool SettingsLocation::setText(const QString& section, const QString& key,
                               const QString& text) const {
    if (!readable())
        return false;
    const auto s = open();
    s->setValue(section + '/' + key, text);
    s->sync();
    return s->status() == QSettings::NoError;
}
