#include "PortSelection.h"

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

std::optional<Notice> openFailureNotice(const CommPort& port, CommPort::OpenError error) {
    switch (error) {
    case CommPort::OpenError::InvalidPort:
        return Notice{.source = QStringLiteral("line"),
                      .severity = Notice::Severity::Failure,
                      .text = QStringLiteral("Invalid ComPort #, please select another one."),
                      .detail = port.failureDetail()};
    case CommPort::OpenError::PortInUse:
        return Notice{.source = QStringLiteral("line"),
                      .severity = Notice::Severity::Failure,
                      .text = QStringLiteral("Port is already open, please select another one.")};
    case CommPort::OpenError::None:
    case CommPort::OpenError::Other:
        break;
    }
    return std::nullopt;
}

QString deviceLostText(const QString& device) {
    return QStringLiteral("The serial port device %1 has gone (was the adapter unplugged?). The "
                          "port is closed; it opens again by itself when the device is back.")
        .arg(QDir::toNativeSeparators(device));
}
