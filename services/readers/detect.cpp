// Telling a format from the content, and reading files, folders and zips.
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "services/readers/reader_support.h"
#include "services/readers/spreadsheet.h"

namespace velora {

namespace {

struct FormatEntry {
    const char* name;
    const char* description;
};

constexpr FormatEntry Formats[StringFormatCount] = {
    {"labradar", "LabRadar series or report"},
    {"labradar-track", "LabRadar track"},
    {"xero-csv", "Garmin Xero CSV"},
    {"xero-fit", "Garmin Xero FIT"},
    {"magnetospeed", "MagnetoSpeed V3"},
    {"shots-csv", "shots CSV (range,quantity,value)"},
    {"string-csv", "string CSV (id,mv,v@10m,…)"},
    {"paste", "pasted spreadsheet rows"},
    {"velora-json", "Velora JSON"},
    {"xero-sheet", "Garmin Xero spreadsheet (.xlsx, .xls)"},
};

bool is_zip(std::string_view bytes) { return bytes.substr(0, 4) == "PK\x03\x04" || bytes.substr(0, 4) == "PK\x05\x06"; }

std::string formats_tried() {
    std::string tried;
    for (int f = 0; f < StringFormatCount; ++f) {
        if (static_cast<StringFormat>(f) == StringFormat::Paste) continue;
        tried += (tried.empty() ? "" : ", ") + std::string(Formats[f].description);
    }
    return tried;
}

StringRead read_as(StringFormat f, std::string_view bytes, const std::string& name) {
    switch (f) {
        case StringFormat::LabRadar:
            if (detect_format(bytes) == StringFormat::LabRadarTrack)
                return read_labradar_series({InputFile{name, std::string(bytes)}}, name);
            return read_labradar_report(bytes, name);
        case StringFormat::LabRadarTrack: return read_labradar_track(bytes, name);
        case StringFormat::XeroCsv: return read_xero_csv(bytes, name);
        case StringFormat::XeroFit: return read_xero_fit(bytes, name);
        case StringFormat::MagnetoSpeed: return read_magnetospeed(bytes, name);
        case StringFormat::ShotsCsv: return read_shots_csv(bytes, name);
        case StringFormat::StringCsv: return read_string_csv(bytes, name);
        case StringFormat::Paste: return read_pasted_text(bytes, name);
        case StringFormat::VeloraJson: return read_string_json(bytes, name);
        case StringFormat::XeroSheet: return read_xero_sheet(bytes, name);
    }
    return refused(name, 0, "a known format");
}

std::string base_name(const std::string& path) {
    std::string p = path;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    const std::size_t slash = p.rfind('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

}  // namespace

const char* string_format_name(StringFormat f) {
    const int i = static_cast<int>(f);
    return i >= 0 && i < StringFormatCount ? Formats[i].name : "";
}

const char* string_format_description(StringFormat f) {
    const int i = static_cast<int>(f);
    return i >= 0 && i < StringFormatCount ? Formats[i].description : "";
}

std::optional<StringFormat> string_format_named(std::string_view name) {
    for (int f = 0; f < StringFormatCount; ++f)
        if (name == Formats[f].name) return static_cast<StringFormat>(f);
    return std::nullopt;
}

std::string ReadError::text() const {
    std::string where = file;
    if (line > 0)
        where += " line " + std::to_string(line);
    else if (offset >= 0)
        where += " byte " + std::to_string(offset);
    std::string out = where + ": " + (expected.rfind("expected", 0) == 0 ? "" : "expected ") + expected;
    // One line, whatever a file's name or content put into it.
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return out;
}

std::optional<ReadError> check_string_limits(const ShotString& s, const std::string& name) {
    if (s.shots.empty()) return ReadError{name, 0, -1, "at least one shot"};
    if (measurement_count(s) > MostStringMeasurements || s.shots.size() > MostStringMeasurements)
        return ReadError{
            name, 0, -1,
            "at most " + std::to_string(MostStringMeasurements) + " measurements and track samples in a string"};
    return std::nullopt;
}

std::optional<StringFormat> detect_format(std::string_view bytes) {
    if (bytes.size() >= 12 && (bytes[0] == 12 || bytes[0] == 14) && bytes.substr(8, 4) == ".FIT")
        return StringFormat::XeroFit;
    if (is_xlsx(bytes) || is_xls(bytes)) return StringFormat::XeroSheet;
    if (is_zip(bytes) || !looks_like_text(bytes)) return std::nullopt;
    // The head of the text is enough to tell.
    const std::vector<std::string> lines = text_lines(bytes.substr(0, std::min<std::size_t>(bytes.size(), 16384)));
    const std::size_t n = std::min<std::size_t>(lines.size(), 40);
    std::size_t first = 0;
    while (first < n && trim(lines[first]).empty()) ++first;
    if (first == n) return std::nullopt;
    if (trim(lines[first]).front() == '{') return StringFormat::VeloraJson;
    bool units = false;
    for (std::size_t i = 0; i < n; ++i) {
        const std::string_view t = trim(lines[i]);
        if (starts_with_no_case(t, "units velocity")) units = true;
        if (starts_with_no_case(t, "shot id") && (units || i + 1 < lines.size())) return StringFormat::LabRadar;
        if (starts_with_no_case(t, "time (") && lower_case(t).find("vel") != std::string::npos)
            return StringFormat::LabRadarTrack;
    }
    for (std::size_t i = 0; i < n && i < 20; ++i) {
        const std::string_view t = trim(lines[i]);
        const std::string low = lower_case(t);
        if (t.size() > 2 && t[0] == '#' && (t[1] == ',' || t[1] == ';' || t[1] == '\t') &&
            (low.find("(fps)") != std::string::npos || low.find("(mps)") != std::string::npos))
            return StringFormat::XeroCsv;
        if (low.rfind("series,shot,speed", 0) == 0 ||
            (low.rfind("series,", 0) == 0 && low.find("shots:") != std::string::npos))
            return StringFormat::MagnetoSpeed;
    }
    std::size_t header = 0;
    while (header < n && (trim(lines[header]).empty() || trim(lines[header]).front() == '#')) ++header;
    if (header == n) return std::nullopt;
    const char delimiter = guess_delimiter(lines[header]);
    std::vector<std::string> names = split_fields(lines[header], delimiter);
    for (std::string& name : names) name = lower_case(name);
    if (names.size() >= 3 && names[0] == "range" && names[1] == "quantity" && names[2] == "value")
        return StringFormat::ShotsCsv;
    for (const std::string& name : names) {
        if (name == "mv" || name.rfind("mv(", 0) == 0 || name.rfind("mv [", 0) == 0 || name.rfind("mv[", 0) == 0 ||
            name.find('@') != std::string::npos)
            return StringFormat::StringCsv;
    }
    return std::nullopt;
}

StringRead read_string_bytes(std::string_view bytes, const std::string& name, std::optional<StringFormat> forced) {
    if (bytes.size() > LargestStringInput) return refused(name, 0, "at most 64 MiB");
    if (is_zip(bytes) && !is_xlsx(bytes)) {
        std::vector<InputFile> files;
        if (auto error = read_zip(bytes, name, files)) {
            StringRead r;
            r.error = *error;
            return r;
        }
        return read_string_files(files, name, forced);
    }
    if (forced) return read_as(*forced, bytes, name);
    const auto format = detect_format(bytes);
    if (!format) return refused(name, 0, "one of these formats: " + formats_tried() + "; it is none of them");
    return read_as(*format, bytes, name);
}

StringRead read_string_files(const std::vector<InputFile>& files, const std::string& name,
                             std::optional<StringFormat> forced) {
    std::vector<const InputFile*> reports, tracks, others;
    std::vector<std::optional<StringFormat>> formats;
    for (const InputFile& f : files) {
        const auto format = detect_format(f.bytes);
        if (format == StringFormat::LabRadar)
            reports.push_back(&f);
        else if (format == StringFormat::LabRadarTrack)
            tracks.push_back(&f);
        else if (format)
            others.push_back(&f);
    }
    const bool series =
        forced ? *forced == StringFormat::LabRadar : !reports.empty() || (!tracks.empty() && others.empty());
    if (series) {
        if (reports.size() > 1)
            return refused(name, 0,
                           "one LabRadar series; it holds " + std::to_string(reports.size()) +
                               " series reports: name the folder of one");
        return read_labradar_series(files, name);
    }
    if (forced) {
        std::vector<const InputFile*> all;
        for (const InputFile& f : files) all.push_back(&f);
        if (all.size() == 1) return read_as(*forced, all.front()->bytes, all.front()->path);
        for (const InputFile* f : others)
            if (detect_format(f->bytes) == forced) return read_as(*forced, f->bytes, f->path);
        return refused(name, 0, "a file in the form " + std::string(string_format_name(*forced)));
    }
    if (others.empty())
        return refused(name, 0, "a file in one of these formats: " + formats_tried() + "; it holds none");
    if (others.size() > 1)
        return refused(name, 0,
                       "one shot string; it holds " + std::to_string(others.size()) + " (" + others[0]->path + ", " +
                           others[1]->path + (others.size() > 2 ? ", …" : "") + "): name one");
    return read_as(*detect_format(others.front()->bytes), others.front()->bytes, others.front()->path);
}

StringRead read_string_path(const std::string& path, std::optional<StringFormat> forced) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec || !fs::exists(status))
        return refused(path, 0, "a file or folder: " + (ec ? ec.message() : std::string("there is none")));
    if (!fs::is_directory(status)) {
        std::string bytes;
        if (auto error = read_file_limited(path, bytes, LargestStringInput)) return refused(path, 0, *error);
        return read_string_bytes(bytes, base_name(path), forced);
    }
    std::vector<InputFile> files;
    std::size_t total = 0;
    fs::recursive_directory_iterator it(path, fs::directory_options::skip_permission_denied, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        if (it.depth() > 8) {
            it.disable_recursion_pending();
            continue;
        }
        if (!it->is_regular_file(ec)) continue;
        if (files.size() >= 10000) return refused(path, 0, "at most 10000 files in a folder");
        InputFile file;
        file.path = fs::relative(it->path(), path, ec).generic_string();
        if (auto error = read_file_limited(it->path().string(), file.bytes, LargestStringInput - total)) {
            if (file.bytes.empty() && error->find("larger") != std::string::npos)
                return refused(path, 0, "at most 64 MiB in all its files");
            return refused(path, 0, *error);
        }
        total += file.bytes.size();
        files.push_back(std::move(file));
    }
    if (ec) return refused(path, 0, "a folder it can read: " + ec.message());
    std::sort(files.begin(), files.end(), [](const InputFile& a, const InputFile& b) { return a.path < b.path; });
    return read_string_files(files, base_name(path), forced);
}

}  // namespace velora
