#pragma once

#include "InstrumentPanel.h"
#include "MeasurementState.h"

#include <QLatin1StringView>
#include <array>

// A quantity the instrument measures: its key in records and on the broker, the name people
// read, its unit (Latin-1), the decimals its texts show, and the group that reads it.
struct QuantityInfo {
    Readout readout;
    QLatin1StringView key;
    QLatin1StringView name;
    QLatin1StringView unit;
    int decimals;
    Group group;
};

// Every quantity, in the order a published reading lists them. "\260" is the degree sign in
// Latin-1.
namespace quantitytable {
using namespace Qt::Literals::StringLiterals;
inline constexpr std::array<QuantityInfo, 10> kRows{{
    {Readout::Probe1pH, "ph1"_L1, "pH1"_L1, "pH"_L1, 2, Group::Ph},
    {Readout::Probe2pH, "ph2"_L1, "pH2"_L1, "pH"_L1, 2, Group::Ph},
    {Readout::Probe1mV, "mv1"_L1, "mV1"_L1, "mV"_L1, 1, Group::Ph},
    {Readout::Probe2mV, "mv2"_L1, "mV2"_L1, "mV"_L1, 1, Group::Ph},
    {Readout::Therm1, "t1"_L1, "T1"_L1, "\260C"_L1, 1, Group::Therm},
    {Readout::Therm2, "t2"_L1, "T2"_L1, "\260C"_L1, 1, Group::Therm},
    {Readout::Therm3, "t3"_L1, "T3"_L1, "\260C"_L1, 1, Group::Therm},
    {Readout::FlowHz, "hz"_L1, "Hz"_L1, "Hz"_L1, 1, Group::Flow},
    {Readout::LitersPerMin, "lpm"_L1, "L/min"_L1, "L/min"_L1, 1, Group::Flow},
    {Readout::TotalLiters, "total"_L1, "Total"_L1, "L"_L1, 2, Group::Flow},
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
    switch (readout) {
    case Readout::Therm1:
        return s.therm1;
    case Readout::Therm2:
        return s.therm2;
    case Readout::Therm3:
        return s.therm3;
    case Readout::Probe1mV:
        return s.probe1mV;
    case Readout::Probe1pH:
        return s.ph1;
    case Readout::Probe2mV:
        return s.probe2mV;
    case Readout::Probe2pH:
        return s.ph2;
    case Readout::FlowHz:
        return s.flowHz;
    case Readout::LitersPerMin:
        return s.litersPerMin;
    case Readout::TotalLiters:
        break;
    }
    return s.totalLiters;
}
