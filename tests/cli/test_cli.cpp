// velora-cli as a command line: its commands, help, version, standard input and refusals, and the
// readable outputs.
#include "tests/cli/cli_run.h"

#include "cli/state_members.h"
#include "engine/drag_laws.h"
#include "engine/number_text.h"
#include "services/preferences.h"

#include <unistd.h>
#include <algorithm>
#include <filesystem>
#include <sstream>

namespace velora {
namespace {

namespace fs = std::filesystem;

bool has_line(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(Cli, VersionAndHelp) {
    for (const char* flag : {"--version", "-V"}) {
        const CliRun r = run({flag});
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(r.out, "velora-cli 1.2.2\n");
        EXPECT_TRUE(r.err.empty());
    }
    EXPECT_TRUE(refused_in_one_line(run({"--version", "x"})));

    // The general usage names every command; each command has its own help, reached both ways,
    // on standard output with exit status 0 (never taken for a file name).
    const CliRun usage = run({"--help"});
    EXPECT_EQ(usage.code, 0);
    EXPECT_EQ(run({"help"}).out, usage.out);
    EXPECT_EQ(run({"-h"}).out, usage.out);
    for (const char* command : {"trajectory", "solve", "predict", "fit", "table", "prefs", "first-run", "number"}) {
        EXPECT_NE(usage.out.find(std::string("velora-cli ") + command), std::string::npos) << command;
        const CliRun help = run({"help", command});
        EXPECT_EQ(help.code, 0) << command;
        EXPECT_TRUE(help.err.empty());
        EXPECT_EQ(help.out.rfind(std::string("usage: velora-cli ") + command, 0), 0u) << help.out;
        EXPECT_EQ(run({command, "--help"}).out, help.out) << command;
        EXPECT_EQ(run({command, "somefile", "MV=800", "-h"}).out, help.out) << command;
    }
    // The state commands explain FILE, the keys and the suffixes; the others do not.
    const std::string solve_help = run({"solve", "--help"}).out;
    for (const char* text : {"- reads it from standard input", "TRArray=40,50,60,50", "WinX=-1,-1", "stateBC_VAL",
                             "m/s", "mmHg", "hPa", "Exit status"}) {
        EXPECT_NE(solve_help.find(text), std::string::npos) << text;
    }
    EXPECT_EQ(run({"number", "--help"}).out.find("KEY=VALUE"), std::string::npos);
    EXPECT_TRUE(refused_in_one_line(run({"help", "fly"})));
}

// A drag law by its name as well as by its number, through CURVE=, stateBC= and --law; the JSON
// names it; a name of no law is refused in one line that lists the names.
TEST_F(CliFiles, DragLawsByNameOrNumber) {
    const std::string prefs = first_run_file();
    const CliRun by_number = run({"solve", prefs, "CURVE=3"});
    ASSERT_EQ(by_number.code, 0) << by_number.err;
    EXPECT_NE(by_number.out.find("\n  \"law\": \"RA4\",\n"), std::string::npos);
    EXPECT_EQ(run({"solve", prefs, "CURVE=RA4"}).out, by_number.out);
    EXPECT_EQ(run({"solve", prefs, "curve= ra4"}).out, by_number.out);
    EXPECT_EQ(run({"solve", prefs, "stateBC=G7"}).out, run({"solve", prefs, "stateBC=5"}).out);
    // --law sets the law and its place in the list, after the KEY=VALUEs.
    EXPECT_EQ(run({"predict", prefs, "--law", "ga"}).out, run({"predict", prefs, "CURVE=1", "stateBC=1"}).out);
    EXPECT_EQ(run({"predict", prefs, "CURVE=3", "--law=SLG1"}).out,
              run({"predict", prefs, "CURVE=7", "stateBC=7"}).out);
    EXPECT_NE(run({"trajectory", prefs, "--law", "GL", "--text"}).out.find("Drag law GL,"), std::string::npos);

    const std::string names = "G1, GA, GA2, GS, RA4, G7, SLG0, SLG1, WC0 or GL";
    const std::pair<std::vector<std::string>, std::string> refusals[] = {
        {{"solve", prefs, "CURVE=RA5"},
         "'CURVE=RA5': CURVE is a drag law's number from 0 to 9 or a law's name: " + names},
        {{"solve", prefs, "stateBC=x"},
         "'stateBC=x': stateBC is a place in the drag-law list from 0 to 9 or a law's name: " + names},
        {{"solve", prefs, "CURVE=10"}, "'CURVE=10': CURVE is a whole number from 0 to 9"},
        {{"solve", prefs, "--law", "RA5"}, "'--law RA5': no drag law of that name (" + names + ")"},
        {{"solve", prefs, "--law", "GA", "--law", "G1"}, "--law is given more than once; see 'velora-cli help solve'"},
        {{"solve", prefs, "--law"}, "--law needs a drag law's name; see 'velora-cli help solve'"},
        {{"table", prefs, "--law", "G1"}, "unknown option '--law' for table; see 'velora-cli help table'"},
    };
    for (const auto& [args, message] : refusals) {
        const CliRun r = run(args);
        EXPECT_TRUE(refused_in_one_line(r)) << message;
        EXPECT_EQ(r.err, "velora-cli: " + message + "\n");
    }

    // fit fits only the laws named, each once.
    const std::string shots = file("range,quantity,value\n10,velocity,760\n40,velocity,650\n", "shots.csv");
    const CliRun fit = run({"fit", prefs, shots, "--law", "ga2", "--law", "G1", "--law=GA2"});
    ASSERT_EQ(fit.code, 0) << fit.err;
    std::size_t fits = 0;
    for (std::size_t at = fit.out.find("\"CURVE\": "); at != std::string::npos;
         at = fit.out.find("\"CURVE\": ", at + 1))
        ++fits;
    EXPECT_EQ(fits, 2u);
    EXPECT_NE(fit.out.find("\"law\": \"GA2\""), std::string::npos);
    EXPECT_NE(fit.out.find("\"law\": \"G1\""), std::string::npos);

    // The help lists every law with its number and its place in the list.
    const std::vector<std::string> usage = lines_of(run({"help"}).out);
    const std::vector<std::string> solve_help = lines_of(run({"help", "solve"}).out);
    for (const BuiltInDragLaw& law : DragLaws) {
        std::ostringstream line;
        line << "  " << law.name << std::string(6 - law.name.size(), ' ') << std::string(law.code > 9 ? 3 : 4, ' ')
             << law.code << std::string(law.list_position > 9 ? 4 : 5, ' ') << law.list_position;
        EXPECT_TRUE(has_line(usage, line.str())) << line.str();
        EXPECT_TRUE(has_line(solve_help, line.str())) << line.str();
    }
}

// Every input field is a member of the state under its row's name, and under its file key
// too, whose values go through the field's check.
TEST(Cli, EveryInputFieldIsAStateMember) {
    for (const Input& in : Inputs) {
        SCOPED_TRACE(in.name);
        const std::optional<NamedMember> named = find_state_member(in.name);
        ASSERT_TRUE(named.has_value());
        EXPECT_EQ(named->member->field, in.field);
        EXPECT_EQ(named->member->kind, in.kind);
        if (in.key != nullptr) {
            EXPECT_EQ(find_state_member(in.key)->member, named->member);
        }
    }
}

TEST_F(CliFiles, StandardInputIsReadAsTheFile) {
    const std::string path = first_run_file();
    const std::string text(FirstRunPreferencesText);
    for (const std::vector<std::string>& tail :
         std::vector<std::vector<std::string>>{{"stateRB=2", "TV=600"}, {"--text"}, {"stateRB=3", "DROP=9"}}) {
        for (const char* command : {"solve", "predict"}) {
            std::vector<std::string> from_file = {command, path}, from_input = {command, "-"};
            from_file.insert(from_file.end(), tail.begin(), tail.end());
            from_input.insert(from_input.end(), tail.begin(), tail.end());
            const CliRun a = run(from_file), b = run(from_input, text);
            EXPECT_EQ(a.code, 0) << a.err;
            EXPECT_EQ(b.code, a.code);
            EXPECT_EQ(b.out, a.out);
        }
    }
    // The drop line of standard input counts as the file's.
    const std::string with_drop = text + "DROP = 9\nstateRB = 3\n";
    EXPECT_EQ(run({"solve", "-"}, with_drop).out, run({"solve", file(with_drop, "drop.prefs")}).out);
    EXPECT_EQ(run({"table", "-"}, text).out, run({"table", path}).out);
    const CliRun empty = run({"prefs", "-"}, "");
    EXPECT_TRUE(refused_in_one_line(empty));
    EXPECT_EQ(empty.err, "velora-cli: standard input: no preferences key found (not a preferences file)\n");
}

TEST_F(CliFiles, EachRefusalIsOneLineWithExitStatusTwo) {
    const std::string prefs = first_run_file();
    const std::string missing = (folder / "nothing.prefs").string();
    const std::string binary = file(std::string("\x7f"
                                                "ELF\x02\x01\x01\0\0\0=\0\x10\xff\n\x00\x01",
                                                18),
                                    "prog");
    const std::string empty = file("", "empty.prefs");
    const std::string other = file("[General]\ncolor = blue\nsize=3\n", "other.ini");
    struct Case {
        std::vector<std::string> args;
        std::string message;  // after "velora-cli: "
    };
    const std::vector<Case> cases = {
        {{"solve", missing}, "cannot read " + missing + ": No such file or directory"},
        {{"trajectory", folder.string()}, "cannot read " + folder.string() + ": Is a directory"},
        {{"solve", binary}, binary + ": no preferences key found (not a preferences file)"},
        {{"predict", empty}, empty + ": no preferences key found (not a preferences file)"},
        {{"table", other}, other + ": no preferences key found (not a preferences file)"},
        {{"solve", prefs, "MV=abc"}, "'MV=abc': not a number"},
        {{"solve", prefs, "MV="}, "'MV=': not a number"},
        {{"solve", prefs, "MV=785kmh"}, "'MV=785kmh': 'kmh' is not a unit of velocity (ft/s, fps, m/s)"},
        {{"solve", prefs, "BC=0.02in"}, "'BC=0.02in': takes no unit ('in' follows the number)"},
        {{"solve", prefs, "Step=5"}, "'Step=5': Step is no key of the state or of the preferences file"},
        {{"solve", prefs, "TRArray(4)=50"},
         "'TRArray(4)=50': TRArray(4) is no key of the state or of the preferences file"},
        {{"solve", prefs, "MV"}, "'MV' is not KEY=VALUE"},
        {{"solve", prefs, "=5"}, "'=5' is not KEY=VALUE"},
        {{"solve", prefs, "stateRB=7"}, "'stateRB=7': stateRB is a whole number from 0 to 3"},
        {{"solve", prefs, "CURVE=1.5"}, "'CURVE=1.5': CURVE is a whole number from 0 to 9"},
        {{"solve", prefs, "mpag=4"}, "'mpag=4': mpag is a whole number from 5 to 16"},
        {{"solve", prefs, "Gaps=x"}, "'Gaps=x': Gaps is 0 or 1"},
        {{"solve", prefs, "WinX=1,2.5"}, "'WinX=1,2.5': not a whole number"},
        {{"solve", prefs, "TRArray=40,50"},
         "'TRArray=40,50': TRArray takes 4 values separated by commas (or one as TRArray(0)=VALUE)"},
        {{"solve", prefs, "MV=785,786"}, "'MV=785,786': MV takes one value"},
        {{"solve", prefs, "TMP=70"}, "'TMP=70' is outside Ambient Temperature (-20.0 to 60.0 °C)"},
        {{"solve", prefs, "stateTMP=1", "TMP=158F"}, "'TMP=158F' is outside Ambient Temperature (-4.0 to 140.0 °F)"},
        {{"solve", prefs, "PRES=500mbar", "statePRES=2"},
         "'PRES=500mbar' is outside Ambient Pressure (642.6 to 1183.8 mBar)"},
        {{}, "no command given; see 'velora-cli --help'"},
        {{"fly", prefs}, "unknown command 'fly'; see 'velora-cli --help'"},
        {{"solve", prefs, "--json"}, "unknown option '--json' for solve; see 'velora-cli help solve'"},
        {{"table", prefs, "--text"}, "unknown option '--text' for table; see 'velora-cli help table'"},
        {{"solve", prefs, "--text", "--trajectory"},
         "--trajectory goes with the JSON output, not --text; see 'velora-cli help solve'"},
        {{"solve"}, "solve needs a preferences file (FILE, or - for standard input); see 'velora-cli help solve'"},
        {{"predict", "MV=800"}, "predict needs a preferences file before 'MV=800'; see 'velora-cli help predict'"},
        {{"first-run", "x"}, "first-run takes no arguments; see 'velora-cli help first-run'"},
        {{"number"}, "number takes a text and at most a count of decimals; see 'velora-cli help number'"},
        {{"number", "5", "13"}, "decimals must be a whole number from 0 to 12; see 'velora-cli help number'"},
    };
    for (const Case& c : cases) {
        const CliRun r = run(c.args);
        EXPECT_TRUE(refused_in_one_line(r)) << c.message;
        EXPECT_EQ(r.err, "velora-cli: " + c.message + "\n");
    }
    for (const char* decimals : {"-1", "x", "", "2.5"})
        EXPECT_TRUE(refused_in_one_line(run({"number", "5", decimals})));
    EXPECT_FALSE(fs::exists(missing));  // the tool only reads

    if (::geteuid() != 0) {  // root reads any file
        const std::string locked = file(std::string(FirstRunPreferencesText), "locked.prefs");
        fs::permissions(locked, fs::perms::none);
        const CliRun r = run({"prefs", locked});
        EXPECT_TRUE(refused_in_one_line(r));
        EXPECT_EQ(r.err, "velora-cli: cannot read " + locked + ": Permission denied\n");
    }
}

TEST_F(CliFiles, TheFileIsStillReadAsTheWindowReadsIt) {
    // Lines it does not understand, a value that is no number, a drag law out of range: the file
    // loads as at start-up, with missing-key values where it must.
    const CliRun r = run({"prefs", file("\xEF\xBB\xBF\r\nMV_TOL = 7.5\r\nmv = 801.25\r\nScheme = 7\r\n"
                                        "this is no line\r\nBC = abc\r\nCURVE = 42\r\n")});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), 45u);
    EXPECT_EQ(lines.front(), "WinX(0) = -1");
    EXPECT_EQ(lines.back(), "TableStep = 1.0");
    EXPECT_TRUE(has_line(lines, "MV_TOL = 5.0"));
    EXPECT_TRUE(has_line(lines, "MV = 801.3"));  // 801.25 is held exactly: the half rounds up
    EXPECT_TRUE(has_line(lines, "Scheme = 7"));
    EXPECT_TRUE(has_line(lines, "BC = 0.0300"));
    EXPECT_TRUE(has_line(lines, "CURVE = 5"));
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
}

TEST(Cli, NumberReadsAsAFieldDoesAndFirstRunPrintsTheDefaultFile) {
    EXPECT_EQ(run({"number", " 12.345e1abc", "2"}).out, "123.45\n");
    EXPECT_EQ(run({"number", "1.3%"}).out, "1.3000\n");
    EXPECT_EQ(run({"number", "abc", "1"}).out, "0.0\n");
    EXPECT_EQ(run({"number", "0.125", "2"}).out, "0.13\n");
    EXPECT_EQ(run({"number", "-850", "0"}).out, "-850\n");
    EXPECT_EQ(run({"number", "1052,5", "1"}).out, "1052.5\n");
    EXPECT_EQ(run({"number", "1,052.5", "1"}).out, "1.0\n");
    const CliRun r = run({"first-run"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, FirstRunPreferencesText);
}

TEST_F(CliFiles, TrajectoryTextOfTheFirstRunFileMeetsItsOwnMeasurements) {
    // The first-run file holds the velocity, PoI and time that its BC predicts at 40 yd.
    const std::string path = first_run_file();
    const CliRun r = run({"trajectory", path, "--text"});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), 7u + 9u);
    EXPECT_EQ(lines[0],
              "Drag law GA2, BC 0.0195, muzzle velocity 785.0 ft/s, sight height 1.65 in, zero range 32.0 yd");
    EXPECT_EQ(lines[3], "Target range 40.0 yd, step 5.0 yd");
    EXPECT_EQ(lines[5], "  Range  Velocity      PoI     Time     Drop");
    EXPECT_EQ(lines[7].substr(0, 26), "    0.0     785.0    -1.65");
    EXPECT_EQ(lines.back().substr(0, 35), "   40.0     633.4    -0.77   0.1708");

