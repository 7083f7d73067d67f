// Workbooks read as tables of text: .xlsx through the zip reader and a small scanner of its XML
// parts, .xls through the compound file's sector chains and the BIFF8 cell records.
#include "services/readers/spreadsheet.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>

#include "services/text_encoding.h"

namespace velora {

namespace {

ReadError sheet_error(const std::string& name, std::string expected, std::int64_t offset = -1) {
    return ReadError{name, 0, offset, std::move(expected)};
}

// A number as the shortest text that reads back to it: 2783, 488.3, 1e-05.
std::string number_text(double v) {
    if (!std::isfinite(v)) return {};
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string(buffer, r.ptr);
}

// Puts a cell's text at (row, column), both from 0; false beyond the largest sheet.
bool put_cell(Sheet& sheet, long row, long column, std::string text) {
    if (row < 0 || column < 0 || row >= MostSheetRows || column >= MostSheetColumns) return false;
    if (sheet.rows.size() <= static_cast<std::size_t>(row)) sheet.rows.resize(row + 1);
    auto& cells = sheet.rows[row];
    if (cells.size() <= static_cast<std::size_t>(column)) cells.resize(column + 1);
    cells[column] = std::move(text);
    return true;
}

std::string too_large() {
    return "at most " + std::to_string(MostSheetRows) + " rows and " + std::to_string(MostSheetColumns) +
           " columns in a sheet";
}

// ---- .xlsx ---------------------------------------------------------------------------------

// One tag of an XML text: its local name (the part after any prefix), its attributes' text, and
// whether it closes (</c>) or closes itself (<c/>).
struct Tag {
    std::string_view name;
    std::string_view attributes;
    bool closing = false;
    bool empty = false;
    std::size_t end = 0;  // just past '>'
};

// The next tag at or after `at`, skipping declarations, comments and CDATA; nothing at the end or
// in a tag left open.
std::optional<Tag> next_tag(std::string_view xml, std::size_t at) {
    for (;;) {
        const std::size_t open = xml.find('<', at);
        if (open == std::string_view::npos) return std::nullopt;
        if (xml.substr(open, 4) == "<!--") {
            const std::size_t close = xml.find("-->", open + 4);
            if (close == std::string_view::npos) return std::nullopt;
            at = close + 3;
            continue;
        }
        if (xml.substr(open, 9) == "<![CDATA[") {
            const std::size_t close = xml.find("]]>", open + 9);
            if (close == std::string_view::npos) return std::nullopt;
            at = close + 3;
            continue;
        }
        const std::size_t close = xml.find('>', open + 1);
        if (close == std::string_view::npos) return std::nullopt;
        if (xml[open + 1] == '?' || xml[open + 1] == '!') {
            at = close + 1;
            continue;
        }
        Tag t;
        std::string_view inside = xml.substr(open + 1, close - open - 1);
        if (!inside.empty() && inside.front() == '/') {
            t.closing = true;
            inside.remove_prefix(1);
        }
        if (!inside.empty() && inside.back() == '/') {
            t.empty = true;
            inside.remove_suffix(1);
        }
        std::size_t n = 0;
        while (n < inside.size() && inside[n] != ' ' && inside[n] != '\t' && inside[n] != '\r' && inside[n] != '\n')
            ++n;
        t.name = inside.substr(0, n);
        if (const std::size_t colon = t.name.find(':'); colon != std::string_view::npos)
            t.name.remove_prefix(colon + 1);
        t.attributes = inside.substr(n);
        t.end = close + 1;
        return t;
    }
}

// The text with XML's entities and character references replaced.
std::string xml_text(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '&') {
            out += raw[i];
            continue;
        }
        const std::size_t semi = raw.find(';', i);
        if (semi == std::string_view::npos || semi - i > 12) {
            out += raw[i];
            continue;
        }
        const std::string_view entity = raw.substr(i + 1, semi - i - 1);
        if (entity == "amp")
            out += '&';
        else if (entity == "lt")
            out += '<';
        else if (entity == "gt")
            out += '>';
        else if (entity == "quot")
            out += '"';
        else if (entity == "apos")
            out += '\'';
        else if (entity.size() > 1 && entity[0] == '#') {
            const bool hex = entity[1] == 'x' || entity[1] == 'X';
            std::uint32_t c = 0;
            const std::string_view digits = entity.substr(hex ? 2 : 1);
            const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), c, hex ? 16 : 10);
            if (r.ec != std::errc() || r.ptr != digits.data() + digits.size() || c > 0x10FFFF ||
                (c >= 0xD800 && c < 0xE000)) {
                out += raw.substr(i, semi - i + 1);
            } else {
                append_utf8(out, c);
            }
        } else {
            out += raw.substr(i, semi - i + 1);
        }
        i = semi;
    }
    return out;
}

