// Benchmark: 60 s of 550x400 pictures at 24 frames/s to MPEG-4 in AVI,
// through the engine (frame input, filter graph, encoder, muxer) and through
// the same FFmpeg libraries called directly with the same settings. The two
// take turns for a few rounds, so that a busy machine weighs on both alike;
// prints each round's wall-clock and processor times and the ratios of the
// medians.
#include "FFEncode.h"
#include "FFLoad.h"
#include "FrameInput.h"
#include "MyUtils.h"
#include "SysUtils.h"
#include "TestSupport.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <vector>

namespace {

constexpr int Width = 550, Height = 400, Rate = 24, Seconds = 60, Bitrate = 1500000;
constexpr int Frames = Rate * Seconds;

// A second of distinct pictures, shown in turn: drawing is not what is measured.
std::vector<std::vector<uint8_t>> Pictures()
{
    std::vector<std::vector<uint8_t>> pictures(Rate, std::vector<uint8_t>(size_t(Width) * Height * 3));
    for (int i = 0; i < Rate; ++i)
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x) {
                uint8_t* p = &pictures[i][(size_t(y) * Width + x) * 3];
                p[0] = uint8_t(x + 5 * i), p[1] = uint8_t(y + 3 * i), p[2] = uint8_t(x + y);
            }
    return pictures;
}

// Wall-clock and processor seconds (all threads) of one run.
struct TCost {
    double Wall = 0, Cpu = 0;
};

double ProcessorSeconds()
{
    FILETIME creation, exit, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
    auto seconds = [](const FILETIME& t) { return (uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e7; };
    return seconds(kernel) + seconds(user);
}

template <typename TRun>
TCost Measure(TRun run)
{
    auto start = std::chrono::steady_clock::now();
    double cpu = ProcessorSeconds();
    if (!run()) return {-1, -1};
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), ProcessorSeconds() - cpu};
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The caller's own part of the engine run: drawing the pictures into the
// frame input's canvas, which the direct run has no need of.
double drawSeconds = 0;

bool ThroughEngine(const std::vector<std::vector<uint8_t>>& pictures, const std::string& file)
{
    TFFEncoder encoder(nullptr);
    TFrameInputAdapter frames(nullptr);
    frames.TriggerEventInMainThread = false;
    int read = 0;
    frames.OnReadFrameCanvas = [&](TObject*, TCanvas*, TInputFrameInfo* info) {
        if (read >= Frames) return -1;
        auto start = std::chrono::steady_clock::now();
        const uint8_t* source = pictures[read++ % Rate].data();
        for (int y = 0; y < Height; ++y)
            memcpy(info->Bitmap->ScanLine(y), source + size_t(y) * Width * 3, size_t(Width) * 3);
        drawSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return 0;
    };
    TInputOptions input;
    input.FileFormat = "frameinput";
    int task = encoder.AddTask(
        AnsiToWide(Format("a=%d;r=%d/1;s=%d*%d;bpp=24;t=canvas;pf=yuv420p", frames.Address(), Rate, Width, Height)),
        &input);
    TOutputOptions output;
    output.FileFormat = "avi";
    output.VideoCodec = "mpeg4";
    output.VideoBitrate = Bitrate;
    if (task < 0 || !encoder.SetOutputFile(task, AnsiToWide(file), &output)) {
        std::printf("engine: %s\n", encoder.LastErrorText().c_str());
        return false;
    }
    encoder.StartTask(0);
    return true;
}

