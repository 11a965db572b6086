#pragma once
// Pictures: the graphic every kind of picture is, and bitmaps, which the
// program draws on through a canvas, reads and writes row by row, and loads
// from and saves to BMP files.
#include "Colors.h"
#include "GdiHandle.h"
#include "Geometry.h"
#include "Persistent.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

class TCanvas;
class TStream;

enum TTransparentMode { tmAuto, tmFixed };

// A picture of some kind that a canvas can draw.
class TGraphic : public TPersistent {
public:
    std::string ClassName() const override { return "TGraphic"; }

    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int width) = 0;
    virtual void SetHeight(int height) = 0;

    // A transparent graphic leaves what lies under its transparent parts.
    bool Transparent() const { return transparent_; }
    virtual void SetTransparent(bool transparent);
    bool Modified() const { return modified_; }
    void SetModified(bool modified) { modified_ = modified; }

    virtual void LoadFromStream(TStream& stream) = 0;
    virtual void SaveToStream(TStream& stream) = 0;
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);
    // Clipboard data of a format the kind knows; by default none, which
    // raises EInvalidGraphic "Unsupported clipboard format". Saving hands
    // out new data that the clipboard takes over.
    virtual void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette);
    virtual void SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette);

    TNotifyEvent OnChange;

protected:
    friend class TCanvas;
    // Draws the picture stretched into Rect on Canvas, which has its DC.
    virtual void Draw(TCanvas& canvas, const TRect& rect) = 0;
    // The picture changed: Modified, then OnChange.
    virtual void Changed();

private:
    bool transparent_ = false;
    bool modified_ = false;
};

// Picture data that several graphics share after one is assigned to the
// other; whichever is about to change it makes its own copy first.
class TSharedImage {
public:
    TSharedImage() = default;
    TSharedImage(const TSharedImage&) = delete;
    TSharedImage& operator=(const TSharedImage&) = delete;
    virtual ~TSharedImage() = default;
};

// pfDevice is a bitmap of the screen's own format (a DDB); every other
// format is a DIB section.
enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit };
enum TBitmapHandleType { bmDIB, bmDDB };

struct TBitmapImage;
class TBitmapCanvas;

// DIB sections are bottom-up: scan line 0 is the top row and sits at the
// highest address; lines are padded to 32 bits. 15-bit pixels are 5-5-5 and
// 16-bit pixels 5-6-5, red in the high bits. A new 8-bit bitmap starts with
// a grey-ramp colour table, a 4-bit one with the 16 standard colours and a
// 1-bit one black and white. Size and format changes keep the picture:
// whatever of it still fits, in the nearest colours of the new format; new
// parts are black.
class TBitmap : public TGraphic {
public:
    TBitmap();
    ~TBitmap() override;
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    std::string ClassName() const override { return "TBitmap"; }
    // Another bitmap's picture is shared until either changes it.
    void Assign(const TPersistent* source) override;

    bool Empty() const override;
    int Width() const override;
    int Height() const override;
    void SetWidth(int width) override { SetSize(width, Height()); }
    void SetHeight(int height) override { SetSize(Width(), height); }
    void SetSize(int width, int height);
    TPixelFormat PixelFormat() const;
    void SetPixelFormat(TPixelFormat pixelFormat);
    TBitmapHandleType HandleType() const { return PixelFormat() == pfDevice ? bmDDB : bmDIB; }
    // A DDB becomes a 32-bit DIB, a DIB a DDB.
    void SetHandleType(TBitmapHandleType type);
    // Two colours, black and white.
    bool Monochrome() const;
    // True makes a 1-bit black-and-white DIB, False of a monochrome bitmap
    // a DDB in the screen's colours.
    void SetMonochrome(bool monochrome);

    // Bytes from one scan line to the next.
    int ScanLineSize() const;
    // Row 0 is the top row; a row outside the bitmap, or a DDB, raises
    // EInvalidGraphicOperation "Scan line index out of range".
    void* ScanLine(int row);

    // The bitmap; null while the bitmap is empty.
    HBITMAP Handle() const;
    // Takes over a bitmap, DIB section or DDB: it is deleted with this
    // object, and size and format are read from it.
    void SetHandle(HBITMAP bitmap);
    // Gives up the bitmap to the caller, who deletes it; this one is empty.
    HBITMAP ReleaseHandle();
    // The colour table of a 1-, 4- or 8-bit bitmap as a palette (owned by
    // the bitmap), null for other formats. Setting one copies its colours
    // into the colour table.
    HPALETTE Palette();
    void SetPalette(HPALETTE palette);

    // Drawing on the picture; the canvas is the bitmap's and lives with it.
    TCanvas& Canvas();
    // Takes the bitmap out of its canvas's DC, which the next drawing makes
    // again: the system selects a bitmap into one DC at a time, so code that
    // hands Handle to the system calls this first.
    void FreeContext() const;

    // The colour a transparent bitmap leaves out: the bottom-left pixel with
    // tmAuto, the one set with tmFixed (setting one selects tmFixed).
    TColor TransparentColor();
    void SetTransparentColor(TColor color);
    TTransparentMode TransparentMode() const { return transparentMode_; }
    void SetTransparentMode(TTransparentMode mode);

    // BMP: file header, BITMAPINFOHEADER or a later header, colour table or
    // masks, pixels (bottom-up or top-down, uncompressed or RLE). Bad data
    // raises EInvalidGraphic "Bitmap image is not valid". Saving writes a
    // bottom-up BITMAPINFOHEADER file of the bitmap's own format; a DDB is
    // written at 24 bits.
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
    // A BITMAP resource; a missing one raises EResNotFound
    // "Resource <name> not found".
    void LoadFromResourceName(HINSTANCE instance, const std::string& name);
    // CF_BITMAP: a copy of the clipboard's bitmap as a DIB; saving hands out
    // a copy as a DDB.
    void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) override;
    void SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) override;

protected:
    void Draw(TCanvas& canvas, const TRect& rect) override;

private:
    friend class TBitmapCanvas;
    // A picture of its own before this bitmap changes it.
    void Unshare();
    void ReplaceImage(std::shared_ptr<TBitmapImage> image);
    // A DC with the bitmap selected: the canvas's when it has one, else
    // Temporary's.
    HDC PictureDC(TMemoryDCHandle& temporary) const;
    // The colours a copy of the picture in Format starts with.
    std::vector<RGBQUAD> ColorsFor(TPixelFormat format) const;
    // Colour table and pixels of a packed DIB.
    void LoadFromDib(const BYTE* dib, size_t size, size_t bitsOffset);

    std::shared_ptr<TBitmapImage> image_;
    std::unique_ptr<TBitmapCanvas> canvas_;
    TColor transparentColor_ = clDefault;
    TTransparentMode transparentMode_ = tmAuto;
};
