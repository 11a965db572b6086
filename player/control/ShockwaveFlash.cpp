#include "ShockwaveFlash.h"

#include <cmath>

#include "ActionValue.h"
#include "ComGuard.h"
#include "PlayerControl.h"
#include "PlayerVersion.h"

namespace {

// The root timeline, as targets name it.
bool IsRoot(BSTR target)
{
    std::wstring name = FromBstr(target);
    return name.empty() || name == L"/" || name == L"_root" || name == L"_level0";
}

template <class Value>
HRESULT Out(Value value, Value* out)
{
    if (!out)
        return E_POINTER;
    *out = value;
    return S_OK;
}

// The target properties of the scripting language that a timeline answers.
enum TargetProperty { CurrentFrameProperty = 4, TotalFramesProperty = 5, FramesLoadedProperty = 12 };

}

ShockwaveFlash::ShockwaveFlash(PlayerControl& control) : ComPart(control), control_(control) {}

HRESULT ShockwaveFlash::GetTypeInfoCount(UINT* count)
{
    return Out(0u, count);
}

HRESULT ShockwaveFlash::GetTypeInfo(UINT, LCID, ITypeInfo**)
{
    return E_NOTIMPL;
}

HRESULT ShockwaveFlash::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return E_NOTIMPL;
}

HRESULT ShockwaveFlash::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    return E_NOTIMPL;
}

// Properties that answer what was written; the engine takes from them what
// it needs.
#define TVM_ECHO(Name, Type, ToOut, FromIn)                                                                   \
    HRESULT ShockwaveFlash::get_##Name(Type* value)                                                           \
    {                                                                                                         \
        return Guarded([&] { return ToOut(control_.Properties.Name, value); });                               \
    }                                                                                                         \
    HRESULT ShockwaveFlash::put_##Name(Type value)                                                            \
    {                                                                                                         \
        return Guarded([&] {                                                                                  \
            control_.Properties.Name = FromIn(value);                                                         \
            control_.ApplyProperties();                                                                       \
            return S_OK;                                                                                      \
        });                                                                                                   \
    }
#define TVM_ECHO_STRING(Name) TVM_ECHO(Name, BSTR, ToBstr, FromBstr)
#define TVM_ECHO_VALUE(Name, Type) TVM_ECHO(Name, Type, Out<Type>, Type)

TVM_ECHO_STRING(WMode)
TVM_ECHO_STRING(Scale)
TVM_ECHO_STRING(SAlign)
TVM_ECHO_STRING(Base)
TVM_ECHO_STRING(BGColor)
TVM_ECHO_STRING(Quality2)
TVM_ECHO_STRING(SWRemote)
TVM_ECHO_STRING(AllowScriptAccess)
TVM_ECHO_STRING(MovieData)
TVM_ECHO_STRING(ProfileAddress)
TVM_ECHO_STRING(AllowNetworking)
TVM_ECHO_STRING(AllowFullScreen)
TVM_ECHO_STRING(AllowFullScreenInteractive)
TVM_ECHO_VALUE(Quality, int)
TVM_ECHO_VALUE(ScaleMode, int)
TVM_ECHO_VALUE(BackgroundColor, long)
TVM_ECHO_VALUE(AlignMode, int)
TVM_ECHO_VALUE(ProfilePort, long)
TVM_ECHO_VALUE(Menu, VARIANT_BOOL)
TVM_ECHO_VALUE(DeviceFont, VARIANT_BOOL)
TVM_ECHO_VALUE(EmbedMovie, VARIANT_BOOL)
TVM_ECHO_VALUE(SeamlessTabbing, VARIANT_BOOL)
TVM_ECHO_VALUE(Profile, VARIANT_BOOL)
TVM_ECHO_VALUE(IsDependent, VARIANT_BOOL)

#undef TVM_ECHO_VALUE
#undef TVM_ECHO_STRING
#undef TVM_ECHO

// Properties that also tell the engine.

HRESULT ShockwaveFlash::get_Movie(BSTR* movie)
{
    return Guarded([&] { return ToBstr(control_.Properties.Movie, movie); });
}

