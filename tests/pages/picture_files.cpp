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
    p = Picture{nWidth, static_cast<int>(nRows), nBits / 8, false, {}};
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
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    Picture& p = *pPicture;
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
