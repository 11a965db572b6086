// The control as the player's container: its sites, ambient properties and
// event sink.
#include "FlashHostControl.h"

#include "Exceptions.h"
#include "FlashHostParts.h"
#include "Forms.h"
#include "Menus.h"
#include "OleFonts.h"
#include "SysUtils.h"

#include <cmath>

using Microsoft::WRL::ComPtr;

namespace {

constexpr DISPID EventReadyStateChange = -609;
constexpr DISPID EventFSCommand = 150;
constexpr DISPID EventFlashCall = 197;
constexpr DISPID EventProgress = 1958;
constexpr RECT WholeClip{0, 0, 32767, 32767};

void SetBool(VARIANT* result, bool value)
{
    result->vt = VT_BOOL;
    result->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void SetInt(VARIANT* result, long value)
{
    result->vt = VT_I4;
    result->lVal = value;
}

// The arguments of one event, converted to the types its handler takes.
// Arguments arrive last first: the event's first one is the highest index.
class TEventArguments {
public:
    TEventArguments(DISPPARAMS* parameters, UINT* argumentError) : parameters_(parameters), error_(argumentError) {}
    ~TEventArguments()
    {
        for (VARIANT& value : converted_) VariantClear(&value);
    }
    TEventArguments(const TEventArguments&) = delete;
    TEventArguments& operator=(const TEventArguments&) = delete;

    bool CountIs(UINT count) const { return parameters_ && parameters_->cArgs == count; }
    // Converts the event's argument Index (counting from its first) to Type.
    HRESULT Convert(UINT index, VARTYPE type)
    {
        UINT position = parameters_->cArgs - 1 - index;
        VARIANT& value = converted_[index];
        HRESULT result = VariantChangeType(&value, &parameters_->rgvarg[position], 0, type);
        if (FAILED(result)) {
            if (error_) *error_ = position;
            return DISP_E_TYPEMISMATCH;
        }
        return S_OK;
    }
    long Int(UINT index) const { return converted_[index].lVal; }
    std::wstring String(UINT index) const
    {
        BSTR text = converted_[index].bstrVal;
        return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    }

private:
    DISPPARAMS* parameters_;
    UINT* error_;
    VARIANT converted_[2]{};
};

}

// ---- IDispatch

HRESULT TFlashHostControl::GetTypeInfoCount(UINT* count)
{
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT TFlashHostControl::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT TFlashHostControl::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return E_NOTIMPL;
}

HRESULT TFlashHostControl::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                                  EXCEPINFO* exception, UINT* argumentError)
{
    switch (id) {
    case EventReadyStateChange:
    case EventFSCommand:
    case EventFlashCall:
    case EventProgress:
        return FireEvent(id, parameters, exception, argumentError);
    }
    if (!(flags & DISPATCH_PROPERTYGET) || !result) return DISP_E_MEMBERNOTFOUND;
    return AmbientProperty(id, result);
}

HRESULT TFlashHostControl::FireEvent(DISPID id, DISPPARAMS* parameters, EXCEPINFO* exception, UINT* argumentError)
{
    TEventArguments arguments(parameters, argumentError);
    UINT count = id == EventFSCommand ? 2 : 1;
    if (!arguments.CountIs(count)) return DISP_E_BADPARAMCOUNT;
    VARTYPE type = id == EventFSCommand || id == EventFlashCall ? VT_BSTR : VT_I4;
    for (UINT i = 0; i < count; ++i)
        if (HRESULT converted = arguments.Convert(i, type); FAILED(converted)) return converted;
    try {
        switch (id) {
        case EventReadyStateChange:
            if (OnReadyStateChange) OnReadyStateChange(this, arguments.Int(0));
            break;
        case EventFSCommand:
            if (OnFSCommand) OnFSCommand(this, arguments.String(0), arguments.String(1));
            break;
        case EventFlashCall:
            if (OnFlashCall) OnFlashCall(this, arguments.String(0));
            break;
        case EventProgress:
            if (OnProgress) OnProgress(this, arguments.Int(0));
            break;
        }
    } catch (...) {
        // The player cannot do anything with it: the user sees it, the
        // player gets a failure it can ignore.
        if (exception) {
            *exception = EXCEPINFO{};
            exception->scode = E_FAIL;
            try {
                throw;
            } catch (const std::exception& e) {
                exception->bstrDescription = SysAllocString(AnsiToWide(e.what()).c_str());
            } catch (...) {
            }
        }
        Application->HandleException(this);
        return DISP_E_EXCEPTION;
    }
    return S_OK;
}

