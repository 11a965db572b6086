#include "SoundMixer.h"

#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <array>
#include <vector>

#include "FFmpegLibraries.h"
#include "FFmpegSoundDecoders.h"

namespace {

constexpr unsigned BytesPerSample = 2 * sizeof(int16_t);
constexpr unsigned SamplesPerBuffer = SoundBufferBytes / BytesPerSample;
// How long a movie's load waits for the device to open: a system whose
// device takes longer only hears the movie's first sounds late.
constexpr DWORD DeviceOpenWaitMs = 2000;

// Set up and taken down with the module, never by the C++ runtime, whose
// exit handlers may run while the host is ending the process.
struct Mixer {
    // Uses and the thread.
    CRITICAL_SECTION Lock;
    int Uses;
    HANDLE Thread;
    HANDLE StopEvent;
    // Set once the thread has opened the device and written its first
    // buffers, or found that it cannot.
    HANDLE OpenedEvent;
    // The sounds mixed and whether a device plays them; taken by the sound
    // thread for each buffer, never while the thread is waited for.
    CRITICAL_SECTION SourcesLock;
    std::vector<tvmplayer::MovieSound*>* Sources;
    bool DeviceOpen;
};
Mixer mixer;

class SourcesGuard {
public:
    SourcesGuard() { EnterCriticalSection(&mixer.SourcesLock); }
    ~SourcesGuard() { LeaveCriticalSection(&mixer.SourcesLock); }
    SourcesGuard(const SourcesGuard&) = delete;
    SourcesGuard& operator=(const SourcesGuard&) = delete;
};

void SetDeviceOpen(bool open)
{
    SourcesGuard guard;
    mixer.DeviceOpen = open;
    for (tvmplayer::MovieSound* source : *mixer.Sources) source->SetMixing(open);
}

// The sound thread's own state.
struct Output {
    FFmpegSoundDecoders Decoders;
    std::vector<int32_t> Sum = std::vector<int32_t>(SamplesPerBuffer * tvmplayer::MixChannels);
    // Sample numbers: the next to be mixed, and the first not yet played.
    uint64_t Mixed = 0;
    uint64_t Played = 0;
};

// Fills a buffer with every movie's sound, silence where there is none.
void Mix(WAVEHDR& header, Output& output)
{
    std::fill(output.Sum.begin(), output.Sum.end(), 0);
    {
        SourcesGuard guard;
        for (tvmplayer::MovieSound* source : *mixer.Sources) source->Mix(output.Sum, output.Mixed, output.Decoders);
    }
    auto* samples = reinterpret_cast<int16_t*>(header.lpData);
    for (size_t i = 0; i < output.Sum.size(); ++i)
        samples[i] = static_cast<int16_t>(std::clamp<int32_t>(output.Sum[i], INT16_MIN, INT16_MAX));
    output.Mixed += SamplesPerBuffer;
}

void TellPlayed(Output& output)
{
    output.Played += SamplesPerBuffer;
    SourcesGuard guard;
    for (tvmplayer::MovieSound* source : *mixer.Sources) source->Played(output.Played);
}

DWORD WINAPI SoundThread(LPVOID stopEvent)
{
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = 44100;
    format.wBitsPerSample = 16;
    format.nBlockAlign = format.nChannels * format.wBitsPerSample / 8;
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    HANDLE done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HWAVEOUT device = nullptr;
    if (!done || waveOutOpen(&device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(done), 0, CALLBACK_EVENT)
                     != MMSYSERR_NOERROR) {
        // No device: nothing to write to, but the thread still waits for its end.
        OutputDebugStringA("player: no sound device\n");
        SetEvent(mixer.OpenedEvent);
        WaitForSingleObject(stopEvent, INFINITE);
        if (done)
            CloseHandle(done);
        return 0;
    }
    SetDeviceOpen(true);
    Output output;
    std::vector<char> memory(SoundBufferBytes * SoundBuffersQueued);
    std::array<WAVEHDR, SoundBuffersQueued> headers{};
    for (unsigned i = 0; i < SoundBuffersQueued; ++i) {
        headers[i].lpData = memory.data() + i * SoundBufferBytes;
        headers[i].dwBufferLength = SoundBufferBytes;
        waveOutPrepareHeader(device, &headers[i], sizeof(WAVEHDR));
        Mix(headers[i], output);
        waveOutWrite(device, &headers[i], sizeof(WAVEHDR));
    }
    SetEvent(mixer.OpenedEvent);
    HANDLE events[] = {stopEvent, done};
    while (WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
        for (WAVEHDR& header : headers)
            if (header.dwFlags & WHDR_DONE) {
                header.dwFlags &= ~WHDR_DONE;
                TellPlayed(output);
                Mix(header, output);
                waveOutWrite(device, &header, sizeof(WAVEHDR));
            }
    }
    SetDeviceOpen(false);
    waveOutReset(device);
    for (WAVEHDR& header : headers) waveOutUnprepareHeader(device, &header, sizeof(WAVEHDR));
    waveOutClose(device);
    CloseHandle(done);
    return 0;
}

// Called under the lock.
void StartThread()
{
    mixer.StopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    mixer.OpenedEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (mixer.StopEvent && mixer.OpenedEvent)
        mixer.Thread = CreateThread(nullptr, 0, SoundThread, mixer.StopEvent, 0, nullptr);
    if (mixer.Thread)
        return;
    for (HANDLE* event : {&mixer.StopEvent, &mixer.OpenedEvent}) {
        if (*event)
            CloseHandle(*event);
        *event = nullptr;
    }
}

// Called under the lock.
void EndThread()
{
    if (!mixer.Thread)
        return;
    SetEvent(mixer.StopEvent);
    WaitForSingleObject(mixer.Thread, INFINITE);
    CloseHandle(mixer.Thread);
    CloseHandle(mixer.StopEvent);
    CloseHandle(mixer.OpenedEvent);
    mixer.Thread = mixer.StopEvent = mixer.OpenedEvent = nullptr;
}

}

