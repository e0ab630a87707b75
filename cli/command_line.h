#pragma once
// The command line of veltor-cli: global options, one command and its options.

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

enum class CliCommand { None, Info, Search, Snapshot, Video, SetSpeed };

// Image options given on the command line; what is not given comes from the settings file.
struct ImageOptions {
    std::optional<int> format;  // 0 BMP, 1 JPEG
    std::optional<int> width;
    std::optional<int> height;
    std::optional<int> subsampling;
    std::optional<int> quality;
    bool trigger = false;  // snapshot: after the trigger; video: until the trigger
};

struct CommandLine {
    CliCommand command = CliCommand::None;
    bool help = false;
    bool version = false;
    bool quiet = false;
    bool json = false;
    std::vector<std::string> ports;
    std::optional<int> speedIndex;
    std::optional<int> timeoutMs;
    std::optional<std::string> settingsFile;
    std::string output;              // snapshot
    std::string directory;           // video
    std::optional<int> frameCount;   // video
    std::optional<int> targetSpeed;  // set-speed
    ImageOptions image;
};

// A command line that cannot be carried out; the text says why (without the help hint).
class usage_error : public std::runtime_error {
public:
    usage_error(std::string text, CliCommand command)
        : std::runtime_error(std::move(text)), m_command(command) {}
    CliCommand command() const { return m_command; }

private:
    CliCommand m_command;
};

// Global options may stand before or after the command; "--name value" and "--name=value" are
// both taken. Throws usage_error. With --help or --version nothing else is checked.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The command's name as typed ("snapshot"); empty for None.
const char* CommandName(CliCommand command);

// The help text of the program (None) or of one command.
const char* UsageText(CliCommand command);
