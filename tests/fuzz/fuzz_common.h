// What every reader's fuzz harness checks of an answer: a refusal is one line; a string holds only
// finite values within the limits. (The JSON harness also reads each string's JSON form back.)
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "services/readers/readers.h"

namespace velora {

inline std::string_view fuzz_bytes(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

inline void fuzz_check(const StringRead& read) {
    if (!read.ok()) {
        if (read.error.text().find('\n') != std::string::npos || read.error.expected.empty()) {
            std::fprintf(stderr, "not a one-line refusal: %s\n", read.error.text().c_str());
            std::abort();
        }
        return;
    }
    const ShotString& s = *read.string;
    if (s.shots.empty() || measurement_count(s) > MostStringMeasurements) std::abort();
    for (const StringShot& shot : s.shots) {
        if (shot.MV && !(std::isfinite(*shot.MV) && *shot.MV > 0)) std::abort();
        for (const Measurement& m : shot.measurements)
            if (!std::isfinite(m.value) || !std::isfinite(m.range)) std::abort();
        for (const TrackSample& t : shot.track)
            if (!std::isfinite(t.velocity) || !std::isfinite(t.range) || !std::isfinite(t.time)) std::abort();
    }
}

}  // namespace velora
