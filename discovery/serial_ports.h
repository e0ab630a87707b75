#pragma once
// The system's serial ports, by the device path the channel opens.

#include <QStringList>
#include <functional>

// Where the raw list of port names comes from; the system's list unless replaced.
using SerialPortSource = std::function<QStringList()>;

// The ports in the order the source lists them, each name once (exact comparison), empty names
// left out. Never fails: no ports gives an empty list.
QStringList EnumerateSerialPorts();

// Replaces the source (tests list their own pseudo-terminals); returns the previous one. An
// empty source restores the system's list.
SerialPortSource SetSerialPortSource(SerialPortSource source);
