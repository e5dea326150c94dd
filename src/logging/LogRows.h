#pragma once

#include "Readouts.h"

#include <QByteArrayView>
#include <QDate>
#include <array>
#include <cmath>

// Reading the lines of a log file as this program writes them: the header's title line with its
// date, its other quoted lines, and the data rows (column 1 the time of day or the ISO
// date-time, columns 2 to 10 full-stop numbers, column 11 the total as regional text).
namespace logrows {

inline constexpr QByteArrayView kTitle = "\"Corvik pH probe Logging Program\",#";

enum class LineKind { Empty, Title, HeaderLine, Row, Unreadable };

struct Row {
    // Time of day rows: seconds since midnight; ISO rows: milliseconds since the epoch.
    bool iso = false;
    int secondOfDay = 0;
    qint64 isoMs = 0;
    QByteArrayView timeText;       // as written, to find the rows that share a second
    std::array<double, 10> values; // by Readout; NaN where the row holds none
};

// What one line is; a row is read into *row, a title's date into *date. The line excludes its
// line end (a CR before the LF is allowed).
LineKind classify(QByteArrayView line, Row* row, QDate* date);

// The text of a quoted header line without its quotes ("Probe 1 Offset: 2,5777").
QByteArrayView headerText(QByteArrayView line);

// Milliseconds since the epoch of "2026-12-08T12:51:51.123+01:00" (Z, +hh:mm or -hh:mm; without
// an offset, local time); false for anything else.
bool parseIsoTime(QByteArrayView text, qint64* ms);

// A number written in a region's form with "." or "," as its separator and no grouping
// ("0,96", "12.34", "000"); NaN for anything else.
double regionalNumber(QByteArrayView text);

inline bool present(double value) {
    return !std::isnan(value);
}

} // namespace logrows
