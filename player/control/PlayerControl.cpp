#include "PlayerControl.h"

#include <cwctype>

#include "ComGuard.h"
#include "MovieFile.h"

namespace {

// Until a movie says otherwise the control offers the common stage of 550 by
// 400 pixels, at 96 pixels per inch.
constexpr int HimetricPerInch = 2540;
constexpr int DefaultPixelsPerInch = 96;
constexpr SIZEL DefaultExtent = {550 * HimetricPerInch / DefaultPixelsPerInch,
                                 400 * HimetricPerInch / DefaultPixelsPerInch};

// Where a transparent stage draws nothing (alpha 0) the DC keeps what it
// held: the stage's pixels go over a copy of what lies below them.
void KeepWhatLiesBelow(HDC dc, const RECT& area, std::vector<uint32_t>& pixels, const BITMAPINFO& info)
{
    void* bits = nullptr;
    HBITMAP below = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(dc);
    if (below && memory) {
        HGDIOBJ old = SelectObject(memory, below);
        BitBlt(memory, 0, 0, area.right - area.left, area.bottom - area.top, dc, area.left, area.top, SRCCOPY);
        GdiFlush();
        const auto* lying = static_cast<const uint32_t*>(bits);
        for (size_t i = 0; i < pixels.size(); ++i)
            if ((pixels[i] >> 24) == 0)
                pixels[i] = lying[i];
        SelectObject(memory, old);
    }
    if (memory)
        DeleteDC(memory);
    if (below)
        DeleteObject(below);
}

std::wstring Lower(std::wstring text)
{
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

}

PlayerControl::PlayerControl() : Extent(DefaultExtent), oleObject_(*this), flash_(*this), view_(*this), points_(*this), inPlace_(*this), active_(*this), oleControl_(*this)
{
    Engine.SetScriptEvents(*this);
    Engine.SetVideoDecoders(videoDecoders_);
    Engine.SetMediaSources(mediaSources_);
    Engine.SetMovieLoader(movieLoader_);
}

PlayerControl::~PlayerControl()
{
    if (download_)
        download_->Abandon();
    DeactivateInPlace();
}

HRESULT PlayerControl::QueryInterface(REFIID iid, void** object)
{
    return AnswerInterface(iid, object, {
        {IID_IUnknown, this},
        {IID_IOleObject, &oleObject_},
        {IID_IDispatch, &flash_},
        {IID_IShockwaveFlash, &flash_},
        {IID_IViewObject, &view_},
        {IID_IConnectionPointContainer, &points_},
        {IID_IOleWindow, &inPlace_},
        {IID_IOleInPlaceObject, &inPlace_},
        {IID_IOleInPlaceActiveObject, &active_},
        {IID_IOleControl, &oleControl_},
    });
}

void PlayerControl::LoadMovie(const std::wstring& url)
{
    if (download_)
        download_->Abandon();
    download_.Reset();
    Engine.Unload();
    Engine.Root().Clear();
    size_t question = url.find(L'?');
    std::wstring location = url.substr(0, question);
    pendingQuery_ = question == std::wstring::npos ? std::wstring() : url.substr(question + 1);
    // The host's unload marker is a path that no file answers.
    std::string path = PlainPath(ToAnsi(location));
    Engine.SetLocation(path);
    if (path.find_first_not_of(' ') == std::string::npos)
        return FinishLoad(std::nullopt);
    if (std::optional<std::vector<uint8_t>> bytes = ReadMovieFile(path))
        return FinishLoad(std::move(bytes));
    ReadyState = 1;  // loading
    download_ = MovieDownload::Start(location, [this](std::optional<std::vector<uint8_t>> bytes) {
        FinishLoad(std::move(bytes));
    });
}

void PlayerControl::FinishLoad(std::optional<std::vector<uint8_t>> bytes)
{
    std::wstring variables = Properties.FlashVars + L"&" + pendingQuery_;
    if (bytes) {
        // The sound device is open before the first frame's scripts run: a
        // video they start is heard from its first sound.
        if (!sound_)
            sound_ = std::make_unique<SoundUse>(Engine.Sound);
        // The movie's version, which decides how its texts are written, is
        // its fourth byte.
        UINT codePage = bytes->size() > 3 && (*bytes)[3] >= 6 ? CP_UTF8 : CP_ACP;
        Engine.Load(*bytes, ToAnsi(variables, codePage));
    } else {
        Engine.SetVariablesFromQuery(ToAnsi(variables));
    }
    if (!Engine.HasMovie())
        sound_.reset();
    ReadyState = 4;
    RestartTimer();
    Events().Fire(EventProgress, {IntArgument(100)});
    Events().Fire(EventReadyStateChange, {IntArgument(ReadyState)});
}

void PlayerControl::ApplyProperties()
{
    Engine.Transparent = Lower(Properties.WMode) == L"transparent";
    Engine.Scale = Lower(Properties.Scale) == L"exactfit" ? tvmplayer::ScaleMode::ExactFit
                                                           : tvmplayer::ScaleMode::ShowAll;
    // 0xRRGGBB, or -1 for the movie's own.
    if (Properties.BackgroundColor == -1)
        Engine.BackgroundOverride.reset();
    else
        Engine.BackgroundOverride = 0xFF000000u | (static_cast<uint32_t>(Properties.BackgroundColor) & 0xFFFFFF);
}

void PlayerControl::PaintFrame(HDC dc, const RECT& area)
{
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    // The engine paints every pixel: nothing needs clearing.
    std::vector<uint32_t>& pixels = paintPixels_;
    pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    Engine.Render({pixels.data(), width, height, width});
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    if (Engine.Transparent)
        KeepWhatLiesBelow(dc, area, pixels, info);
    StretchDIBits(dc, area.left, area.top, width, height, 0, 0, width, height, pixels.data(), &info, DIB_RGB_COLORS,
                  SRCCOPY);
}

HWND ControlWindow(const PlayerControl& control)
{
    return control.Window();
}

HRESULT PlayerControl::ActivateInPlace(const RECT* position)
{
    Microsoft::WRL::ComPtr<IOleInPlaceSite> site;
    if (!ClientSite || FAILED(ClientSite.As(&site)))
        return E_UNEXPECTED;
    if (!window_) {
        if (site->CanInPlaceActivate() != S_OK)
            return E_FAIL;
        site->OnInPlaceActivate();
    }
    HWND parent = nullptr;
    Microsoft::WRL::ComPtr<IOleInPlaceFrame> frame;
    Microsoft::WRL::ComPtr<IOleInPlaceUIWindow> document;
    RECT sitePosition{}, clip{};
    OLEINPLACEFRAMEINFO frameInfo{};
    frameInfo.cb = sizeof(frameInfo);
    if (FAILED(site->GetWindow(&parent))
        || FAILED(site->GetWindowContext(&frame, &document, &sitePosition, &clip, &frameInfo)))
        return E_FAIL;
    const RECT& place = position ? *position : sitePosition;
    if (window_) {
        MoveWindow(window_, place.left, place.top, place.right - place.left, place.bottom - place.top, TRUE);
        return S_OK;
    }
    window_ = CreateStageWindow(*this, parent, place);
    if (!window_)
        return E_FAIL;
    RestartTimer();
    return S_OK;
}

void PlayerControl::DeactivateInPlace()
{
    if (!window_)
        return;
    DestroyWindow(window_);
    window_ = nullptr;
    Microsoft::WRL::ComPtr<IOleInPlaceSite> site;
    if (ClientSite && SUCCEEDED(ClientSite.As(&site)))
        site->OnInPlaceDeactivate();
}

void PlayerControl::RestartTimer()
{
    if (!window_)
        return;
    KillTimer(window_, 1);
    if (const tvmplayer::Movie* movie = Engine.CurrentMovie()) {
        // A rate of 0 steps as often as the system's timer allows.
        UINT interval = static_cast<UINT>(movie->FrameMilliseconds());
        SetTimer(window_, 1, interval ? interval : USER_TIMER_MINIMUM, nullptr);
    }
}

void PlayerControl::Present()
{
    // Other modes paint as the system asks, so that whatever lies over the
    // window is respected; "direct" hands the host each frame as it is made.
    if (Lower(Properties.WMode) != L"direct") {
        InvalidateRect(window_, nullptr, FALSE);
        return;
    }
    RECT client;
    GetClientRect(window_, &client);
    HDC target = GetDC(window_);
    HDC memory = CreateCompatibleDC(target);
    HBITMAP frame = CreateCompatibleBitmap(target, client.right, client.bottom);
    HGDIOBJ old = SelectObject(memory, frame);
    PaintFrame(memory, client);
    BitBlt(target, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteObject(frame);
    DeleteDC(memory);
    ReleaseDC(window_, target);
}

LRESULT PlayerControl::OnStageMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND:
        return 1;  // every paint covers the whole window
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        if (client.right > 0 && client.bottom > 0)
            PaintFrame(paint.hdc, client);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_TIMER:
        if (Engine.Tick())
            Present();
        return 0;
    case WM_USER + 1:
        // The host's frame step: exactly one frame, shown before the answer
        // (wParam 1) or left for the host to draw itself (wParam 3); lParam
        // is its length in microseconds, 0 for the movie's own.
        if (wParam == 1 || wParam == 3) {
            Engine.StepPaced(static_cast<double>(lParam) / 1000);
            if (wParam == 1) {
                Present();
                UpdateWindow(window);
            }
        }
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

void PlayerControl::GotoFrame(long frame)
{
    size_t target = frame < 0 ? 0 : static_cast<size_t>(frame);
    if (Engine.Frames().Playing())
        Engine.Frames().GotoAndPlay(target);
    else
        Engine.Frames().GotoAndStop(target);
    Engine.RunReachedFrames();
}

std::string PlayerControl::ToMovie(const std::wstring& text) const
{
    const tvmplayer::Movie* movie = Engine.CurrentMovie();
    return ToAnsi(text, movie && movie->Version >= 6 ? CP_UTF8 : CP_ACP);
}

std::wstring PlayerControl::FromMovie(const std::string& text) const
{
    const tvmplayer::Movie* movie = Engine.CurrentMovie();
    return FromAnsi(text, movie && movie->Version >= 6 ? CP_UTF8 : CP_ACP);
}

void PlayerControl::Trace(const std::string& line)
{
    OutputDebugStringW((FromMovie(line) + L"\n").c_str());
}

void PlayerControl::FsCommand(const std::string& command, const std::string& args)
{
    VARIANT commandArgument = StringArgument(FromMovie(command));
    VARIANT argsArgument = StringArgument(FromMovie(args));
    Events().Fire(EventFSCommand, {commandArgument, argsArgument});
    VariantClear(&commandArgument);
    VariantClear(&argsArgument);
}

std::string PlayerControl::ExternalCall(const std::string& request)
{
    ReturnValue.reset();
    VARIANT requestArgument = StringArgument(FromMovie(request));
    Events().Fire(EventFlashCall, {requestArgument});
    VariantClear(&requestArgument);
    std::string answer = ReturnValue ? ToMovie(*ReturnValue) : std::string();
    ReturnValue.reset();
    return answer;
}
