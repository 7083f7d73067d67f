// The real device files of ../shared/data/real/, for the readers' tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace velora::test {

inline std::filesystem::path real_data() { return VELORA_REAL_DATA_DIR; }

// The real corpus is beside the source tree on the developers' machines and in CI; a checkout
// without it skips these tests.
#define REQUIRE_REAL_DATA()                                                                     \
    do {                                                                                        \
        if (!std::filesystem::is_directory(::velora::test::real_data()))                        \
            GTEST_SKIP() << "the real device files are not at " << ::velora::test::real_data(); \
    } while (0)

inline std::string file_bytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Every file under `folder` whose name ends in `ending`, sorted.
inline std::vector<std::filesystem::path> files_under(const std::filesystem::path& folder, const std::string& ending) {
    std::vector<std::filesystem::path> out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        if (e.is_regular_file() && name.size() >= ending.size() &&
            name.compare(name.size() - ending.size(), ending.size(), ending) == 0)
            out.push_back(e.path());
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace velora::test
