#include "Channels.h"
#include "CommandLink.h"
#include "InstrumentPanel.h"
#include "MeasurementState.h"
#include "RegionalText.h"
#include "ReplyValue.h"

namespace {
struct Thermistor {
    const char* address;
    double MeasurementState::*field;
    Readout readout;
    Slide slide;
    const char* failure;
};
const Thermistor kThermistors[] = {
    {"1", &MeasurementState::therm1, Readout::Therm1, Slide::Therm1,
     "No valid return from thermistor 1"},
    {"2", &MeasurementState::therm2, Readout::Therm2, Slide::Therm2,
     "No valid return from thermistor 2"},
    {"3", &MeasurementState::therm3, Readout::Therm3, Slide::Therm3,
     "No valid return from thermistor 3"},
};
} // namespace

void Channels::ReadThermistors(Done done) {
    readThermistor(0, std::move(done));
}

void Channels::readThermistor(int index, Done done) {
    const Thermistor& t = kThermistors[index];
    // The next thermistor, unless this was the last.
    auto goOn = [this, index, done] {
        if (index < 2)
            return readThermistor(index + 1, done);
        if (done)
            done();
    };
    m_link.transact(QLatin1String(t.address), [this, index, done, goOn, &t](const QString& text) {
        const ReplyValue value = parseReplyValue(text);
        if (value.kind == ReplyValue::Kind::Invalid && m_link.lineAway()) {
            if (done)
                done(); // the device went away: said once, by the port
            return;
        }
        if (value.kind != ReplyValue::Kind::Invalid)
            noteAnswer(QLatin1String(t.address));
        switch (value.kind) {
        case ReplyValue::Kind::Empty:
            if (done)
                done(); // the remaining thermistors wait for the next cycle
            return;
        case ReplyValue::Kind::Number:
            m_state.*t.field = value.value;
            m_panel.showReadout(t.readout, value.value);
            m_panel.showSlide(t.slide, value.value);
            return goOn();
        case ReplyValue::Kind::Invalid:
            // Only thermistor 3 switches the group off, and only after its box.
            std::function<void()> afterOk;
            if (index == 2)
                afterOk = [this] { m_panel.switchGroupOff(Group::Therm); };
            reportFailure(QLatin1String(t.address), QLatin1String(t.failure), Group::Therm, afterOk,
                          [this, done, goOn](bool shown) {
                              // Switched off by the operator while the box waited, or the
                              // device went away: the rest waits for a later cycle.
                              if (!shown && (!m_state.thermOn || m_link.lineAway())) {
                                  if (done)
                                      done();
                                  return;
                              }
                              goOn();
                          });
            return;
        }
    });
}
