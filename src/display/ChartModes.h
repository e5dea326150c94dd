#pragma once

#include <QString>

class StripChart;

// What the mode selector does: 0 zoom, 1 pan, 2 one cursor, 3 two cursors; other values nothing.
void applyGraphMode(StripChart& chart, int mode);

// Moves cursor k to the centre of the current axis ranges (x first, then y). Counts as a move of
// that cursor, so its readout follows.
void centreCursor(StripChart& chart, int cursor);

// Both pH axes to minimum..maximum. A minimum at or above the maximum leaves the axes on their
// last usable range until the pair is valid again.
void applyPhRange(StripChart& chart, double minimum, double maximum);
