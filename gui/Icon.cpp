#include "Icon.h"

#include "Canvas.h"
#include "Exceptions.h"
#include "Streams.h"

#include <cstdlib>
#include <cstring>

namespace {

#pragma pack(push, 2)
struct TIconDirectory {
    WORD reserved, type, count;
};
struct TIconEntry {
    BYTE width, height, colorCount, reserved;
    WORD planes, bitCount;
    DWORD bytesInRes, imageOffset;
};
#pragma pack(pop)

[[noreturn]] void InvalidIcon() { throw EInvalidGraphic("Icon image is not valid"); }

}

TIcon::TIcon()
{
    SetTransparent(true);
    SetModified(false);
}

void TIcon::Assign(const TPersistent* source)
{
    auto* icon = dynamic_cast<const TIcon*>(source);
    if (!icon) {
        TGraphic::Assign(source);
        return;
    }
    Adopt(icon->handle_ ? CopyIcon(icon->handle_.Get()) : nullptr, icon->file_);
}

void TIcon::SetWidth(int width)
{
    if (width != width_) throw EInvalidGraphicOperation("Cannot change the size of an icon");
}

void TIcon::SetHeight(int height)
{
    if (height != height_) throw EInvalidGraphicOperation("Cannot change the size of an icon");
}

void TIcon::SetHandle(HICON icon)
{
    Adopt(icon, {});
}

HICON TIcon::ReleaseHandle()
{
    HICON icon = handle_.Release();
    Adopt(nullptr, {});
    return icon;
}

void TIcon::Adopt(HICON icon, std::vector<BYTE> file)
{
    handle_.Reset(icon);
    file_ = std::move(file);
    width_ = height_ = 0;
    ICONINFO info{};
    if (icon && GetIconInfo(icon, &info)) {
        BITMAP bitmap{};
        GetObjectA(info.hbmMask, sizeof bitmap, &bitmap);
        width_ = bitmap.bmWidth;
        // Without a colour bitmap the mask holds both halves, one above the other.
        height_ = info.hbmColor ? bitmap.bmHeight : bitmap.bmHeight / 2;
        DeleteObject(info.hbmMask);
        if (info.hbmColor) DeleteObject(info.hbmColor);
    }
    Changed();
}

void TIcon::LoadFromStream(TStream& stream)
{
    const int64_t size = stream.GetSize() - stream.GetPosition();
    if (size < static_cast<int64_t>(sizeof(TIconDirectory)) || size > INT32_MAX) InvalidIcon();
    std::vector<BYTE> file(static_cast<size_t>(size));
    stream.ReadBuffer(file.data(), static_cast<int32_t>(file.size()));
    TIconDirectory directory;
    std::memcpy(&directory, file.data(), sizeof directory);
    if (directory.reserved != 0 || directory.type != 1 || directory.count == 0 ||
        sizeof directory + directory.count * sizeof(TIconEntry) > file.size())
        InvalidIcon();
    // The image nearest the system's icon size, the one of most colours among equals.
    const int wanted = GetSystemMetrics(SM_CXICON);
    const TIconEntry* best = nullptr;
    for (WORD i = 0; i < directory.count; ++i) {
        const auto* entry = reinterpret_cast<const TIconEntry*>(file.data() + sizeof directory) + i;
        const int width = entry->width ? entry->width : 256;
        auto distance = [&](const TIconEntry* e) { return std::abs((e->width ? e->width : 256) - wanted); };
        if (!best || std::abs(width - wanted) < distance(best) ||
            (std::abs(width - wanted) == distance(best) && entry->bitCount > best->bitCount))
            best = entry;
    }
    if (best->imageOffset > file.size() || best->bytesInRes > file.size() - best->imageOffset) InvalidIcon();
    HICON icon = CreateIconFromResourceEx(file.data() + best->imageOffset, best->bytesInRes, TRUE, 0x00030000,
                                          best->width ? best->width : 256, best->height ? best->height : 256, LR_DEFAULTCOLOR);
    if (!icon) InvalidIcon();
    Adopt(icon, std::move(file));
}

void TIcon::SaveToStream(TStream& stream)
{
    if (!file_.empty()) {
        stream.WriteBuffer(file_.data(), static_cast<int32_t>(file_.size()));
        return;
    }
    if (!handle_) return;
    // One 32-bit image: the colours over the mask, the mask below them.
    ICONINFO info{};
    if (!GetIconInfo(handle_.Get(), &info)) InvalidIcon();
    TBitmapHandle mask(info.hbmMask), color(info.hbmColor);
    const int width = width_, height = height_;
    BITMAPINFO header{};
    header.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<BYTE> pixels(static_cast<size_t>(width) * height * 4);
    const size_t maskLine = static_cast<size_t>((width + 31) / 32 * 4);
    std::vector<BYTE> maskBits(maskLine * height);
    HDC screen = GetDC(nullptr);
    if (color) GetDIBits(screen, color.Get(), 0, height, pixels.data(), &header, DIB_RGB_COLORS);
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[2];
    } monochrome{{sizeof(BITMAPINFOHEADER), width, height, 1, 1, BI_RGB, 0, 0, 0, 0, 0}, {{0, 0, 0, 0}, {255, 255, 255, 0}}};
    // A colourless icon's mask holds the AND half on top, which is the DIB's later rows.
    GetDIBits(screen, mask.Get(), color ? 0 : height, height, maskBits.data(), reinterpret_cast<BITMAPINFO*>(&monochrome),
              DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);

    BITMAPINFOHEADER image = header.bmiHeader;
    image.biHeight = height * 2;
    image.biSizeImage = static_cast<DWORD>(pixels.size() + maskBits.size());
    TIconDirectory directory{0, 1, 1};
    TIconEntry entry{static_cast<BYTE>(width), static_cast<BYTE>(height), 0, 0, 1, 32,
                     static_cast<DWORD>(sizeof image + image.biSizeImage), sizeof directory + sizeof entry};
    stream.WriteBuffer(&directory, sizeof directory);
    stream.WriteBuffer(&entry, sizeof entry);
    stream.WriteBuffer(&image, sizeof image);
    stream.WriteBuffer(pixels.data(), static_cast<int32_t>(pixels.size()));
    stream.WriteBuffer(maskBits.data(), static_cast<int32_t>(maskBits.size()));
}

void TIcon::Draw(TCanvas& canvas, const TRect& rect)
{
    DrawIconEx(canvas.Handle(), rect.left, rect.top, handle_.Get(), RectWidth(rect), RectHeight(rect), 0, nullptr, DI_NORMAL);
}