HRESULT ShockwaveFlash::put_Movie(BSTR movie)
{
    return Guarded([&] {
        control_.Properties.Movie = FromBstr(movie);
        control_.LoadMovie(control_.Properties.Movie);
        return S_OK;
    });
}

HRESULT ShockwaveFlash::LoadMovie(int, BSTR url)
{
    // Only the main movie exists: any layer replaces it.
    return put_Movie(url);
}

HRESULT ShockwaveFlash::get_FlashVars(BSTR* vars)
{
    return Guarded([&] { return ToBstr(control_.Properties.FlashVars, vars); });
}

HRESULT ShockwaveFlash::put_FlashVars(BSTR vars)
{
    return Guarded([&] {
        control_.Properties.FlashVars = FromBstr(vars);
        control_.Engine.SetVariablesFromQuery(control_.ToMovie(control_.Properties.FlashVars));
        return S_OK;
    });
}

HRESULT ShockwaveFlash::get_Loop(VARIANT_BOOL* loop)
{
    return Out(ToVariantBool(control_.Engine.Frames().Loop()), loop);
}

HRESULT ShockwaveFlash::put_Loop(VARIANT_BOOL loop)
{
    control_.Engine.Frames().SetLoop(loop != VARIANT_FALSE);
    return S_OK;
}

HRESULT ShockwaveFlash::get_Playing(VARIANT_BOOL* playing)
{
    return IsPlaying(playing);
}

HRESULT ShockwaveFlash::put_Playing(VARIANT_BOOL playing)
{
    return playing ? Play() : Stop();
}

HRESULT ShockwaveFlash::get_InlineData(IUnknown** data)
{
    return Out<IUnknown*>(nullptr, data);
}

HRESULT ShockwaveFlash::put_InlineData(IUnknown*)
{
    return S_OK;
}

// The movie and its frames.

HRESULT ShockwaveFlash::get_ReadyState(long* state)
{
    return Out(control_.ReadyState, state);
}

HRESULT ShockwaveFlash::get_TotalFrames(long* count)
{
    return Out(static_cast<long>(control_.Engine.Frames().FrameCount()), count);
}

HRESULT ShockwaveFlash::get_FrameNum(long* frame)
{
    return CurrentFrame(frame);
}

HRESULT ShockwaveFlash::put_FrameNum(long frame)
{
    return GotoFrame(frame);
}

HRESULT ShockwaveFlash::Play()
{
    control_.Engine.Frames().Play();
    return S_OK;
}

HRESULT ShockwaveFlash::Stop()
{
    control_.Engine.Frames().Stop();
    return S_OK;
}

HRESULT ShockwaveFlash::StopPlay()
{
    return Stop();
}

HRESULT ShockwaveFlash::Back()
{
    control_.Engine.Frames().PreviousFrame();
    return S_OK;
}

HRESULT ShockwaveFlash::Forward()
{
    control_.Engine.Frames().NextFrame();
    return S_OK;
}

HRESULT ShockwaveFlash::Rewind()
{
    control_.Engine.Frames().Rewind();
    return S_OK;
}

HRESULT ShockwaveFlash::GotoFrame(long frame)
{
    control_.GotoFrame(frame);
    return S_OK;
}

HRESULT ShockwaveFlash::CurrentFrame(long* frame)
{
    return Out(static_cast<long>(control_.Engine.Frames().Current()), frame);
}

HRESULT ShockwaveFlash::IsPlaying(VARIANT_BOOL* playing)
{
    return Out(ToVariantBool(control_.Engine.Frames().Playing()), playing);
}

HRESULT ShockwaveFlash::PercentLoaded(long* percent)
{
    // Movies are read whole before they play.
    return Out(control_.Engine.HasMovie() || control_.ReadyState == 4 ? 100L : 0L, percent);
}

HRESULT ShockwaveFlash::FrameLoaded(long frame, VARIANT_BOOL* loaded)
{
    return Out(ToVariantBool(frame >= 0 && static_cast<size_t>(frame) < control_.Engine.Frames().FrameCount()),
               loaded);
}

