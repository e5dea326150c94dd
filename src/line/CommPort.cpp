#include "CommPort.h"

#include "SettingsKeys.h"
#include "SettingsLocation.h"
#include "SystemPorts.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>
#include <cerrno>
#include <unistd.h>
#endif

namespace {}

CommPort::CommPort(const SettingsLocation& settings) : m_settings(settings) {
    // The operating system took the device away (unplugged, or a far end that closed). Handled
    // from the event loop, not inside the port's own read that noticed it. Only that error is
    // queued: the port reports "no error" and time-outs on nearly every call.
    connect(&m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if (e == QSerialPort::ResourceError)
            QMetaObject::invokeMethod(this, &CommPort::loseDeviceIfOpen, Qt::QueuedConnection);
    });
    m_watch.setInterval(1000);
    connect(&m_watch, &QTimer::timeout, this, &CommPort::watchDevice);
}

void CommPort::loseDeviceIfOpen() {
    if (m_port.isOpen())
        loseDevice();
}

void CommPort::loseDevice() {
    const QString device = m_device;
    closePort();
    m_lost = true;
    emit deviceLost(device);
}

bool CommPort::deviceNamePresent() const {
#ifdef Q_OS_UNIX
    return QFileInfo::exists(m_chosenName);
#else
    return true; // "COM3" is no file: there the port's own error tells
#endif
}

void CommPort::watchDevice() {
    if (m_port.isOpen()) {
        // A device can vanish without a word until the next write: look for its name, and read
        // whatever waits, which fails on a device that is gone.
        if (m_lost || !deviceNamePresent())
            loseDevice();
        else
            inBufferCount();
        return;
    }
    if (!m_lost || !deviceNamePresent() || open() != OpenError::None)
        return;
    emit deviceBack(m_device);
}

void CommPort::checkDevice() {
    inBufferCount(); // fails on a device that has gone
#ifdef Q_OS_UNIX
    if (portOpen() && !deviceNamePresent()) {
        std::lock_guard lock(m_lineMutex);
        markGone();
    }
#endif
}

QString CommPort::deviceName(qint16 number) const {
    const QString key = QString::number(number);
    if (m_settings.contains(settingskeys::kPortsSection, key))
        return m_settings.text(settingskeys::kPortsSection, key, QString());
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(number);
#else
    const QStringList ports = systemPorts();
    return number >= 1 && number <= ports.size() ? ports.at(number - 1) : QString();
#endif
}

CommPort::OpenError CommPort::open() {
    m_failureDetail.clear();
    if (m_port.isOpen())
        return OpenError::PortInUse;
    // The device under its real name, so that every name of one device (a by-id link, a link
    // in the settings) takes the same lock and a second program gets "already open".
    m_chosenName = m_givenDevice.isEmpty() ? deviceName(m_portNumber) : m_givenDevice;
    const QFileInfo named(m_chosenName);
    const QString device = named.exists() ? named.canonicalFilePath() : named.filePath();
    // An empty entry, a folder or a plain file is no port at all.
    if (named.filePath().isEmpty() || named.isDir() || named.isFile()) {
        if (m_chosenName.isEmpty())
            m_failureDetail = QStringLiteral("No serial port has the number %1: the system "
                                             "reports %2, numbered from 1.")
                                  .arg(m_portNumber)
                                  .arg(systemPorts().size());
        return OpenError::InvalidPort;
    }
    m_port.setPortName(device);
    m_device = device;
    m_port.setReadBufferSize(kReceiveBufferSize);
    if (!m_port.open(QIODevice::ReadWrite))
        return classify(m_port.error(), device);
    const bool configured =
        m_port.setBaudRate(QSerialPort::Baud19200) && m_port.setDataBits(QSerialPort::Data8) &&
        m_port.setParity(QSerialPort::NoParity) && m_port.setStopBits(QSerialPort::OneStop) &&
        m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        closePort();
        return OpenError::InvalidPort;
    }
#ifdef Q_OS_UNIX
    stopReadNotifications();
    {
        std::lock_guard lock(m_lineMutex);
        m_received.clear();
        m_lineFd = int(m_port.handle());
        ++m_openCount;
    }
#endif
    m_lost = false;
    m_watch.start();
    return OpenError::None;
}

