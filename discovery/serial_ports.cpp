#include "discovery/serial_ports.h"

#include <QSerialPortInfo>

namespace {

SerialPortSource& Source() {
    static SerialPortSource source;
    return source;
}

QStringList SystemPorts() {
    QStringList names;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        names.append(info.systemLocation());
    return names;
}

}  // namespace

QStringList EnumerateSerialPorts() {
    const SerialPortSource source = Source();
    const QStringList raw = source ? source() : SystemPorts();
    QStringList names;
    for (const QString& name : raw) {
        if (!name.isEmpty() && !names.contains(name, Qt::CaseSensitive)) names.append(name);
    }
    return names;
}

SerialPortSource SetSerialPortSource(SerialPortSource source) {
    SerialPortSource previous = std::move(Source());
    Source() = std::move(source);
    return previous;
}
