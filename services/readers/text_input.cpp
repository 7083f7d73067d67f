#include "services/readers/text_input.h"

#include "services/text_encoding.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace velora {

namespace {

// UTF-16 without a byte-order mark: most code units of the first bytes have one zero byte.
std::optional<bool> utf16_without_mark(std::string_view bytes) {
    const std::size_t n = std::min<std::size_t>(bytes.size(), 512) & ~std::size_t{1};
    if (n < 8) return std::nullopt;
    std::size_t zero_even = 0, zero_odd = 0;
    for (std::size_t i = 0; i < n; i += 2) {
        zero_even += bytes[i] == '\0';
        zero_odd += bytes[i + 1] == '\0';
    }
    const std::size_t units = n / 2;
    if (zero_odd * 10 >= units * 8 && zero_even * 10 < units) return false;  // little-endian
    if (zero_even * 10 >= units * 8 && zero_odd * 10 < units) return true;
    return std::nullopt;
}

std::string decoded(std::string_view bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE)
        return utf8_from_utf16(bytes.substr(2), false);
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
        static_cast<unsigned char>(bytes[1]) == 0xFF)
        return utf8_from_utf16(bytes.substr(2), true);
    if (const auto big = utf16_without_mark(bytes)) return utf8_from_utf16(bytes, *big);
    return std::string(bytes);
}

}  // namespace

std::vector<std::string> text_lines(std::string_view bytes) {
    const std::string text = decoded(bytes);
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            lines.emplace_back();
            continue;
        }
        if (c == '\0') continue;
        // The byte-order mark U+FEFF, wherever an export put it.
        if (c == '\xEF' && i + 2 < text.size() && text[i + 1] == '\xBB' && text[i + 2] == '\xBF') {
            i += 2;
            continue;
        }
        lines.back() += c;
    }
    if (lines.size() > 1 && lines.back().empty()) lines.pop_back();
    return lines;
}

bool looks_like_text(std::string_view bytes) {
    const std::string_view head = bytes.substr(0, 4096);
    if (utf16_without_mark(head) || head.substr(0, 2) == "\xFF\xFE" || head.substr(0, 2) == "\xFE\xFF") return true;
    for (const char c : head) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 && c != '\t' && c != '\r' && c != '\n' && c != '\0') return false;
    }
    return true;
}

std::string_view trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    // The narrow no-break space (E2 80 AF) and the no-break space (C2 A0) some exports pad with.
    for (;;) {
        if (text.size() >= 3 && text.substr(text.size() - 3) == "\xE2\x80\xAF")
            text.remove_suffix(3);
        else if (text.size() >= 2 && text.substr(text.size() - 2) == "\xC2\xA0")
            text.remove_suffix(2);
        else
            break;
    }
    return text;
}

std::string lower_case(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool starts_with_no_case(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && lower_case(text.substr(0, prefix.size())) == lower_case(prefix);
}

std::vector<std::string> split_fields(std::string_view line, char delimiter) {
    std::vector<std::string> fields;
    std::size_t i = 0;
    for (;;) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t') && line[i] != delimiter) ++i;
        std::string field;
        if (i < line.size() && line[i] == '"') {
            ++i;
            while (i < line.size()) {
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += line[i++];
            }
            // Anything between the closing quote and the delimiter belongs to the field.
            const std::size_t end = line.find(delimiter, i);
            field += line.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i);
            i = end;
        } else {
            const std::size_t end = line.find(delimiter, i);
            field = line.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i);
            i = end;
        }
        fields.emplace_back(trim(field));
        if (i == std::string_view::npos || i >= line.size()) break;
        ++i;  // the delimiter
        if (i == line.size()) {
            fields.emplace_back();
            break;
        }
    }
    return fields;
}

char guess_delimiter(std::string_view line) {
    const auto count = [&](char d) { return split_fields(line, d).size(); };
    const std::size_t tabs = count('\t'), semicolons = count(';'), commas = count(',');
    if (tabs > 1 && tabs >= semicolons && tabs >= commas) return '\t';
    if (semicolons > 1 && semicolons >= commas) return ';';
    return ',';
}

std::optional<double> read_decimal(std::string_view text, bool comma_groups) {
    text = trim(text);
    if (text.empty() || text.size() > 64) return std::nullopt;
    const std::size_t last_comma = text.rfind(','), last_point = text.rfind('.');
    std::string plain;
    char decimal = '.';
    if (last_comma != std::string_view::npos && last_point != std::string_view::npos) {
        decimal = last_comma > last_point ? ',' : '.';
    } else if (last_comma != std::string_view::npos) {
        const bool three_after = text.size() - last_comma - 1 == 3;
        decimal = comma_groups && three_after ? '.' : ',';
        // "1,234,567": more than one comma can only be grouping.
        if (text.find(',') != last_comma) decimal = '.';
    }
    const char group = decimal == '.' ? ',' : '.';
    bool seen_decimal = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == group) {
            // A group mark stands between digits only.
            if (i == 0 || i + 1 >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i - 1])) ||
                !std::isdigit(static_cast<unsigned char>(text[i + 1])) || seen_decimal)
                return std::nullopt;
            continue;
        }
        if (c == decimal) {
            if (seen_decimal) return std::nullopt;
            seen_decimal = true;
            plain += '.';
            continue;
        }
        plain += c;
    }
    const char* first = plain.data();
    const char* last = plain.data() + plain.size();
    if (first != last && *first == '+') ++first;
    double value = 0;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || end != last || !std::isfinite(value) || std::fabs(value) > 1e30) return std::nullopt;
    return value;
}

std::string unit_in_parentheses(std::string_view column) {
    const std::size_t open = column.rfind('('), close = column.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) return {};
    return std::string(trim(column.substr(open + 1, close - open - 1)));
}

std::optional<float> velocity_unit_factor(std::string_view unit) {
    const std::string u = lower_case(trim(unit));
    if (u == "fps" || u == "ft/s" || u == "ft/sec" || u == "feet/s") return 1.0f;
    if (u == "m/s" || u == "mps" || u == "m/sec") return 0.3048f;
    return std::nullopt;
}

std::optional<float> distance_unit_factor(std::string_view unit) {
    const std::string u = lower_case(trim(unit));
    if (u == "m" || u == "metre" || u == "metres" || u == "meter" || u == "meters") return 0.9144f;
    if (u == "yd" || u == "yard" || u == "yards" || u == "yds") return 1.0f;
    if (u == "ft" || u == "foot" || u == "feet") return 3.0f;
    return std::nullopt;
}

float to_internal(double value, float factor) { return static_cast<float>(value) / factor; }

std::optional<std::string> read_file_limited(const std::string& path, std::string& bytes, std::size_t limit) {
    bytes.clear();
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return "cannot read " + path + ": " + std::strerror(errno);
    char buffer[65536];
    std::size_t n = 0;
    while (bytes.size() <= limit && (n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, n);
    const int error = std::ferror(file) ? errno : 0;
    std::fclose(file);
    if (error != 0) return "cannot read " + path + ": " + std::strerror(error);
    if (bytes.size() > limit) {
        bytes.clear();
        return path + " is larger than " + std::to_string(limit >> 20) + " MiB";
    }
    return std::nullopt;
}

int json_nesting(std::string_view text) {
    int depth = 0, deepest = 0;
    bool in_string = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (in_string) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                in_string = false;
        } else if (c == '"') {
            in_string = true;
        } else if (c == '[' || c == '{') {
            deepest = std::max(deepest, ++depth);
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return deepest;
}

}  // namespace velora
