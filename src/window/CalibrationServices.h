#pragma once

class Acquisition;
class CalibrationHistory;
class CalibrationStore;
class MonotonicClock;

// What calibrating a probe draws on besides the shared state: the stored values, the record of
// every calibration, and the running acquisition with its clock for the live readings.
struct CalibrationServices {
    const CalibrationStore& store;
    const CalibrationHistory& history;
    Acquisition& acquisition;
    MonotonicClock& clock;
};
