#pragma once

#include "SerialLine.h"

#include <QSerialPort>
#include <QString>

class SettingsLocation;

// The serial port control of the main window: a port number and fixed line settings
// (19200 baud, 8 data bits, no parity, 1 stop bit, no flow control). The receive buffer is
// polled; nothing is read on notifications.
class CommPort : public SerialLine {
public:
    enum class OpenError { None, InvalidPort, PortInUse, Other };

    explicit CommPort(const SettingsLocation& settings);

    qint16 commPort() const { return m_portNumber; }
    void setCommPort(qint16 number) { m_portNumber = number; }
    // Device for port N: the text of key N in section "Ports" of the settings store if present,
    // otherwise "COMN" on Windows and "/dev/ttyS<N-1>" elsewhere.
    QString deviceName(qint16 number) const;

    OpenError open();
    // Why the last open failed, where the operator can do something about it (permissions).
    const QString& failureDetail() const { return m_failureDetail; }
    void close();

    bool portOpen() const override;
    void output(const QByteArray& text) override;
    int inBufferCount() override;
    char input() override;

private:
    OpenError classify(QSerialPort::SerialPortError error, const QString& device);

    const SettingsLocation& m_settings;
    QSerialPort m_port;
    qint16 m_portNumber = 1;
    QString m_failureDetail;
};
