#pragma once
// FFmpeg for the library: the engine's loader, pointed at the libav folder
// beside this DLL, and owners for the FFmpeg objects the library makes.
#include <memory>
#include <string>

#include "AVCodecStubs.h"
#include "AVFormatStubs.h"
#include "AVUtilStubs.h"
#include "MclPicture.h"
#include "SwResampleStubs.h"
#include "SwScaleStubs.h"

// Loads the libraries the library uses once; false when they cannot be had.
bool LoadMclFFmpeg();
// The text FFmpeg's file routines take for an ANSI file name.
std::string FFmpegFileName(const std::string& ansiName);

struct FrameFree {
    void operator()(AVFrame* frame) const { ff::av_frame_free(&frame); }
};
struct PacketFree {
    void operator()(AVPacket* packet) const { ff::av_packet_free(&packet); }
};
struct CodecFree {
    void operator()(AVCodecContext* codec) const { ff::avcodec_free_context(&codec); }
};
struct ScaleFree {
    void operator()(SwsContext* scale) const { ff::sws_freeContext(scale); }
};
struct ResampleFree {
    void operator()(SwrContext* resample) const { ff::swr_free(&resample); }
};
struct InputFree {
    void operator()(AVFormatContext* input) const { ff::avformat_close_input(&input); }
};
using InputPtr = std::unique_ptr<AVFormatContext, InputFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFree>;
using ScalePtr = std::unique_ptr<SwsContext, ScaleFree>;
using ResamplePtr = std::unique_ptr<SwrContext, ResampleFree>;

// The file opened for reading with its streams known; nullptr when FFmpeg
// cannot read it.
InputPtr OpenInputFile(const std::string& ansiName);
// A decoder opened for the file's best stream of Type; Stream gets its index.
CodecPtr OpenBestDecoder(AVFormatContext* input, AVMediaType type, int& stream);
// Feeds the stream's packets to the decoder and hands each frame to Take
// until Take answers false or the file ends; false when decoding failed.
template <class Take>
bool DecodeFrames(AVFormatContext* input, AVCodecContext* codec, int stream, Take take);

// A new frame of the picture in Format, sized Width x Height; nullptr when
// FFmpeg refuses. Scale is the caller's scaler, made or remade as needed;
// the caller frees it.
FramePtr PictureToFrame(const MclPicture& picture, AVPixelFormat format, int width, int height, SwsContext*& scale);
// The frame as a picture: 32 bits when its format carries alpha, else 24.
bool FrameToPicture(const AVFrame& frame, MclPicture& picture);

template <class Take>
bool DecodeFrames(AVFormatContext* input, AVCodecContext* codec, int stream, Take take)
{
    PacketPtr packet(ff::av_packet_alloc());
    FramePtr frame(ff::av_frame_alloc());
    if (!packet || !frame) return false;
    bool ended = false;
    while (true) {
        int received = ff::avcodec_receive_frame(codec, frame.get());
        if (received >= 0) {
            if (!take(*frame)) return true;
            continue;
        }
        if (received == AVERROR_EOF) return true;
        if (received != AVERROR(EAGAIN)) return false;
        if (ended) return true;
        if (ff::av_read_frame(input, packet.get()) < 0) {
            ended = true;
            ff::avcodec_send_packet(codec, nullptr);
            continue;
        }
        if (packet->stream_index == stream) ff::avcodec_send_packet(codec, packet.get());
        ff::av_packet_unref(packet.get());
    }
}
