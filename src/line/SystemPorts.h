#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A name a serial port is known by, and the device it reaches.
struct NamedPort {
    QString name;
    QString device;
};

// The devices port numbers count through where the settings store names none, port 1 first:
// the stable /dev/serial/by-id names (by name), then USB and ACM adapters, then the on-board
// ttyS ports, then any other device, each kind in number order (ttyUSB2 before ttyUSB10); then
// the lines of running module simulators. A device a by-id name reaches is not counted again.
QStringList numberedPorts(const QList<NamedPort>& byId, const QStringList& devices,
                          const QStringList& simulated);

// numberedPorts() of the serial ports the system reports now.
QStringList systemPorts();

// The folder where a running module simulator leaves a link to its line: "dgh-sim" in
// $XDG_RUNTIME_DIR, or /tmp/dgh-sim-<uid> where that is not set. Empty where there is none.
QString simulatedLinesFolder();
