#pragma once
// Animated GIF images as a graphic of the class library: frames given as
// bitmaps, reduced to at most 256 colours and LZW-encoded on writing, read
// back from GIF87a/GIF89a files and decoded into bitmaps on demand. The
// writer also appends a file in stages, one frame at a time.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ColorReduction.h"
#include "GifLzw.h"
#include "Graphics.h"

class TGIFImage;

// Colours of a GIF colour table: Count meaningful entries of red, green, blue.
struct TGIFColorMap {
    uint32_t Count = 0;
    std::array<std::array<uint8_t, 3>, 256> Entries{};
    // The first entry whose RGB(red, green, blue) equals Color, or -1.
    int IndexOf(TColor color) const;
    TColor Color(int index) const;
};

// Image-wide data, shared by images assigned from one another.
class TGIFData : public TSharedImage {
public:
    std::vector<std::string> Comment;
    uint8_t AspectRatio = 0;
    uint8_t BitsPerPixel = 0;
    uint8_t ColorResBits = 0;
    TGIFColorMap ColorMap;
};

// A frame's encoded image, shared by frames assigned from one another:
// ImageData holds the bytes after the image descriptor and local colour table
// (code-size byte, data sub-blocks, zero-length block).
class TGIFItem : public TSharedImage {
public:
    std::vector<uint8_t> ImageData;
    int32_t Width = 0;
    int32_t Height = 0;
    uint8_t PackedFields = 0;
    uint8_t BitsPerPixel = 0;
    TGIFColorMap ColorMap;
};

enum TGIFExtensionType : uint8_t { etGraphicControl, etPlainText, etApplication, etComment };

// One extension block: Data holds one string per data sub-block, ExtRec the
// block's fixed part as in the file, starting with its block-size byte.
class TExtension : public TPersistent {
public:
    explicit TExtension(TGIFExtensionType type = etComment) : ExtType(type) {}
    std::string ClassName() const override { return "TExtension"; }
    void Assign(const TPersistent* source) override;
    uint8_t Label() const;

    TGIFExtensionType ExtType;
    std::vector<std::string> Data;
    std::array<uint8_t, 14> ExtRec{};
};

class TGIFFrame : public TPersistent {
public:
    explicit TGIFFrame(TGIFImage* owner);
    ~TGIFFrame() override;
    TGIFFrame(const TGIFFrame&) = delete;
    TGIFFrame& operator=(const TGIFFrame&) = delete;
    std::string ClassName() const override { return "TGIFFrame"; }
    // From null (empty), a frame, a GIF image's current frame or any graphic.
    void Assign(const TPersistent* source) override;

    // The frame's picture, decoded from the encoded data on first request;
    // null only for a frame of neither.
    TBitmap* Bitmap();
    int Width();
    int Height();

    TGIFImage* Owner() const { return owner_; }
    TGIFItem& Item() { return *item_; }
    std::vector<std::unique_ptr<TExtension>>& Extensions() { return extensions_; }

    TPoint Origin() const { return origin_; }
    void SetOrigin(TPoint origin);
    // Milliseconds; the file keeps hundredths of a second.
    uint16_t DelayTime() const { return delayTime_; }
    void SetDelayTime(uint16_t milliseconds);
    TColor TransparentColor() const { return transparentColor_; }
    void SetTransparentColor(TColor color);
    uint8_t Disposal() const { return disposal_; }
    void SetDisposal(uint8_t method);

    bool Interlaced = false;
    bool Corrupted = false;
    bool Grayscale = false;
    bool LocalColors = false;

private:
    friend class TGIFImage;
    friend class TGIFReader;
    friend class TGIFWriter;
    // Encodes the bitmap when the encoded data are missing.
    void Encode();
    void UpdateExtensions();
    void Decode();
    void AssignGraphic(TGraphic& graphic);

    TGIFImage* owner_;
    std::unique_ptr<TBitmap> bitmap_;
    std::shared_ptr<TGIFItem> item_;
    std::vector<std::unique_ptr<TExtension>> extensions_;
    TPoint origin_{0, 0};
    TColor transparentColor_ = clNone;
    uint16_t delayTime_ = 0;
    uint8_t disposal_ = 0;
};

