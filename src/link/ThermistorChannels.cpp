#include "Channels.h"
#include "CommandLink.h"
#include "InstrumentPanel.h"
#include "MeasurementState.h"
#include "OperatorDialogs.h"
#include "RegionalText.h"
#include "ReplyValue.h"

void Channels::ReadThermistors() {
    struct Thermistor {
        const char* address;
        double& field;
        Readout readout;
        Slide slide;
        const char* failure;
    };
    const Thermistor thermistors[] = {
        {"1", m_state.therm1, Readout::Therm1, Slide::Therm1, "No valid return from thermistor 1"},
        {"2", m_state.therm2, Readout::Therm2, Slide::Therm2, "No valid return from thermistor 2"},
        {"3", m_state.therm3, Readout::Therm3, Slide::Therm3, "No valid return from thermistor 3"},
    };
    for (const Thermistor& t : thermistors) {
        const ReplyValue value = parseReplyValue(m_link.readData(QLatin1String(t.address)));
        switch (value.kind) {
        case ReplyValue::Kind::Empty:
            return; // the remaining thermistors wait for the next cycle
        case ReplyValue::Kind::Number:
            t.field = value.value;
            m_panel.showReadout(t.readout, regional::numberText(t.field));
            m_panel.showSlide(t.slide, t.field);
            break;
        case ReplyValue::Kind::Invalid:
            m_dialogs.message(QLatin1String(t.failure));
            // Only thermistor 3 switches the group off.
            if (&t == &thermistors[2])
                m_panel.switchGroupOff(Group::Therm);
            break;
        }
    }
}
