#pragma once
// The common dialogs: open and save (plain and for pictures), colour and
// font. While one is open its window procedure sees every message first, so
// a caller can move it (WM_INITDIALOG: centre it) or close it.
#include <string>
#include <vector>

#include "Font.h"
#include "Messages.h"
#include "Persistent.h"

#include <commdlg.h>

#include <memory>

class TCommonDialog : public TPersistent {
public:
    std::string ClassName() const override { return "TCommonDialog"; }

    // Shows the dialog modally; true when the user confirmed it.
    virtual bool Execute() = 0;
    // The dialog's window while it is open, else null. For the explorer-
    // style file dialogs this is the dialog itself, not the hook's child.
    HWND Handle() const { return handle_; }
    HWND Owner = nullptr;  // null: the active window

    TNotifyEvent OnShow;
    TNotifyEvent OnClose;

protected:
    // Every message of the open dialog; answer nonzero in Result to keep
    // the system's own handling from it.
    virtual void WndProc(TMessage& message);
    HWND OwnerWindow() const;
    // Runs the system's dialog call with the hook in place.
    template <typename Run>
    bool Run(Run run);
    static UINT_PTR CALLBACK HookProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND handle_ = nullptr;
    // Explorer-style file dialogs hook a child of the dialog.
    bool hookIsChild_ = false;

private:
    static thread_local TCommonDialog* opening_;
};

enum TOpenOption : DWORD {
    ofReadOnly = OFN_READONLY,
    ofOverwritePrompt = OFN_OVERWRITEPROMPT,
    ofHideReadOnly = OFN_HIDEREADONLY,
    ofNoChangeDir = OFN_NOCHANGEDIR,
    ofAllowMultiSelect = OFN_ALLOWMULTISELECT,
    ofPathMustExist = OFN_PATHMUSTEXIST,
    ofFileMustExist = OFN_FILEMUSTEXIST,
    ofNoReadOnlyReturn = OFN_NOREADONLYRETURN,
};

class TOpenDialog : public TCommonDialog {
public:
    std::string ClassName() const override { return "TOpenDialog"; }
    bool Execute() override;

    std::string FileName;
    // Every chosen file, with its folder; one entry without multi-select.
    std::vector<std::string> Files;
    std::string InitialDir;
    // Added to a typed name that has no extension, without the dot.
    std::string DefaultExt;
    // "Description|*.ext;*.ext2|Description|*.x"
    std::string Filter;
    int FilterIndex = 1;  // 1-based, as the system counts
    std::string Title;
    DWORD Options = ofHideReadOnly;

protected:
    virtual bool Open(OPENFILENAMEA& ofn);
    void WndProc(TMessage& message) override;
};

class TSaveDialog : public TOpenDialog {
public:
    std::string ClassName() const override { return "TSaveDialog"; }

protected:
    bool Open(OPENFILENAMEA& ofn) override;
};

// File dialogs whose filter starts as every picture format the library reads.
class TOpenPictureDialog : public TOpenDialog {
public:
    TOpenPictureDialog();
    std::string ClassName() const override { return "TOpenPictureDialog"; }
};

class TSavePictureDialog : public TSaveDialog {
public:
    TSavePictureDialog();
    std::string ClassName() const override { return "TSavePictureDialog"; }
};

class TColorDialog : public TCommonDialog {
public:
    std::string ClassName() const override { return "TColorDialog"; }
    bool Execute() override;

    TColor Color = clBlack;
    // Up to 16 colours the user keeps in the dialog's custom boxes.
    COLORREF CustomColors[16] = {};
};

class TFontDialog : public TCommonDialog {
public:
    TFontDialog();
    ~TFontDialog() override;
    std::string ClassName() const override { return "TFontDialog"; }
    bool Execute() override;

    TFont* Font() const { return font_.get(); }

private:
    std::unique_ptr<TFont> font_;
};
