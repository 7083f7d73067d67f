#include "services/preferences.h"

#include <gtest/gtest.h>

#include "engine/number_text.h"
#include "solver/fields.h"
#include "tests/fixtures/first_run.h"

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace velora {
namespace {

namespace fs = std::filesystem;

// A fresh folder per test, removed afterwards.
class PreferencesFolder : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = fs::temp_directory_path() / ("velora_prefs_" + std::to_string(::getpid()) + "_" + info->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        state.PrefsFolder = folder.string() + "/";
    }
    void TearDown() override { fs::remove_all(folder); }

    std::string file_bytes() const {
        std::ifstream in(folder / "Velora.prefs", std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void write_prefs(const std::string& bytes) const {
        std::ofstream(folder / "Velora.prefs", std::ios::binary) << bytes;
    }

    fs::path folder;
    CalcState state;
};

// The saved text of the first-run values, byte for byte.
const std::string SavedFirstRun =
    "\xEF\xBB\xBF\r\n"
    "WinX(0) = -1\r\nWinY(0) = -1\r\nWinX(1) = -1\r\nWinY(1) = -1\r\n"
    "MV = 785.0\r\nZR = 32.0\r\nTR = 40.00\r\nSH = 1.65\r\nTV = 633.4\r\n_POI = -0.767\r\nET = 0.1708\r\n"
    "BC = 0.0195\r\nMV_TOL = 1.6\r\nTV_TOL = 1.3\r\nTMP = 23.5\r\nPRES = 28.42\r\nHUMID = 32.0\r\n"
    "TRArray(0) = 40.00\r\nTRArray(1) = 50.00\r\nTRArray(2) = 60.00\r\nTRArray(3) = 50.00\r\n"
    "CURVE = 5\r\nstateMV = 0\r\nstateZR = 1\r\nstateTR = 1\r\nstateSH = 0\r\nstateTV = 0\r\n"
    "statePOI = 2\r\nstateET = 0\r\nstateBC = 2\r\nstateTMP = 0\r\nstatePRES = 0\r\nstatePAN = 2\r\n"
    "stateDROP = 0\r\nstateBC_VAL = 1\r\nShowTarget = 1\r\nstateRB = 0\r\nmode = 1\r\nmpag = 5\r\n"
    "Scheme = 12\r\nAutoLogoCheck = 1\r\nAutoUpdateCheck = 1\r\nEnableToolTips = 1\r\nGaps = 1\r\n"
    "TableStep = 5.0\r\n";

TEST(FirstRunText, IsThePlainDefaultFile) {
    const std::string_view text = FirstRunPreferencesText;
    EXPECT_EQ(text.size(), 590u);
    EXPECT_EQ(text.substr(0, 14), "\nWinX(0) = -1\n");
    EXPECT_EQ(text.find('\r'), std::string_view::npos);
    EXPECT_EQ(text.find("mpag"), std::string_view::npos);
    EXPECT_EQ(text.substr(text.size() - 16), "TableStep = 5.0\n");
}

TEST_F(PreferencesFolder, FirstRunWritesTheDefaultFileAndReadsItsValues) {
    load_preferences(state);
    EXPECT_EQ(file_bytes(), std::string(FirstRunPreferencesText));

    EXPECT_EQ(state.MV, 785.0f);  // not the missing-key 790
    EXPECT_EQ(state.ZR, 32.0f);
    EXPECT_EQ(state.TR, 40.0f);
    EXPECT_EQ(state.SH, 1.65f);
    EXPECT_EQ(state.TV, 633.4f);
    EXPECT_EQ(state.POI, -0.767f);
    EXPECT_EQ(state.ET, 0.1708f);
    EXPECT_EQ(state.BC, 0.0195f);
    EXPECT_EQ(state.MV_TOL, 1.6f);
    EXPECT_EQ(state.TMP, 23.5f);
    EXPECT_EQ(state.PRES, 28.42f);
    EXPECT_EQ(state.HUMID, 32.0f);
    EXPECT_EQ(state.TRArray[2], 60.0f);
    EXPECT_EQ(state.TableStep, 5.0f);
    EXPECT_EQ(state.statePOI, 2);
    EXPECT_EQ(state.stateET, 0);
    EXPECT_EQ(state.statePAN, 2);
    EXPECT_EQ(state.stateBC_VAL, 1);
    EXPECT_EQ(state.stateRB, 0);
    EXPECT_EQ(state.mode, 1);
    EXPECT_EQ(state.mpag, 5);
    EXPECT_EQ(state.Scheme, 12);
    EXPECT_EQ(state.WinX[1], -1);

    // Saving these values gives the program's own form of the same file.
    EXPECT_EQ(preferences_text(state), SavedFirstRun);
    // The tests' first-run fixture is this state, in every stored field.
    EXPECT_EQ(preferences_text(testing::first_run_state()), SavedFirstRun);
}

TEST_F(PreferencesFolder, SavedFileUsesByteOrderMarkAndCrLfAndReadsBackAlike) {
    state.MV = 812.3f;
    state.POI = -1.234f;
    state.ET = 0.0456f;
    state.Scheme = -98765;
    state.WinX[0] = 1200;
    state.WinY[1] = -3;
    state.stateMV = 2;
    state.CURVE = 9;
    state.AutoUpdateCheck = 0;
    state.TableStep = 0.5f;
    state.TMP = -0.03f;  // rounds to zero: saved without a sign
    for (int i = 0; i < 4; ++i) state.TRArray[i] = 35.5f + 10.0f * i;
    ASSERT_TRUE(save_preferences(state));

    const std::string bytes = file_bytes();
    EXPECT_EQ(bytes.substr(0, 5), "\xEF\xBB\xBF\r\n");
    EXPECT_NE(bytes.find("\r\n_POI = -1.234\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\r\nET = 0.0456\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\r\nScheme = -98765\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\r\nTableStep = 0.5\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\r\nTMP = 0.0\r\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(folder / "Velora.prefs.new"));

    CalcState loaded;
    loaded.PrefsFolder = state.PrefsFolder;
    load_preferences(loaded);
    EXPECT_EQ(preferences_text(loaded), bytes);
    EXPECT_EQ(loaded.Scheme, -98765);
    EXPECT_EQ(loaded.WinX[0], 1200);
    EXPECT_EQ(loaded.stateMV, 2);
    EXPECT_EQ(loaded.AutoUpdateCheck, 0);
}

TEST_F(PreferencesFolder, SaveReplacesTheWholeFile) {
    write_prefs(std::string(5000, 'x'));
    ASSERT_TRUE(save_preferences(state));
    EXPECT_EQ(file_bytes(), preferences_text(state));
}

TEST(ReadPreferences, MissingKeysTakeTheirMissingKeyValues) {
    CalcState s;
    s.DROP = -3.0f;
    s.ChangeKind = 2;
    read_preferences_text("", s);
    EXPECT_EQ(s.MV, 790.0f);
    EXPECT_EQ(s.ZR, 30.0f);
    EXPECT_EQ(s.TR, 60.0f);
    EXPECT_EQ(s.SH, 1.75f);
    EXPECT_EQ(s.TV, 568.6f);
    EXPECT_EQ(s.POI, -5.35f);
    EXPECT_EQ(s.ET, 0.2709f);
    EXPECT_EQ(s.BC, 0.03f);
    EXPECT_EQ(s.TRArray[0], 50.0f);
    EXPECT_EQ(s.TRArray[3], 50.0f);
    EXPECT_EQ(s.TableStep, 1.0f);
    EXPECT_EQ(s.CURVE, 5);
    EXPECT_EQ(s.stateBC, 2);
    EXPECT_EQ(s.stateZR, 1);
    EXPECT_EQ(s.stateET, 0);
    EXPECT_EQ(s.ShowTarget, 0);
    EXPECT_EQ(s.mpag, 5);
    EXPECT_EQ(s.Gaps, 1);
    EXPECT_EQ(s.WinY[0], -1);
    EXPECT_EQ(s.EnableToolTips, 1);
    // What the file does not hold stays.
    EXPECT_EQ(s.DROP, -3.0f);
    EXPECT_EQ(s.ChangeKind, 2);
}

TEST(ReadPreferences, ToleranceAboveFivePercentIsFive) {
    CalcState s;
    read_preferences_text("MV_TOL = 7.5\nTV_TOL = 5.0\n", s);
    EXPECT_EQ(s.MV_TOL, 5.0f);
    EXPECT_EQ(s.TV_TOL, 5.0f);
    read_preferences_text("MV_TOL = 4.9\nTV_TOL = 12\n", s);
    EXPECT_EQ(s.MV_TOL, 4.9f);
    EXPECT_EQ(s.TV_TOL, 5.0f);
}

TEST(ReadPreferences, DragLawAndListPositionAreTakenAsTheyStand) {
    CalcState s;
    read_preferences_text("CURVE = 0\n", s);
    EXPECT_EQ(s.CURVE, 0);    // the solver uses G1
    EXPECT_EQ(s.stateBC, 2);  // the list shows GA2
}

TEST(ReadPreferences, KeysAreMatchedWithoutRegardToCase) {
    CalcState s;
    read_preferences_text("mv = 801.5\nSTATEmv = 1\ntrarray(2) = 44\n_Poi = -2\n", s);
    EXPECT_EQ(s.MV, 801.5f);
    EXPECT_EQ(s.stateMV, 1);
    EXPECT_EQ(s.TRArray[2], 44.0f);
    EXPECT_EQ(s.POI, -2.0f);
}

TEST(ReadPreferences, BlanksAroundTheEqualsSignAreIgnored) {
    CalcState s;
    read_preferences_text("  MV\t=\t801.5  \r\nSH=2.5\r\nTR   =   44.25\nstateRB=\t2 \n", s);
    EXPECT_EQ(s.MV, 801.5f);
    EXPECT_EQ(s.SH, 2.5f);
    EXPECT_EQ(s.TR, 44.25f);
    EXPECT_EQ(s.stateRB, 2);
}

TEST(ReadPreferences, TheLastOfDuplicateKeysCounts) {
    CalcState s;
    read_preferences_text("MV = 801\nCURVE = 3\nMV = 900\nmv = 905\nCURVE = 7\n", s);
    EXPECT_EQ(s.MV, 905.0f);
    EXPECT_EQ(s.CURVE, 7);
}

TEST(ReadPreferences, ByteOrderMarkIsSkipped) {
    // A hand-made file whose first key follows the mark directly.
    CalcState s;
    read_preferences_text("\xEF\xBB\xBFMV = 801.5\nBC = 0.025\n", s);
    EXPECT_EQ(s.MV, 801.5f);
    EXPECT_EQ(s.BC, 0.025f);
}

TEST(ReadPreferences, LinesItDoesNotUnderstandAreSkipped) {
    CalcState s;
    read_preferences_text("[Velora]\r; comment\r\nthis line has no equals\n = 3\nNoSuchKey = 12\nMV = 850\n", s);
    EXPECT_EQ(s.MV, 850.0f);
    EXPECT_EQ(s.BC, 0.03f);  // missing
}

TEST(ReadPreferences, ValuesThatAreNotNumbersReadAsMissing) {
    CalcState s;
    read_preferences_text("MV = fast\nBC = \nCURVE = G7\nScheme = 12abc\nZR = 25,5\nSH = 2.5 in\n", s);
    EXPECT_EQ(s.MV, 790.0f);
    EXPECT_EQ(s.BC, 0.03f);
    EXPECT_EQ(s.CURVE, 5);
    // A leading number counts, what follows it does not.
    EXPECT_EQ(s.Scheme, 12);
    EXPECT_EQ(s.ZR, 25.0f);
    EXPECT_EQ(s.SH, 2.5f);
}

// One line of a file read alone, and the field it sets as the reader leaves it.
struct LoadedValue {
    const char* line;
    float CalcState::*field;
    float expected;
};

TEST(ReadPreferences, ValuesTheWindowCouldNotHaveMadeAreBroughtIntoItsRanges) {
    const LoadedValue cases[] = {
        {"MV = 0", &CalcState::MV, 200.0f},
        {"MV = 5000", &CalcState::MV, 4000.0f},
        {"ZR = -5", &CalcState::ZR, 1.0f},
        {"ZR = 2000", &CalcState::ZR, 950.5f},  // half the farthest target range
        {"ZR = 950.5", &CalcState::ZR, 950.5f},
        {"TR = 3", &CalcState::TR, 10.0f},
        {"TR = 3000", &CalcState::TR, 1901.0f},
        {"SH = 40", &CalcState::SH, 6.0f},
        {"SH = 0", &CalcState::SH, 0.1f},
        {"TV = -600", &CalcState::TV, 600.0f},
        {"TV = 100", &CalcState::TV, 200.0f},
        {"TV = 9000", &CalcState::TV, 788.0f},  // MV (the missing 790) − 2
        {"_POI = 0.5", &CalcState::POI, -0.5f},
        {"_POI = -0.05", &CalcState::POI, -0.1f},
        {"ET = -0.2", &CalcState::ET, 0.2f},
        {"BC = 0", &CalcState::BC, 0.004f},
        {"BC = 2", &CalcState::BC, 1.2f},
        {"MV_TOL = -2", &CalcState::MV_TOL, 2.0f},
        {"TV_TOL = -7", &CalcState::TV_TOL, 5.0f},
        {"TMP = 70", &CalcState::TMP, 60.0f},
        {"TMP = -30", &CalcState::TMP, -20.0f},
        {"PRES = 10", &CalcState::PRES, 19.0f},
        {"PRES = 40", &CalcState::PRES, 35.0f},
        {"HUMID = -150", &CalcState::HUMID, 100.0f},
        {"HUMID = -40", &CalcState::HUMID, 40.0f},
        {"TableStep = 0", &CalcState::TableStep, 1.0f},
        {"TableStep = -5", &CalcState::TableStep, 1.0f},
        {"TableStep = 0.09", &CalcState::TableStep, 1.0f},
        {"TableStep = 0.1", &CalcState::TableStep, 0.1f},
    };
    for (const LoadedValue& c : cases) {
        CalcState s;
        read_preferences_text(c.line, s);
        EXPECT_EQ(s.*c.field, c.expected) << c.line;
    }
    CalcState s;
    read_preferences_text("TRArray(0) = 5\nTRArray(1) = 1e30\nTRArray(2) = 0\nTRArray(3) = 5\n", s);
    EXPECT_EQ(s.TRArray[0], 10.0f);
    EXPECT_EQ(s.TRArray[1], 1901.0f);
    EXPECT_EQ(s.TRArray[2], 10.0f);
    EXPECT_EQ(s.TRArray[3], 20.0f);  // the drop needs 20 yd
    // The target velocity stays 2 ft/s below the muzzle velocity of the same file.
    read_preferences_text("MV = 850\nTV = 900\n", s);
    EXPECT_EQ(s.TV, 848.0f);
}

// Whatever the state holds, the text written reads back to a state that writes the same text: a
// value the reader would bring into its range is written as it would read (a POI of −1e38 typed
// into the window is written as −10000, not as a number that would read back as another).
TEST(WritePreferences, EveryValueWrittenReadsBackUnchanged) {
    constexpr float Huge = 3.4028235e38f;
    const std::vector<std::pair<float CalcState::*, std::vector<float>>> extremes = {
        {&CalcState::POI, {-Huge, Huge, -10000.1f, -1e-30f}},
        {&CalcState::ET, {Huge, -Huge, 100.00001f, 1e-40f}},
        {&CalcState::MV, {Huge, 0.0f, -5.0f, 4000.04f}},
        {&CalcState::TV, {Huge, -Huge, 785.0f}},
        {&CalcState::ZR, {Huge, 950.54f}},
        {&CalcState::TableStep, {Huge, 0.0f, 0.04f, 1901.04f}},
        {&CalcState::BC, {1e-30f, Huge}},
        {&CalcState::TMP, {-Huge, 60.04f}},
        {&CalcState::HUMID, {-Huge}},
    };
    for (const auto& [field, values] : extremes) {
        for (const float value : values) {
            CalcState s = testing::first_run_state();
            s.*field = value;
            s.TRArray[1] = Huge;
            const std::string written = preferences_text(s);
            CalcState back = testing::first_run_state();
            read_preferences_text(written, back);
            EXPECT_EQ(preferences_text(back), written) << value;
        }
    }
    CalcState s = testing::first_run_state();
    s.POI = -Huge;
    EXPECT_NE(preferences_text(s).find("\r\n_POI = -10000.000\r\n"), std::string::npos);
}

// An integer key, the number of values it can take from 0 (or from `lowest`), and what it reads
// as when missing.
struct ListKey {
    const char* key;
    int CalcState::*field;
    int lowest, count, missing;
};

TEST(ReadPreferences, ASelectionOutsideItsListReadsAsMissing) {
    const ListKey keys[] = {
        {"CURVE", &CalcState::CURVE, 0, 10, 5},
        {"stateMV", &CalcState::stateMV, 0, 3, 0},
        {"stateZR", &CalcState::stateZR, 0, 3, 1},
        {"stateTR", &CalcState::stateTR, 0, 3, 1},
        {"stateSH", &CalcState::stateSH, 0, 3, 0},
        {"stateTV", &CalcState::stateTV, 0, 3, 0},
        {"statePOI", &CalcState::statePOI, 0, 3, 0},
        {"stateET", &CalcState::stateET, 0, 2, 0},
        {"stateBC", &CalcState::stateBC, 0, 10, 2},
        {"stateTMP", &CalcState::stateTMP, 0, 2, 0},
        {"statePRES", &CalcState::statePRES, 0, 3, 0},
        {"statePAN", &CalcState::statePAN, 0, 3, 0},
        {"stateDROP", &CalcState::stateDROP, 0, 3, 0},
        {"stateBC_VAL", &CalcState::stateBC_VAL, 0, 2, 0},
        {"ShowTarget", &CalcState::ShowTarget, 0, 2, 0},
        {"stateRB", &CalcState::stateRB, 0, 4, 0},
        {"mode", &CalcState::mode, 0, 2, 0},
        {"Gaps", &CalcState::Gaps, 0, 2, 1},
        {"mpag", &CalcState::mpag, 5, 12, 5},
    };
    for (const ListKey& k : keys) {
        const int highest = k.lowest + k.count - 1;
        const int beyond = k.lowest + k.count;
        CalcState s;
        read_preferences_text(std::string(k.key) + " = " + std::to_string(highest), s);
        EXPECT_EQ(s.*k.field, highest) << k.key;
        read_preferences_text(std::string(k.key) + " = " + std::to_string(beyond), s);
        EXPECT_EQ(s.*k.field, k.missing) << k.key << " = " << beyond;
        read_preferences_text(std::string(k.key) + " = " + std::to_string(k.lowest - 1), s);
        EXPECT_EQ(s.*k.field, k.missing) << k.key << " = " << k.lowest - 1;
    }
    CalcState s;
    read_preferences_text("CURVE = 42", s);
    EXPECT_EQ(s.CURVE, 5);
    // The three option flags are 0 or 1; the window positions and the scheme take any integer.
    read_preferences_text("AutoLogoCheck = 256\nAutoUpdateCheck = 2\nEnableToolTips = 0\n", s);
    EXPECT_EQ(s.AutoLogoCheck, 1);
    EXPECT_EQ(s.AutoUpdateCheck, 1);
    EXPECT_EQ(s.EnableToolTips, 0);
    read_preferences_text("WinX(0) = 99999999999\nWinY(1) = -3\nScheme = -98765\n", s);
    EXPECT_EQ(s.WinX[0], 2147483647);
    EXPECT_EQ(s.WinY[1], -3);
    EXPECT_EQ(s.Scheme, -98765);
}

TEST(ReadPreferences, ValuesWithinTheRangesStayAsRead) {
    CalcState s;
    read_preferences_text("TMP = -20\nPRES = 35\nTableStep = 0.5\nTV = 600\nMV = 850\nZR = 12.5\nHUMID = 100\n", s);
    EXPECT_EQ(s.TMP, -20.0f);
    EXPECT_EQ(s.PRES, 35.0f);
    EXPECT_EQ(s.TableStep, 0.5f);
    EXPECT_EQ(s.TV, 600.0f);
    EXPECT_EQ(s.MV, 850.0f);
    EXPECT_EQ(s.ZR, 12.5f);
    EXPECT_EQ(s.HUMID, 100.0f);
}

TEST(PreferenceKeys, AreMatchedAsTheReaderMatchesThem) {
    for (const char* key : {"MV", "_POI", " _poi ", "TRArray(3)", "trarray(0)", "mpag", "TableStep", "WinY(1)"}) {
        EXPECT_TRUE(is_preference_key(key)) << key;
    }
    for (const char* key : {"", "POI", "DROP", "TRArray(4)", "TRArray", "Mv_", "PrefsFolder", "ChangeKind"}) {
        EXPECT_FALSE(is_preference_key(key)) << key;
    }
}

// Every input the file keeps is written under its row's key with the row's decimals, read back
// from it, and read as the row's missing text without it; the drop, which it does not keep, is
// not written.
TEST(PreferenceKeys, EveryStoredInputIsWrittenAndReadUnderItsRowsKey) {
    const CalcState s = testing::first_run_state();
    const std::string text = preferences_text(s);
    CalcState read, missing;
    read_preferences_text(text, read);
    read_preferences_text("Gaps = 1\n", missing);
    for (const Input& in : Inputs) {
        SCOPED_TRACE(in.name);
        if (in.key == nullptr) {
            EXPECT_EQ(text.find(std::string("\n") + in.name + " = "), std::string::npos);
            continue;
        }
        const std::string written = format_fixed(s.*in.value, in.stored);
        EXPECT_NE(text.find("\n" + std::string(in.key) + " = " + written + "\r\n"), std::string::npos);
        EXPECT_EQ(format_fixed(read.*in.value, in.stored), written);
        EXPECT_EQ(missing.*in.value, read_number(in.missing));
    }
}

TEST_F(PreferencesFolder, FileTextIsTheBytesOrNothing) {
    static constexpr char Bytes[] = "\xEF\xBB\xBF\r\nMV = 1\0x";
    const std::string bytes(Bytes, sizeof Bytes - 1);  // with the NUL inside
    write_prefs(bytes);
    const auto text = preferences_file_text((folder / "Velora.prefs").string());
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->size(), 13u);
    EXPECT_EQ(*text, bytes);
    EXPECT_FALSE(preferences_file_text((folder / "none.prefs").string()).has_value());
    EXPECT_FALSE(preferences_file_text(folder.string()).has_value());
}

TEST_F(PreferencesFolder, AnUnwritableFolderStillGivesTheFirstRunValues) {
    state.PrefsFolder = (folder / "missing" / "deeper").string() + "/";
    load_preferences(state);
    EXPECT_EQ(state.MV, 785.0f);
    EXPECT_EQ(state.Scheme, 12);
    EXPECT_FALSE(save_preferences(state));
    EXPECT_FALSE(fs::exists(folder / "missing"));
}

TEST_F(PreferencesFolder, AFolderNamedLikeTheFileIsNotAFile) {
    fs::create_directory(folder / "Velora.prefs");
    load_preferences(state);
    EXPECT_EQ(state.MV, 785.0f);
    EXPECT_TRUE(fs::is_directory(folder / "Velora.prefs"));
}

}  // namespace
}  // namespace velora
