#pragma once

#include "BufferSolver.h"
#include "CalibrationServices.h"
#include "ReadingStability.h"

#include <QDialog>
#include <array>
#include <optional>

struct MeasurementState;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "Calibrate from buffers": watches one probe's live reading, takes it in one or two buffer
// solutions once it is stable, and shows the calibration they give before anything changes.
// "Apply" hands the result to the calibration dialog; nothing is stored here. Not modal.
class BufferAssistant : public QDialog {
    Q_OBJECT
public:
    BufferAssistant(int probe, const MeasurementState& state, const CalibrationServices& services,
                    QWidget* parent = nullptr);

    int probe() const { return m_probe; }
    // Why the probe is calibrated, as given in the assistant; the dialog's Save records it.
    QString reason() const;
    // Lists the probe's latest calibrations from the record.
    void showHistory();

signals:
    void applied(int probe, const ProbeCalibration& calibration,
                 const QList<BufferReading>& buffers);
    void phReadingRequested();

private:
    void takeReading();
    void showReadingState();
    void acceptBuffer(int index);
    void showSolution();
    QList<BufferReading> acceptedBuffers() const;
    qint16 thermistorSelector() const;

    const int m_probe;
    const MeasurementState& m_state;
    CalibrationServices m_services;
    ReadingStability m_stability;
    std::optional<BufferReading> m_latest; // millivolts and temperature of the latest read
    std::array<std::optional<BufferReading>, 2> m_accepted;
    BufferSolution m_solution;

    QLabel* m_live;
    QLabel* m_stable;
    QPushButton* m_switchOn;
    std::array<QComboBox*, 2> m_bufferPh;
    std::array<QPushButton*, 2> m_accept;
    std::array<QLabel*, 2> m_acceptedText;
    QLabel* m_result;
    QLabel* m_warnings;
    QPushButton* m_apply;
    QLabel* m_history;
    QLineEdit* m_reason;
};
