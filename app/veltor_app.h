#pragma once
// The program's start-up: finds the settings file and runs the main window until it closes.

#include <QString>

class CVeltorApp {
public:
    // `executablePath` gives the settings file's place and name (SettingsFilePath). A SIGTERM
    // closes the window as its close button does. When the settings could not be saved at the
    // close, one message box says why. Returns the process exit code.
    int Run(const QString& executablePath);
};