    // Steps of half a yard, or 15 yd with the target between two steps; a step of 0 is read as
    // the file reader reads it, as 1 yd.
    EXPECT_EQ(lines_of(run({"trajectory", path, "TableStep=0.5", "--text"}).out).size(), 7u + 81u);
    const auto coarse = lines_of(run({"trajectory", path, "tablestep = 15", "--text"}).out);
    ASSERT_EQ(coarse.size(), 7u + 4u);
    EXPECT_EQ(coarse[9].substr(0, 7), "   30.0");
    EXPECT_EQ(coarse[10].substr(0, 7), "   40.0");
    EXPECT_EQ(lines_of(run({"trajectory", path, "TableStep=0", "--text"}).out).size(), 7u + 41u);
}

TEST_F(CliFiles, TableIsTheWindowsRangeTable) {
    const std::string path = first_run_file();
    const CliRun r = run({"table", path});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto lines = lines_of(r.out);
    // Two header lines; rows 0..45 yd every 5 yd in groups of five between empty lines, and as
    // ten is a multiple of five, two empty lines at the end.
    ASSERT_EQ(lines.size(), 2u + 10u + 4u);
    EXPECT_EQ(lines[0], "  Range  Velocity     PoI     Time     Drop");
    EXPECT_EQ(lines[1], " (Yard)   (Ft/s)     (mm)    (Sec)   (Inch)");
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines[8], "");
    EXPECT_EQ(lines[12], "     40    633.4      -19   0.1708    -5.26");
    EXPECT_EQ(lines[14], "");
    EXPECT_EQ(lines[15], "");

    const auto metres = lines_of(run({"table", path, "stateTR=2", "stateMV=1", "Gaps=0"}).out);
    EXPECT_EQ(metres[1].substr(0, 16), "    (m)    (m/s)");
    EXPECT_EQ(std::count(metres.begin(), metres.end(), ""), 2);
}

