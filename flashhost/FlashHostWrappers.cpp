// The player's methods and properties, reached by position for the function
// table that the player's version has.
#include "FlashHostControl.h"

#include "Exceptions.h"
#include "FlashHostSlots.h"

#include <tuple>
#include <type_traits>

using Microsoft::WRL::ComPtr;
using namespace flashslots;

namespace {

// A string for the player: the caller's until the call returns.
class TCallString {
public:
    explicit TCallString(const std::wstring& text) : bstr_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())))
    {
    }
    ~TCallString() { SysFreeString(bstr_); }
    TCallString(const TCallString&) = delete;
    TCallString& operator=(const TCallString&) = delete;
    operator BSTR() const { return bstr_; }

private:
    BSTR bstr_;
};

// What a member hands out: a string the host frees, or a plain value.
template <class Value>
struct TOutValue {
    Value value{};
    Value* operator&() { return &value; }
    Value Take() { return value; }
};
template <>
struct TOutValue<std::wstring> {
    BSTR value = nullptr;
    ~TOutValue() { SysFreeString(value); }
    BSTR* operator&() { return &value; }
    std::wstring Take() { return value ? std::wstring(value, SysStringLen(value)) : std::wstring(); }
};

// How a value crosses to the player: strings as BSTRs that live for the call.
template <class Value>
Value Pass(Value value)
{
    return value;
}
inline TCallString Pass(const std::wstring& text)
{
    return TCallString(text);
}

// The type a member hands out through its last parameter, and the value the
// host keeps of it.
template <class Signature>
struct OutParameter;
template <class... Parameters>
struct OutParameter<HRESULT(Parameters...)> {
    using Pointer = std::tuple_element_t<sizeof...(Parameters) - 1, std::tuple<Parameters...>>;
    using Type = std::remove_pointer_t<Pointer>;
};
template <class Slot>
using OutOf = typename OutParameter<typename Slot::Signature>::Type;
template <class Out>
using HostValue = std::conditional_t<std::is_same_v<Out, BSTR>, std::wstring, Out>;
template <class Slot>
using TSlotOut = TOutValue<HostValue<OutOf<Slot>>>;

}

ComPtr<IDispatch> TFlashHostControl::ScriptingInterface()
{
    ComPtr<IDispatch> flash;
    if (FAILED(player_->QueryInterface(IID_IShockwaveFlash, reinterpret_cast<void**>(flash.GetAddressOf()))))
        throw EIntfCastError("Interface not supported");
    return flash;
}

template <class Slot, class... Args>
void TFlashHostControl::CallMethod(int minimumLayout, Args&&... args)
{
    if (GetFlashLayoutVersion() < minimumLayout) return;
    ComPtr<IDispatch> flash = ScriptingInterface();
    OleCheck(Call<Slot>(static_cast<IShockwaveFlash*>(flash.Get()), Slot::Position, std::forward<Args>(args)...));
}

template <class Slot, class... Args>
auto TFlashHostControl::CallGetter(int minimumLayout, Args&&... args)
{
    TSlotOut<Slot> out;
    if (GetFlashLayoutVersion() < minimumLayout) return out.Take();
    ComPtr<IDispatch> flash = ScriptingInterface();
    OleCheck(Call<Slot>(static_cast<IShockwaveFlash*>(flash.Get()), Slot::Position, std::forward<Args>(args)..., &out));
    return out.Take();
}

template <class Slot, class Value>
Value TFlashHostControl::ReadProperty(unsigned layouts, Value cached, int position)
{
    if (!player_) return cached;
    try {
        if (!(LayoutOf(GetFlashLayoutVersion()) & layouts)) return cached;
        ComPtr<IDispatch> flash = ScriptingInterface();
        if constexpr (std::is_same_v<Value, std::wstring>) cached.clear();
        TSlotOut<Slot> out;
        if (SUCCEEDED(Call<Slot>(static_cast<IShockwaveFlash*>(flash.Get()), position, &out)))
            cached = static_cast<Value>(out.Take());
    } catch (const Exception&) {
    }
    return cached;
}

