#include "Graphics.h"

#include "Canvas.h"
#include "DibLayout.h"
#include "Exceptions.h"
#include "Streams.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <cstdlib>
#include <vector>

void TGraphic::SetTransparent(bool transparent)
{
    if (transparent == transparent_) return;
    transparent_ = transparent;
    Changed();
}

void TGraphic::LoadFromFile(const std::string& fileName)
{
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::string& fileName)
{
    TFileStream stream(fileName, fmCreate);
    SaveToStream(stream);
}

void TGraphic::LoadFromClipboardFormat(UINT, HANDLE, HPALETTE)
{
    throw EInvalidGraphic("Unsupported clipboard format");
}

void TGraphic::SaveToClipboardFormat(UINT&, HANDLE&, HPALETTE&)
{
    throw EInvalidGraphic("Unsupported clipboard format");
}

void TGraphic::Changed()
{
    modified_ = true;
    if (OnChange) OnChange(this);
}

// One picture: the bitmap, and for a DIB section where its pixels lie.
struct TBitmapImage : TSharedImage {
    TBitmapHandle handle;
    BYTE* bits = nullptr;
    int width = 0;
    int height = 0;
    TPixelFormat format = pf24bit;
    bool topDown = false;
    // Made from the colour table when asked for.
    TPaletteHandle palette;
};

// The bitmap's canvas draws on a memory DC with the bitmap selected.
class TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap& bitmap) : bitmap_(bitmap) {}
    ~TBitmapCanvas() override { SetHandle(nullptr); }
    std::string ClassName() const override { return "TBitmapCanvas"; }

protected:
    HDC CreateHandle() override
    {
        bitmap_.Unshare();
        HDC dc = CreateCompatibleDC(nullptr);
        if (bitmap_.image_->handle) SelectObject(dc, bitmap_.image_->handle.Get());
        return dc;
    }
    // Deleting the DC takes the bitmap out of it.
    void FreeHandle(HDC dc) override { DeleteDC(dc); }

private:
    TBitmap& bitmap_;
};

namespace {

int BitsPerPixel(TPixelFormat format)
{
    constexpr int Bits[] = {0, 1, 4, 8, 16, 16, 24, 32};
    return Bits[format];
}

bool Paletted(TPixelFormat format) { return format >= pf1bit && format <= pf8bit; }

int LineSize(int width, int bits) { return (width * bits + 31) / 32 * 4; }

constexpr DWORD Masks565[] = {0xF800, 0x07E0, 0x001F};

// A DIB header with room for a 256-colour table or the masks of 16-bit pixels.
struct TDibHeader {
    BITMAPINFOHEADER header{};
    std::array<RGBQUAD, 256> colors{};

