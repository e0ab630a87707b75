#pragma once
// The system's serial ports, by the device path the channel opens.

#include <QString>
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

// The system's list, read from sysfs without opening any port (an open would pulse an idle
// port's modem lines, and skip a port another program holds): each terminal of
// `sysfsRoot`/class/tty that hardware stands behind, less the legacy ports without a UART (type
// 0), as `devDir`/<name> where that is a character device; in natural order.
QStringList SystemSerialPorts(const QString& sysfsRoot = "/sys", const QString& devDir = "/dev");

// Natural order of port names: runs of digits compare by value, so ttyS2 comes before ttyS10.
bool PortNameLess(const QString& a, const QString& b);