// The value of attribute `key` (a local name) in a tag's attribute text.
std::optional<std::string> attribute(std::string_view attributes, std::string_view key) {
    std::size_t at = 0;
    while (at < attributes.size()) {
        const std::size_t eq = attributes.find('=', at);
        if (eq == std::string_view::npos) return std::nullopt;
        std::size_t b = at;
        while (b < eq &&
               (attributes[b] == ' ' || attributes[b] == '\t' || attributes[b] == '\r' || attributes[b] == '\n'))
            ++b;
        std::string_view k = attributes.substr(b, eq - b);
        while (!k.empty() && (k.back() == ' ' || k.back() == '\t')) k.remove_suffix(1);
        if (const std::size_t colon = k.find(':'); colon != std::string_view::npos) k.remove_prefix(colon + 1);
        std::size_t q = eq + 1;
        while (q < attributes.size() && attributes[q] == ' ') ++q;
        if (q >= attributes.size() || (attributes[q] != '"' && attributes[q] != '\'')) return std::nullopt;
        const std::size_t close = attributes.find(attributes[q], q + 1);
        if (close == std::string_view::npos) return std::nullopt;
        if (k == key) return xml_text(attributes.substr(q + 1, close - q - 1));
        at = close + 1;
    }
    return std::nullopt;
}

// The texts of <t> elements within each <si> of the shared strings part, phonetic runs left out.
std::vector<std::string> shared_strings(std::string_view xml) {
    std::vector<std::string> out;
    bool in_item = false, in_text = false;
    int phonetic = 0;
    std::size_t text_from = 0;
    for (std::size_t at = 0;;) {
        const std::optional<Tag> t = next_tag(xml, at);
        if (!t) break;
        at = t->end;
        if (t->name == "si") {
            if (!t->closing) out.emplace_back();
            in_item = !t->closing && !t->empty;
        } else if (t->name == "rPh") {
            phonetic += t->closing ? -1 : (t->empty ? 0 : 1);
        } else if (t->name == "t" && in_item && phonetic == 0) {
            if (!t->closing && !t->empty) {
                in_text = true;
                text_from = t->end;
            } else if (t->closing && in_text) {
                const std::size_t open = xml.rfind('<', t->end - 1);
                out.back() += xml_text(xml.substr(text_from, open - text_from));
                in_text = false;
            }
        }
    }
    return out;
}

// "B12" → column 1, row 11; nothing for anything else.
std::optional<std::pair<long, long>> cell_reference(std::string_view r) {
    long column = 0;
    std::size_t i = 0;
    for (; i < r.size() && r[i] >= 'A' && r[i] <= 'Z'; ++i) {
        column = column * 26 + (r[i] - 'A' + 1);
        if (column > MostSheetColumns * 64) return std::nullopt;
    }
    if (i == 0 || i == r.size()) return std::nullopt;
    long row = 0;
    const auto c = std::from_chars(r.data() + i, r.data() + r.size(), row);
    if (c.ec != std::errc() || c.ptr != r.data() + r.size() || row < 1) return std::nullopt;
    return std::pair{row - 1, column - 1};
}

