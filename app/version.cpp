#include "app/version.h"

QString VersionString(unsigned major, unsigned minor, unsigned build, unsigned revision) {
    QString text = QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(build);
    if (revision != 0) text += QStringLiteral(".%1").arg(revision);
    return text;
}

QString ProgramVersion() {
    return VersionString(VELTOR_VERSION_MAJOR, VELTOR_VERSION_MINOR, VELTOR_VERSION_BUILD,
                         VELTOR_VERSION_REVISION + 0);
}
