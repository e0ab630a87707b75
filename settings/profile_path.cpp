#include "settings/profile_path.h"

#include <pwd.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <climits>
#include <new>

#include "core/string_table.h"
#include "settings/file_access.h"

namespace {

// Whether `path` fits a buffer of PATH_MAX bytes together with its terminator.
bool FitsPathLimit(const QString& path) { return QFile::encodeName(path).size() < PATH_MAX; }

QString WithIniExtension(const QString& path) {
    qsizetype nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
    qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    qsizetype stemEnd = dot >= nameStart ? dot : path.size();
    return path.left(stemEnd) + QStringLiteral(".ini");
}

bool IsAbsolute(const QString& path) { return path.startsWith(QLatin1Char('/')); }

QString HomeFolder() {
    const QString home = qEnvironmentVariable("HOME");
    if (IsAbsolute(home)) return home;
    const passwd* entry = getpwuid(geteuid());
    return entry && entry->pw_dir ? QFile::decodeName(entry->pw_dir) : QStringLiteral("/");
}

bool UsableBesideExecutable(const QString& profile) {
    const std::string path = QFile::encodeName(profile).toStdString();
    return MayWrite(path) || MayWrite(FolderOf(path));
}

}  // namespace

ProfilePathResult SettingsFilePath(const QString& executablePath) {
    const ProfilePathResult beside = BuildProfilePath(executablePath);
    if (!beside.ok() || UsableBesideExecutable(beside.path)) return beside;
    try {
        const QString name = beside.path.mid(beside.path.lastIndexOf(QLatin1Char('/')) + 1);
        const QString profile = UserConfigFolder() + QStringLiteral("/veltor/") + name;
        if (!FitsPathLimit(profile)) return {QString(), IDS_INI_NAME_FAILED};
        return {profile, 0};
    } catch (const std::bad_alloc&) {
        return {QString(), IDS_INI_BUFFER_FAILED};
    }
}

QString UserConfigFolder() {
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (IsAbsolute(config)) return QDir::cleanPath(config);
    return QDir::cleanPath(HomeFolder() + QStringLiteral("/.config"));
}

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
