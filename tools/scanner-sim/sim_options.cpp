#include "tools/scanner-sim/sim_options.h"

#include <charconv>
#include <fstream>
#include <iterator>

namespace scanner_sim {

const char* const kUsage = R"(Usage: veltor-scanner-sim [options]
Simulates a scanner on a pseudo-terminal. Prints the terminal's path as the first line of
standard output, then serves it until SIGINT, SIGTERM or the command q.

Options:
  --device-code N         model code answered to information selector 0 (default 151)
  --speed-index N         speed index the device starts at, 0..6 = 2400..115200 (default 2)
  --no-speed-command      the device does not know the speed command (answers status 8)
  --loader                start in loader mode (ready)
  --mode-silence MS       no answers for this long after a mode change request (default 0)
  --mode-speed-index N    after a mode change the device listens at this speed index
  --loader-ready-delay MS readiness in loader mode comes this long after the change
  --no-working-program    the working program never starts; the device stays a loader
  --image FILE            serve this BMP or JPEG file; repeat to serve several in turn
                          (default: generated 24-bit bitmaps of the requested size)
  --interface-version C   image interface version character (default 2)
  --ack-delay MS          image command acknowledged after this long (default 0)
  --ready-delay MS        image ready this long after the request (default 0)
  --pacing                hold every byte to the line rate (10 bits per byte)
  --link PATH             also make a symbolic link to the terminal at PATH
  --verbose               log every request to standard error
  --no-stdin              do not read commands from standard input
  --help                  show this text

Commands on standard input, one per line:
  t   press the trigger          c   clear the trigger
  s   show state word, mode, speed index and request count
  q   quit
End of input only ends the commands; serving goes on until a signal.
)";

namespace {

bool ParseInt(const std::string& text, int low, int high, int& out) {
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return false;
    }
    out = value;
    return true;
}

bool ReadFile(const std::string& path, Bytes& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad() && !out.empty();
}

}  // namespace

bool ParseOptions(int argc, char** argv, SimOptions& options, std::string& error) {
    Config& c = options.config;
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        auto number = [&](int low, int high, int& out) {
            std::string text;
            return value(text) && ParseInt(text, low, high, out);
        };
        int n = 0;
        std::string text;
        bool ok = true;
        if (name == "--help" || name == "-h") {
            options.help = true;
        } else if (name == "--device-code") {
            ok = number(0, 255, n);
            c.deviceCode = static_cast<uint8_t>(n);
        } else if (name == "--speed-index") {
            ok = number(0, 6, c.baudIndex);
        } else if (name == "--no-speed-command") {
            c.hasBaudCommand = false;
        } else if (name == "--loader") {
            c.initialState = {0x02, 0x02, 0x00, 0x80};
        } else if (name == "--mode-silence") {
            ok = number(0, 600000, c.modeChangeSilenceMs);
        } else if (name == "--mode-speed-index") {
            ok = number(0, 6, c.modeChangeBaudIndex);
        } else if (name == "--loader-ready-delay") {
            ok = number(0, 600000, c.loaderReadyDelayMs);
        } else if (name == "--no-working-program") {
            c.workingProgramStarts = false;
        } else if (name == "--image") {
            Bytes image;
            ok = value(text);
            if (ok && !ReadFile(text, image)) {
                error = "cannot read image file " + text;
                return false;
            }
            c.images.push_back(std::move(image));
        } else if (name == "--interface-version") {
            ok = value(text) && text.size() == 1;
            if (ok) c.imageInterfaceVersion = text[0];
        } else if (name == "--ack-delay") {
            ok = number(0, 600000, c.commandAckDelayMs);
        } else if (name == "--ready-delay") {
            ok = number(0, 600000, c.imageReadyDelayMs);
        } else if (name == "--pacing") {
            c.pacing = true;
        } else if (name == "--link") {
            ok = value(options.linkPath) && !options.linkPath.empty();
        } else if (name == "--verbose") {
            options.verbose = true;
        } else if (name == "--no-stdin") {
            options.readStdin = false;
        } else {
            error = "unknown option " + name;
            return false;
        }
        if (!ok) {
            error = "missing or bad value for " + name;
            return false;
        }
    }
    return true;
}

}  // namespace scanner_sim
