#include "cli/command_line.h"

#include <charconv>
#include <functional>
#include <set>
#include <string_view>

#include "core/string_table.h"

namespace {

struct CommandEntry {
    CliCommand command;
    const char* name;
    int usageId;
};

constexpr CommandEntry kCommands[] = {
    {CliCommand::Info, "info", IDS_CLI_USAGE_INFO},
    {CliCommand::Search, "search", IDS_CLI_USAGE_SEARCH},
    {CliCommand::Snapshot, "snapshot", IDS_CLI_USAGE_SNAPSHOT},
    {CliCommand::Video, "video", IDS_CLI_USAGE_VIDEO},
    {CliCommand::SetSpeed, "set-speed", IDS_CLI_USAGE_SET_SPEED},
};

using Setter = std::function<void(CommandLine&, const std::string& value)>;

struct OptionEntry {
    std::vector<std::string_view> names;
    bool takesValue;
    std::set<CliCommand> commands;  // empty: a global option, valid with every command
    Setter set;
};

class Parser {
public:
    explicit Parser(CommandLine& line) : m_line(line) {}

    [[noreturn]] void Fail(const std::string& text) const {
        throw usage_error(text, m_line.command);
    }

    int Number(const std::string& value, const std::string& option, int low, int high,
               const char* allowed, std::optional<int> alsoAllowed = std::nullopt) const {
        int n = 0;
        const char* end = value.data() + value.size();
        const auto [at, error] = std::from_chars(value.data(), end, n);
        const bool inRange = n >= low && n <= high;
        if (error != std::errc() || at != end || value.empty() ||
            !(inRange || (alsoAllowed && n == *alsoAllowed)))
            Fail(FormatText(IDS_CLI_BAD_VALUE, value.c_str(), option.c_str(), allowed));
        return n;
    }

private:
    CommandLine& m_line;
};

const std::set<CliCommand> kImageCommands{CliCommand::Snapshot, CliCommand::Video};

std::vector<OptionEntry> Options(const Parser& p) {
    auto size = [&p](std::optional<int> ImageOptions::*field) {
        return [&p, field](CommandLine& l, const std::string& v) {
            l.image.*field = p.Number(v, "--width/--height", 1, 32767, "1..32767, -1", -1);
        };
    };
    return {
        {{"--help", "-h"}, false, {}, [](CommandLine& l, const std::string&) { l.help = true; }},
        {{"--version"}, false, {}, [](CommandLine& l, const std::string&) { l.version = true; }},
        {{"--quiet", "-q"}, false, {}, [](CommandLine& l, const std::string&) { l.quiet = true; }},
        {{"--port"}, true, {}, [](CommandLine& l, const std::string& v) { l.ports.push_back(v); }},
        {{"--speed"},
         true,
         {},
         [&p](CommandLine& l, const std::string& v) {
             l.speedIndex = p.Number(v, "--speed", 0, 6, "0..6");
         }},
        {{"--timeout"},
         true,
         {},
         [&p](CommandLine& l, const std::string& v) {
             l.timeoutMs = p.Number(v, "--timeout", 100, 300000, "100..300000");
         }},
        {{"--settings"},
         true,
         {},
         [](CommandLine& l, const std::string& v) { l.settingsFile = v; }},
        {{"--json"},
         false,
         {CliCommand::Info, CliCommand::Search},
         [](CommandLine& l, const std::string&) { l.json = true; }},
        {{"--output", "-o"},
         true,
         {CliCommand::Snapshot},
         [](CommandLine& l, const std::string& v) { l.output = v; }},
        {{"--frames", "-n"},
         true,
         {CliCommand::Video},
         [&p](CommandLine& l, const std::string& v) {
             l.frameCount = p.Number(v, "-n", 0, 99999999, "0..99999999");
         }},
        {{"--dir"},
         true,
         {CliCommand::Video},
         [](CommandLine& l, const std::string& v) { l.directory = v; }},
        {{"--format"},
         true,
         kImageCommands,
         [&p](CommandLine& l, const std::string& v) {
             if (v == "bmp")
                 l.image.format = 0;
             else if (v == "jpeg" || v == "jpg")
                 l.image.format = 1;
             else
                 p.Fail(FormatText(IDS_CLI_BAD_VALUE, v.c_str(), "--format", "bmp, jpeg"));
         }},
        {{"--width"}, true, kImageCommands, size(&ImageOptions::width)},
        {{"--height"}, true, kImageCommands, size(&ImageOptions::height)},
        {{"--subsampling"},
         true,
         kImageCommands,
         [&p](CommandLine& l, const std::string& v) {
             l.image.subsampling = p.Number(v, "--subsampling", 1, 255, "1..255");
         }},
        {{"--quality"},
         true,
         kImageCommands,
         [&p](CommandLine& l, const std::string& v) {
             l.image.quality = p.Number(v, "--quality", 1, 100, "1..100");
         }},
        {{"--on-trigger"},
         false,
         {CliCommand::Snapshot},
         [](CommandLine& l, const std::string&) { l.image.trigger = true; }},
        {{"--until-trigger"},
         false,
         {CliCommand::Video},
         [](CommandLine& l, const std::string&) { l.image.trigger = true; }},
    };
}

}  // namespace

