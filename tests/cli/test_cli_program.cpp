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
    // curve: FILE and PATH, the projectile's size, the table it writes.
    EXPECT_EQ(completions(folder, "velora-cli cu"), "curve\n");
    EXPECT_EQ(completions(folder, "velora-cli curve --k"), "--keep-outliers\n");
    EXPECT_EQ(completions(folder, "velora-cli curve range-day.prefs sh"), "shots.csv\n");
    EXPECT_EQ(completions(folder, "velora-cli curve range-day.prefs shots.csv CA"), "CAL=\n");
    EXPECT_EQ(completions(folder, "velora-cli curve range-day.prefs shots.csv -o sh"), "shots.csv\n");
    EXPECT_EQ(completions(folder, "velora-cli fit --drag-table shots.csv range-day.prefs sh"), "shots.csv\n");
}

// Pixels of a binary PPM (P6, maxval 255) within 40 of the colour (r, g, b) in each channel; -1 for
// a file that is no such image.
int pixels_near(const std::string& path, int r, int g, int b) {
    std::istringstream in(read_text(path));
    std::string magic;
    int width = 0, height = 0, maxval = 0;
    if (!(in >> magic >> width >> height >> maxval) || magic != "P6" || maxval != 255) return -1;
    in.get();
    int count = 0;
    for (long i = 0; i < static_cast<long>(width) * height; ++i) {
        const int pr = in.get(), pg = in.get(), pb = in.get();
        if (!in) return -1;
        count += std::abs(pr - r) <= 40 && std::abs(pg - g) <= 40 && std::abs(pb - b) <= 40 ? 1 : 0;
    }
    return count;
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

    // The fit of a LabRadar series shot by shot, each shot from its own muzzle velocity: the best
    // law's BC in use, the verdict, the ranking, the shots' spread and those set aside, as fit
    // prints them.
    const Shell fitted = bash(folder, "velora-cli report first.prefs '" + series +
                                          "' --title 'SR0038, .22 LR' -o series.pdf && pdfinfo series.pdf && "
                                          "pdftotext -layout series.pdf series.txt && velora-cli fit first.prefs '" +
                                          series + "' --text");
    ASSERT_EQ(fitted.status, 0) << fitted.output;
    EXPECT_NE(fitted.output.find("Title:           SR0038, .22 LR\n"), std::string::npos) << fitted.output;
    const bool pages = fitted.output.find("Pages:           1\n") != std::string::npos ||
                       fitted.output.find("Pages:           2\n") != std::string::npos;
    EXPECT_TRUE(pages) << fitted.output;
    const std::size_t ranking = fitted.output.find("\nLaw ");
    ASSERT_NE(ranking, std::string::npos) << fitted.output;
    std::istringstream best(fitted.output.substr(fitted.output.find('\n', ranking + 1) + 1));
    std::string law, bc;
    best >> law >> bc;
    const std::string report = read_text((folder / "series.txt").string());
    EXPECT_NE(report.find(bc + " (" + law + ")"), std::string::npos) << law << " " << bc << "\n" << report;
    EXPECT_NE(report.find("With Reference to Drag Law " + law), std::string::npos) << report;
    EXPECT_NE(report.find("Maximum BC:"), std::string::npos);

    // The texts wrap in the document: compared word for word.
    const auto words = [](const std::string& some) {
        std::istringstream in(some);
        std::string out, word;
        while (in >> word) out += (out.empty() ? "" : " ") + word;
        return out;
    };
    const std::string flowing = words(report);
    EXPECT_EQ(report.find("ﬁ"), std::string::npos) << "letters joined in a ligature are no longer found";
    // The verdict line, whichever it is.
    std::size_t verdict_at = fitted.output.find(law + " fits best");
    if (verdict_at == std::string::npos) verdict_at = fitted.output.find("Cannot tell these laws apart");
    ASSERT_NE(verdict_at, std::string::npos) << fitted.output;
    const std::string verdict = fitted.output.substr(verdict_at);
    EXPECT_NE(flowing.find(words(verdict.substr(0, verdict.find('\n')))), std::string::npos) << report;
    const std::size_t spread = fitted.output.find("The shots' own BCs (");
    ASSERT_NE(spread, std::string::npos) << fitted.output;
    EXPECT_NE(flowing.find(words(fitted.output.substr(spread, fitted.output.find('\n', spread) - spread))),
              std::string::npos)
        << report;
    const std::size_t trend = fitted.output.find("BC against muzzle velocity: ");
    ASSERT_NE(trend, std::string::npos);
    EXPECT_NE(flowing.find(words(fitted.output.substr(trend, fitted.output.find('\n', trend) - trend))),
              std::string::npos)
        << report;
    // The shots the fit set aside (as fit names them) and the one the reader did, with the reasons.
    int aside = 0;
    for (std::size_t at = fitted.output.find("shot "); at != std::string::npos;
         at = fitted.output.find("shot ", at + 1)) {
        const std::size_t end = fitted.output.find(" set aside: ", at);
        if (end == std::string::npos || fitted.output.find('\n', at) < end) continue;
        const std::string id = fitted.output.substr(at + 5, end - at - 5);
        const std::size_t line_end = fitted.output.find('\n', end);
        const std::string why = fitted.output.substr(end + 12, line_end - end - 12);
        EXPECT_NE(flowing.find("Set aside: Shot " + id + ": outlier: " + words(why)), std::string::npos) << id << "\n"
                                                                                                         << report;
        ++aside;
    }
    EXPECT_GE(aside, 1) << fitted.output;
    EXPECT_NE(flowing.find("Set aside: Shot 0002: lost track"), std::string::npos) << report;
    EXPECT_NE(flowing.find("Projectile 36.00 gr (2.333 g) (as set on the device)"), std::string::npos) << report;
    // The measured points on the plot: the radar's track samples in use, those of the shots set
    // aside hollow.
    const std::size_t note = report.find("● ");
    ASSERT_NE(note, std::string::npos) << report;
    EXPECT_GT(std::stoi(report.substr(note + 4)), 1000) << report.substr(note, 60);
    EXPECT_NE(report.find(" measurements of the fit, ○ ", note), std::string::npos) << report.substr(note, 60);
    // And drawn: the first page holds the plot, with the dots' blue (0, 70, 170) where the report
    // without a fit has none.
    if (bash(folder,
             "pdftoppm -r 50 -f 1 -l 1 -singlefile series.pdf series && "
             "pdftoppm -r 50 -f 1 -l 1 -singlefile first.pdf first")
            .status == 0) {
        EXPECT_EQ(pixels_near((folder / "first.ppm").string(), 0, 70, 170), 0);
        EXPECT_GT(pixels_near((folder / "series.ppm").string(), 0, 70, 170), 100);
    }
}

