#include "tests/cli/cli_run.h"

#include "cli/cli.h"
#include "services/preferences.h"

#include <unistd.h>
#include <algorithm>
#include <fstream>
#include <sstream>

namespace velora {

CliRun run(const std::vector<std::string>& args, const std::string& input) {
    std::istringstream in(input);
    std::ostringstream out, err;
    CliRun r;
    r.code = run_cli(args, in, out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

::testing::AssertionResult refused_in_one_line(const CliRun& r) {
    const auto lines = std::count(r.err.begin(), r.err.end(), '\n');
    if (r.code == 2 && r.out.empty() && lines == 1 && r.err.back() == '\n' && r.err.rfind("velora-cli: ", 0) == 0) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "exit " << r.code << ", " << r.out.size()
                                         << " bytes out, stderr: " << r.err;
}

void CliFiles::SetUp() {
    folder = std::filesystem::temp_directory_path() / ("velora_cli_" + std::to_string(::getpid()) + "_" +
                                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder);
}

void CliFiles::TearDown() { std::filesystem::remove_all(folder); }

std::string CliFiles::file(const std::string& bytes, const std::string& name) const {
    const std::filesystem::path path = folder / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
}

std::string CliFiles::first_run_file() const { return file(std::string(FirstRunPreferencesText)); }

}  // namespace velora
