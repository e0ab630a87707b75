// veltor-cli: the scanner from a shell, without a window.
#include <unistd.h>

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <csignal>
#include <cstdio>

#include "cli/command_line.h"
#include "cli/device_jobs.h"
#include "cli/port_search.h"
#include "cli/stop_signals.h"
#include "cli/stored_settings.h"
#include "cli/transfer_bar.h"
#include "core/exception_text.h"
#include "core/run_loop.h"
#include "core/string_table.h"
#include "device/baud_rate.h"
#include "device/device_identity.h"
#include "device/serial_ports.h"

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNotFound = 3;
constexpr int kExitStopped = 130;

int UsageFailure(const usage_error& e) {
    PrintError(e.what());
    std::string program = "veltor-cli";
    if (e.command() != CliCommand::None) program += std::string(" ") + CommandName(e.command());
    std::fprintf(stderr, "%s\n", FormatText(IDS_CLI_HELP_HINT, program.c_str()).c_str());
    return kExitUsage;
}

void PrintSearchLine(const PortSearchResult& r) {
    std::string value = "-";
    if (r.state == PortSearchResult::State::Found)
        value = std::to_string(BaudIndexToRate(r.speedIndex));
    else if (r.state == PortSearchResult::State::Busy)
        value = "busy";
    else if (r.state == PortSearchResult::State::Failed)
        PrintError(r.port + ": " + r.error);
    std::printf("%s\t%s\n", r.port.c_str(), value.c_str());
    std::fflush(stdout);
}

void PrintSearchFailure(const PortSearchResult& r) {
    if (r.state == PortSearchResult::State::Failed) PrintError(r.port + ": " + r.error);
}

int RunSearch(const CommandLine& line) {
    std::vector<std::string> ports;
    if (line.ports.empty()) {
        for (const QString& port : EnumerateSerialPorts()) ports.push_back(port.toStdString());
    } else {
        for (const std::string& port : line.ports)
            if (std::find(ports.begin(), ports.end(), port) == ports.end()) ports.push_back(port);
    }
    const std::vector<PortSearchResult> results =
        SearchPorts(ports, line.json ? PrintSearchFailure : PrintSearchLine);
    bool found = false;
    QJsonArray array;
    for (const PortSearchResult& r : results) {
        const bool here = r.state == PortSearchResult::State::Found;
        found = found || here;
        static const char* const kStates[] = {"found", "absent", "busy", "failed"};
        QJsonObject object{
            {"port", QString::fromStdString(r.port)},
            {"state", kStates[static_cast<int>(r.state)]},
            {"baud",
             here ? QJsonValue(static_cast<qint64>(BaudIndexToRate(r.speedIndex))) : QJsonValue()},
            {"speedIndex", here ? QJsonValue(r.speedIndex) : QJsonValue()},
            {"device",
             here ? QJsonValue(QString::fromStdString(DeviceName(r.deviceCode))) : QJsonValue()},
            {"error",
             r.error.empty() ? QJsonValue() : QJsonValue(QString::fromStdString(r.error))}};
        array.append(object);
    }
    if (line.json) std::printf("%s", QJsonDocument(array).toJson().constData());
    return found ? 0 : kExitNotFound;
}

int Run(const CommandLine& line, const QString& programPath) {
    if (line.command == CliCommand::Search) return RunSearch(line);

    const QString settingsPath = line.settingsFile ? QString::fromStdString(*line.settingsFile)
                                                   : WindowSettingsPath(programPath);
    StoredSettings stored;
    if (!ReadStoredSettings(settingsPath, stored))
        throw usage_error(
            FormatText(IDS_CLI_SETTINGS_UNREADABLE, settingsPath.toStdString().c_str()),
            line.command);
    const ConnectionSettings connection = ResolveConnection(line, stored, settingsPath);

    switch (line.command) {
        case CliCommand::Info: RunInfo(connection, line.json); return 0;
        case CliCommand::SetSpeed: RunSetSpeed(connection, *line.targetSpeed); return 0;
        case CliCommand::Snapshot:
        case CliCommand::Video: {
            ImageJob job;
            job.video = line.command == CliCommand::Video;
            job.params = ResolveImage(line.image, job.video ? stored.video : stored.snapshot);
            job.trigger = line.image.trigger;
            job.frames = line.frameCount.value_or(1);
            job.output = line.output;
            job.directory = line.directory;
            TransferBar bar(stderr, !line.quiet && ::isatty(STDERR_FILENO));
            return RunImages(connection, job, bar);
        }
        default: return kExitUsage;
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);  // a closed pipe shows as a failed write
    const std::vector<std::string> args(argv + 1, argv + argc);
    CommandLine line;
    try {
        line = ParseCommandLine(args);
    } catch (const usage_error& e) {
        return UsageFailure(e);
    }
    if (line.help) {
        std::fputs(UsageText(line.command), stdout);
        return 0;
    }
    if (line.version) {
        // As the window's title shows it: the revision only when it is not 0.
        std::printf("veltor-cli %u.%u.%u", VELTOR_VERSION_MAJOR, VELTOR_VERSION_MINOR,
                    VELTOR_VERSION_BUILD);
        if (VELTOR_VERSION_REVISION != 0) std::printf(".%u", VELTOR_VERSION_REVISION);
        std::printf("\n");
        return 0;
    }

    QCoreApplication application(argc, argv);
    const bool quiet = line.quiet;
    InstallStopSignals([quiet] {
        if (!quiet) std::fprintf(stderr, "\n%s\n", LoadText(IDS_CLI_STOPPING));
    });

    int status = 0;
    {
        OperationScope scope;  // a Ctrl-C at any moment counts
        try {
            status = Run(line, QCoreApplication::applicationFilePath());
        } catch (const usage_error& e) {
            status = UsageFailure(e);
        } catch (const stop_exception&) {
            status = kExitStopped;
        } catch (...) {
            if (const auto text = DescribeCurrentException()) PrintError(*text);
            status = kExitFailed;
        }
    }
    if (StopSignalCount() > 0 && status != kExitUsage) status = kExitStopped;
    std::fflush(stdout);
    return status;
}
