#include "engine/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace velora {

namespace {

constexpr int MostDecimals = 12;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Adds one unit in the last place to a run of decimal digits with an optional point
// ("9.99" -> "10.00", "0.4" -> "0.5").
std::string add_last_place(std::string digits) {
    int i = static_cast<int>(digits.size()) - 1;
    for (; i >= 0; --i) {
        if (digits[i] == '.') continue;
        if (digits[i] != '9') {
            ++digits[i];
            return digits;
        }
        digits[i] = '0';
    }
    return "1" + digits;
}

// |value| with `decimals` decimals, halves rounded away from zero. The digits are those of the
// exact binary value, so 2.675 (held as 2.67499999...) gives "2.67" while 0.125 gives "0.13".
std::string magnitude_text(double magnitude, int decimals) {
    // Wide enough for the largest double written with every decimal.
    char buffer[std::numeric_limits<double>::max_exponent10 + MostDecimals + 8];
    char* const end = buffer + sizeof buffer;

    // A value that lies exactly halfway between two results has at most decimals + 1 binary
    // places, and then its decimals + 1 decimal digits are exact.
    const double scaled = std::ldexp(magnitude, decimals + 1);
    if (scaled == std::floor(scaled)) {
        const auto r = std::to_chars(buffer, end, magnitude, std::chars_format::fixed, decimals + 1);
        std::string text(buffer, r.ptr);
        if (text.back() == '5') {
            text.pop_back();
            if (text.back() == '.') text.pop_back();
            return add_last_place(text);
        }
    }
    const auto r = std::to_chars(buffer, end, magnitude, std::chars_format::fixed, decimals);
    return std::string(buffer, r.ptr);
}

// Saturating decimal exponent after 'e' or 'E'.
long long exponent_value(std::string_view digits, bool negative) {
    long long e = 0;
    for (char c : digits) {
        e = std::min(e * 10 + (c - '0'), 1'000'000'000LL);
    }
    return negative ? -e : e;
}

}  // namespace

std::string format_fixed(double value, int decimals) {
    decimals = std::clamp(decimals, 0, MostDecimals);
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    std::string text = magnitude_text(std::fabs(value), decimals);
    // Only a value that shows below zero carries the sign: a negative zero, and a small negative
    // value whose digits all round to zero, are written as zero ("0.00", never "-0.00").
    const bool shows_a_digit = text.find_first_of("123456789") != std::string::npos;
    if (value < 0 && shows_a_digit) text.insert(text.begin(), '-');
    return text;
}

bool parse_leading_number(std::string_view text, float& out, std::string_view& rest) {
    out = 0.0f;
    rest = text;
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;

    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }

    // Mantissa: digits with at most one point, and at least one digit.
    const std::size_t mantissa_begin = i;
    std::size_t point = std::string_view::npos;
    std::size_t digit_count = 0;
    std::size_t first_nonzero = std::string_view::npos;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (is_digit(c)) {
            if (c != '0' && first_nonzero == std::string_view::npos) first_nonzero = i;
            ++digit_count;
        } else if (c == '.' && point == std::string_view::npos) {
            point = i;
        } else {
            break;
        }
    }
    if (digit_count == 0) return false;
    std::size_t mantissa_end = i;
    if (point == std::string_view::npos) point = mantissa_end;

    // Exponent: taken only when at least one digit follows the letter and its sign.
    long long exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        bool exponent_negative = false;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            exponent_negative = text[j] == '-';
            ++j;
        }
        const std::size_t exponent_begin = j;
        while (j < text.size() && is_digit(text[j])) ++j;
        if (j > exponent_begin) {
            exponent = exponent_value(text.substr(exponent_begin, j - exponent_begin), exponent_negative);
            mantissa_end = j;
        }
    }

    // The sign was checked above: from_chars sees only digits, the point and the exponent, so it
    // can never meet "inf", "nan" or a hex form.
    const char* const first = text.data() + mantissa_begin;
    const char* const last = text.data() + mantissa_end;
    float magnitude = 0.0f;
    const auto r = std::from_chars(first, last, magnitude, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        // The decimal exponent of the leading digit tells an overflow from an underflow.
        const long long digits_before_point = static_cast<long long>(point) - static_cast<long long>(first_nonzero);
        const bool too_large = first_nonzero != std::string_view::npos && digits_before_point + exponent > 0;
        magnitude = too_large ? std::numeric_limits<float>::max() : 0.0f;
    } else if (r.ec != std::errc()) {
        return false;
    }
    out = negative ? -magnitude : magnitude;
    rest = text.substr(mantissa_end);
    return true;
}

bool parse_leading_number(std::string_view text, float& out) {
    std::string_view rest;
    return parse_leading_number(text, out, rest);
}

float read_number(std::string_view text) {
    float value = 0.0f;
    parse_leading_number(text, value);
    return value;
}

std::string with_decimal_point(std::string_view text) {
    std::string out(text);
    const std::size_t comma = out.find(',');
    const bool one_comma = comma != std::string::npos && out.find(',', comma + 1) == std::string::npos;
    if (one_comma && out.find('.') == std::string::npos) out[comma] = '.';
    return out;
}

}  // namespace velora
