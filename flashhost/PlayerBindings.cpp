#include "PlayerBindings.h"

#include <ole2.h>
#include <urlmon.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "ContentManager.h"
#include "PlayerLoader.h"
#include "SysUtils.h"
#include "Threads.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

// ---- Process-wide state ----

struct TWaveOutDevice {
    HWAVEOUT Handle;
    // The format as opened (rate divided by the speed), without extra bytes.
    WAVEFORMATEX Format;
    // How the player hears of a finished buffer, as it opened the device.
    DWORD_PTR Callback;
    DWORD_PTR Instance;
    DWORD Flags;
    // Buffers written while the host paces the sound, oldest first; no
    // device has them.
    std::deque<LPWAVEHDR> Held;
    // Buffers written to the device itself that it may not have finished.
    std::vector<LPWAVEHDR> Playing;
};

// The player's open devices, in the order they were opened.
class TMapWaveOutDevice {
public:
    void Add(const TWaveOutDevice& device) { devices_.push_back(device); }

    void Remove(HWAVEOUT handle)
    {
        for (auto device = devices_.begin(); device != devices_.end(); ++device) {
            if (device->Handle == handle) {
                devices_.erase(device);
                return;
            }
        }
    }

    TWaveOutDevice* Find(HWAVEOUT handle)
    {
        for (TWaveOutDevice& device : devices_) {
            if (device.Handle == handle)
                return &device;
        }
        return nullptr;
    }

    std::deque<TWaveOutDevice>& Items() { return devices_; }

private:
    // A deque: a device found stays where it is while others are added.
    std::deque<TWaveOutDevice> devices_;
};

// The player's window class names and the names they are registered under.
class TMapString2String {
public:
    void Add(const std::string& key, const std::string& value)
    {
        TCriticalSectionGuard guard(lock_);
        for (auto& pair : pairs_) {
            if (lstrcmpiA(pair.first.c_str(), key.c_str()) == 0) {
                pair.second = value;
                return;
            }
        }
        pairs_.emplace_back(key, value);
    }

    bool Lookup(const char* key, std::string& value)
    {
        TCriticalSectionGuard guard(lock_);
        for (const auto& pair : pairs_) {
            if (lstrcmpiA(pair.first.c_str(), key) == 0) {
                value = pair.second;
                return true;
            }
        }
        return false;
    }

private:
    TCriticalSection lock_;
    std::vector<std::pair<std::string, std::string>> pairs_;
};

// Cursors made from an image's resources, by image and resource name.
class TSavedCursors {
public:
    HCURSOR Lookup(HINSTANCE image, const char* name)
    {
        TCriticalSectionGuard guard(lock_);
        for (const TSavedCursor& saved : cursors_) {
            if (saved.Image == image && saved.ByName == !IS_INTRESOURCE(name) &&
                (saved.ByName ? saved.Name == name : saved.Id == LOWORD(reinterpret_cast<uintptr_t>(name))))
                return saved.Cursor;
        }
        return nullptr;
    }

    void Add(HINSTANCE image, const char* name, HCURSOR cursor)
    {
        TCriticalSectionGuard guard(lock_);
        bool byName = !IS_INTRESOURCE(name);
        cursors_.push_back({image, byName, byName ? WORD(0) : LOWORD(reinterpret_cast<uintptr_t>(name)),
                            byName ? name : "", cursor});
    }

private:
    struct TSavedCursor {
        HINSTANCE Image;
        bool ByName;
        WORD Id;
        std::string Name;
        HCURSOR Cursor;
    };
    TCriticalSection lock_;
    std::vector<TSavedCursor> cursors_;
};

// A copy of the picture the player blitted last.
class TLastBlit {
public:
    TLastBlit() : dc_(CreateCompatibleDC(nullptr)) {}

    void Capture(HDC source, int x, int y, int width, int height, DWORD rop)
    {
        if (width <= 0 || height <= 0)
            return;
        if (width != size_.cx || height != size_.cy)
            Resize(width, height);
        ::BitBlt(dc_, 0, 0, width, height, source, x, y, rop);
    }

    SIZE Size() const { return size_; }

