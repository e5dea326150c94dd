#include "Channels.h"
#include "CommandLink.h"
#include "InstrumentPanel.h"
#include "MeasurementState.h"
#include "OperatorDialogs.h"
#include "RegionalText.h"
#include "ReplyValue.h"

namespace {
constexpr double kPulsesPerLiter = 6900; // meter factor
constexpr double kSecondsPerMinute = 60;
constexpr double kLargestReadingHz = 90000; // above this a reading counts as 0 Hz
constexpr int kLiterDecimals = 2;
} // namespace

void Channels::ReadFlow(double secondsSinceLastCycle) {
    const ReplyValue value = parseReplyValue(m_link.readData(QStringLiteral("5")));
    if (value.kind == ReplyValue::Kind::Invalid) {
        m_dialogs.message(QStringLiteral("NO VALID RETURN FROM FLOW MODULE"));
        m_panel.switchGroupOff(Group::Flow);
        return;
    }
    if (value.kind == ReplyValue::Kind::Empty)
        return;

    MeasurementState& s = m_state;
    s.flowHz = value.value > kLargestReadingHz ? 0 : value.value;
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