// The projectile's keys add its part: sectional density, form factor, energy and the limit.
TEST_F(CliFiles, TheReportOfAKnownProjectileGivesItsEnergyAndFormFactor) {
    if (bash(folder, "command -v pdftotext").status != 0) GTEST_SKIP() << "pdftotext reads the report back";
    const Shell r = bash(folder,
                         "velora-cli first-run > first.prefs && velora-cli report first.prefs WEIGHT=8.44gr "
                         "CAL=4.5mm ENERGY_LIMIT=12ftlbf -o p.pdf && pdftotext p.pdf - | tr -s ' \\n' '  ' && "
                         "echo && velora-cli predict first.prefs WEIGHT=8.44gr CAL=4.5mm ENERGY_LIMIT=12ftlbf --text");
    if (r.output.find("writes no PDF") != std::string::npos) GTEST_SKIP() << "a build without the PDF writer";
    ASSERT_EQ(r.status, 0) << r.output;
    // The figures as predict --text gives them.
    const std::size_t form = r.output.find(", form factor ");
    ASSERT_NE(form, std::string::npos) << r.output;
    const std::string factor = r.output.substr(form + 14, 5);
    const std::size_t energy = r.output.rfind("Energy at the muzzle ");
    ASSERT_NE(energy, std::string::npos);
    const std::string joules = r.output.substr(energy + 21, r.output.find(", momentum", energy) - energy - 21);
    const std::vector<std::string> figures = {factor + " against GA2 at the BC 0.0195", joules + " at 785.0 Ft/s",
                                              "0.0384 lb/in²", "the muzzle energy is within it"};
    for (const std::string& expected : figures) {
        EXPECT_NE(r.output.find(expected), std::string::npos) << expected << "\n" << r.output;
    }
    EXPECT_LT(r.output.find("the muzzle energy is within it"), energy) << "in the report, not only predict's";
    EXPECT_EQ(bash(folder, "velora-cli report first.prefs FORM=1.1 -o f.pdf").status, 2);
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

// The drag curve's plot through the built program, which draws with the toolkit: a PNG of the
// size asked and an SVG.
TEST_F(CliFiles, TheCurvesPlotIsDrawnAsPngAndSvg) {
    const std::string series = std::string(VELORA_REAL_DATA_DIR) + "/labradar-22lr-topgenorth/SR0038";
    if (!std::filesystem::is_directory(series)) GTEST_SKIP() << "the real device files are not at " << series;
    const Shell r = bash(folder, "velora-cli first-run > first.prefs && velora-cli curve first.prefs '" + series +
                                     "' CAL=.2225in --plot curve.png > /dev/null && velora-cli curve first.prefs '" +
                                     series + "' CAL=.2225in --plot curve.svg > /dev/null");
    if (r.output.find("draws no plots") != std::string::npos) GTEST_SKIP() << "this build draws no plots";
    ASSERT_EQ(r.status, 0) << r.output;
    const std::string png = read_text((folder / "curve.png").string());
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    // Width and height, big-endian, in the header chunk.
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(png[i]); };
    EXPECT_EQ((at(16) << 24) | (at(17) << 16) | (at(18) << 8) | at(19), 900);
    EXPECT_EQ((at(20) << 24) | (at(21) << 16) | (at(22) << 8) | at(23), 560);
    EXPECT_NE(read_text((folder / "curve.svg").string()).find("<svg"), std::string::npos);
}

}  // namespace
}  // namespace velora
