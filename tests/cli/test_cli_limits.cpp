// velora-cli at the edges of what it reads: standard input read up to its limit and no further,
// values whose conversion overflows refused, the prefs output written as the reader takes it back,
// and a shots file with more shots than a fit takes.
#include "tests/cli/cli_run.h"

#include "cli/cli.h"
#include "services/preferences.h"
#include "solver/shot_fit.h"

#include <sstream>
#include <streambuf>

namespace velora {
namespace {

// Standard input that never ends, as `yes` or /dev/zero give it, counting what was taken from it.
class EndlessInput : public std::streambuf {
public:
    explicit EndlessInput(char fill) { std::fill(std::begin(chunk_), std::end(chunk_), fill); }
    std::size_t taken() const { return taken_; }

protected:
    int_type underflow() override {
        taken_ += sizeof chunk_;
        setg(chunk_, chunk_, chunk_ + sizeof chunk_);
        return traits_type::to_int_type(chunk_[0]);
    }

private:
    char chunk_[4096];
    std::size_t taken_ = 0;
};

TEST(CliLimits, EndlessStandardInputIsRefusedJustPastTheLimit) {
    for (const char fill : {'y', '\0'}) {
        EndlessInput endless(fill);
        std::istream in(&endless);
        std::ostringstream out, err;
        EXPECT_EQ(run_cli({"prefs", "-"}, in, out, err), CliFailed);
        EXPECT_EQ(err.str(), "velora-cli: standard input is too large for a preferences file\n");
        EXPECT_TRUE(out.str().empty());
        EXPECT_GT(endless.taken(), LargestPreferencesFile);
        EXPECT_LE(endless.taken(), LargestPreferencesFile + 64 * 1024) << "read no further than the limit";
    }
    // Right at the limit it is still read (as a file that holds no preferences key).
    std::string whole(LargestPreferencesFile, '#');
    const CliRun at_limit = run({"prefs", "-"}, whole);
    EXPECT_NE(at_limit.err.find("no preferences key found"), std::string::npos) << at_limit.err;
}

TEST_F(CliFiles, AConversionThatOverflowsIsRefusedWithStatusTwo) {
    const std::string prefs = first_run_file();
    for (const char* argument : {"MV=1e39m/s", "TR=1e39m", "TRArray=40,50,1e39m,50"}) {
        const CliRun r = run({"solve", prefs, argument});
        EXPECT_TRUE(refused_in_one_line(r)) << argument;
        EXPECT_NE(r.err.find("too large a"), std::string::npos) << r.err;
    }
    EXPECT_EQ(run({"predict", prefs, "MV=1e39"}).code, CliOk) << "the largest float, brought to 4000 ft/s";
}

TEST_F(CliFiles, PrefsWritesEachValueAsTheReaderTakesItBack) {
    const std::string prefs = first_run_file();
    const CliRun r = run({"prefs", prefs, "POI=-1e39", "ET=1e39ms", "TableStep=1e39"});
    ASSERT_EQ(r.code, CliOk) << r.err;
    EXPECT_NE(r.out.find("\n_POI = -10000.000\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nET = 100.0000\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nTableStep = 1901.0\n"), std::string::npos) << r.out;
    // Read back, it is the same text.
    EXPECT_EQ(run({"prefs", "-"}, r.out).out, r.out);
}

TEST_F(CliFiles, MoreShotsThanAFitTakesAreRefusedInOneLine) {
    std::string shots = "range,quantity,value\n";
    for (std::size_t i = 0; i <= MostFitShots; ++i) shots += "40,velocity,640\n";
    ASSERT_LE(shots.size(), std::size_t{1} << 20);
    const CliRun r = run({"fit", first_run_file(), file(shots, "many.csv")});
    EXPECT_TRUE(refused_in_one_line(r));
    EXPECT_NE(r.err.find("has " + std::to_string(MostFitShots + 1) + " shots, and a fit takes at most"),
              std::string::npos)
        << r.err;
}

}  // namespace
}  // namespace velora
