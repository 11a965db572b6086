#include "GifCodec.h"

#include <algorithm>
#include <cstring>

#include "Canvas.h"
#include "ColorQuant.h"
#include "Exceptions.h"
#include "Picture.h"
#include "Streams.h"
#include "UxUtils.h"

TColorReduction DefaultColorReduction = crHistogram;
bool GIFLoadCorrupted = true;

namespace {

constexpr uint16_t MaxRepeatCount = 30000;
const char* const NoDataError = "No GIF Data to write";
const char* const ColorCountError = "Wrong number of colors; must be a power of 2";

// The smallest n from 1 with 2^n at least Count.
uint8_t BitsFor(uint32_t count)
{
    uint8_t n = 1;
    while ((1u << n) < count) ++n;
    return n;
}

// log2 of a colour count of 2 to 256, else the colour-count error.
uint8_t PowerOfTwoBits(uint32_t count)
{
    for (uint8_t n = 1; n <= 8; ++n)
        if ((1u << n) == count) return n;
    throw EInvalidGraphicOperation(ColorCountError);
}

TColor SwapRedBlue(TColor color)
{
    const uint32_t c = static_cast<uint32_t>(color);
    return static_cast<TColor>((c & 0xFF00FF00u) | (c & 0xFF) << 16 | (c >> 16 & 0xFF));
}

class ByteSink {
public:
    explicit ByteSink(std::vector<uint8_t>& out) : out_(out) {}
    void Byte(int b) { out_.push_back(static_cast<uint8_t>(b)); }
    void Word(int w)
    {
        Byte(w & 0xFF);
        Byte(w >> 8 & 0xFF);
    }
    void Bytes(const void* data, size_t count)
    {
        const auto* p = static_cast<const uint8_t*>(data);
        out_.insert(out_.end(), p, p + count);
    }
    void ColorMap(const TGIFColorMap& map)
    {
        for (uint32_t i = 0; i < map.Count; ++i) Bytes(map.Entries[i].data(), 3);
    }
    // One or more sub-blocks per string, so that no text is cut; empty strings
    // are left out.
    void SubBlocks(const std::vector<std::string>& strings)
    {
        for (const std::string& s : strings) {
            for (size_t at = 0; at < s.size(); at += 255) {
                const size_t n = std::min<size_t>(255, s.size() - at);
                Byte(static_cast<int>(n));
                Bytes(s.data() + at, n);
            }
        }
        Byte(0);
    }

private:
    std::vector<uint8_t>& out_;
};

// A BMP file image in memory, its headers checked against its size.
struct DibView {
    BITMAPINFOHEADER Info{};
    const RGBQUAD* Colors = nullptr;
    uint32_t ColorCount = 0;
    const uint8_t* Bits = nullptr;

    explicit DibView(const TMemoryStream& stream)
    {
        const auto* base = static_cast<const uint8_t*>(stream.Memory());
        const int64_t size = const_cast<TMemoryStream&>(stream).GetSize();
        BITMAPFILEHEADER file{};
        if (size < static_cast<int64_t>(sizeof(file) + sizeof(Info))) throw EInvalidGraphic("Bitmap image is not valid");
        std::memcpy(&file, base, sizeof(file));
        std::memcpy(&Info, base + sizeof(file), sizeof(Info));
        if (Info.biBitCount != 1 && Info.biBitCount != 4 && Info.biBitCount != 8)
            throw EInvalidGraphicOperation("GIF image encoding error");
        const TGifBitmapInfo layout{Info.biWidth, std::abs(Info.biHeight), Info.biBitCount};
        const int64_t image = GifImageSize(layout);
        if (image < 0 || file.bfOffBits + image > size) throw EInvalidGraphic("Bitmap image is not valid");
        const uint32_t full = 1u << Info.biBitCount;
        ColorCount = Info.biClrUsed == 0 || Info.biClrUsed > full ? full : Info.biClrUsed;
        const int64_t colorsAt = static_cast<int64_t>(sizeof(file)) + Info.biSize;
        if (colorsAt + ColorCount * sizeof(RGBQUAD) > file.bfOffBits) throw EInvalidGraphic("Bitmap image is not valid");
        Colors = reinterpret_cast<const RGBQUAD*>(base + colorsAt);
        Bits = base + file.bfOffBits;
    }
};

}  // namespace