    BITMAPINFO* Info() { return reinterpret_cast<BITMAPINFO*>(this); }
    int ColorCount() const { return static_cast<int>(header.biClrUsed); }
};

std::vector<RGBQUAD> DefaultColors(TPixelFormat format)
{
    std::vector<RGBQUAD> colors;
    if (format == pf1bit) {
        colors = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    } else if (format == pf4bit) {
        // The 16 standard colours in their usual order (blue, green, red).
        constexpr COLORREF Standard[] = {clBlack, clMaroon, clGreen, clOlive, clNavy,   clPurple, clTeal, clGray,
                                         clSilver, clRed,   clLime,  clYellow, clBlue, clFuchsia, clAqua, clWhite};
        for (COLORREF c : Standard) colors.push_back({GetBValue(c), GetGValue(c), GetRValue(c), 0});
    } else if (format == pf8bit) {
        for (int i = 0; i < 256; ++i) colors.push_back({BYTE(i), BYTE(i), BYTE(i), 0});
    }
    return colors;
}

TDibHeader DescribeDib(int width, int height, TPixelFormat format, const std::vector<RGBQUAD>& colors)
{
    TDibHeader dib;
    dib.header.biSize = sizeof dib.header;
    dib.header.biWidth = width;
    dib.header.biHeight = height;  // positive: bottom-up
    dib.header.biPlanes = 1;
    dib.header.biBitCount = static_cast<WORD>(BitsPerPixel(format));
    dib.header.biCompression = BI_RGB;
    if (format == pf16bit) {
        dib.header.biCompression = BI_BITFIELDS;
        std::memcpy(dib.colors.data(), Masks565, sizeof Masks565);
    } else if (Paletted(format)) {
        const size_t count = std::min(colors.size(), size_t{1} << BitsPerPixel(format));
        dib.header.biClrUsed = static_cast<DWORD>(count);
        std::copy_n(colors.begin(), count, dib.colors.begin());
    }
    return dib;
}

// Holds a memory DC with an image selected.
TMemoryDCHandle SelectInto(HBITMAP bitmap)
{
    TMemoryDCHandle dc(CreateCompatibleDC(nullptr));
    SelectObject(dc.Get(), bitmap);
    return dc;
}

std::vector<RGBQUAD> ColorTable(HDC dc)
{
    std::vector<RGBQUAD> colors(256);
    colors.resize(GetDIBColorTable(dc, 0, 256, colors.data()));
    return colors;
}

std::shared_ptr<TBitmapImage> MakeImage(int width, int height, TPixelFormat format, const std::vector<RGBQUAD>& colors)
{
    auto image = std::make_shared<TBitmapImage>();
    image->width = std::max(width, 0);
    image->height = std::max(height, 0);
    image->format = format;
    if (image->width == 0 || image->height == 0) return image;
    if (format == pfDevice) {
        HDC screen = GetDC(nullptr);
        image->handle.Reset(CreateCompatibleBitmap(screen, width, height));
        ReleaseDC(nullptr, screen);
    } else {
        TDibHeader dib = DescribeDib(width, height, format, colors);
        void* bits = nullptr;
        image->handle.Reset(CreateDIBSection(nullptr, dib.Info(), DIB_RGB_COLORS, &bits, nullptr, 0));
        image->bits = static_cast<BYTE*>(bits);
    }
    if (!image->handle) throw EOutOfMemory("Out of system resources");
    return image;
}

BYTE* Row(const TBitmapImage& image, int row)
{
    const int line = LineSize(image.width, BitsPerPixel(image.format));
    return image.bits + static_cast<size_t>(image.topDown ? row : image.height - 1 - row) * line;
}

// Whatever of From fits into To, at the top left. Images of one DIB format
// keep their exact pixels; others go through GDI, which converts colours.
void CopyPicture(const TBitmapImage& from, TBitmapImage& to)
{
    if (!from.handle || !to.handle) return;
    GdiFlush();
    const int width = std::min(from.width, to.width);
    const int height = std::min(from.height, to.height);
    if (from.bits && to.bits && from.format == to.format) {
        // Pixels of a byte's last bits that lie past the width stay black.
        const size_t bits = static_cast<size_t>(width) * BitsPerPixel(from.format);
        const BYTE lastMask = static_cast<BYTE>(0xFF00 >> (bits % 8));
        for (int row = 0; row < height; ++row) {
            std::memcpy(Row(to, row), Row(from, row), bits / 8);
            if (bits % 8) Row(to, row)[bits / 8] = Row(from, row)[bits / 8] & lastMask;
        }
        return;
    }
    TMemoryDCHandle source = SelectInto(from.handle.Get());
    TMemoryDCHandle dest = SelectInto(to.handle.Get());
    SetStretchBltMode(dest.Get(), COLORONCOLOR);
    BitBlt(dest.Get(), 0, 0, width, height, source.Get(), 0, 0, SRCCOPY);
}

// The colours a picture's copy in Format starts with: the picture's own
// table when the format keeps it, else the format's own. PictureDC has the
// picture selected, or is null for no picture.
std::vector<RGBQUAD> StartingColors(HDC pictureDC, TPixelFormat from, TPixelFormat to)
{
    if (pictureDC && from == to && Paletted(to)) return ColorTable(pictureDC);
    if (pictureDC && to == pf8bit) {
        // Colours the grey ramp would lose: the halftone palette keeps them near.
        HDC screen = GetDC(nullptr);
        TPaletteHandle halftone(CreateHalftonePalette(screen));
        ReleaseDC(nullptr, screen);
        std::array<PALETTEENTRY, 256> entries{};
        const UINT count = GetPaletteEntries(halftone.Get(), 0, 256, entries.data());
        std::vector<RGBQUAD> colors;
        for (UINT i = 0; i < count; ++i) colors.push_back({entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0});
        return colors;
    }
    return DefaultColors(to);
}

// The system reports a section's height without its sign, so whether its
// rows run top-down is told by which pixel the first stored byte changes.
bool StoredTopDown(HBITMAP section, BYTE* bits, int height)
{
    if (height < 2) return false;
    TMemoryDCHandle dc = SelectInto(section);
    GdiFlush();
    const COLORREF before = GetPixel(dc.Get(), 0, 0);
    bits[0] ^= 0xFF;
    const bool topDown = GetPixel(dc.Get(), 0, 0) != before;
    bits[0] ^= 0xFF;
    return topDown;
}

TPixelFormat FormatOfDib(int bitCount, DWORD compression, DWORD greenMask)
{
    switch (bitCount) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 16: return compression == BI_BITFIELDS && greenMask == Masks565[1] ? pf16bit : pf15bit;
    case 24: return pf24bit;
    case 32: return pf32bit;
    default: throw EInvalidGraphic("Bitmap image is not valid");
    }
}

}

