#pragma once

class Acquisition;
class AuditTrail;
class CalibrationHistory;
class CalibrationStore;
class MonotonicClock;
class SettingsLocation;

// What calibrating a probe draws on besides the shared state: the stored values, the record of
// every calibration, the audit trail, and the running
// acquisition with its clock for the live readings.
struct CalibrationServices {
    const CalibrationStore& store;
    const CalibrationHistory& history;
    AuditTrail& audit;
    const SettingsLocation& settings; // whether a Save needs a reason, asked at each Save
    Acquisition& acquisition;
    MonotonicClock& clock;
};
