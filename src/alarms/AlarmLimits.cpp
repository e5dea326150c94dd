#include "AlarmLimits.h"

#include "MachineNumber.h"
#include "Quantities.h"

#include <QList>
#include <charconv>
#include <cmath>

namespace {
// The quantity each limit watches, and its default deadband.
struct Watched {
    Readout readout;
    double deadband;
};
const Watched kWatched[] = {
    {Readout::Probe1pH, 0.05}, {Readout::Probe2pH, 0.05}, {Readout::Therm1, 0.2},
    {Readout::Therm2, 0.2},    {Readout::Therm3, 0.2},    {Readout::LitersPerMin, 0.05},
};
const char* const kGroupKeys[] = {"ph", "flow", "therm"}; // by Group

std::optional<double> parsedNumber(const QString& text) {
    const QByteArray t = text.trimmed().toLatin1();
    double v = 0;
    const auto [end, error] = std::from_chars(t.constData(), t.constData() + t.size(), v);
    // from_chars takes "nan" and "inf": no limit, deadband or time can be either.
    if (t.isEmpty() || error != std::errc() || end != t.constData() + t.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}
QString machineText(double v) {
    return QString::fromLatin1(machineNumber(v));
}
} // namespace

QString quantityName(Quantity q) {
    return quantityInfo(readoutOf(q)).name;
}
QString quantityKey(Quantity q) {
    return quantityInfo(readoutOf(q)).key;
}
Readout readoutOf(Quantity q) {
    return kWatched[size_t(q)].readout;
}
Group groupOf(Quantity q) {
    return quantityInfo(readoutOf(q)).group;
}

AlarmLimits::AlarmLimits() {
    for (Quantity q : kQuantities)
        of(q).deadband = kWatched[size_t(q)].deadband;
}

std::optional<QString> limitsProblem(const AlarmLimits& limits) {
    for (Quantity q : kQuantities) {
        const QuantityLimits& l = limits.of(q);
        if (l.low && l.high && !(*l.low < *l.high))
            return QStringLiteral("The low limit of %1 must be below its high limit.")
                .arg(quantityName(q));
        for (const auto& limit : {l.low, l.high})
            if (limit && !(std::abs(*limit) <= kLargestLimit))
                return QStringLiteral("The limits of %1 must lie between -%2 and %2.")
                    .arg(quantityName(q))
                    .arg(kLargestLimit);
        if (!(l.deadband >= 0 && l.deadband <= kLargestLimit))
            return QStringLiteral("The deadband of %1 must be from 0 to %2.")
                .arg(quantityName(q))
                .arg(kLargestLimit);
        if (!(l.onDelaySeconds >= 0 && l.onDelaySeconds <= kLongestSeconds))
            return QStringLiteral("The delay of %1 must be from 0 to %2 s.")
                .arg(quantityName(q))
                .arg(kLongestSeconds);
    }
    for (double s : limits.silentSeconds)
        if (!(s > 0 && s <= kLongestSeconds))
            return QStringLiteral("A module's silence before its alarm must be more than 0 s "
                                  "and at most %1 s.")
                .arg(kLongestSeconds);
    return std::nullopt;
}

QString limitsKey(Quantity q, const char* part) {
    return quantityKey(q) + u'-' + QLatin1String(part);
}
QString silentKey(Group g) {
    return QLatin1String(kGroupKeys[size_t(g)]) + QStringLiteral("-silent");
}

bool setLimit(AlarmLimits& limits, const QString& key, const QString& value) {
    const std::optional<double> number = parsedNumber(value);
    for (Group g : {Group::Ph, Group::Flow, Group::Therm})
        if (key == silentKey(g)) {
            if (!number)
                return false;
            limits.silentSeconds[size_t(g)] = *number;
            return true;
        }
    for (Quantity q : kQuantities) {
        QuantityLimits& l = limits.of(q);
        if (key == limitsKey(q, "low") || key == limitsKey(q, "high")) {
            if (!number && !value.trimmed().isEmpty())
                return false;
            (key.endsWith(u"low") ? l.low : l.high) = number;
            return true;
        }
        if (key == limitsKey(q, "deadband") || key == limitsKey(q, "delay")) {
            if (!number)
                return false;
            (key.endsWith(u"deadband") ? l.deadband : l.onDelaySeconds) = *number;
            return true;
        }
    }
    return false;
}

QList<std::pair<QString, QString>> limitEntries(const AlarmLimits& limits) {
    QList<std::pair<QString, QString>> entries;
    const auto optional = [](const std::optional<double>& v) {
        return v ? machineText(*v) : QString();
    };
    for (Quantity q : kQuantities) {
        const QuantityLimits& l = limits.of(q);
        entries.append({limitsKey(q, "low"), optional(l.low)});
        entries.append({limitsKey(q, "high"), optional(l.high)});
        entries.append({limitsKey(q, "deadband"), machineText(l.deadband)});
        entries.append({limitsKey(q, "delay"), machineText(l.onDelaySeconds)});
    }
    for (Group g : {Group::Ph, Group::Flow, Group::Therm})
        entries.append({silentKey(g), machineText(limits.silentSeconds[size_t(g)])});
    return entries;
}

QString limitEntriesText(const AlarmLimits& limits, const AlarmLimits* other) {
    const auto entries = limitEntries(limits);
    const auto others = other ? limitEntries(*other) : entries;
    QStringList texts;
    for (qsizetype i = 0; i < entries.size(); ++i)
        if (!other || entries[i] != others[i])
            texts << entries[i].first + u'=' + entries[i].second;
    return texts.join(QStringLiteral("; "));
}
