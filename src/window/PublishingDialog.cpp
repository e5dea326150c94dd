#include "PublishingDialog.h"

#include "PasswordVault.h"

#include "MqttPublisher.h"
#include "OperatorDialogs.h"
#include "PublishSettings.h"
#include "SettingsLocation.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

PublishingDialog::PublishingDialog(MqttPublisher& publisher, const SettingsLocation& settings,
                                   OperatorDialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_publisher(publisher), m_settings(settings), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("frmPublishing"));
    setWindowTitle(QStringLiteral("Publishing"));
    // What runs now, with a password not stored; else what the settings file holds.
    bool remember = false;
    PasswordVault vault(settings);
    const PublishSettings stored = loadPublishing(settings, vault, &remember);
    const PublishSettings p =
        m_publisher.settings().url.isEmpty() ? stored : m_publisher.settings();

    auto named = [](auto* widget, const char* name, const QString& accessible) {
        widget->setObjectName(QLatin1String(name));
        widget->setAccessibleName(accessible);
        return widget;
    };
    m_enabled = named(new QCheckBox(QStringLiteral("&Publish every reading"), this), "chkEnabled",
                      QStringLiteral("Publish every reading"));
    m_enabled->setChecked(p.enabled);
    m_url = named(new QLineEdit(p.url, this), "txtBroker", QStringLiteral("Broker"));
    m_url->setPlaceholderText(QStringLiteral("mqtt://host:1883"));
    m_station = named(new QLineEdit(p.station.isEmpty() ? defaultStation() : p.station, this),
                      "txtStation", QStringLiteral("Station"));
    m_user = named(new QLineEdit(p.user, this), "txtUser", QStringLiteral("User name"));
    m_password = named(new QLineEdit(p.password, this), "txtPassword", QStringLiteral("Password"));
    m_password->setEchoMode(QLineEdit::Password);
    m_remember = named(new QCheckBox(QStringLiteral("&Remember the password"), this), "chkRemember",
                       QStringLiteral("Remember the password"));
    m_remember->setChecked(remember);
    // Where a remembered password goes: never the settings file, which others may read.
    auto* place =
        new QLabel(QStringLiteral("A remembered password is kept in %1.").arg(vault.place()), this);
    place->setObjectName(QStringLiteral("lblPasswordPlace"));
    place->setWordWrap(true);
    m_ca =
        named(new QLineEdit(p.caFile, this), "txtCa", QStringLiteral("Certificate authority file"));
    m_ca->setPlaceholderText(QStringLiteral("for mqtts: the system's own when empty"));

    auto* form = new QFormLayout;
    form->addRow(m_enabled);
    form->addRow(QStringLiteral("&Broker:"), m_url);
    form->addRow(QStringLiteral("&Station:"), m_station);
    form->addRow(QStringLiteral("&User name:"), m_user);
    form->addRow(QStringLiteral("Pass&word:"), m_password);
    form->addRow(m_remember);
    form->addRow(place);
    form->addRow(QStringLiteral("&CA file:"), m_ca);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOk"));
    connect(buttons, &QDialogButtonBox::accepted, this, &PublishingDialog::confirm);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    m_url->setMinimumWidth(
        fontMetrics().horizontalAdvance(QStringLiteral("mqtts://broker.lab.example:8883")));
}

void PublishingDialog::confirm() {
    PublishSettings p;
    p.enabled = m_enabled->isChecked();
    p.url = m_url->text().trimmed();
    p.station = m_station->text().trimmed();
    p.user = m_user->text();
    p.password = m_password->text();
    p.caFile = m_ca->text().trimmed();
    QString why;
    // An address is checked whenever one is given, so a wrong one is never stored.
    if ((p.enabled || !p.url.isEmpty()) && !parseBrokerUrl(p.url, &why))
        return m_dialogs.message(why);
    if (!validStation(p.station))
        return m_dialogs.message(QStringLiteral("\"%1\" is not a station name: use letters, "
                                                "digits, \"-\" and \"_\".")
                                     .arg(p.station));
    if (!savePublishSettings(m_settings, p, false))
        m_dialogs.message(QStringLiteral("The publishing settings could not be saved to %1.")
                              .arg(QDir::toNativeSeparators(m_settings.fileName())));
    PasswordVault vault(m_settings);
    if (!m_remember->isChecked() || p.password.isEmpty())
        vault.forget();
    else if (!vault.store(p.password, &why))
        m_dialogs.message(QStringLiteral("The password could not be remembered: %1").arg(why));
    m_publisher.configure(p);
    accept();
}
