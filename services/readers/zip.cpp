// A zip archive read as a folder: its central directory at the end, each entry's local header and
// its bytes, stored or deflated (raw deflate through zlib), checked against its CRC-32. Archives
// spanning several disks and ZIP64 archives are refused; so is more than the limit unpacked.
#include <zlib.h>

#include "services/readers/reader_support.h"

namespace velora {

namespace {

std::uint32_t le16(std::string_view b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}

std::uint32_t le32(std::string_view b, std::size_t at) { return le16(b, at) | le16(b, at + 2) << 16; }

ReadError zip_error(const std::string& name, std::size_t offset, std::string expected) {
    return ReadError{name, 0, static_cast<std::int64_t>(offset), std::move(expected)};
}

}  // namespace

std::optional<ReadError> read_zip(std::string_view bytes, const std::string& name, std::vector<InputFile>& files,
                                  std::size_t limit) {
    files.clear();
    if (bytes.size() < 22) return zip_error(name, 0, "a zip archive's end record of 22 bytes");
    // The end of central directory record, at most 64 KiB of comment before the end.
    std::size_t eocd = std::string_view::npos;
    const std::size_t lowest = bytes.size() >= 22 + 65535 ? bytes.size() - 22 - 65535 : 0;
    for (std::size_t at = bytes.size() - 22 + 1; at-- > lowest;) {
        if (le32(bytes, at) == 0x06054b50) {
            eocd = at;
            break;
        }
    }
    if (eocd == std::string_view::npos) return zip_error(name, bytes.size(), "a zip archive's end record");
    if (le16(bytes, eocd + 4) != 0 || le16(bytes, eocd + 6) != 0)
        return zip_error(name, eocd + 4, "an archive on one disk");
    const std::uint32_t entries = le16(bytes, eocd + 10);
    const std::uint32_t directory_size = le32(bytes, eocd + 12);
    const std::uint32_t directory = le32(bytes, eocd + 16);
    if (directory == 0xFFFFFFFFu || entries == 0xFFFF)
        return zip_error(name, eocd + 16, "a zip archive without ZIP64 records");
    if (static_cast<std::size_t>(directory) + directory_size > eocd)
        return zip_error(name, eocd + 16, "the central directory before the end record");
    std::size_t at = directory, unpacked = 0;
    for (std::uint32_t i = 0; i < entries; ++i) {
        if (at + 46 > eocd || le32(bytes, at) != 0x02014b50) return zip_error(name, at, "a central directory entry");
        const std::uint32_t flags = le16(bytes, at + 8);
        const std::uint32_t method = le16(bytes, at + 10);
        const std::uint32_t crc = le32(bytes, at + 16);
        const std::uint32_t packed = le32(bytes, at + 20);
        const std::uint32_t size = le32(bytes, at + 24);
        const std::uint32_t name_length = le16(bytes, at + 28);
        const std::uint32_t extra = le16(bytes, at + 30);
        const std::uint32_t comment = le16(bytes, at + 32);
        const std::uint32_t local = le32(bytes, at + 42);
        if (at + 46 + name_length + extra + comment > eocd)
            return zip_error(name, at, "a central directory entry within the directory");
        const std::string path(bytes.substr(at + 46, name_length));
        const std::size_t entry = at;
        at += 46 + name_length + extra + comment;
        if (!path.empty() && path.back() == '/') continue;  // a folder
        if (flags & 1) return zip_error(name, entry, "entries without encryption (" + path + " is encrypted)");
        if (method != 0 && method != 8)
            return zip_error(name, entry,
                             "stored or deflated entries (" + path + " uses method " + std::to_string(method) + ")");
        if (size > limit - unpacked) return zip_error(name, entry, "at most 64 MiB unpacked in all");
        if (static_cast<std::size_t>(local) + 30 > bytes.size() || le32(bytes, local) != 0x04034b50)
            return zip_error(name, local, "the local header of " + path);
        const std::size_t data = local + 30 + le16(bytes, local + 26) + le16(bytes, local + 28);
        if (data + packed > bytes.size())
            return zip_error(name, local, "the " + std::to_string(packed) + " bytes of " + path);
        InputFile file;
        file.path = path;
        if (method == 0) {
            if (packed != size) return zip_error(name, entry, "a stored entry's sizes to agree (" + path + ")");
            file.bytes.assign(bytes.substr(data, packed));
        } else {
            file.bytes.resize(size);
            z_stream z{};
            if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return zip_error(name, data, "zlib to start");
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data() + data));
            z.avail_in = packed;
            z.next_out = reinterpret_cast<Bytef*>(file.bytes.data());
            z.avail_out = size;
            const int result = inflate(&z, Z_FINISH);
            const std::size_t produced = size - z.avail_out;
            inflateEnd(&z);
            if (result != Z_STREAM_END || produced != size)
                return zip_error(name, data, "deflated data of " + std::to_string(size) + " bytes (" + path + ")");
        }
        if (static_cast<std::uint32_t>(::crc32(0L, reinterpret_cast<const Bytef*>(file.bytes.data()),
                                               static_cast<uInt>(file.bytes.size()))) != crc)
            return zip_error(name, data, "the CRC-32 of " + path + " to match its bytes");
        unpacked += size;
        files.push_back(std::move(file));
    }
    return std::nullopt;
}

}  // namespace velora
