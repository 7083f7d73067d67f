// The text of files that editors and devices save in other encodings than UTF-8, and their lines
// however they end. Shared by the preferences, the shots file and the readers of device files.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velora {

// Appends the code point `c` (at most U+10FFFF) to `out` in UTF-8.
void append_utf8(std::string& out, char32_t c);

// UTF-16 code units (without a byte-order mark), little or big endian, as UTF-8. A lone surrogate
// becomes U+FFFD; an odd last byte is dropped.
std::string utf8_from_utf16(std::string_view units, bool big_endian);

// A text saved as UTF-16 with its byte-order mark (either byte order) as UTF-8; nothing for any
// other text.
std::optional<std::string> utf8_of_marked_utf16(std::string_view bytes);

// The lines of a text, each without its end: CR LF, LF and CR alone all end a line, so line i of
// the file is element i − 1. A last line without an end counts; an empty text has no line.
std::vector<std::string_view> split_lines(std::string_view text);

}  // namespace velora
