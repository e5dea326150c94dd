#pragma once

#include "CalibrationServices.h"
#include "Instrument.h"
#include "MainWindow.h"
#include "ModuleSimulator.h"
#include "MonotonicClock.h"
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
    SteadyClock clock;
    ScriptedDialogs dialogs;
    Instrument instrument{settings.location, clock};
    // The instrument's parts under the names the tests use.
    MeasurementState& state = instrument.state;
    CommPort& port = instrument.port;
    CommandLink& link = instrument.link;
    Acquisition& acquisition = instrument.acquisition;
    LogSession& logSession = instrument.logSession;
    MqttPublisher& publisher = instrument.publisher;
    ReadingFeed& feed = instrument.feed;
    const CalibrationStore& store = instrument.store;
    const CalibrationHistory& history = instrument.history;
    FakeClock readingClock; // times the readings the buffer assistant watches
    AlarmMonitor& alarms = instrument.alarms;
    AlarmSettings& alarmSettings = instrument.alarmSettings;
    std::unique_ptr<MainWindow> window;

    explicit MainWindowFixture(bool withSimulator = true) {
        instrument.notices.setSink([this](Notice notice) { dialogs.tell(std::move(notice)); });
        if (withSimulator && simulator.start())
            settings.location.setText(settingskeys::kPortsSection, QStringLiteral("1"),
                                      QString::fromStdString(simulator.devicePath()));
    }

    // Builds the window and runs its start-up; the lamps come from the source tree's icons/.
    MainWindow& start(const QString& programFolder = QStringLiteral(DGH_SOURCE_DIR)) {
        window = std::make_unique<MainWindow>(instrument, dialogs, programFolder, &readingClock);
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
