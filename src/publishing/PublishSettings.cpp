#include "PublishSettings.h"

#include "QuotedText.h"
#include "SettingsLocation.h"

#include <QSysInfo>
#include <QUrl>
#include <algorithm>

namespace {
const QString kSection = QStringLiteral("Publish");

bool stationCharacter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           c == u'-' || c == u'_';
}
} // namespace

std::optional<BrokerAddress> parseBrokerUrl(const QString& url, QString* why) {
    const QUrl parsed(url.trimmed(), QUrl::StrictMode);
    const QString scheme = parsed.scheme().toLower();
    if (!parsed.isValid() || (scheme != u"mqtt" && scheme != u"mqtts") || parsed.host().isEmpty() ||
        !(parsed.path().isEmpty() || parsed.path() == u"/") || parsed.hasQuery() ||
        !parsed.userInfo().isEmpty() || parsed.port() == 0) {
        // The user and password belong in their own fields; a password is never repeated.
        *why = QStringLiteral("\"%1\" is not a broker address: write mqtt://host:1883 or "
                              "mqtts://host:8883%2.")
                   .arg(quotedText(withoutPassword(url.trimmed())),
                        parsed.userInfo().isEmpty()
                            ? QString()
                            : QStringLiteral(", with the user and password given apart"));
        return std::nullopt;
    }
    BrokerAddress address;
    address.tls = scheme == u"mqtts";
    address.host = parsed.host();
    address.port = parsed.port(address.tls ? 8883 : 1883);
    return address;
}

bool validStation(const QString& station) {
    return !station.isEmpty() && std::all_of(station.begin(), station.end(), stationCharacter);
}

QString defaultStation() {
    QString name = QSysInfo::machineHostName();
    for (QChar& c : name)
        if (!stationCharacter(c))
            c = u'_';
    return name.isEmpty() ? QStringLiteral("rig") : name;
}

PublishSettings loadPublishSettings(const SettingsLocation& settings, bool* rememberPassword) {
    PublishSettings p;
    const auto text = [&](const char* key, const QString& fallback = QString()) {
        return settings.text(kSection, QLatin1String(key), fallback);
    };
    p.enabled = text("enabled", QStringLiteral("false")) == u"true";
    p.url = text("url");
    p.station = text("station", defaultStation());
    p.user = text("user");
    p.password = text("password");
    p.caFile = text("ca");
    *rememberPassword = !p.password.isEmpty();
    return p;
}

bool savePublishSettings(const SettingsLocation& settings, const PublishSettings& p,
                         bool rememberPassword) {
    const auto put = [&](const char* key, const QString& value) {
        return settings.setText(kSection, QLatin1String(key), value);
    };
    return put("enabled", p.enabled ? QStringLiteral("true") : QStringLiteral("false")) &&
           put("url", p.url) && put("station", p.station) && put("user", p.user) &&
           put("password", rememberPassword ? p.password : QString()) && put("ca", p.caFile);
}

QString publishingAuditText(const PublishSettings& p) {
    return QStringLiteral("%1; %2; station %3; user %4; CA file %5")
        .arg(p.enabled ? QStringLiteral("on") : QStringLiteral("off"),
             withoutPassword(p.url).isEmpty() ? QStringLiteral("no broker")
                                              : withoutPassword(p.url),
             p.station, p.user.isEmpty() ? QStringLiteral("none") : p.user,
             p.caFile.isEmpty() ? QStringLiteral("none") : p.caFile);
}