HRESULT TFlashHostControl::AmbientProperty(DISPID id, VARIANT* result)
{
    VariantInit(result);
    switch (id) {
    case DISPID_AMBIENT_BACKCOLOR:
        SetInt(result, Color());
        return S_OK;
    case DISPID_AMBIENT_DISPLAYNAME:
        result->vt = VT_BSTR;
        result->bstrVal = SysAllocString(AnsiToWide(Name()).c_str());
        return S_OK;
    case DISPID_AMBIENT_FONT: {
        const TFont& font = Parent() && ParentFont() ? *Parent()->Font() : *Font();
        ComPtr<IFontDisp> oleFont = GetOleFont(font);
        result->vt = VT_DISPATCH;
        result->pdispVal = oleFont.Detach();
        return S_OK;
    }
    case DISPID_AMBIENT_FORECOLOR:
        SetInt(result, Font()->GetColor());
        return S_OK;
    case DISPID_AMBIENT_LOCALEID:
        SetInt(result, static_cast<long>(GetUserDefaultLCID()));
        return S_OK;
    case DISPID_AMBIENT_MESSAGEREFLECT:
    case DISPID_AMBIENT_AUTOCLIP:
    case DISPID_AMBIENT_SUPPORTSMNEMONICS:
        SetBool(result, true);
        return S_OK;
    case DISPID_AMBIENT_USERMODE:
        SetBool(result, !Designing());
        return S_OK;
    case DISPID_AMBIENT_UIDEAD:
        SetBool(result, Designing());
        return S_OK;
    case DISPID_AMBIENT_SHOWGRABHANDLES:
    case DISPID_AMBIENT_SHOWHATCHING:
        SetBool(result, false);
        return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}

// ---- IOleClientSite

HRESULT TFlashHostControl::SaveObject()
{
    return S_OK;
}

HRESULT TFlashHostControl::GetMoniker(DWORD, DWORD, IMoniker** moniker)
{
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
}

HRESULT TFlashHostControl::GetContainer(IOleContainer** container)
{
    if (container) *container = nullptr;
    return E_NOINTERFACE;
}

HRESULT TFlashHostControl::ShowObject()
{
    try {
        AdoptPlayerWindow();
    } catch (const EOleError&) {
        return E_FAIL;
    }
    return S_OK;
}

HRESULT TFlashHostControl::OnShowWindow(BOOL)
{
    return S_OK;
}

// ---- IOleWindow and IOleInPlaceSite

HRESULT TFlashHostControl::GetWindow(HWND* window)
{
    if (!window) return E_POINTER;
    *window = Parent() ? Parent()->Handle() : nullptr;
    return *window ? S_OK : E_FAIL;
}

HRESULT TFlashHostControl::ContextSensitiveHelp(BOOL)
{
    return S_OK;
}

HRESULT TFlashHostControl::CanInPlaceActivate()
{
    return S_OK;
}

HRESULT TFlashHostControl::OnInPlaceActivate()
{
    if (player_) {
        player_.As(&inPlaceObject_);
        player_.As(&inPlaceActiveObject_);
    }
    return S_OK;
}

HRESULT TFlashHostControl::OnUIActivate()
{
    MarkUIActive(true);
    return S_OK;
}

HWND TFlashHostControl::FrameWindow()
{
    TWinControl* top = this;
    while (top->Parent()) top = top->Parent();
    return top == this ? nullptr : top->Handle();
}

HRESULT TFlashHostControl::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                            LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info)
{
    if (!frame || !document || !position || !clip || !info) return E_POINTER;
    *frame = frame_.get();
    (*frame)->AddRef();
    *document = nullptr;
    *position = PlayerPlace();
    *clip = WholeClip;
    info->fMDIApp = FALSE;
    info->hwndFrame = FrameWindow();
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}

HRESULT TFlashHostControl::Scroll(SIZE)
{
    return E_NOTIMPL;
}

HRESULT TFlashHostControl::OnUIDeactivate(BOOL)
{
    frame_->SetMenu(nullptr, nullptr, nullptr);
    MarkUIActive(false);
    return S_OK;
}

HRESULT TFlashHostControl::OnInPlaceDeactivate()
{
    inPlaceActiveObject_.Reset();
    inPlaceObject_.Reset();
    return S_OK;
}

HRESULT TFlashHostControl::DiscardUndoState()
{
    return E_NOTIMPL;
}

HRESULT TFlashHostControl::DeactivateAndUndo()
{
    if (inPlaceObject_) inPlaceObject_->UIDeactivate();
    return S_OK;
}

HRESULT TFlashHostControl::OnPosRectChange(LPCRECT position)
{
    if (inPlaceObject_ && position) inPlaceObject_->SetObjectRects(position, &WholeClip);
    return S_OK;
}

// ---- IOleControlSite

HRESULT TFlashHostControl::OnControlInfoChanged()
{
    return E_NOTIMPL;
}

HRESULT TFlashHostControl::LockInPlaceActive(BOOL)
{
    return E_NOTIMPL;
}

HRESULT TFlashHostControl::GetExtendedControl(IDispatch** control)
{
    if (control) *control = nullptr;
    return E_NOTIMPL;
}

