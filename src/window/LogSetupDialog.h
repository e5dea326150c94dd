#pragma once

#include <QDialog>

class LogSession;
class OperatorDialogs;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

// "Logger": whether rows go to a file, which file, overwrite or append, and the interval.
// Not modal; OK hides it, closing it from the frame ends it.
class LogSetupDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIntervalsMs[] = {60000, 30000, 15000, 10000, 5000, 2000,
                                           1000,  500,   250,   200,   100};

    LogSetupDialog(LogSession& session, OperatorDialogs& dialogs, QWidget* parent = nullptr);

    void selectFile();
    void confirm();

signals:
    void closedFromFrame();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void applySaveMode();

    LogSession& m_session;
    OperatorDialogs& m_dialogs;
    QPushButton* m_ok;
    QPushButton* m_select;
    QGroupBox* m_frame;
    QRadioButton* m_noSave;
    QRadioButton* m_writeToFile;
    QRadioButton* m_append;
    QRadioButton* m_overwrite;
    QComboBox* m_interval;
    QLabel* m_intervalLabel;
    QCheckBox* m_isoTime;
};
