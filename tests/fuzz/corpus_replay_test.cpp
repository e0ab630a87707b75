// Every saved input of every fuzz target's corpus (fuzz/corpus/<target>/) through the target's
// property checks, so a regression shows in the ordinary suite without a fuzzing toolchain.
#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/checks.h"

// Test names show the target's name.
void PrintTo(const FuzzTarget& target, std::ostream* out) { *out << target.name; }

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> CorpusFiles(const char* target) {
    std::vector<fs::path> files;
    const fs::path folder = fs::path(VELTOR_FUZZ_DIR) / "corpus" / target;
    if (!fs::is_directory(folder)) return files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<uint8_t> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

class CorpusReplay : public testing::TestWithParam<FuzzTarget> {
protected:
    // New heap memory is filled with 0xBE, as in the fuzz runs, so bytes left unwritten show.
    static void SetUpTestSuite() { mallopt(M_PERTURB, 0x41); }
};

}  // namespace

TEST_P(CorpusReplay, EverySavedInputKeepsTheProperties) {
    const FuzzTarget target = GetParam();
    const std::vector<fs::path> files = CorpusFiles(target.name);
    ASSERT_FALSE(files.empty()) << "no corpus for " << target.name << " (fuzz/make-seeds)";
    for (const fs::path& file : files) {
        const std::vector<uint8_t> input = ReadFile(file);
        try {
            target.check(input.data(), input.size());
        } catch (const std::exception& e) {
            ADD_FAILURE() << file.filename() << ": " << e.what();
        } catch (...) {
            ADD_FAILURE() << file.filename() << ": an exception of no standard type escaped";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, CorpusReplay, testing::ValuesIn(kFuzzTargets),
                         [](const auto& info) { return std::string(info.param.name); });