template <class Slot, class Value>
void TFlashHostControl::WriteProperty(unsigned layouts, Value& cached, Value value, int position)
{
    cached = value;
    if (!player_) return;
    try {
        if (!(LayoutOf(GetFlashLayoutVersion()) & layouts)) return;
        ComPtr<IDispatch> flash = ScriptingInterface();
        Call<Slot>(static_cast<IShockwaveFlash*>(flash.Get()), position, Pass(value));
    } catch (const Exception&) {
    }
}

// ---- Methods

int TFlashHostControl::FlashVersion()
{
    if (!player_) return 0;
    ComPtr<IDispatch> flash = ScriptingInterface();
    long version = 0;
    OleCheck(Call<flashslots::FlashVersion>(static_cast<IShockwaveFlash*>(flash.Get()),
                                            flashslots::FlashVersion::Position, &version));
    return version;
}

// clang-format off
void TFlashHostControl::SetZoomRect(int left, int top, int right, int bottom) { CallMethod<flashslots::SetZoomRect>(3, left, top, right, bottom); }
void TFlashHostControl::Zoom(int factor) { CallMethod<flashslots::Zoom>(3, factor); }
void TFlashHostControl::Pan(int x, int y, int mode) { CallMethod<flashslots::Pan>(3, x, y, mode); }
void TFlashHostControl::Play() { CallMethod<flashslots::Play>(3); }
void TFlashHostControl::Stop() { CallMethod<flashslots::Stop>(3); }
void TFlashHostControl::Back() { CallMethod<flashslots::Back>(3); }
void TFlashHostControl::Forward() { CallMethod<flashslots::Forward>(3); }
void TFlashHostControl::Rewind() { CallMethod<flashslots::Rewind>(3); }
void TFlashHostControl::StopPlay() { CallMethod<flashslots::StopPlay>(3); }
void TFlashHostControl::GotoFrame(int frameNum) { CallMethod<flashslots::GotoFrame>(3, frameNum); }
int TFlashHostControl::CurrentFrame() { return CallGetter<flashslots::CurrentFrame>(3); }
bool TFlashHostControl::IsPlaying() { return CallGetter<flashslots::IsPlaying>(3) != 0; }
int TFlashHostControl::PercentLoaded() { return CallGetter<flashslots::PercentLoaded>(3); }
bool TFlashHostControl::FrameLoaded(int frameNum) { return CallGetter<flashslots::FrameLoaded>(3, frameNum) != 0; }
void TFlashHostControl::LoadMovie(int layer, const std::wstring& url) { CallMethod<flashslots::LoadMovie>(3, layer, Pass(url)); }
void TFlashHostControl::TGotoFrame(const std::wstring& target, int frameNum) { CallMethod<flashslots::TGotoFrame>(3, Pass(target), frameNum); }
void TFlashHostControl::TGotoLabel(const std::wstring& target, const std::wstring& label) { CallMethod<flashslots::TGotoLabel>(3, Pass(target), Pass(label)); }
int TFlashHostControl::TCurrentFrame(const std::wstring& target) { return CallGetter<flashslots::TCurrentFrame>(3, Pass(target)); }
std::wstring TFlashHostControl::TCurrentLabel(const std::wstring& target) { return CallGetter<flashslots::TCurrentLabel>(3, Pass(target)); }
void TFlashHostControl::TPlay(const std::wstring& target) { CallMethod<flashslots::TPlay>(3, Pass(target)); }
void TFlashHostControl::TStopPlay(const std::wstring& target) { CallMethod<flashslots::TStopPlay>(3, Pass(target)); }
void TFlashHostControl::SetVariable(const std::wstring& name, const std::wstring& value) { CallMethod<flashslots::SetVariable>(4, Pass(name), Pass(value)); }
std::wstring TFlashHostControl::GetVariable(const std::wstring& name) { return CallGetter<flashslots::GetVariable>(4, Pass(name)); }
void TFlashHostControl::TSetProperty(const std::wstring& target, int property, const std::wstring& value) { CallMethod<flashslots::TSetProperty>(4, Pass(target), property, Pass(value)); }
std::wstring TFlashHostControl::TGetProperty(const std::wstring& target, int property) { return CallGetter<flashslots::TGetProperty>(4, Pass(target), property); }
void TFlashHostControl::TCallFrame(const std::wstring& target, int frameNum) { CallMethod<flashslots::TCallFrame>(4, Pass(target), frameNum); }
void TFlashHostControl::TCallLabel(const std::wstring& target, const std::wstring& label) { CallMethod<flashslots::TCallLabel>(4, Pass(target), Pass(label)); }
void TFlashHostControl::TSetPropertyNum(const std::wstring& target, int property, double value) { CallMethod<flashslots::TSetPropertyNum>(4, Pass(target), property, value); }
double TFlashHostControl::TGetPropertyNum(const std::wstring& target, int property) { return CallGetter<flashslots::TGetPropertyNum>(4, Pass(target), property); }
double TFlashHostControl::TGetPropertyAsNumber(const std::wstring& target, int property) { return CallGetter<flashslots::TGetPropertyAsNumber>(7, Pass(target), property); }
std::wstring TFlashHostControl::CallFunction(const std::wstring& request) { return CallGetter<flashslots::CallFunction>(8, Pass(request)); }
void TFlashHostControl::SetReturnValue(const std::wstring& returnValue) { CallMethod<flashslots::SetReturnValue>(8, Pass(returnValue)); }
void TFlashHostControl::EnforceLocalSecurity() { CallMethod<flashslots::EnforceLocalSecurity>(11); }
void TFlashHostControl::DisableLocalSecurity() { CallMethod<flashslots::DisableLocalSecurity>(11); }
int TFlashHostControl::GetReadyState() { return ReadProperty<get_ReadyState>(AllLayouts, 0); }
int TFlashHostControl::GetTotalFrames() { return ReadProperty<get_TotalFrames>(AllLayouts, 0); }

