#pragma once

#include <QList>
#include <QStringList>

// One buffer solution as the probe read it.
struct BufferReading {
    double ph;         // the buffer's nominal value
    double millivolts; // the probe's reading in it
    double celsius;    // the compensation temperature meanwhile
};

// A probe's calibration as the pH conversion uses it.
struct ProbeCalibration {
    double offset; // volts: the probe's reading at pH 7
    double slope;  // dimensionless factor on the Nernst slope
};

struct MeasurementState;

// Probe 1's or probe 2's calibration as the state holds it now.
ProbeCalibration calibrationOf(const MeasurementState& state, int probe);

// The calibration one or two buffers give, and how it compares with the probe's current one.
struct BufferSolution {
    bool solved = false;
    QString problem; // why nothing could be worked out
    ProbeCalibration calibration{0, 0};
    double millivoltsPerPhAt25 = 0;
    double offsetChangeMillivolts = 0;
    double slopeChangePercent = 0; // not a number when the current slope is 0
    QStringList warnings;
};

// Inverts pH = (V - offset) / 0.000198416 / slope / (T + 273.15) + 7. Two buffers give offset
// and slope; one gives the offset with the current slope kept.
BufferSolution solveBuffers(const QList<BufferReading>& buffers, const ProbeCalibration& current);