TBitmap::TBitmap() : image_(std::make_shared<TBitmapImage>()) {}

TBitmap::~TBitmap() = default;

void TBitmap::Assign(const TPersistent* source)
{
    if (!source) {
        ReplaceImage(std::make_shared<TBitmapImage>());
        Changed();
        return;
    }
    auto* bitmap = dynamic_cast<const TBitmap*>(source);
    if (!bitmap) {
        TGraphic::Assign(source);
        return;
    }
    if (bitmap == this) return;
    // A shared picture is in no DC: whichever draws next copies it first.
    bitmap->FreeContext();
    ReplaceImage(bitmap->image_);
    transparentColor_ = bitmap->transparentColor_;
    transparentMode_ = bitmap->transparentMode_;
    SetTransparent(bitmap->Transparent());
    Changed();
}

bool TBitmap::Empty() const { return !image_->handle; }
int TBitmap::Width() const { return image_->width; }
int TBitmap::Height() const { return image_->height; }
TPixelFormat TBitmap::PixelFormat() const { return image_->format; }
HBITMAP TBitmap::Handle() const { return image_->handle.Get(); }

void TBitmap::SetSize(int width, int height)
{
    if (width == Width() && height == Height()) return;
    auto image = MakeImage(width, height, PixelFormat(), ColorsFor(PixelFormat()));
    FreeContext();
    CopyPicture(*image_, *image);
    ReplaceImage(std::move(image));
    Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat pixelFormat)
{
    if (pixelFormat == PixelFormat()) return;
    auto image = MakeImage(Width(), Height(), pixelFormat, ColorsFor(pixelFormat));
    FreeContext();
    CopyPicture(*image_, *image);
    ReplaceImage(std::move(image));
    Changed();
}

void TBitmap::SetHandleType(TBitmapHandleType type)
{
    if (type != HandleType()) SetPixelFormat(type == bmDDB ? pfDevice : pf32bit);
}

bool TBitmap::Monochrome() const
{
    if (!image_->handle) return PixelFormat() == pf1bit;
    if (PixelFormat() == pfDevice) {
        BITMAP description{};
        GetObjectA(image_->handle.Get(), sizeof description, &description);
        return description.bmBitsPixel == 1;
    }
    if (PixelFormat() != pf1bit) return false;
    const auto colors = ColorsFor(pf1bit);
    auto same = [](RGBQUAD a, RGBQUAD b) { return a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue; };
    const auto blackAndWhite = DefaultColors(pf1bit);
    return colors.size() == 2 && same(colors[0], blackAndWhite[0]) && same(colors[1], blackAndWhite[1]);
}

void TBitmap::SetMonochrome(bool monochrome)
{
    if (monochrome == Monochrome()) return;
    if (!monochrome) {
        SetPixelFormat(pfDevice);
        return;
    }
    // A 1-bit picture in other colours is first made colour again, so it
    // is converted to black and white by brightness.
    if (PixelFormat() == pf1bit) SetPixelFormat(pf24bit);
    SetPixelFormat(pf1bit);
}

int TBitmap::ScanLineSize() const
{
    return LineSize(Width(), BitsPerPixel(PixelFormat()));
}

void* TBitmap::ScanLine(int row)
{
    if (!image_->bits || row < 0 || row >= Height()) throw EInvalidGraphicOperation("Scan line index out of range");
    Unshare();
    GdiFlush();
    return Row(*image_, row);
}

void TBitmap::SetHandle(HBITMAP bitmap)
{
    auto image = std::make_shared<TBitmapImage>();
    if (bitmap) {
        DIBSECTION section{};
        if (GetObjectA(bitmap, sizeof section, &section) == sizeof section) {
            image->format = FormatOfDib(section.dsBmih.biBitCount, section.dsBmih.biCompression, section.dsBitfields[1]);
            image->bits = static_cast<BYTE*>(section.dsBm.bmBits);
            image->topDown = section.dsBmih.biHeight < 0 || StoredTopDown(bitmap, image->bits, section.dsBm.bmHeight);
        } else if (GetObjectA(bitmap, sizeof section.dsBm, &section.dsBm)) {
            image->format = pfDevice;
        } else {
            throw EInvalidGraphic("Bitmap image is not valid");
        }
        image->width = section.dsBm.bmWidth;
        image->height = section.dsBm.bmHeight;
        image->handle.Reset(bitmap);
    }
    ReplaceImage(std::move(image));
    Changed();
}

