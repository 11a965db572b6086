// Benchmark: a 60 s, 550x400, 24 fps vector movie with MP3 stream sound
// converted by the converter control to the MPEG-4 target, and in the same
// run the same frames and sound encoded with the same FFmpeg libraries
// called directly with the same settings. Prints the conversion's time, the
// direct encode's, their ratio, the conversion's speed against the movie's
// own length, and the program's peak memory.
//   converter_bench TONE.mp3 TONE.pcm    (scripts/bench.sh makes both: the
//   tone in MP3, and decoded to 44,100 Hz 16-bit stereo)
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "ConversionFixture.h"
#include "FFEncode.h"
#include "FFLoad.h"
#include "MyUtils.h"
#include "SwfDrawing.h"
#include "SwfFixtures.h"
#include "SysUtils.h"
#include "TestSupport.h"
#include "MappedPlayer.h"
#include "kvnFlashAVCapture.h"
#include "kvnMP3StreamReader.h"

namespace {

constexpr int Width = 550, Height = 400, Rate = 24, Seconds = 60, Frames = Rate * Seconds;
constexpr int VideoBitrate = 800000, AudioBitrate = 128000;

void Put16(tvmtest::Bytes& bytes, int value)
{
    bytes.push_back(static_cast<uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<uint8_t>(value >> 8 & 0xFF));
}

// The MP3 frames of Mp3 as stream blocks, one per movie frame, each with
// the frames that reach the movie frame's end.
std::vector<tvmtest::Bytes> StreamBlocks(const tvmtest::Bytes& mp3)
{
    TMemoryStream stream;
    stream.WriteBuffer(mp3.data(), static_cast<int32_t>(mp3.size()));
    stream.SetPosition(0);
    TkvnMP3StreamReader reader(stream);
    std::vector<tvmtest::Bytes> blocks;
    const auto& frames = reader.Frames();
    size_t next = 0;
    int64_t samples = 0;
    for (int frame = 0; frame < Frames; ++frame) {
        const int64_t end = static_cast<int64_t>((frame + 1) * 44100.0 / Rate);
        tvmtest::Bytes data;
        int count = 0;
        for (; next < frames.size() && samples < end; ++next) {
            auto piece = reader.GetFrameData(static_cast<int>(next));
            const auto* bytes = static_cast<const uint8_t*>(piece->Memory());
            data.insert(data.end(), bytes, bytes + piece->GetSize());
            count += static_cast<int>(frames[next].Header.SamplesPerFrame());
            samples += frames[next].Header.SamplesPerFrame();
        }
        tvmtest::Bytes block;
        Put16(block, count);
        Put16(block, 0);
        block.insert(block.end(), data.begin(), data.end());
        blocks.push_back(std::move(block));
    }
    return blocks;
}

// Three shapes crossing the stage once a second: every second draws the
// same 24 pictures, which the direct encode then takes in turn.
std::string BenchMovie(const tvmtest::Bytes& mp3)
{
    using namespace tvmtest;
    SwfTags tags;
    tags.Background(0x224488)
        .Tag(32, RectangleShape(1, SwfRect{0, 0, 120 * 20, 90 * 20}, SolidFill(0xFFFFCC00)))
        .Tag(32, RectangleShape(2, SwfRect{0, 0, 60 * 20, 160 * 20}, SolidFill(0xFF33CC66)))
        .Tag(32, RectangleShape(3, SwfRect{0, 0, 200 * 20, 40 * 20}, SolidFill(0xFFCC3344)))
        .SoundStreamHead(SoundFormatByte(2, 3, true, true), 44100 / Rate);
    std::vector<Bytes> blocks = StreamBlocks(mp3);
    for (int frame = 0; frame < Frames; ++frame) {
        const int step = frame % Rate;
        for (uint16_t depth = 1; depth <= 3; ++depth) {
            SwfPlace place{.depth = depth, .id = static_cast<uint16_t>(frame == 0 ? depth : 0)};
            place.matrix = SwfMatrix{.tx = (step * 18 + depth * 40) * 20, .ty = (depth * 100 - step * 3) * 20};
            tags.Tag(26, PlaceObject2(place));
        }
        tags.SoundStreamBlock(blocks[frame]).ShowFrame();
    }
    return tvmtest::WriteMovie("bench-movie.swf", Width, Height, Rate, Frames, tags);
}

// The movie's first 24 frames as the player draws them, bottom-up BGR rows
// turned top-down.
std::vector<std::vector<uint8_t>> PlayerPictures(TForm& form, const std::string& movie)
{
    auto* capture = new TkvnFlashAVCapture(&form);
    capture->SetParent(&form);
    capture->SetBounds(0, 0, Width, Height);
    capture->LoadMovie(movie, "", 0, "");
    capture->StopPlay();
    std::vector<std::vector<uint8_t>> pictures;
    for (int frame = 0; frame < Rate; ++frame) {
        capture->GotoFrame(frame);
        std::unique_ptr<TBitmap> picture;
        if (!capture->CreateFrameBitmap(picture)) break;
        std::vector<uint8_t> bgr(size_t(Width) * Height * 3);
        for (int y = 0; y < Height; ++y)
            std::memcpy(&bgr[size_t(y) * Width * 3], picture->ScanLine(y), size_t(Width) * 3);
        pictures.push_back(std::move(bgr));
    }
    delete capture;
    return pictures;
}

struct TDirectEncode {
    AVFormatContext* Output = nullptr;
    AVStream* Streams[2] = {};
    AVCodecContext* Encoders[2] = {};
    AVPacket* Packet = ff::av_packet_alloc();

