#include "Channels.h"
#include "InstrumentPanel.h"
#include "MeasurementState.h"
#include "RegionalText.h"

namespace {
constexpr double kPulsesPerLiter = 6900; // meter factor
constexpr double kSecondsPerMinute = 60;
constexpr double kLargestReadingHz = 90000; // above this a reading counts as 0 Hz
constexpr int kLiterDecimals = 2;
} // namespace

void Channels::ReadFlow(double secondsSinceLastCycle) {
    double reading = 0;
    if (!readNumber(QStringLiteral("5"), QStringLiteral("NO VALID RETURN FROM FLOW MODULE"),
                    Group::Flow, &reading))
        return;

    MeasurementState& s = m_state;
    s.flowHz = reading > kLargestReadingHz ? 0 : reading;
    s.litersPerMin =
        regional::roundHalfEven(s.flowHz * kSecondsPerMinute / kPulsesPerLiter, kLiterDecimals);
    s.totalCount = s.totalCount + s.flowHz * secondsSinceLastCycle;
    s.totalLiters = regional::roundHalfEven(s.totalCount / kPulsesPerLiter, kLiterDecimals);

    m_panel.showReadout(Readout::FlowHz, regional::numberText(s.flowHz));
    m_panel.showReadout(Readout::LitersPerMin, regional::numberText(s.litersPerMin));
    m_panel.showSlide(Slide::Flow, s.litersPerMin);
    m_panel.showReadout(Readout::TotalLiters, regional::numberText(s.totalLiters));
    m_panel.showSlide(Slide::Liters, s.totalLiters);
}