// ---- Properties

namespace {
constexpr unsigned From7 = Layout7To10 | Layout11;
constexpr VARIANT_BOOL WordBool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }
}

std::wstring TFlashHostControl::GetMovie() { return ReadProperty<get_Movie>(AllLayouts, cache_.Movie); }
void TFlashHostControl::SetMovie(const std::wstring& value)
{
    WriteProperty<put_Movie>(AllLayouts, cache_.Movie, value);
    if (!Designing()) return;
    SetPlaying(true);
    Stop();
}
int TFlashHostControl::GetFrameNum() { return ReadProperty<get_FrameNum>(AllLayouts, cache_.FrameNum); }
void TFlashHostControl::SetFrameNum(int value) { WriteProperty<put_FrameNum>(AllLayouts, cache_.FrameNum, value); }
bool TFlashHostControl::GetPlaying() { return (Designing() ? cache_.Playing : ReadProperty<get_Playing>(AllLayouts, cache_.Playing)) != 0; }
void TFlashHostControl::SetPlaying(bool value)
{
    if (Designing()) cache_.Playing = WordBool(value);
    else WriteProperty<put_Playing>(AllLayouts, cache_.Playing, WordBool(value));
}
int TFlashHostControl::GetQuality() { return ReadProperty<get_Quality>(AllLayouts, cache_.Quality); }
void TFlashHostControl::SetQuality(int value) { WriteProperty<put_Quality>(AllLayouts, cache_.Quality, value); }
int TFlashHostControl::GetScaleMode() { return ReadProperty<get_ScaleMode>(AllLayouts, cache_.ScaleMode); }
void TFlashHostControl::SetScaleMode(int value) { WriteProperty<put_ScaleMode>(AllLayouts, cache_.ScaleMode, value); }
int TFlashHostControl::GetAlignMode() { return ReadProperty<get_AlignMode>(AllLayouts, cache_.AlignMode); }
void TFlashHostControl::SetAlignMode(int value) { WriteProperty<put_AlignMode>(AllLayouts, cache_.AlignMode, value); }
int TFlashHostControl::GetBackgroundColor() { return ReadProperty<get_BackgroundColor>(AllLayouts, cache_.BackgroundColor); }
void TFlashHostControl::SetBackgroundColor(int value) { WriteProperty<put_BackgroundColor>(AllLayouts, cache_.BackgroundColor, value); }
bool TFlashHostControl::GetLoop() { return ReadProperty<get_Loop>(AllLayouts, cache_.Loop) != 0; }
void TFlashHostControl::SetLoop(bool value) { WriteProperty<put_Loop>(AllLayouts, cache_.Loop, WordBool(value)); }
std::wstring TFlashHostControl::GetWMode() { return ReadProperty<get_WMode>(AllLayouts, cache_.WMode); }
void TFlashHostControl::SetWMode(const std::wstring& value) { WriteProperty<put_WMode>(AllLayouts, cache_.WMode, value); }
std::wstring TFlashHostControl::GetSAlign() { return ReadProperty<get_SAlign>(AllLayouts, cache_.SAlign); }
void TFlashHostControl::SetSAlign(const std::wstring& value) { WriteProperty<put_SAlign>(AllLayouts, cache_.SAlign, value); }
bool TFlashHostControl::GetMenu() { return ReadProperty<get_Menu>(AllLayouts, cache_.Menu) != 0; }
void TFlashHostControl::SetMenu(bool value) { WriteProperty<put_Menu>(AllLayouts, cache_.Menu, WordBool(value)); }
std::wstring TFlashHostControl::GetBase() { return ReadProperty<get_Base>(AllLayouts, cache_.Base); }
void TFlashHostControl::SetBase(const std::wstring& value) { WriteProperty<put_Base>(AllLayouts, cache_.Base, value); }
std::wstring TFlashHostControl::GetScale() { return ReadProperty<get_Scale>(AllLayouts, cache_.Scale); }
void TFlashHostControl::SetScale(const std::wstring& value) { WriteProperty<put_Scale>(AllLayouts, cache_.Scale, value); }
bool TFlashHostControl::GetDeviceFont() { return ReadProperty<get_DeviceFont>(AllLayouts, cache_.DeviceFont) != 0; }
void TFlashHostControl::SetDeviceFont(bool value) { WriteProperty<put_DeviceFont>(AllLayouts, cache_.DeviceFont, WordBool(value)); }
bool TFlashHostControl::GetEmbedMovie() { return ReadProperty<get_EmbedMovie>(AllLayouts, cache_.EmbedMovie) != 0; }
void TFlashHostControl::SetEmbedMovie(bool value) { WriteProperty<put_EmbedMovie>(AllLayouts, cache_.EmbedMovie, WordBool(value)); }
std::wstring TFlashHostControl::GetBGColor() { return ReadProperty<get_BGColor>(AllLayouts, cache_.BGColor); }
void TFlashHostControl::SetBGColor(const std::wstring& value) { WriteProperty<put_BGColor>(AllLayouts, cache_.BGColor, value); }
std::wstring TFlashHostControl::GetQuality2() { return ReadProperty<get_Quality2>(AllLayouts, cache_.Quality2); }
void TFlashHostControl::SetQuality2(const std::wstring& value) { WriteProperty<put_Quality2>(AllLayouts, cache_.Quality2, value); }

