#pragma once

#include "CommPort.h"
#include "Notices.h"

#include <QString>
#include <optional>

// The port number typed by the operator as a 16-bit integer: a decimal number with surrounding
// blanks, rounded half to even (2.5 -> 2, 3.5 -> 4). Nothing for text that is not such a number.
std::optional<qint16> portNumberFromText(const QString& text);

// What the operator is told of a failed open, or nothing for failures that get no word.
std::optional<Notice> openFailureNotice(const CommPort& port, CommPort::OpenError error);

// What the operator is told once when the open port's device goes away (an adapter pulled out).
QString deviceLostText(const QString& device);
