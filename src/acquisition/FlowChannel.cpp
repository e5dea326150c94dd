#include "Channels.h"
#include "InstrumentPanel.h"
#include "MeasurementState.h"
#include "MonotonicClock.h"
#include "RegionalText.h"

#include <algorithm>

namespace {
constexpr double kPulsesPerLiter = 6900; // meter factor
constexpr double kSecondsPerMinute = 60;
constexpr double kLargestReadingHz = 90000; // above this a reading counts as 0 Hz
constexpr int kLiterDecimals = 2;
} // namespace

void Channels::flowSwitchedOn() {
    m_flowCreditedUntil = m_clock.now();
}

void Channels::ReadFlow(Done done) {
    // The frequency holds from the command on: the reply credits the time up to its sending.
    const std::chrono::nanoseconds sentAt = m_clock.now();
    readNumber(QStringLiteral("5"), QStringLiteral("NO VALID RETURN FROM FLOW MODULE"), Group::Flow,
               [this, sentAt, done](bool isNumber, double reading) {
                   if (isNumber)
                       showFlow(reading, sentAt);
                   if (done)
                       done();
               });
}

void Channels::showFlow(double reading, std::chrono::nanoseconds sentAt) {
    const double seconds = std::chrono::duration<double>(sentAt - m_flowCreditedUntil).count();
    m_flowCreditedUntil = sentAt;
    MeasurementState& s = m_state;
    s.flowHz = reading > kLargestReadingHz ? 0 : reading;
    s.litersPerMin =
        regional::roundHalfEven(s.flowHz * kSecondsPerMinute / kPulsesPerLiter, kLiterDecimals);
    s.totalCount = s.totalCount + s.flowHz * std::max(seconds, 0.0);
    s.totalLiters = regional::roundHalfEven(s.totalCount / kPulsesPerLiter, kLiterDecimals);

    m_panel.showReadout(Readout::FlowHz, s.flowHz);
    m_panel.showReadout(Readout::LitersPerMin, s.litersPerMin);
    m_panel.showSlide(Slide::Flow, s.litersPerMin);
    m_panel.showReadout(Readout::TotalLiters, s.totalLiters);
    m_panel.showSlide(Slide::Liters, s.totalLiters);
}
