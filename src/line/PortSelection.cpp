#include "PortSelection.h"

#include "OperatorDialogs.h"
#include "RegionalText.h"

#include <QDir>
#include <limits>

std::optional<qint16> portNumberFromText(const QString& text) {
    double number = 0;
    if (!regional::parseNumber(text, &number))
        return std::nullopt;
    const double rounded = regional::roundHalfEven(number, 0);
    if (rounded < std::numeric_limits<qint16>::min() ||
        rounded > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return qint16(rounded);
}

void reportOpenFailure(const CommPort& port, CommPort::OpenError error, OperatorDialogs& dialogs) {
    switch (error) {
    case CommPort::OpenError::InvalidPort:
        dialogs.message(QStringLiteral("Invalid ComPort #, please select another one."), QString(),
                        port.failureDetail());
        break;
    case CommPort::OpenError::PortInUse:
        dialogs.message(QStringLiteral("Port is already open, please select another one."));
        break;
    case CommPort::OpenError::None:
    case CommPort::OpenError::Other:
        break;
    }
}

void selectPort(CommPort& port, OperatorDialogs& dialogs) {
    port.close();
    const QString answer = dialogs.inputText(QStringLiteral("Enter Commport Number"),
                                             QStringLiteral("Commport Setup"), QString());
    const std::optional<qint16> number = portNumberFromText(answer);
    if (!number)
        return;
    port.setCommPort(*number);
    reportOpenFailure(port, port.open(), dialogs);
}

QString deviceLostText(const QString& device) {
    return QStringLiteral("The serial port device %1 has gone (was the adapter unplugged?). The "
                          "port is closed; it opens again by itself when the device is back.")
        .arg(QDir::toNativeSeparators(device));
}
