#pragma once

#include "Readouts.h"

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
