// Number text: fixed-point formatting and the reader of typed numbers.
//
// Both are independent of the user's locale: the point is always the decimal separator and no
// grouping is ever written or accepted.
#pragma once

#include <string>
#include <string_view>

namespace velora {

// `value` in fixed-point notation with `decimals` decimals (0..12), rounded to nearest. A "-"
// stands only before a text with a digit other than 0: what rounds to zero reads "0.00".
std::string format_fixed(double value, int decimals);

// The longest leading decimal number of `text` (blanks before it skipped; optional sign; digits
// with an optional point; an optional exponent), the rest ignored. Stores it into `out` and
// returns true; returns false and stores 0 when the text does not begin with a number.
// Never yields NaN or infinity: "nan", "inf" and hex forms are not decimal numbers, and a number
// beyond the float range reads as the largest finite float of its sign.
bool parse_leading_number(std::string_view text, float& out);

// As above, and `rest` is what follows the number (all of `text` when it does not begin with one).
bool parse_leading_number(std::string_view text, float& out, std::string_view& rest);

// As parse_leading_number, with text that is not a number read as 0.
float read_number(std::string_view text);

// Typed text with a decimal comma: a text that holds exactly one comma and no point has the comma
// replaced by a point ("1052,5" reads 1052.5); any other text comes back as it is.
std::string with_decimal_point(std::string_view text);

}  // namespace velora
