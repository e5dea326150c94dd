#pragma once

#include <QString>
#include <optional>

class SettingsLocation;

// Where and as whom readings are published.
struct PublishSettings {
    bool enabled = false;
    QString url;     // mqtt://host:1883 or mqtts://host:8883
    QString station; // the topic's second level: letters, digits, "-" and "_"
    QString user;
    QString password;
    QString caFile; // for mqtts: the authority the broker's certificate is checked against
    int keepAliveSeconds = 10;
};

// A broker URL taken apart; the port defaults to 1883, or 8883 with TLS.
struct BrokerAddress {
    QString host;
    int port = 1883;
    bool tls = false;
};
// Nothing, with *why set, for a URL that is not mqtt://host[:port] or mqtts://host[:port].
std::optional<BrokerAddress> parseBrokerUrl(const QString& url, QString* why);
bool validStation(const QString& station);
// The host name with every character a station may not hold made "_".
QString defaultStation();

// The settings as the audit trail keeps them: never the password.
QString publishingAuditText(const PublishSettings& publish);

// Section [Publish] of the settings file. The password is stored only when the operator asked
// for it to be remembered.
PublishSettings loadPublishSettings(const SettingsLocation& settings, bool* rememberPassword);
bool savePublishSettings(const SettingsLocation& settings, const PublishSettings& publish,
                         bool rememberPassword);
