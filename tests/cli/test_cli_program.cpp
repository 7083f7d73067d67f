// The installed side of velora-cli, run as a user runs it: the examples of the README through the
// built program and bash, and the bash completion.
#include "tests/cli/cli_run.h"

#include "cli/state_members.h"
#include "engine/drag_laws.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace velora {
namespace {

std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Shell {
    int status = -1;
    std::string output;  // standard output and standard error
};

// Runs `script` with bash in `folder`, the built velora-cli first on the PATH.
Shell bash(const std::filesystem::path& folder, const std::string& script) {
    const std::filesystem::path file = folder / "script.sh";
    std::ofstream(file) << "export PATH='" VELORA_CLI_DIR "':\"$PATH\"\ncd '" << folder.string() << "' || exit 99\n"
                        << script << "\n";
    Shell r;
    FILE* pipe = ::popen(("bash '" + file.string() + "' 2>&1").c_str(), "r");
    if (!pipe) return r;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) r.output.append(buffer, n);
    const int status = ::pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

struct Example {
    std::string command;
    std::string expected;  // the lines shown after it
};

// The "$ " lines of the console blocks in the README's velora-cli section, each with the output
// lines below it.
std::vector<Example> readme_examples(const std::string& readme) {
    const std::size_t begin = readme.find("\n## velora-cli\n");
    if (begin == std::string::npos) return {};
    const std::size_t end = readme.find("\n## ", begin + 1);
    std::vector<Example> examples;
    bool in_block = false;
    for (const std::string& line : lines_of(readme.substr(begin, end == std::string::npos ? end : end - begin))) {
        if (line == "```console")
            in_block = true;
        else if (line.rfind("```", 0) == 0)
            in_block = false;
        else if (in_block && line.rfind("$ ", 0) == 0)
            examples.push_back({line.substr(2), ""});
        else if (in_block && !examples.empty())
            examples.back().expected += line + "\n";
    }
    return examples;
}

TEST_F(CliFiles, EveryReadmeExampleGivesTheOutputShown) {
    const std::vector<Example> examples = readme_examples(read_text(VELORA_README));
    ASSERT_GE(examples.size(), 10u);
    for (const Example& e : examples) {
        EXPECT_NE(e.command.find("velora-cli"), std::string::npos) << e.command;
        const Shell r = bash(folder, e.command);
        EXPECT_EQ(r.output, e.expected) << "$ " << e.command;
    }
}

// Endless standard input is refused as soon as it passes the limit, in little memory: the program
// as built, its largest resident size taken from the system when it ended.
TEST(CliProgram, EndlessStandardInputIsRefusedInLittleMemory) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::execl("/bin/sh", "sh", "-c", "exec '" VELORA_CLI_DIR "/velora-cli' prefs - < /dev/zero 2> /dev/null",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage {};
    ASSERT_EQ(::wait4(child, &status, 0, &usage), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
    // Reading on to the end would grow without bound; the sanitizers' shadow memory raises what a
    // refusal costs, not how it grows.
#if defined(__SANITIZE_ADDRESS__)
    constexpr long MostKiB = 256 * 1024;
#else
    constexpr long MostKiB = 20 * 1024;
#endif
    EXPECT_LT(usage.ru_maxrss, MostKiB) << "kB at most";
    std::printf("[ velora-cli prefs - < /dev/zero: %ld kB resident at most ]\n", usage.ru_maxrss);
}

// What the completion offers for a command line whose last word is being typed; COMP_WORDS
// split at "=" as bash splits them by default.
std::string completions(const std::filesystem::path& folder, const std::string& words) {
    return bash(folder, "source '" VELORA_COMPLETION "'\nCOMP_WORDS=(" + words +
                            ")\nCOMP_CWORD=$((${#COMP_WORDS[@]} - 1))\n_velora_cli\nprintf '%s\\n' \"${COMPREPLY[@]}\"")
        .output;
}

TEST_F(CliFiles, BashCompletesCommandsOptionsKeysAndSuffixes) {
    file("", "range-day.prefs");
    EXPECT_EQ(completions(folder, "velora-cli so"), "solve\n");
    EXPECT_EQ(completions(folder, "velora-cli pr"), "predict\nprefs\n");
    EXPECT_EQ(completions(folder, "velora-cli --v"), "--version\n");
    EXPECT_EQ(completions(folder, "velora-cli help tr"), "trajectory\n");
    EXPECT_EQ(completions(folder, "velora-cli solve --t"), "--trajectory\n--text\n");
    EXPECT_EQ(completions(folder, "velora-cli table --"), "--help\n");
    EXPECT_EQ(completions(folder, "velora-cli solve ra"), "range-day.prefs\n");
    EXPECT_EQ(completions(folder, "velora-cli solve range-day.prefs MV_"), "MV_TOL=\n");
    EXPECT_EQ(completions(folder, "velora-cli solve - stateR"), "stateRB=\n");
    EXPECT_EQ(completions(folder, "velora-cli solve range-day.prefs MV=240"), "MV=240ft/s\nMV=240fps\nMV=240m/s\n");
    EXPECT_EQ(completions(folder, "velora-cli solve range-day.prefs PRES = 1013"),
              "1013inHg\n1013mmHg\n1013mbar\n1013hPa\n");
    EXPECT_EQ(completions(folder, "velora-cli solve range-day.prefs MV=24 TR = 4"), "4yd\n4m\n4ft\n");
    EXPECT_EQ(completions(folder, "velora-cli solve range-day.prefs BC=0.02"), "\n");
    EXPECT_EQ(completions(folder, "velora-cli number ''"), "\n");
    EXPECT_EQ(completions(folder, "velora-cli first-run ''"), "\n");
    // fit takes two files before its KEY=VALUE.
    file("", "shots.csv");
    EXPECT_EQ(completions(folder, "velora-cli fi"), "fit\nfirst-run\n");
    EXPECT_EQ(completions(folder, "velora-cli fit --f"), "--fit-mv\n");
    EXPECT_EQ(completions(folder, "velora-cli fit range-day.prefs sh"), "shots.csv\n");
    EXPECT_EQ(completions(folder, "velora-cli fit - --fit-mv sh"), "shots.csv\n");
    EXPECT_EQ(completions(folder, "velora-cli fit range-day.prefs shots.csv MV_"), "MV_TOL=\n");
    EXPECT_EQ(completions(folder, "velora-cli fit range-day.prefs shots.csv TMP=75"), "TMP=75C\nTMP=75F\n");
    // The drag laws by name, after --law and as the value of CURVE and stateBC.
    EXPECT_EQ(completions(folder, "velora-cli solve --l"), "--law\n");
    EXPECT_EQ(completions(folder, "velora-cli solve range-day.prefs --law SL"), "SLG0\nSLG1\n");
    EXPECT_EQ(completions(folder, "velora-cli solve range-day.prefs --law RA4 MV_"), "MV_TOL=\n");
    EXPECT_EQ(completions(folder, "velora-cli predict range-day.prefs CURVE=R"), "CURVE=RA4\n");
    EXPECT_EQ(completions(folder, "velora-cli predict range-day.prefs stateBC = G"), "G1\nGA\nGA2\nGS\nG7\nGL\n");
    EXPECT_EQ(completions(folder, "velora-cli fit --law GA range-day.prefs sh"), "shots.csv\n");
    // The projectile's keys and units, and the drag table's file.
    EXPECT_EQ(completions(folder, "velora-cli predict range-day.prefs WEI"), "WEIGHT=\n");
    EXPECT_EQ(completions(folder, "velora-cli prefs range-day.prefs WEI"), "\n");
    EXPECT_EQ(completions(folder, "velora-cli predict range-day.prefs WEIGHT=8.44"), "WEIGHT=8.44gr\nWEIGHT=8.44g\n");
    EXPECT_EQ(completions(folder, "velora-cli predict range-day.prefs CAL=5.5"), "CAL=5.5in\nCAL=5.5mm\n");
    EXPECT_EQ(completions(folder, "velora-cli solve --drag-table sh"), "shots.csv\n");
    EXPECT_EQ(completions(folder, "velora-cli fit --drag-table shots.csv range-day.prefs sh"), "shots.csv\n");
}

// The report through the built program, read back with pdftotext: at the pitch of its fixed-width
// font (Courier New's characters are 0.6 of its size: 8.5 points) the table's rows keep their
// spacing.
TEST_F(CliFiles, TheReportOfTheFirstRunAndOfALabRadarSeriesReadsBack) {
    if (bash(folder, "command -v pdftotext && command -v pdfinfo").status != 0)
        GTEST_SKIP() << "pdftotext and pdfinfo read the report back";
    const std::string series = std::string(VELORA_REAL_DATA_DIR) + "/labradar-22lr-topgenorth/SR0038";
    if (!std::filesystem::is_directory(series)) GTEST_SKIP() << "the real corpus is not here: " << series;
    const std::string pitch = std::to_string(8.5 * 1229.0 / 2048.0);
    const Shell first = bash(folder,
                             "velora-cli first-run > first.prefs && velora-cli table first.prefs > table.txt && "
                             "velora-cli report first.prefs -o first.pdf && pdfinfo first.pdf && "
                             "pdftotext -layout first.pdf first.txt && pdftotext -layout -fixed " +
                                 pitch + " first.pdf first-fixed.txt");
    if (first.output.find("writes no PDF") != std::string::npos) GTEST_SKIP() << "a build without the PDF writer";
    ASSERT_EQ(first.status, 0) << first.output;
    EXPECT_EQ(first.output.rfind("first.pdf\n", 0), 0u) << first.output;
    EXPECT_NE(first.output.find("Title:           Velora report\n"), std::string::npos) << first.output;
    EXPECT_NE(first.output.find("Creator:         Velora 1.2.2\n"), std::string::npos) << first.output;
    EXPECT_NE(first.output.find("Pages:           1\n"), std::string::npos) << first.output;
    const std::string text = read_text((folder / "first.txt").string());
    for (const char* expected :
         {"0.0195 (GA2)", "Maximum BC: 0.0219", "Minimum BC: 0.0174", "GA2 - ", "Range table, every 5 Yard"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    const std::string fixed = read_text((folder / "first-fixed.txt").string());
    int rows = 0;
    for (const std::string& line : lines_of(read_text((folder / "table.txt").string()))) {
        if (line.empty() || line.find("Range") != std::string::npos || line.find('(') != std::string::npos) continue;
        ++rows;
        EXPECT_NE(fixed.find(line), std::string::npos) << "the window's row '" << line << "'\n" << fixed;
    }
    EXPECT_GE(rows, 9);

    // The fit of a LabRadar series: the best law's BC in use, the ranking and the string.
    const Shell fitted = bash(folder, "velora-cli report first.prefs '" + series +
                                          "' --title 'SR0038, .22 LR' -o series.pdf && pdfinfo series.pdf && "
                                          "pdftotext -layout series.pdf series.txt && velora-cli fit first.prefs '" +
                                          series + "' --schema 1 --text");
    ASSERT_EQ(fitted.status, 0) << fitted.output;
    EXPECT_NE(fitted.output.find("Title:           SR0038, .22 LR\n"), std::string::npos) << fitted.output;
    const bool pages = fitted.output.find("Pages:           1\n") != std::string::npos ||
                       fitted.output.find("Pages:           2\n") != std::string::npos;
    EXPECT_TRUE(pages) << fitted.output;
    // The ranking's first law and its BC, as fit prints them for the measurements fitted together.
    const std::size_t ranking = fitted.output.find("\nLaw ");
    ASSERT_NE(ranking, std::string::npos) << fitted.output;
    std::istringstream best(fitted.output.substr(fitted.output.find('\n', ranking + 1) + 1));
    std::string law, bc;
    best >> law >> bc;
    const std::string report = read_text((folder / "series.txt").string());
    EXPECT_NE(report.find(bc + " (" + law + ")"), std::string::npos) << law << " " << bc << "\n" << report;
    EXPECT_NE(report.find("Fit of "), std::string::npos);
    EXPECT_NE(report.find("Shot string"), std::string::npos);
    EXPECT_NE(report.find("Maximum BC:"), std::string::npos);
    EXPECT_NE(report.find("With Reference to Drag Law " + law), std::string::npos) << report;
}

TEST_F(CliFiles, TheReportRefusesWhatItCannotWrite) {
    const Shell r = bash(folder, "velora-cli first-run > first.prefs && velora-cli report first.prefs -o gone/r.pdf");
    EXPECT_EQ(r.status, 2);
    if (r.output.find("writes no PDF") == std::string::npos) {
        EXPECT_EQ(r.output, "velora-cli: could not write gone/r.pdf: No such file or directory\n");
    }
    EXPECT_EQ(bash(folder, "velora-cli report first.prefs -o").status, 2);
}

TEST_F(CliFiles, TheCompletionKnowsEveryCommandAndKey) {
    const std::string script = read_text(VELORA_COMPLETION);
    const auto listed = [&script](const std::string& variable) {
        const std::size_t at = script.find("local " + variable + "=\"");
        const std::size_t begin = script.find('"', at) + 1;
        std::istringstream words(script.substr(begin, script.find('"', begin) - begin));
        std::vector<std::string> out;
        for (std::string w; words >> w;) out.push_back(w);
        return out;
    };
    std::vector<std::string> members;
    for (const StateMember& m : state_members()) members.push_back(m.name);
    EXPECT_EQ(listed("keys"), members);
    std::vector<std::string> laws;
    for (int position = 0; position < DragLawCount; ++position)
        laws.push_back(drag_law_name(drag_law_at_list_position(position)));
    EXPECT_EQ(listed("laws"), laws);

    // The commands of the usage text, and help.
    std::vector<std::string> commands;
    for (const std::string& line : lines_of(run({"--help"}).out)) {
        const std::size_t at = line.find("velora-cli ");
        if (at == std::string::npos || line.find_first_not_of(' ', line.rfind("usage:", 0) == 0 ? 6 : 0) != at)
            continue;
        std::istringstream words(line.substr(at + 11));
        std::string name;
        words >> name;
        if (name != "--version") commands.push_back(name);
    }
    EXPECT_EQ(listed("commands"), commands);
}

}  // namespace
}  // namespace velora
