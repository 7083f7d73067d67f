// The readers of what chronographs and Doppler radars write: each one a pure function from the
// bytes of a file (or the files of a series) to a shot string, or to the one reason it refuses
// them. Detection tells the format from the content, never from the file name. Plain C++, no Qt:
// the command line, the Fit window and the fuzz harnesses share them.
//
// Formats:
//   labradar        LabRadar series: the SD card's "SRnnnn Report.csv" with its "TRK/ShotNNNN
//                   Track.csv" files (a folder or a zip), the report alone, or the app's export
//   labradar-track  one LabRadar track file alone
//   xero-csv        Garmin Xero ShotView CSV, in its English and German, Android and iOS forms
//   xero-fit        the Garmin Xero's own FIT session file
//   magnetospeed    MagnetoSpeed V3 text with one or more series
//   shots-csv       the fit's shots file: range,quantity,value[,uncertainty]
//   string-csv      one line a shot: id, mv and columns named by range (v@10m, t@50yd, poi@25yd)
//   paste           text pasted from a spreadsheet: tab, semicolon or comma separated, read as
//                   any of the text formats above
//   velora-json     the JSON form that "velora-cli import --json" writes and the window keeps
//   xero-sheet      Garmin Xero ShotView spreadsheet, .xlsx or .xls, a sheet a session
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "solver/shot_string.h"

namespace velora {

enum class StringFormat : int {
    LabRadar = 0,
    LabRadarTrack,
    XeroCsv,
    XeroFit,
    MagnetoSpeed,
    ShotsCsv,
    StringCsv,
    Paste,
    VeloraJson,
    XeroSheet,
};
inline constexpr int StringFormatCount = 10;

const char* string_format_name(StringFormat f);         // "labradar", "xero-fit", …
const char* string_format_description(StringFormat f);  // "LabRadar series or report", …
std::optional<StringFormat> string_format_named(std::string_view name);

// Why a reader refused its input: the file, where (a line counted from 1, or for binary files a
// byte offset) and what was expected there.
struct ReadError {
    std::string file;
    int line = 0;              // 0: no line
    std::int64_t offset = -1;  // -1: no byte offset
    std::string expected;      // "expected the header '#,Speed (FPS),…'"

    // "SR0038 Report.csv line 19: expected …", "a.fit byte 120: …", "x.csv: …"
    std::string text() const;
};

struct StringRead {
    std::optional<ShotString> string;
    ReadError error;  // when there is no string
    bool ok() const { return string.has_value(); }
};

// One file of a folder or a zip: its path within it and its bytes.
struct InputFile {
    std::string path;
    std::string bytes;
};

// The readers of single files. `name` is the file's name in messages.
StringRead read_labradar_report(std::string_view bytes, const std::string& name);
StringRead read_labradar_track(std::string_view bytes, const std::string& name);
StringRead read_xero_csv(std::string_view bytes, const std::string& name);
StringRead read_xero_fit(std::string_view bytes, const std::string& name);
StringRead read_magnetospeed(std::string_view bytes, const std::string& name);
StringRead read_shots_csv(std::string_view bytes, const std::string& name);
StringRead read_string_csv(std::string_view bytes, const std::string& name);
StringRead read_pasted_text(std::string_view bytes, const std::string& name);
StringRead read_string_json(std::string_view bytes, const std::string& name);
StringRead read_xero_sheet(std::string_view bytes, const std::string& name);

// A LabRadar series from its report and track files, in any order; either may be missing.
StringRead read_labradar_series(const std::vector<InputFile>& files, const std::string& name);

// The files of a zip archive (stored or deflated entries; folders left out), within `limit` bytes
// unpacked; nothing when read, else the reason with its byte offset.
std::optional<ReadError> read_zip(std::string_view bytes, const std::string& name, std::vector<InputFile>& files,
                                  std::size_t limit = LargestStringInput);

// The format the bytes of one file are in, told from their content; nothing when none fits.
std::optional<StringFormat> detect_format(std::string_view bytes);

// Reads one file's bytes in the format detected (a zip is read as a folder), or in `forced`.
StringRead read_string_bytes(std::string_view bytes, const std::string& name,
                             std::optional<StringFormat> forced = std::nullopt);
// Reads the files of a folder or a zip: one series, or one file of another format.
StringRead read_string_files(const std::vector<InputFile>& files, const std::string& name,
                             std::optional<StringFormat> forced = std::nullopt);
// Reads a file, a folder or a zip from the file system, at most 64 MiB in all.
StringRead read_string_path(const std::string& path, std::optional<StringFormat> forced = std::nullopt);

// The string as JSON (schema 1) and as the string CSV form; reading either back gives the same
// values.
std::string string_json(const ShotString& s);
std::string string_csv(const ShotString& s);

// Refuses a string over the limits: more than MostStringMeasurements measurements and track
// samples, or no shot at all.
std::optional<ReadError> check_string_limits(const ShotString& s, const std::string& name);

}  // namespace velora
