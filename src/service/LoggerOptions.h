#pragma once

#include "AlarmLimits.h"
#include "PublishSettings.h"
#include "Readouts.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <set>
#include <variant>

// What a run of dgh-logger is asked to do, from its command line and its config file.
struct LoggerOptions {
    qint16 port = 1; // by the port-number rule, unless a device is given
    QString device;  // a device path, instead of a port number
    int rateMs = 1000;
    std::set<Group> groups{Group::Flow, Group::Ph, Group::Therm};
    qint16 probe1Therm = 1;
    qint16 probe2Therm = 1;
    QString logPath; // empty: nothing is logged
    int intervalMs = 1000;
    bool isoTime = false; // --time iso: column 1 is the ISO date-time
    bool append = true;
    QString settingsFile; // empty: the per-user store the window uses
    std::optional<double> durationSeconds;
    PublishSettings publish;         // enabled by --mqtt
    AlarmLimits alarms;              // keys as in the window's [Alarms]: ph1-high=8
    bool acknowledgeReturned = true; // --no-acknowledge: a returned alarm is simply over
    QStringList warnings;            // lines for standard error; the run goes on
};

// The program's answer before anything is opened: the help or version text (exit 0) or why an
// option is refused (exit 2).
struct LoggerExit {
    QString text;
    int status;
};

// Options on the command line win over the same keys in the --config file (INI: key=value lines,
// "#" or ";" comments, keys before any section or under [General]).
std::variant<LoggerOptions, LoggerExit> parseLoggerOptions(const QStringList& arguments);

// The run's configuration as the audit trail keeps it at the start: never the password.
QString configurationText(const LoggerOptions& options);
