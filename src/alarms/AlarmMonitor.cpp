#include "AlarmMonitor.h"

#include "MonotonicClock.h"
#include "Quantities.h"

#include <QLocale>
#include <cmath>

using namespace std::chrono;

namespace {
const char* const kGroupWords[] = {"pH modules", "flow module", "thermistors"}; // by Group
const char* const kGroupKeys[] = {"ph", "flow", "therm"};
} // namespace

QString Alarm::id() const {
    if (!quantity)
        return QLatin1String(kGroupKeys[size_t(group)]) + QStringLiteral("-silent");
    return quantityKey(*quantity) +
           (kind == Kind::Low ? QStringLiteral("-low") : QStringLiteral("-high"));
}

QString Alarm::subject() const {
    return quantity ? quantityName(*quantity) : QLatin1String(kGroupWords[size_t(group)]);
}

QString Alarm::kindWord() const {
    switch (kind) {
    case Kind::Low:
        return QStringLiteral("LOW");
    case Kind::High:
        return QStringLiteral("HIGH");
    case Kind::Silent:
        break;
    }
    return QStringLiteral("SILENT");
}

QString Alarm::stateWord() const {
    switch (state) {
    case State::ActiveUnacknowledged:
        return QStringLiteral("raised");
    case State::ActiveAcknowledged:
        return QStringLiteral("acknowledged");
    case State::ClearedUnacknowledged:
        return QStringLiteral("cleared-unacknowledged");
    case State::Normal:
        break;
    }
    return acknowledgement ? QStringLiteral("acknowledged") : QStringLiteral("cleared");
}

QString Alarm::text() const {
    const QLocale locale;
    const QString at = this->since.time().toString(u"HH:mm:ss");
    const int decimals = quantity ? quantityInfo(readoutOf(*quantity)).decimals : 0;
    const QString unit = quantity ? QString() : QStringLiteral(" s");
    const QString limitText = locale.toString(limit, 'f', decimals) + unit;
    if (returned())
        return QStringLiteral("%1 %2 cleared%3 (limit %4), raised %5")
            .arg(subject(), kindWord(),
                 quantity ? QStringLiteral(" at ") + locale.toString(value, 'f', decimals)
                          : QString(),
                 limitText, at);
    if (groupSwitchedOff)
        return QStringLiteral("%1 SILENT: module failed, group switched off since %2")
            .arg(subject(), at);
    return QStringLiteral("%1 %2 %3%4 %5 %6 since %7")
        .arg(subject(), kindWord(), locale.toString(value, 'f', decimals), unit,
             kind == Kind::Low ? QStringLiteral("<") : QStringLiteral(">"), limitText, at);
}

AlarmMonitor::AlarmMonitor(MonotonicClock& clock) : m_clock(clock) {}

void AlarmMonitor::setLimits(const AlarmLimits& limits) {
    m_limits = limits;
    // A limit taken away, or moved past the value, is judged again from the next reading on.
    for (auto& [id, e] : m_entries)
        e.beyondSince.reset();
}

AlarmMonitor::Entry& AlarmMonitor::entry(const Alarm& identity) {
    const auto [it, added] = m_entries.try_emplace(identity.id(), Entry{identity, std::nullopt});
    return it->second;
}

void AlarmMonitor::valueRead(Quantity quantity, double value) {
    const QuantityLimits& l = m_limits.of(quantity);
    Alarm identity;
    identity.quantity = quantity;
    identity.group = groupOf(quantity);
    if (l.high || m_entries.count(quantityKey(quantity) + QStringLiteral("-high"))) {
        identity.kind = Alarm::Kind::High;
        Entry& e = entry(identity);
        e.alarm.limit = l.high.value_or(e.alarm.limit);
        apply(e, value, l.high && value > *l.high, !l.high || value < *l.high - l.deadband,
              l.onDelaySeconds);
    }
    if (l.low || m_entries.count(quantityKey(quantity) + QStringLiteral("-low"))) {
        identity.kind = Alarm::Kind::Low;
        Entry& e = entry(identity);
        e.alarm.limit = l.low.value_or(e.alarm.limit);
        apply(e, value, l.low && value < *l.low, !l.low || value > *l.low + l.deadband,
              l.onDelaySeconds);
    }
}

void AlarmMonitor::apply(Entry& e, double value, bool beyond, bool back, double onDelay) {
    const nanoseconds now = m_clock.now();
    if (!beyond)
        e.beyondSince.reset();
    else if (!e.beyondSince)
        e.beyondSince = now;
    if (e.alarm.active()) {
        if (back)
            clear(e, value);
        return;
    }
    if (beyond && now - *e.beyondSince >= duration<double>(onDelay))
        raise(e, value);
}

void AlarmMonitor::raise(Entry& e, double value) {
    e.alarm.state = Alarm::State::ActiveUnacknowledged;
    e.alarm.value = value;
    e.alarm.since = QDateTime::currentDateTime();
    emitChange(e);
}