    bool DrawTo(HDC target, int x, int y) const
    {
        return bitmap_ && ::BitBlt(target, x, y, size_.cx, size_.cy, dc_, 0, 0, SRCCOPY);
    }

private:
    void Resize(int width, int height)
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!bitmap)
            return;
        HGDIOBJ previous = SelectObject(dc_, bitmap);
        if (bitmap_)
            DeleteObject(previous);
        bitmap_ = bitmap;
        size_ = {width, height};
    }

    HDC dc_;
    HBITMAP bitmap_ = nullptr;
    SIZE size_ = {0, 0};
};

template <class Handler>
struct THandlerPair {
    std::atomic<Handler> Pre = nullptr;
    std::atomic<Handler> Post = nullptr;
};

struct TBindingState {
    TCriticalSection WaveOutLock;
    TCriticalSection PositionLock;
    TCriticalSection SpeedLock;

    // Under the wave-out lock.
    TMapWaveOutDevice Devices;
    bool Paused = false;
    bool SoundEnabled = true;
    // Read by the clock binding without the wave-out lock.
    std::atomic<bool> HostPaced = false;
    THandlerPair<TWaveOutOpenHandler> OpenHandlers;
    THandlerPair<TWaveOutWriteHandler> WriteHandlers;
    THandlerPair<TWaveOutCloseHandler> CloseHandlers;
    THandlerPair<TTimeGetTimeHandler> TimeHandlers;

    // Under the position lock.
    double BaseTick = 0;
    double AudioPosition = 0;
    double SampleFrames = 0;
    // Milliseconds since 1601 last handed out by the local and system time bindings.
    uint64_t LocalTimeMark = 0;
    uint64_t SystemTimeMark = 0;

    // Written under the speed lock; the open binding reads it without.
    std::atomic<double> Speed = 1.0;

    TMapString2String ClassNames;
    TSavedCursors Cursors;
    TLastBlit LastBlit;
};

// Never freed: the player's own threads, and its detach at process exit, may
// still call the bindings while the program's statics are being torn down.
TBindingState& State()
{
    static TBindingState* state = new TBindingState;
    return *state;
}

TPlayerSystemCalls& System()
{
    return PlayerSystemCalls();
}

// A millisecond count as the 32-bit clocks give it: truncated, wrapping.
DWORD Ticks(double milliseconds)
{
    return DWORD(int64_t(milliseconds));
}

template <class Handler, class... Args>
void Call(const std::atomic<Handler>& handler, Args&&... args)
{
    if (Handler call = handler.load())
        call(std::forward<Args>(args)...);
}

template <class Handler>
void SetHandlers(THandlerPair<Handler>& pair, Handler pre, Handler post)
{
    TCriticalSectionGuard guard(State().WaveOutLock);
    pair.Pre = pre;
    pair.Post = post;
}

// ---- Sound ----

// The caller's format as the device opens it: the rate divided by the speed.
// PCM formats may come without cbSize; others carry cbSize extra bytes.
std::vector<BYTE> OpenedFormat(LPCWAVEFORMATEX format)
{
    bool pcm = format->wFormatTag == WAVE_FORMAT_PCM;
    std::vector<BYTE> copy(sizeof(WAVEFORMATEX) + (pcm ? 0 : format->cbSize));
    std::memcpy(copy.data(), format, pcm ? sizeof(PCMWAVEFORMAT) : copy.size());
    auto* opened = reinterpret_cast<WAVEFORMATEX*>(copy.data());
    double speed = State().Speed;
    if (speed > 0) {
        double rate = std::nearbyint(opened->nSamplesPerSec / speed);
        opened->nSamplesPerSec = DWORD(std::clamp(rate, 1.0, double(UINT32_MAX)));
    }
    return copy;
}