int TGIFColorMap::IndexOf(TColor color) const
{
    for (uint32_t i = 0; i < Count; ++i)
        if (Color(static_cast<int>(i)) == color) return static_cast<int>(i);
    return -1;
}

TColor TGIFColorMap::Color(int index) const
{
    const auto& e = Entries[static_cast<size_t>(index)];
    return static_cast<TColor>(RGB(e[0], e[1], e[2]));
}

void TExtension::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TExtension*>(source)) {
        ExtType = other->ExtType;
        Data = other->Data;
        ExtRec = other->ExtRec;
        return;
    }
    TPersistent::Assign(source);
}

uint8_t TExtension::Label() const
{
    static constexpr uint8_t Labels[] = {0xF9, 0x01, 0xFF, 0xFE};
    return Labels[ExtType];
}

// ---- Frames -------------------------------------------------------------

TGIFFrame::TGIFFrame(TGIFImage* owner) : owner_(owner), item_(std::make_shared<TGIFItem>()) {}

TGIFFrame::~TGIFFrame() = default;

void TGIFFrame::Assign(const TPersistent* source)
{
    if (!source) {
        item_ = std::make_shared<TGIFItem>();
        bitmap_.reset();
    } else if (const auto* frame = dynamic_cast<const TGIFFrame*>(source)) {
        item_ = frame->item_;
        origin_ = frame->origin_;
        Interlaced = frame->Interlaced;
        bitmap_.reset();
        if (frame->bitmap_) {
            bitmap_ = std::make_unique<TBitmap>();
            bitmap_->Assign(frame->bitmap_.get());
        }
        transparentColor_ = frame->transparentColor_;
        delayTime_ = frame->delayTime_;
        disposal_ = frame->disposal_;
        Grayscale = frame->Grayscale;
        Corrupted = frame->Corrupted;
        LocalColors = frame->owner_ == owner_ ? frame->LocalColors : true;
        extensions_.clear();
        for (const auto& extension : frame->extensions_) {
            if (extension->ExtType != etComment) continue;
            extensions_.push_back(std::make_unique<TExtension>());
            extensions_.back()->Assign(extension.get());
        }
    } else if (const auto* image = dynamic_cast<const TGIFImage*>(source)) {
        if (image->frames_.empty()) return;
        Assign(image->frames_[static_cast<size_t>(std::max(image->frameIndex_, 0))].get());
        return;
    } else if (auto* graphic = dynamic_cast<TGraphic*>(const_cast<TPersistent*>(source))) {
        if (graphic->Empty()) return;
        AssignGraphic(*graphic);
    } else {
        TPersistent::Assign(source);
        return;
    }
    if (owner_) owner_->RecomputeScreen();
}

void TGIFFrame::AssignGraphic(TGraphic& graphic)
{
    item_ = std::make_shared<TGIFItem>();
    bitmap_ = std::make_unique<TBitmap>();
    if (auto* source = dynamic_cast<TBitmap*>(&graphic)) {
        bitmap_->Assign(source);
        if (graphic.Transparent()) transparentColor_ = source->TransparentColor();
        return;
    }
    try {
        bitmap_->Assign(&graphic);
    } catch (const EConvertError&) {
        bitmap_->Canvas().Brush().SetColor(0xFF00FF);
        bitmap_->SetSize(graphic.Width(), graphic.Height());
        bitmap_->Canvas().Draw(0, 0, graphic);
    }
    if (graphic.Transparent())
        transparentColor_ =
            static_cast<TColor>(GetNearestColor(bitmap_->Canvas().Handle(), ColorToRGB(bitmap_->Canvas().Brush().GetColor())));
}

TBitmap* TGIFFrame::Bitmap()
{
    if (!bitmap_ || bitmap_->Empty()) Decode();
    return bitmap_.get();
}

int TGIFFrame::Width()
{
    TBitmap* bitmap = Bitmap();
    return bitmap ? bitmap->Width() : 0;
}

int TGIFFrame::Height()
{
    TBitmap* bitmap = Bitmap();
    return bitmap ? bitmap->Height() : 0;
}

