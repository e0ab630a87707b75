#include "cli/stored_settings.h"

#include <QDir>
#include <QFileInfo>

#include "core/string_table.h"
#include "settings/ini_file.h"
#include "settings/profile_path.h"

namespace {

const QString kConnect = QStringLiteral("Connect");
constexpr int kAbsent = INT32_MIN;  // no stored value can read as this and mean something

std::optional<int> ReadOptional(const IniFile& ini, const QString& section, const QString& key) {
    const int32_t value = ini.ReadInt(section, key, kAbsent);
    if (value == kAbsent) return std::nullopt;
    return value;
}

void ReadParameters(const IniFile& ini, const QString& section, ImageParameters& p) {
    ReadStoredParameters(p, [&](const char* key, int value) {
        return ini.ReadInt(section, QLatin1String(key), value);
    });
}

}  // namespace

QString WindowSettingsPath(const QString& cliPath) {
    const QString window = QFileInfo(cliPath).absoluteDir().filePath(QStringLiteral("veltor"));
    return SettingsFilePath(window).path;
}

bool ReadStoredSettings(const QString& path, StoredSettings& settings) {
    IniFile ini(path);
    if (!path.isEmpty() && !ini.Load()) return false;
    const QString port = ini.ReadString(kConnect, QStringLiteral("PortName"), QString());
    if (!port.isEmpty()) settings.portName = port.toStdString();
    const std::optional<int> speed = ReadOptional(ini, kConnect, QStringLiteral("BaudRate"));
    if (speed && *speed >= 0 && *speed <= 6) settings.speedIndex = speed;
    if (const std::optional<int> timeout = ReadOptional(ini, kConnect, QStringLiteral("Timeout")))
        settings.timeoutMs = UsableTimeout(*timeout);
    ReadParameters(ini, QStringLiteral("ImageAcquisition\\Snapshot"), settings.snapshot);
    ReadParameters(ini, QStringLiteral("ImageAcquisition\\Video"), settings.video);
    return true;
}

ConnectionSettings ResolveConnection(const CommandLine& line, const StoredSettings& stored,
                                     const QString& settingsPath) {
    const std::string file = settingsPath.toStdString();
    auto missing = [&](const char* option) {
        return usage_error(FormatText(IDS_CLI_NOT_SET, option, file.c_str()), line.command);
    };
    ConnectionSettings connection;
    if (!line.ports.empty())
        connection.portName = line.ports.front();
    else if (stored.portName)
        connection.portName = *stored.portName;
    else
        throw missing("--port");
    if (line.speedIndex)
        connection.speedIndex = *line.speedIndex;
    else if (stored.speedIndex)
        connection.speedIndex = *stored.speedIndex;
    else
        throw missing("--speed");
    if (line.timeoutMs)
        connection.timeoutMs = *line.timeoutMs;
    else if (stored.timeoutMs)
        connection.timeoutMs = *stored.timeoutMs;
    else
        throw missing("--timeout");
    return connection;
}

ImageParameters ResolveImage(const ImageOptions& options, ImageParameters stored) {
    if (options.format) stored.ImageFormat = *options.format;
    if (options.width) stored.ViewWidth = static_cast<int16_t>(*options.width);
    if (options.height) stored.ViewHeight = static_cast<int16_t>(*options.height);
    if (options.subsampling) stored.SubsamplingCoeff = static_cast<uint8_t>(*options.subsampling);
    if (options.quality) stored.JpegQuality = static_cast<uint8_t>(*options.quality);
    return stored;
}