void AlarmMonitor::clear(Entry& e, double value) {
    e.alarm.value = value;
    e.alarm.groupSwitchedOff = false;
    e.alarm.state = e.alarm.state == Alarm::State::ActiveAcknowledged || !m_acknowledgeReturned
                        ? Alarm::State::Normal
                        : Alarm::State::ClearedUnacknowledged;
    emitChange(e);
}

void AlarmMonitor::emitChange(const Entry& e) {
    emit changed(e.alarm);
}

void AlarmMonitor::groupFailedOff(Group group) {
    Alarm identity;
    identity.group = group;
    identity.kind = Alarm::Kind::Silent;
    Entry& e = entry(identity);
    const std::optional<nanoseconds>& last = m_lastGood[size_t(group)];
    const double silent =
        last ? std::round(duration<double>(m_clock.now() - *last).count() * 10) / 10 : 0;
    e.alarm.limit = m_limits.silentSeconds[size_t(group)];
    const bool wasActive = e.alarm.active();
    e.alarm.groupSwitchedOff = true;
    if (!wasActive)
        return raise(e, silent);
    // Already raised by its silence: said again with what became of the group, to be
    // acknowledged anew.
    e.alarm.value = silent;
    e.alarm.state = Alarm::State::ActiveUnacknowledged;
    emitChange(e);
}

void AlarmMonitor::groupRead(Group group) {
    m_lastGood[size_t(group)] = m_clock.now();
    const auto e =
        m_entries.find(QLatin1String(kGroupKeys[size_t(group)]) + QStringLiteral("-silent"));
    if (e != m_entries.end() && e->second.alarm.active())
        clear(e->second, 0);
}

void AlarmMonitor::checkSilence(const std::array<bool, 3>& groupsOn) {
    const nanoseconds now = m_clock.now();
    for (Group g : {Group::Ph, Group::Flow, Group::Therm}) {
        std::optional<nanoseconds>& last = m_lastGood[size_t(g)];
        Alarm identity;
        identity.group = g;
        identity.kind = Alarm::Kind::Silent;
        const double allowed = m_limits.silentSeconds[size_t(g)];
        if (!groupsOn[size_t(g)]) {
            // Off: nothing is expected of it; one its failure switched off stands until
            // acknowledged.
            last.reset();
            const auto e = m_entries.find(identity.id());
            if (e != m_entries.end() && e->second.alarm.active() &&
                !e->second.alarm.groupSwitchedOff)
                clear(e->second, 0);
            continue;
        }
        if (!last)
            last = now;
        // To a tenth of a second: what the record and the operator are told.
        const double silent = std::round(duration<double>(now - *last).count() * 10) / 10;
        if (silent < allowed)
            continue;
        Entry& e = entry(identity);
        e.alarm.limit = allowed;
        e.alarm.groupSwitchedOff = false; // switched on again since
        if (!e.alarm.active())
            raise(e, silent);
    }
}

void AlarmMonitor::acknowledgeAll(const QString& by) {
    for (auto& [id, e] : m_entries)
        acknowledge(id, by);
}

void AlarmMonitor::acknowledge(const QString& id, const QString& by) {
    const auto found = m_entries.find(id);
    if (found == m_entries.end())
        return;
    Alarm& a = found->second.alarm;
    // A group its failure switched off expects nothing more: acknowledged, it is over.
    if (a.state == Alarm::State::ActiveUnacknowledged && !a.groupSwitchedOff)
        a.state = Alarm::State::ActiveAcknowledged;
    else if (a.state == Alarm::State::ClearedUnacknowledged || a.groupSwitchedOff)
        a.state = Alarm::State::Normal;
    else
        return;
    a.groupSwitchedOff = false;
    a.acknowledgement = true;
    a.by = by;
    emitChange(found->second);
    a.acknowledgement = false;
    a.by.clear();
}

QList<Alarm> AlarmMonitor::alarms() const {
    QList<Alarm> out;
    for (const auto& [id, e] : m_entries)
        if (e.alarm.state != Alarm::State::Normal)
            out.append(e.alarm);
    return out;
}

bool AlarmMonitor::anyUnacknowledged() const {
    for (const auto& [id, e] : m_entries)
        if (e.alarm.unacknowledged())
            return true;
    return false;
}

Alarm::State AlarmMonitor::stateOf(Readout readout) const {
    // The most pressing state of the readout's alarms.
    Alarm::State worst = Alarm::State::Normal;
    for (const auto& [id, e] : m_entries)
        if (e.alarm.quantity && readoutOf(*e.alarm.quantity) == readout && int(e.alarm.state) > 0 &&
            (worst == Alarm::State::Normal || int(e.alarm.state) < int(worst)))
            worst = e.alarm.state;
    return worst;
}
