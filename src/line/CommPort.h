#pragma once

#include "SerialLine.h"

#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>
#include <atomic>
#ifdef Q_OS_UNIX
#include <mutex>
#endif

class SettingsLocation;

// The serial port control of the main window: a port number and fixed line settings
// (19200 baud, 8 data bits, no parity, 1 stop bit, no flow control). The receive buffer is
// polled; nothing is read on notifications. On Unix the line operations work on the device
// itself and may come from another thread, while the port is opened, closed and watched here.
class CommPort : public QObject, public SerialLine {
    Q_OBJECT
public:
    enum class OpenError { None, InvalidPort, PortInUse, Other };

    explicit CommPort(const SettingsLocation& settings);

    qint16 commPort() const { return m_portNumber; }
    void setCommPort(qint16 number) {
        m_portNumber = number;
        m_givenDevice.clear();
    }
    // A device named by its path rather than by a port number.
    void setDevice(const QString& path) { m_givenDevice = path; }
    // Device for port N: the text of key N in section "Ports" of the settings store if present,
    // otherwise "COMN" on Windows and elsewhere the N-th of systemPorts(), or nothing past them.
    QString deviceName(qint16 number) const;

    OpenError open();
    // The device the open port is on, under its real path; empty while closed.
    QString openDevice() const { return m_port.isOpen() ? m_device : QString(); }
    // Why the last open failed, where the operator can do something about it (permissions).
    const QString& failureDetail() const { return m_failureDetail; }
    void close();

    bool portOpen() const override;
    void output(const QByteArray& text) override;
    int inBufferCount() override;
    char input() override;
#ifdef Q_OS_UNIX
    bool usableFromAnyThread() const override {
        return true;
    }
    quint64 openCount() const override {
        return m_openCount;
    }
#endif
    bool deviceAway() const override {
        return m_lost;
    }
    void checkDevice() override;
    // The device that went away, while it is waited for.
    QString awayDevice() const {
        return m_lost ? m_device : QString();
    }

signals:
    // The device went away under the open port (an adapter pulled out): the port is closed.
    void deviceLost(const QString& device);
    // The same port number's device is there again and the port is open on it.
    void deviceBack(const QString& device);

private:
    void loseDevice();
    void closePort();
    void loseDeviceIfOpen();
#ifdef Q_OS_UNIX
    void stopReadNotifications();
    // Reads what the device has waiting into the empty m_received, without waiting for more;
    // the line is locked.
    void receive();
    // A read or write found the device gone: the line reads as closed from now on, and the port
    // itself is closed from the event loop. The line is locked.
    void markGone();
#endif
    // Once a second while a port is chosen: notices a device that went away, and reopens it
    // when it is back.
    void watchDevice();
    bool deviceNamePresent() const;

    OpenError classify(QSerialPort::SerialPortError error, const QString& device);

    const SettingsLocation& m_settings;
    QSerialPort m_port;
    qint16 m_portNumber = 1;
    QString m_failureDetail;
    QString m_givenDevice;
    QString m_chosenName; // the device as the port number names it (a link, a by-id name)
    QString m_device;     // its real path
    QTimer m_watch;
    // The device went away under the open port; set at once by the read or write that failed,
    // from whichever thread, so no transaction after it reads the gone device as a failure.
    std::atomic<bool> m_lost = false;
#ifdef Q_OS_UNIX
    // The line as the transactions see it, under one lock: a descriptor of -1 is a closed port.
    mutable std::mutex m_lineMutex;
    int m_lineFd = -1;
    QByteArray m_received; // read from the device, not yet taken
    std::atomic<quint64> m_openCount = 0;
#endif
};
