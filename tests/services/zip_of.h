// Zip archives made in the tests, stored or deflated, as an archiver writes them.
#pragma once

#include <zlib.h>

#include <string>
#include <vector>

#include "services/readers/readers.h"

namespace velora::test {

// A zip of the given files, stored or deflated, as an archiver writes it.
inline std::string zip_of(const std::vector<InputFile>& files, bool deflated) {
    std::string out, directory;
    const auto u16 = [](std::string& s, unsigned v) { s += char(v & 0xFF), s += char((v >> 8) & 0xFF); };
    const auto u32 = [&](std::string& s, unsigned long v) { u16(s, v & 0xFFFF), u16(s, (v >> 16) & 0xFFFF); };
    for (const InputFile& f : files) {
        std::string data = f.bytes;
        if (deflated) {
            z_stream z{};
            deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
            data.assign(deflateBound(&z, f.bytes.size()), '\0');
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(f.bytes.data()));
            z.avail_in = static_cast<uInt>(f.bytes.size());
            z.next_out = reinterpret_cast<Bytef*>(data.data());
            z.avail_out = static_cast<uInt>(data.size());
            deflate(&z, Z_FINISH);
            data.resize(z.total_out);
            deflateEnd(&z);
        }
        const unsigned long crc =
            ::crc32(0, reinterpret_cast<const Bytef*>(f.bytes.data()), static_cast<uInt>(f.bytes.size()));
        const unsigned long offset = out.size();
        u32(out, 0x04034b50), u16(out, 20), u16(out, 0), u16(out, deflated ? 8 : 0), u32(out, 0);
        u32(out, crc), u32(out, data.size()), u32(out, f.bytes.size()), u16(out, f.path.size()), u16(out, 0);
        out += f.path + data;
        u32(directory, 0x02014b50), u16(directory, 20), u16(directory, 20), u16(directory, 0),
            u16(directory, deflated ? 8 : 0);
        u32(directory, 0), u32(directory, crc), u32(directory, data.size()), u32(directory, f.bytes.size());
        u16(directory, f.path.size()), u16(directory, 0), u16(directory, 0), u16(directory, 0), u16(directory, 0);
        u32(directory, 0), u32(directory, offset);
        directory += f.path;
    }
    const unsigned long at = out.size();
    out += directory;
    u32(out, 0x06054b50), u16(out, 0), u16(out, 0), u16(out, files.size()), u16(out, files.size());
    u32(out, directory.size()), u32(out, at), u16(out, 0);
    return out;
}

}  // namespace velora::test
