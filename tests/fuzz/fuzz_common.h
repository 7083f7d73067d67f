// What every reader's fuzz harness checks of an answer: a refusal is one line; a string holds only
// finite values within the limits, and its JSON form reads back.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "services/readers/readers.h"

namespace velora {

inline std::string_view fuzz_bytes(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

inline void fuzz_check(const StringRead& read) {
    if (!read.ok()) {
        if (read.error.text().find('\n') != std::string::npos || read.error.expected.empty()) std::abort();
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
    if (!read_string_json(string_json(s), "again.json").ok()) std::abort();
}

}  // namespace velora
