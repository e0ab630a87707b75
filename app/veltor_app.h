#pragma once
// The program's start-up: finds the settings file and runs the main window until it closes.

#include <QString>

class CVeltorApp {
public:
    // `executablePath` gives the settings file's place and name. Returns the process exit code.
    int Run(const QString& executablePath);

    // The settings file of this run; empty until Run has found it.
    const QString& ProfilePath() const { return m_profilePath; }

private:
    QString m_profilePath;
};