HBITMAP TBitmap::ReleaseHandle()
{
    FreeContext();
    Unshare();
    HBITMAP bitmap = image_->handle.Release();
    auto empty = std::make_shared<TBitmapImage>();
    empty->format = PixelFormat();
    ReplaceImage(std::move(empty));
    Changed();
    return bitmap;
}

HPALETTE TBitmap::Palette()
{
    if (!Paletted(PixelFormat()) || !image_->handle) return nullptr;
    if (!image_->palette) {
        TMemoryDCHandle temporary;
        const auto colors = ColorTable(PictureDC(temporary));
        struct {
            WORD version, count;
            PALETTEENTRY entries[256];
        } palette{0x300, static_cast<WORD>(colors.size()), {}};
        for (size_t i = 0; i < colors.size(); ++i)
            palette.entries[i] = {colors[i].rgbRed, colors[i].rgbGreen, colors[i].rgbBlue, 0};
        image_->palette.Reset(CreatePalette(reinterpret_cast<LOGPALETTE*>(&palette)));
    }
    return image_->palette.Get();
}

void TBitmap::SetPalette(HPALETTE palette)
{
    if (!palette || !Paletted(PixelFormat()) || !image_->handle) return;
    Unshare();
    std::array<PALETTEENTRY, 256> entries{};
    const UINT count = GetPaletteEntries(palette, 0, 256, entries.data());
    std::vector<RGBQUAD> colors;
    for (UINT i = 0; i < count; ++i) colors.push_back({entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0});
    TMemoryDCHandle temporary;
    SetDIBColorTable(PictureDC(temporary), 0, count, colors.data());
    image_->palette.Reset();
    Changed();
}

TCanvas& TBitmap::Canvas()
{
    if (!canvas_) {
        canvas_ = std::make_unique<TBitmapCanvas>(*this);
        canvas_->OnChange = [this](TObject*) { Changed(); };
    }
    return *canvas_;
}

TColor TBitmap::TransparentColor()
{
    if (transparentMode_ == tmFixed && transparentColor_ != clDefault) return transparentColor_;
    if (Empty()) return clDefault;
    TMemoryDCHandle temporary;
    return static_cast<TColor>(GetPixel(PictureDC(temporary), 0, Height() - 1));
}

void TBitmap::SetTransparentColor(TColor color)
{
    if (color == transparentColor_ && transparentMode_ == tmFixed) return;
    transparentColor_ = color;
    transparentMode_ = color == clDefault ? tmAuto : tmFixed;
    Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode mode)
{
    if (mode == transparentMode_) return;
    if (mode == tmAuto) transparentColor_ = clDefault;
    transparentMode_ = mode;
    Changed();
}

void TBitmap::Draw(TCanvas& canvas, const TRect& rect)
{
    TMemoryDCHandle temporary;
    HDC source = PictureDC(temporary);
    HDC dest = canvas.Handle();
    SetStretchBltMode(dest, COLORONCOLOR);
    if (Transparent()) {
        TransparentBlt(dest, rect.left, rect.top, RectWidth(rect), RectHeight(rect), source, 0, 0, Width(), Height(),
                       ColorToRGB(TransparentColor()));
    } else {
        StretchBlt(dest, rect.left, rect.top, RectWidth(rect), RectHeight(rect), source, 0, 0, Width(), Height(),
                   canvas.GetCopyMode());
    }
}

void TBitmap::Unshare()
{
    if (image_.use_count() == 1) return;
    auto image = MakeImage(Width(), Height(), PixelFormat(), ColorsFor(PixelFormat()));
    CopyPicture(*image_, *image);
    ReplaceImage(std::move(image));
}

std::vector<RGBQUAD> TBitmap::ColorsFor(TPixelFormat format) const
{
    TMemoryDCHandle temporary;
    return StartingColors(Empty() ? nullptr : PictureDC(temporary), PixelFormat(), format);
}

void TBitmap::ReplaceImage(std::shared_ptr<TBitmapImage> image)
{
    FreeContext();
    image_ = std::move(image);
}

void TBitmap::FreeContext() const
{
    if (canvas_) canvas_->SetHandle(nullptr);
}

HDC TBitmap::PictureDC(TMemoryDCHandle& temporary) const
{
    if (canvas_ && canvas_->HandleAllocated()) return canvas_->Handle();
    temporary = SelectInto(image_->handle.Get());
    return temporary.Get();
}

