// Damaged copies of the real files, made here: cut short, stretches of NULs, re-encoded as UTF-16,
// lines shuffled. Each is refused with a one-line reason or read with its marks; none crashes, and
// whatever is read holds only finite values within the limits.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "services/readers/readers.h"
#include "tests/services/reader_corpus.h"

namespace velora {
namespace {

using test::file_bytes;
using test::real_data;

std::vector<std::filesystem::path> sample_files() {
    const auto r = real_data();
    return {r / "labradar-22lr-topgenorth/SR0038/SR0038 Report.csv",
            r / "labradar-22lr-topgenorth/SR0040/SR0040 Report.csv",
            r / "labradar-22lr-topgenorth/SR0038/TRK/Shot0001 Track.csv",
            r / "labradar-app-export-topgenorth/series14-android-app-export.csv",
            r / "garmin-xero-topgenorth/csv/CZ457_2026-07-05_13-30-54.csv",
            r / "garmin-xero-xeroconv/Shotview_i.csv",
            r / "garmin-xero-xeroconv/Shotview_a.csv",
            r / "garmin-xero-topgenorth/fit/05-05-2026_14-45-28.fit",
            r / "format-samples-wiederladen/magnetospeed-sample.csv"};
}

void expect_sound(const StringRead& read) {
    if (!read.ok()) {
        const std::string text = read.error.text();
        EXPECT_EQ(text.find('\n'), std::string::npos) << text;
        EXPECT_FALSE(read.error.expected.empty());
        return;
    }
    const ShotString& s = *read.string;
    EXPECT_FALSE(s.shots.empty());
    EXPECT_LE(measurement_count(s), MostStringMeasurements);
    for (const StringShot& shot : s.shots) {
        if (shot.MV) {
            EXPECT_TRUE(std::isfinite(*shot.MV) && *shot.MV > 0);
        }
        for (const Measurement& m : shot.measurements) EXPECT_TRUE(std::isfinite(m.value) && std::isfinite(m.range));
        for (const TrackSample& t : shot.track) EXPECT_TRUE(std::isfinite(t.velocity) && std::isfinite(t.range));
    }
}

std::string utf16(const std::string& utf8, bool big_endian, bool mark) {
    std::string out = mark ? (big_endian ? std::string("\xFE\xFF", 2) : std::string("\xFF\xFE", 2)) : std::string();
    const auto unit = [&](unsigned u) {
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        out += big_endian ? hi : lo;
        out += big_endian ? lo : hi;
    };
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const std::size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        unsigned code = n == 1 ? c : c & (0x3F >> (n - 1));
        for (std::size_t k = 1; k < n && i + k < utf8.size(); ++k)
            code = code << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += n;
        if (code >= 0x10000) {
            unit(0xD800 + ((code - 0x10000) >> 10));
            unit(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            unit(code);
        }
    }
    return out;
}

TEST(DamagedCorpus, CutShortFilledWithNulsReencodedAndShuffled) {
    REQUIRE_REAL_DATA();
    std::mt19937 random(2024);
    for (const auto& path : sample_files()) {
        SCOPED_TRACE(path.string());
        const std::string bytes = file_bytes(path);
        const std::string name = path.filename().string();
        const StringRead whole = read_string_bytes(bytes, name);
        ASSERT_TRUE(whole.ok()) << whole.error.text();
        for (std::size_t cut = 0; cut < bytes.size(); cut += std::max<std::size_t>(1, bytes.size() / 97))
            expect_sound(read_string_bytes(bytes.substr(0, cut), name));
        for (int k = 0; k < 40; ++k) {
            std::string nuls = bytes;
            const std::size_t at = random() % bytes.size();
            const std::size_t n = std::min<std::size_t>(bytes.size() - at, 1 + random() % 64);
            std::fill_n(nuls.begin() + static_cast<std::ptrdiff_t>(at), n, '\0');
            expect_sound(read_string_bytes(nuls, name));
        }
        if (path.extension() != ".fit") {
            // Re-encoded as UTF-16 the text reads as before.
            for (const bool big : {false, true})
                for (const bool mark : {false, true}) {
                    const StringRead again = read_string_bytes(utf16(bytes, big, mark), name);
                    ASSERT_TRUE(again.ok()) << again.error.text();
                    EXPECT_EQ(again.string->shots.size(), whole.string->shots.size());
                    EXPECT_EQ(again.string->shots.front().MV, whole.string->shots.front().MV);
                }
        }
        std::vector<std::string> lines;
        for (std::size_t from = 0; from < bytes.size();) {
            const std::size_t end = bytes.find('\n', from);
            lines.push_back(bytes.substr(from, end == std::string::npos ? std::string::npos : end + 1 - from));
            from = end == std::string::npos ? bytes.size() : end + 1;
        }
        for (int k = 0; k < 20; ++k) {
            std::shuffle(lines.begin(), lines.end(), random);
            std::string shuffled;
            for (const std::string& l : lines) shuffled += l;
            expect_sound(read_string_bytes(shuffled, name));
        }
    }
}

}  // namespace
}  // namespace velora