class TGIFImage : public TGraphic {
public:
    TGIFImage();
    ~TGIFImage() override;
    TGIFImage(const TGIFImage&) = delete;
    TGIFImage& operator=(const TGIFImage&) = delete;
    std::string ClassName() const override { return "TGIFImage"; }

    void Assign(const TPersistent* source) override;
    bool Empty() const override;
    int Width() const override;
    int Height() const override;
    // A GIF image's size follows its frames: EInvalidGraphicOperation
    // "Cannot change the Size of a GIF image".
    void SetWidth(int width) override;
    void SetHeight(int height) override;
    // Both images share one image-wide data.
    bool Equals(const TGIFImage& other) const { return data_ == other.data_; }
    // Transparent, and some frame has a transparent colour.
    bool IsTransparent() const;
    // The current frame's bitmap palette, or null.
    HPALETTE Palette();

    // Everything from the stream's position to its end; the first frame is
    // decoded at once.
    void LoadFromStream(TStream& stream) override;
    // The whole file at the stream's position.
    void SaveToStream(TStream& stream) override;
    // The form with a 32-bit length first, as the clipboard holds it.
    void ReadData(TStream& stream);
    void WriteData(TStream& stream);
    // "GIF Image" data (with a CF_BITMAP for the first frame), or a bitmap.
    void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) override;
    void SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) override;
    // Appends stage 0 (header, screen, global colours, loop extension), 1 (every
    // frame now in the image) or 2 (comment and trailer) at the end of Stream.
    void SaveToFileStreamStage(TStream& stream, int stage);

    // Drops every frame and the image-wide data.
    void Clear();
    // A new current frame assigned from Graphic; answers its index.
    virtual int AddFrame(TGraphic* graphic);
    TGIFFrame& GetFrame(int index);
    int FrameCount() const { return static_cast<int>(frames_.size()); }
    int FrameIndex() const { return frameIndex_; }
    void SetFrameIndex(int index);

    // 1 "87a", 2 "89a".
    uint8_t Version() const { return version_; }
    uint16_t ScreenWidth() const { return screenWidth_; }
    uint16_t ScreenHeight() const { return screenHeight_; }
    TColor BackgroundColor() const { return backgroundColor_; }
    void SetBackgroundColor(TColor color);
    bool Looping() const { return looping_; }
    void SetLooping(bool looping);
    uint16_t RepeatCount() const { return repeatCount_; }
    // At most 30000.
    void SetRepeatCount(int count);
    bool Corrupted() const { return corrupted_; }
    TGIFData& Data() { return *data_; }

    TGifProgress OnProgress;

protected:
    void Draw(TCanvas& canvas, const TRect& rect) override;
    void AssignTo(TPersistent* dest) const override;

private:
    friend class TGIFFrame;
    friend class TGIFReader;
    friend class TGIFWriter;
    void Reset();
    void UpgradeVersion() { version_ = 2; }
    void GrowScreen(TPoint origin, int width, int height);
    void RecomputeScreen();
    // Reads Count bytes of Stream; DecodeFirst decodes frame 0 at once.
    void ReadGIF(int64_t count, TStream& stream, bool decodeFirst);
    TGIFFrame* CurrentFrame() const;

    std::shared_ptr<TGIFData> data_;
    uint8_t version_ = 2;
    std::vector<std::unique_ptr<TGIFFrame>> frames_;
    int frameIndex_ = -1;
    uint16_t screenWidth_ = 0;
    uint16_t screenHeight_ = 0;
    TColor backgroundColor_ = clNone;
    bool looping_ = false;
    bool corrupted_ = false;
    uint16_t repeatCount_ = 1;
};

// The reduction for frames that are not grey; crHistogram at first.
extern TColorReduction DefaultColorReduction;
// Whether damaged data are read and decoded as far as they go; True at first.
extern bool GIFLoadCorrupted;

// Registers the "GIF Image" clipboard format and ".gif" ("CompuServe GIF
// Image") with the picture class; only the first call acts.
void StartUpGifCodec();
// The "GIF Image" clipboard format; 0 before the first start-up.
UINT GIFClipboardFormat();