HRESULT ShockwaveFlash::FlashVersion(long* version)
{
    return Out(PlayerFlashVersion(), version);
}

// The view: the whole stage always shows.

HRESULT ShockwaveFlash::SetZoomRect(long, long, long, long)
{
    return S_OK;
}

HRESULT ShockwaveFlash::Zoom(int)
{
    return S_OK;
}

HRESULT ShockwaveFlash::Pan(long, long, int)
{
    return S_OK;
}

// Timelines by target: "/" or "_level0" for the root, "/clip" or
// "_root.clip" for the clips that scripts made.

namespace {

// Runs body on the timeline that target names; fails for a target that
// names none.
template <class Body>
HRESULT OnTimeline(PlayerControl& control, BSTR target, Body body)
{
    return Guarded([&] {
        tvmplayer::Timeline* timeline = control.Engine.FindTimeline(control.ToMovie(FromBstr(target)));
        return timeline ? body(*timeline) : E_FAIL;
    });
}

}

HRESULT ShockwaveFlash::TGotoFrame(BSTR target, long frame)
{
    return OnTimeline(control_, target, [&](tvmplayer::Timeline& timeline) {
        size_t index = frame < 0 ? 0 : static_cast<size_t>(frame);
        if (timeline.Playing())
            timeline.GotoAndPlay(index);
        else
            timeline.GotoAndStop(index);
        control_.Engine.RunReachedFrames();
        return S_OK;
    });
}

HRESULT ShockwaveFlash::TGotoLabel(BSTR target, BSTR label)
{
    return Guarded([&] {
        const tvmplayer::Movie* movie = control_.Engine.CurrentMovie();
        if (!IsRoot(target) || !movie)
            return E_FAIL;
        std::optional<size_t> frame = movie->FindLabel(control_.ToMovie(FromBstr(label)));
        if (!frame)
            return E_FAIL;
        control_.GotoFrame(static_cast<long>(*frame));
        return S_OK;
    });
}

HRESULT ShockwaveFlash::TCurrentFrame(BSTR target, long* frame)
{
    return OnTimeline(control_, target, [&](tvmplayer::Timeline& timeline) {
        return Out(static_cast<long>(timeline.Current()), frame);
    });
}

HRESULT ShockwaveFlash::TCurrentLabel(BSTR target, BSTR* label)
{
    return Guarded([&] {
        // The label of the last labelled frame at or before the current one.
        const tvmplayer::Movie* movie = control_.Engine.CurrentMovie();
        std::string found;
        if (movie && IsRoot(target))
            for (size_t i = 0; i <= control_.Engine.Frames().Current() && i < movie->Frames.size(); ++i)
                if (!movie->Frames[i].Labels.empty())
                    found = movie->Frames[i].Labels.front();
        return ToBstr(control_.FromMovie(found), label);
    });
}

HRESULT ShockwaveFlash::TPlay(BSTR target)
{
    return OnTimeline(control_, target, [](tvmplayer::Timeline& timeline) {
        timeline.Play();
        return S_OK;
    });
}

HRESULT ShockwaveFlash::TStopPlay(BSTR target)
{
    return OnTimeline(control_, target, [](tvmplayer::Timeline& timeline) {
        timeline.Stop();
        return S_OK;
    });
}

HRESULT ShockwaveFlash::TCallFrame(BSTR target, int frame)
{
    return Guarded([&] {
        // Frames count from 0 here and from 1 in the scripts.
        std::string number = std::to_string(static_cast<long long>(frame) + 1);
        return control_.Engine.CallFrame(control_.ToMovie(FromBstr(target)), number) ? S_OK : E_FAIL;
    });
}

HRESULT ShockwaveFlash::TCallLabel(BSTR target, BSTR label)
{
    return Guarded([&] {
        std::string name = control_.ToMovie(FromBstr(label));
        return control_.Engine.CallFrame(control_.ToMovie(FromBstr(target)), name) ? S_OK : E_FAIL;
    });
}

