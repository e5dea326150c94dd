#include "BufferSolver.h"

#include "MeasurementState.h"
#include "PhConversion.h"

#include <cmath>
#include <limits>

namespace {
using namespace ph;
constexpr double kReferenceCelsius = 25;
// Below this span the slope rests on a few tenths of a millivolt of noise per buffer.
constexpr double kLeastBufferSpan = 2;
constexpr double kMostSlopeChangePercent = 20;

// Volts per pH unit away from 7 at a temperature, for a slope factor of 1.
double voltsPerPh(double celsius) {
    return kNernstFactor * (celsius + kCelsiusToKelvin);
}

double offsetFrom(const BufferReading& b, double slope) {
    return b.millivolts / kMillivoltsPerVolt - (b.ph - kNeutralPh) * voltsPerPh(b.celsius) * slope;
}
} // namespace

BufferSolution solveBuffers(const QList<BufferReading>& buffers, const ProbeCalibration& current) {
    BufferSolution s;
    if (buffers.isEmpty() || buffers.size() > 2) {
        s.problem = QStringLiteral("Accept one or two buffers.");
        return s;
    }
    const BufferReading& a = buffers.first();
    double slope = current.slope;
    if (buffers.size() == 2) {
        const BufferReading& b = buffers.last();
        const double span = (a.ph - kNeutralPh) * voltsPerPh(a.celsius) -
                            (b.ph - kNeutralPh) * voltsPerPh(b.celsius);
        slope = (a.millivolts - b.millivolts) / kMillivoltsPerVolt / span;
        if (!std::isfinite(slope) || slope == 0) {
            s.problem = a.millivolts == b.millivolts
                            ? QStringLiteral("Both buffers gave the same reading: no slope can be "
                                             "worked out. Is the probe in the solution?")
                            : QStringLiteral("The two buffers are the same solution at the same "
                                             "temperature: use two different buffers.");
            return s;
        }
        if (std::abs(a.ph - b.ph) < kLeastBufferSpan)
            s.warnings << QStringLiteral("The buffers are less than 2 pH apart: the slope is "
                                         "uncertain. Use buffers further apart.");
        if ((slope > 0) != (current.slope > 0))
            s.warnings << QStringLiteral("The readings move against the probe's current slope: "
                                         "check that each buffer was named right and the probe "
                                         "is connected the right way round.");
    } else if (slope == 0) {
        s.problem = QStringLiteral("The probe's slope is 0: calibrate from two buffers.");
        return s;
    }
    s.solved = true;
    s.calibration = {offsetFrom(a, slope), slope};
    s.millivoltsPerPhAt25 = slope * voltsPerPh(kReferenceCelsius) * kMillivoltsPerVolt;
    s.offsetChangeMillivolts = (s.calibration.offset - current.offset) * kMillivoltsPerVolt;
    s.slopeChangePercent = current.slope == 0 ? std::numeric_limits<double>::quiet_NaN()
                                              : (slope / current.slope - 1) * 100;
    if (!(std::abs(s.slopeChangePercent) <= kMostSlopeChangePercent))
        s.warnings << QStringLiteral("The slope changes by more than 20 %: check the buffers "
                                     "and the probe before applying.");
    return s;
}

ProbeCalibration calibrationOf(const MeasurementState& state, int probe) {
    return probe == 2 ? ProbeCalibration{state.offset2, state.slope2}
                      : ProbeCalibration{state.offset1, state.slope1};
}
