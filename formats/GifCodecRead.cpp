// The reading side of GIF images: files, the length-prefixed form, the
// clipboard, and frames decoded into bitmaps.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "Clipbrd.h"
#include "Exceptions.h"
#include "GifCodec.h"
#include "Picture.h"
#include "Streams.h"

namespace {

constexpr uint16_t MaxRepeatCount = 30000;

[[noreturn]] void ReadError()
{
    throw EReadError("Stream read error");
}

// The bytes of a GIF file; fixed-size reads past the end are read errors.
class ByteCursor {
public:
    explicit ByteCursor(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
    bool AtEnd() const { return pos_ >= bytes_.size(); }
    size_t Left() const { return bytes_.size() - pos_; }
    uint8_t Byte()
    {
        if (AtEnd()) ReadError();
        return bytes_[pos_++];
    }
    uint16_t Word()
    {
        const uint8_t low = Byte();
        return static_cast<uint16_t>(low | Byte() << 8);
    }
    void Read(void* into, size_t count)
    {
        if (Left() < count) ReadError();
        std::memcpy(into, bytes_.data() + pos_, count);
        pos_ += count;
    }
    // The next byte, or Otherwise at the end.
    uint8_t ByteOr(uint8_t otherwise) { return AtEnd() ? otherwise : bytes_[pos_++]; }
    // Data sub-blocks, one string each, up to a zero-length block or the end.
    std::vector<std::string> SubBlocks()
    {
        std::vector<std::string> strings;
        for (uint8_t length = ByteOr(0); length != 0; length = ByteOr(0)) {
            const size_t n = std::min<size_t>(length, Left());
            strings.emplace_back(reinterpret_cast<const char*>(bytes_.data() + pos_), n);
            pos_ += n;
        }
        return strings;
    }
    // Copies the code-size byte and the sub-blocks through the zero-length
    // block into Out; False when the data end first.
    bool CopyImageData(std::vector<uint8_t>& out)
    {
        const size_t start = pos_;
        if (AtEnd()) return false;
        ++pos_;
        while (!AtEnd()) {
            const uint8_t length = bytes_[pos_];
            if (length == 0) {
                ++pos_;
                out.assign(bytes_.begin() + static_cast<std::ptrdiff_t>(start), bytes_.begin() + static_cast<std::ptrdiff_t>(pos_));
                return true;
            }
            if (Left() < size_t{length} + 1) break;
            pos_ += size_t{length} + 1;
        }
        out.assign(bytes_.begin() + static_cast<std::ptrdiff_t>(start), bytes_.begin() + static_cast<std::ptrdiff_t>(pos_));
        pos_ = bytes_.size();
        return false;
    }

private:
    const std::vector<uint8_t>& bytes_;
    size_t pos_ = 0;
};

bool SameText(const char* a, const char* b, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

void ReadColorMap(ByteCursor& in, TGIFColorMap& map, uint32_t count)
{
    map.Count = count;
    for (uint32_t i = 0; i < count; ++i) in.Read(map.Entries[i].data(), 3);
}

bool startedUp = false;
UINT clipboardFormat = 0;

}  // namespace

class TGIFReader {
public:
    TGIFReader(TGIFImage& image, const std::vector<uint8_t>& bytes) : image_(image), in_(bytes) {}

