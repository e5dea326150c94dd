#pragma once

#include "CommPort.h"

#include <QString>
#include <optional>

class OperatorDialogs;

// The port number typed by the operator as a 16-bit integer: a decimal number with surrounding
// blanks, rounded half to even (2.5 -> 2, 3.5 -> 4). Nothing for text that is not such a number.
std::optional<qint16> portNumberFromText(const QString& text);

// "Comm Port": closes the port, asks for a number and opens that port, reporting an invalid or
// busy port. Every unsuccessful selection, Cancel included, leaves the port closed.
void selectPort(CommPort& port, OperatorDialogs& dialogs);

// The operator's message for a failed open, or nothing for failures that get none.
void reportOpenFailure(const CommPort& port, CommPort::OpenError error, OperatorDialogs& dialogs);

// What the operator is told once when the open port's device goes away (an adapter pulled out).
QString deviceLostText(const QString& device);
