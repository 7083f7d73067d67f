// The text beneath every reader of device files: bytes decoded to lines of UTF-8, fields split as
// spreadsheets write them, numbers in either decimal notation, and the units files state.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velora {

// The lines of a text file, decoded: UTF-16 in either byte order (with its byte-order mark, or
// recognised by its zero bytes) becomes UTF-8; byte-order marks anywhere, NUL bytes and the line
// ends (CR LF, LF or CR alone) are removed. Line i of the file is element i − 1.
std::vector<std::string> text_lines(std::string_view bytes);

// Whether the bytes look like text at all: no control characters besides tab, line ends, NUL
// padding and escape-free UTF-16.
bool looks_like_text(std::string_view bytes);

std::string_view trim(std::string_view text);
std::string lower_case(std::string_view text);
bool starts_with_no_case(std::string_view text, std::string_view prefix);

// The fields of one line split at `delimiter`, each trimmed of blanks; a field in double quotes may
// hold the delimiter, and "" within it stands for one quote.
std::vector<std::string> split_fields(std::string_view line, char delimiter);

// The delimiter of a line of a spreadsheet: tab, semicolon or comma, whichever splits it most.
char guess_delimiter(std::string_view line);

// A decimal number as spreadsheets write them: "1229.1", "-0,7", "1,369.8", "1.369,8", "+5". With
// both marks present the last one is the decimal mark; a comma alone is the decimal mark unless
// `comma_groups` is set and exactly three digits follow it. Nothing for anything else, for
// non-finite values and for values beyond ±1e30.
std::optional<double> read_decimal(std::string_view text, bool comma_groups = true);

// The unit in a column's name, between its last parentheses: "Vel (fps)" → "fps"; empty without.
std::string unit_in_parentheses(std::string_view column);

// A velocity unit as files write it ("fps", "FPS", "ft/s", "m/s", "MPS"): the factor that gives
// ft/s, as the window converts a value typed in that unit. Nothing for an unknown unit.
std::optional<float> velocity_unit_factor(std::string_view unit);
// A distance unit ("m", "yd", "ft", "metres", "yards", "feet"): converts to yards.
std::optional<float> distance_unit_factor(std::string_view unit);
// value in the unit → internal unit: value / factor, in 32-bit arithmetic as the window converts.
float to_internal(double value, float factor);

// The deepest nesting of arrays and objects in a JSON text, strings left out: counted before the
// text is parsed, so that a deeply nested one is refused before it can exhaust the stack.
int json_nesting(std::string_view text);

// Reads a file of at most `limit` bytes into `bytes`; nothing when read, else the reason
// ("cannot read x: No such file or directory", "x is larger than 64 MiB").
std::optional<std::string> read_file_limited(const std::string& path, std::string& bytes, std::size_t limit);

}  // namespace velora
