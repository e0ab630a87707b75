// Command-line options of the veltor-scanner-sim executable.
#pragma once

#include <string>

#include "tools/scanner-sim/scanner.h"

namespace scanner_sim {

struct SimOptions {
    Config config;
    std::string linkPath;
    bool verbose = false;
    bool readStdin = true;
    bool help = false;
};

extern const char* const kUsage;

// Parses argv; on a bad option returns false with a message in `error`. Image files named with
// --image are read here.
bool ParseOptions(int argc, char** argv, SimOptions& options, std::string& error);

}  // namespace scanner_sim