MMRESULT WINAPI BoundWaveOutOpen(LPHWAVEOUT handle, UINT deviceId, LPCWAVEFORMATEX format, DWORD_PTR callback,
                                 DWORD_PTR instance, DWORD flags)
{
    TBindingState& state = State();
    TCriticalSectionGuard guard(state.WaveOutLock);
    bool opensDevice = handle && format && !(flags & WAVE_FORMAT_QUERY);
    if (opensDevice)
        Call(state.OpenHandlers.Pre, handle, deviceId, format);
    std::vector<BYTE> opened = format ? OpenedFormat(format) : std::vector<BYTE>();
    auto* openedFormat = format ? reinterpret_cast<const WAVEFORMATEX*>(opened.data()) : nullptr;
    MMRESULT result = System().WaveOutOpen(handle, deviceId, openedFormat, callback, instance, flags);
    if (result != MMSYSERR_NOERROR || !opensDevice)
        return result;
    if (state.Paused)
        System().WaveOutPause(*handle);
    state.Devices.Add({*handle, *openedFormat, callback, instance, flags, {}, {}});
    Call(state.OpenHandlers.Post, handle, deviceId, format);
    return MMSYSERR_NOERROR;
}

// Under the wave-out lock: the device has header to play. The player writes
// the same few buffers over and over; those it has finished are forgotten.
void NotePlaying(TWaveOutDevice& device, LPWAVEHDR header)
{
    std::erase_if(device.Playing, [header](LPWAVEHDR queued) { return queued == header || (queued->dwFlags & WHDR_DONE); });
    device.Playing.push_back(header);
}

// Under the wave-out lock: a buffer written while the host paces the sound
// waits, queued as the player sees it, until the host finishes it.
MMRESULT Hold(HWAVEOUT handle, LPWAVEHDR header)
{
    TWaveOutDevice* device = State().Devices.Find(handle);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    if (!(header->dwFlags & WHDR_PREPARED))
        return WAVERR_UNPREPARED;
    header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    device->Held.push_back(header);
    return MMSYSERR_NOERROR;
}

// Under the wave-out lock: the device's oldest held buffer is done, and the
// player hears so the way it asked to when it opened the device.
void FinishOldest(TWaveOutDevice& device)
{
    LPWAVEHDR header = device.Held.front();
    device.Held.pop_front();
    header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    auto buffer = reinterpret_cast<DWORD_PTR>(header);
    switch (device.Flags & CALLBACK_TYPEMASK) {
    case CALLBACK_EVENT:
        SetEvent(reinterpret_cast<HANDLE>(device.Callback));
        break;
    case CALLBACK_FUNCTION:
        reinterpret_cast<LPDRVCALLBACK>(device.Callback)(reinterpret_cast<HDRVR>(device.Handle), WOM_DONE,
                                                         device.Instance, buffer, 0);
        break;
    case CALLBACK_WINDOW:
        PostMessageA(reinterpret_cast<HWND>(device.Callback), MM_WOM_DONE, reinterpret_cast<WPARAM>(device.Handle),
                     LPARAM(buffer));
        break;
    case CALLBACK_THREAD:
        PostThreadMessageA(DWORD(device.Callback), MM_WOM_DONE, reinterpret_cast<WPARAM>(device.Handle),
                           LPARAM(buffer));
        break;
    default:
        break;
    }
}

