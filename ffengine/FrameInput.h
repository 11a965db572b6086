#pragma once
// The "frameinput" input ("Frame input"): the program hands the engine one
// picture per frame through a TFrameInputAdapter's events. The input is
// named by an option string "a=<adapter address>;r=<num>/<den>;s=<w>*<h>;
// bpp=<bits>;t=<dc|bmp|canvas|yuv>;pf=<pixel format>"; an address that is no
// live adapter is refused.
#include "FFBaseComponent.h"
#include "Graphics.h"
#include "ProgramInput.h"

#include <windows.h>

#include <cstdint>
#include <functional>

class TFrameInputAdapter;

enum TFrameInputType { itYUV, itDC, itBMP, itCanvas };

struct TInputFrameInfo {
    int64_t PTS = 0;  // of the frame being read, in microseconds
    int64_t LastPTS = AV_NOPTS_VALUE;
    int FrameNumber = 0;  // 1-based
    int Width = 0;
    int Height = 0;
    int BitsPerPixel = 0;
    int LineSize = 0;  // of the bitmap types: rows padded to 32 bits
    int64_t FrameSize = 0;
    int PixelFormat = AV_PIX_FMT_YUV420P;
    int InputType = itYUV;
    HBITMAP DIBSection = nullptr;
    HDC MemoryDC = nullptr;
    // The bitmap's bottom row (its rows run bottom-up) or, for the YUV type,
    // the buffer the handler fills, packed rows.
    uint8_t* Bits = nullptr;
    TBitmap* Bitmap = nullptr;
    TCanvas* Canvas = nullptr;
    AVFrame* Frame = nullptr;  // being filled
    AVRational TimeBase = {0, 1};  // the frame period
    int64_t FrameClock = 0;  // frame index x 1000000
    TFrameInputAdapter* Adapter = nullptr;
};

using TReadFrameCanvasEvent = std::function<int(TObject* sender, TCanvas* canvas, TInputFrameInfo* info)>;
using TReadFrameDataEvent = std::function<int(TObject* sender, void* data, TInputFrameInfo* info)>;
using TReadFrameDCEvent = std::function<int(TObject* sender, HDC dc, TInputFrameInfo* info)>;

class TFrameInputAdapter : public TFFBaseComponent {
public:
    explicit TFrameInputAdapter(TComponent* owner);
    ~TFrameInputAdapter() override;

    std::string ClassName() const override { return "TFrameInputAdapter"; }

    // The address an option string names this adapter by.
    int64_t Address() const { return reinterpret_cast<intptr_t>(this); }
    // The live adapter at Address, or null.
    static TFrameInputAdapter* Find(int64_t address);

    int EventResult = 0;
    bool TriggerEventInMainThread = true;
    TInputFrameInfo* FrameInfo = nullptr;  // of the open input
    TNotifyEvent OnReadHeader;
    TNotifyEvent OnReadClose;
    TReadFrameCanvasEvent OnReadFrameCanvas;
    TReadFrameDataEvent OnReadFrameBMP;
    TReadFrameDCEvent OnReadFrameDC;
    // Writes one whole frame of FrameSize bytes, packed rows.
    TReadFrameDataEvent OnReadFrameYUV;

    // Runs Call on the GUI thread when TriggerEventInMainThread, else here.
    void RunEvent(const std::function<void()>& call);
};

class TFrameInputReader : public TProgramInput {
public:
    ~TFrameInputReader() override { ReadClose(); }
    const char* FormatName() const override { return "frameinput"; }
    AVMediaType MediaType() const override { return AVMEDIA_TYPE_VIDEO; }
    int ReadHeader(const std::string& optionString) override;
    int ReadFrame(AVFrame* frame) override;
    void ReadClose() override;
    TProgramStreamInfo StreamInfo() const override;

    const TInputFrameInfo& Info() const { return info_; }
    AVRational FrameRate() const { return {info_.TimeBase.den, info_.TimeBase.num}; }

private:
    int ParseOptions(const std::string& optionString);
    int PrepareMemory();
    int FireReadEvent(AVFrame* frame);
    // A buffer of the pool for Frame, its planes laid out over it.
    int GetBuffer(AVFrame* frame);
    // Copies the bitmap's rows, top row first, into the frame.
    void CopyBitmapRows(AVFrame* frame);

    TInputFrameInfo info_;
    std::unique_ptr<TBitmap> bitmap_;
    // The frames' buffers, used again once the engine lets go of them: a
    // fresh allocation of a whole picture per frame cost a tenth of a run.
    AVBufferPool* pool_ = nullptr;
    int poolSize_ = 0;
    bool open_ = false;
};
