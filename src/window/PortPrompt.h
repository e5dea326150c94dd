#pragma once

#include "CommPort.h"

class OperatorDialogs;

// "Comm Port": closes the port, asks for a number and opens that port, reporting an invalid or
// busy port. Every unsuccessful selection, Cancel included, leaves the port closed.
void selectPort(CommPort& port, OperatorDialogs& dialogs);

// Opens the port, with the operator's box when that fails for a reason that has one.
void openPort(CommPort& port, OperatorDialogs& dialogs);