SoundUse::SoundUse(tvmplayer::MovieSound& sound) : sound_(sound)
{
    {
        SourcesGuard guard;
        mixer.Sources->push_back(&sound_);
        sound_.SetMixing(mixer.DeviceOpen);
    }
    EnterCriticalSection(&mixer.Lock);
    if (mixer.Uses++ == 0)
        StartThread();
    // The thread takes no lock of the caller's while it opens the device.
    if (mixer.OpenedEvent)
        WaitForSingleObject(mixer.OpenedEvent, DeviceOpenWaitMs);
    LeaveCriticalSection(&mixer.Lock);
}

SoundUse::~SoundUse()
{
    {
        SourcesGuard guard;
        std::erase(*mixer.Sources, &sound_);
        sound_.SetMixing(false);
    }
    sound_.Detach();
    EnterCriticalSection(&mixer.Lock);
    if (--mixer.Uses == 0)
        EndThread();
    LeaveCriticalSection(&mixer.Lock);
}

void StartSoundMixer()
{
    InitializeCriticalSection(&mixer.Lock);
    InitializeCriticalSection(&mixer.SourcesLock);
    mixer.Uses = 0;
    mixer.Thread = mixer.StopEvent = mixer.OpenedEvent = nullptr;
    mixer.Sources = new std::vector<tvmplayer::MovieSound*>;
    mixer.DeviceOpen = false;
}

void StopSoundMixer()
{
    EnterCriticalSection(&mixer.Lock);
    EndThread();
    LeaveCriticalSection(&mixer.Lock);
    DeleteCriticalSection(&mixer.Lock);
    DeleteCriticalSection(&mixer.SourcesLock);
    delete mixer.Sources;
    mixer.Sources = nullptr;
    FreeFFmpegLibraries();
}
