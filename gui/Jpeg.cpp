#include "Jpeg.h"

#include "Canvas.h"
#include "Exceptions.h"
#include "Streams.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace {

// libjpeg reports errors by calling error_exit, which must not return: it
// jumps back to the one function that called into the library. Those
// functions hold only plain data, so the jump skips no destructor.
struct TJpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    int code;
    char text[JMSG_LENGTH_MAX];
};

void JumpOnError(j_common_ptr info)
{
    auto* errors = reinterpret_cast<TJpegErrors*>(info->err);
    errors->code = errors->manager.msg_code;
    errors->manager.format_message(info, errors->text);
    std::longjmp(errors->jump, 1);
}

struct TDecoder {
    jpeg_decompress_struct info;
    TJpegErrors errors;
};

bool StartDecoding(TDecoder& decoder, const unsigned char* data, unsigned long size)
{
    decoder.info.err = jpeg_std_error(&decoder.errors.manager);
    decoder.errors.manager.error_exit = JumpOnError;
    if (setjmp(decoder.errors.jump)) return false;
    jpeg_create_decompress(&decoder.info);
    jpeg_mem_src(&decoder.info, data, size);
    jpeg_read_header(&decoder.info, TRUE);
    decoder.info.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&decoder.info);
    return true;
}

// Rows of a bottom-up 24-bit DIB: the top row at the highest address, each
// next row one line below it.
bool DecodeRows(TDecoder& decoder, unsigned char* topRow, ptrdiff_t lineSize)
{
    if (setjmp(decoder.errors.jump)) return false;
    while (decoder.info.output_scanline < decoder.info.output_height) {
        JSAMPROW row = topRow - static_cast<ptrdiff_t>(decoder.info.output_scanline) * lineSize;
        jpeg_read_scanlines(&decoder.info, &row, 1);
    }
    jpeg_finish_decompress(&decoder.info);
    return true;
}

struct TEncoder {
    jpeg_compress_struct info;
    TJpegErrors errors;
    unsigned char* output;
    unsigned long size;
};

bool Encode(TEncoder& encoder, unsigned char* topRow, ptrdiff_t lineSize, int width, int height, int quality)
{
    encoder.info.err = jpeg_std_error(&encoder.errors.manager);
    encoder.errors.manager.error_exit = JumpOnError;
    if (setjmp(encoder.errors.jump)) return false;
    jpeg_create_compress(&encoder.info);
    jpeg_mem_dest(&encoder.info, &encoder.output, &encoder.size);
    encoder.info.image_width = static_cast<JDIMENSION>(width);
    encoder.info.image_height = static_cast<JDIMENSION>(height);
    encoder.info.input_components = 3;
    encoder.info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&encoder.info);
    jpeg_set_quality(&encoder.info, quality, TRUE);
    jpeg_start_compress(&encoder.info, TRUE);
    while (encoder.info.next_scanline < encoder.info.image_height) {
        JSAMPROW row = topRow - static_cast<ptrdiff_t>(encoder.info.next_scanline) * lineSize;
        jpeg_write_scanlines(&encoder.info, &row, 1);
    }
    jpeg_finish_compress(&encoder.info);
    return true;
}

[[noreturn]] void JpegError(const TJpegErrors& errors)
{
    throw EInvalidGraphic("JPEG error #" + std::to_string(errors.code) + ": " + errors.text);
}

}

void TJPEGImage::Assign(const TPersistent* source)
{
    if (auto* jpeg = dynamic_cast<const TJPEGImage*>(source)) {
        bitmap_.Assign(&jpeg->bitmap_);
        CompressionQuality = jpeg->CompressionQuality;
    } else if (auto* bitmap = dynamic_cast<const TBitmap*>(source)) {
        bitmap_.Assign(bitmap);
        bitmap_.SetPixelFormat(pf24bit);
    } else {
        TGraphic::Assign(source);
        return;
    }
    Changed();
}

void TJPEGImage::AssignTo(TPersistent* dest) const
{
    if (auto* bitmap = dynamic_cast<TBitmap*>(dest)) {
        bitmap->Assign(&bitmap_);
        return;
    }
    TGraphic::AssignTo(dest);
}

void TJPEGImage::SetWidth(int width)
{
    if (width != Width()) throw EInvalidGraphicOperation("Cannot change the size of a JPEG image");
}

void TJPEGImage::SetHeight(int height)
{
    if (height != Height()) throw EInvalidGraphicOperation("Cannot change the size of a JPEG image");
}

void TJPEGImage::LoadFromStream(TStream& stream)
{
    const int64_t size = stream.GetSize() - stream.GetPosition();
    if (size <= 0 || size > INT32_MAX) throw EInvalidGraphic("JPEG error #42: Empty input file");
    std::vector<unsigned char> data(static_cast<size_t>(size));
    stream.ReadBuffer(data.data(), static_cast<int32_t>(data.size()));
    TDecoder decoder{};
    const bool started = StartDecoding(decoder, data.data(), static_cast<unsigned long>(data.size()));
    const TJpegErrors errors = decoder.errors;
    if (!started) {
        jpeg_destroy_decompress(&decoder.info);
        JpegError(errors);
    }
    TBitmap picture;
    picture.SetPixelFormat(pf24bit);
    picture.SetSize(static_cast<int>(decoder.info.output_width), static_cast<int>(decoder.info.output_height));
    const bool decoded =
        DecodeRows(decoder, static_cast<unsigned char*>(picture.ScanLine(0)), picture.ScanLineSize());
    jpeg_destroy_decompress(&decoder.info);
    if (!decoded) JpegError(decoder.errors);
    bitmap_.Assign(&picture);
    Changed();
}

void TJPEGImage::SaveToStream(TStream& stream)
{
    if (Empty()) return;
    TEncoder encoder{};
    const bool encoded = Encode(encoder, static_cast<unsigned char*>(bitmap_.ScanLine(0)), bitmap_.ScanLineSize(), Width(),
                                Height(), std::clamp(CompressionQuality, 1, 100));
    jpeg_destroy_compress(&encoder.info);
    struct TFreeOutput {
        unsigned char* output;
        ~TFreeOutput() { std::free(output); }
    } output{encoder.output};
    if (!encoded) JpegError(encoder.errors);
    stream.WriteBuffer(encoder.output, static_cast<int32_t>(encoder.size));
}

void TJPEGImage::Draw(TCanvas& canvas, const TRect& rect)
{
    canvas.StretchDraw(rect, bitmap_);
}