MMRESULT WINAPI BoundWaveOutWrite(HWAVEOUT handle, LPWAVEHDR header, UINT headerSize)
{
    TBindingState& state = State();
    TCriticalSectionGuard guard(state.WaveOutLock);
    const TWaveOutDevice* known = state.Devices.Find(handle);
    // Only the player's own devices are paced and counted.
    if (!known || !header)
        return System().WaveOutWrite(handle, header, headerSize);
    // A copy: a handler may close the device while it runs.
    WAVEFORMATEX format = known->Format;
    DWORD frameBytes = DWORD(format.wBitsPerSample / 8) * format.nChannels;
    DWORD frames = frameBytes ? header->dwBufferLength / frameBytes : 0;
    double rate = format.nSamplesPerSec;
    double duration = rate > 0 ? frames * 1000.0 / rate : 0;

    Call(state.WriteHandlers.Pre, handle, &format, header, duration, headerSize);
    if (!state.SoundEnabled)
        std::memset(header->lpData, 0, header->dwBufferLength);
    MMRESULT result = state.HostPaced ? Hold(handle, header) : System().WaveOutWrite(handle, header, headerSize);
    if (result != MMSYSERR_NOERROR)
        return result;
    if (!state.HostPaced)
        NotePlaying(*state.Devices.Find(handle), header);
    double position;
    {
        TCriticalSectionGuard positionGuard(state.PositionLock);
        state.SampleFrames += frames;
        if (rate > 0)
            state.AudioPosition = state.SampleFrames * 1000.0 / rate;
        position = state.AudioPosition;
    }
    Call(state.WriteHandlers.Post, handle, &format, header, position, headerSize);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI BoundWaveOutClose(HWAVEOUT handle)
{
    TBindingState& state = State();
    TCriticalSectionGuard guard(state.WaveOutLock);
    Call(state.CloseHandlers.Pre, handle);
    MMRESULT result = System().WaveOutClose(handle);
    if (result != MMSYSERR_NOERROR)
        return result;
    // Whatever was still held is given back, as a reset device gives its buffers.
    if (TWaveOutDevice* device = state.Devices.Find(handle))
        for (LPWAVEHDR header : device->Held) header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    state.Devices.Remove(handle);
    Call(state.CloseHandlers.Post, handle);
    return MMSYSERR_NOERROR;
}

// ---- Clocks ----

DWORD WINAPI BoundTimeGetTime()
{
    TBindingState& state = State();
    TCriticalSectionGuard speedGuard(state.SpeedLock);
    double speed = state.Speed;
    bool paced = state.HostPaced;
    if (speed > 0 && !paced)
        return Ticks(System().TimeGetTime() / speed);
    TCriticalSectionGuard positionGuard(state.PositionLock);
    bool useRealTime = false;
    Call(state.TimeHandlers.Pre, state.AudioPosition, useRealTime);
    // Paced sound plays at no speed: the devices' slowed rate is taken back
    // out, so that the clock keeps the movie's own time.
    double position = paced && speed > 0 ? state.AudioPosition / speed : state.AudioPosition;
    DWORD result = useRealTime ? System().TimeGetTime() : Ticks(state.BaseTick + position);
    Call(state.TimeHandlers.Post, state.AudioPosition, useRealTime);
    return result;
}

constexpr uint64_t FileTimeUnitsPerMs = 10000;

// The wall clock moved to where the sound written since the last reset has
// taken the player, and never back behind what it answered before.
void ShiftTime(LPSYSTEMTIME time, decltype(&::GetLocalTime) systemCall, uint64_t TBindingState::*mark)
{
    TBindingState& state = State();
    systemCall(time);
    TCriticalSectionGuard guard(state.PositionLock);
    FILETIME fileTime;
    if (!(state.AudioPosition > 0) || !SystemTimeToFileTime(time, &fileTime))
        return;
    auto offset = int32_t(Ticks(state.BaseTick + state.AudioPosition) - System().GetTickCount());
    uint64_t now = ((uint64_t(fileTime.dwHighDateTime) << 32) | fileTime.dwLowDateTime) / FileTimeUnitsPerMs;
    uint64_t value = now + int64_t(offset);
    if (value >= state.*mark)
        state.*mark = value;
    else
        value = state.*mark;
    uint64_t units = value * FileTimeUnitsPerMs;
    fileTime = {DWORD(units), DWORD(units >> 32)};
    FileTimeToSystemTime(&fileTime, time);
}

void WINAPI BoundGetLocalTime(LPSYSTEMTIME time)
{
    ShiftTime(time, System().GetLocalTime, &TBindingState::LocalTimeMark);
}

void WINAPI BoundGetSystemTime(LPSYSTEMTIME time)
{
    ShiftTime(time, System().GetSystemTime, &TBindingState::SystemTimeMark);
}

// ---- Windows, cursors, menus ----

HINSTANCE HostModule()
{
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

ATOM WINAPI BoundRegisterClassExA(const WNDCLASSEXA* windowClass)
{
    if (!windowClass)
        return ::RegisterClassExA(windowClass);
    WNDCLASSEXA copy = *windowClass;
    copy.hInstance = HostModule();
    // An atom has no name to rename.
    if (IS_INTRESOURCE(windowClass->lpszClassName))
        return ::RegisterClassExA(&copy);
    // The module's image base tells this copy of the bindings from any other
    // in the process; written whole, so 64-bit bases stay apart too.
    std::string name = Format("FlashHostControl_%s_%d", windowClass->lpszClassName,
                              reinterpret_cast<intptr_t>(HostModule()));
    State().ClassNames.Add(windowClass->lpszClassName, name);
    copy.lpszClassName = name.c_str();
    UnregisterClassA(name.c_str(), copy.hInstance);
    return ::RegisterClassExA(&copy);
}

HWND WINAPI BoundCreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                                 int width, int height, HWND parent, HMENU menu, HINSTANCE, LPVOID parameter)
{
    std::string registered;
    if (!IS_INTRESOURCE(className) && State().ClassNames.Lookup(className, registered))
        className = registered.c_str();
    return ::CreateWindowExA(exStyle, className, windowName, style, x, y, width, height, parent, menu, HostModule(),
                             parameter);
}

// The system reads the head and every entry the head counts: all of them
// must lie inside the resource.
bool WholeCursorDirectory(const void* data, DWORD size)
{
    constexpr DWORD headSize = 3 * sizeof(WORD);
    constexpr DWORD entrySize = 14;
    return size >= headSize && (size - headSize) / entrySize >= static_cast<const WORD*>(data)[2];
}

HCURSOR WINAPI BoundLoadCursorA(HINSTANCE instance, LPCSTR name)
{
    if (!instance)
        return ::LoadCursorA(nullptr, name);
    TSavedCursors& saved = State().Cursors;
    if (HCURSOR cursor = saved.Lookup(instance, name))
        return cursor;
    void* data = nullptr;
    DWORD size = 0;
    if (!FindImageResource(instance, MAKEINTRESOURCEA(12), name, data, size) || !WholeCursorDirectory(data, size))
        return nullptr;
    int id = LookupIconIdFromDirectory(static_cast<BYTE*>(data), FALSE);
    if (!id || !FindImageResource(instance, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(id), data, size))
        return nullptr;
    HCURSOR cursor = CreateIconFromResource(static_cast<BYTE*>(data), size, FALSE, 0x00030000);
    if (cursor)
        saved.Add(instance, name, cursor);
    return cursor;
}

HMENU WINAPI BoundLoadMenuA(HINSTANCE instance, LPCSTR name)
{
    void* data = nullptr;
    DWORD size = 0;
    if (!FindImageResource(instance, MAKEINTRESOURCEA(4), name, data, size))
        return nullptr;
    return LoadMenuIndirectA(data);
}

int WINAPI BoundGetSystemMetrics(int index)
{
    int value = ::GetSystemMetrics(index);
    return index == SM_CXSCREEN || index == SM_CYSCREEN ? value * 2 : value;
}

// ---- Drawing, code, COM, files, counters ----

BOOL WINAPI BoundBitBlt(HDC target, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                        DWORD rop)
{
    BOOL result = ::BitBlt(target, x, y, width, height, source, sourceX, sourceY, rop);
    State().LastBlit.Capture(source, sourceX, sourceY, width, height, rop);
    return result;
}

BOOL WINAPI BoundFlushInstructionCache(HANDLE process, LPCVOID address, SIZE_T size)
{
    DWORD previous = 0;
    VirtualProtect(const_cast<void*>(address), size, PAGE_EXECUTE_READWRITE, &previous);
    return ::FlushInstructionCache(process, address, size);
}

// The system's filter graph: the player must not play video through it.
const CLSID FilterGraphClsid = {0xE436EBB3, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

HRESULT WINAPI BoundCoGetClassObject(REFCLSID clsid, DWORD context, LPVOID server, REFIID iid, LPVOID* object)
{
    if (IsEqualCLSID(clsid, FilterGraphClsid)) {
        if (object)
            *object = nullptr;
        return E_NOINTERFACE;
    }
    return ::CoGetClassObject(clsid, context, static_cast<COSERVERINFO*>(server), iid, object);
}

HRESULT WINAPI BoundCreateURLMoniker(LPMONIKER context, LPCWSTR url, LPMONIKER* moniker)
{
    return ContentManager().CreateMoniker(context, url, moniker);
}

HANDLE WINAPI BoundCreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                               DWORD disposition, DWORD flags, HANDLE templateFile)
{
    return ContentManager().CreateFile(name, access, share, security, disposition, flags, templateFile);
}

using TPdhOpenQuery = LONG(WINAPI*)(const void*, DWORD_PTR, HANDLE*);

LONG WINAPI BoundPdhOpenQuery(const void* source, DWORD_PTR userData, HANDLE* query)
{
    static TPdhOpenQuery open = [] {
        HMODULE pdh = LoadLibraryA("pdh.dll");
        return pdh ? reinterpret_cast<TPdhOpenQuery>(reinterpret_cast<void*>(GetProcAddress(pdh, "PdhOpenQuery")))
                   : nullptr;
    }();
    return open ? open(source, userData, query) : LONG(0xC0000BBE);  // PDH_FUNCTION_NOT_FOUND
}

struct TBinding {
    const char* Name;
    void* Function;
};

template <class Function>
TBinding Bind(const char* name, Function function)
{
    return {name, reinterpret_cast<void*>(function)};
}

const std::vector<TBinding>& Bindings()
{
    static const std::vector<TBinding> bindings = {
        Bind("CreateURLMoniker", BoundCreateURLMoniker),
        Bind("RegisterClassExA", BoundRegisterClassExA),
        Bind("CreateWindowExA", BoundCreateWindowExA),
        Bind("LoadCursorA", BoundLoadCursorA),
        Bind("LoadMenuA", BoundLoadMenuA),
        Bind("FlushInstructionCache", BoundFlushInstructionCache),
        Bind("CreateFileA", BoundCreateFileA),
        Bind("waveOutOpen", BoundWaveOutOpen),
        Bind("waveOutWrite", BoundWaveOutWrite),
        Bind("waveOutClose", BoundWaveOutClose),
        Bind("SetTimer", ::SetTimer),
        Bind("timeGetTime", BoundTimeGetTime),
        Bind("GetTickCount", ::GetTickCount),
        Bind("GetLocalTime", BoundGetLocalTime),
        Bind("GetSystemTime", BoundGetSystemTime),
        Bind("GetSystemMetrics", BoundGetSystemMetrics),
        Bind("GetDeviceCaps", ::GetDeviceCaps),
        Bind("RegQueryValueExW", ::RegQueryValueExW),
        Bind("PdhOpenQuery", BoundPdhOpenQuery),
        Bind("CoGetClassObject", BoundCoGetClassObject),
        Bind("BitBlt", BoundBitBlt),
    };
    return bindings;
}

}

