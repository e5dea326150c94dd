#pragma once

#include "LoggerOptions.h"
#include "RunSummary.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <variant>

// What dgh-report is asked to do.
struct ReportOptions {
    QString logPath;
    QStringList verify; // --verify FILE...: only check these records against their seals
    QString auditPath;  // --audit FILE: the audit trail (default: beside the log or the settings)
    QString anchors;    // --anchors FILE: and their seals against these anchors
    QString outPath;    // default: the log's name with .pdf, beside it
    std::optional<QDateTime> from, to;
    QString title;        // default: "Run report: " and the log's file name
    QString station;      // default: the publishing station, else the host name
    QString settingsFile; // the calibration record beside it; default the window's own
    CalibrationLimits limits;
};

// The options, or the help, the version or why one is refused (exit 2), before anything opens.
std::variant<ReportOptions, LoggerExit> parseReportOptions(const QStringList& arguments);
