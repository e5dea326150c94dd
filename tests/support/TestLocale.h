#pragma once

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QtGlobal>
#include <clocale>

// Puts the test process in the region the program would have when started under
// LANG=<name>.UTF-8: QApplication sets the C library's locale from the environment, and QLocale's
// default follows the same name. "C" stands for the C.UTF-8 locale of servers and containers.
inline void useLocale(const QString& name) {
    qputenv("LC_ALL", name.toLatin1() + ".UTF-8");
    if (!std::setlocale(LC_ALL, ""))
        qFatal("locale %s.UTF-8 is not installed: scripts/install-deps.sh generates it",
               qPrintable(name));
    QLocale::setDefault(QLocale(name));
}
