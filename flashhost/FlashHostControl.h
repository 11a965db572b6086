#pragma once
// A windowed control that hosts one Flash player control in place. The
// control is the player's whole container: client site, in-place site and
// frame, control site, ambient properties and event sink. It reaches the
// player's scripting interface by position, by the player's version, draws
// frames on demand and adopts the player's window as its own.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

#include <memory>
#include <string>

#include "FlashHostControlBase.h"
#include "Graphics.h"
#include "PlayerLoader.h"
#include "WinControls.h"

class TStream;

inline constexpr IID IID_IShockwaveFlashEvents = {
    0xD27CDB6D, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

using TFlashHostControlOnReadyStateChange = std::function<void(TObject* sender, int newState)>;
using TFlashHostControlOnProgress = std::function<void(TObject* sender, int percentDone)>;
using TFlashHostControlFSCommand =
    std::function<void(TObject* sender, const std::wstring& command, const std::wstring& args)>;
using TFlashHostControlFlashCall = std::function<void(TObject* sender, const std::wstring& request)>;
using TFlashHostControlOnLoadExternalResource =
    std::function<void(TObject* sender, const std::string& url, TStream* stream)>;
using TFlashHostControlOnLoadExternalResourceEx =
    std::function<void(TObject* sender, const std::string& url, TStream* stream, bool& handled)>;

// The last value written through each player property: what a read answers
// when the player does not (no player, or a layout without the property).
struct TFlashPropertyCache {
    std::wstring Movie;
    int FrameNum = 0;
    VARIANT_BOOL Playing = VARIANT_FALSE;
    int Quality = 0;
    int ScaleMode = 0;
    int AlignMode = 0;
    int BackgroundColor = 0;
    VARIANT_BOOL Loop = VARIANT_FALSE;
    std::wstring WMode, SAlign;
    VARIANT_BOOL Menu = VARIANT_FALSE;
    std::wstring Base, Scale;
    VARIANT_BOOL DeviceFont = VARIANT_FALSE;
    VARIANT_BOOL EmbedMovie = VARIANT_FALSE;
    std::wstring BGColor, Quality2, SWRemote, Stacking, FlashVars, AllowScriptAccess, MovieData;
    VARIANT_BOOL SeamlessTabbing = VARIANT_FALSE;
    VARIANT_BOOL Profile = VARIANT_FALSE;
    std::wstring ProfileAddress;
    int ProfilePort = 0;
    std::wstring AllowNetworking, AllowFullScreen, AllowFullScreenInteractive;
    VARIANT_BOOL IsDependent = VARIANT_FALSE;
};

class TFlashHostControl : public TWinControl,
                          public IOleClientSite,
                          public IOleControlSite,
                          public IOleInPlaceSite,
                          public IDispatch,
                          public IPropertyNotifySink,
                          public ISimpleFrameSite {
public:
    // A control over an instance of the process's player; without one it is
    // an empty 640 x 480 window. Raises EOleSysError when the player refuses
    // the control as its site or its extent cannot be read.
    explicit TFlashHostControl(TComponent* owner);
    // The same over an instance of Provider's player.
    TFlashHostControl(TComponent* owner, TPlayerCodeProvider& provider);
    ~TFlashHostControl() override;
    TFlashHostControl(const TFlashHostControl&) = delete;
    TFlashHostControl& operator=(const TFlashHostControl&) = delete;

    std::string ClassName() const override { return "TFlashHostControl"; }

    bool HasPlayer() const { return player_ != nullptr; }
    // The player's major version (bits 16-23 of FlashVersion), -1 without a player.
    int GetFlashMajorVersion();
    // The function-table layout the player has: its major version, every
    // version above 10 being 11.
    int GetFlashLayoutVersion();

    void SetParent(TWinControl* parent) override;
    void SetBounds(int left, int top, int width, int height) override;

    // Whether the context-menu key and the right-button press reach the player.
    bool StandartMenu = true;

    // Frame drawing through the player's view object, at the client size.
    // The caller owns what it gets; on failure (no view object, a failing
    // drawing) the answer is False and Bitmap is not written.
    bool CreateFrameBitmap(std::unique_ptr<TBitmap>& bitmap);
    // The frame drawn over Frame at the client size in Format. A frame that
    // already has that size and format keeps its memory: a capture that
    // draws every frame into the same few bitmaps asks the system for none.
    // False when nothing could be drawn; Frame then holds no frame.
    bool DrawFrameInto(TBitmap& frame, TPixelFormat format);
    // The frame drawn over black into Bitmap1 and over white into Bitmap2
    // (32 bits each), for the alpha a transparent stage leaves. It leaves
    // BackgroundColor at -1.
    bool CreateFrameBitmapsForAlpha(std::unique_ptr<TBitmap>& bitmap1, std::unique_ptr<TBitmap>& bitmap2);

    // ---- Movies served from memory: the whole of Source, from its start,
    // becomes the movie (of Layer); or the stream answered is written into
    // and freeing it ends the movie.
    virtual void LoadMovieFromStream(int layer, TStream& source);
    virtual void LoadMovieFromStream(TStream& source);
    virtual std::unique_ptr<TStream> CreateMovieStream(int layer);
    virtual std::unique_ptr<TStream> CreateMovieStream();

    // ---- The player's methods: below their layout they do nothing. A player
    // without the scripting interface raises EIntfCastError, a failing call
    // EOleSysError.
    virtual void SetZoomRect(int left, int top, int right, int bottom);
    virtual void Zoom(int factor);
    virtual void Pan(int x, int y, int mode);
    virtual void Play();
    virtual void Stop();
    virtual void Back();
    virtual void Forward();
    virtual void Rewind();
    virtual void StopPlay();
    virtual void GotoFrame(int frameNum);
    virtual int CurrentFrame();
    virtual bool IsPlaying();
    virtual int PercentLoaded();
    virtual bool FrameLoaded(int frameNum);
    virtual int FlashVersion();
    virtual void LoadMovie(int layer, const std::wstring& url);
    virtual void TGotoFrame(const std::wstring& target, int frameNum);
    virtual void TGotoLabel(const std::wstring& target, const std::wstring& label);
    virtual int TCurrentFrame(const std::wstring& target);
    virtual std::wstring TCurrentLabel(const std::wstring& target);
    virtual void TPlay(const std::wstring& target);
    virtual void TStopPlay(const std::wstring& target);
    virtual void SetVariable(const std::wstring& name, const std::wstring& value);
    virtual std::wstring GetVariable(const std::wstring& name);
    virtual void TSetProperty(const std::wstring& target, int property, const std::wstring& value);
    virtual std::wstring TGetProperty(const std::wstring& target, int property);
    virtual void TCallFrame(const std::wstring& target, int frameNum);
    virtual void TCallLabel(const std::wstring& target, const std::wstring& label);
    virtual void TSetPropertyNum(const std::wstring& target, int property, double value);
    virtual double TGetPropertyNum(const std::wstring& target, int property);
    virtual double TGetPropertyAsNumber(const std::wstring& target, int property);
    virtual std::wstring CallFunction(const std::wstring& request);
    virtual void SetReturnValue(const std::wstring& returnValue);
    virtual void EnforceLocalSecurity();
    virtual void DisableLocalSecurity();
    // These two never raise: 0 when the player does not answer.
    virtual int GetReadyState();
    virtual int GetTotalFrames();

    // ---- The player's properties. Reads answer the player's value, or the
    // cached one where the player's layout lacks the property (an empty
    // string after a failing string read); writes always update the cache.
    // Neither raises.
    virtual std::wstring GetMovie();
    virtual void SetMovie(const std::wstring& value);
    virtual int GetFrameNum();
    virtual void SetFrameNum(int value);
    virtual bool GetPlaying();
    virtual void SetPlaying(bool value);
    virtual int GetQuality();
    virtual void SetQuality(int value);
    virtual int GetScaleMode();
    virtual void SetScaleMode(int value);
    virtual int GetAlignMode();
    virtual void SetAlignMode(int value);
    virtual int GetBackgroundColor();
    virtual void SetBackgroundColor(int value);
    virtual bool GetLoop();
    virtual void SetLoop(bool value);
    virtual std::wstring GetWMode();
    virtual void SetWMode(const std::wstring& value);
    virtual std::wstring GetSAlign();
    virtual void SetSAlign(const std::wstring& value);
    virtual bool GetMenu();
    virtual void SetMenu(bool value);
    virtual std::wstring GetBase();
    virtual void SetBase(const std::wstring& value);
    virtual std::wstring GetScale();
    virtual void SetScale(const std::wstring& value);
    virtual bool GetDeviceFont();
    virtual void SetDeviceFont(bool value);
    virtual bool GetEmbedMovie();
    virtual void SetEmbedMovie(bool value);
    virtual std::wstring GetBGColor();
    virtual void SetBGColor(const std::wstring& value);
    virtual std::wstring GetQuality2();
    virtual void SetQuality2(const std::wstring& value);
    virtual std::wstring GetSWRemote();
    virtual void SetSWRemote(const std::wstring& value);
    virtual std::wstring GetStacking();
    virtual void SetStacking(const std::wstring& value);
    virtual std::wstring GetFlashVars();
    virtual void SetFlashVars(const std::wstring& value);
    virtual std::wstring GetAllowScriptAccess();
    virtual void SetAllowScriptAccess(const std::wstring& value);
    virtual std::wstring GetMovieData();
    virtual void SetMovieData(const std::wstring& value);
    // Not offered by any player layout: reads are empty, writes do nothing.
    std::wstring GetInlineData() { return {}; }
    void SetInlineData(const std::wstring&) {}
    // These three pass and keep their 16-bit value as it is.
    virtual VARIANT_BOOL GetSeamlessTabbing();
    virtual void SetSeamlessTabbing(VARIANT_BOOL value);
    virtual VARIANT_BOOL GetProfile();
    virtual void SetProfile(VARIANT_BOOL value);
    virtual std::wstring GetProfileAddress();
    virtual void SetProfileAddress(const std::wstring& value);
    virtual int GetProfilePort();
    virtual void SetProfilePort(int value);
    virtual std::wstring GetAllowNetworking();
    virtual void SetAllowNetworking(const std::wstring& value);
    virtual std::wstring GetAllowFullScreen();
    virtual void SetAllowFullScreen(const std::wstring& value);
    virtual std::wstring GetAllowFullScreenInteractive();
    virtual void SetAllowFullScreenInteractive(const std::wstring& value);
    virtual VARIANT_BOOL GetIsDependent();
    virtual void SetIsDependent(VARIANT_BOOL value);

    TFlashHostControlOnReadyStateChange OnReadyStateChange;
    TFlashHostControlOnProgress OnProgress;
    TFlashHostControlFSCommand OnFSCommand;
    TFlashHostControlFlashCall OnFlashCall;
    TFlashHostControlOnLoadExternalResource OnLoadExternalResource;
    TFlashHostControlOnLoadExternalResourceEx OnLoadExternalResourceEx;

    // ---- COM: every interface of the site is this object (the in-place
    // frame and the movie-from-memory interface are parts of it). The
    // reference count only counts: the owner frees the control.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch: the player's events and its questions for ambient properties.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    // Events check their argument count (DISP_E_BADPARAMCOUNT) and convert
    // their arguments (DISP_E_TYPEMISMATCH); a handler's exception goes to
    // the application and answers DISP_E_EXCEPTION.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override;
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override;
    HRESULT STDMETHODCALLTYPE ShowObject() override;
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL show) override;
    // Takes the player's extent as the control's size.
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override;

    // IOleWindow and IOleInPlaceSite: the window is the parent's.
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enterMode) override;
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override;
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override;
    HRESULT STDMETHODCALLTYPE OnUIActivate() override;
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                               LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) override;
    HRESULT STDMETHODCALLTYPE Scroll(SIZE extent) override;
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL undoable) override;
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override;
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override;
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override;
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT position) override;

    // IOleControlSite
    HRESULT STDMETHODCALLTYPE OnControlInfoChanged() override;
    HRESULT STDMETHODCALLTYPE LockInPlaceActive(BOOL lock) override;
    HRESULT STDMETHODCALLTYPE GetExtendedControl(IDispatch** control) override;
    HRESULT STDMETHODCALLTYPE TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG* message, DWORD modifiers) override;
    HRESULT STDMETHODCALLTYPE OnFocus(BOOL gotFocus) override;
    HRESULT STDMETHODCALLTYPE ShowPropertyFrame() override;

    // IPropertyNotifySink
    HRESULT STDMETHODCALLTYPE OnChanged(DISPID id) override;
    HRESULT STDMETHODCALLTYPE OnRequestEdit(DISPID id) override;

    // ISimpleFrameSite
    HRESULT STDMETHODCALLTYPE PreMessageFilter(HWND window, UINT msg, WPARAM wParam, LPARAM lParam,
                                               LRESULT* result, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE PostMessageFilter(HWND window, UINT msg, WPARAM wParam, LPARAM lParam,
                                                LRESULT* result, DWORD cookie) override;

protected:
    void CreateWnd() override;
    void DestroyWindowHandle() override;
    void WndProc(TMessage& message) override;
    void DefaultHandler(TMessage& message) override;
    bool PaletteChanged(bool foreground) override;

    // The control becomes (or stops being) its form's UI-active OLE control;
    // another control that was gets CM_UIDEACTIVATE.
    void MarkUIActive(bool active);
    // The menu the player's menus merge into: the parent form's, or the
    // application's main form's for an MDI child.
    class TMainMenu* FindFrameMenu();

    // Connects the player's control interfaces once; raises EOleSysError
    // when IOleControl or IDispatch is missing.
    void ConnectPlayerInterfaces();
    void DisconnectPlayerInterfaces();
    // Makes the window of the in-place player the control's own.
    void AdoptPlayerWindow();

private:
    class TInPlaceFrame;
    class THostBase;
    friend class TInPlaceFrame;
    friend class THostBase;

    void CreatePlayer(TPlayerCodeProvider& provider);
    void EnsureClientSite();
    void ActivateInPlace(LONG verb);
    RECT PlayerPlace();
    HWND ParentWindow() const;
    HWND FrameWindow();
    bool Designing() const { return ComponentState() & csDesigning; }
    HRESULT FireEvent(DISPID id, DISPPARAMS* parameters, EXCEPINFO* exception, UINT* argumentError);
    HRESULT AmbientProperty(DISPID id, VARIANT* result);
    void PaintWithoutPlayer(TMessage& message);
    bool DialogKey(TMessage& message);
    void UIDeactivateRequest();
    void DocWindowActivate(TMessage& message);

    // The scripting interface by position; see FlashHostSlots.h.
    Microsoft::WRL::ComPtr<IDispatch> ScriptingInterface();
    template <class Slot, class... Args>
    void CallMethod(int minimumLayout, Args&&... args);
    template <class Slot, class... Args>
    auto CallGetter(int minimumLayout, Args&&... args);
    template <class Slot, class Value>
    Value ReadProperty(unsigned layouts, Value cached, int position = Slot::Position);
    template <class Slot, class Value>
    void WriteProperty(unsigned layouts, Value& cached, Value value, int position = Slot::Position);
    // Renders the frame onto the bitmap, sized to the client, over Background.
    bool DrawFrame(TBitmap& bitmap, TPixelFormat format, TColor background);

    LONG refCount_ = 0;
    Microsoft::WRL::ComPtr<IOleObject> player_;
    Microsoft::WRL::ComPtr<IOleControl> playerControl_;
    Microsoft::WRL::ComPtr<IDispatch> playerDispatch_;
    Microsoft::WRL::ComPtr<IPerPropertyBrowsing> propertyBrowsing_;
    Microsoft::WRL::ComPtr<IOleInPlaceObject> inPlaceObject_;
    Microsoft::WRL::ComPtr<IOleInPlaceActiveObject> inPlaceActiveObject_;
    DWORD propertyNotifyCookie_ = 0;
    Microsoft::WRL::ComPtr<IViewObject> viewObject_;
    Microsoft::WRL::ComPtr<IConnectionPoint> eventPoint_;
    bool EventSinkAdvised = false;
    DWORD eventCookie_ = 0;
    bool placing_ = false;
    TFlashPropertyCache cache_;
    std::unique_ptr<TInPlaceFrame> frame_;
    std::unique_ptr<THostBase> hostBase_;
};

// Advises Sink on Source's connection point for Iid, keeping the cookie; any
// failing step leaves the cookie 0.
void AdviseOnPlayer(IUnknown* source, REFIID iid, IUnknown* sink, DWORD& cookie);
// Unadvises a cookie other than 0; a successful unadvise sets it to 0.
void UnadviseOnPlayer(IUnknown* source, REFIID iid, DWORD& cookie);

// A copy of the picture of the player's latest BitBlt (0 x 0 before the first).
std::unique_ptr<TBitmap> CopyLastBlitBitmap();
