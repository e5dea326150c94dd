#pragma once

#include "Acquisition.h"
#include "AlarmFeed.h"
#include "AlarmMonitor.h"
#include "AlarmRecord.h"
#include "AlarmSettings.h"
#include "AlarmWatch.h"
#include "AuditTrail.h"
#include "CalibrationHistory.h"
#include "CalibrationStore.h"
#include "CommPort.h"
#include "CommandLink.h"
#include "LogSession.h"
#include "MeasurementState.h"
#include "MqttPublisher.h"
#include "Notices.h"
#include "ReadingFeed.h"

#include <functional>

class MonotonicClock;
class SettingsLocation;

// The instrument beneath both programs, wired once: the line and its port, the acquisition, the
// log, the calibration store and record, the alarms with their record and feed, and the
// publisher. The window, dgh-logger, the benchmark and the tests build it; what each adds is how
// it is driven and how its notices are shown.
class Instrument {
public:
    Instrument(const SettingsLocation& settings, MonotonicClock& clock,
               Attendance attendance = Attendance::Operator,
               LogSession::OnFailure onLogFailure = LogSession::OnFailure::Stop);

    // Where alarms.csv goes, asked at each change; by default beside the log file while one is
    // open, else beside the settings.
    void setAlarmFolder(std::function<QString()> folder) { m_alarmFolder = std::move(folder); }
    // The start-up work of every program: the probe calibration from the store, with one
    // notice when the store cannot be read.
    void loadCalibration();

    const SettingsLocation& settings;
    Notices notices; // every part's word to the operator; the program names where it goes
    MonotonicClock& clock;
    MeasurementState state;
    CommPort port;
    CommandLink link;
    Acquisition acquisition;
    LogSession logSession;
    const CalibrationStore store;
    const CalibrationHistory history;
    // Beside the settings; dgh-logger keeps it in its state directory. Logging started and
    // stopped is recorded here; the programs record the changes they make.
    AuditTrail audit;
    MqttPublisher publisher;
    ReadingFeed feed;
    AlarmMonitor alarms;
    AlarmSettings alarmSettings; // as the window last stored them
    AlarmWatch alarmWatch;
    AlarmRecord alarmRecord;
    AlarmFeed alarmFeed;

private:
    std::function<QString()> m_alarmFolder;
    bool m_loggingAudited = false; // its start is in the audit trail, its stop is still to come
};
