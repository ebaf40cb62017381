#include "tests/pages/picture_files.h"

#include "tests/platform/sys/temp_dir.h"

#include <jpeglib.h>

#include <csetjmp>
#include <cstdlib>

::testing::AssertionResult ReadBmp(const std::string& strFile, Picture* pPicture)
{
    const std::string s = TempDir::ReadFile(strFile);
    if (s.size() < 54 || !s.starts_with("BM"))
        return ::testing::AssertionFailure() << strFile << ": no BMP header (" << s.size() << " bytes)";
    const uint32_t nOffset = U32(s, 10);
    const int nWidth = int(U32(s, 18)), nHeight = int(U32(s, 22)), nBits = uint8_t(s[28]);
    const size_t nStride = (size_t(nWidth) * nBits / 8 + 3) / 4 * 4, nRows = size_t(std::abs(nHeight));
    if (U32(s, 2) != s.size() || U32(s, 14) != 40 || (nBits != 8 && nBits != 24) ||
        nOffset != (nBits == 8 ? 1078u : 54u) || nOffset + nStride * nRows != s.size())
        return ::testing::AssertionFailure()
               << strFile << ": headers disagree with the file's " << s.size() << " bytes (" << nWidth
               << " x " << nHeight << ", " << nBits << " bits, pixels at " << nOffset << ")";
    Picture& p = *pPicture = Picture{};
    std::tie(p.nWidth, p.nHeight, p.nChannels) = std::tuple(nWidth, int(nRows), nBits / 8);
    for (size_t y = 0; y < nRows; ++y) // a positive height stores the bottom row first
    {
        const auto row = s.begin() + nOffset + (nHeight > 0 ? nRows - 1 - y : y) * nStride;
        p.pixels.insert(p.pixels.end(), row, row + nWidth * p.nChannels);
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult ReadJpeg(const std::string& strFile, Picture* pPicture)
{
    const std::string s = TempDir::ReadFile(strFile);
    struct : jpeg_error_mgr
    {
        std::jmp_buf jump;
    } error;
    jpeg_decompress_struct info{};
    info.err = jpeg_std_error(&error);
    error.error_exit = [](j_common_ptr pInfo)
    { std::longjmp(static_cast<decltype(error)*>(pInfo->err)->jump, 1); };
    if (setjmp(error.jump) != 0)
    {
        jpeg_destroy_decompress(&info);
        return ::testing::AssertionFailure() << strFile << ": libjpeg cannot decode it";
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(s.data()), s.size());
    jpeg_read_header(&info, TRUE);
    Picture& p = *pPicture = Picture{};
    // The frame header follows the segments whose marker is not SOFn; SOF0 is baseline.
    const auto Byte = [&](size_t n) { return n < s.size() ? uint8_t(s[n]) : 0u; };
    size_t n = 2;
    while (n + 4 <= s.size() && ((Byte(n + 1) & 0xF0) != 0xC0 || Byte(n + 1) == 0xC4))
        n += 2 + (Byte(n + 2) << 8 | Byte(n + 3));
    p.bBaseline = Byte(n + 1) == 0xC0;
    for (const JQUANT_TBL* pTable : {info.quant_tbl_ptrs[0], info.quant_tbl_ptrs[1]})
        if (pTable != nullptr)
            p.quant.insert(p.quant.end(), pTable->quantval, pTable->quantval + DCTSIZE2);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    std::tie(p.nWidth, p.nHeight, p.nChannels, p.bRgb) =
        std::tuple(int(info.output_width), int(info.output_height), 3, true);
    p.pixels.resize(size_t(p.nWidth) * p.nHeight * 3);
    for (JSAMPROW pRow = p.pixels.data(); info.output_scanline < info.output_height; pRow += p.nWidth * 3)
        jpeg_read_scanlines(&info, &pRow, 1);
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
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, nQuality, TRUE);
    std::vector<unsigned> tables;
    for (const JQUANT_TBL* pTable : {info.quant_tbl_ptrs[0], info.quant_tbl_ptrs[1]})
        tables.insert(tables.end(), pTable->quantval, pTable->quantval + DCTSIZE2);
    jpeg_destroy_compress(&info);
    return tables;
}
