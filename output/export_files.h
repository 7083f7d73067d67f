// File names and file writing shared by the CSV and PNG exports.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace velora {

// The folder part of a path, with its trailing separator ("" when the path has none).
std::string folder_of(std::string_view path);

// The path an export writes to: the folder of `chosen`, its file name without the last extension,
// then `extension` (".csv"). "a/Table.CSV" → "a/Table.csv", "a/Table" → "a/Table.csv".
std::string export_target_path(std::string_view chosen, std::string_view extension);

// Writes a file so that `path` holds either its old content or the whole new one, never a part:
// `write` fills a temporary file beside it, which then replaces `path`. False when the folder
// cannot take the file, `write` returns false, or anything fails on the way; the temporary file
// is removed then.
bool replace_file(const std::string& path, const std::function<bool(std::FILE*)>& write);

// The message of a save that failed: "Could not save the table as:", the path and the reason on
// lines of their own (carriage returns, as the messages take them).
std::string save_failure_text(std::string_view what, const std::string& path, const std::string& reason);

bool replace_file_with_text(const std::string& path, std::string_view content);

}  // namespace velora
