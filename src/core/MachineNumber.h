#pragma once

#include <QByteArray>
#include <charconv>

// A number for machines (JSON, records, settings): the shortest text that reads back the same,
// with a full stop whatever the region.
inline QByteArray machineNumber(double value) {
    char text[32];
    return QByteArray(text, std::to_chars(text, text + sizeof text, value).ptr - text);
}
