// Replacing a file whole: the new content goes to a temporary file of its own beside the file,
// created afresh (never an existing file or link), written through to the disk and then renamed
// over the file. A reader sees the old content or the whole new one, never a part, and a file or
// link that someone planted beside it is never written through.
#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace velora {

struct WriteOutcome {
    bool ok = false;
    std::string reason;  // why not, in the system's words ("Permission denied")
    explicit operator bool() const { return ok; }
};

// Writes `path` through `write`, which fills the temporary file and answers false on a failure of
// its own. On any failure the temporary file is removed and `path` keeps what it held.
WriteOutcome replace_file_with(const std::string& path, const std::function<bool(std::FILE*)>& write);

WriteOutcome replace_file_contents(const std::string& path, std::string_view bytes);

// Whether `name` (a name in the folder, without the folder) is one of the temporary files that a
// replacement of `file_name` makes.
bool is_temporary_name_of(std::string_view name, std::string_view file_name);

// Removes the temporary files of `file_name` in `folder` (and the name `legacy`, when given) that
// are older than `age`: left behind by a program that was killed while it saved. Links are
// removed themselves, never what they point to; folders are left alone.
void remove_stale_temporaries(const std::string& folder, std::string_view file_name, std::string_view legacy,
                              std::chrono::seconds age);

}  // namespace velora
