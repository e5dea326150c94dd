// Another program holding a serial device: opens it as the program does, says "held", and keeps
// it until its standard input closes. When it cannot open the device it prints what the operator
// would be told.
//
//   port_holder DEVICE
#include "CommPort.h"
#include "SettingsKeys.h"
#include "SettingsLocation.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    QTemporaryDir dir;
    const SettingsLocation settings(dir.filePath(QStringLiteral("holder.ini")));
    settings.setText(settingskeys::kPortsSection, QStringLiteral("1"),
                     QString::fromLocal8Bit(argv[1]));
    CommPort port(settings);
    if (const CommPort::OpenError e = port.open(); e != CommPort::OpenError::None) {
        std::printf("%s %s\n", e == CommPort::OpenError::InvalidPort ? "invalid" : "not opened",
                    qPrintable(port.failureDetail()));
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    std::string line;
    std::getline(std::cin, line);
    return 0;
}