std::optional<ReadError> read_worksheet(std::string_view xml, const std::vector<std::string>& strings,
                                        const std::string& where, Sheet& sheet) {
    long row = -1, column = -1;
    std::string type;
    std::optional<std::string> value;
    bool in_cell = false, in_value = false;
    std::size_t value_from = 0;
    for (std::size_t at = 0;;) {
        const std::optional<Tag> t = next_tag(xml, at);
        if (!t) break;
        at = t->end;
        if (t->name == "row" && !t->closing) {
            const auto r = attribute(t->attributes, "r");
            long n = row + 2;
            if (r && (std::from_chars(r->data(), r->data() + r->size(), n).ec != std::errc() || n < 1))
                return sheet_error(where, "a row number, found '" + *r + "'");
            row = n - 1;
            column = -1;
            if (row >= MostSheetRows) return sheet_error(where, too_large());
        } else if (t->name == "c" && !t->closing) {
            if (row < 0) row = 0;
            if (const auto r = attribute(t->attributes, "r")) {
                const auto ref = cell_reference(*r);
                if (!ref) return sheet_error(where, "a cell reference such as 'B12', found '" + *r + "'");
                row = ref->first;
                column = ref->second;
            } else {
                ++column;
            }
            type = attribute(t->attributes, "t").value_or("n");
            value.reset();
            in_cell = !t->empty;
        } else if ((t->name == "v" || t->name == "t") && in_cell) {
            if (!t->closing && !t->empty) {
                in_value = true;
                value_from = t->end;
            } else if (t->closing && in_value) {
                const std::size_t open = xml.rfind('<', t->end - 1);
                value = value.value_or("") + xml_text(xml.substr(value_from, open - value_from));
                in_value = false;
            }
        } else if (t->name == "c" && t->closing) {
            in_cell = false;
            if (!value) continue;
            std::string text;
            if (type == "s") {
                std::size_t index = 0;
                const auto r = std::from_chars(value->data(), value->data() + value->size(), index);
                if (r.ec != std::errc() || index >= strings.size())
                    return sheet_error(where, "a shared string's number below " + std::to_string(strings.size()) +
                                                  ", found '" + *value + "'");
                text = strings[index];
            } else if (type == "n") {
                // Written as the shortest text that reads back, as .xls numbers are.
                double v = 0;
                const auto r = std::from_chars(value->data(), value->data() + value->size(), v);
                text = r.ec == std::errc() && r.ptr == value->data() + value->size() ? number_text(v) : *value;
            } else if (type == "b") {
                text = *value == "1" ? "TRUE" : "FALSE";
            } else {
                text = *value;  // str, inlineStr, e
            }
            if (!put_cell(sheet, row, column, std::move(text))) return sheet_error(where, too_large());
        }
    }
    return std::nullopt;
}

const InputFile* part_named(const std::vector<InputFile>& files, std::string_view path) {
    for (const InputFile& f : files)
        if (f.path == path) return &f;
    return nullptr;
}

std::optional<ReadError> read_xlsx(std::string_view bytes, const std::string& name, std::vector<Sheet>& sheets) {
    std::vector<InputFile> files;
    if (auto error = read_zip(bytes, name, files)) return error;
    const InputFile* workbook = part_named(files, "xl/workbook.xml");
    if (!workbook) return sheet_error(name, "a workbook part 'xl/workbook.xml' in the zip");
    std::vector<std::string> strings;
    if (const InputFile* s = part_named(files, "xl/sharedStrings.xml")) strings = shared_strings(s->bytes);

    // The sheets' parts by their relationship ids.
    std::map<std::string, std::string> targets;
    if (const InputFile* rels = part_named(files, "xl/_rels/workbook.xml.rels")) {
        for (std::size_t at = 0;;) {
            const std::optional<Tag> t = next_tag(rels->bytes, at);
            if (!t) break;
            at = t->end;
            if (t->name != "Relationship" || t->closing) continue;
            const auto id = attribute(t->attributes, "Id");
            auto target = attribute(t->attributes, "Target");
            if (!id || !target) continue;
            targets[*id] = target->front() == '/' ? target->substr(1) : "xl/" + *target;
        }
    }
    int number = 0;
    for (std::size_t at = 0;;) {
        const std::optional<Tag> t = next_tag(workbook->bytes, at);
        if (!t) break;
        at = t->end;
        if (t->name != "sheet" || t->closing) continue;
        ++number;
        Sheet sheet;
        sheet.name = attribute(t->attributes, "name").value_or("Sheet" + std::to_string(number));
        const auto id = attribute(t->attributes, "id");
        std::string path = "xl/worksheets/sheet" + std::to_string(number) + ".xml";
        if (id && targets.count(*id)) path = targets[*id];
        const InputFile* part = part_named(files, path);
        if (!part) continue;  // a chart sheet or a dialog sheet has no cells
        if (auto error = read_worksheet(part->bytes, strings, name + " " + path, sheet)) return error;
        sheets.push_back(std::move(sheet));
    }
    if (sheets.empty()) return sheet_error(name, "at least one worksheet in the workbook");
    return std::nullopt;
}