    ~TDirectEncode()
    {
        for (AVCodecContext*& encoder : Encoders) ff::avcodec_free_context(&encoder);
        if (Output) ff::avio_closep(&Output->pb);
        ff::avformat_free_context(Output);
        ff::av_packet_free(&Packet);
    }
    AVCodecContext* Open(int index, const char* name, const std::function<void(AVCodecContext&)>& set)
    {
        const AVCodec* codec = ff::avcodec_find_encoder_by_name(name);
        Streams[index] = ff::avformat_new_stream(Output, nullptr);
        AVCodecContext* encoder = Encoders[index] = ff::avcodec_alloc_context3(codec);
        set(*encoder);
        if (Output->oformat->flags & AVFMT_GLOBALHEADER) encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        AVDictionary* options = nullptr;
        ff::av_dict_set(&options, "threads", "auto", 0);
        int opened = ff::avcodec_open2(encoder, codec, &options);
        ff::av_dict_free(&options);
        if (opened < 0) return nullptr;
        ff::avcodec_parameters_from_context(Streams[index]->codecpar, encoder);
        Streams[index]->time_base = encoder->time_base;
        return encoder;
    }
    void Send(int index, AVFrame* frame)
    {
        ff::avcodec_send_frame(Encoders[index], frame);
        while (ff::avcodec_receive_packet(Encoders[index], Packet) == 0) {
            ff::av_packet_rescale_ts(Packet, Encoders[index]->time_base, Streams[index]->time_base);
            Packet->stream_index = index;
            ff::av_interleaved_write_frame(Output, Packet);
        }
    }
};

// The same pictures and sound to MPEG-4 video and AAC sound in MP4, with
// the libraries called directly; sound and pictures take turns by time.
bool EncodeDirectly(const std::vector<std::vector<uint8_t>>& pictures, const std::vector<int16_t>& pcm,
                    const std::string& file)
{
    TDirectEncode run;
    ff::avformat_alloc_output_context2(&run.Output, nullptr, "mp4", file.c_str());
    AVCodecContext* video = run.Open(0, "mpeg4", [](AVCodecContext& c) {
        c.width = Width, c.height = Height, c.pix_fmt = AV_PIX_FMT_YUV420P;
        c.time_base = {1, Rate}, c.framerate = {Rate, 1}, c.bit_rate = VideoBitrate;
    });
    AVCodecContext* audio = run.Open(1, "aac", [](AVCodecContext& c) {
        c.sample_rate = 44100, c.sample_fmt = AV_SAMPLE_FMT_FLTP, c.bit_rate = AudioBitrate;
        ff::av_channel_layout_default(&c.ch_layout, 2);
        c.time_base = {1, 44100};
    });
    if (!video || !audio || ff::avio_open2(&run.Output->pb, file.c_str(), AVIO_FLAG_WRITE, nullptr, nullptr) < 0 ||
        ff::avformat_write_header(run.Output, nullptr) < 0)
        return false;
    SwsContext* scaler = ff::sws_getContext(Width, Height, AV_PIX_FMT_BGR24, Width, Height, AV_PIX_FMT_YUV420P,
                                            SWS_BICUBIC, nullptr, nullptr, nullptr);
    SwrContext* resampler = nullptr;
    ff::swr_alloc_set_opts2(&resampler, &audio->ch_layout, AV_SAMPLE_FMT_FLTP, 44100, &audio->ch_layout,
                            AV_SAMPLE_FMT_S16, 44100, 0, nullptr);
    ff::swr_init(resampler);
    AVFrame* frame = ff::av_frame_alloc();
    const int64_t samples = static_cast<int64_t>(pcm.size() / 2);
    int64_t soundAt = 0;
    for (int picture = 0; picture < Frames; ++picture) {
        // The sound up to this picture's time first, in the encoder's own frame size.
        for (; soundAt < samples && soundAt * Rate < int64_t(picture) * 44100; soundAt += audio->frame_size) {
            int count = static_cast<int>(std::min<int64_t>(audio->frame_size, samples - soundAt));
            frame->format = AV_SAMPLE_FMT_FLTP;
            frame->nb_samples = audio->frame_size;
            ff::av_channel_layout_copy(&frame->ch_layout, &audio->ch_layout);
            frame->sample_rate = 44100;
            ff::av_frame_get_buffer(frame, 0);
            const uint8_t* source[1] = {reinterpret_cast<const uint8_t*>(&pcm[size_t(soundAt) * 2])};
            ff::swr_convert(resampler, frame->data, count, source, count);
            frame->pts = soundAt;
            run.Send(1, frame);
            ff::av_frame_unref(frame);
        }
        frame->format = AV_PIX_FMT_YUV420P;
        frame->width = Width;
        frame->height = Height;
        ff::av_frame_get_buffer(frame, 32);
        const uint8_t* source[1] = {pictures[picture % pictures.size()].data()};
        int stride[1] = {Width * 3};
        ff::sws_scale(scaler, source, stride, 0, Height, frame->data, frame->linesize);
        frame->pts = picture;
        run.Send(0, frame);
        ff::av_frame_unref(frame);
    }
    run.Send(0, nullptr);
    run.Send(1, nullptr);
    ff::av_write_trailer(run.Output);
    ff::av_frame_free(&frame);
    ff::swr_free(&resampler);
    ff::sws_freeContext(scaler);
    return true;
}

double PeakMegabytes()
{
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

// Processor seconds of every thread of the process so far.
double ProcessorSeconds()
{
    FILETIME creation, exit, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
    auto seconds = [](const FILETIME& t) { return double(uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e7; };
    return seconds(kernel) + seconds(user);
}

// Wall-clock seconds of Run, below 0 when it failed; Processor gets its processor seconds.
template <typename TRun>
double WallSeconds(TRun run, double& processor)
{
    auto start = std::chrono::steady_clock::now();
    const double cpu = ProcessorSeconds();
    if (!run()) return -1;
    processor = ProcessorSeconds() - cpu;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: converter_bench TONE.mp3 TONE.pcm\n");
        return 2;
    }
    Application->Initialize();
    tvmtest::MapPlayerFromProgram();
    FFLoader().SetLibraryPath(AnsiToWide(tvmtest::BinDir() + "libav"));
    if (!FFLoader().LoadLibraries(EncoderLibraries)) {
        std::printf("%s\n", FFLoader().LastErrorMessage().c_str());
        return 1;
    }
    const tvmtest::Bytes mp3 = tvmtest::ReadFile(argv[1]);
    const tvmtest::Bytes raw = tvmtest::ReadFile(argv[2]);
    std::vector<int16_t> pcm(raw.size() / 2);
    std::memcpy(pcm.data(), raw.data(), pcm.size() * 2);
    const std::string movie = BenchMovie(mp3);

    TForm* form = TForm::CreateNew(nullptr);
    form->SetBounds(20, 20, Width + 40, Height + 60);
    form->Show();
    auto* converter = new TkvnTavelomatic(form);
    converter->SetParent(form);
    converter->SetBounds(0, 0, Width, Height);
    TkvnTavelomaticSettings task = tvmtest::ConversionTask(3, 1, "bench-conversion.mp4");
    task.FileInfo.FileName = movie;
    task.FileInfo.Width = task.VideoSettings.StageWidth = task.VideoSettings.Width = Width;
    task.FileInfo.Height = task.VideoSettings.StageHeight = task.VideoSettings.Height = Height;
    task.FileInfo.FPS = task.VideoSettings.FPS = Rate;
    task.FileInfo.FrameCount = Frames;
    task.DurationOfConverting = Seconds;
    task.VideoSettings.Bitrate = VideoBitrate;
    task.AudioSettings.CodecID = 0;
    task.AudioSettings.BitRate = AudioBitrate;
    double conversionCpu = 0, directCpu = 0;
    const double conversion = WallSeconds([&] { return converter->Convert(task) == 1; }, conversionCpu);
    const double conversionPeak = PeakMegabytes();
    if (conversion < 0) {
        std::printf("conversion failed: %s\n", converter->LastErrorText.c_str());
        return 1;
    }
    const auto pictures = PlayerPictures(*form, movie);
    delete form;
    if (pictures.size() != Rate) {
        std::printf("the player's frames could not be drawn\n");
        return 1;
    }
    const double direct = WallSeconds(
        [&] { return EncodeDirectly(pictures, pcm, tvmtest::OutputDir() + "bench-direct.mp4"); }, directCpu);
    if (direct < 0) {
        std::printf("the direct encode failed\n");
        return 1;
    }
    std::printf("movie: %d s, %dx%d, %d fps, MP3 stream sound; target MPEG-4 (mpeg4 + aac in MP4)\n", Seconds, Width,
                Height, Rate);
    std::printf("conversion %.2f s (processor %.2f s), direct encode %.2f s (processor %.2f s), "
                "conversion/direct %.2f\n",
                conversion, conversionCpu, direct, directCpu, conversion / direct);
    std::printf("conversion speed %.2fx the movie's duration\n", Seconds / conversion);
    std::printf("peak memory %.0f MB after the conversion, %.0f MB in all\n", conversionPeak, PeakMegabytes());
    return 0;
}
