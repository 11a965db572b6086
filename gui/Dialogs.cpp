#include "Dialogs.h"

#include <algorithm>

#include "Picture.h"

namespace {

constexpr const char* DialogProperty = "TvmCommonDialog";

// The filter "A|*.a|B|*.b" as the system wants it: parts ended by zeros,
// the whole ended by one more.
std::string SystemFilter(const std::string& filter)
{
    if (filter.empty()) return std::string(2, '\0');
    std::string result = filter;
    std::replace(result.begin(), result.end(), '|', '\0');
    result += std::string(2, '\0');
    return result;
}

}

thread_local TCommonDialog* TCommonDialog::opening_ = nullptr;

HWND TCommonDialog::OwnerWindow() const
{
    return Owner ? Owner : GetActiveWindow();
}

void TCommonDialog::WndProc(TMessage& message)
{
    if (message.Msg == WM_INITDIALOG && OnShow) OnShow(this);
    if (message.Msg == WM_DESTROY && OnClose) OnClose(this);
}

UINT_PTR CALLBACK TCommonDialog::HookProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* dialog = static_cast<TCommonDialog*>(GetPropA(window, DialogProperty));
    if (msg == WM_INITDIALOG && opening_) {
        dialog = opening_;
        SetPropA(window, DialogProperty, dialog);
        dialog->handle_ = dialog->hookIsChild_ ? GetParent(window) : window;
    }
    if (!dialog) return 0;
    TMessage message{msg, wParam, lParam, 0};
    try {
        dialog->WndProc(message);
    } catch (...) {
        // Nothing may unwind through the system's dialog code.
        message.Result = 0;
    }
    if (msg == WM_DESTROY) {
        RemovePropA(window, DialogProperty);
        dialog->handle_ = nullptr;
    }
    return static_cast<UINT_PTR>(message.Result);
}

template <typename RunDialog>
bool TCommonDialog::Run(RunDialog run)
{
    opening_ = this;
    const bool confirmed = run();
    opening_ = nullptr;
    handle_ = nullptr;
    return confirmed;
}

// ---- TOpenDialog ----

bool TOpenDialog::Execute()
{
    const std::string filter = SystemFilter(Filter);
    std::vector<char> names(64 * 1024, '\0');
    FileName.copy(names.data(), std::min(FileName.size(), names.size() - 2));
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = OwnerWindow();
    ofn.lpstrFilter = Filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(FilterIndex);
    ofn.lpstrFile = names.data();
    ofn.nMaxFile = static_cast<DWORD>(names.size());
    ofn.lpstrInitialDir = InitialDir.empty() ? nullptr : InitialDir.c_str();
    ofn.lpstrTitle = Title.empty() ? nullptr : Title.c_str();
    ofn.lpstrDefExt = DefaultExt.empty() ? nullptr : DefaultExt.c_str();
    ofn.Flags = Options | OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLESIZING;
    ofn.lpfnHook = reinterpret_cast<LPOFNHOOKPROC>(&HookProc);
    hookIsChild_ = true;
    if (!Run([&] { return Open(ofn); })) return false;

    FilterIndex = static_cast<int>(ofn.nFilterIndex);
    Files.clear();
    // Several files come as the folder, then each name, each ended by a zero.
    const std::string first = names.data();
    const char* next = names.data() + first.size() + 1;
    if ((Options & ofAllowMultiSelect) && *next) {
        for (; *next; next += std::string(next).size() + 1) Files.push_back(first + "\\" + next);
    } else {
        Files.push_back(first);
    }
    FileName = Files.front();
    return true;
}

bool TOpenDialog::Open(OPENFILENAMEA& ofn)
{
    return GetOpenFileNameA(&ofn) != FALSE;
}

void TOpenDialog::WndProc(TMessage& message)
{
    // The explorer-style dialog reports its start to the hook as CDN_INITDONE.
    if (message.Msg == WM_NOTIFY && reinterpret_cast<OFNOTIFYA*>(message.LParam)->hdr.code == CDN_INITDONE) {
        if (OnShow) OnShow(this);
        return;
    }
    if (message.Msg == WM_INITDIALOG) return;
    TCommonDialog::WndProc(message);
}

bool TSaveDialog::Open(OPENFILENAMEA& ofn)
{
    return GetSaveFileNameA(&ofn) != FALSE;
}

TOpenPictureDialog::TOpenPictureDialog()
{
    Filter = TPicture::GraphicFilter();
}

TSavePictureDialog::TSavePictureDialog()
{
    Filter = TPicture::GraphicFilter();
}

// ---- TColorDialog ----

bool TColorDialog::Execute()
{
    CHOOSECOLORA choose{};
    choose.lStructSize = sizeof(choose);
    choose.hwndOwner = OwnerWindow();
    choose.rgbResult = ColorToRGB(Color);
    choose.lpCustColors = CustomColors;
    choose.Flags = CC_RGBINIT | CC_ENABLEHOOK;
    choose.lpfnHook = reinterpret_cast<LPCCHOOKPROC>(&HookProc);
    hookIsChild_ = false;
    if (!Run([&] { return ChooseColorA(&choose) != FALSE; })) return false;
    Color = static_cast<TColor>(choose.rgbResult);
    return true;
}

// ---- TFontDialog ----

TFontDialog::TFontDialog() : font_(std::make_unique<TFont>())
{
}

TFontDialog::~TFontDialog() = default;

bool TFontDialog::Execute()
{
    LOGFONTA logFont{};
    GetObjectA(font_->Handle(), sizeof(logFont), &logFont);
    CHOOSEFONTA choose{};
    choose.lStructSize = sizeof(choose);
    choose.hwndOwner = OwnerWindow();
    choose.lpLogFont = &logFont;
    choose.rgbColors = ColorToRGB(font_->GetColor());
    choose.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT | CF_ENABLEHOOK;
    choose.lpfnHook = reinterpret_cast<LPCFHOOKPROC>(&HookProc);
    hookIsChild_ = false;
    if (!Run([&] { return ChooseFontA(&choose) != FALSE; })) return false;
    const TColor color = static_cast<TColor>(choose.rgbColors);
    font_->SetHandle(CreateFontIndirectA(&logFont));
    font_->SetColor(color);
    return true;
}