void TGIFFrame::SetOrigin(TPoint origin)
{
    if (origin.x == origin_.x && origin.y == origin_.y) return;
    origin_ = origin;
    if (owner_) {
        owner_->GrowScreen(origin_, item_->Width, item_->Height);
        owner_->Changed();
    }
}

void TGIFFrame::SetDelayTime(uint16_t milliseconds)
{
    if (milliseconds == delayTime_) return;
    delayTime_ = milliseconds;
    if (!owner_) return;
    if (milliseconds != 0) owner_->UpgradeVersion();
    owner_->Changed();
}

void TGIFFrame::SetTransparentColor(TColor color)
{
    if (color == transparentColor_) return;
    transparentColor_ = color;
    if (!owner_) return;
    if (color != clNone) owner_->UpgradeVersion();
    owner_->Changed();
}

void TGIFFrame::SetDisposal(uint8_t method)
{
    if (method == disposal_) return;
    disposal_ = method;
    if (!owner_) return;
    if (method != 0) owner_->UpgradeVersion();
    owner_->Changed();
}

void TGIFFrame::Encode()
{
    if (!bitmap_ || bitmap_->Empty()) throw EInvalidGraphicOperation(NoDataError);
    std::unique_ptr<TMemoryStream> stream;
    const TPixelFormat format = bitmap_->PixelFormat();
    if (format == pf1bit || format == pf4bit || format == pf8bit) {
        stream = std::make_unique<TMemoryStream>();
        bitmap_->SaveToStream(*stream);
    } else {
        const TColorReduction method = Grayscale ? crGrayscale : DefaultColorReduction;
        TColor transparent = static_cast<TColor>(ColorToRGB(transparentColor_));
        stream = BitmapToDIBStream(*bitmap_, pf8bit, method, transparent);
        // The reduction speaks of pixel values (red in the third byte).
        if (transparentColor_ != clNone) transparentColor_ = SwapRedBlue(transparent);
        if (method == crGrayscale) Grayscale = true;
    }
    const DibView dib(*stream);
    Interlaced = false;
    auto item = std::make_shared<TGIFItem>();
    item->ColorMap.Count = 1u << dib.Info.biBitCount;
    for (uint32_t i = 0; i < dib.ColorCount; ++i)
        item->ColorMap.Entries[i] = {dib.Colors[i].rgbRed, dib.Colors[i].rgbGreen, dib.Colors[i].rgbBlue};
    item_ = std::make_shared<TGIFItem>();
    const TGifBitmapInfo layout{dib.Info.biWidth, std::abs(dib.Info.biHeight), dib.Info.biBitCount};
    EncodeGIFImage(item->ImageData, layout, false, owner_ ? owner_->OnProgress : TGifProgress{}, dib.Bits);
    item->BitsPerPixel = BitsFor(item->ColorMap.Count);
    item->Width = bitmap_->Width();
    item->Height = bitmap_->Height();
    item_ = item;
    LocalColors = true;
    if (!owner_) return;
    TGIFData& data = *owner_->data_;
    if (data.ColorMap.Count == 0) {
        data.ColorMap = item->ColorMap;
        data.BitsPerPixel = item->BitsPerPixel;
    }
    owner_->GrowScreen(origin_, item->Width, item->Height);
}

void TGIFFrame::UpdateExtensions()
{
    auto control = std::find_if(extensions_.begin(), extensions_.end(),
                                [](const auto& e) { return e->ExtType == etGraphicControl; });
    if (control == extensions_.end() && (delayTime_ != 0 || transparentColor_ != clNone || disposal_ != 0)) {
        extensions_.push_back(std::make_unique<TExtension>(etGraphicControl));
        extensions_.back()->ExtRec[0] = 4;
        control = extensions_.end() - 1;
    }
    if (control != extensions_.end()) {
        auto& rec = (*control)->ExtRec;
        const uint16_t delay = static_cast<uint16_t>(delayTime_ / 10);
        rec[2] = static_cast<uint8_t>(delay & 0xFF);
        rec[3] = static_cast<uint8_t>(delay >> 8);
        const int index = transparentColor_ == clNone ? -1 : item_->ColorMap.IndexOf(transparentColor_);
        if (index < 0) {
            rec[1] &= 0xFE;
        } else {
            rec[1] |= 1;
            rec[4] = static_cast<uint8_t>(index);
        }
        rec[1] = static_cast<uint8_t>((rec[1] & ~0x1C) | (disposal_ & 7) << 2);
    }
    std::erase_if(extensions_, [](const auto& e) { return e->ExtType == etComment && e->Data.empty(); });
    if (!extensions_.empty() && owner_) owner_->UpgradeVersion();
}