HRESULT ShockwaveFlash::TGetPropertyNum(BSTR target, int property, double* value)
{
    return Guarded([&] {
        if (control_.Engine.Scripts()) {
            std::optional<std::string> found =
                control_.Engine.GetProperty(control_.ToMovie(FromBstr(target)), property);
            if (!found)
                return E_FAIL;
            double number = tvmplayer::StringToNumber(*found, 6);
            return Out(std::isnan(number) ? 0.0 : number, value);
        }
        // A movie without scripts answers for its root's frames only.
        if (!IsRoot(target))
            return E_FAIL;
        const tvmplayer::Timeline& frames = control_.Engine.Frames();
        switch (property) {
        case CurrentFrameProperty:
            return Out(static_cast<double>(frames.Current() + 1), value);
        case TotalFramesProperty:
        case FramesLoadedProperty:
            return Out(static_cast<double>(frames.FrameCount()), value);
        default:
            return Out(0.0, value);
        }
    });
}

HRESULT ShockwaveFlash::TGetPropertyAsNumber(BSTR target, int property, double* value)
{
    return TGetPropertyNum(target, property, value);
}

HRESULT ShockwaveFlash::TGetProperty(BSTR target, int property, BSTR* value)
{
    return Guarded([&] {
        if (control_.Engine.Scripts()) {
            std::optional<std::string> found =
                control_.Engine.GetProperty(control_.ToMovie(FromBstr(target)), property);
            return found ? ToBstr(control_.FromMovie(*found), value) : E_FAIL;
        }
        double number = 0;
        HRESULT result = TGetPropertyNum(target, property, &number);
        return FAILED(result) ? result : ToBstr(std::to_wstring(static_cast<long long>(number)), value);
    });
}

HRESULT ShockwaveFlash::TSetProperty(BSTR target, int property, BSTR value)
{
    return Guarded([&] {
        return control_.Engine.SetProperty(control_.ToMovie(FromBstr(target)), property,
                                           control_.ToMovie(FromBstr(value)))
                   ? S_OK
                   : E_FAIL;
    });
}

HRESULT ShockwaveFlash::TSetPropertyNum(BSTR target, int property, double value)
{
    return Guarded([&] {
        return control_.Engine.SetProperty(control_.ToMovie(FromBstr(target)), property,
                                           tvmplayer::NumberToString(value))
                   ? S_OK
                   : E_FAIL;
    });
}

// Variables, by name or path.

HRESULT ShockwaveFlash::SetVariable(BSTR name, BSTR value)
{
    return Guarded([&] {
        bool set = control_.Engine.SetVariable(control_.ToMovie(FromBstr(name)), control_.ToMovie(FromBstr(value)));
        return set ? S_OK : E_FAIL;
    });
}

HRESULT ShockwaveFlash::GetVariable(BSTR name, BSTR* value)
{
    return Guarded([&] {
        std::optional<std::string> found = control_.Engine.GetVariable(control_.ToMovie(FromBstr(name)));
        return found ? ToBstr(control_.FromMovie(*found), value) : (value ? (*value = nullptr, E_FAIL) : E_POINTER);
    });
}

// The host's calls of functions the movie offered through ExternalInterface.

HRESULT ShockwaveFlash::CallFunction(BSTR request, BSTR* response)
{
    if (!response)
        return E_POINTER;
    *response = nullptr;
    return Guarded([&] {
        std::optional<std::string> answer = control_.Engine.CallFunction(control_.ToMovie(FromBstr(request)));
        return answer ? ToBstr(control_.FromMovie(*answer), response) : E_FAIL;
    });
}

HRESULT ShockwaveFlash::SetReturnValue(BSTR value)
{
    return Guarded([&] {
        control_.ReturnValue = FromBstr(value);
        return S_OK;
    });
}

HRESULT ShockwaveFlash::EnforceLocalSecurity()
{
    return S_OK;
}

HRESULT ShockwaveFlash::DisableLocalSecurity()
{
    return S_OK;
}
