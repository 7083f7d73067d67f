// The FIT reader against Garmin's own FIT SDK for JavaScript, used here only as an independent
// oracle: installed with npm into this test's folder of the build tree when the test runs, and
// skipped with a message where node or the npm registry cannot be reached.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "services/readers/readers.h"
#include "tests/services/reader_corpus.h"

namespace velora {
namespace {

std::string run(const std::string& command, int* status = nullptr) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
        const int rc = pclose(pipe);
        if (status) *status = rc;
    } else if (status) {
        *status = -1;
    }
    return out;
}

std::string quoted(const std::string& s) { return "'" + s + "'"; }

// Prints one line a shot: file, shot number, speed (m/s), time (ISO); and one a session: file,
// "session", the grain weight.
constexpr const char* Script = R"(import { Decoder, Stream } from '@garmin/fitsdk';
import fs from 'fs';
for (const file of process.argv.slice(2)) {
  const decoder = new Decoder(Stream.fromBuffer(fs.readFileSync(file)));
  const { messages, errors } = decoder.read();
  if (errors.length) console.log(`${file}\terror\t${errors[0]}`);
  for (const m of messages.chronoShotDataMesgs ?? [])
    console.log(`${file}\t${m.shotNum}\t${m.shotSpeed}\t${m.timestamp.toISOString()}`);
  for (const m of messages.chronoShotSessionMesgs ?? [])
    console.log(`${file}\tsession\t${m.grainWeight ?? ''}`);
}
)";

TEST(FitOracle, TheReaderAgreesWithGarminsSdkOnEveryFitFile) {
    REQUIRE_REAL_DATA();
    int status = 0;
    run("command -v node > /dev/null && command -v npm > /dev/null", &status);
    if (status != 0) GTEST_SKIP() << "node and npm are not installed: the FIT SDK oracle cannot run";
    const std::filesystem::path dir = std::filesystem::path(VELORA_ORACLE_DIR);
    std::filesystem::create_directories(dir);
    if (!std::filesystem::exists(dir / "node_modules/@garmin/fitsdk/package.json")) {
        const std::string log = run("cd " + quoted(dir.string()) +
                                        " && timeout 300 npm install --no-audit --no-fund --no-save --fetch-retries=1"
                                        " --fetch-timeout=30000 @garmin/fitsdk 2>&1",
                                    &status);
        if (status != 0 || !std::filesystem::exists(dir / "node_modules/@garmin/fitsdk/package.json"))
            GTEST_SKIP() << "npm could not install @garmin/fitsdk (no registry?): " << log.substr(0, 400);
    }
    std::ofstream(dir / "decode.mjs") << Script;
    std::vector<std::filesystem::path> files = test::files_under(test::real_data() / "garmin-xero-topgenorth", ".fit");
    for (const auto& p : test::files_under(test::real_data() / "garmin-xero-xeroconv", ".fit")) files.push_back(p);
    std::string command = "cd " + quoted(dir.string()) + " && node decode.mjs";
    for (const auto& f : files) command += " " + quoted(f.string());
    const std::string out = run(command + " 2>&1", &status);
    ASSERT_EQ(status, 0) << out;

    std::map<std::string, std::vector<std::vector<std::string>>> rows;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> f;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');) f.push_back(cell);
        ASSERT_GE(f.size(), 2u) << line;
        ASSERT_NE(f[1], "error") << line;
        rows[f[0]].push_back(f);
    }
    int shots = 0;
    for (const auto& file : files) {
        SCOPED_TRACE(file.string());
        const StringRead read = read_string_path(file.string());
        std::vector<std::vector<std::string>> sdk_shots;
        std::optional<std::string> weight;
        for (const auto& r : rows[file.string()]) {
            if (r[1] == "session")
                weight = r.size() > 2 ? r[2] : "";
            else
                sdk_shots.push_back(r);
        }
        if (sdk_shots.empty()) {
            EXPECT_FALSE(read.ok());
            continue;
        }
        ASSERT_TRUE(read.ok()) << read.error.text();
        const ShotString& s = *read.string;
        ASSERT_EQ(s.shots.size(), sdk_shots.size());
        for (std::size_t i = 0; i < sdk_shots.size(); ++i) {
            const auto& r = sdk_shots[i];
            ASSERT_EQ(r.size(), 4u);
            EXPECT_EQ(s.shots[i].id, r[1]);
            EXPECT_NEAR(*s.shots[i].MV * 0.3048, std::stod(r[2]), 1e-4);
            // "2026-05-05T20:48:26.000Z" and "2026-05-05T20:48:26Z"
            EXPECT_EQ(s.shots[i].time, r[3].substr(0, 19) + "Z");
            ++shots;
        }
        if (weight && !weight->empty()) {
            ASSERT_TRUE(s.projectile.weight_gr);
            EXPECT_NEAR(*s.projectile.weight_gr, std::stod(*weight), 1e-4);
        }
    }
    EXPECT_GT(shots, 200);
}

}  // namespace
}  // namespace velora