bool Direct(const std::vector<std::vector<uint8_t>>& pictures, const std::string& file)
{
    AVFormatContext* output = nullptr;
    ff::avformat_alloc_output_context2(&output, nullptr, "avi", file.c_str());
    const AVCodec* codec = ff::avcodec_find_encoder_by_name("mpeg4");
    AVStream* stream = ff::avformat_new_stream(output, nullptr);
    AVCodecContext* encoder = ff::avcodec_alloc_context3(codec);
    encoder->width = Width;
    encoder->height = Height;
    encoder->pix_fmt = AV_PIX_FMT_YUV420P;
    encoder->time_base = {1, Rate};
    encoder->framerate = {Rate, 1};
    encoder->bit_rate = Bitrate;
    AVDictionary* options = nullptr;
    ff::av_dict_set(&options, "threads", "auto", 0);
    ff::avcodec_open2(encoder, codec, &options);
    ff::av_dict_free(&options);
    ff::avcodec_parameters_from_context(stream->codecpar, encoder);
    stream->time_base = encoder->time_base;
    ff::avio_open2(&output->pb, file.c_str(), AVIO_FLAG_WRITE, nullptr, nullptr);
    if (ff::avformat_write_header(output, nullptr) < 0) return false;
    SwsContext* scaler = ff::sws_getContext(Width, Height, AV_PIX_FMT_BGR24, Width, Height, AV_PIX_FMT_YUV420P,
                                            SWS_BICUBIC, nullptr, nullptr, nullptr);
    AVFrame* frame = ff::av_frame_alloc();
    AVPacket* packet = ff::av_packet_alloc();
    auto drain = [&] {
        while (ff::avcodec_receive_packet(encoder, packet) == 0) {
            ff::av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
            packet->stream_index = 0;
            ff::av_interleaved_write_frame(output, packet);
        }
    };
    for (int i = 0; i < Frames; ++i) {
        frame->format = AV_PIX_FMT_YUV420P;
        frame->width = Width;
        frame->height = Height;
        ff::av_frame_get_buffer(frame, 32);
        const uint8_t* source[1] = {pictures[i % Rate].data()};
        int stride[1] = {Width * 3};
        ff::sws_scale(scaler, source, stride, 0, Height, frame->data, frame->linesize);
        frame->pts = i;
        ff::avcodec_send_frame(encoder, frame);
        ff::av_frame_unref(frame);
        drain();
    }
    ff::avcodec_send_frame(encoder, nullptr);
    drain();
    ff::av_write_trailer(output);
    ff::avio_closep(&output->pb);
    ff::avformat_free_context(output);
    ff::sws_freeContext(scaler);
    ff::av_frame_free(&frame);
    ff::av_packet_free(&packet);
    ff::avcodec_free_context(&encoder);
    return true;
}

}

int main(int argc, char** argv)
{
    FFLoader().SetLibraryPath(AnsiToWide(tvmtest::BinDir() + "libav"));
    if (!FFLoader().LoadLibraries(EncoderLibraries)) {
        std::printf("%s\n", FFLoader().LastErrorMessage().c_str());
        return 1;
    }
    auto pictures = Pictures();
    const int Rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    std::vector<double> directWall, directCpu, engineWall, engineCpu;
    for (int round = 1; round <= Rounds; ++round) {
        TCost direct = Measure([&] { return Direct(pictures, tvmtest::OutputDir() + "bench-direct.avi"); });
        drawSeconds = 0;
        TCost engine = Measure([&] { return ThroughEngine(pictures, tvmtest::OutputDir() + "bench-engine.avi"); });
        if (direct.Wall < 0 || engine.Wall < 0) return 1;
        std::printf("round %d: direct %.2f s (cpu %.2f s), engine %.2f s (cpu %.2f s, drawing %.2f s), engine/direct "
                    "%.3f (cpu %.3f)\n",
                    round, direct.Wall, direct.Cpu, engine.Wall, engine.Cpu, drawSeconds, engine.Wall / direct.Wall,
                    engine.Cpu / direct.Cpu);
        directWall.push_back(direct.Wall), directCpu.push_back(direct.Cpu);
        engineWall.push_back(engine.Wall), engineCpu.push_back(engine.Cpu);
    }
    std::printf("%d frames %dx%d MPEG-4, medians of %d rounds: direct %.2f s (cpu %.2f s), engine %.2f s (cpu %.2f s), "
                "engine/direct %.3f (cpu %.3f)\n",
                Frames, Width, Height, Rounds, Median(directWall), Median(directCpu), Median(engineWall),
                Median(engineCpu), Median(engineWall) / Median(directWall), Median(engineCpu) / Median(directCpu));
    return 0;
}
