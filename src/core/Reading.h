#pragma once

#include "Readouts.h"

#include <QtGlobal>
#include <array>
#include <optional>

// What one read cycle read: when it ended, and the number of each quantity it read. A quantity
// not read in it, or whose conversion is undefined (pH with slope 0), has none.
struct Reading {
    qint64 msSinceEpoch = 0;
    std::array<std::optional<double>, 10> values; // by Readout

    std::optional<double> value(Readout readout) const { return values[size_t(readout)]; }
    bool empty() const {
        for (const auto& v : values)
            if (v)
                return false;
        return true;
    }
};