// ---- .xls ----------------------------------------------------------------------------------

std::uint16_t u16(std::string_view b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}
std::uint32_t u32(std::string_view b, std::size_t at) {
    return u16(b, at) | static_cast<std::uint32_t>(u16(b, at + 2)) << 16;
}

constexpr std::uint32_t EndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t FreeSector = 0xFFFFFFFF;

// A compound file: its sectors and the table that chains them.
struct CompoundFile {
    std::string_view bytes;
    std::string name;
    unsigned shift = 9;
    std::vector<std::uint32_t> fat;

    std::size_t sector_size() const { return std::size_t{1} << shift; }
    std::size_t sector_count() const { return bytes.size() > sector_size() ? bytes.size() / sector_size() - 1 : 0; }

    // The bytes of the chain from `start`, at most `size` of them.
    std::optional<ReadError> chain(std::uint32_t start, std::size_t size, const std::vector<std::uint32_t>& table,
                                   std::string& out) const {
        std::size_t steps = 0;
        for (std::uint32_t s = start; s != EndOfChain && out.size() < size; s = table[s]) {
            if (s >= table.size() || s >= sector_count())
                return sheet_error(name, "a sector chain within the file's " + std::to_string(sector_count()) +
                                             " sectors, found sector " + std::to_string(s));
            if (++steps > table.size()) return sheet_error(name, "a sector chain that ends; it runs in a circle");
            out += bytes.substr((static_cast<std::size_t>(s) + 1) << shift, sector_size());
        }
        if (out.size() < size && size != SIZE_MAX)
            return sheet_error(name,
                               "a stream of " + std::to_string(size) + " bytes, found " + std::to_string(out.size()));
        if (out.size() > size) out.resize(size);
        return std::nullopt;
    }
};

bool is_compound(std::string_view bytes) {
    return bytes.size() >= 512 && bytes.substr(0, 8) == std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
}

