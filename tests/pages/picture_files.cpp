#include "tests/pages/picture_files.h"

#include "tests/platform/sys/temp_dir.h"

#include <jpeglib.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>

namespace
{
struct JpegError
{
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

[[noreturn]] void LeaveDecode(j_common_ptr pInfo)
{
    std::longjmp(reinterpret_cast<JpegError*>(pInfo->err)->jump, 1);
}

} // namespace

::testing::AssertionResult ReadBmp(const std::string& strFile, Picture* pPicture)
{
    const std::string s = TempDir::ReadFile(strFile);
    if (s.size() < 54 || s[0] != 'B' || s[1] != 'M')
        return ::testing::AssertionFailure() << strFile << ": no BMP header (" << s.size() << " bytes)";
    const uint32_t nOffset = U32(s, 10);
    const int nWidth = static_cast<int>(U32(s, 18));
    const int nHeight = static_cast<int>(U32(s, 22));
    const int nBits = static_cast<uint8_t>(s[28]);
    const size_t nStride = (static_cast<size_t>(nWidth) * nBits / 8 + 3) / 4 * 4;
    const size_t nRows = static_cast<size_t>(std::abs(nHeight));
    if (U32(s, 2) != s.size() || U32(s, 14) != 40 || (nBits != 8 && nBits != 24) ||
        nOffset != (nBits == 8 ? 1078u : 54u) || nOffset + nStride * nRows != s.size())
        return ::testing::AssertionFailure()
               << strFile << ": headers disagree with the file's " << s.size() << " bytes (" << nWidth
               << " x " << nHeight << ", " << nBits << " bits, pixels at " << nOffset << ")";
    Picture& p = *pPicture;
    p = Picture{nWidth, static_cast<int>(nRows), nBits / 8, false, {}, false, {}};
    p.pixels.resize(static_cast<size_t>(nWidth) * nRows * p.nChannels);
    for (size_t y = 0; y < nRows; ++y)
    {
        // A positive height stores the bottom row first.
        const size_t nFileRow = nHeight > 0 ? nRows - 1 - y : y;
        std::memcpy(&p.pixels[y * nWidth * p.nChannels], s.data() + nOffset + nFileRow * nStride,
                    static_cast<size_t>(nWidth) * p.nChannels);
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult ReadJpeg(const std::string& strFile, Picture* pPicture)
{
    const std::string s = TempDir::ReadFile(strFile);
    jpeg_decompress_struct info{};
    JpegError error{};
    info.err = jpeg_std_error(&error.mgr);
    error.mgr.error_exit = LeaveDecode;
    if (setjmp(error.jump) != 0)
    {
        jpeg_destroy_decompress(&info);
        return ::testing::AssertionFailure() << strFile << ": libjpeg cannot decode it";
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(s.data()),
                 static_cast<unsigned long>(s.size()));
    jpeg_read_header(&info, TRUE);
    Picture& p = *pPicture;
    // The frame header follows the segments before it (those whose marker is not SOFn); SOF0 is
    // baseline.
    const auto Byte = [&](std::size_t n) { return n < s.size() ? static_cast<uint8_t>(s[n]) : 0u; };
    std::size_t n = 2;
    while (n + 4 <= s.size() && ((Byte(n + 1) & 0xF0) != 0xC0 || Byte(n + 1) == 0xC4))
        n += 2 + (Byte(n + 2) << 8 | Byte(n + 3));
    p.bBaseline = Byte(n + 1) == 0xC0;
    p.quant.clear();
    for (const JQUANT_TBL* pTable : {info.quant_tbl_ptrs[0], info.quant_tbl_ptrs[1]})
        if (pTable != nullptr)
            p.quant.insert(p.quant.end(), pTable->quantval, pTable->quantval + DCTSIZE2);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    p.nWidth = static_cast<int>(info.output_width);
    p.nHeight = static_cast<int>(info.output_height);
    p.nChannels = 3;
    p.bRgb = true;
    p.pixels.assign(static_cast<size_t>(p.nWidth) * p.nHeight * 3, 0);
    while (info.output_scanline < info.output_height)
    {
        JSAMPROW pRow = &p.pixels[static_cast<size_t>(info.output_scanline) * p.nWidth * 3];
        jpeg_read_scanlines(&info, &pRow, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return ::testing::AssertionSuccess();
}

std::vector<unsigned> JpegTables(int nQuality)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr mgr{};
    info.err = jpeg_std_error(&mgr);
    jpeg_create_compress(&info);
    info.in_color_space = JCS_RGB;
    info.input_components = 3;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, nQuality, TRUE);
    std::vector<unsigned> tables;
    for (const JQUANT_TBL* pTable : {info.quant_tbl_ptrs[0], info.quant_tbl_ptrs[1]})
        tables.insert(tables.end(), pTable->quantval, pTable->quantval + DCTSIZE2);
    jpeg_destroy_compress(&info);
    return tables;
}