// ---- Writing -----------------------------------------------------------------

class TGIFWriter {
public:
    TGIFWriter(TGIFImage& image, std::vector<uint8_t>& out) : image_(image), out_(out) {}

    // Encodes what is not encoded yet and brings the extensions up to date.
    void Prepare(bool staged)
    {
        if (image_.frames_.empty()) throw EInvalidGraphicOperation(NoDataError);
        for (auto& frame : image_.frames_) {
            if (frame->item_->ImageData.empty()) {
                try {
                    frame->Encode();
                } catch (const EAbort&) {
                    frame->item_ = std::make_shared<TGIFItem>();
                    throw;
                }
                if (staged && frame->bitmap_ && !frame->bitmap_->Palette()) {
                    frame->bitmap_.reset();
                    try {
                        frame->Decode();
                    } catch (const EAbort&) {
                    }
                }
            }
            frame->UpdateExtensions();
        }
        if (!image_.data_->Comment.empty()) image_.UpgradeVersion();
    }

    void Header(bool withLoop)
    {
        out_.Bytes(image_.version_ == 1 ? "GIF87a" : "GIF89a", 6);
        image_.RecomputeScreen();
        const TGIFData& data = *image_.data_;
        int packed = 0;
        if (data.ColorMap.Count > 0)
            packed = 0x80 + (PowerOfTwoBits(data.ColorMap.Count) - 1) * 16 + (std::max<int>(data.BitsPerPixel, 1) - 1);
        out_.Word(image_.screenWidth_);
        out_.Word(image_.screenHeight_);
        out_.Byte(packed);
        const int background = image_.backgroundColor_ == clNone ? -1 : data.ColorMap.IndexOf(image_.backgroundColor_);
        out_.Byte(std::max(background, 0));
        out_.Byte(data.AspectRatio);
        out_.ColorMap(data.ColorMap);
        if (!withLoop || !image_.looping_) return;
        out_.Bytes("\x21\xFF\x0BNETSCAPE2.0\x03\x01", 16);
        out_.Word(image_.repeatCount_);
        out_.Byte(0);
    }

    void Frames()
    {
        for (auto& frame : image_.frames_) {
            for (const auto& extension : frame->extensions_) Extension(*extension);
            TGIFItem& item = *frame->item_;
            out_.Byte(',');
            out_.Word(frame->origin_.x);
            out_.Word(frame->origin_.y);
            out_.Word(item.Width);
            out_.Word(item.Height);
            int packed = 0;
            if (frame->LocalColors) {
                item.BitsPerPixel = BitsFor(item.ColorMap.Count);
                packed = 0x80 + item.BitsPerPixel - 1;
            }
            if (frame->Interlaced) packed += 0x40;
            out_.Byte(packed);
            if (frame->LocalColors) {
                TGIFColorMap padded = item.ColorMap;
                padded.Count = 1u << item.BitsPerPixel;
                out_.ColorMap(padded);
            }
            out_.Bytes(item.ImageData.data(), item.ImageData.size());
        }
    }

    void Trailer()
    {
        if (!image_.data_->Comment.empty()) {
            out_.Byte(0x21);
            out_.Byte(0xFE);
            out_.SubBlocks(image_.data_->Comment);
        }
        out_.Byte(';');
    }

private:
    void Extension(const TExtension& extension)
    {
        out_.Byte(0x21);
        out_.Byte(extension.Label());
        switch (extension.ExtType) {
        case etGraphicControl: out_.Bytes(extension.ExtRec.data(), 6); return;
        case etPlainText: out_.Bytes(extension.ExtRec.data(), 13); break;
        case etApplication: out_.Bytes(extension.ExtRec.data(), 12); break;
        case etComment: break;
        }
        out_.SubBlocks(extension.Data);
    }