void* PlayerImportBinding(const char* function)
{
    if (IS_INTRESOURCE(function))
        return nullptr;
    for (const TBinding& binding : Bindings()) {
        if (std::strcmp(binding.Name, function) == 0)
            return binding.Function;
    }
    return nullptr;
}

// ---- The control ----

MMRESULT SetAudioPaused(bool paused)
{
    TBindingState& state = State();
    TCriticalSectionGuard guard(state.WaveOutLock);
    MMRESULT result = MMSYSERR_NOERROR;
    for (const TWaveOutDevice& device : state.Devices.Items()) {
        result = paused ? System().WaveOutPause(device.Handle) : System().WaveOutRestart(device.Handle);
        if (result == MMSYSERR_NOERROR)
            state.Paused = paused;
    }
    return result;
}

namespace {

// Under the wave-out lock: the devices hand back every buffer they still had,
// for the player to write again; those are the answer.
std::vector<std::pair<HWAVEOUT, LPWAVEHDR>> ResetDevices()
{
    std::vector<std::pair<HWAVEOUT, LPWAVEHDR>> returned;
    for (TWaveOutDevice& device : State().Devices.Items()) {
        for (LPWAVEHDR header : device.Playing)
            if (!(header->dwFlags & WHDR_DONE))
                returned.emplace_back(device.Handle, header);
        device.Playing.clear();
        System().WaveOutReset(device.Handle);
    }
    return returned;
}

// Under the wave-out lock: what was held plays on the devices, in the order
// it was written.
void WriteHeld()
{
    for (TWaveOutDevice& device : State().Devices.Items()) {
        for (LPWAVEHDR header : device.Held) {
            header->dwFlags &= ~WHDR_INQUEUE;
            if (System().WaveOutWrite(device.Handle, header, sizeof(WAVEHDR)) == MMSYSERR_NOERROR)
                NotePlaying(device, header);
        }
        device.Held.clear();
    }
}

// Whether the player wrote each buffer again (or closed its device).
bool WrittenAgain(const std::vector<std::pair<HWAVEOUT, LPWAVEHDR>>& buffers)
{
    TBindingState& state = State();
    TCriticalSectionGuard guard(state.WaveOutLock);
    return std::all_of(buffers.begin(), buffers.end(), [&state](const auto& buffer) {
        TWaveOutDevice* device = state.Devices.Find(buffer.first);
        return !device || std::find(device->Held.begin(), device->Held.end(), buffer.second) != device->Held.end();
    });
}

// How long pacing waits for the player to write again what the devices
// handed back: its sound thread does so at once.
constexpr DWORD kRewriteWaitMs = 1000;

}

