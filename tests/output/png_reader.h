// Reading a PNG file back with libpng, for the tests of the PNG export.
#pragma once

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <string>
#include <vector>

namespace velora::testing {

struct DecodedPng {
    bool ok = false;
    png_uint_32 width = 0, height = 0;
    int bit_depth = 0;
    int colour_type = -1;
    std::vector<unsigned char> rgb;  // rows of width × 3 bytes, when the file is 8-bit RGB

    const unsigned char* at(png_uint_32 x, png_uint_32 y) const {
        return &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
    }
    bool is(png_uint_32 x, png_uint_32 y, int r, int g, int b) const {
        const unsigned char* p = at(x, y);
        return p[0] == r && p[1] == g && p[2] == b;
    }
};

namespace detail {
inline bool read_png(std::FILE* file, DecodedPng& out, std::vector<png_bytep>& rows) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    out.width = png_get_image_width(png, info);
    out.height = png_get_image_height(png, info);
    out.bit_depth = png_get_bit_depth(png, info);
    out.colour_type = png_get_color_type(png, info);
    if (out.bit_depth == 8 && out.colour_type == PNG_COLOR_TYPE_RGB) {
        out.rgb.resize(static_cast<std::size_t>(out.width) * out.height * 3);
        rows.resize(out.height);
        for (png_uint_32 y = 0; y < out.height; ++y) rows[y] = &out.rgb[static_cast<std::size_t>(y) * out.width * 3];
        png_read_image(png, rows.data());
        png_read_end(png, nullptr);
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}
}  // namespace detail

inline DecodedPng decode_png(const std::string& path) {
    DecodedPng out;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return out;
    std::vector<png_bytep> rows;
    out.ok = detail::read_png(file, out, rows);
    std::fclose(file);
    return out;
}

}  // namespace velora::testing
