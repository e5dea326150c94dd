#pragma once

#include "InstrumentPanel.h"

#include <QString>

struct MeasurementState;
class CommandLink;
class OperatorDialogs;

// The read-and-convert routines of the three channel groups. Each reports its own failures and
// never passes an error up to the read cycle.
class Channels {
public:
    Channels(MeasurementState& state, CommandLink& link, InstrumentPanel& panel,
             OperatorDialogs& dialogs);

    // pH probe 1 at "6", probe 2 at "7"; temperature compensated with the selected thermistor.
    void ReadPhProbe(const QString& address);
    // Frequency module "5"; the total grows by frequency times the seconds since the previous
    // read cycle started, so it counts pulses whatever the update rate.
    void ReadFlow(double secondsSinceLastCycle);
    // Thermistors "1", "2", "3" in that order.
    void ReadThermistors();

    // Shown on a pH readout when the conversion is undefined (slope 0, or -273.15 degrees).
    static QString noPhText() { return QStringLiteral("---"); }

private:
    // One transaction; true with the value for a number. A reply that is not a number shows the
    // failure message and switches the group off; an empty value text is silently nothing.
    bool readNumber(const QString& address, const QString& failure, Group group, double* value);

    MeasurementState& m_state;
    CommandLink& m_link;
    InstrumentPanel& m_panel;
    OperatorDialogs& m_dialogs;
};