// The workbook stream of a compound file.
std::optional<ReadError> workbook_stream(std::string_view bytes, const std::string& name, std::string& stream) {
    if (!is_compound(bytes)) return sheet_error(name, "a compound file's signature", 0);
    CompoundFile f{bytes, name, 9, {}};
    f.shift = u16(bytes, 0x1E);
    if (f.shift != 9 && f.shift != 12) return sheet_error(name, "a sector size of 512 or 4096", 0x1E);
    const unsigned mini_shift = u16(bytes, 0x20);
    if (mini_shift != 6) return sheet_error(name, "a mini sector size of 64", 0x20);
    const std::uint32_t fat_sectors = u32(bytes, 0x2C), first_directory = u32(bytes, 0x30),
                        mini_cutoff = u32(bytes, 0x38), first_mini_fat = u32(bytes, 0x3C),
                        first_difat = u32(bytes, 0x44);
    if (fat_sectors > f.sector_count()) return sheet_error(name, "a sector table within the file", 0x2C);

    // The sector table's own sectors: 109 in the header, the rest in a chain of their own.
    std::vector<std::uint32_t> fat_ids;
    for (int i = 0; i < 109 && fat_ids.size() < fat_sectors; ++i) fat_ids.push_back(u32(bytes, 0x4C + 4 * i));
    const std::size_t per_sector = f.sector_size() / 4;
    std::size_t hops = 0;
    for (std::uint32_t d = first_difat; fat_ids.size() < fat_sectors && d != EndOfChain && d != FreeSector;) {
        if (d >= f.sector_count() || ++hops > f.sector_count())
            return sheet_error(name, "a sector table chain within the file", 0x44);
        const std::size_t base = (static_cast<std::size_t>(d) + 1) << f.shift;
        for (std::size_t i = 0; i + 1 < per_sector && fat_ids.size() < fat_sectors; ++i)
            fat_ids.push_back(u32(bytes, base + 4 * i));
        d = u32(bytes, base + 4 * (per_sector - 1));
    }
    for (const std::uint32_t id : fat_ids) {
        if (id >= f.sector_count()) return sheet_error(name, "a sector table sector within the file", 0x4C);
        const std::size_t base = (static_cast<std::size_t>(id) + 1) << f.shift;
        for (std::size_t i = 0; i < per_sector; ++i) f.fat.push_back(u32(bytes, base + 4 * i));
    }

    std::string directory;
    if (auto error = f.chain(first_directory, SIZE_MAX, f.fat, directory)) return error;
    const auto entry_name = [&](std::size_t e) {
        std::string n;
        const std::size_t length = std::min<std::size_t>(u16(directory, e + 0x40), 64);
        for (std::size_t i = 0; i + 1 < length && u16(directory, e + i) != 0; i += 2)
            n += static_cast<char>(u16(directory, e + i) & 0x7F);
        return n;
    };
    std::optional<std::size_t> book;
    for (std::size_t e = 0; e + 128 <= directory.size(); e += 128) {
        const std::string n = entry_name(e);
        if (directory[e + 0x42] == 2 && (n == "Workbook" || n == "Book")) {
            book = e;
            break;
        }
    }
    if (!book) return sheet_error(name, "a 'Workbook' stream in the compound file");
    if (entry_name(*book) == "Book") return sheet_error(name, "an Excel 97 or later workbook; this one is older");
    const std::uint32_t start = u32(directory, *book + 0x74);
    const std::size_t size = u32(directory, *book + 0x78);
    if (size > bytes.size()) return sheet_error(name, "a workbook stream within the file's size");
    if (size >= mini_cutoff) return f.chain(start, size, f.fat, stream);

    // A small stream lives in the mini stream, chained by the mini sector table.
    std::string mini_fat_bytes, mini_stream;
    if (auto error = f.chain(first_mini_fat, SIZE_MAX, f.fat, mini_fat_bytes)) return error;
    if (auto error = f.chain(u32(directory, 0x74), SIZE_MAX, f.fat, mini_stream)) return error;
    std::vector<std::uint32_t> mini_fat;
    for (std::size_t i = 0; i + 4 <= mini_fat_bytes.size(); i += 4) mini_fat.push_back(u32(mini_fat_bytes, i));
    std::size_t steps = 0;
    for (std::uint32_t s = start; s != EndOfChain && stream.size() < size; s = mini_fat[s]) {
        if (s >= mini_fat.size() || (static_cast<std::size_t>(s) + 1) * 64 > mini_stream.size())
            return sheet_error(name,
                               "a mini sector chain within the mini stream, found mini sector " + std::to_string(s));
        if (++steps > mini_fat.size()) return sheet_error(name, "a mini sector chain that ends; it runs in a circle");
        stream += mini_stream.substr(static_cast<std::size_t>(s) * 64, 64);
    }
    if (stream.size() < size) return sheet_error(name, "a workbook stream of " + std::to_string(size) + " bytes");
    stream.resize(size);
    return std::nullopt;
}

// Reads record data that may run on into CONTINUE records: a string's characters carry a fresh
// option byte at each record boundary.
struct RecordReader {
    std::vector<std::string_view> parts;
    std::size_t part = 0, at = 0;

    bool next_part() {
        if (part + 1 >= parts.size()) return false;
        ++part;
        at = 0;
        return true;
    }
    bool byte(unsigned char& b) {
        while (at >= parts[part].size())
            if (!next_part()) return false;
        b = static_cast<unsigned char>(parts[part][at++]);
        return true;
    }
    bool number(std::uint32_t& v, int size) {
        v = 0;
        for (int i = 0; i < size; ++i) {
            unsigned char b;
            if (!byte(b)) return false;
            v |= static_cast<std::uint32_t>(b) << (8 * i);
        }
        return true;
    }
    bool skip(std::uint64_t n) {
        for (; n > 0; --n) {
            unsigned char b;
            if (!byte(b)) return false;
        }
        return true;
    }
    bool characters(std::uint32_t count, bool wide, std::string& out) {
        while (count > 0) {
            if (at >= parts[part].size()) {
                unsigned char options;
                if (!next_part() || !byte(options)) return false;
                wide = options & 1;
            }
            std::uint32_t c = 0;
            if (!number(c, wide ? 2 : 1)) return false;
            if (wide && c >= 0xD800 && c < 0xDC00 && count > 1) {
                std::uint32_t low = 0;
                if (at + 2 <= parts[part].size() && number(low, 2)) {
                    --count;
                    c = low >= 0xDC00 && low < 0xE000 ? 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00) : 0xFFFD;
                }
            }
            if (c >= 0xD800 && c < 0xE000) c = 0xFFFD;
            append_utf8(out, c);
            --count;
        }
        return true;
    }
    // A string with a 16-bit count and its option byte, its runs and extension skipped.
    bool rich_string(std::string& out) {
        std::uint32_t count = 0, options = 0, runs = 0, extension = 0;
        if (!number(count, 2) || !number(options, 1)) return false;
        if ((options & 8) && !number(runs, 2)) return false;
        if ((options & 4) && !number(extension, 4)) return false;
        return characters(count, options & 1, out) && skip(std::uint64_t{runs} * 4) && skip(extension);
    }
};

