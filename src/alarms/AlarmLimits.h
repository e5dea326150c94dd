#pragma once

#include "Readouts.h"

#include <QString>
#include <array>
#include <optional>

// The quantities that have limits, and the readout each is shown on.
enum class Quantity { Ph1, Ph2, Therm1, Therm2, Therm3, LitersPerMin };
inline constexpr std::array kQuantities = {Quantity::Ph1,    Quantity::Ph2,
                                           Quantity::Therm1, Quantity::Therm2,
                                           Quantity::Therm3, Quantity::LitersPerMin};
// "pH1", "T1", "L/min": as the operator reads them.
QString quantityName(Quantity quantity);
// "ph1", "t1", "lpm": in files, settings keys and messages to machines.
QString quantityKey(Quantity quantity);
Readout readoutOf(Quantity quantity);
Group groupOf(Quantity quantity);

// A quantity's limits: either may be unset. A value enters alarm once it has stayed beyond a
// limit for the on-delay, and leaves it once it is back inside by the deadband.
struct QuantityLimits {
    std::optional<double> low;
    std::optional<double> high;
    double deadband = 0;
    double onDelaySeconds = 5;
};

struct AlarmLimits {
    std::array<QuantityLimits, kQuantities.size()> quantities;
    // A group that is on without a good read for this long is in communication alarm.
    std::array<double, 3> silentSeconds{10, 10, 10}; // by Group

    AlarmLimits();
    QuantityLimits& of(Quantity q) { return quantities[size_t(q)]; }
    const QuantityLimits& of(Quantity q) const { return quantities[size_t(q)]; }
};

// Limits and deadbands lie within this of zero; delays and silences last at most a day.
inline constexpr int kLargestLimit = 1000000;
inline constexpr int kLongestSeconds = 86400;

// Why a set of limits cannot be used (a low not below its high, a negative deadband), or
// nothing.
std::optional<QString> limitsProblem(const AlarmLimits& limits);

// Keys as in the settings file's [Alarms] section and the logger's config: "ph1-high",
// "t2-deadband", "lpm-delay", "flow-silent"; numbers with a full stop. An empty text unsets a
// limit.
QString limitsKey(Quantity quantity, const char* part);
QString silentKey(Group group);
// Sets one key's value; false for a key that is none of these or a value that is no finite
// number.
bool setLimit(AlarmLimits& limits, const QString& key, const QString& value);
// Every key with its value, for storing.
QList<std::pair<QString, QString>> limitEntries(const AlarmLimits& limits);
// The entries as one text, "ph1-low=6.5; ph1-high=8.5; ...": those that differ from `other`'s
// where it is given.
QString limitEntriesText(const AlarmLimits& limits, const AlarmLimits* other = nullptr);