HRESULT TFlashHostControl::TransformCoords(POINTL* himetric, POINTF* container, DWORD flags)
{
    if (!himetric || !container) return E_POINTER;
    int pixelsPerInch = Screen->PixelsPerInch();
    if (flags & XFORMCOORDS_HIMETRICTOCONTAINER) {
        container->x = static_cast<float>(MulDiv(himetric->x, pixelsPerInch, 2540));
        container->y = static_cast<float>(MulDiv(himetric->y, pixelsPerInch, 2540));
    } else {
        // Halves round to even, as the default rounding mode does.
        himetric->x = std::lrint(static_cast<double>(container->x) * 2540 / pixelsPerInch);
        himetric->y = std::lrint(static_cast<double>(container->y) * 2540 / pixelsPerInch);
    }
    return S_OK;
}

HRESULT TFlashHostControl::TranslateAccelerator(MSG*, DWORD)
{
    return E_NOTIMPL;
}

HRESULT TFlashHostControl::OnFocus(BOOL)
{
    return E_NOTIMPL;
}

HRESULT TFlashHostControl::ShowPropertyFrame()
{
    return E_NOTIMPL;
}

// ---- IPropertyNotifySink and ISimpleFrameSite

HRESULT TFlashHostControl::OnChanged(DISPID)
{
    return S_OK;
}

HRESULT TFlashHostControl::OnRequestEdit(DISPID)
{
    return S_OK;
}

HRESULT TFlashHostControl::PreMessageFilter(HWND, UINT, WPARAM, LPARAM, LRESULT*, DWORD*)
{
    return S_OK;
}

HRESULT TFlashHostControl::PostMessageFilter(HWND, UINT, WPARAM, LPARAM, LRESULT*, DWORD)
{
    return S_OK;
}

// ---- UI activation and menus

void TFlashHostControl::MarkUIActive(bool active)
{
    TForm* form = GetParentForm(this);
    if (!form) return;
    TWinControl* current = form->ActiveOleControl();
    if (active) {
        if (current && current != this) current->Perform(CM_UIDEACTIVATE);
        form->SetActiveOleControl(this);
    } else if (current == this) {
        form->SetActiveOleControl(nullptr);
    }
}

TMainMenu* TFlashHostControl::FindFrameMenu()
{
    TForm* form = GetParentForm(this);
    if (!form) return nullptr;
    if (form->FormStyle() != fsMDIChild) return form->Menu();
    TForm* mainForm = Application->MainForm();
    return mainForm ? mainForm->Menu() : nullptr;
}

HRESULT TFlashHostControl::TInPlaceFrame::QueryInterface(REFIID iid, void** object)
{
    return control_.QueryInterface(iid, object);
}

HRESULT TFlashHostControl::TInPlaceFrame::GetWindow(HWND* window)
{
    if (!window) return E_POINTER;
    *window = control_.FrameWindow();
    return S_OK;
}

HRESULT TFlashHostControl::TInPlaceFrame::InsertMenus(HMENU shared, LPOLEMENUGROUPWIDTHS widths)
{
    if (TMainMenu* menu = control_.FindFrameMenu(); menu && widths)
        menu->PopulateOle2Menu(shared, {0, 2, 4}, *widths);
    return S_OK;
}

HRESULT TFlashHostControl::TInPlaceFrame::SetMenu(HMENU shared, HOLEMENU descriptor, HWND activeObject)
{
    TMainMenu* menu = control_.FindFrameMenu();
    if (!menu) return S_OK;
    menu->SetOle2MenuHandle(shared);
    return OleSetMenuDescriptor(descriptor, menu->WindowHandle(), activeObject, nullptr, nullptr);
}

HRESULT TFlashHostControl::TInPlaceFrame::RemoveMenus(HMENU shared)
{
    while (GetMenuItemCount(shared) > 0) RemoveMenu(shared, 0, MF_BYPOSITION);
    return S_OK;
}

// ---- Movies served from memory

HRESULT TFlashHostControl::THostBase::SetMovie(const std::wstring& url)
{
    control_.SetMovie(url);
    return S_OK;
}

HRESULT TFlashHostControl::THostBase::LoadMovie(int layer, const std::wstring& url)
{
    try {
        control_.LoadMovie(layer, url);
    } catch (const EOleSysError& e) {
        return e.ErrorCode;
    } catch (const Exception&) {
        return E_FAIL;
    }
    return S_OK;
}

HRESULT TFlashHostControl::THostBase::GetBase(std::wstring& base)
{
    base = control_.GetBase();
    return S_OK;
}

HRESULT TFlashHostControl::THostBase::CallOnLoadExternalResource(const std::string& url, TStream* stream)
{
    if (!control_.OnLoadExternalResource) return S_FALSE;
    control_.OnLoadExternalResource(&control_, url, stream);
    return S_OK;
}

HRESULT TFlashHostControl::THostBase::CallOnLoadExternalResourceEx(const std::string& url, TStream* stream,
                                                                  bool& handled)
{
    if (!control_.OnLoadExternalResourceEx) return S_FALSE;
    control_.OnLoadExternalResourceEx(&control_, url, stream, handled);
    return S_OK;
}