CommPort::OpenError CommPort::classify(QSerialPort::SerialPortError error, const QString& device) {
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
    case QSerialPort::UnsupportedOperationError:
        return OpenError::InvalidPort;
    case QSerialPort::OpenError:
        return OpenError::PortInUse;
    case QSerialPort::PermissionError: {
        // Held by another program (its lock file or exclusive open) or simply not ours to use.
        const QFileInfo info(device);
        if (info.isReadable() && info.isWritable())
            return OpenError::PortInUse;
#ifdef Q_OS_LINUX
        m_failureDetail =
            QStringLiteral("You have no permission to use %1. It belongs to the group \"%2\": "
                           "join it with \"sudo usermod -aG %2 $USER\", then log out and in again.")
                .arg(device, info.group());
#else
        m_failureDetail = QStringLiteral("You have no permission to use %1.").arg(device);
#endif
        return OpenError::InvalidPort;
    }
    default:
        return OpenError::Other;
    }
}

void CommPort::close() {
    // The operator's choice: no more watching, nor looking for a device that went away.
    m_watch.stop();
    m_lost = false;
    if (m_port.isOpen())
        closePort();
}

void CommPort::closePort() {
#ifdef Q_OS_UNIX
    // Not while a transaction is at the device: it would write to or read from a descriptor
    // that is gone, or by then another file's.
    std::lock_guard lock(m_lineMutex);
    m_lineFd = -1;
#endif
    m_port.close();
}

bool CommPort::portOpen() const {
#ifdef Q_OS_UNIX
    std::lock_guard lock(m_lineMutex);
    return m_lineFd >= 0;
#else
    return m_port.isOpen();
#endif
}

void CommPort::output(const QByteArray& text) {
#ifdef Q_OS_UNIX
    // A command is a few characters and the line takes them at once: straight to the device,
    // which spares the port's write buffer and its watch for the line taking it (two more wake-ups
    // of the window per command).
    qsizetype sent = 0;
    {
        std::lock_guard lock(m_lineMutex);
        while (m_lineFd >= 0 && sent < text.size()) {
            const ssize_t n =
                ::write(m_lineFd, text.constData() + sent, size_t(text.size() - sent));
            if (n > 0)
                sent += n;
            else if (n < 0 && (errno == EIO || errno == ENXIO || errno == ENODEV))
                return markGone();
            else if (n == 0 || errno != EINTR)
                break;
        }
    }
    if (sent == text.size())
        return;
    // A line that does not take it now, or fails: the port's own write, on the port's thread,
    // reports what went wrong.
    QMetaObject::invokeMethod(
        this,
        [this, rest = text.mid(sent)] {
            if (m_port.isOpen()) {
                m_port.write(rest);
                m_port.flush();
            }
        },
        Qt::QueuedConnection);
#else
    m_port.write(text);
    m_port.flush();
#endif
}

#ifdef Q_OS_UNIX
// The receive buffer is read straight from the device when a reply is due, never on the port's
// notification that characters arrived: that would wake the window once more per reply, several
// times for a reply that trickles in at 19200 baud.
void CommPort::stopReadNotifications() {
    for (QSocketNotifier* notifier : m_port.findChildren<QSocketNotifier*>())
        if (notifier->type() == QSocketNotifier::Read)
            notifier->setEnabled(false);
}

void CommPort::receive() {
    char chunk[kReceiveBufferSize];
    const ssize_t n = ::read(m_lineFd, chunk, sizeof chunk);
    if (n > 0)
        m_received.append(chunk, n);
    // Nothing waiting reads as 0 on this raw line; a device that went away fails.
    else if (n < 0 && errno != EAGAIN && errno != EINTR)
        markGone();
}

void CommPort::markGone() {
    m_lineFd = -1;
    m_lost = true;
    QMetaObject::invokeMethod(this, &CommPort::loseDeviceIfOpen, Qt::QueuedConnection);
}

int CommPort::inBufferCount() {
    std::lock_guard lock(m_lineMutex);
    if (m_received.isEmpty() && m_lineFd >= 0)
        receive();
    return int(m_received.size());
}

char CommPort::input() {
    std::lock_guard lock(m_lineMutex);
    const char c = m_received.front();
    m_received.remove(0, 1);
    return c;
}
#else
int CommPort::inBufferCount() {
    // Characters still in the operating system's buffer only reach QSerialPort when it reads the
    // device: read once, without waiting for more.
    if (m_port.bytesAvailable() == 0)
        m_port.waitForReadyRead(0);
    return int(m_port.bytesAvailable());
}

char CommPort::input() {
    char c = 0;
    m_port.getChar(&c);
    return c;
}
#endif
