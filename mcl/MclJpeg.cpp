#include "MclJpeg.h"

#include <csetjmp>
#include <cstdio>

extern "C" {
#include <jpeglib.h>
}

namespace {

struct ErrorJump {
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
};

[[noreturn]] void JumpOut(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorJump*>(info->err)->Jump, 1);
}

}

std::vector<uint8_t> EncodeJpeg(const MclPicture& picture, int quality)
{
    if (picture.Empty()) return {};
    jpeg_compress_struct info{};
    ErrorJump errors{};
    info.err = jpeg_std_error(&errors.Manager);
    errors.Manager.error_exit = JumpOut;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    // Only plain data lives across the jump: the rows are converted one at a
    // time into a buffer libjpeg owns.
    if (setjmp(errors.Jump)) {
        jpeg_destroy_compress(&info);
        free(buffer);
        return {};
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(picture.Width);
    info.image_height = static_cast<JDIMENSION>(picture.Height);
    info.input_components = picture.BytesPerPixel();
    info.in_color_space = picture.Bits == 32 ? JCS_EXT_BGRX : JCS_EXT_BGR;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        auto* row = const_cast<JSAMPLE*>(picture.Row(static_cast<int32_t>(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<uint8_t> encoded(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    free(buffer);
    return encoded;
}

bool DecodeJpeg(const std::vector<uint8_t>& bytes, MclPicture& picture)
{
    jpeg_decompress_struct info{};
    ErrorJump errors{};
    info.err = jpeg_std_error(&errors.Manager);
    errors.Manager.error_exit = JumpOut;
    // The picture being read lives outside the jump's reach.
    auto* read = new MclPicture;
    if (setjmp(errors.Jump)) {
        jpeg_destroy_decompress(&info);
        delete read;
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGR;
    info.do_fancy_upsampling = FALSE;
    jpeg_start_decompress(&info);
    bool sized = read->Redim(static_cast<int32_t>(info.output_width), static_cast<int32_t>(info.output_height), 24);
    while (sized && info.output_scanline < info.output_height) {
        JSAMPROW row = read->Row(static_cast<int32_t>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    if (sized) jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    if (sized) picture = std::move(*read);
    delete read;
    return sized;
}
