#pragma once

#include <QString>

enum class Readout {
    Therm1,
    Therm2,
    Therm3,
    Probe1mV,
    Probe1pH,
    Probe2mV,
    Probe2pH,
    FlowHz,
    LitersPerMin,
    TotalLiters
};
enum class Slide { Therm1, Therm2, Therm3, Flow, Liters };
enum class Group { Ph, Flow, Therm };

// The group whose reads a readout or a slide shows.
inline Group groupOf(Readout readout) {
    if (readout <= Readout::Therm3)
        return Group::Therm;
    return readout <= Readout::Probe2pH ? Group::Ph : Group::Flow;
}
inline Group groupOf(Slide slide) {
    return slide <= Slide::Therm3 ? Group::Therm : Group::Flow;
}

// What the channel routines show, and the switch they turn off: readouts, slides and the group
// switches, wherever they are shown.
class InstrumentPanel {
public:
    virtual ~InstrumentPanel() = default;
    // A quantity's new value; not a number where the conversion is undefined.
    virtual void showReadout(Readout readout, double value) = 0;
    virtual void showSlide(Slide slide, double value) = 0;
    // Sets the group's switch to off; the switch's own change handler runs before this returns.
    virtual void switchGroupOff(Group group) = 0;
};
