#include "FrameInput.h"

#include "Canvas.h"
#include "SysUtils.h"
#include "Threads.h"

#include <cmath>

namespace {

TLiveAdapters<TFrameInputAdapter>& LiveAdapters()
{
    static TLiveAdapters<TFrameInputAdapter> adapters;
    return adapters;
}

// "<a>/<b>", "<a>:<b>", "<a>*<b>" or "<a>x<b>" (lower-case x only).
bool ParsePair(std::string text, const char* separators, int64_t& first, int64_t& second)
{
    size_t split = text.find_first_of(separators);
    if (split == std::string::npos) return false;
    return ParseDecimal(text.substr(0, split), first) && ParseDecimal(text.substr(split + 1), second);
}

AVPixelFormat BitmapPixelFormat(int bits)
{
    switch (bits) {
    case 8: return AV_PIX_FMT_PAL8;
    case 16: return AV_PIX_FMT_RGB555LE;
    case 24: return AV_PIX_FMT_BGR24;
    default: return AV_PIX_FMT_BGRA;
    }
}

// The canvas type's bitmap: 16 bits are Windows' 5-5-5 layout, which is rgb555le.
TPixelFormat BitmapLayout(int bits)
{
    switch (bits) {
    case 8: return pf8bit;
    case 16: return pf15bit;
    case 24: return pf24bit;
    default: return pf32bit;
    }
}

}

TFrameInputAdapter::TFrameInputAdapter(TComponent* owner) : TFFBaseComponent(owner)
{
    LiveAdapters().Add(this);
}

TFrameInputAdapter::~TFrameInputAdapter()
{
    LiveAdapters().Remove(this);
}

TFrameInputAdapter* TFrameInputAdapter::Find(int64_t address)
{
    return LiveAdapters().Find(address);
}

void TFrameInputAdapter::RunEvent(const std::function<void()>& call)
{
    if (TriggerEventInMainThread && GetCurrentThreadId() != MainThreadID)
        TThread::Synchronize(call);
    else
        call();
}