    TGIFImage& image_;
    ByteSink out_;
};

// ---- Images ------------------------------------------------------------------

TGIFImage::TGIFImage()
{
    Reset();
    SetTransparent(true);
}

TGIFImage::~TGIFImage() = default;

void TGIFImage::Reset()
{
    data_ = std::make_shared<TGIFData>();
    frames_.clear();
    corrupted_ = false;
    frameIndex_ = -1;
    backgroundColor_ = clNone;
    repeatCount_ = 1;
    looping_ = false;
    version_ = 2;
    screenWidth_ = screenHeight_ = 0;
}

void TGIFImage::Clear()
{
    Assign(nullptr);
}

void TGIFImage::Assign(const TPersistent* source)
{
    if (source == this) return;
    if (!source) {
        Reset();
    } else if (const auto* image = dynamic_cast<const TGIFImage*>(source)) {
        frames_.clear();
        data_ = image->data_;
        version_ = image->version_;
        backgroundColor_ = image->backgroundColor_;
        repeatCount_ = image->repeatCount_;
        looping_ = image->looping_;
        corrupted_ = image->corrupted_;
        screenWidth_ = image->screenWidth_;
        screenHeight_ = image->screenHeight_;
        for (const auto& frame : image->frames_) {
            frames_.push_back(std::make_unique<TGIFFrame>(this));
            frames_.back()->Assign(frame.get());
            frames_.back()->LocalColors = frame->LocalColors;
        }
        frameIndex_ = image->frameIndex_;
    } else if (const auto* frame = dynamic_cast<const TGIFFrame*>(source)) {
        Reset();
        if (frame->owner_) {
            const TGIFData& from = *frame->owner_->data_;
            data_->AspectRatio = from.AspectRatio;
            data_->BitsPerPixel = from.BitsPerPixel;
            data_->ColorResBits = from.ColorResBits;
            data_->ColorMap = from.ColorMap;
        }
        const int index = static_cast<int>(frames_.size());
        frames_.push_back(std::make_unique<TGIFFrame>(this));
        frameIndex_ = index;
        frames_.back()->Assign(frame);
    } else if (auto* bitmap = dynamic_cast<TBitmap*>(const_cast<TPersistent*>(source))) {
        Reset();
        AddFrame(bitmap);
    } else {
        TGraphic::Assign(source);
        return;
    }
    Changed();
}

void TGIFImage::AssignTo(TPersistent* dest) const
{
    auto* frame = CurrentFrame();
    if (!frame && !frames_.empty()) frame = frames_.front().get();
    if (Empty() || !frame) return;
    TBitmap* bitmap = frame->Bitmap();
    if (!bitmap) return;
    dest->Assign(bitmap);
    auto* target = dynamic_cast<TBitmap*>(dest);
    if (!target || frame->transparentColor_ == clNone) return;
    target->SetTransparentColor(
        static_cast<TColor>(GetNearestColor(target->Canvas().Handle(), ColorToRGB(frame->transparentColor_))));
    target->SetTransparent(true);
}

TGIFFrame* TGIFImage::CurrentFrame() const
{
    if (frameIndex_ < 0 || frameIndex_ >= FrameCount()) return nullptr;
    return frames_[static_cast<size_t>(frameIndex_)].get();
}

bool TGIFImage::Empty() const
{
    if (frames_.empty()) return true;
    const TGIFFrame* frame = CurrentFrame();
    if (!frame) return false;
    return (!frame->bitmap_ || frame->bitmap_->Empty()) && frame->item_->ImageData.empty();
}

int TGIFImage::Width() const
{
    TGIFFrame* frame = CurrentFrame();
    return frame && !Empty() ? frame->Width() : 0;
}

int TGIFImage::Height() const
{
    TGIFFrame* frame = CurrentFrame();
    return frame && !Empty() ? frame->Height() : 0;
}

void TGIFImage::SetWidth(int)
{
    throw EInvalidGraphicOperation("Cannot change the Size of a GIF image");
}

void TGIFImage::SetHeight(int)
{
    throw EInvalidGraphicOperation("Cannot change the Size of a GIF image");
}

