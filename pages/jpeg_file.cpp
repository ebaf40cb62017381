#include "pages/jpeg_file.h"

#include "platform/sys/file_writer.h"

#include <csetjmp>
#include <cstdio>
#include <memory>

#include <jpeglib.h>

#include <jerror.h>

namespace
{
constexpr std::size_t OUTPUT_BYTES = 64 * 1024; // handed to the file writer at a time

// libjpeg's compressor with an error manager that has a way back (a library error returns from the
// save that met it instead of ending the program) and a destination that writes through the file
// writer, so that a failed write keeps the writer's reason.
struct Compressor
{
    jpeg_compress_struct info{};
    jpeg_error_mgr mgr{};
    jpeg_destination_mgr dest{};
    FileWriter* pFile = nullptr;
    bool bWriteFailed = false;
    char szMessage[JMSG_LENGTH_MAX] = {};
    std::jmp_buf jump;
    JOCTET buffer[OUTPUT_BYTES];
};

// client_data carries the compressor, since the library hands back only its own record.
Compressor& Of(j_compress_ptr pInfo)
{
    return *static_cast<Compressor*>(pInfo->client_data);
}

[[noreturn]] void LeaveSave(j_common_ptr pInfo)
{
    auto* pCompressor = static_cast<Compressor*>(pInfo->client_data);
    pInfo->err->format_message(pInfo, pCompressor->szMessage);
    std::longjmp(pCompressor->jump, 1);
}

void StartOutput(j_compress_ptr pInfo)
{
    Compressor& c = Of(pInfo);
    c.dest.next_output_byte = c.buffer;
    c.dest.free_in_buffer = OUTPUT_BYTES;
}

void WriteOutput(j_compress_ptr pInfo, std::size_t nBytes)
{
    Compressor& c = Of(pInfo);
    if (!c.pFile->Write(c.buffer, nBytes))
    {
        c.bWriteFailed = true;
        ERREXIT(pInfo, JERR_FILE_WRITE);
    }
    StartOutput(pInfo);
}

boolean FlushOutput(j_compress_ptr pInfo)
{
    WriteOutput(pInfo, OUTPUT_BYTES);
    return TRUE;
}

void EndOutput(j_compress_ptr pInfo)
{
    WriteOutput(pInfo, OUTPUT_BYTES - Of(pInfo).dest.free_in_buffer);
}

// Encodes the picture into c.pFile; false on a library error (a failed write included). The
// compressor is the caller's, so nothing it holds is a local changed between setjmp and longjmp,
// and this function holds no object with a destructor for the longjmp to skip.
bool Encode(Compressor& c, const unsigned char* pBgr, int nWidth, int nHeight, int nQuality)
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
    c.dest.init_destination = StartOutput;
    c.dest.empty_output_buffer = FlushOutput;
    c.dest.term_destination = EndOutput;
    pInfo->dest = &c.dest;
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
                   int nQuality, std::string* pError)
{
    std::string strError;
    // The writer lives here, not in Encode, so that a library error's jump never skips it.
    FileWriter file;
    if (pBgr == nullptr || nWidth <= 0 || nHeight <= 0)
        strError = "the picture is empty";
    else if (!file.Open(strPath))
        strError = file.Error();
    else
    {
        // Too large for the stack of every thread that saves.
        auto pCompressor = std::make_unique<Compressor>();
        pCompressor->pFile = &file;
        const bool bEncoded = Encode(*pCompressor, pBgr, nWidth, nHeight, nQuality);
        if (bEncoded && file.Commit())
            return true;
        strError = bEncoded || pCompressor->bWriteFailed
                       ? file.Error()
                       : std::string("the JPEG library failed: ") + pCompressor->szMessage;
    }
    if (pError != nullptr)
        *pError = strError;
    return false;
}
