#pragma once

#include <QString>

// The main window's logging controls as the logger sees them: status panels 1 and 4, the two
// "Logging" menu commands and the total-litres readout.
class LoggingIndicators {
public:
    virtual ~LoggingIndicators() = default;
    virtual void showLogPath(const QString& path) = 0;
    // Panel 4: "Logging" with the green lamp, or "Not Logging" with the red one.
    virtual void showLoggingState(bool logging) = 0;
    virtual void setSetupEnabled(bool enabled) = 0;
    virtual void setStopEnabled(bool enabled) = 0;
    virtual QString totalLitersText() const = 0;
};
