#pragma once

#include "LoggerOptions.h"

#include <QStringList>
#include <variant>

// What dgh-gui is asked to do from its command line (Qt's own options already taken out).
struct GuiOptions {
    QString reviewPath; // --review FILE: only a review window of that log
};

// The options, or the help, the version or why one is refused (exit 2), before anything opens.
std::variant<GuiOptions, LoggerExit> parseGuiOptions(const QStringList& arguments);