// Layouts 4 and 5 have SWRemote one place earlier than the later ones.
std::wstring TFlashHostControl::GetSWRemote()
{
    std::wstring value = ReadProperty<get_SWRemote>(Layout4 | Layout5, cache_.SWRemote, 73);
    return ReadProperty<get_SWRemote>(From7, value);
}
void TFlashHostControl::SetSWRemote(const std::wstring& value)
{
    WriteProperty<put_SWRemote>(Layout4 | Layout5, cache_.SWRemote, value, 74);
    WriteProperty<put_SWRemote>(From7, cache_.SWRemote, value);
}
std::wstring TFlashHostControl::GetStacking() { return ReadProperty<get_Stacking>(Layout5, cache_.Stacking); }
void TFlashHostControl::SetStacking(const std::wstring& value) { WriteProperty<put_Stacking>(Layout5, cache_.Stacking, value); }
std::wstring TFlashHostControl::GetFlashVars() { return ReadProperty<get_FlashVars>(From7, cache_.FlashVars); }
void TFlashHostControl::SetFlashVars(const std::wstring& value) { WriteProperty<put_FlashVars>(From7, cache_.FlashVars, value); }
std::wstring TFlashHostControl::GetAllowScriptAccess() { return ReadProperty<get_AllowScriptAccess>(From7, cache_.AllowScriptAccess); }
void TFlashHostControl::SetAllowScriptAccess(const std::wstring& value) { WriteProperty<put_AllowScriptAccess>(From7, cache_.AllowScriptAccess, value); }
std::wstring TFlashHostControl::GetMovieData() { return ReadProperty<get_MovieData>(From7, cache_.MovieData); }
void TFlashHostControl::SetMovieData(const std::wstring& value) { WriteProperty<put_MovieData>(From7, cache_.MovieData, value); }
VARIANT_BOOL TFlashHostControl::GetSeamlessTabbing() { return ReadProperty<get_SeamlessTabbing>(Layout11, cache_.SeamlessTabbing); }
void TFlashHostControl::SetSeamlessTabbing(VARIANT_BOOL value) { WriteProperty<put_SeamlessTabbing>(Layout11, cache_.SeamlessTabbing, value); }
VARIANT_BOOL TFlashHostControl::GetProfile() { return ReadProperty<get_Profile>(Layout11, cache_.Profile); }
void TFlashHostControl::SetProfile(VARIANT_BOOL value) { WriteProperty<put_Profile>(Layout11, cache_.Profile, value); }
std::wstring TFlashHostControl::GetProfileAddress() { return ReadProperty<get_ProfileAddress>(Layout11, cache_.ProfileAddress); }
void TFlashHostControl::SetProfileAddress(const std::wstring& value) { WriteProperty<put_ProfileAddress>(Layout11, cache_.ProfileAddress, value); }
int TFlashHostControl::GetProfilePort() { return ReadProperty<get_ProfilePort>(Layout11, cache_.ProfilePort); }
void TFlashHostControl::SetProfilePort(int value) { WriteProperty<put_ProfilePort>(Layout11, cache_.ProfilePort, value); }
std::wstring TFlashHostControl::GetAllowNetworking() { return ReadProperty<get_AllowNetworking>(Layout11, cache_.AllowNetworking); }
void TFlashHostControl::SetAllowNetworking(const std::wstring& value) { WriteProperty<put_AllowNetworking>(Layout11, cache_.AllowNetworking, value); }
std::wstring TFlashHostControl::GetAllowFullScreen() { return ReadProperty<get_AllowFullScreen>(Layout11, cache_.AllowFullScreen); }
void TFlashHostControl::SetAllowFullScreen(const std::wstring& value) { WriteProperty<put_AllowFullScreen>(Layout11, cache_.AllowFullScreen, value); }
std::wstring TFlashHostControl::GetAllowFullScreenInteractive() { return ReadProperty<get_AllowFullScreenInteractive>(Layout11, cache_.AllowFullScreenInteractive); }
void TFlashHostControl::SetAllowFullScreenInteractive(const std::wstring& value) { WriteProperty<put_AllowFullScreenInteractive>(Layout11, cache_.AllowFullScreenInteractive, value); }
VARIANT_BOOL TFlashHostControl::GetIsDependent() { return ReadProperty<get_IsDependent>(Layout11, cache_.IsDependent); }
void TFlashHostControl::SetIsDependent(VARIANT_BOOL value) { WriteProperty<put_IsDependent>(Layout11, cache_.IsDependent, value); }
// clang-format on
