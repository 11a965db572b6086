#pragma once
// The program's hooks on what an engine encodes: the audio hook sees the
// samples as they are read, frame hooks the planes of each picture, video
// hooks a bitmap of it that may be written back; input-side hooks run on
// the pictures as they are read, output-side ones as they go to the encoder.
// The preview gets a bitmap of an encoded picture at most every
// PreviewInterval: through the preview-bitmap event and in the previewer.
#include "FFUtils.h"
#include "FrameHook.h"
#include "Previewer.h"

#include <cstdint>
#include <functional>
#include <memory>

class TCustomFFmpeg;

// Samples: the frame's first plane (all channels for the interleaved
// formats); Size its bytes. The samples may be changed in place.
using TEngineAudioHook = std::function<void(TCustomFFmpeg* engine, uint8_t* samples, int64_t pts, int size,
                                           int sampleRate, int channels, int sampleFormat)>;
// Picture may be changed in place; FrameNumber counts from 1.
using TEngineFrameHook = std::function<void(TCustomFFmpeg* engine, AVFrame* picture, int frameNumber, int64_t pts)>;
// Update (True on entry): the bitmap goes back into the picture. Disable
// (False on entry): the hook is not called again in this run.
using TEngineVideoHook = std::function<void(TCustomFFmpeg* engine, TBitmap* bitmap, int frameNumber, int64_t pts,
                                           bool& update, bool& disable)>;
using TEnginePreviewBitmap = std::function<void(TCustomFFmpeg* engine, TBitmap* bitmap, int frameNumber, int64_t pts)>;

// Preview switches.
constexpr int pvWindow = 1;  // the previewer window
constexpr int pvBitmap = 2;  // the preview-bitmap event

class TEngineHooks {
public:
    explicit TEngineHooks(TCustomFFmpeg* engine) : engine_(engine) {}
    ~TEngineHooks();
    TEngineHooks(const TEngineHooks&) = delete;
    TEngineHooks& operator=(const TEngineHooks&) = delete;

    TEngineAudioHook OnAudioHook;
    TEngineFrameHook OnFrameInputHook, OnFrameOutputHook;
    TEngineVideoHook OnVideoInputHook, OnVideoOutputHook;
    TEnginePreviewBitmap OnPreviewBitmap;
    int Preview = 0;  // pvWindow, pvBitmap
    int64_t PreviewInterval = 100000;  // microseconds
    // The video-hook plug-ins ("vhook"), run after the input-side hooks.
    TFrameHookList Plugins;

    // The bits per pixel of the video hooks' bitmaps: 8, 15, 16, 24 or 32.
    void SetHookBitsPerPixel(int bits);
    bool InputSideActive() const { return OnFrameInputHook || OnVideoInputHook || !Plugins.empty(); }
    // Whether a hook or the preview wants the pictures as they are encoded.
    bool OutputSideActive() const;
    // The hooks on what was read: sound, and pictures (FrameCount from 1).
    void AudioIn(AVFrame* samples);
    void VideoIn(AVFrame* picture, int frameCount);
    // The hooks and preview on a picture going to the encoder.
    void VideoOut(AVFrame* picture, int frameNumber, int64_t pts);
    // Ends a run: plug-ins released, the previewer closed.
    void Clear();

private:
    // Converts Picture for the hook and back; False when that failed and
    // the hook was switched off.
    void CallVideoHook(TEngineVideoHook& hook, TFormatConverter& converter, AVFrame* picture, int frameNumber,
                       int64_t pts);
    void DeliverPreview(AVFrame* picture, bool bitmapReady, int frameNumber, int64_t pts);
    bool ToBitmap(TFormatConverter& converter, const AVFrame* picture);

    TCustomFFmpeg* engine_;
    TFormatConverter hookConverter_, previewConverter_;
    int64_t lastPreview_ = INT64_MIN;
    std::unique_ptr<TPreviewer> previewer_;
};