// The value text of a field line of solve or predict --text ("TV          600.0 Ft/s").
std::string field_value(const std::string& out, const std::string& name) {
    for (const std::string& line : lines_of(out)) {
        if (line.rfind(name + " ", 0) == 0) {
            std::istringstream words(line.substr(name.size()));
            std::string value;
            words >> value;
            return value;
        }
    }
    return "(no line " + name + ")";
}

TEST_F(CliFiles, PredictAndSolveAsText) {
    const std::string path = first_run_file();
    const CliRun predicted = run({"predict", path, "--text"});
    ASSERT_EQ(predicted.code, 0) << predicted.err;
    const auto lines = lines_of(predicted.out);
    EXPECT_EQ(lines[0], "One Chronograph (∆POI)");
    EXPECT_EQ(lines[2], "BC 0.0195 kept");
    EXPECT_EQ(field_value(predicted.out, "TV"), "633.4");
    EXPECT_EQ(field_value(predicted.out, "POI"), "-19");  // the file shows the PoI in mm: -0.767 in
    EXPECT_EQ(field_value(predicted.out, "TR"), "40.0");
    EXPECT_EQ(field_value(predicted.out, "MV_TOL"), "1.6%");
    EXPECT_NE(predicted.out.find("ZR           32.0 Yard (Far Zero)\n"), std::string::npos);
    EXPECT_EQ(lines.back().rfind("Maximum BC ", 0), 0u);

    // Solving from the velocity that the BC predicts at 40 yd gives the BC back; slower at the
    // target, a lower BC.
    const CliRun solved = run({"solve", path, "stateRB=2", "TR=40", "TV=633.4", "--text"});
    ASSERT_EQ(solved.code, 0) << solved.err;
    EXPECT_EQ(lines_of(solved.out)[2], "BC 0.0195 solved");
    const CliRun slower = run({"solve", path, "stateRB=2", "TR=40", "TV=600", "--text"});
    EXPECT_LT(read_number(lines_of(slower.out)[2].substr(3)), 0.0185f);
}

TEST_F(CliFiles, AnImprobableSolveKeepsTheBcAndSaysWhyInOneLine) {
    const CliRun r = run({"solve", first_run_file(), "stateRB=2", "TV=783", "--text"});
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(lines_of(r.out)[2], "BC 0.0195 kept");
    EXPECT_EQ(r.err,
              "velora-cli: Input Error ... The entered parameters result in an improbable BC value. "
              "i.e., In this case, BC[GA2 ] is greater than 1.2000 Please review your inputs ...\n");
}

}  // namespace
}  // namespace velora
