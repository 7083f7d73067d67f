// What the readers share beside the text: their answers.
#pragma once

#include <cstdint>
#include <string>

#include "services/readers/readers.h"
#include "services/readers/text_input.h"

namespace velora {

inline StringRead refused(const std::string& name, int line, std::string expected) {
    StringRead r;
    r.error = ReadError{name, line, -1, std::move(expected)};
    return r;
}

inline StringRead refused_at(const std::string& name, std::int64_t offset, std::string expected) {
    StringRead r;
    r.error = ReadError{name, 0, offset, std::move(expected)};
    return r;
}

inline StringRead too_many(const std::string& name, int line) {
    return refused(name, line,
                   "at most " + std::to_string(MostStringMeasurements) + " measurements and track samples in a string");
}

// The string, unless it is over the limits.
inline StringRead accepted(ShotString s, const std::string& name) {
    if (auto error = check_string_limits(s, name)) {
        StringRead r;
        r.error = *error;
        return r;
    }
    StringRead r;
    r.string = std::move(s);
    return r;
}

}  // namespace velora
