#pragma once

#include "BufferAssistant.h"
#include "CalibrationServices.h"

#include <QDialog>
#include <QPointer>
#include <optional>

struct MeasurementState;
class OperatorDialogs;
class QDateEdit;
class QLineEdit;
class QRadioButton;

// "pH Calibration": shows one probe's calibration at a time. Every edit goes straight into the
// probe's fields of the shared state; only "Save" writes the store. Not modal.
class CalibrationDialog : public QDialog {
    Q_OBJECT
public:
    CalibrationDialog(MeasurementState& state, const CalibrationServices& services,
                      OperatorDialogs& dialogs, QWidget* parent = nullptr);

    int selectedProbe() const;
    // Stores the chosen probe's values and appends them to the calibration record and, with
    // the old values and the reason, to the audit trail. Refused without a reason where one is
    // required.
    void save();
    // "Calibrate from buffers...": the assistant for the chosen probe.
    void openBufferAssistant();
    BufferAssistant* bufferAssistant() const { return m_assistant; }
    // A calibration worked out from buffers: into the probe's "Offset:" and "Slope:" boxes, and
    // today into the date, each through its box's own rule. Storing waits for "Save".
    void applyCalibration(int probe, const ProbeCalibration& calibration,
                          const QList<BufferReading>& buffers);

signals:
    void closedFromFrame();
    // A probe's calibration was stored.
    void saved();
    // The assistant needs the pH probes read: the window's pH switch should go on.
    void phReadingRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void loadProbe();
    void applyOffset();
    void applySlope();
    void applySerial();
    void applyTemperature();
    void applyDate();
    // Sets a box's text and runs its rule, also when the text does not change.
    void assign(QLineEdit* box, const QString& text, void (CalibrationDialog::*rule)());

    // The buffers behind the values in the boxes, while they are the ones Apply put there.
    struct Applied {
        int probe;
        ProbeCalibration calibration;
        QList<BufferReading> buffers;
    };
    QList<BufferReading> buffersBehindValues() const;

    MeasurementState& m_state;
    CalibrationServices m_services;
    std::optional<Applied> m_applied;
    QPointer<BufferAssistant> m_assistant;
    OperatorDialogs& m_dialogs;
    QRadioButton* m_probe1;
    QRadioButton* m_probe2;
    QLineEdit* m_offset;
    QLineEdit* m_slope;
    QLineEdit* m_serial;
    QLineEdit* m_temperature;
    QDateEdit* m_date;
    QLineEdit* m_reason;
};
