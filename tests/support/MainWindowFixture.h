#pragma once

#include "Acquisition.h"
#include "AlarmMonitor.h"
#include "AlarmRecord.h"
#include "AlarmSettings.h"
#include "AlarmWatch.h"
#include "CalibrationHistory.h"
#include "CalibrationStore.h"
#include "CommPort.h"
#include "CommandLink.h"
#include "LogSession.h"
#include "MainWindow.h"
#include "MeasurementState.h"
#include "ModuleSimulator.h"
#include "MonotonicClock.h"
#include "MqttPublisher.h"
#include "ReadingFeed.h"
#include "ScriptedDialogs.h"
#include "SettingsKeys.h"
#include "TempSettings.h"
#include "TestDoubles.h"

#include <QTest>
#include <memory>

// The whole program as main() builds it, with scripted dialogs, a throwaway settings store and
// the module simulator on port 1.
struct MainWindowFixture {
    TempSettings settings;
    ModuleSimulator simulator{3};
    MeasurementState state;
    CommPort port{settings.location};
    SteadyClock clock;
    ScriptedDialogs dialogs;
    CommandLink link{port, clock, dialogs};
    Acquisition acquisition{state, link, dialogs, clock};
    LogSession logSession{state, dialogs};
    MqttPublisher publisher{dialogs};
    ReadingFeed feed{state, acquisition, publisher};
    CalibrationStore store{settings.location};
    CalibrationHistory history{settings.location};
    FakeClock readingClock; // times the readings the buffer assistant watches
    CalibrationServices calibration{store, history, acquisition, readingClock};
    PublishingServices publishing{publisher, feed, settings.location};
    AlarmMonitor alarms{clock};
    AlarmSettings alarmSettings;
    AlarmServices alarmServices{alarms, alarmSettings, settings.location};
    AlarmWatch alarmWatch{state, acquisition, alarms};
    AlarmRecord alarmRecord{alarms, [this] { return settings.dir.path(); }, dialogs};
    std::unique_ptr<MainWindow> window;

    explicit MainWindowFixture(bool withSimulator = true) {
        if (withSimulator && simulator.start())
            settings.location.setText(settingskeys::kPortsSection, QStringLiteral("1"),
                                      QString::fromStdString(simulator.devicePath()));
    }

    // Builds the window and runs its start-up; the lamps come from the source tree's icons/.
    MainWindow& start(const QString& programFolder = QStringLiteral(DGH_SOURCE_DIR)) {
        window = std::make_unique<MainWindow>(state, port, acquisition, logSession, calibration,
                                              publishing, alarmServices, dialogs, programFolder);
        window->startUp();
        window->show();
        return *window;
    }

    // One read cycle from a tick of the read timer, run to its end.
    void readCycle() {
        emit acquisition.readTimer().tick();
        QTRY_VERIFY_WITH_TIMEOUT(!acquisition.cycleRunning(), 5000);
    }

    template <typename T> T* find(const char* name) const {
        T* child = window->findChild<T*>(QLatin1String(name));
        if (!child)
            qFatal("no control named %s", name);
        return child;
    }
};
