// libjpeg-turbo behind a plain function: errors leave through longjmp from the library's error
// handler, so nothing with a destructor lives between setjmp and the library calls.
#include "JpegDecode.h"

#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE

#include <jpeglib.h>

namespace platform {
namespace {

struct ErrorHandler {
    jpeg_error_mgr manager;  // first, so the library's pointer to it is a pointer to this
    std::jmp_buf jump;
};

[[noreturn]] void OnError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorHandler*>(info->err)->jump, 1);
}
void Quiet(j_common_ptr) {}

bool IsJpeg(const uint8_t* p, size_t n)
{
    return n >= 2 && p[0] == 0xFF && p[1] == 0xD8;
}

// Whether the bytes after the first scan's header can hold that scan's coded data, read from
// the header alone, so that a file cut short (or a header that lies) is refused before the
// picture's memory is allocated. The bound counts the Huffman codes the scan must contain; every
// Huffman code is at least 1 bit long:
// - a sequential scan codes every block of each of its components with a DC code and at least
//   one AC code (the end-of-block code or the first coefficient): 2 bits a block at least;
// - a progressive file's first scan is a DC scan (the library warns about any other first scan,
//   and a warning refuses the file), one DC code a block: 1 bit a block at least.
// An interleaved scan also codes the padding blocks past the right and bottom edges, so each
// component's own block count is a lower bound. The library counts running out of data while
// it still needs bits as damage (a warning), so no file it decodes cleanly has fewer bits than
// this; a uniform grey picture with optimised Huffman tables (1-bit codes) meets it exactly.
bool FirstScanFits(const jpeg_decompress_struct& info)
{
    const uint64_t bitsPerBlock = info.progressive_mode ? 1 : 2;
    uint64_t blocks = 0;
    for (int i = 0; i < info.comps_in_scan; ++i)
        blocks += uint64_t(info.cur_comp_info[i]->width_in_blocks) * info.cur_comp_info[i]->height_in_blocks;
    return uint64_t(info.src->bytes_in_buffer) * 8 >= blocks * bitsPerBlock;
}

}  // namespace

JpegResult DecodeJpegRgba8(const uint8_t* bytes, size_t size, uint32_t maxSide, uint32_t* width, uint32_t* height,
                           std::vector<uint8_t>* rgba)
{
    if (!IsJpeg(bytes, size)) return JpegResult::NotJpeg;
    jpeg_decompress_struct info;
    ErrorHandler errors;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = OnError;
    errors.manager.output_message = Quiet;
    volatile JpegResult failure = JpegResult::Invalid;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        rgba->clear();
        return failure;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    if (info.image_width == 0 || info.image_height == 0) std::longjmp(errors.jump, 1);
    if (info.image_width > maxSide || info.image_height > maxSide) {
        failure = JpegResult::TooLarge;
        std::longjmp(errors.jump, 1);
    }
    // Arithmetic coding may end its data early (the decoder reads zeros from there on), so a few
    // bytes can stand for a picture of any size: no byte count bounds it. Such files are refused
    // (stb_image, which reads the other formats here, cannot read them either).
    if (info.arith_code) std::longjmp(errors.jump, 1);
    if (info.progressive_mode && (info.Ss != 0 || info.Ah != 0)) std::longjmp(errors.jump, 1);  // see FirstScanFits
    if (!FirstScanFits(info)) std::longjmp(errors.jump, 1);
    info.out_color_space = JCS_EXT_RGBA;
    jpeg_start_decompress(&info);
    const size_t rowBytes = size_t(info.output_width) * 4;
    rgba->resize(rowBytes * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = rgba->data() + rowBytes * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    // Damage the library works around (missing data filled in grey, bad markers skipped) is
    // reported as warnings only; a texture from such a file would show the damage.
    if (errors.manager.num_warnings > 0) std::longjmp(errors.jump, 1);
    *width = info.output_width;
    *height = info.output_height;
    jpeg_destroy_decompress(&info);
    return JpegResult::Ok;
}

}  // namespace platform
