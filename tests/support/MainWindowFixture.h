#pragma once

#include "CalibrationStore.h"
#include "CommPort.h"
#include "CommandLink.h"
#include "MainWindow.h"
#include "MeasurementState.h"
#include "ModuleSimulator.h"
#include "MonotonicClock.h"
#include "ScriptedDialogs.h"
#include "SettingsKeys.h"
#include "TempSettings.h"

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
    CalibrationStore store{settings.location};
    std::unique_ptr<MainWindow> window;

    explicit MainWindowFixture(bool withSimulator = true) {
        if (withSimulator && simulator.start())
            settings.location.setText(settingskeys::kPortsSection, QStringLiteral("1"),
                                      QString::fromStdString(simulator.devicePath()));
    }

    // Builds the window and runs its start-up; the lamps come from the source tree's icons/.
    MainWindow& start(const QString& programFolder = QStringLiteral(DGH_SOURCE_DIR)) {
        window =
            std::make_unique<MainWindow>(state, port, link, store, dialogs, clock, programFolder);
        window->startUp();
        window->show();
        return *window;
    }

    template <typename T> T* find(const char* name) const {
        T* child = window->findChild<T*>(QLatin1String(name));
        if (!child)
            qFatal("no control named %s", name);
        return child;
    }
};
