#include "GifDecoder.h"

#include <algorithm>
#include <vector>

#include "GifLzw.h"

namespace tvmplayer {
namespace {

std::span<const uint8_t> ColourTable(SwfReader& reader, uint8_t flags)
{
    return (flags & 0x80) ? reader.Bytes(3u << ((flags & 7) + 1)) : std::span<const uint8_t>();
}

// Passes over the data sub-blocks up to and with the empty one.
void SkipBlocks(SwfReader& reader)
{
    while (uint8_t size = reader.U8()) reader.Skip(size);
}

struct Frame {
    uint16_t Left = 0, Top = 0, Width = 0, Height = 0;
    bool Interlaced = false;
    std::span<const uint8_t> Colours;
    size_t CodesStart = 0, CodesEnd = 0;  // the code size byte and the sub-blocks
};

std::optional<Frame> FirstFrame(SwfReader& reader, std::span<const uint8_t> global, int& transparent)
{
    for (;;) {
        uint8_t introducer = reader.U8();
        if (introducer == 0x21) {
            uint8_t label = reader.U8();
            if (label == 0xF9) {
                std::span<const uint8_t> control = reader.Bytes(reader.U8());
                if (control.size() >= 4 && (control[0] & 1))
                    transparent = control[3];
            }
            SkipBlocks(reader);
        } else if (introducer == 0x2C) {
            Frame frame;
            frame.Left = reader.U16();
            frame.Top = reader.U16();
            frame.Width = reader.U16();
            frame.Height = reader.U16();
            uint8_t flags = reader.U8();
            frame.Interlaced = flags & 0x40;
            frame.Colours = ColourTable(reader, flags);
            if (frame.Colours.empty())
                frame.Colours = global;
            frame.CodesStart = reader.Position();
            reader.U8();
            SkipBlocks(reader);
            frame.CodesEnd = reader.Position();
            return frame;
        } else {
            return std::nullopt;
        }
    }
}

}

bool IsGif(std::span<const uint8_t> data)
{
    return data.size() >= 6 && std::equal(data.begin(), data.begin() + 3, "GIF")
           && (std::equal(data.begin() + 3, data.begin() + 6, "87a") || std::equal(data.begin() + 3, data.begin() + 6, "89a"));
}

std::optional<Bitmap> DecodeGif(std::span<const uint8_t> data)
{
    if (!IsGif(data))
        return std::nullopt;
    try {
        SwfReader reader(data);
        reader.Skip(6);
        size_t width = reader.U16(), height = reader.U16();
        uint8_t flags = reader.U8();
        reader.U16();  // background index and aspect: the screen starts transparent
        std::span<const uint8_t> global = ColourTable(reader, flags);
        int transparent = -1;
        std::optional<Frame> frame = FirstFrame(reader, global, transparent);
        if (!frame || width == 0 || height == 0 || width * height > MaxBitmapPixels || frame->Width == 0
            || frame->Height == 0)
            return std::nullopt;
        TGifBitmapInfo info{frame->Width, frame->Height, 8};
        std::vector<uint8_t> indices(static_cast<size_t>(GifImageSize(info)), 0);
        bool corrupted = false;
        // Damage keeps what was decoded before it.
        DecodeGIFImage(data.data() + frame->CodesStart, frame->CodesEnd - frame->CodesStart, info, frame->Interlaced,
                       {}, corrupted, indices.data(), 8, true);
        Bitmap bitmap;
        bitmap.Width = static_cast<int>(width);
        bitmap.Height = static_cast<int>(height);
        bitmap.Pixels.assign(width * height, 0);
        size_t stride = static_cast<size_t>(GifRowStride(info));
        for (size_t y = 0; y < frame->Height && frame->Top + y < height; ++y) {
            // Bottom-up rows: the image's first row is the last in memory.
            const uint8_t* row = indices.data() + (frame->Height - 1 - y) * stride;
            for (size_t x = 0; x < frame->Width && frame->Left + x < width; ++x) {
                size_t index = row[x];
                if (static_cast<int>(index) == transparent || index * 3 + 2 >= frame->Colours.size())
                    continue;
                const uint8_t* c = frame->Colours.data() + index * 3;
                bitmap.Pixels[(frame->Top + y) * width + frame->Left + x] =
                    0xFF000000u | uint32_t{c[0]} << 16 | uint32_t{c[1]} << 8 | c[2];
            }
        }
        return bitmap;
    } catch (const SwfFormatError&) {
        return std::nullopt;
    } catch (const EGifFormatError&) {
        return std::nullopt;
    }
}

}