void SetAudioHostPaced(bool paced)
{
    TBindingState& state = State();
    std::vector<std::pair<HWAVEOUT, LPWAVEHDR>> returned;
    {
        TCriticalSectionGuard guard(state.WaveOutLock);
        if (state.HostPaced == paced)
            return;
        state.HostPaced = paced;
        if (paced)
            returned = ResetDevices();
        else
            WriteHeld();
    }
    // Written again before pacing begins: sound mixed before now never
    // reaches the host after it.
    for (DWORD start = GetTickCount(); !WrittenAgain(returned) && GetTickCount() - start < kRewriteWaitMs;) Sleep(1);
}

bool GetAudioHostPaced()
{
    return State().HostPaced;
}

bool FinishHeldAudioBuffer()
{
    TBindingState& state = State();
    TCriticalSectionGuard guard(state.WaveOutLock);
    bool finished = false;
    for (TWaveOutDevice& device : state.Devices.Items()) {
        if (device.Held.empty())
            continue;
        FinishOldest(device);
        finished = true;
    }
    return finished;
}

bool GetAudioPaused()
{
    TBindingState& state = State();
    TCriticalSectionGuard guard(state.WaveOutLock);
    return state.Paused;
}

void SetAudioEnabled(bool enabled)
{
    TBindingState& state = State();
    TCriticalSectionGuard guard(state.WaveOutLock);
    state.SoundEnabled = enabled;
}

