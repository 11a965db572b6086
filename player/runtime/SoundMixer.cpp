#include "SoundMixer.h"

#include <windows.h>
#include <mmsystem.h>

#include <array>
#include <vector>

namespace {

// Set up and taken down with the module, never by the C++ runtime, whose
// exit handlers may run while the host is ending the process.
struct Mixer {
    CRITICAL_SECTION Lock;
    int Uses;
    HANDLE Thread;
    HANDLE StopEvent;
};
Mixer mixer;

// Fills a buffer with what plays: nothing makes sound yet, so silence.
void Mix(WAVEHDR& header)
{
    ZeroMemory(header.lpData, header.dwBufferLength);
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
        WaitForSingleObject(stopEvent, INFINITE);
        if (done)
            CloseHandle(done);
        return 0;
    }
    std::vector<char> memory(SoundBufferBytes * SoundBuffersQueued);
    std::array<WAVEHDR, SoundBuffersQueued> headers{};
    for (unsigned i = 0; i < SoundBuffersQueued; ++i) {
        headers[i].lpData = memory.data() + i * SoundBufferBytes;
        headers[i].dwBufferLength = SoundBufferBytes;
        waveOutPrepareHeader(device, &headers[i], sizeof(WAVEHDR));
        Mix(headers[i]);
        waveOutWrite(device, &headers[i], sizeof(WAVEHDR));
    }
    HANDLE events[] = {stopEvent, done};
    while (WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
        for (WAVEHDR& header : headers)
            if (header.dwFlags & WHDR_DONE) {
                header.dwFlags &= ~WHDR_DONE;
                Mix(header);
                waveOutWrite(device, &header, sizeof(WAVEHDR));
            }
    }
    waveOutReset(device);
    for (WAVEHDR& header : headers) waveOutUnprepareHeader(device, &header, sizeof(WAVEHDR));
    waveOutClose(device);
    CloseHandle(done);
    return 0;
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
    mixer.Thread = mixer.StopEvent = nullptr;
}

}

SoundUse::SoundUse()
{
    EnterCriticalSection(&mixer.Lock);
    if (mixer.Uses++ == 0) {
        mixer.StopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        mixer.Thread = mixer.StopEvent ? CreateThread(nullptr, 0, SoundThread, mixer.StopEvent, 0, nullptr) : nullptr;
        if (!mixer.Thread && mixer.StopEvent) {
            CloseHandle(mixer.StopEvent);
            mixer.StopEvent = nullptr;
        }
    }
    LeaveCriticalSection(&mixer.Lock);
}

SoundUse::~SoundUse()
{
    EnterCriticalSection(&mixer.Lock);
    if (--mixer.Uses == 0)
        EndThread();
    LeaveCriticalSection(&mixer.Lock);
}

void StartSoundMixer()
{
    InitializeCriticalSection(&mixer.Lock);
    mixer.Uses = 0;
    mixer.Thread = mixer.StopEvent = nullptr;
}

void StopSoundMixer()
{
    EnterCriticalSection(&mixer.Lock);
    EndThread();
    LeaveCriticalSection(&mixer.Lock);
    DeleteCriticalSection(&mixer.Lock);
}
