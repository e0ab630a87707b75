#pragma once
// The settings file's path: the executable's own path with its extension replaced by ".ini".

#include <QString>

struct ProfilePathResult {
    QString path;   // the INI file's full path; empty on failure
    int error = 0;  // 0, or the string id of the failure (IDS_PROGRAM_DIR_FAILED,
                    // IDS_INI_NAME_FAILED or IDS_INI_BUFFER_FAILED)

    bool ok() const { return error == 0; }
};

// Builds the INI path from `executablePath` (on the running program, pass
// QCoreApplication::applicationFilePath()). The extension is the part of the file name from its
// last dot on; a dot in a directory name does not count, and a name without a dot gets ".ini"
// appended. Fails with IDS_PROGRAM_DIR_FAILED when the executable path is empty or does not fit
// the platform's path limit (PATH_MAX bytes with the terminator), IDS_INI_NAME_FAILED when the
// INI form would not fit it, and IDS_INI_BUFFER_FAILED when memory runs out.
ProfilePathResult BuildProfilePath(const QString& executablePath);
