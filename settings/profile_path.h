#pragma once
// The settings file's path. Next to the executable where that can be written (a build folder, a
// portable copy), in the user's configuration folder otherwise (an installed program).

#include <QString>

struct ProfilePathResult {
    QString path;   // the INI file's full path; empty on failure
    int error = 0;  // 0, or the string id of the failure (IDS_PROGRAM_DIR_FAILED,
                    // IDS_INI_NAME_FAILED or IDS_INI_BUFFER_FAILED)

    bool ok() const { return error == 0; }
};

// Where the settings of the program at `executablePath` live (on the running program, pass
// QCoreApplication::applicationFilePath()); every program of the suite finds its file through
// this. The file beside the executable that BuildProfilePath names, when that file exists and may
// be written or its folder may be written (see MayWrite); otherwise a file of the same name in
// the "veltor" folder of UserConfigFolder(), which the first save creates. Fails as
// BuildProfilePath does.
ProfilePathResult SettingsFilePath(const QString& executablePath);

// $XDG_CONFIG_HOME when it is an absolute path; otherwise (unset, empty, relative) ~/.config,
// the home folder being $HOME when that is absolute, else the user's entry in the password file.
QString UserConfigFolder();

// Builds the INI path from `executablePath`: the executable's own path with its extension
// replaced by ".ini". The extension is the part of the file name from its last dot on; a dot in a
// directory name does not count, and a name without a dot gets ".ini" appended. Fails with
// IDS_PROGRAM_DIR_FAILED when the executable path is empty or does not fit the platform's path
// limit (PATH_MAX bytes with the terminator), IDS_INI_NAME_FAILED when the INI form would not
// fit it, and IDS_INI_BUFFER_FAILED when memory runs out.
ProfilePathResult BuildProfilePath(const QString& executablePath);
