#pragma once

#include "CalibrationServices.h"
#include "Readouts.h"
#include "WindowTimer.h"

#include <QMainWindow>
#include <optional>

struct MeasurementState;
class Instrument;
class MonotonicClock;
class Acquisition;
class AlarmMonitor;
class AlarmStrip;
struct AlarmSettings;
class CalibrationDialog;
class CommPort;
class Knob;
class LogSession;
class LogSetupDialog;
class MqttPublisher;
class ReadingFeed;
class SettingsLocation;
class ModeSelector;
class OperatorDialogs;
class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class MenuBarNote;
class QPushButton;
class QRadioButton;
class ReadoutLabel;
class SlideIndicator;
class StatusPanels;
class ReviewWindow;
class StripChart;
class TwoStateButton;

// Publishing every reading, as the window sets it up and shows its state.
struct PublishingServices {
    MqttPublisher& publisher;
    ReadingFeed& feed;
    const SettingsLocation& settings;
};

// Alarms, as the window sets their limits and shows them.
struct AlarmServices {
    AlarmMonitor& monitor;
    AlarmSettings& current;
    const SettingsLocation& settings;
};

// frmMain: every readout, switch, knob, the strip chart, the status bar and the menus. It shows
// what the acquisition reads and forwards the operator's choices to it; the plot timer is its
// own, the logger's belongs to the log session.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Shows and drives the instrument, and shows its notices in dialogs' boxes. The buffer
    // assistant times its readings by readingClock, the instrument's own unless another is given.
    MainWindow(Instrument& instrument, OperatorDialogs& dialogs, const QString& programFolder,
               MonotonicClock* readingClock = nullptr);
    ~MainWindow() override;

    // Runs once before the window is first shown.
    void startUp();

    // What the acquisition shows; switching a group off runs its switch's change handler.
    void showReadout(Readout readout, double value);
    void showSlide(Slide slide, double value);
    void switchGroupOff(Group group);

    WindowTimer& plotTimer() { return tmrPlot; }
    WindowTimer& loggerTimer();
    LogSetupDialog* logSetupDialog() const { return m_logSetup; }
    // A recorded log in a review window of its own, while this one goes on; none if the log
    // cannot be opened (said in a box).
    ReviewWindow* openReview(const QString& path);
    CalibrationDialog* calibrationDialog() const { return m_calibration; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The largest size whose frame of these margins fits the screen's available area.
    QSize screenRoom(const QMargins& frame = {}) const;
    // Panels 1 and 4 and the "Logging" menu follow the log session.
    void showLoggingState(bool logging);
    void applyUpdateRate();
    void showPortDevice();
    void plotTick();
    void buildMenus();
    QWidget* buildFlowPanel();
    QWidget* buildPhPanel();
    QWidget* buildThermistorPanel();
    QGroupBox* readoutFrame(const char* frameName, const QString& caption, ReadoutLabel*& label,
                            const char* labelName, bool red);
    void connectHandlers();
    void onGroupSwitch(Group group, bool on);
    void openLogSetup();
    void openCalibration();
    void openPublishing();
    void openAlarms();
    // A change for the audit trail, where there is one.
    void audit(const QString& what, const QString& from, const QString& to);
    QString lampPath(const char* file) const;

    MeasurementState& m_state;
    CommPort& m_port;
    Instrument& m_instrument;
    OperatorDialogs& m_dialogs;
    CalibrationServices m_calibrationServices;
    PublishingServices m_publishing;
    AlarmServices m_alarms;
    AlarmStrip* m_alarmStrip = nullptr;
    QString m_programFolder;

    // Timers with their design settings.
    WindowTimer tmrPlot{1000, false};

    Acquisition& m_acquisition;
    LogSession& m_logSession;
    LogSetupDialog* m_logSetup = nullptr;
    CalibrationDialog* m_calibration = nullptr;

    QAction* mnuExit = nullptr;
    QAction* mnuLogSetup = nullptr;
    QAction* mnuStop = nullptr;
    QAction* mnuPhCal = nullptr;
    QAction* mnuComPort = nullptr;
    QAction* mnuPublishing = nullptr;
    QAction* mnuAlarms = nullptr;
    MenuBarNote* m_publishState = nullptr; // beside the menus: always in sight
    StatusPanels* StatusBar1 = nullptr;

    ReadoutLabel* lblTherm1 = nullptr;
    ReadoutLabel* lblTherm2 = nullptr;
    ReadoutLabel* lblTherm3 = nullptr;
    SlideIndicator* CWSlideTherm1 = nullptr;
    SlideIndicator* CWSlideTherm2 = nullptr;
    SlideIndicator* CWSlideTherm3 = nullptr;
    Knob* CWtherMin = nullptr;
    Knob* CWtherMax = nullptr;
    TwoStateButton* cwbTherm = nullptr;
    TwoStateButton* cwbReset = nullptr;

    StripChart* CWGraph1 = nullptr;
    QPushButton* Command1 = nullptr;
    QRadioButton* optTherm[3] = {};
    QRadioButton* optTherm1[3] = {};
    Knob* CWpHmin = nullptr;
    Knob* CWpHmax = nullptr;
    ModeSelector* GraphMode = nullptr;
    TwoStateButton* cwPlot = nullptr;
    TwoStateButton* cwbPh = nullptr;
    QComboBox* cmbUpdate = nullptr;
    bool m_firstShown = false;
    // The rate of the list's entry selected, by a pick or by typing its text.
    std::optional<int> m_rateMs;
    QPushButton* Command2 = nullptr;
    ReadoutLabel* lblpH = nullptr;
    ReadoutLabel* lblmV = nullptr;
    ReadoutLabel* lblpH1 = nullptr;
    ReadoutLabel* lblmV1 = nullptr;

    ReadoutLabel* liters = nullptr;
    ReadoutLabel* lblLitersPerMin = nullptr;
    ReadoutLabel* lblHz = nullptr;
    Knob* CWKnobflow = nullptr;
    TwoStateButton* cwbFlow = nullptr;
    SlideIndicator* CWSlideLiters = nullptr;
    SlideIndicator* CWSlideFlow = nullptr;
    TwoStateButton* CWButton3 = nullptr;
};
