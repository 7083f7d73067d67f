// Garmin Xero ShotView spreadsheets (.xlsx or .xls): the app writes a workbook with a sheet a
// session, each sheet laid out as its CSV export is. Each sheet is read by the CSV reader, so the
// two forms give the same string; a workbook of several sessions gives them all, each shot's id
// "sheet-shot", for the user to keep the ones that belong together.
#include <algorithm>

#include "services/readers/reader_support.h"
#include "services/readers/spreadsheet.h"

namespace velora {

namespace {

// The CSV export ends the shots with a line "-,,,,,,"; the spreadsheet with a blank row.
void end_shots_at_blank_row(Sheet& sheet) {
    const auto blank = [](const std::vector<std::string>& row) {
        return std::all_of(row.begin(), row.end(), [](const std::string& cell) { return cell.empty(); });
    };
    std::size_t r = 0;
    while (r < sheet.rows.size() && (sheet.rows[r].empty() || sheet.rows[r][0] != "#")) ++r;
    for (++r; r < sheet.rows.size(); ++r) {
        if (blank(sheet.rows[r])) {
            sheet.rows[r] = {"-"};
            return;
        }
    }
}

}  // namespace

StringRead read_xero_sheet(std::string_view bytes, const std::string& name) {
    std::vector<Sheet> sheets;
    if (auto error = read_workbook(bytes, name, sheets)) {
        StringRead r;
        r.error = *error;
        return r;
    }
    std::vector<ShotString> sessions;
    std::vector<std::string> skipped;
    for (std::size_t k = 0; k < sheets.size(); ++k) {
        end_shots_at_blank_row(sheets[k]);
        const std::string csv = sheet_csv(sheets[k]);
        const std::string where = name + " sheet '" + sheets[k].name + "'";
        if (detect_format(csv) != StringFormat::XeroCsv) {
            skipped.push_back(sheets[k].name);
            continue;
        }
        StringRead one = read_xero_csv(csv, where);
        if (!one.ok()) return one;
        if (one.string->title.empty()) one.string->title = sheets[k].name;
        sessions.push_back(std::move(*one.string));
    }
    if (sessions.empty())
        return refused(name, 0,
                       "a ShotView sheet ('#, Speed (FPS), …') in the workbook; " +
                           (sheets.size() == 1 ? std::string("its one sheet is not one")
                                               : "none of its " + std::to_string(sheets.size()) + " sheets is one"));

    ShotString s = std::move(sessions.front());
    s.format = string_format_name(StringFormat::XeroSheet);
    s.name = name;
    s.files = {name};
    if (sessions.size() > 1) {
        // Every session in one string, told apart by its sheet's number in the shot ids.
        std::vector<StringShot> shots;
        std::vector<StatedFigure> stated;
        std::string title;
        bool one_weight = true;
        for (std::size_t k = 0; k < sessions.size(); ++k) {
            ShotString& session = k == 0 ? s : sessions[k];
            const std::string sheet = std::to_string(k + 1);
            for (StringShot& shot : session.shots) {
                shot.id = sheet + "-" + shot.id;
                shots.push_back(std::move(shot));
            }
            for (StatedFigure& f : session.stated) {
                f.name = "Sheet " + sheet + " " + f.name;
                stated.push_back(std::move(f));
            }
            title += (title.empty() ? "" : "; ") + session.title;
            one_weight = one_weight && session.projectile.weight_gr == sessions.front().projectile.weight_gr;
            if (k > 0)
                for (const std::string& note : session.notes) s.notes.push_back("Sheet " + sheet + " " + note);
        }
        s.shots = std::move(shots);
        s.stated = std::move(stated);
        s.title = title;
        s.projectile.description = title;
        if (!one_weight) s.projectile.weight_gr.reset();
        s.notes.push_back(std::to_string(sessions.size()) +
                          " sessions, one a sheet, read into one string; a shot's id is its sheet's number and its "
                          "own: keep the shots of one load" +
                          (one_weight ? "" : "; the sheets record different projectile weights, so none is kept"));
    }
    if (!skipped.empty())
        s.notes.push_back("Sheets without ShotView shots left out: " + [&] {
            std::string names;
            for (const std::string& n : skipped) names += (names.empty() ? "'" : ", '") + n + "'";
            return names;
        }());
    return accepted(std::move(s), name);
}

}  // namespace velora
