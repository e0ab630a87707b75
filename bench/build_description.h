#pragma once
// The build a benchmark measures, as CMake configured it (VELTOR_BUILD_DESCRIPTION, set in
// bench/CMakeLists.txt): figures from another build type or other flags are not comparable.

#include <cstdio>

inline void PrintBuildDescription() {
    std::printf("measured: %s\n\n", VELTOR_BUILD_DESCRIPTION);
    std::fflush(stdout);  // ahead of what the benchmark library writes to stderr
}
