#include "pages/jpeg_file.h"

#include "platform/sys/file_writer.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace
{

// libjpeg's compressor with an error manager that has a way back: a library error returns from the
// save that met it instead of ending the program.
struct Compressor
{
    jpeg_compress_struct info{};
    jpeg_error_mgr mgr{};
    std::jmp_buf jump;
};

[[noreturn]] void LeaveSave(j_common_ptr pInfo)
{
    // client_data carries the compressor, since the library hands back only its own record.
    std::longjmp(static_cast<Compressor*>(pInfo->client_data)->jump, 1);
}

// Encodes the picture into pFile; false on a library error (a failed write included). The
// compressor is the caller's, so nothing it holds is a local changed between setjmp and longjmp,
// and this function holds no object with a destructor for the longjmp to skip.
bool Encode(Compressor& c, std::FILE* pFile, const unsigned char* pBgr, int nWidth, int nHeight, int nQuality)
{
    jpeg_compress_struct* pInfo = &c.info;
    pInfo->err = jpeg_std_error(&c.mgr);
    c.mgr.error_exit = LeaveSave;
    pInfo->client_data = &c; // kept by jpeg_create_compress
    if (setjmp(c.jump) != 0)
    {
        jpeg_destroy_compress(&c.info);
        return false;
    }
    // The API version and record size of the installed library's own header.
    jpeg_create_compress(pInfo);
    jpeg_stdio_dest(pInfo, pFile);
    pInfo->image_width = static_cast<JDIMENSION>(nWidth);
    pInfo->image_height = static_cast<JDIMENSION>(nHeight);
    pInfo->input_components = 3;
    // The library reads blue-green-red rows itself; the file is the same as from rows swapped to
    // red-green-blue, without copying every row.
    pInfo->in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(pInfo);
    jpeg_set_quality(pInfo, nQuality, TRUE);
    jpeg_start_compress(pInfo, TRUE);
    const std::size_t nStride = static_cast<std::size_t>(nWidth) * 3;
    while (pInfo->next_scanline < pInfo->image_height)
    {
        // Top row first: the buffer's last row.
        const std::size_t nRow = pInfo->image_height - 1 - pInfo->next_scanline;
        JSAMPROW pRow = const_cast<JSAMPROW>(pBgr + nRow * nStride);
        jpeg_write_scanlines(pInfo, &pRow, 1);
    }
    jpeg_finish_compress(pInfo);
    jpeg_destroy_compress(pInfo);
    return true;
}

} // namespace

bool WriteJpegFile(const std::string& strPath, const unsigned char* pBgr, int nWidth, int nHeight,
                   int nQuality)
{
    if (pBgr == nullptr || nWidth <= 0 || nHeight <= 0)
        return false;
    // The writer lives here, not in Encode, so that a library error's jump never skips it.
    FileWriter file;
    if (!file.Open(strPath))
        return false;
    Compressor compressor;
    return Encode(compressor, file.Stream(), pBgr, nWidth, nHeight, nQuality) && file.Commit();
}
