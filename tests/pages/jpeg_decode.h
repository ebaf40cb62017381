#pragma once

// Reads a JPEG file back for the tests that check what was saved.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include <jpeglib.h>

struct DecodedJpeg
{
    int nWidth = 0;
    int nHeight = 0;
    bool bBaseline = false;
    std::vector<std::uint8_t> rgb; // top row first
};

inline DecodedJpeg DecodeJpeg(const std::filesystem::path& path)
{
    DecodedJpeg d;
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (std::size_t i = 0; i + 1 < file.size(); ++i)
        d.bBaseline |= file[i] == 0xFF && file[i + 1] == 0xC0; // SOF0
    jpeg_decompress_struct info{};
    jpeg_error_mgr err{};
    info.err = jpeg_std_error(&err);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    d.nWidth = int(info.output_width);
    d.nHeight = int(info.output_height);
    d.rgb.resize(std::size_t(d.nWidth) * d.nHeight * 3);
    while (info.output_scanline < info.output_height)
    {
        JSAMPROW pRow = d.rgb.data() + std::size_t(info.output_scanline) * d.nWidth * 3;
        jpeg_read_scanlines(&info, &pRow, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return d;
}