int TFrameInputReader::ParseOptions(const std::string& optionString)
{
    for (const auto& [key, value] : SplitInputOptions(optionString)) {
        int64_t a = 0, b = 0;
        if (key == "adapter" || key == "a") {
            if (!ParseDecimal(value, a)) return InputError(AVERROR(EINVAL), "Invalid FrameInputAdapter\n");
            info_.Adapter = TFrameInputAdapter::Find(a);
        } else if (key == "framerate" || key == "r") {
            if (!ParsePair(value, "/:", a, b) || a <= 0 || b <= 0 || a > INT_MAX || b > INT_MAX)
                return InputError(AVERROR(EINVAL), "Invalid frame rate\n");
            info_.TimeBase = {static_cast<int>(b), static_cast<int>(a)};
        } else if (key == "framesize" || key == "s") {
            if (!ParsePair(value, "*x", a, b) || a < 1 || b < 1 || a > 16384 || b > 16384)
                return InputError(AVERROR(EINVAL), "Invalid frame size\n");
            info_.Width = static_cast<int>(a);
            info_.Height = static_cast<int>(b);
        } else if (key == "bitsperpixel" || key == "bpp") {
            info_.BitsPerPixel = ParseDecimal(value, a) ? static_cast<int>(a) : -1;
        } else if (key == "inputtype" || key == "t") {
            std::string type = LowerCase(value);
            info_.InputType = type == "dc" ? itDC : type == "bmp" ? itBMP : type == "canvas" ? itCanvas : itYUV;
        } else if (key == "pixelformat" || key == "pf") {
            AVPixelFormat format = ff::av_get_pix_fmt(LowerCase(value).c_str());
            if (format == AV_PIX_FMT_NONE) return InputError(AVERROR(EINVAL), "Unknown pixel format requested\n");
            info_.PixelFormat = format;
        }
    }
    if (!info_.Adapter) return InputError(AVERROR(EINVAL), "Invalid FrameInputAdapter\n");
    if (!info_.TimeBase.num || !info_.TimeBase.den) return InputError(AVERROR(EINVAL), "Invalid frame rate\n");
    if (info_.Width < 1 || info_.Height < 1) return InputError(AVERROR(EINVAL), "Invalid frame size\n");
    bool bitmapType = info_.InputType != itYUV;
    int bits = info_.BitsPerPixel;
    if (bitmapType && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return InputError(AVERROR(EINVAL), "Invalid BitsPerPixel\n");
    if (bitmapType) info_.PixelFormat = BitmapPixelFormat(bits);
    return 0;
}

int TFrameInputReader::PrepareMemory()
{
    info_.LineSize = (info_.Width * info_.BitsPerPixel + 31) / 32 * 4;
    if (info_.InputType == itDC || info_.InputType == itBMP) {
        BITMAPINFO header = {};
        header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        header.bmiHeader.biWidth = info_.Width;
        header.bmiHeader.biHeight = info_.Height;
        header.bmiHeader.biPlanes = 1;
        header.bmiHeader.biBitCount = static_cast<WORD>(info_.BitsPerPixel);
        header.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        info_.DIBSection = CreateDIBSection(nullptr, &header, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!info_.DIBSection)
            return InputError(AVERROR(EIO), Format("CreateDIBSection error #%d\n", int(GetLastError())));
        info_.MemoryDC = CreateCompatibleDC(nullptr);
        if (!info_.MemoryDC || !SelectObject(info_.MemoryDC, info_.DIBSection)) {
            int error = static_cast<int>(GetLastError());
            ReadClose();
            return InputError(AVERROR(EIO), Format("SelectObject error #%d\n", error));
        }
        BITMAP layout = {};
        GetObject(info_.DIBSection, sizeof(layout), &layout);
        info_.FrameSize = int64_t(layout.bmWidthBytes) * layout.bmHeight * layout.bmPlanes;
        info_.Bits = static_cast<uint8_t*>(bits);
    } else if (info_.InputType == itCanvas) {
        bitmap_ = std::make_unique<TBitmap>();
        bitmap_->SetPixelFormat(BitmapLayout(info_.BitsPerPixel));
        bitmap_->SetSize(info_.Width, info_.Height);
        info_.Bitmap = bitmap_.get();
        info_.Canvas = &bitmap_->Canvas();
        info_.Bits = static_cast<uint8_t*>(bitmap_->ScanLine(info_.Height - 1));
        info_.FrameSize = int64_t(info_.LineSize) * info_.Height;
    } else {
        int size = ff::av_image_get_buffer_size(static_cast<AVPixelFormat>(info_.PixelFormat), info_.Width,
                                                info_.Height, 1);
        if (size < 0) return InputError(AVERROR(EIO), "avpicture_get_size() failed\n");
        info_.FrameSize = size;
    }
    return 0;
}

int TFrameInputReader::ReadHeader(const std::string& optionString)
{
    ReadClose();
    info_ = TInputFrameInfo();
    int result = ParseOptions(optionString);
    if (result >= 0) result = PrepareMemory();
    if (result < 0) return result;
    info_.FrameNumber = 1;
    info_.Adapter->FrameInfo = &info_;
    open_ = true;
    if (info_.Adapter->OnReadHeader) info_.Adapter->OnReadHeader(info_.Adapter);
    return 0;
}

int TFrameInputReader::FireReadEvent(AVFrame* frame)
{
    TFrameInputAdapter* adapter = info_.Adapter;
    int result = -1;
    switch (info_.InputType) {
    case itDC:
        if (adapter->OnReadFrameDC)
            adapter->RunEvent([&] { result = adapter->OnReadFrameDC(adapter, info_.MemoryDC, &info_); });
        if (result < 0) InputLog(AV_LOG_INFO, Format("reading frame (DC) return %d\n", result));
        break;
    case itBMP:
        if (adapter->OnReadFrameBMP)
            adapter->RunEvent([&] { result = adapter->OnReadFrameBMP(adapter, info_.Bits, &info_); });
        if (result < 0) InputLog(AV_LOG_ERROR, Format("reading frame (BMP) return %d\n", result));
        break;
    case itCanvas:
        if (adapter->OnReadFrameCanvas)
            adapter->RunEvent([&] {
                // Off the GUI thread the canvas is the reader's alone while the handler draws.
                TCanvasLock lock(*info_.Canvas);
                result = adapter->OnReadFrameCanvas(adapter, info_.Canvas, &info_);
            });
        if (result < 0) InputLog(AV_LOG_INFO, Format("reading frame (Canvas) return %d\n", result));
        break;
    default: {
        std::vector<uint8_t> packed(static_cast<size_t>(info_.FrameSize));
        if (adapter->OnReadFrameYUV)
            adapter->RunEvent([&] { result = adapter->OnReadFrameYUV(adapter, packed.data(), &info_); });
        if (result < 0) {
            InputLog(AV_LOG_INFO, "reading frame (YUV) return\n");
            break;
        }
        uint8_t* planes[4] = {};
        int lineSizes[4] = {};
        auto format = static_cast<AVPixelFormat>(info_.PixelFormat);
        ff::av_image_fill_arrays(planes, lineSizes, packed.data(), format, info_.Width, info_.Height, 1);
        ff::av_image_copy(frame->data, frame->linesize, const_cast<const uint8_t**>(planes), lineSizes, format,
                          info_.Width, info_.Height);
    }
    }
    adapter->EventResult = result;
    return result;
}

void TFrameInputReader::CopyBitmapRows(AVFrame* frame)
{
    GdiFlush();
    // The bitmap's rows run bottom-up from Bits: the top row is the last.
    for (int row = 0; row < info_.Height; ++row) {
        const uint8_t* source = info_.Bits + int64_t(info_.Height - 1 - row) * info_.LineSize;
        memcpy(frame->data[0] + int64_t(row) * frame->linesize[0], source, static_cast<size_t>(info_.LineSize));
    }
    if (info_.PixelFormat == AV_PIX_FMT_PAL8) {
        RGBQUAD colors[256] = {};
        HDC dc = info_.MemoryDC ? info_.MemoryDC : info_.Canvas->Handle();
        GetDIBColorTable(dc, 0, 256, colors);
        for (int i = 0; i < 256; ++i)
            reinterpret_cast<uint32_t*>(frame->data[1])[i] =
                0xFF000000u | (colors[i].rgbRed << 16) | (colors[i].rgbGreen << 8) | colors[i].rgbBlue;
    }
}

int TFrameInputReader::GetBuffer(AVFrame* frame)
{
    constexpr int Align = 32;
    auto format = static_cast<AVPixelFormat>(info_.PixelFormat);
    if (!pool_) {
        poolSize_ = ff::av_image_get_buffer_size(format, info_.Width, info_.Height, Align);
        if (poolSize_ < 0) return poolSize_;
        pool_ = ff::av_buffer_pool_init(static_cast<size_t>(poolSize_) + Align, nullptr);
        if (!pool_) return AVERROR(ENOMEM);
    }
    frame->buf[0] = ff::av_buffer_pool_get(pool_);
    if (!frame->buf[0]) return AVERROR(ENOMEM);
    // Rows aligned, so that one copy per row takes them.
    auto* start = reinterpret_cast<uint8_t*>((reinterpret_cast<uintptr_t>(frame->buf[0]->data) + Align - 1) & ~uintptr_t(Align - 1));
    int result = ff::av_image_fill_arrays(frame->data, frame->linesize, start, format, info_.Width, info_.Height, Align);
    frame->extended_data = frame->data;
    return result < 0 ? result : 0;
}

int TFrameInputReader::ReadFrame(AVFrame* frame)
{
    if (!open_) return AVERROR_EOF;
    if (TFrameInputAdapter::Find(reinterpret_cast<intptr_t>(info_.Adapter)) != info_.Adapter)
        return InputError(AVERROR(EINVAL), "Invalid FrameInputAdapter\n");
    frame->format = info_.PixelFormat;
    frame->width = info_.Width;
    frame->height = info_.Height;
    int result = GetBuffer(frame);
    if (result < 0) return result;
    info_.Frame = frame;
    info_.PTS = std::llround(double(info_.TimeBase.num) * info_.FrameClock / info_.TimeBase.den);
    result = FireReadEvent(frame);
    info_.Frame = nullptr;
    if (result < 0) {
        ff::av_frame_unref(frame);
        return result;
    }
    if (info_.InputType != itYUV) {
        CopyBitmapRows(frame);
        frame->key_frame = 1;
    }
    frame->pts = info_.PTS;
    info_.FrameClock += 1000000;
    info_.FrameNumber += 1;
    info_.LastPTS = info_.PTS;
    return 0;
}

void TFrameInputReader::ReadClose()
{
    if (info_.MemoryDC) DeleteDC(info_.MemoryDC);
    if (info_.DIBSection) DeleteObject(info_.DIBSection);
    info_.MemoryDC = nullptr;
    info_.DIBSection = nullptr;
    info_.Bitmap = nullptr;
    info_.Canvas = nullptr;
    bitmap_.reset();
    // Frames still out keep the pool alive until they are freed.
    ff::av_buffer_pool_uninit(&pool_);
    if (!open_) return;
    open_ = false;
    TFrameInputAdapter* adapter = TFrameInputAdapter::Find(reinterpret_cast<intptr_t>(info_.Adapter));
    if (!adapter) return;
    if (adapter->FrameInfo == &info_) adapter->FrameInfo = nullptr;
    if (adapter->OnReadClose) adapter->OnReadClose(adapter);
}

TProgramStreamInfo TFrameInputReader::StreamInfo() const
{
    TProgramStreamInfo info;
    info.Type = AVMEDIA_TYPE_VIDEO;
    info.Width = info_.Width;
    info.Height = info_.Height;
    info.PixelFormat = static_cast<AVPixelFormat>(info_.PixelFormat);
    info.FrameRate = FrameRate();
    return info;
}
