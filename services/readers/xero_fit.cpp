// The Garmin Xero's FIT session files, read by a small decoder of our own. A FIT file is a header
// (12 or 14 bytes: its size, the protocol and profile versions, the size of the records, ".FIT"
// and, in 14 bytes, the header's CRC), the records, and the CRC of all that went before. Each
// record begins with a byte: a definition message (bit 6) tells for a local message type (bits
// 0–3) the global message number, the byte order and the fields (number, size, base type), plus
// developer fields when bit 5 is set; a data message then holds the fields as defined; a
// compressed-timestamp header (bit 7) is a data message of local type bits 5–6 whose time is the
// last full timestamp advanced to the 5-bit offset in bits 0–4.
//
// Of the messages only these are read: the chronograph's shots (global 388: field 0 the speed in
// mm/s, 1 the shot number, 253 the time) and its session (387: 0 lowest, 1 highest and 2 average
// speed in mm/s, 3 the shot count, 5 the projectile weight in tenths of a grain, 6 the standard
// deviation in mm/s).
#include <cstdio>
#include <map>

#include "services/readers/reader_support.h"
#include "services/readers/xero_fit.h"

namespace velora {

std::uint16_t fit_crc(std::string_view bytes, std::uint16_t crc) {
    static constexpr std::uint16_t table[16] = {0x0000, 0xCC01, 0xD801, 0x1400, 0xF001, 0x3C00, 0x2800, 0xE401,
                                                0xA001, 0x6C00, 0x7800, 0xB401, 0x5000, 0x9C01, 0x8801, 0x4400};
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        std::uint16_t tmp = table[crc & 0xF];
        crc = (crc >> 4) & 0x0FFF;
        crc = crc ^ tmp ^ table[byte & 0xF];
        tmp = table[crc & 0xF];
        crc = (crc >> 4) & 0x0FFF;
        crc = crc ^ tmp ^ table[(byte >> 4) & 0xF];
    }
    return crc;
}

namespace {

constexpr int ShotMessage = 388;
constexpr int SessionMessage = 387;
constexpr int TimestampField = 253;
// Seconds from 1970-01-01 to the FIT epoch, 1989-12-31 00:00 UTC.
constexpr std::int64_t FitEpoch = 631065600;

struct FieldDef {
    int number = 0;
    int size = 0;
    int base = 0;
};

struct Definition {
    bool defined = false;
    bool big_endian = false;
    int global = 0;
    std::vector<FieldDef> fields;
    int developer_bytes = 0;
};

std::uint32_t u32(std::string_view b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

// An unsigned field of 1, 2 or 4 bytes; nothing for its invalid value (all bits set) or any other size.
std::optional<std::uint32_t> unsigned_field(std::string_view b, std::size_t at, int size, bool big) {
    if (size != 1 && size != 2 && size != 4) return std::nullopt;
    std::uint32_t v = 0;
    for (int i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(b[at + static_cast<std::size_t>(big ? i : size - 1 - i)]);
        v = v << 8 | byte;
    }
    const std::uint32_t invalid = size == 4 ? 0xFFFFFFFFu : (1u << (8 * size)) - 1;
    if (v == invalid) return std::nullopt;
    return v;
}

std::string utc_text(std::uint32_t fit_time) {
    const std::int64_t t = FitEpoch + fit_time;
    std::int64_t days = t / 86400;
    const std::int64_t rest = t % 86400;
    // Civil date from days since 1970-01-01.
    days += 719468;
    const std::int64_t era = days / 146097;
    const std::int64_t doe = days - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    std::int64_t year = yoe + era * 400;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    if (month <= 2) ++year;
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lldZ", static_cast<long long>(year),
                  static_cast<long long>(month), static_cast<long long>(day), static_cast<long long>(rest / 3600),
                  static_cast<long long>(rest / 60 % 60), static_cast<long long>(rest % 60));
    return buffer;
}

float mm_per_s_to_fps(std::uint32_t mm_per_s) { return to_internal(mm_per_s / 1000.0, 0.3048f); }

}  // namespace