    void Read()
    {
        char signature[6];
        in_.Read(signature, sizeof(signature));
        if (!SameText(signature, "GIF", 3)) throw EInvalidGraphicOperation("Unknown GIF version");
        if (SameText(signature + 3, "87a", 3)) image_.version_ = 1;
        else if (SameText(signature + 3, "89a", 3)) image_.version_ = 2;
        else throw EInvalidGraphicOperation("Unknown GIF version");

        TGIFData& data = *image_.data_;
        image_.screenWidth_ = in_.Word();
        image_.screenHeight_ = in_.Word();
        const uint8_t packed = in_.Byte();
        const uint8_t background = in_.Byte();
        data.AspectRatio = in_.Byte();
        data.BitsPerPixel = static_cast<uint8_t>((packed & 7) + 1);
        data.ColorResBits = static_cast<uint8_t>((packed >> 4 & 7) + 1);
        if (packed & 0x80) {
            ReadColorMap(in_, data.ColorMap, 1u << data.BitsPerPixel);
            if (background < data.ColorMap.Count) image_.backgroundColor_ = data.ColorMap.Color(background);
        }

        uint8_t separator = 0;
        while (!in_.AtEnd() && (separator = in_.Byte()) == 0) {
        }
        while (separator != 0 && separator != ';' && !in_.AtEnd()) {
            while (separator == '!') {
                Extension();
                separator = in_.ByteOr(';');
            }
            if (separator == ',') {
                Image();
                separator = in_.ByteOr(0);
                if (separator != '!' && separator != ',' && separator != ';') separator = 0;
            } else {
                if (!data.Comment.empty() || kept_.empty()) {
                    if (separator != 0 && separator != ';') ReadError();
                    continue;
                }
                for (size_t i = 0; i < kept_.size(); ++i) {
                    if (kept_[i]->ExtType != etComment) continue;
                    if (!data.Comment.empty()) data.Comment.push_back("\r\n\r\n");
                    data.Comment.insert(data.Comment.end(), kept_[i]->Data.begin(), kept_[i]->Data.end());
                }
                kept_.clear();
            }
        }
    }

private:
    void Extension()
    {
        const uint8_t label = in_.Byte();
        auto extension = std::make_unique<TExtension>();
        switch (label) {
        case 0xF9:
            extension->ExtType = etGraphicControl;
            in_.Read(extension->ExtRec.data(), 6);
            kept_.push_back(std::move(extension));
            return;
        case 0xFE:
            extension->ExtType = etComment;
            extension->Data = in_.SubBlocks();
            kept_.push_back(std::move(extension));
            return;
        case 0x01:
            FixedPart(*extension);
            in_.SubBlocks();
            kept_.clear();
            return;
        case 0xFF: {
            const uint8_t size = FixedPart(*extension);
            const auto blocks = in_.SubBlocks();
            // Only an 11-byte block carries an identifier and code.
            const char* id = reinterpret_cast<const char*>(extension->ExtRec.data() + 1);
            const bool loop = size == 11 && (std::memcmp(id, "NETSCAPE2.0", 11) == 0 || std::memcmp(id, "ANIMEXTS1.0", 11) == 0);
            if (loop && !blocks.empty() && blocks[0].size() >= 3 && blocks[0][0] == 1) {
                const auto& b = blocks[0];
                image_.looping_ = true;
                const int count = static_cast<uint8_t>(b[1]) + 256 * static_cast<uint8_t>(b[2]);
                image_.repeatCount_ = static_cast<uint16_t>(std::min<int>(count, MaxRepeatCount));
            }
            return;
        }
        default: {
            char text[64];
            std::snprintf(text, sizeof(text), "Unrecognized extension block: %.2x", label);
            throw EInvalidGraphicOperation(text);
        }
        }
    }
    // The block-size byte and that many bytes, kept as far as ExtRec holds them.
    uint8_t FixedPart(TExtension& extension)
    {
        const uint8_t size = in_.Byte();
        extension.ExtRec[0] = size;
        for (size_t i = 1; i <= size; ++i) {
            const uint8_t b = in_.Byte();
            if (i < extension.ExtRec.size()) extension.ExtRec[i] = b;
        }
        return size;
    }