const char* CommandName(CliCommand command) {
    for (const CommandEntry& entry : kCommands)
        if (entry.command == command) return entry.name;
    return "";
}

const char* UsageText(CliCommand command) {
    for (const CommandEntry& entry : kCommands)
        if (entry.command == command) return LoadText(entry.usageId);
    return LoadText(IDS_CLI_USAGE);
}

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    Parser parser(line);
    const std::vector<OptionEntry> options = Options(parser);
    // Command options are checked against the command once it is known, wherever they stood.
    std::vector<std::pair<std::string, const OptionEntry*>> given;
    std::vector<std::string> positional;

    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg[0] != '-') {
            if (line.command == CliCommand::None && positional.empty()) {
                for (const CommandEntry& entry : kCommands)
                    if (arg == entry.name) line.command = entry.command;
                if (line.command == CliCommand::None)
                    parser.Fail(FormatText(IDS_CLI_UNKNOWN_COMMAND, arg.c_str()));
            } else {
                positional.push_back(arg);
            }
            continue;
        }
        std::string name = arg;
        std::optional<std::string> value;
        if (const size_t eq = arg.find('='); arg.starts_with("--") && eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        const OptionEntry* option = nullptr;
        for (const OptionEntry& entry : options)
            for (std::string_view n : entry.names)
                if (n == name) option = &entry;
        if (!option) parser.Fail(FormatText(IDS_CLI_UNKNOWN_OPTION, name.c_str()));
        if (option->takesValue && !value) {
            if (i + 1 >= args.size()) parser.Fail(FormatText(IDS_CLI_MISSING_VALUE, name.c_str()));
            value = args[++i];
        } else if (!option->takesValue && value) {
            parser.Fail(FormatText(IDS_CLI_UNKNOWN_OPTION, arg.c_str()));
        }
        given.emplace_back(name, option);
        option->set(line, value.value_or(std::string()));
    }
    if (line.help || line.version) return line;

    if (line.command == CliCommand::None) parser.Fail(LoadText(IDS_CLI_NO_COMMAND));
    for (const auto& [name, option] : given)
        if (!option->commands.empty() && !option->commands.contains(line.command))
            parser.Fail(FormatText(IDS_CLI_UNKNOWN_OPTION, name.c_str()));
    if (line.command == CliCommand::SetSpeed && !positional.empty()) {
        line.targetSpeed = parser.Number(positional.front(), "set-speed", 0, 6, "0..6");
        positional.erase(positional.begin());
    }
    if (!positional.empty())
        parser.Fail(FormatText(IDS_CLI_EXTRA_ARGUMENT, positional.front().c_str()));
    if (line.ports.size() > 1 && line.command != CliCommand::Search)
        parser.Fail(LoadText(IDS_CLI_ONE_PORT));
    auto require = [&parser](bool present, const char* option) {
        if (!present) parser.Fail(FormatText(IDS_CLI_MISSING_OPTION, option));
    };
    switch (line.command) {
        case CliCommand::Snapshot: require(!line.output.empty(), "-o"); break;
        case CliCommand::Video:
            require(line.frameCount.has_value(), "-n");
            require(!line.directory.empty(), "--dir");
            break;
        case CliCommand::SetSpeed: require(line.targetSpeed.has_value(), "ИНДЕКС"); break;
        default: break;
    }
    return line;
}
