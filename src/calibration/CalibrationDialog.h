#pragma once

#include <QDialog>

struct MeasurementState;
class CalibrationStore;
class OperatorDialogs;
class QDateEdit;
class QLineEdit;
class QRadioButton;

// "pH Calibration": shows one probe's calibration at a time. Every edit goes straight into the
// probe's fields of the shared state; only "Save" writes the store. Not modal.
class CalibrationDialog : public QDialog {
    Q_OBJECT
public:
    CalibrationDialog(MeasurementState& state, const CalibrationStore& store,
                      OperatorDialogs& dialogs, QWidget* parent = nullptr);

    int selectedProbe() const;
    void save();

signals:
    void closedFromFrame();

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

    MeasurementState& m_state;
    const CalibrationStore& m_store;
    OperatorDialogs& m_dialogs;
    QRadioButton* m_probe1;
    QRadioButton* m_probe2;
    QLineEdit* m_offset;
    QLineEdit* m_slope;
    QLineEdit* m_serial;
    QLineEdit* m_temperature;
    QDateEdit* m_date;
};