    void Image()
    {
        auto frame = std::make_unique<TGIFFrame>(&image_);
        const TGIFData& data = *image_.data_;
        TGIFItem& item = *frame->item_;
        if (data.ColorMap.Count > 0) {
            item.BitsPerPixel = 0;
            for (uint8_t n = 1; n <= 8; ++n)
                if ((1u << n) == data.ColorMap.Count) item.BitsPerPixel = n;
            if (item.BitsPerPixel == 0) throw EInvalidGraphicOperation("Wrong number of colors; must be a power of 2");
        }
        frame->extensions_ = std::move(kept_);
        kept_.clear();

        const uint16_t left = in_.Word(), top = in_.Word();
        uint16_t width = in_.Word(), height = in_.Word();
        const uint8_t packed = in_.Byte();
        frame->Interlaced = (packed & 0x40) != 0;
        if (packed & 0x80) {
            item.BitsPerPixel = static_cast<uint8_t>((packed & 7) + 1);
            ReadColorMap(in_, item.ColorMap, 1u << item.BitsPerPixel);
            frame->LocalColors = true;
        } else {
            item.ColorMap = data.ColorMap;
        }
        if (!in_.CopyImageData(item.ImageData)) frame->Corrupted = true;
        if (frame->Corrupted && !GIFLoadCorrupted) ReadError();
        if (width == 0) width = image_.screenWidth_;
        if (height == 0) height = image_.screenHeight_;
        frame->origin_ = {left, top};
        item.Width = width;
        item.Height = height;
        item.PackedFields = packed;

        frame->delayTime_ = 0;
        for (const auto& extension : frame->extensions_) {
            if (extension->ExtType != etGraphicControl) continue;
            const auto& rec = extension->ExtRec;
            if (rec[1] & 1) {
                if (rec[4] < item.ColorMap.Count) frame->transparentColor_ = item.ColorMap.Color(rec[4]);
            } else {
                frame->transparentColor_ = clNone;
            }
            frame->delayTime_ = static_cast<uint16_t>(std::max(frame->delayTime_, static_cast<uint16_t>(std::min(0xFFFF, (rec[2] | rec[3] << 8) * 10))));
            frame->disposal_ = static_cast<uint8_t>(rec[1] >> 2 & 7);
        }
        if (frame->Corrupted) image_.corrupted_ = true;
        image_.frames_.push_back(std::move(frame));
    }

    TGIFImage& image_;
    ByteCursor in_;
    std::vector<std::unique_ptr<TExtension>> kept_;
};

void TGIFFrame::Decode()
{
    if (!bitmap_) bitmap_ = std::make_unique<TBitmap>();
    const TGIFItem& item = *item_;
    if (item.ImageData.empty()) return;
    int bitCount = 0;
    if (item.BitsPerPixel == 1) bitCount = 1;
    else if (item.BitsPerPixel >= 2 && item.BitsPerPixel <= 4) bitCount = 4;
    else if (item.BitsPerPixel >= 5 && item.BitsPerPixel <= 8) bitCount = 8;
    else throw EInvalidGraphicOperation("Wrong number of colors; must be a power of 2");

    const TGifBitmapInfo layout{item.Width, item.Height, bitCount};
    const int64_t imageSize = GifImageSize(layout);
    const int64_t colorsSize = int64_t{4} << bitCount;
    const int64_t offset = static_cast<int64_t>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) + colorsSize;
    // Sizes are taken in 64 bits: a frame whose BMP would not fit is refused.
    if (imageSize < 0 || imageSize > INT32_MAX - offset) throw EInvalidGraphic("Bitmap image is not valid");

