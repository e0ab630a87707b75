#include "settings/profile_path.h"

#include <QFile>
#include <climits>
#include <new>

#include "core/string_table.h"

namespace {

// Whether `path` fits a buffer of PATH_MAX bytes together with its terminator.
bool FitsPathLimit(const QString& path) { return QFile::encodeName(path).size() < PATH_MAX; }

QString WithIniExtension(const QString& path) {
    qsizetype nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
    qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    qsizetype stemEnd = dot >= nameStart ? dot : path.size();
    return path.left(stemEnd) + QStringLiteral(".ini");
}

}  // namespace

ProfilePathResult BuildProfilePath(const QString& executablePath) {
    if (executablePath.isEmpty() || !FitsPathLimit(executablePath)) {
        return {QString(), IDS_PROGRAM_DIR_FAILED};
    }
    try {
        QString profile = WithIniExtension(executablePath);
        if (!FitsPathLimit(profile)) return {QString(), IDS_INI_NAME_FAILED};
        return {profile, 0};
    } catch (const std::bad_alloc&) {
        return {QString(), IDS_INI_BUFFER_FAILED};
    }
}
