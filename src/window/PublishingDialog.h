#pragma once

#include <QDialog>

class MqttPublisher;
class OperatorDialogs;
class QCheckBox;
class QLineEdit;
class SettingsLocation;

// "Publishing": whether and where every reading goes to an MQTT broker. OK checks the address
// and the station, stores them in section [Publish] of the settings file and starts over.
class PublishingDialog : public QDialog {
    Q_OBJECT
public:
    PublishingDialog(MqttPublisher& publisher, const SettingsLocation& settings,
                     OperatorDialogs& dialogs, QWidget* parent = nullptr);

    void confirm();

private:
    MqttPublisher& m_publisher;
    const SettingsLocation& m_settings;
    OperatorDialogs& m_dialogs;
    QCheckBox* m_enabled;
    QLineEdit* m_url;
    QLineEdit* m_station;
    QLineEdit* m_user;
    QLineEdit* m_password;
    QCheckBox* m_remember;
    QLineEdit* m_ca;
};
