// The one way the CLI tests run velora-cli in-process, and a folder of their own for files.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace velora {

struct CliRun {
    int code = -1;
    std::string out, err;
};

// One command line (without the program name); `input` is what standard input holds.
CliRun run(const std::vector<std::string>& args, const std::string& input = "");

std::vector<std::string> lines_of(const std::string& text);

// True when `r` is a refusal as the tool writes one: exit status 2, nothing on standard output and
// exactly one line on standard error.
::testing::AssertionResult refused_in_one_line(const CliRun& r);

// A temporary folder per test, removed after it.
class CliFiles : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Writes `bytes` into the folder and returns the path.
    std::string file(const std::string& bytes, const std::string& name = "Velora.prefs") const;
    // The file that a first run writes.
    std::string first_run_file() const;
    std::filesystem::path folder;
};

}  // namespace velora
