// The files the program keeps for the user beside the preferences (the preferences themselves, the
// shots and the imported string): read whole up to a limit, told apart when they are missing, when
// they exist but cannot be read, and when they changed on the disk since the program read them;
// set aside by renaming when they cannot be used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velora {

// What identifies one content of a file on the disk: its device and inode, size and time of change.
// Another program's save (a new file renamed over it, or the file written in place) changes it.
struct FileStamp {
    std::uint64_t device = 0, inode = 0, size = 0;
    std::int64_t changed_ns = 0;
    bool operator==(const FileStamp&) const = default;
};

enum class KeptFileState {
    Missing,  // nothing there: the program starts the file afresh
    Read,     // `bytes` holds it whole
    Refused,  // it exists but cannot be used: `reason` says why; it must not be replaced
};

struct KeptFileRead {
    KeptFileState state = KeptFileState::Missing;
    std::string bytes;
    std::string reason;  // "Permission denied", "it is larger than 1 MiB", "it is a link to …, which does not exist"
    std::optional<FileStamp> stamp;  // of what was read
};

// Reads the file at `path` (through a link the user made) whole. A file larger than `limit` bytes,
// a folder, a device or a pipe, a link that leads nowhere, and a file the system does not let this
// user read are refused, never read in part; reading never waits on a pipe.
KeptFileRead read_kept_file(const std::string& path, std::size_t limit);

// The stamp of the file at `path` now (through links); nothing when there is no regular file.
std::optional<FileStamp> file_stamp(const std::string& path);

// One file that the program keeps for the user, as this run knows it.
struct KeptFile {
    std::string path;
    // Set when the file existed but could not be read (the reason): this run never writes it, so
    // what it holds stays for the user to look into.
    std::optional<std::string> refusal;
    // The file as this run last read or wrote it; nothing when it was missing.
    std::optional<FileStamp> stamp;
};

// Reads `file.path` as read_kept_file does and notes in `file` what was read (or why not).
KeptFileRead read_kept(KeptFile& file, std::size_t limit);

// True when the file on the disk is not the one this run last read or wrote: another program (or
// another instance) saved it since, or made it where there was none. A file that went holds
// nothing to lose.
bool changed_on_disk(const KeptFile& file);

enum class KeptSave {
    Saved,
    NotWritten,  // refused at loading: left as it is
    Changed,     // changed on the disk since this run read it: left as it is, unless forced
    Failed,      // the system refused the save (`reason`): the file keeps what it held
};

struct KeptSaveOutcome {
    KeptSave result = KeptSave::Saved;
    std::string reason;
};

// Replaces the file with `text` (new files private to this user, links written through), unless
// it was refused at loading, or changed on the disk since this run read or wrote it and `force`
// is false. A save notes the new stamp.
KeptSaveOutcome save_kept(KeptFile& file, std::string_view text, bool force = false);

// Sets the file at `path` aside by renaming it (a link itself, never what it leads to) to
// `path` + ".bad", or ".bad2", ".bad3" … when that is taken, so nothing set aside earlier is lost.
// Returns the file name it now has (without the folder), or nothing when it could not be renamed.
std::optional<std::string> set_aside(const std::string& path);

}  // namespace velora
