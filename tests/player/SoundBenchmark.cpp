// Measures what playing a movie's MP3 stream sound costs: the player mapped
// from the program as the host maps it, the movie loaded, and every buffer it
// writes counted until the sound has ended. Prints the CPU time the process
// spent against the length of the sound it wrote.
//   player_sound_benchmark MOVIE.swf      (tests/player/sound-benchmark makes one)
#include <windows.h>
#include <mmsystem.h>
#include <ole2.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "PlayerBindings.h"
#include "PlayerLoader.h"
#include "TestSupport.h"

namespace {

constexpr int PutMovie = 22;
std::atomic<uint64_t> written{0}, heard{0};

void OnWrite(HWAVEOUT, const WAVEFORMATEX*, LPWAVEHDR header, double, UINT)
{
    auto* samples = reinterpret_cast<const int16_t*>(header->lpData);
    size_t count = header->dwBufferLength / 4;
    written += count;
    for (size_t i = 0; i < count; ++i)
        if (samples[2 * i] != 0)
            heard = written - count + i + 1;
}

double CpuSeconds()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& time) {
        return static_cast<double>(static_cast<uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: player_sound_benchmark MOVIE.swf\n");
        return 2;
    }
    CoInitialize(nullptr);
    std::string program = tvmtest::BinDir() + "tvmpro.exe";
    HMODULE image = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!image) {
        std::fprintf(stderr, "cannot open %s\n", program.c_str());
        return 1;
    }
    LoadPlayerCodeFromResource(image);
    FreeLibrary(image);
    IUnknown* control = nullptr;
    void* flash = nullptr;
    const IID flashIid = {0xD27CDB6C, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
    if (PlayerCodeProvider().CreateInstance(IID_IUnknown, reinterpret_cast<void**>(&control)) != S_OK
        || control->QueryInterface(flashIid, &flash) != S_OK) {
        std::fprintf(stderr, "no player control\n");
        return 1;
    }
    SetWaveOutWriteHandlers(OnWrite, nullptr);
    double cpuBefore = CpuSeconds();
    DWORD wallBefore = GetTickCount();
    std::string path = argv[1];
    BSTR movie = SysAllocString(std::wstring(path.begin(), path.end()).c_str());
    using PutString = HRESULT(STDMETHODCALLTYPE*)(void*, BSTR);
    reinterpret_cast<PutString>((*static_cast<void***>(flash))[PutMovie])(flash, movie);
    SysFreeString(movie);
    // The sound is over once a second of silence has followed it.
    while (written == 0 || written - heard < 44100) Sleep(50);
    double cpu = CpuSeconds() - cpuBefore;
    double wall = (GetTickCount() - wallBefore) / 1000.0;
    SetWaveOutWriteHandlers(nullptr, nullptr);
    static_cast<IUnknown*>(flash)->Release();
    control->Release();
    double sound = static_cast<double>(heard.load()) / 44100;
    std::printf("sound %.2f s, written %.2f s, wall %.2f s, CPU %.3f s = %.2f %% of the sound's length\n", sound,
                static_cast<double>(written.load()) / 44100, wall, cpu, 100 * cpu / sound);
    ReleasePlayerCode();
    return 0;
}
