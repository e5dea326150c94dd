#pragma once

#include "MeasurementState.h"
#include "Readouts.h"

#include <QLatin1StringView>
#include <array>

// A quantity the instrument measures: its key in records and on the broker, the name people
// read, its unit (Latin-1), the decimals its texts show, the group that reads it, and where the
// state holds its latest value.
struct QuantityInfo {
    Readout readout;
    QLatin1StringView key;
    QLatin1StringView name;
    QLatin1StringView unit;
    int decimals;
    Group group;
    double MeasurementState::*field;
};

// Every quantity, in the order a published reading lists them. "\260" is the degree sign in
// Latin-1.
namespace quantitytable {
using namespace Qt::Literals::StringLiterals;
inline constexpr std::array<QuantityInfo, 10> kRows{{
    {Readout::Probe1pH, "ph1"_L1, "pH1"_L1, "pH"_L1, 2, Group::Ph, &MeasurementState::ph1},
    {Readout::Probe2pH, "ph2"_L1, "pH2"_L1, "pH"_L1, 2, Group::Ph, &MeasurementState::ph2},
    {Readout::Probe1mV, "mv1"_L1, "mV1"_L1, "mV"_L1, 1, Group::Ph, &MeasurementState::probe1mV},
    {Readout::Probe2mV, "mv2"_L1, "mV2"_L1, "mV"_L1, 1, Group::Ph, &MeasurementState::probe2mV},
    {Readout::Therm1, "t1"_L1, "T1"_L1, "\260C"_L1, 1, Group::Therm, &MeasurementState::therm1},
    {Readout::Therm2, "t2"_L1, "T2"_L1, "\260C"_L1, 1, Group::Therm, &MeasurementState::therm2},
    {Readout::Therm3, "t3"_L1, "T3"_L1, "\260C"_L1, 1, Group::Therm, &MeasurementState::therm3},
    {Readout::FlowHz, "hz"_L1, "Hz"_L1, "Hz"_L1, 1, Group::Flow, &MeasurementState::flowHz},
    {Readout::LitersPerMin, "lpm"_L1, "L/min"_L1, "L/min"_L1, 1, Group::Flow,
     &MeasurementState::litersPerMin},
    {Readout::TotalLiters, "total"_L1, "Total"_L1, "L"_L1, 2, Group::Flow,
     &MeasurementState::totalLiters},
}};
} // namespace quantitytable
inline constexpr const std::array<QuantityInfo, 10>& kQuantityTable = quantitytable::kRows;

constexpr const QuantityInfo& quantityInfo(Readout readout) {
    for (const QuantityInfo& q : kQuantityTable)
        if (q.readout == readout)
            return q;
    return kQuantityTable.back();
}

// The quantity's latest value in the state.
inline double valueOf(const MeasurementState& s, Readout readout) {
    return s.*quantityInfo(readout).field;
}