bool TGIFImage::IsTransparent() const
{
    return Transparent() &&
           std::any_of(frames_.begin(), frames_.end(), [](const auto& f) { return f->transparentColor_ != clNone; });
}

HPALETTE TGIFImage::Palette()
{
    TGIFFrame* frame = CurrentFrame();
    TBitmap* bitmap = frame ? frame->Bitmap() : nullptr;
    return bitmap ? bitmap->Palette() : nullptr;
}

void TGIFImage::Draw(TCanvas& canvas, const TRect& rect)
{
    TGIFFrame* frame = CurrentFrame();
    TBitmap* bitmap = frame ? frame->Bitmap() : nullptr;
    if (!bitmap) return;
    const TColor key = Transparent() ? frame->transparentColor_ : clNone;
    StretchBitmapKeyed(canvas, rect.left, rect.top, RectWidth(rect), RectHeight(rect), *bitmap, 0, 0, 0, 0, key);
}

int TGIFImage::AddFrame(TGraphic* graphic)
{
    const int index = static_cast<int>(frames_.size());
    frames_.push_back(std::make_unique<TGIFFrame>(this));
    frameIndex_ = index;
    frames_.back()->Assign(graphic);
    if (version_ == 0) version_ = 1;
    if (frames_.size() > 1) version_ = 2;
    return index;
}

TGIFFrame& TGIFImage::GetFrame(int index)
{
    if (index < 0 || index >= FrameCount()) ListIndexError(index);
    return *frames_[static_cast<size_t>(index)];
}

void TGIFImage::SetFrameIndex(int index)
{
    if (index < -1 || index >= FrameCount()) ListIndexError(index);
    if (index == frameIndex_) return;
    frameIndex_ = index;
    Changed();
}

void TGIFImage::SetBackgroundColor(TColor color)
{
    if (color == backgroundColor_) return;
    backgroundColor_ = color;
    Changed();
}

void TGIFImage::SetLooping(bool looping)
{
    if (looping == looping_) return;
    looping_ = looping;
    Changed();
}

void TGIFImage::SetRepeatCount(int count)
{
    const auto stored = static_cast<uint16_t>(std::clamp(count, 0, static_cast<int>(MaxRepeatCount)));
    if (stored == repeatCount_) return;
    repeatCount_ = stored;
    Changed();
}

void TGIFImage::GrowScreen(TPoint origin, int width, int height)
{
    screenWidth_ = static_cast<uint16_t>(std::clamp<int64_t>(std::max<int64_t>(screenWidth_, int64_t{origin.x} + width), 0, 0xFFFF));
    screenHeight_ =
        static_cast<uint16_t>(std::clamp<int64_t>(std::max<int64_t>(screenHeight_, int64_t{origin.y} + height), 0, 0xFFFF));
}

void TGIFImage::RecomputeScreen()
{
    screenWidth_ = screenHeight_ = 0;
    for (const auto& frame : frames_) {
        // A frame known only by its encoded data has the item's size.
        const bool painted = frame->bitmap_ && !frame->bitmap_->Empty();
        GrowScreen(frame->origin_, painted ? frame->bitmap_->Width() : frame->item_->Width,
                   painted ? frame->bitmap_->Height() : frame->item_->Height);
    }
}

void TGIFImage::SaveToStream(TStream& stream)
{
    std::vector<uint8_t> bytes;
    TGIFWriter writer(*this, bytes);
    writer.Prepare(false);
    writer.Header(frames_.size() > 1);
    writer.Frames();
    writer.Trailer();
    stream.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
}

void TGIFImage::WriteData(TStream& stream)
{
    TMemoryStream whole;
    SaveToStream(whole);
    const int32_t size = static_cast<int32_t>(whole.GetSize());
    stream.WriteBuffer(&size, sizeof(size));
    stream.WriteBuffer(whole.Memory(), size);
}

void TGIFImage::SaveToFileStreamStage(TStream& stream, int stage)
{
    std::vector<uint8_t> bytes;
    TGIFWriter writer(*this, bytes);
    writer.Prepare(true);
    switch (stage) {
    case 0: writer.Header(true); break;
    case 1: writer.Frames(); break;
    case 2: writer.Trailer(); break;
    default: return;
    }
    stream.Seek(0, soFromEnd);
    stream.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
}
