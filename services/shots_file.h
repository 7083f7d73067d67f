// The shots file: the shots of a fit as CSV text, one shot a line under the header
// "range,quantity,value" with an optional fourth column "uncertainty".
//
//   range,quantity,value,uncertainty
//   20,velocity,738.2,
//   40,poi,-0.85,0.15
//   40,time,0.1709,
//   60m,velocity,180m/s,1%
//
// `range` is in yards, `quantity` one of velocity, time, poi, drop, and the value in its internal
// unit (ft/s, s, in; a POI below the aim and a drop below the bore negative), each unless a unit
// suffix says otherwise (60m, 180m/s, 12ms, -22mm). The uncertainty is the shot's standard
// uncertainty in the value's unit (or with a suffix, or in percent of the value); left empty it
// is the default. Blank lines and lines beginning with "#" are skipped; the lines may end with
// CR LF, LF or CR alone, and a file saved as UTF-16 with its byte-order mark is read as well. The
// window keeps its shots in "Velora.shots.csv" beside the preferences.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "solver/shot_fit.h"
#include "state/calc_state.h"

namespace velora {

inline constexpr const char* ShotsFileName = "Velora.shots.csv";
inline constexpr const char* ShotsHeader = "range,quantity,value,uncertainty";
// No shots file comes near this (a shot is a line of some 20 bytes); a larger one is refused.
inline constexpr std::size_t LargestShotsFile = std::size_t{1} << 20;

struct ShotsLineError {
    int line = 0;  // counted from 1
    std::string reason;
};

struct ShotsText {
    std::vector<Shot> shots;
    std::vector<int> lines;              // the line of each shot
    std::vector<ShotsLineError> errors;  // every line that could not be read, in order
};

// Reads the text of a shots file. A missing or wrong header is an error of its line and ends the
// reading; any other line that cannot be read is listed and passed over.
ShotsText parse_shots_text(std::string_view text);

// The text of the shots: the header, then one line a shot in internal units, each number in the
// shortest form that reads back to the same 32-bit value; an empty uncertainty for the default.
std::string shots_text(const std::vector<Shot>& shots);

// PrefsFolder + "Velora.shots.csv".
std::string shots_file_path(const CalcState& s);

}  // namespace velora
