#pragma once

#include <QList>
#include <QString>

// One serial port found on this computer.
struct CPortEntry
{
    QString devicePath;   // what the link opens, e.g. "/dev/ttyUSB0" or "\\.\COM3"
    QString portName;     // short name such as "ttyUSB0" or "COM3"; may be empty
    QString friendlyName; // the text shown to the user
    QString description;  // the device's own description; may be empty

    bool operator==(const CPortEntry&) const = default;
};

// Ports in the order they were found.
using CPortList = QList<CPortEntry>;