    std::vector<uint8_t> file(static_cast<size_t>(offset + imageSize));
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;
    header.bfSize = static_cast<DWORD>(file.size());
    header.bfOffBits = static_cast<DWORD>(offset);
    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = item.Width;
    info.biHeight = item.Height;
    info.biPlanes = 1;
    info.biBitCount = static_cast<WORD>(bitCount);
    info.biSizeImage = static_cast<DWORD>(imageSize);
    std::memcpy(file.data(), &header, sizeof(header));
    std::memcpy(file.data() + sizeof(header), &info, sizeof(info));
    uint8_t* colors = file.data() + sizeof(header) + sizeof(info);
    std::memset(colors, 128, static_cast<size_t>(colorsSize));
    for (uint32_t i = 0; i < std::min<uint32_t>(item.ColorMap.Count, 1u << bitCount); ++i) {
        colors[4 * i] = item.ColorMap.Entries[i][2];
        colors[4 * i + 1] = item.ColorMap.Entries[i][1];
        colors[4 * i + 2] = item.ColorMap.Entries[i][0];
        colors[4 * i + 3] = 0;
    }
    bool corrupted = false;
    try {
        DecodeGIFImage(item.ImageData.data(), item.ImageData.size(), layout, Interlaced,
                       owner_ ? owner_->OnProgress : TGifProgress{}, corrupted, file.data() + offset, item.BitsPerPixel,
                       GIFLoadCorrupted);
    } catch (const EGifFormatError& e) {
        throw EInvalidGraphicOperation(e.what());
    }
    Corrupted = Corrupted || corrupted;
    TMemoryStream stream;
    stream.WriteBuffer(file.data(), static_cast<int32_t>(file.size()));
    stream.SetPosition(0);
    bitmap_->LoadFromStream(stream);
    if (!bitmap_->Monochrome()) bitmap_->SetHandleType(bmDDB);
}

void TGIFImage::ReadGIF(int64_t count, TStream& stream, bool decodeFirst)
{
    Clear();
    if (count <= 0) return;
    if (count > INT32_MAX) ReadError();
    std::vector<uint8_t> bytes(static_cast<size_t>(count));
    stream.ReadBuffer(bytes.data(), static_cast<int32_t>(count));
    TGIFReader(*this, bytes).Read();
    if (!frames_.empty()) {
        frameIndex_ = 0;
        if (decodeFirst) {
            try {
                frames_.front()->Decode();
            } catch (...) {
                frames_.erase(frames_.begin());
                frameIndex_ = frames_.empty() ? -1 : 0;
                throw;
            }
        }
    }
    SetModified(true);
    Changed();
}

void TGIFImage::LoadFromStream(TStream& stream)
{
    ReadGIF(stream.GetSize() - stream.GetPosition(), stream, true);
}

void TGIFImage::ReadData(TStream& stream)
{
    int32_t size = 0;
    stream.ReadBuffer(&size, sizeof(size));
    ReadGIF(size, stream, true);
}

void TGIFImage::LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette)
{
    TClipboard* clipboard = Clipboard();
    if (clipboardFormat != 0 && clipboard->HasFormat(clipboardFormat)) {
        HANDLE gif = clipboard->GetAsHandle(clipboardFormat);
        const SIZE_T size = gif ? GlobalSize(gif) : 0;
        TMemoryStream stream;
        if (const void* bytes = size ? GlobalLock(gif) : nullptr) {
            stream.WriteBuffer(bytes, static_cast<int32_t>(size));
            GlobalUnlock(gif);
        }
        stream.SetPosition(0);
        int32_t length = 0;
        stream.ReadBuffer(&length, sizeof(length));
        ReadGIF(length, stream, false);
        if (!frames_.empty()) {
            frameIndex_ = 0;
            if (clipboard->HasFormat(CF_BITMAP)) {
                auto bitmap = std::make_unique<TBitmap>();
                bitmap->LoadFromClipboardFormat(CF_BITMAP, clipboard->GetAsHandle(CF_BITMAP), palette);
                frames_.front()->bitmap_ = std::move(bitmap);
            }
        }
        return;
    }
    TBitmap bitmap;
    bitmap.LoadFromClipboardFormat(format, data, palette);
    Assign(&bitmap);
}

void TGIFImage::SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette)
{
    if (frames_.empty()) return;
    TBitmap* first = frames_.front()->Bitmap();
    if (first) first->SaveToClipboardFormat(format, data, palette);
    const bool encoded = std::all_of(frames_.begin(), frames_.end(), [](const auto& f) { return !f->item_->ImageData.empty(); });
    if (!encoded || clipboardFormat == 0) return;
    TMemoryStream stream;
    WriteData(stream);
    HGLOBAL gif = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(stream.GetSize()));
    if (!gif) return;
    std::memcpy(GlobalLock(gif), stream.Memory(), static_cast<size_t>(stream.GetSize()));
    GlobalUnlock(gif);
    // The bitmap goes out through Format and Data; the GIF joins it on the open clipboard.
    Clipboard()->SetAsHandle(clipboardFormat, gif);
}

void StartUpGifCodec()
{
    if (startedUp) return;
    startedUp = true;
    clipboardFormat = RegisterClipboardFormatA("GIF Image");
    auto factory = [] { return std::unique_ptr<TGraphic>(new TGIFImage); };
    TPicture::RegisterFileFormat("gif", "CompuServe GIF Image", factory);
    TPicture::RegisterClipboardFormat(clipboardFormat, factory);
}

UINT GIFClipboardFormat()
{
    return clipboardFormat;
}
