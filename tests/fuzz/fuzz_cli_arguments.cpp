// velora-cli's KEY=VALUE arguments over the first-run preferences: the input is split at line ends
// into arguments of "prefs -". The tool ends with 0 or 2, a refusal is one line, and what it
// prints is a preferences text that reads back as itself.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "services/preferences.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velora;
    if (size > 4096) return 0;
    std::vector<std::string> args = {"prefs", "-"};
    std::string argument;
    for (std::size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == '\n') {
            args.push_back(argument);
            argument.clear();
        } else {
            argument += c;
        }
    }
    args.push_back(argument);
    if (args.size() > 40) return 0;
    std::istringstream in{std::string(FirstRunPreferencesText)};
    std::ostringstream out, err;
    const int code = run_cli(args, in, out, err);
    const std::string e = err.str();
    // An option (--help, -h) prints something else than a preferences text.
    const bool option =
        std::any_of(args.begin() + 2, args.end(), [](const std::string& a) { return a.size() > 1 && a[0] == '-'; });
    if (code == CliOk && option) return 0;
    if (code == CliOk) {
        if (!e.empty()) std::abort();
        // The output read back as a file gives itself again.
        std::istringstream again(out.str());
        std::ostringstream out2, err2;
        if (run_cli({"prefs", "-"}, again, out2, err2) != CliOk || out2.str() != out.str()) {
            std::fprintf(stderr, "prefs output did not read back:\n%s\n%s\n", out.str().c_str(), err2.str().c_str());
            std::abort();
        }
        return 0;
    }
    const std::size_t first_end = e.find('\n');
    if (code != CliFailed || !out.str().empty() || e.rfind("velora-cli: ", 0) != 0 || first_end + 1 != e.size()) {
        std::fprintf(stderr, "exit %d, stderr: %s\n", code, e.c_str());
        std::abort();
    }
    return 0;
}
