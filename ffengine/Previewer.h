#pragma once
// A small stay-on-top window that shows the pictures being encoded, dragged
// by its picture. Closing it ends previewing; the encoding goes on.
#include "Forms.h"
#include "Graphics.h"

#include <cstdint>
#include <memory>

class TPreviewer {
public:
    TPreviewer() = default;
    // The window goes on the GUI thread.
    ~TPreviewer();
    TPreviewer(const TPreviewer&) = delete;
    TPreviewer& operator=(const TPreviewer&) = delete;

    // Shows Bitmap (copied) with Time (microseconds) in the caption, on the
    // GUI thread; False once the window was closed: previews end.
    bool Show(const TBitmap& bitmap, int frameNumber, int64_t time);
    bool Closed() const { return closed_; }
    HWND Handle() const { return handle_; }

private:
    void Paint();
    void HandleMessage(MSG& message, bool& handled);

    std::unique_ptr<TForm> form_;
    TMessageEvent previousOnMessage_;
    HWND handle_ = nullptr;
    bool closed_ = false;
    TBitmap bitmap_;
    int frameNumber_ = 0;
    int64_t time_ = 0;
};