double rk_number(std::uint32_t rk) {
    double v = 0;
    if (rk & 2) {
        v = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFC) << 32;
        std::memcpy(&v, &bits, sizeof v);
    }
    return rk & 1 ? v / 100 : v;
}

double ieee_number(std::string_view b, std::size_t at) {
    const std::uint64_t bits = u32(b, at) | static_cast<std::uint64_t>(u32(b, at + 4)) << 32;
    double v = 0;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

struct Record {
    std::uint16_t type = 0;
    std::string_view data;
    std::size_t offset = 0;  // of the record's header in the stream
};

std::vector<Record> records_from(std::string_view stream, std::size_t from) {
    std::vector<Record> out;
    for (std::size_t at = from; at + 4 <= stream.size();) {
        const std::uint16_t type = u16(stream, at), length = u16(stream, at + 2);
        if (at + 4 + length > stream.size()) break;
        out.push_back({type, stream.substr(at + 4, length), at});
        at += 4 + length;
        if (type == 0x000A) break;  // EOF
    }
    return out;
}

std::optional<ReadError> read_xls(std::string_view bytes, const std::string& name, std::vector<Sheet>& sheets) {
    std::string stream;
    if (auto error = workbook_stream(bytes, name, stream)) return error;
    const std::string where = name + " workbook stream";
    const std::vector<Record> globals = records_from(stream, 0);
    if (globals.empty() || globals[0].type != 0x0809 || globals[0].data.size() < 4)
        return sheet_error(where, "a BOF record at its start", 0);
    if (u16(globals[0].data, 0) != 0x0600) return sheet_error(where, "an Excel 97 or later workbook (BIFF8)", 4);

    std::vector<std::string> strings;
    std::vector<std::pair<std::string, std::uint32_t>> bound;  // a sheet's name and its BOF's offset
    for (std::size_t i = 0; i < globals.size(); ++i) {
        const Record& r = globals[i];
        if (r.type == 0x0085 && r.data.size() >= 8) {
            if (static_cast<unsigned char>(r.data[5]) != 0) continue;  // a chart or macro sheet
            RecordReader text{{r.data.substr(6)}};
            std::uint32_t count = 0, options = 0;
            std::string sheet_name;
            if (!text.number(count, 1) || !text.number(options, 1) || !text.characters(count, options & 1, sheet_name))
                return sheet_error(where, "a sheet's name within its record", static_cast<std::int64_t>(r.offset));
            bound.emplace_back(sheet_name, u32(r.data, 0));
        } else if (r.type == 0x00FC && r.data.size() >= 8) {
            RecordReader sst{{r.data.substr(8)}};
            for (std::size_t k = i + 1; k < globals.size() && globals[k].type == 0x003C; ++k)
                sst.parts.push_back(globals[k].data);
            const std::uint32_t unique = u32(r.data, 4);
            for (std::uint32_t k = 0; k < unique; ++k) {
                std::string s;
                if (!sst.rich_string(s))
                    return sheet_error(where,
                                       "shared string " + std::to_string(k + 1) + " of " + std::to_string(unique),
                                       static_cast<std::int64_t>(r.offset));
                strings.push_back(std::move(s));
            }
        }
    }
    for (const auto& [sheet_name, offset] : bound) {
        Sheet sheet;
        sheet.name = sheet_name;
        const std::vector<Record> cells = records_from(stream, offset);
        if (cells.empty() || cells[0].type != 0x0809)
            return sheet_error(where, "sheet '" + sheet_name + "' starting with a BOF record", offset);
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const Record& r = cells[i];
            const std::string_view d = r.data;
            if (d.size() < 6) continue;
            const long row = u16(d, 0), column = u16(d, 2);
            bool ok = true;
            if (r.type == 0x00FD && d.size() >= 10) {  // LABELSST
                const std::uint32_t index = u32(d, 6);
                if (index >= strings.size())
                    return sheet_error(where, "a shared string's number below " + std::to_string(strings.size()),
                                       static_cast<std::int64_t>(r.offset));
                ok = put_cell(sheet, row, column, strings[index]);
            } else if (r.type == 0x0203 && d.size() >= 14) {  // NUMBER
                ok = put_cell(sheet, row, column, number_text(ieee_number(d, 6)));
            } else if (r.type == 0x027E && d.size() >= 10) {  // RK
                ok = put_cell(sheet, row, column, number_text(rk_number(u32(d, 6))));
            } else if (r.type == 0x00BD && d.size() >= 12) {  // MULRK
                for (std::size_t k = 0; ok && 4 + 6 * k + 6 <= d.size() - 2; ++k)
                    ok = put_cell(sheet, row, column + static_cast<long>(k), number_text(rk_number(u32(d, 6 + 6 * k))));
            } else if ((r.type == 0x0204 || r.type == 0x00D6) && d.size() >= 9) {  // LABEL, RSTRING
                RecordReader text{{d.substr(6)}};
                std::uint32_t count = 0, options = 0;
                std::string s;
                if (!text.number(count, 2) || !text.number(options, 1) || !text.characters(count, options & 1, s))
                    return sheet_error(where, "a cell's text within its record", static_cast<std::int64_t>(r.offset));
                ok = put_cell(sheet, row, column, std::move(s));
            } else if (r.type == 0x0006 && d.size() >= 14) {  // FORMULA: its cached result
                if (u16(d, 12) != 0xFFFF) {
                    ok = put_cell(sheet, row, column, number_text(ieee_number(d, 6)));
                } else if (d[6] == 0 && i + 1 < cells.size() && cells[i + 1].type == 0x0207) {
                    RecordReader text{{cells[i + 1].data}};
                    for (std::size_t k = i + 2; k < cells.size() && cells[k].type == 0x003C; ++k)
                        text.parts.push_back(cells[k].data);
                    std::uint32_t count = 0, options = 0;
                    std::string s;
                    if (!text.number(count, 2) || !text.number(options, 1) || !text.characters(count, options & 1, s))
                        return sheet_error(where, "a formula's text result",
                                           static_cast<std::int64_t>(cells[i + 1].offset));
                    ok = put_cell(sheet, row, column, std::move(s));
                } else if (d[6] == 1) {
                    ok = put_cell(sheet, row, column, d[8] ? "TRUE" : "FALSE");
                }
            } else if (r.type == 0x0205 && d.size() >= 8 && d[7] == 0) {  // BOOLERR, a boolean
                ok = put_cell(sheet, row, column, d[6] ? "TRUE" : "FALSE");
            }
            if (!ok) return sheet_error(where, too_large(), static_cast<std::int64_t>(r.offset));
        }
        sheets.push_back(std::move(sheet));
    }
    if (sheets.empty()) return sheet_error(name, "at least one worksheet in the workbook");
    return std::nullopt;
}

}  // namespace

