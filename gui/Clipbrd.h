#pragma once
// The system clipboard: text, pictures, and data of any format by handle.
#include <windows.h>

#include <string>

#include "Persistent.h"

class TClipboard : public TPersistent {
public:
    TClipboard() = default;
    ~TClipboard() override;
    TClipboard(const TClipboard&) = delete;
    TClipboard& operator=(const TClipboard&) = delete;
    std::string ClassName() const override { return "TClipboard"; }

    // Opening nests; the clipboard is the system's again when the last Close
    // comes. Formats put while it is open are put together: the first
    // replaces what the clipboard held, later ones join it. A clipboard that
    // another program holds raises Exception "Cannot open clipboard".
    void Open();
    void Close();
    void Clear();

    bool HasFormat(UINT format);
    int FormatCount();
    // The formats on the clipboard in the order they were put there.
    UINT Formats(int index);
    // A format known to every program by its name.
    static UINT RegisterFormat(const std::string& name);

    std::string AsText();
    void SetAsText(const std::string& text);
    // The clipboard owns the data handed to it, and keeps what it answers.
    HANDLE GetAsHandle(UINT format);
    void SetAsHandle(UINT format, HANDLE data);

    // A picture or graphic goes on the clipboard in its kind's format.
    void Assign(const TPersistent* source) override;

protected:
    // Into a picture: the first format on the clipboard that a registered
    // picture kind reads; into a bitmap: CF_BITMAP.
    void AssignTo(TPersistent* dest) const override;

private:
    HWND window_ = nullptr;
    int openCount_ = 0;
    bool emptied_ = false;
};

// The one clipboard object of the program.
TClipboard* Clipboard();
