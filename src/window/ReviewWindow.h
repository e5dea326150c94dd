#pragma once

#include "CalibrationHistory.h"
#include "RecordedRun.h"
#include "RunEvents.h"

#include <QMainWindow>
#include <atomic>
#include <memory>

class OperatorDialogs;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QThread;
class RunChart;

// A recorded run for review, in a window of its own: the log read in the background (with a
// first picture at once, a progress bar and a Cancel), its chart with the alarms and
// calibrations of the run, two cursors with the values and statistics between them, and
// exports of the picture and of the rows.
class ReviewWindow : public QMainWindow {
    Q_OBJECT
public:
    // station: what a report names as where the run was measured.
    ReviewWindow(OperatorDialogs& dialogs, const CalibrationHistory& history,
                 const QString& station, QWidget* parent = nullptr);
    ~ReviewWindow() override;

    // Starts reading a log; false, with a box saying why, when it cannot be opened.
    bool openLog(const QString& path);
    bool reading() const { return m_reader != nullptr; }
    const RecordedRun* run() const { return m_run.get(); }
    const RunEvents& events() const { return m_events; }
    RunChart& chart() const { return *m_chart; }
    QTableWidget& measures() const { return *m_measures; }
    QTableWidget& changes() const { return *m_changes; }
    // Between the cursors where both are shown, else the range shown.
    std::pair<qint64, qint64> measuredRange() const;

    bool saveRowsTo(const QString& path);

signals:
    // The log has been read (or reading was cancelled) and is shown.
    void logRead();

private:
    void buildMenus();
    QWidget* buildControls();
    void readingDone();
    void showQuantities();
    void updateMeasures();
    void showEvents();
    void verify();
    void chooseLog();
    void chooseChartFile();
    void chooseRowsFile();
    void chooseReportFile();
    // A file name beside the log (else in the home folder): its name with this ending.
    QString besideLog(const QString& ending) const;
    void applyMode(int mode);
    void stopReading();

    OperatorDialogs& m_dialogs;
    const CalibrationHistory& m_history;
    QString m_station;
    QList<CalibrationRecord> m_calibrations; // both probes', as read with the log
    std::unique_ptr<RecordedRun> m_run;
    RunEvents m_events;
    QThread* m_reader = nullptr;
    int m_readings = 0; // readings started
    std::atomic<double> m_progress{0};
    std::atomic<bool> m_cancel{false};

    RunChart* m_chart;
    std::array<QCheckBox*, RecordedRun::kQuantities> m_traces{};
    QComboBox* m_timeAxis;
    QLabel* m_between;
    QTableWidget* m_measures;
    QListWidget* m_eventList;
    QTableWidget* m_changes;
    bool m_verifying = false;
    QLabel* m_status;
    QProgressBar* m_progressBar;
    QPushButton* m_cancelButton;
};
