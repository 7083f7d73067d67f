// Replacing a file whole: the new content goes to a temporary file of its own beside the file,
// created afresh (never an existing file or link), written through to the disk and then renamed
// over the file. A reader sees the old content or the whole new one, never a part, and a file or
// link that someone planted under the temporary's name is never written through. A file that is
// a link the user made is replaced where the link leads, in that folder, and the link stays.
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

// Who may read a file that did not exist before: as the user's file mode mask allows (an export),
// or this user alone (what the program keeps beside the preferences). A file replaced keeps its
// own permissions either way.
enum class NewFileAccess { AsMask, Private };

// Writes `path` through `write`, which fills the temporary file and answers false on a failure of
// its own. On any failure the temporary file is removed and `path` keeps what it held. A link
// that leads nowhere, or to something that is not a regular file, is refused and left as it is.
WriteOutcome replace_file_with(const std::string& path, const std::function<bool(std::FILE*)>& write,
                               NewFileAccess access = NewFileAccess::AsMask);

WriteOutcome replace_file_contents(const std::string& path, std::string_view bytes,
                                   NewFileAccess access = NewFileAccess::AsMask);

// Whether `name` (a name in the folder, without the folder) is one of the temporary files that a
// replacement of `file_name` makes.
bool is_temporary_name_of(std::string_view name, std::string_view file_name);

// Temporaries older than this belong to no save in progress.
inline constexpr std::chrono::seconds StaleTemporaryAge{60};

// Removes the temporary files of `file_name` in `folder` (and the name `legacy`, when given) that
// are older than `age`: left behind by a program that was killed while it saved. Links are
// removed themselves, never what they point to; folders are left alone.
void remove_stale_temporaries(const std::string& folder, std::string_view file_name, std::string_view legacy,
                              std::chrono::seconds age);

// The same for the saves of the file at `path`: the temporaries beside it and, when it is a link
// the user made, those beside the file it leads to, where its saves are made.
void remove_stale_temporaries_of(const std::string& path, std::chrono::seconds age);

}  // namespace velora