void ResetVirtualTime()
{
    TBindingState& state = State();
    TCriticalSectionGuard guard(state.PositionLock);
    state.BaseTick = System().GetTickCount();
    state.AudioPosition = 0;
    state.SampleFrames = 0;
    state.LocalTimeMark = 0;
    state.SystemTimeMark = 0;
}

void SetPlaybackSpeed(double speed)
{
    TBindingState& state = State();
    TCriticalSectionGuard guard(state.SpeedLock);
    state.Speed = speed;
}

void SetWaveOutOpenHandlers(TWaveOutOpenHandler pre, TWaveOutOpenHandler post)
{
    SetHandlers(State().OpenHandlers, pre, post);
}

void SetWaveOutWriteHandlers(TWaveOutWriteHandler pre, TWaveOutWriteHandler post)
{
    SetHandlers(State().WriteHandlers, pre, post);
}

void SetWaveOutCloseHandlers(TWaveOutCloseHandler pre, TWaveOutCloseHandler post)
{
    SetHandlers(State().CloseHandlers, pre, post);
}

void SetTimeGetTimeHandlers(TTimeGetTimeHandler pre, TTimeGetTimeHandler post)
{
    SetHandlers(State().TimeHandlers, pre, post);
}

SIZE LastBlitSize()
{
    return State().LastBlit.Size();
}

bool DrawLastBlit(HDC dc, int x, int y)
{
    return State().LastBlit.DrawTo(dc, x, y);
}

TPlayerSystemCalls& PlayerSystemCalls()
{
    static TPlayerSystemCalls calls;
    return calls;
}