StringRead decode_fit(std::string_view bytes, const std::string& name, bool check_crc) {
    if (bytes.size() > LargestStringInput) return refused(name, 0, "at most 64 MiB");
    if (bytes.size() < 12)
        return refused_at(name, 0, "a FIT header of 12 or 14 bytes; the file has " + std::to_string(bytes.size()));
    const auto header_size = static_cast<unsigned char>(bytes[0]);
    if ((header_size != 12 && header_size != 14) || bytes.substr(8, 4) != ".FIT")
        return refused_at(name, 0, "a FIT header (its size 12 or 14, then \".FIT\" at byte 8)");
    if (bytes.size() < header_size)
        return refused_at(name, 0, "a FIT header of " + std::to_string(header_size) + " bytes");
    const std::uint32_t data_size = u32(bytes, 4);
    const std::size_t end = header_size + static_cast<std::size_t>(data_size);
    if (end + 2 > bytes.size())
        return refused_at(name, 4,
                          "records of " + std::to_string(data_size) + " bytes and a CRC; the file ends after " +
                              std::to_string(bytes.size()) + " bytes");
    if (check_crc) {
        if (header_size == 14) {
            const auto stated = static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[12]) |
                                                           static_cast<unsigned char>(bytes[13]) << 8);
            if (stated != 0 && stated != fit_crc(bytes.substr(0, 12)))
                return refused_at(name, 12, "the header's CRC to match its bytes");
        }
        const auto stated = static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[end]) |
                                                       static_cast<unsigned char>(bytes[end + 1]) << 8);
        if (stated != fit_crc(bytes.substr(0, end)))
            return refused_at(name, static_cast<std::int64_t>(end),
                              "the file's CRC to match its bytes (damaged or cut short)");
    }

    ShotString s;
    s.format = string_format_name(StringFormat::XeroFit);
    s.name = name;
    s.files = {name};
    s.device = "Garmin Xero";
    s.velocity_unit = "m/s";
    Definition defs[16];
    std::optional<std::uint32_t> last_time;
    std::size_t at = header_size;
    while (at < end) {
        const std::size_t record = at;
        const auto head = static_cast<unsigned char>(bytes[at++]);
        if ((head & 0x80) == 0 && (head & 0x40) != 0) {
            Definition d;
            if (at + 5 > end)
                return refused_at(name, static_cast<std::int64_t>(record), "a definition message of at least 6 bytes");
            d.big_endian = bytes[at + 1] != 0;
            const auto a = static_cast<unsigned char>(bytes[at + 2]), b = static_cast<unsigned char>(bytes[at + 3]);
            d.global = d.big_endian ? (a << 8 | b) : (b << 8 | a);
            const int count = static_cast<unsigned char>(bytes[at + 4]);
            at += 5;
            if (at + static_cast<std::size_t>(count) * 3 > end)
                return refused_at(name, static_cast<std::int64_t>(at),
                                  std::to_string(count) + " field definitions of 3 bytes");
            for (int i = 0; i < count; ++i, at += 3) {
                const FieldDef f{static_cast<unsigned char>(bytes[at]), static_cast<unsigned char>(bytes[at + 1]),
                                 static_cast<unsigned char>(bytes[at + 2])};
                if (f.size == 0) return refused_at(name, static_cast<std::int64_t>(at + 1), "a field size above 0");
                d.fields.push_back(f);
            }
            if (head & 0x20) {
                if (at + 1 > end)
                    return refused_at(name, static_cast<std::int64_t>(at), "the count of developer fields");
                const int developer = static_cast<unsigned char>(bytes[at++]);
                if (at + static_cast<std::size_t>(developer) * 3 > end)
                    return refused_at(name, static_cast<std::int64_t>(at),
                                      std::to_string(developer) + " developer field definitions");
                for (int i = 0; i < developer; ++i, at += 3)
                    d.developer_bytes += static_cast<unsigned char>(bytes[at + 1]);
            }
            d.defined = true;
            defs[head & 0x0F] = std::move(d);
            continue;
        }
        const bool compressed = (head & 0x80) != 0;
        const int local = compressed ? (head >> 5) & 0x03 : head & 0x0F;
        const Definition& d = defs[local];
        if (!d.defined)
            return refused_at(name, static_cast<std::int64_t>(record),
                              "a definition of local message type " + std::to_string(local) + " before its data");
        std::map<int, std::uint32_t> values;
        for (const FieldDef& f : d.fields) {
            if (at + static_cast<std::size_t>(f.size) > end)
                return refused_at(name, static_cast<std::int64_t>(at),
                                  "a field of " + std::to_string(f.size) + " bytes before the records end");
            if (const auto v = unsigned_field(bytes, at, f.size, d.big_endian)) values[f.number] = *v;
            at += static_cast<std::size_t>(f.size);
        }
        if (at + static_cast<std::size_t>(d.developer_bytes) > end)
            return refused_at(name, static_cast<std::int64_t>(at),
                              "developer fields of " + std::to_string(d.developer_bytes) + " bytes");
        at += static_cast<std::size_t>(d.developer_bytes);
        std::optional<std::uint32_t> time;
        if (const auto t = values.find(TimestampField); t != values.end()) time = t->second;
        if (compressed && last_time) {
            const std::uint32_t offset = head & 0x1F;
            time = *last_time + ((offset - (*last_time & 0x1F)) & 0x1F);
        }
        if (time) last_time = time;

        if (d.global == ShotMessage) {
            StringShot shot;
            if (const auto n = values.find(1); n != values.end()) shot.id = std::to_string(n->second);
            if (time) shot.time = utc_text(*time);
            const auto speed = values.find(0);
            if (speed != values.end() && speed->second > 0) {
                shot.MV = mm_per_s_to_fps(speed->second);
                shot.mv_kind = MvKind::Measured;
            } else {
                shot.marks.add(MarkKind::LostTrack, "no speed in the shot record");
            }
            s.shots.push_back(std::move(shot));
            if (s.shots.size() > MostStringMeasurements)
                return refused_at(name, static_cast<std::int64_t>(record), "at most 100000 shots");
        } else if (d.global == SessionMessage) {
            const auto figure = [&](int field, const char* label) {
                const auto v = values.find(field);
                if (v == values.end()) return;
                char text[32];
                std::snprintf(text, sizeof text, "%.3f m/s", v->second / 1000.0);
                s.stated.push_back({label, mm_per_s_to_fps(v->second), text});
            };
            figure(0, "lowest speed");
            figure(1, "highest speed");
            figure(2, "average speed");
            figure(6, "standard deviation");
            if (const auto n = values.find(3); n != values.end())
                s.stated.push_back({"shot count", std::nullopt, std::to_string(n->second)});
            if (const auto w = values.find(5); w != values.end() && w->second > 0)
                s.projectile.weight_gr = static_cast<float>(w->second / 10.0);
        }
    }
    if (s.shots.empty()) return refused_at(name, static_cast<std::int64_t>(end), "shot records (the file holds none)");
    return accepted(std::move(s), name);
}

StringRead read_xero_fit(std::string_view bytes, const std::string& name) { return decode_fit(bytes, name, true); }

}  // namespace velora
