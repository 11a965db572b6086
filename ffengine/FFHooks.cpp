#include "FFHooks.h"

#include "FFLog.h"
#include "FFmpeg.h"
#include "Threads.h"

#include <climits>

namespace {

// One preview at a time across the engines: the previewer and the preview
// converter's bitmap are shared with the GUI thread.
TCriticalSection& PreviewLock()
{
    static TCriticalSection lock;
    return lock;
}

}

TEngineHooks::~TEngineHooks()
{
    Clear();
}

void TEngineHooks::Clear()
{
    ReleaseFrameHooks(Plugins);
    // The previewer is this engine's own and only its run shows pictures in
    // it; taking the preview lock here could wait on an engine thread that
    // holds it while it waits for this GUI thread.
    previewer_.reset();
}

void TEngineHooks::SetHookBitsPerPixel(int bits)
{
    hookConverter_.SetBitsPixel(bits);
    previewConverter_.SetBitsPixel(bits);
}

bool TEngineHooks::OutputSideActive() const
{
    return OnFrameOutputHook || OnVideoOutputHook || ((Preview & pvBitmap) && OnPreviewBitmap) || (Preview & pvWindow);
}

void TEngineHooks::AudioIn(AVFrame* samples)
{
    if (!OnAudioHook) return;
    auto format = static_cast<AVSampleFormat>(samples->format);
    int channels = samples->ch_layout.nb_channels;
    int planes = ff::av_sample_fmt_is_planar(format) ? 1 : channels;
    int size = samples->nb_samples * ff::av_get_bytes_per_sample(format) * planes;
    OnAudioHook(engine_, samples->data[0], samples->pts, size, samples->sample_rate, channels, format);
}

bool TEngineHooks::ToBitmap(TFormatConverter& converter, const AVFrame* picture)
{
    return converter.ToRGB(picture->data, picture->linesize, static_cast<AVPixelFormat>(picture->format), true,
                           picture->height, picture->width);
}

void TEngineHooks::CallVideoHook(TEngineVideoHook& hook, TFormatConverter& converter, AVFrame* picture,
                                 int frameNumber, int64_t pts)
{
    bool update = true, disable = false;
    if (!ToBitmap(converter, picture)) {
        FFLogger().Log(engine_, llError, converter.LastError());
        disable = true;
    } else {
        try {
            hook(engine_, &converter.Bitmap(), frameNumber, pts, update, disable);
        } catch (const Exception& e) {
            FFLogger().Log(engine_, llError, "Error occurs VideoHook event: " + e.Message());
            update = false;
        }
        if (update) {
            converter.CopyFromBitmap();
            if (!converter.FromRGB(picture->data, picture->linesize, static_cast<AVPixelFormat>(picture->format),
                                   picture->height, picture->width)) {
                FFLogger().Log(engine_, llError, converter.LastError());
                disable = true;
            }
        }
    }
    if (disable) hook = nullptr;
}

void TEngineHooks::VideoIn(AVFrame* picture, int frameCount)
{
    if (OnFrameInputHook) OnFrameInputHook(engine_, picture, frameCount, picture->pts);
    if (OnVideoInputHook)
        CallVideoHook(OnVideoInputHook, hookConverter_, picture, frameCount, picture->pts);
    else if (!Plugins.empty())
        ProcessFrameHooks(Plugins, picture, picture->format, picture->width, picture->height, picture->pts);
}

void TEngineHooks::VideoOut(AVFrame* picture, int frameNumber, int64_t pts)
{
    bool bitmapReady = false;
    if (OnVideoOutputHook) {
        CallVideoHook(OnVideoOutputHook, previewConverter_, picture, frameNumber, pts);
        bitmapReady = true;
    }
    if (OnFrameOutputHook) {
        OnFrameOutputHook(engine_, picture, frameNumber, pts);
        bitmapReady = false;
    }
    if (Preview) DeliverPreview(picture, bitmapReady, frameNumber, pts);
}

void TEngineHooks::DeliverPreview(AVFrame* picture, bool bitmapReady, int frameNumber, int64_t pts)
{
    TCriticalSectionGuard guard(PreviewLock());
    int64_t now = ff::av_gettime();
    if (lastPreview_ != INT64_MIN && now - lastPreview_ <= PreviewInterval) return;
    if (!bitmapReady && !ToBitmap(previewConverter_, picture)) {
        FFLogger().Log(engine_, llError, previewConverter_.LastError());
        Preview = 0;
        return;
    }
    lastPreview_ = now;
    if ((Preview & pvBitmap) && OnPreviewBitmap) {
        OnPreviewBitmap(engine_, &previewConverter_.Bitmap(), frameNumber, pts);
    } else if (Preview & pvWindow) {
        if (!previewer_) previewer_ = std::make_unique<TPreviewer>();
        if (!previewer_->Show(previewConverter_.Bitmap(), frameNumber, pts)) Preview &= ~pvWindow;
    }
}
