#pragma once
// What veltor-cli takes from the settings file the window uses: the connection and the image
// parameters, for whatever the command line leaves out.

#include <QString>
#include <optional>
#include <string>

#include "cli/command_line.h"
#include "device/connection_settings.h"
#include "device/image_parameters.h"

struct StoredSettings {
    std::optional<std::string> portName;  // absent or empty in the file: nothing
    std::optional<int> speedIndex;        // absent or outside 0-6 (-1 is "none chosen"): nothing
    std::optional<int> timeoutMs;         // a stored value out of range counts as the default
    ImageParameters snapshot = kDefaultSnapshotParameters;
    ImageParameters video = kDefaultVideoParameters;
};

// The window's settings file for an executable installed beside it (`cliPath` is this program's
// own path): where the window at the same place reads and writes its settings.
QString WindowSettingsPath(const QString& cliPath);

// Reads `path`; a missing file gives nothing but the default image parameters. False when the
// file exists but cannot be read.
bool ReadStoredSettings(const QString& path, StoredSettings& settings);

// The connection from the options, else from the file. Throws usage_error naming the first
// option that neither gives.
ConnectionSettings ResolveConnection(const CommandLine& line, const StoredSettings& stored,
                                     const QString& settingsPath);

// The stored parameters with those given on the command line put over them.
ImageParameters ResolveImage(const ImageOptions& options, ImageParameters stored);