bool is_xlsx(std::string_view bytes) {
    return bytes.substr(0, 4) == "PK\x03\x04" && bytes.find("xl/workbook.xml") != std::string_view::npos;
}

bool is_xls(std::string_view bytes) { return is_compound(bytes); }

std::optional<ReadError> read_workbook(std::string_view bytes, const std::string& name, std::vector<Sheet>& sheets) {
    sheets.clear();
    if (bytes.size() > LargestStringInput) return sheet_error(name, "at most 64 MiB");
    if (is_xls(bytes)) return read_xls(bytes, name, sheets);
    if (is_xlsx(bytes)) return read_xlsx(bytes, name, sheets);
    return sheet_error(name, "a spreadsheet workbook (.xlsx or .xls)", 0);
}

std::string sheet_csv(const Sheet& sheet) {
    std::string out;
    for (const auto& row : sheet.rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c > 0) out += ',';
            const std::string& cell = row[c];
            if (cell.find_first_of(",\"\r\n") == std::string::npos) {
                out += cell;
                continue;
            }
            out += '"';
            for (const char ch : cell) {
                if (ch == '"') out += '"';
                out += ch == '\r' || ch == '\n' ? ' ' : ch;
            }
            out += '"';
        }
        out += '\n';
    }
    return out;
}

}  // namespace velora
