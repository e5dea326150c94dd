#pragma once

#include <QString>

struct MeasurementState;
class SettingsLocation;

// The probe calibration in the settings store, section "Coefficients": offset, slope, serial
// number and date per probe; probe 2's keys end in "2". Numbers and dates are regional text.
// Defaults are only what a read of a missing key returns; they are never written.
class CalibrationStore {
public:
    // A new probe's calibration, the default of a missing key: what a run report judges a
    // calibration against.
    static constexpr double kNominalOffset = 2.5777; // volts
    static constexpr double kNominalSlope = 4.5427;

    struct ProbeTexts {
        QString offset; // as stored, unconverted
        QString slope;
        QString serial;
        double date = 0; // converted to a date value
    };

    explicit CalibrationStore(const SettingsLocation& settings);

    // All eight values into the state; a stored text that does not parse keeps the default.
    void loadAll(MeasurementState& state) const;
    ProbeTexts readProbe(int probe) const;
    // Writes the probe's four keys from the state; the other probe's keys are untouched.
    // False when the store could not be written.
    bool saveProbe(int probe, const MeasurementState& state) const;
    QString location() const;
    bool readable() const;

private:
    double number(const QString& key, double defaultValue) const;
    double date(const QString& key) const;

    const SettingsLocation& m_settings;
};
