#pragma once

#include "Readouts.h"

#include <QString>
#include <QtGlobal>

// The one record of readings, polling switches, compensation selectors, totaliser and probe
// calibration. The application owns a single instance and hands it by reference to every part.
// Flags are plain bools: nothing outside the process sees their representation.
struct MeasurementState {
    bool phOn = false;
    bool flowOn = false;
    bool thermOn = false;
    double therm1 = 0; // degrees Celsius, as the module reports it
    double therm2 = 0;
    double therm3 = 0;
    qint16 probe1ThermSel = 0; // see compensationTemperature()
    qint16 probe2ThermSel = 0;
    double flowHz = 0;
    double litersPerMin = 0; // 2 decimals
    double totalLiters = 0;  // 2 decimals
    double totalCount = 0;   // pulses counted since the last totaliser reset
    double compTemp = 0;     // degrees Celsius used by the latest pH conversion
    double ph1 = 0;          // 4 decimals
    double ph2 = 0;
    double probe1Volts = 0;
    double probe2Volts = 0;
    double probe1mV = 0;
    double probe2mV = 0;
    double offset1 = 0; // volts
    double offset2 = 0;
    double slope1 = 0; // dimensionless slope factor
    double slope2 = 0;
    QString serial1;
    QString serial2;
    double calDate1 = 0; // date value: days since 30 Dec 1899, fraction = time of day
    double calDate2 = 0;
};

// The selector rule: 2 selects therm2, 3 selects therm3, anything else (1, and 0 before the
// operator chose) selects therm1.
inline double compensationTemperature(const MeasurementState& s, qint16 selector) {
    switch (selector) {
    case 2:
        return s.therm2;
    case 3:
        return s.therm3;
    default:
        return s.therm1;
    }
}

// The polling switch of a channel group.
inline bool& groupFlag(MeasurementState& s, Group group) {
    switch (group) {
    case Group::Ph:
        return s.phOn;
    case Group::Flow:
        return s.flowOn;
    case Group::Therm:
        break;
    }
    return s.thermOn;
}

// Puts the group's readings back as they were in before: a group switched off during a cycle
// keeps nothing it read in that cycle. The flow total is kept, since its pulses did flow.
inline void restoreReadings(MeasurementState& s, const MeasurementState& before, Group group) {
    switch (group) {
    case Group::Ph:
        s.probe1mV = before.probe1mV;
        s.probe1Volts = before.probe1Volts;
        s.ph1 = before.ph1;
        s.probe2mV = before.probe2mV;
        s.probe2Volts = before.probe2Volts;
        s.ph2 = before.ph2;
        s.compTemp = before.compTemp;
        return;
    case Group::Therm:
        s.therm1 = before.therm1;
        s.therm2 = before.therm2;
        s.therm3 = before.therm3;
        return;
    case Group::Flow:
        return;
    }
}
