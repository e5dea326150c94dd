#pragma once

// The quantities as the read cycle hands them on (readouts), the bars that show some of them
// (slides), and the three groups of modules read together.
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