// ---- BMP ----

void TBitmap::LoadFromStream(TStream& stream)
{
    BYTE file[kBmpFileHeaderSize];
    stream.ReadBuffer(file, sizeof file);
    size_t bitsOffset = 0;
    if (!ReadBmpFileHeader(file, bitsOffset)) throw EInvalidGraphic("Bitmap image is not valid");
    const int64_t rest = stream.GetSize() - stream.GetPosition();
    if (rest < static_cast<int64_t>(kDibInfoHeaderSize) || rest > INT32_MAX)
        throw EInvalidGraphic("Bitmap image is not valid");
    std::vector<BYTE> dib(static_cast<size_t>(rest));
    stream.ReadBuffer(dib.data(), static_cast<int32_t>(dib.size()));
    LoadFromDib(dib.data(), dib.size(), bitsOffset);
}

void TBitmap::LoadFromResourceName(HINSTANCE instance, const std::string& name)
{
    HRSRC resource = FindResourceA(instance, name.c_str(), MAKEINTRESOURCEA(2));  // RT_BITMAP
    if (!resource) throw EResNotFound("Resource " + name + " not found");
    const auto* dib = static_cast<const BYTE*>(LockResource(LoadResource(instance, resource)));
    LoadFromDib(dib, SizeofResource(instance, resource), 0);
}

void TBitmap::LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE)
{
    if (format != CF_BITMAP || !data) throw EInvalidGraphic("Unsupported clipboard format");
    HANDLE copy = CopyImage(data, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    if (!copy) throw EInvalidGraphic("Bitmap image is not valid");
    SetHandle(static_cast<HBITMAP>(copy));
}

void TBitmap::SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette)
{
    FreeContext();
    format = CF_BITMAP;
    data = Empty() ? nullptr : CopyImage(Handle(), IMAGE_BITMAP, 0, 0, 0);
    palette = nullptr;
}

void TBitmap::LoadFromDib(const BYTE* bytes, size_t size, size_t bitsOffset)
{
    TDibLayout dib;
    if (!DescribePackedDib(bytes, size, bitsOffset, dib)) throw EInvalidGraphic("Bitmap image is not valid");
    const TPixelFormat format = FormatOfDib(dib.BitCount, dib.Compression, dib.Masks[1]);
    std::vector<RGBQUAD> colors;
    if (dib.Paletted()) {
        const auto* table = reinterpret_cast<const RGBQUAD*>(bytes + dib.ColorTableOffset);
        colors.assign(table, table + dib.ColorCount);
    }
    auto image = MakeImage(dib.Width, dib.Height, format, colors);
    if (dib.CopiesRows) {
        for (int row = 0; row < dib.Height; ++row) std::memcpy(Row(*image, row), bytes + dib.RowOffset(row), dib.LineSize);
    } else {
        // Compressed or unusual layouts: the system decodes them.
        std::vector<BYTE> info(bytes, bytes + dib.InfoSize);
        HDC screen = GetDC(nullptr);
        SetDIBits(screen, image->handle.Get(), 0, static_cast<UINT>(dib.Height), bytes + dib.BitsOffset,
                  reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
    }
    ReplaceImage(std::move(image));
    Changed();
}

void TBitmap::SaveToStream(TStream& stream)
{
    if (Empty()) return;
    // A DDB is written through a 24-bit copy of it.
    std::shared_ptr<TBitmapImage> written = image_;
    if (!image_->bits) {
        FreeContext();
        written = MakeImage(Width(), Height(), pf24bit, {});
        CopyPicture(*image_, *written);
    }
    GdiFlush();
    TDibHeader dib = DescribeDib(Width(), Height(), written->format, ColorsFor(written->format));
    const size_t tableSize = dib.header.biCompression == BI_BITFIELDS ? sizeof Masks565 : dib.ColorCount() * sizeof(RGBQUAD);
    const size_t lineSize = static_cast<size_t>(LineSize(Width(), BitsPerPixel(written->format)));
    dib.header.biSizeImage = static_cast<DWORD>(lineSize * Height());
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = static_cast<DWORD>(sizeof file + sizeof dib.header + tableSize);
    file.bfSize = file.bfOffBits + dib.header.biSizeImage;
    stream.WriteBuffer(&file, sizeof file);
    stream.WriteBuffer(&dib.header, sizeof dib.header);
    stream.WriteBuffer(dib.colors.data(), static_cast<int32_t>(tableSize));
    for (int row = Height() - 1; row >= 0; --row) stream.WriteBuffer(Row(*written, row), static_cast<int32_t>(lineSize));
}
