#include "PasswordVault.h"

#include "SettingsLocation.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <qt6keychain/keychain.h>

namespace {
const QString kService = QStringLiteral("Halvane DGH Driver");

// Runs a key ring job to its end; the key ring answers over the session bus, or says at once
// that there is none.
QKeychain::Error run(QKeychain::Job& job) {
    job.setAutoDelete(false);
    job.setInsecureFallback(false);
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
    return job.error();
}

bool unreachable(QKeychain::Error error) {
    return error != QKeychain::NoError && error != QKeychain::EntryNotFound;
}
} // namespace

PasswordVault::PasswordVault(const SettingsLocation& settings)
    : m_key(QStringLiteral("mqtt:") + settings.fileName()), m_settingsFile(settings.fileName()) {}

QString PasswordVault::fallbackFile() const {
    const QFileInfo settings(m_settingsFile);
    return settings.absolutePath() + u'/' + settings.completeBaseName() +
           QStringLiteral(".mqtt-password");
}

QString PasswordVault::load() {
    QKeychain::ReadPasswordJob job(kService);
    job.setKey(m_key);
    const QKeychain::Error error = run(job);
    m_keyRing = !unreachable(error);
    if (error == QKeychain::NoError)
        return job.textData();
    QFile file(fallbackFile());
    if (m_keyRing || !QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.read(4096)).trimmed();
}

bool PasswordVault::store(const QString& password, QString* why) {
    QKeychain::WritePasswordJob job(kService);
    job.setKey(m_key);
    job.setTextData(password);
    m_keyRing = run(job) == QKeychain::NoError;
    if (m_keyRing) {
        QFile::remove(fallbackFile());
        return true;
    }
    // Created for the owner alone, and made so if it was not.
    QFile file(fallbackFile());
    const QFileDevice::Permissions owner = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate, owner) &&
        file.setPermissions(owner) && file.write(password.toUtf8() + '\n') > 0 && file.flush())
        return true;
    *why = file.errorString();
    return false;
}

void PasswordVault::forget() {
    QKeychain::DeletePasswordJob job(kService);
    job.setKey(m_key);
    run(job);
    QFile::remove(fallbackFile());
}

QString PasswordVault::place() const {
    return m_keyRing ? QStringLiteral("the desktop's key ring")
                     : QStringLiteral("%1, which only you can read")
                           .arg(QDir::toNativeSeparators(fallbackFile()));
}

PublishSettings loadPublishing(const SettingsLocation& settings, PasswordVault& vault,
                               bool* remember) {
    PublishSettings p = loadPublishSettings(settings, remember);
    QString ignored;
    if (!p.password.isEmpty() && vault.store(p.password, &ignored))
        savePublishSettings(settings, p, false);
    else if (p.password.isEmpty() && !p.user.isEmpty())
        p.password = vault.load();
    *remember = !p.password.isEmpty();
    return p;
}
