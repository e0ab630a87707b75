#include "device/serial_ports.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {

SerialPortSource& Source() {
    static SerialPortSource source;
    return source;
}

bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// The run of digits in `text` from `at`, without leading zeros; moves `at` past the run.
QStringView DigitRun(const QString& text, qsizetype& at) {
    while (at < text.size() - 1 && text[at] == u'0' && IsDigit(text[at + 1])) ++at;
    const qsizetype start = at;
    while (at < text.size() && IsDigit(text[at])) ++at;
    return QStringView(text).mid(start, at - start);
}

// <0, 0 or >0 as `a` comes before, with or after `b` in natural order.
int NaturalCompare(const QString& a, const QString& b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            const QStringView x = DigitRun(a, i);
            const QStringView y = DigitRun(b, j);
            if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
            if (const int order = x.compare(y); order != 0) return order;
        } else {
            if (a[i] != b[j]) return a[i] < b[j] ? -1 : 1;
            ++i;
            ++j;
        }
    }
    return static_cast<int>((a.size() - i) - (b.size() - j));
}

// A serial core port whose type reads 0 is a legacy slot with no UART behind it.
bool HasNoUart(const QString& ttyDir) {
    QFile type(ttyDir + "/type");
    return type.open(QIODevice::ReadOnly) && type.readAll().trimmed() == "0";
}

bool IsCharacterDevice(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISCHR(st.st_mode);
}

}  // namespace

QStringList EnumerateSerialPorts() {
    const SerialPortSource source = Source();
    const QStringList raw = source ? source() : SystemSerialPorts();
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

QStringList SystemSerialPorts(const QString& sysfsRoot, const QString& devDir) {
    const QString classDir = sysfsRoot + "/class/tty";
    QStringList names = QDir(classDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    // Virtual terminals, the console and pseudo-terminals have no device behind them.
    names.removeIf([&](const QString& name) {
        const QString ttyDir = classDir + "/" + name;
        return !QFileInfo::exists(ttyDir + "/device") || HasNoUart(ttyDir) ||
               !IsCharacterDevice(devDir + "/" + name);
    });
    std::sort(names.begin(), names.end(), PortNameLess);
    QStringList ports;
    for (const QString& name : names) ports.append(devDir + "/" + name);
    return ports;
}

bool PortNameLess(const QString& a, const QString& b) {
    const int order = NaturalCompare(a, b);
    return order != 0 ? order < 0 : a < b;  // ttyS01 and ttyS1 still get a fixed order
}
